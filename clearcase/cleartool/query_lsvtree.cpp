// cleartool lsvtree: shows an element's version tree.
//
//   lsvtree [-all] [-s] PNAME...
//
// One line per branch ("<pname>@@/main/dev") followed by its versions
// ("<pname>@@/main/dev/2 (REL1, REL2)"); a sub-branch follows the version it
// sprouts from. Versions are always all listed (-all is accepted).
#include <map>

#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_facts.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/store/store.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"all", 1}, {"short", 1}, {"long", 1}, {"merge", 3}, {"nrecurse", 3}, {"obsolete", 3},
};

struct Tree {
    Store& store;
    std::string base;
    bool with_labels;
    std::multimap<int64_t, BranchRec> by_origin;  // origin version id -> sub-branches
    std::string out;

    void branch(const BranchRec& b) {
        out += base + "@@" + store.branch_path(b.id) + "\n";
        for (const auto& v : store.versions_of_branch(b.id)) {
            std::string line = base + "@@" + store.version_vid(v.id);
            if (with_labels) {
                auto labels = labels_of_version(store, v.id);
                for (size_t k = 0; k < labels.size(); ++k) line += (k ? ", " : " (") + labels[k];
                if (!labels.empty()) line += ")";
            }
            out += line + "\n";
            auto [lo, hi] = by_origin.equal_range(v.id);
            for (auto it = lo; it != hi; ++it) branch(it->second);
        }
    }
};

}  // namespace

int cmd_lsvtree(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    if (a.operands.empty()) {
        print_error("No element specified.");
        return 1;
    }
    Store store;
    if (!open_read_only(store)) return 1;
    return for_each_resolved(store, a.operands, false, [&](const Resolved& r) {
        if (r.element.is_slink()) {
            print_error("Not a vob object: \"" + r.given + "\".");
            return 1;
        }
        Tree t{store, r.given_base, !a.has("short"), {}, {}};
        std::optional<BranchRec> main;
        for (const auto& b : store.branches_of(r.element.id)) {
            if (b.parent_id == 0)
                main = b;
            else
                t.by_origin.emplace(b.origin_vid, b);
        }
        if (main) t.branch(*main);
        print_out(t.out);
        return 0;
    });
}

}  // namespace ccsub::query
