// cleartool describe: shows VOBs, types, elements, branches, versions,
// checkouts and symbolic links.
//
//   describe [-s|-l|-fmt F] OBJ ...       OBJ: vob:T, K:N@T or a pname/xpn
//   describe -ahlink Merge [-l] XPN ...    the version's merge arrows only
//
// The plain form's first line starts with the object's kind words and its
// name (`symbolic link "l" -> text`, `version "f@@/main/3"`, ...); -fmt "%m"
// prints the same kind words. Exit 1 when any operand names nothing; then
// nothing is printed on stdout for it.
#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_facts.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1}, {"long", 1}, {"fmt", 3, true}, {"ahlink", 3, true}, {"graphical", 1}, {"cview", 2},
};

std::string hyperlink_lines(Store& store, const Resolved& r, const std::string& only_type) {
    std::string out;
    if (!r.version || r.names == "checkout") return out;
    for (const auto& h : hyperlinks_of_version(store, r.version->id)) {
        if (!only_type.empty() && h.type != only_type) continue;
        out += "    " + h.type + (h.incoming ? " <- " : " -> ") + r.vob_path + "@@" + h.other + "\n";
    }
    return out.empty() ? out : "  Hyperlinks:\n" + out;
}

std::string element_details(Store& store, const Resolved& r, const ObjectFacts& f) {
    std::string out;
    if (f.time) out += "  created " + format_iso_datetime(*f.time) + " by " + f.user + "\n";
    if (!f.comment.empty()) out += "  \"" + f.comment + "\"\n";
    if (r.names == "slink") return out;
    auto et = f.properties.find("eltype");
    if (et != f.properties.end()) out += "  element type: " + et->second + "\n";
    if (!f.pred_vid.empty()) out += "  predecessor version: " + f.pred_vid + "\n";
    out += "  Protection:\n    User : " + r.element.owner + "\n    Group: " + r.element.grp +
           "\n    Mode : " + permission_string(static_cast<unsigned>(r.element.perms)) + "\n";
    if (!f.labels.empty()) {
        out += "  Labels:\n";
        for (const auto& l : f.labels) out += "    " + l + "\n";
    }
    if (!f.attributes.empty()) {
        out += "  Attributes:\n";
        for (const auto& [name, value] : f.attributes) out += "    " + name + " = " + value + "\n";
    }
    out += hyperlink_lines(store, r, "");
    std::string lock_kind = r.names == "branch" ? "branch" : "element";
    int64_t lock_id = r.names == "branch" ? r.branch->id : r.element.id;
    if (r.names == "branch" || r.names == "element")
        if (auto lock = store.lock_of(lock_kind, lock_id)) out += "  " + lock_text(lock->nusers, lock->obsolete);
    return out;
}

int describe_selector(Store& store, const ParsedArgs& a, const Selector& sel, const std::string& operand) {
    auto vob = sel.kind == "vob" ? store.vob_by_tag(sel.vob) : std::optional<VobRec>();
    if (sel.kind == "vob" && !vob) {
        print_error("Unable to locate versioned object base with object selector: \"" + operand + "\".");
        return 1;
    }
    if (sel.kind == "vob") {
        if (a.has("fmt")) {
            print_out(format_object(a.value("fmt"), vob_facts(*vob)));
        } else if (a.has("short")) {
            print_out(vob->tag + "\n");
        } else {
            std::string out = "versioned object base \"" + vob->tag + "\"\n";
            out +=
                "  created " + format_iso_datetime(static_cast<std::time_t>(vob->created)) + " by " + vob->owner + "\n";
            if (!vob->comment.empty()) out += "  \"" + vob->comment + "\"\n";
            out += "  VOB storage global pathname \"" + vob->storage + "\"\n";
            out += "  VOB object id: " + vob->oid + "\n";
            if (auto lock = store.lock_of("vob", vob->id)) out += "  " + lock_text(lock->nusers, lock->obsolete);
            print_out(out);
        }
        return 0;
    }
    auto tvob = selector_vob(store, sel);
    if (!tvob) return 1;
    auto t = store.type(tvob->id, sel.kind, sel.name);
    if (!t) {
        print_error("Type not found: \"" + sel.name + "\".");
        return 1;
    }
    if (a.has("fmt"))
        print_out(format_object(a.value("fmt"), type_facts(store, *t, *tvob)));
    else if (a.has("short"))
        print_out(t->name + "\n");
    else
        print_out(type_long_listing(store, *t));
    return 0;
}

int describe_pname(Store& store, const ParsedArgs& a, const std::string& operand) {
    Resolved r;
    if (!resolve_operand(store, operand, r)) return 1;
    ObjectFacts f = object_facts(store, r);
    if (a.has("ahlink")) {
        print_out(describe_first_line(store, r) + hyperlink_lines(store, r, a.value("ahlink")));
    } else if (a.has("fmt")) {
        print_out(format_object(a.value("fmt"), f));
    } else if (a.has("short")) {
        print_out(f.xpn + "\n");
    } else {
        print_out(describe_first_line(store, r) + element_details(store, r, f));
    }
    return 0;
}

}  // namespace

int cmd_describe(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    if (a.operands.empty()) {
        print_error("No object specified.");
        return 1;
    }
    Store store;
    if (!open_read_only(store)) return 1;
    int status = 0;
    for (const auto& operand : a.operands) {
        auto sel = parse_selector(operand);
        int rc = sel ? describe_selector(store, a, *sel, operand) : describe_pname(store, a, operand);
        if (rc) status = 1;
    }
    return status;
}

}  // namespace ccsub::query
