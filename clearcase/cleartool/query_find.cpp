// cleartool find: lists the elements a view shows below pnames.
//
//   find PNAME... [-all] [-nxname] [-type f|d|l...] [-print]
//
// Each match is printed as the operand exactly as given, plus "/rel/path"
// below it (so "find . -type d" prints "." then "./sub"); without -nxname
// an element name gets "@@" appended. Symbolic links are listed (type l)
// but never followed.
#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/cleartool/query_walk.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"all", 3},   {"avobs", 2},  {"nxname", 3},   {"type", 4, true}, {"print", 5},
    {"cview", 2}, {"follow", 3}, {"nrecurse", 3}, {"directory", 3},
};

bool type_wanted(const std::string& types, const ElementRec& e) {
    if (types.empty()) return true;
    char letter = e.is_dir() ? 'd' : e.is_slink() ? 'l' : 'f';
    return types.find(letter) != std::string::npos;
}

}  // namespace

int cmd_find(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    std::string types = a.value("type");
    if (types.find_first_not_of("fdl") != std::string::npos) {
        print_error("Invalid -type argument \"" + types + "\".");
        return 1;
    }
    bool recurse = !a.has("nrecurse") && !a.has("directory");
    bool nx = a.has("nxname");
    Store store;
    if (!open_read_only(store)) return 1;
    return for_each_resolved(store, operands_or_cwd(a), true, [&](const Resolved& r) {
        ViewCtx ctx(store, *r.view);
        std::string out;
        walk_view(
            ctx, r.element, r.vob_path,
            [&](const WalkItem& item) {
                if (!type_wanted(types, *item.element)) return;
                out += item.rel.empty() ? r.given_base : r.given_base + "/" + item.rel;
                if (!nx && !item.element->is_slink()) out += "@@";
                out += '\n';
                if (out.size() > (1u << 16)) {
                    print_out(out);
                    out.clear();
                }
            },
            recurse ? -1 : 0);
        print_out(out);
        return 0;
    });
}

}  // namespace ccsub::query
