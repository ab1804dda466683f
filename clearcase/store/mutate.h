// Store mutations shared by cleartool's authoring commands and the importer.
// Every function works inside the caller's transaction, marks the elements it
// changes for view refresh (Store::touch) and returns 0 on failure with the
// reason in Store::error(). Lock checks are the caller's job (see locks.h),
// except where noted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "clearcase/store/store.h"

namespace ccsub {

// Creates a VOB: predefined types, the root directory element and its
// lost+found directory (both /main/0, lost+found entered in the root).
int create_vob(Store& st, const std::string& tag, const std::string& storage, const std::string& comment,
               bool is_public, VobRec& out);
int remove_vob(Store& st, int64_t vob_id);
int create_view(Store& st, const std::string& tag, const std::string& storage, ViewRec& out);
int remove_view(Store& st, int64_t view_id);

// Inserts a type (id filled in). Element types get strictly increasing
// creation stamps within a VOB so that ordering by time is unambiguous.
int create_type(Store& st, TypeRec& t);

// New element of the given kind with branch main and an empty /main/0.
// kind is "file", "directory" or "slink" (slinks have no branches).
int create_element(Store& st, int64_t vob_id, const std::string& kind, int64_t eltype_id, const std::string& comment,
                   int perms, const std::string& slink_text, int64_t& eid);

// New branch of type brtype_id sprouting from version origin_vid, with a
// version 0 holding the origin's content (or entries).
int create_branch(Store& st, int64_t eid, int64_t brtype_id, int64_t origin_vid, const std::string& comment,
                  int64_t& branch_id);

// New checked-in version on a branch. num < 0 means next free number. For
// directories the entries are copied from `entries_from_co` (a checkout id)
// or, when 0, from the predecessor.
int create_version(Store& st, int64_t eid, int64_t branch_id, int64_t num, const std::string& content_hash,
                   int64_t size, const std::string& comment, int64_t entries_from_co, int64_t& version_id);

// Checks an element out on a branch in a view (pred = version checked out).
int create_checkout(Store& st, int64_t eid, int64_t branch_id, int64_t view_id, int64_t pred_vid,
                    const std::string& path, const std::string& comment, int64_t& co_id);
int remove_checkout(Store& st, int64_t co_id);

// Directory checkout entries.
int co_add_entry(Store& st, int64_t co_id, const std::string& name, int64_t eid);
int co_remove_entry(Store& st, int64_t co_id, const std::string& name);

// Labels: attach (replace moves an existing instance of the same element,
// or of the same branch for per-branch types); remove.
int attach_label(Store& st, int64_t lbtype_id, int64_t version_id, bool replace, int64_t* moved_from);
int detach_label(Store& st, int64_t lbtype_id, int64_t version_id);
// Attributes on 'element' | 'branch' | 'version' objects.
int set_attr(Store& st, int64_t attype_id, const std::string& obj_kind, int64_t obj_id, int64_t eid,
             const std::string& value, bool replace);
int remove_attr(Store& st, int64_t attype_id, const std::string& obj_kind, int64_t obj_id);
int add_hlink(Store& st, int64_t hltype_id, int64_t from_vid, int64_t to_vid, const std::string& comment);
// Removes the arrow between two versions in either direction.
int remove_hlink_between(Store& st, int64_t hltype_id, int64_t a_vid, int64_t b_vid);

// Removals: a version (labels, attributes, hyperlinks and events go with
// it; sub-branches are re-rooted at its predecessor), a branch with its
// versions and sub-branches, an element with its names in every directory.
int remove_version(Store& st, int64_t version_id);
int remove_branch(Store& st, int64_t branch_id);
int remove_element(Store& st, int64_t eid);
// Removes a type and every instance of it.
int remove_type(Store& st, int64_t type_id);

// History: one event row. minor = label/attribute/hyperlink change.
struct EventRec {
    int64_t vob_id = 0;
    std::string op, mkind, descr, name, comment, user_comment;
    bool minor = false;
    int64_t eid = 0, branch_id = 0, version_id = 0, type_id = 0;
};
int record_event(Store& st, const EventRec& e);

// Queues the trigger types of the VOB that name `op` (or all ops), to run
// after the transaction. env holds CLEARCASE_* values for the operation.
void queue_triggers(Store& st, int64_t vob_id, const std::string& op,
                    std::vector<std::pair<std::string, std::string>> env);
// Runs and clears the queued triggers (after commit and unlock). A failing
// postop trigger does not undo the operation.
void run_pending_triggers(Store& st);

// Display helpers for objects.
std::string element_kind_word(const ElementRec& e);  // "file element" / "directory element" / "symbolic link"

}  // namespace ccsub
