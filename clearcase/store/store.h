// The versioned store: registry of VOB and view tags plus every VOB's
// objects, in one SQLite database under the registry directory (schema in
// schema.h). A Store object is one command's session: it takes the store's
// file lock (shared for readers, exclusive for writers), and records which
// elements changed so that the views can be refreshed after the change.
#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "clearcase/store/records.h"
#include "clearcase/util/sqlite.h"

namespace ccsub {

// A trigger firing collected during an operation and run after commit.
struct PendingTrigger {
    std::string exec;
    std::vector<std::pair<std::string, std::string>> env;
};

class Store {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens (creating when needed) the registry and takes the file lock.
    bool open(bool writer);
    Db& db() { return db_; }
    const std::string& error() const { return err_; }
    void set_error(std::string e) { err_ = std::move(e); }
    const std::string& dir() const { return dir_; }
    // Releases the file lock early (e.g. before running triggers).
    void unlock();

    // ---- registry
    std::optional<VobRec> vob_by_tag(const std::string& tag);
    std::optional<VobRec> vob_by_id(int64_t id);
    std::vector<VobRec> vobs();
    // The VOB whose tag is `path` or a leading part of it (component-wise).
    std::optional<VobRec> vob_for_path(const std::string& path);
    std::optional<ViewRec> view_by_tag(const std::string& tag);
    std::optional<ViewRec> view_by_id(int64_t id);
    std::vector<ViewRec> views();

    // ---- types
    std::optional<TypeRec> type(int64_t vob_id, const std::string& kind, const std::string& name);
    std::optional<TypeRec> type_by_id(int64_t id);
    std::vector<TypeRec> types(int64_t vob_id, const std::string& kind);

    // ---- elements, branches, versions
    std::optional<ElementRec> element(int64_t id);
    std::optional<BranchRec> branch(int64_t id);
    std::optional<VersionRec> version(int64_t id);
    std::optional<BranchRec> main_branch(int64_t eid);
    // Branch by path from main ("/main/dev/fix"); nullopt if absent.
    std::optional<BranchRec> branch_by_path(int64_t eid, const std::string& path);
    std::optional<BranchRec> branch_of_type(int64_t eid, int64_t brtype_id);
    std::string branch_path(int64_t branch_id);
    std::string version_vid(int64_t version_id);  // "/main/dev/3"
    std::optional<VersionRec> version_by_num(int64_t branch_id, int64_t num);
    std::optional<VersionRec> latest_version(int64_t branch_id);
    // Version named by a vid; also accepts ".../LATEST".
    std::optional<VersionRec> version_by_vid(int64_t eid, const std::string& vid);
    std::vector<BranchRec> branches_of(int64_t eid);
    std::vector<BranchRec> sub_branches(int64_t branch_id);
    std::vector<VersionRec> versions_of_branch(int64_t branch_id);
    // Predecessor of a version: previous number on its branch, or the
    // branch's origin for version 0.
    std::optional<VersionRec> predecessor(const VersionRec& v);

    // ---- directories
    std::vector<DirEntry> dir_entries(int64_t version_id);
    std::vector<DirEntry> co_entries(int64_t co_id);
    std::optional<int64_t> co_entry(int64_t co_id, const std::string& name);
    std::optional<int64_t> dir_entry(int64_t version_id, const std::string& name);

    // ---- checkouts
    std::optional<CheckoutRec> checkout_in_view(int64_t eid, int64_t view_id);
    std::optional<CheckoutRec> checkout_by_id(int64_t id);
    std::vector<CheckoutRec> checkouts_of(int64_t eid);

    // ---- locks
    std::optional<LockRec> lock_of(const std::string& obj_kind, int64_t obj_id);
    // True when the object is locked against the current user.
    bool locked_for_me(const std::string& obj_kind, int64_t obj_id);

    // ---- contents
    std::string content_path(const std::string& hash) const;
    // Stores bytes in the content store; returns the hash ("" = empty).
    std::string put_content(std::string_view bytes);
    // Copies a file into the content store.
    bool put_content_file(const std::string& path, std::string& hash, int64_t& size);

    // ---- change tracking for view refresh
    void touch(int64_t eid) { touched_.insert(eid); }
    void touch_all() { touch_all_ = true; }
    const std::set<int64_t>& touched() const { return touched_; }
    bool all_touched() const { return touch_all_; }
    void clear_touched() {
        touched_.clear();
        touch_all_ = false;
    }

    std::vector<PendingTrigger>& pending_triggers() { return triggers_; }

    std::string user() const { return user_; }
    int64_t now() const;

private:
    Db db_;
    std::string dir_, err_, user_;
    int lock_fd_ = -1;
    std::set<int64_t> touched_;
    bool touch_all_ = false;
    std::vector<PendingTrigger> triggers_;
};

}  // namespace ccsub
