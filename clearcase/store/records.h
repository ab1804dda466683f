// Plain records read from the store (one struct per table).
#pragma once
#include <cstdint>
#include <string>

namespace ccsub {

struct VobRec {
    int64_t id = 0;
    std::string tag, storage, oid;
    bool mounted = true, is_public = true;
    int64_t created = 0;
    std::string owner, comment;
    int64_t root_eid = 0;
};

struct ViewRec {
    int64_t id = 0;
    std::string tag, storage, config_spec;
    int64_t created = 0;
    std::string owner;
};

struct TypeRec {
    int64_t id = 0, vob_id = 0;
    std::string kind, name, scope;
    bool pbranch = false;
    std::string vp, vtype;
    bool has_default = false;
    std::string default_value, supertype, tr_ops, tr_when, tr_exec;
    bool predefined = false;
    int64_t created = 0;
    std::string owner, comment;
};

struct ElementRec {
    int64_t id = 0, vob_id = 0;
    std::string kind;  // "file" | "directory" | "slink"
    int64_t eltype_id = 0;
    std::string owner, grp;
    int perms = 0644;
    std::string slink_text;
    int64_t created = 0;
    std::string user, comment;
    bool is_dir() const { return kind == "directory"; }
    bool is_slink() const { return kind == "slink"; }
};

struct BranchRec {
    int64_t id = 0, eid = 0, brtype_id = 0, parent_id = 0, origin_vid = 0;
    int64_t created = 0;
    std::string user, comment;
};

struct VersionRec {
    int64_t id = 0, eid = 0, branch_id = 0, num = 0;
    std::string content;  // hash, "" = empty
    int64_t size = 0, created = 0;
    std::string user, comment;
};

struct CheckoutRec {
    int64_t id = 0, eid = 0, branch_id = 0, view_id = 0, pred_vid = 0;
    std::string path;
    int64_t created = 0;
    std::string user, comment;
};

struct DirEntry {
    std::string name;
    int64_t eid = 0;
};

struct LockRec {
    std::string obj_kind;
    int64_t obj_id = 0, vob_id = 0;
    std::string nusers;  // blank-separated; empty = all users
    bool obsolete = false;
    int64_t created = 0;
    std::string user, comment;
};

}  // namespace ccsub
