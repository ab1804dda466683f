// cleartool lslock: shows the locks of VOBs, types, elements and branches.
//
//   lslock [-s|-l|-fmt F] OBJ ...     vob:T, K:N@T, element pnames, branch xpns
//   lslock [-s|-l|-fmt F] -invob T    every VOB and type lock of T
//
// %c is the generated lock text ("Locked for all users.", "Locked except
// for users: u1 u2", "Locked for all users (obsolete)."); the lock's own
// comment is not shown there. The exit status is 0 only when at least one
// lock was listed, so that "lslock OBJ" answers "is it locked?".
#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1}, {"long", 1}, {"fmt", 3, true}, {"invob", 3, true}, {"obsolete", 3}, {"all", 3},
};

struct LockedObject {
    std::string name;  // as listed: the selector or pname given
    std::string kind;  // kind words
    LockRec lock;
};

ObjectFacts lock_facts(const LockedObject& o) {
    ObjectFacts f;
    f.pname = o.name;
    f.xpn = o.name;
    f.kind = o.kind;
    f.op = "lock";
    f.event = "lock " + o.kind + " \"" + o.name + "\"";
    f.comment = lock_text(o.lock.nusers, o.lock.obsolete);
    f.user = o.lock.user;
    f.time = static_cast<std::time_t>(o.lock.created);
    return f;
}

void show(const ParsedArgs& a, const LockedObject& o) {
    if (a.has("fmt")) {
        print_out(format_object(a.value("fmt"), lock_facts(o)));
    } else if (a.has("short")) {
        print_out(o.name + "\n");
    } else {
        std::string out = format_iso_datetime(static_cast<std::time_t>(o.lock.created)) + "  " + o.lock.user +
                          "  lock " + o.kind + " \"" + o.name + "\"\n";
        out += "  " + lock_text(o.lock.nusers, o.lock.obsolete);
        if (a.has("long") && !o.lock.comment.empty()) out += "  \"" + o.lock.comment + "\"\n";
        print_out(out);
    }
}

// The lock of one operand, if any; false when the object does not exist.
bool lock_of_operand(Store& store, const std::string& operand, std::optional<LockedObject>& out) {
    if (auto sel = parse_selector(operand)) {
        auto vob = selector_vob(store, *sel);
        if (!vob) return false;
        if (sel->kind == "vob") {
            if (auto lock = store.lock_of("vob", vob->id)) out = LockedObject{operand, "versioned object base", *lock};
            return true;
        }
        auto t = store.type(vob->id, sel->kind, sel->name);
        if (!t) {
            print_error("Type not found: \"" + sel->name + "\".");
            return false;
        }
        if (auto lock = store.lock_of("type", t->id)) out = LockedObject{operand, type_kind_words(t->kind), *lock};
        return true;
    }
    Resolved r;
    if (!resolve_operand(store, operand, r)) return false;
    if (r.branch && !r.version) {
        if (auto lock = store.lock_of("branch", r.branch->id)) out = LockedObject{operand, "branch", *lock};
    } else if (auto lock = store.lock_of("element", r.element.id)) {
        out = LockedObject{operand, element_kind_words(r.element.kind), *lock};
    }
    return true;
}

}  // namespace

int cmd_lslock(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    Store store;
    if (!open_read_only(store)) return 1;
    int listed = 0;
    bool failed = false;
    if (a.operands.empty()) {
        Selector sel{"vob", a.value("invob"), a.value("invob")};
        auto vob = selector_vob(store, sel);
        if (!vob) return 1;
        if (auto lock = store.lock_of("vob", vob->id)) {
            show(a, LockedObject{"vob:" + vob->tag, "versioned object base", *lock});
            ++listed;
        }
        for (const char* kind : {"brtype", "lbtype", "attype", "eltype", "trtype", "hltype"}) {
            for (const auto& t : store.types(vob->id, kind)) {
                if (auto lock = store.lock_of("type", t.id)) {
                    show(a, LockedObject{t.kind + ":" + t.name + "@" + vob->tag, type_kind_words(t.kind), *lock});
                    ++listed;
                }
            }
        }
    }
    for (const auto& operand : a.operands) {
        std::optional<LockedObject> found;
        if (!lock_of_operand(store, operand, found)) {
            failed = true;
            continue;
        }
        if (found) {
            show(a, *found);
            ++listed;
        }
    }
    return listed > 0 && !failed ? 0 : 1;
}

}  // namespace ccsub::query
