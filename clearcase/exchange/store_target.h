// The import target over the substitute's store: creates objects with the
// store's mutation functions, enforces locks, records history events and
// queues triggers, all in one transaction (a savepoint per operation, so a
// failed operation leaves nothing half done).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "clearcase/exchange/import_target.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/store.h"
#include "clearcase/view/select.h"

namespace ccx {

class StoreTarget : public ImportTarget {
public:
    // `dir` is the VOB-tag-rooted target directory as view `view` shows it.
    StoreTarget(ccsub::Store& st, const ccsub::ViewRec& view, const ccsub::VobRec& vob, std::string dir);

    // Begins the transaction and checks the target: a directory element the
    // view shows, in a VOB not locked against this user. False = fatal.
    bool open(std::string& err);
    // Commits, refreshes the views and runs the queued triggers.
    bool commit(std::string& err) override;

    ObjectKind lookup(const std::string& rel) override;
    bool ensure_type(const ExportType& type, std::string& err) override;
    bool ensure_element_type(const std::string& name, const std::string& supertype, std::string& err) override;
    bool make_directory(const std::string& rel, const std::string& comment, std::string& err) override;
    bool make_symlink(const std::string& rel, const std::string& text, const std::string& comment,
                      std::string& err) override;
    bool make_file_element(const std::string& rel, const std::string& eltype, const std::string& owner,
                           const std::string& group, const std::string& permissions, const std::string& comment,
                           std::string& err) override;
    bool branch_exists(const std::string& rel, const std::string& branch_path) override;
    bool version_exists(const std::string& rel, const std::string& vid) override;
    std::optional<long> latest_number(const std::string& rel, const std::string& branch_path) override;
    bool make_branch(const std::string& rel, const std::string& branch_path, const std::string& origin_vid,
                     const std::string& comment, std::string& err) override;
    bool make_version(const std::string& rel, const std::string& branch_path, long number, const std::string& data_file,
                      const std::string& comment, std::string& err) override;
    bool set_label(const std::string& rel, const std::string& vid, const std::string& label, std::string& err) override;
    bool set_attribute(const std::string& rel, const std::string& object, const std::string& name,
                       const std::string& value, std::string& err) override;
    bool make_merge(const std::string& rel, const std::string& from_vid, const std::string& to_vid,
                    std::string& err) override;
    bool finish(std::string& err) override;

private:
    class Savepoint;
    struct Node {
        int64_t eid = 0;
        ObjectKind kind = ObjectKind::none;
        int64_t co_id = 0;       // this view's checkout of a directory
        int64_t version_id = 0;  // selected checked-in version
    };
    struct Branches {
        std::map<std::string, int64_t> by_path;  // "/main/dev" -> branch id
    };

    Node* node(const std::string& rel);
    std::string vob_path(const std::string& rel) const;
    std::string view_path(const std::string& rel) const;
    Branches& branches(int64_t eid);
    int64_t version_id(int64_t eid, const std::string& vid);
    bool checkout_dir(const std::string& rel, Node& dir, std::string& err);
    bool add_entry(const std::string& rel, int64_t eid, ObjectKind kind, int64_t version, std::string& err);
    int64_t type_id(const std::string& kind, const std::string& name);
    bool ensure_named_type(const std::string& kind, const std::string& name, int64_t& id, std::string& err);
    void event(const std::string& op, const std::string& mkind, const std::string& descr, const std::string& name,
               const std::string& comment, bool minor, int64_t eid, int64_t branch_id, int64_t version_id);
    void trigger(const std::string& op, const std::string& rel, const std::string& xpn,
                 std::vector<std::pair<std::string, std::string>> extra);

    // Prepared statements kept for the run: an import makes the same few
    // queries tens of thousands of times, and preparing dominates otherwise.
    ccsub::Stmt& stmt(const char* sql);
    bool locks_allow(const ccsub::LockScope& scope, const std::string& op, std::string& err);
    // create_element for a file element (row, branch main, empty /main/0).
    bool insert_file_element(int64_t eltype_id, int perms, const std::string& owner, const std::string& group,
                             const std::string& comment, int64_t& eid, int64_t& main_id, int64_t& v0);
    void savepoint_begin();
    void savepoint_end(bool ok);
    int64_t insert_file_version(int64_t eid, int64_t branch_id, long number, const std::string& hash, int64_t size,
                                const std::string& comment);

    ccsub::Store& st_;
    std::unordered_map<const char*, std::unique_ptr<ccsub::Stmt>> stmts_;
    bool vob_has_locks_ = true;     // false: no lock row in the VOB, checks are skipped
    bool vob_has_triggers_ = true;  // false: no trigger type to queue
    ccsub::ViewRec view_;
    ccsub::VobRec vob_;
    std::string dir_;
    std::unique_ptr<ccsub::ViewCtx> ctx_;
    std::unordered_map<std::string, Node> nodes_;
    std::unordered_map<int64_t, Branches> branches_;
    std::unordered_map<std::string, int64_t> types_;  // "kind:name" -> id
    std::vector<std::string> checked_out_;            // directories this run checked out
    bool in_txn_ = false;
    std::string group_;      // group of new elements (the process's group)
    int64_t main_type_ = 0;  // branch type "main"
};

// "rw-r--r--" -> 0644; -1 when the text is not 9 permission characters.
int parse_permissions(const std::string& text);

}  // namespace ccx
