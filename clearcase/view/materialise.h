// Materialisation of views under the view root (/view/<tag>/<vob tag>/...):
// real directories, files with the selected versions' bytes, real symlinks
// for VOB symbolic links, and for every element a "name@@" symlink into the
// element's version store (<registry>/x/<eid>/main/dev/3, ...), so that
// version-extended names resolve through the file system.
//
// Refresh is incremental: only the nodes of elements touched by a change
// (Store::touch) are re-examined in each view, using the per-view manifest
// (table mat). Files the user created in a view (view-private) are left
// alone unless the directory holding them disappears.
#pragma once
#include <string>

#include "clearcase/store/store.h"

namespace ccsub {

// Creates /view/<tag> with the "view" symlink to the view root.
bool prepare_view_dir(const ViewRec& view);
// Removes /view/<tag> and everything below it.
void remove_view_dir(const std::string& tag);

// Refreshes every view for the elements touched in this session (or
// everything after Store::touch_all), then clears the touched set. Also
// rebuilds the version stores of the touched elements.
void refresh_views(Store& st);

// Re-examines the whole tree of one view (after setcs, startview).
void rebuild_view(Store& st, const ViewRec& view);

// Directory of an element's version store, and the directory holding them all.
std::string xstore_dir(Store& st, int64_t eid);
std::string xstore_root(Store& st);

}  // namespace ccsub
