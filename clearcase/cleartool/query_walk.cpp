// Walk of the elements a view shows (see query_walk.h).
#include "clearcase/cleartool/query_walk.h"

#include <algorithm>
#include <vector>

#include "clearcase/store/store.h"

namespace ccsub::query {

void walk_view(ViewCtx& ctx, const ElementRec& start, const std::string& start_vob_path,
               const std::function<void(const WalkItem&)>& visit, int max_depth) {
    Store& store = ctx.store();
    struct Pending {
        std::string rel, vob_path;
        ElementRec element;
        int depth;
    };
    // An explicit stack keeps deep trees off the call stack.
    std::vector<Pending> stack;
    stack.push_back({"", start_vob_path, start, 0});
    while (!stack.empty()) {
        Pending cur = std::move(stack.back());
        stack.pop_back();
        Selection sel = ctx.select(cur.element, cur.vob_path);
        if (!sel.visible()) continue;
        visit(WalkItem{cur.rel, cur.vob_path, &cur.element, &sel});
        if (!cur.element.is_dir() || (max_depth >= 0 && cur.depth >= max_depth)) continue;
        std::vector<DirEntry> entries;
        if (sel.co_id)
            entries = store.co_entries(sel.co_id);
        else if (sel.version_id)
            entries = store.dir_entries(sel.version_id);
        // Reverse name order on the stack gives name order when popped.
        std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name > b.name; });
        for (const auto& e : entries) {
            auto child = store.element(e.eid);
            if (!child) continue;
            stack.push_back({cur.rel.empty() ? e.name : cur.rel + "/" + e.name, cur.vob_path + "/" + e.name, *child,
                             cur.depth + 1});
        }
    }
}

}  // namespace ccsub::query
