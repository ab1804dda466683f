// cleartool lstype: lists types of a VOB, or named types.
//
//   lstype [-s|-l|-fmt F] -kind K [-invob T]     every type of kind K, by name
//   lstype [-s|-l|-fmt F] K:N[@T] ...            the named types
//
// Exit 0 when every named type exists (or the VOB exists for -kind); an
// unknown type prints nothing on stdout, an error on stderr and exits 1.
#include <algorithm>

#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1},       {"long", 1},     {"fmt", 3, true}, {"kind", 4, true},
    {"invob", 3, true}, {"obsolete", 3}, {"unsorted", 3},
};

std::string capitalised(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

}  // namespace

std::string type_long_listing(Store& store, const TypeRec& t) {
    std::string out = type_kind_words(t.kind) + " \"" + t.name + "\"\n";
    out += "  created " + format_iso_datetime(static_cast<std::time_t>(t.created)) + " by " + t.owner + "\n";
    if (!t.comment.empty()) out += "  \"" + t.comment + "\"\n";
    out += "  owner: " + t.owner + "\n";
    out += t.scope == "global" ? std::string("  scope: global\n") : std::string("  scope: this VOB (ordinary type)\n");
    if (t.predefined) out += "  predefined type\n";
    if (t.kind == "brtype" || t.kind == "lbtype")
        out += t.pbranch ? "  constraint: one version per branch\n" : "  constraint: one version per element\n";
    if (t.kind == "attype") {
        out += "  value type: " + (t.vtype.empty() ? std::string("string") : t.vtype) + "\n";
        if (!t.vp.empty()) out += "  constraint: one per " + t.vp + "\n";
        if (t.has_default) out += "  default value: " + t.default_value + "\n";
    }
    if (t.kind == "eltype" && !t.supertype.empty()) out += "  supertype: " + t.supertype + "\n";
    if (t.kind == "trtype") {
        if (!t.tr_when.empty()) out += "  " + t.tr_when + " operation trigger\n";
        if (!t.tr_ops.empty()) {
            std::string ops = t.tr_ops;
            ops.erase(0, ops.find_first_not_of(','));
            while (!ops.empty() && ops.back() == ',') ops.pop_back();
            out += "  operation kinds: " + ops + "\n";
        }
        if (!t.tr_exec.empty()) out += "  action: -execunix " + t.tr_exec + "\n";
    }
    if (auto lock = store.lock_of("type", t.id)) out += "  " + lock_text(lock->nusers, lock->obsolete);
    return out;
}

namespace {

std::string short_line(const TypeRec& t) {
    return "--" + format_iso_datetime(static_cast<std::time_t>(t.created)) + "  " + t.owner + "  " +
           type_kind_words(t.kind) + " \"" + t.name + "\"\n";
}

void show(Store& store, const ParsedArgs& a, const TypeRec& t, const VobRec& vob) {
    if (a.has("fmt"))
        print_out(format_object(a.value("fmt"), type_facts(store, t, vob)));
    else if (a.has("short"))
        print_out(t.name + "\n");
    else if (a.has("long"))
        print_out(type_long_listing(store, t));
    else
        print_out(short_line(t));
}

}  // namespace

int cmd_lstype(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    Store store;
    if (!open_read_only(store)) return 1;
    if (a.operands.empty()) {
        std::string kind = a.value("kind");
        if (!is_type_kind(kind)) {
            print_error(kind.empty() ? "Must specify -kind or type selectors." : "Unknown type kind \"" + kind + "\".");
            return 1;
        }
        Selector sel{kind, "", a.value("invob")};
        auto vob = selector_vob(store, sel);
        if (!vob) return 1;
        auto types = store.types(vob->id, kind);
        std::sort(types.begin(), types.end(), [](const TypeRec& x, const TypeRec& y) { return x.name < y.name; });
        for (const auto& t : types) show(store, a, t, *vob);
        return 0;
    }
    int status = 0;
    for (const auto& operand : a.operands) {
        auto sel = parse_selector(operand);
        if (!sel || sel->kind == "vob") {
            print_error("Not a type selector: \"" + operand + "\".");
            status = 1;
            continue;
        }
        auto vob = selector_vob(store, *sel);
        if (!vob) {
            status = 1;
            continue;
        }
        auto t = store.type(vob->id, sel->kind, sel->name);
        if (!t) {
            print_error(capitalised(type_kind_words(sel->kind)) + " not found: \"" + sel->name + "\".");
            status = 1;
            continue;
        }
        show(store, a, *t, *vob);
    }
    return status;
}

}  // namespace ccsub::query
