// Walks the tree of elements a view shows below a directory element, in
// pre-order with the entries of each directory sorted by name. Symbolic
// links are reported but never followed; names with "@@" never occur since
// the walk reads directory versions, not the file system.
#pragma once

#include <functional>
#include <string>

#include "clearcase/store/records.h"
#include "clearcase/view/select.h"

namespace ccsub::query {

struct WalkItem {
    std::string rel;       // path relative to the start ("" for the start itself)
    std::string vob_path;  // VOB-tag-rooted path
    const ElementRec* element;
    const Selection* sel;
};

// Calls `visit` for the start and everything visible below it. When the
// start is not a directory only the start is visited; max_depth limits the
// levels below the start (-1: no limit, 0: the start only).
void walk_view(ViewCtx& ctx, const ElementRec& start, const std::string& start_vob_path,
               const std::function<void(const WalkItem&)>& visit, int max_depth = -1);

}  // namespace ccsub::query
