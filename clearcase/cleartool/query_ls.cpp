// cleartool ls: lists elements as the view shows them.
//
//   ls [-s|-l] [-dir] [-rec] PNAME...
//
// A file, a directory with -dir, or a version-extended name is listed
// itself; a directory without -dir lists its entries ("<pname>/<entry>").
// Lines: "<pname>@@<vid>" padded, then "Rule: <rule>"; a checkout adds
// "from <pred>"; a symbolic link is "<pname> --> <text>". With -s only the
// version-extended name (an operand that is already version-extended is
// printed exactly as given). Nothing reaches stdout for a name that does
// not exist.
#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_facts.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/cleartool/query_walk.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1}, {"long", 1}, {"directory", 3}, {"recurse", 3}, {"vob_only", 3}, {"nxname", 3},
};

std::string rule_text(const ViewCtx& ctx, const Selection& sel) {
    if (sel.rule < 0 || static_cast<size_t>(sel.rule) >= ctx.spec().rules.size()) return {};
    return ctx.spec().rules[static_cast<size_t>(sel.rule)].text;
}

std::string padded(std::string s, size_t width) {
    if (s.size() < width)
        s.append(width - s.size(), ' ');
    else
        s += ' ';
    return s;
}

// One line for an element the view shows with selection `sel`.
std::string line_for(Store& store, const ParsedArgs& a, const std::string& name, const ElementRec& e,
                     const Selection& sel, const std::string& rule) {
    if (e.is_slink()) return a.has("short") ? name + "\n" : name + " --> " + e.slink_text + "\n";
    std::string vid;
    std::string from;
    if (sel.co_id) {
        auto co = store.checkout_by_id(sel.co_id);
        if (!co) return {};
        vid = checkout_vid(store, *co);
        from = " from " + store.version_vid(co->pred_vid);
    } else {
        vid = store.version_vid(sel.version_id);
    }
    std::string xpn = name + "@@" + vid;
    if (a.has("short")) return xpn + "\n";
    return padded(xpn + from, 40) + "    Rule: " + rule + "\n";
}

int list_extended(Store& store, const ParsedArgs& a, const Resolved& r) {
    if (a.has("short")) {
        print_out(r.given + "\n");
        return 0;
    }
    std::string line = r.given;
    if (r.names == "version" || r.names == "checkout") line = extended_name(store, r);
    print_out(line + "\n");
    return 0;
}

}  // namespace

int cmd_ls(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    Store store;
    if (!open_read_only(store)) return 1;
    return for_each_resolved(store, operands_or_cwd(a), true, [&](const Resolved& r) {
        if (r.extended) return list_extended(store, a, r);
        ViewCtx ctx(store, *r.view);
        bool itself = a.has("directory") || !r.element.is_dir();
        int depth = itself ? 0 : a.has("recurse") ? -1 : 1;
        std::string out;
        walk_view(
            ctx, r.element, r.vob_path,
            [&](const WalkItem& item) {
                if (!itself && item.rel.empty()) return;
                std::string name = item.rel.empty() ? r.given : r.given_base + "/" + item.rel;
                out += line_for(store, a, name, *item.element, *item.sel, rule_text(ctx, *item.sel));
            },
            depth);
        print_out(out);
        return 0;
    });
}

}  // namespace ccsub::query
