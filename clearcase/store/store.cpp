#include "clearcase/store/store.h"

#include <sys/file.h>
#include <unistd.h>
#include <fcntl.h>

#include <sstream>

#include "clearcase/store/schema.h"
#include "clearcase/util/sys.h"

namespace ccsub {

Store::~Store() {
    db_.close();
    unlock();
}

void Store::unlock() {
    if (lock_fd_ >= 0) {
        flock(lock_fd_, LOCK_UN);
        ::close(lock_fd_);
        lock_fd_ = -1;
    }
}

int64_t Store::now() const {
    return now_seconds();
}

bool Store::open(bool writer) {
    dir_ = registry_dir();
    user_ = current_user();
    if (!mkdir_p(dir_, 0755) || !mkdir_p(dir_ + "/cas", 0755)) {
        err_ = "Unable to create the registry directory \"" + dir_ + "\"";
        return false;
    }
    std::string lockp = dir_ + "/lock";
    lock_fd_ = ::open(lockp.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (lock_fd_ < 0 || flock(lock_fd_, writer ? LOCK_EX : LOCK_SH) != 0) {
        err_ = "Unable to lock the registry \"" + lockp + "\"";
        return false;
    }
    if (!db_.open(dir_ + "/ccsub.db")) {
        err_ = "Unable to open the registry database: " + db_.error();
        return false;
    }
    db_.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;");
    if (writer && !db_.exec(kSchemaSql)) {
        err_ = "Unable to initialise the registry database: " + db_.error();
        return false;
    }
    if (!writer) {
        // A reader on a fresh registry still needs the tables.
        auto n = db_.scalar_i64("SELECT count(*) FROM sqlite_master WHERE name='mat'");
        if (!n || *n == 0) db_.exec(kSchemaSql);
    }
    return true;
}

// ---- registry ------------------------------------------------------------

static const char* kVobCols = "id,tag,storage,oid,mounted,public,created,owner,comment,coalesce(root_eid,0)";

static VobRec read_vob(Stmt& s) {
    VobRec v;
    v.id = s.i64(0), v.tag = s.text(1), v.storage = s.text(2), v.oid = s.text(3);
    v.mounted = s.i64(4) != 0, v.is_public = s.i64(5) != 0, v.created = s.i64(6);
    v.owner = s.text(7), v.comment = s.text(8), v.root_eid = s.i64(9);
    return v;
}

std::optional<VobRec> Store::vob_by_tag(const std::string& tag) {
    Stmt s(db_, std::string("SELECT ") + kVobCols + " FROM vobs WHERE tag=?");
    s.bind(1, tag);
    if (s.step()) return read_vob(s);
    return std::nullopt;
}

std::optional<VobRec> Store::vob_by_id(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kVobCols + " FROM vobs WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_vob(s);
    return std::nullopt;
}

std::vector<VobRec> Store::vobs() {
    std::vector<VobRec> r;
    Stmt s(db_, std::string("SELECT ") + kVobCols + " FROM vobs ORDER BY tag");
    while (s.step()) r.push_back(read_vob(s));
    return r;
}

std::optional<VobRec> Store::vob_for_path(const std::string& path) {
    // Try every leading part of the path, longest first (tags never nest).
    std::string p = path;
    while (!p.empty() && p != "/") {
        if (auto v = vob_by_tag(p)) return v;
        p = dirname_of(p);
    }
    return std::nullopt;
}

static const char* kViewCols = "id,tag,storage,config_spec,created,owner";

static ViewRec read_view(Stmt& s) {
    ViewRec v;
    v.id = s.i64(0), v.tag = s.text(1), v.storage = s.text(2), v.config_spec = s.text(3);
    v.created = s.i64(4), v.owner = s.text(5);
    return v;
}

std::optional<ViewRec> Store::view_by_tag(const std::string& tag) {
    Stmt s(db_, std::string("SELECT ") + kViewCols + " FROM views WHERE tag=?");
    s.bind(1, tag);
    if (s.step()) return read_view(s);
    return std::nullopt;
}

std::optional<ViewRec> Store::view_by_id(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kViewCols + " FROM views WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_view(s);
    return std::nullopt;
}

std::vector<ViewRec> Store::views() {
    std::vector<ViewRec> r;
    Stmt s(db_, std::string("SELECT ") + kViewCols + " FROM views ORDER BY tag");
    while (s.step()) r.push_back(read_view(s));
    return r;
}

// ---- types ---------------------------------------------------------------

static const char* kTypeCols =
    "id,vob_id,kind,name,scope,pbranch,vp,vtype,default_value,supertype,tr_ops,tr_when,tr_exec,predefined,"
    "created,owner,comment";

static TypeRec read_type(Stmt& s) {
    TypeRec t;
    t.id = s.i64(0), t.vob_id = s.i64(1), t.kind = s.text(2), t.name = s.text(3), t.scope = s.text(4);
    t.pbranch = s.i64(5) != 0, t.vp = s.text(6), t.vtype = s.text(7);
    t.has_default = !s.is_null(8), t.default_value = s.text(8), t.supertype = s.text(9);
    t.tr_ops = s.text(10), t.tr_when = s.text(11), t.tr_exec = s.text(12), t.predefined = s.i64(13) != 0;
    t.created = s.i64(14), t.owner = s.text(15), t.comment = s.text(16);
    return t;
}

std::optional<TypeRec> Store::type(int64_t vob_id, const std::string& kind, const std::string& name) {
    Stmt s(db_, std::string("SELECT ") + kTypeCols + " FROM types WHERE vob_id=? AND kind=? AND name=?");
    s.bind(1, vob_id).bind(2, kind).bind(3, name);
    if (s.step()) return read_type(s);
    return std::nullopt;
}

std::optional<TypeRec> Store::type_by_id(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kTypeCols + " FROM types WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_type(s);
    return std::nullopt;
}

std::vector<TypeRec> Store::types(int64_t vob_id, const std::string& kind) {
    std::vector<TypeRec> r;
    Stmt s(db_, std::string("SELECT ") + kTypeCols + " FROM types WHERE vob_id=? AND kind=? ORDER BY name");
    s.bind(1, vob_id).bind(2, kind);
    while (s.step()) r.push_back(read_type(s));
    return r;
}

// ---- elements, branches, versions ------------------------------------------

std::optional<ElementRec> Store::element(int64_t id) {
    Stmt s(db_,
           "SELECT id,vob_id,kind,coalesce(eltype_id,0),owner,grp,perms,coalesce(slink_text,''),created,user,comment "
           "FROM elements WHERE id=?");
    s.bind(1, id);
    if (!s.step()) return std::nullopt;
    ElementRec e;
    e.id = s.i64(0), e.vob_id = s.i64(1), e.kind = s.text(2), e.eltype_id = s.i64(3), e.owner = s.text(4);
    e.grp = s.text(5), e.perms = static_cast<int>(s.i64(6)), e.slink_text = s.text(7), e.created = s.i64(8);
    e.user = s.text(9), e.comment = s.text(10);
    return e;
}

static const char* kBranchCols = "id,eid,brtype_id,coalesce(parent_id,0),coalesce(origin_vid,0),created,user,comment";

static BranchRec read_branch(Stmt& s) {
    BranchRec b;
    b.id = s.i64(0), b.eid = s.i64(1), b.brtype_id = s.i64(2), b.parent_id = s.i64(3), b.origin_vid = s.i64(4);
    b.created = s.i64(5), b.user = s.text(6), b.comment = s.text(7);
    return b;
}

std::optional<BranchRec> Store::branch(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kBranchCols + " FROM branches WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_branch(s);
    return std::nullopt;
}

std::optional<BranchRec> Store::main_branch(int64_t eid) {
    Stmt s(db_, std::string("SELECT ") + kBranchCols + " FROM branches WHERE eid=? AND parent_id IS NULL");
    s.bind(1, eid);
    if (s.step()) return read_branch(s);
    return std::nullopt;
}

std::optional<BranchRec> Store::branch_of_type(int64_t eid, int64_t brtype_id) {
    Stmt s(db_, std::string("SELECT ") + kBranchCols + " FROM branches WHERE eid=? AND brtype_id=?");
    s.bind(1, eid).bind(2, brtype_id);
    if (s.step()) return read_branch(s);
    return std::nullopt;
}

std::optional<BranchRec> Store::branch_by_path(int64_t eid, const std::string& path) {
    auto parts = split_path(path);
    if (parts.empty()) return std::nullopt;
    auto el = element(eid);
    if (!el) return std::nullopt;
    auto cur = main_branch(eid);
    if (!cur) return std::nullopt;
    auto t = type_by_id(cur->brtype_id);
    if (!t || t->name != parts[0]) return std::nullopt;
    for (size_t i = 1; i < parts.size(); ++i) {
        auto bt = type(el->vob_id, "brtype", parts[i]);
        if (!bt) return std::nullopt;
        auto b = branch_of_type(eid, bt->id);
        if (!b || b->parent_id != cur->id) return std::nullopt;
        cur = b;
    }
    return cur;
}

std::string Store::branch_path(int64_t branch_id) {
    std::string path;
    int64_t id = branch_id;
    for (int guard = 0; id != 0 && guard < 1000; ++guard) {
        Stmt s(db_,
               "SELECT t.name, coalesce(b.parent_id,0) FROM branches b JOIN types t ON t.id=b.brtype_id WHERE b.id=?");
        s.bind(1, id);
        if (!s.step()) break;
        path = "/" + s.text(0) + path;
        id = s.i64(1);
    }
    return path;
}

static const char* kVersionCols = "id,eid,branch_id,num,coalesce(content,''),size,created,user,comment";

static VersionRec read_version(Stmt& s) {
    VersionRec v;
    v.id = s.i64(0), v.eid = s.i64(1), v.branch_id = s.i64(2), v.num = s.i64(3), v.content = s.text(4);
    v.size = s.i64(5), v.created = s.i64(6), v.user = s.text(7), v.comment = s.text(8);
    return v;
}

std::optional<VersionRec> Store::version(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kVersionCols + " FROM versions WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_version(s);
    return std::nullopt;
}

std::string Store::version_vid(int64_t version_id) {
    auto v = version(version_id);
    if (!v) return {};
    return branch_path(v->branch_id) + "/" + std::to_string(v->num);
}

std::optional<VersionRec> Store::version_by_num(int64_t branch_id, int64_t num) {
    Stmt s(db_, std::string("SELECT ") + kVersionCols + " FROM versions WHERE branch_id=? AND num=?");
    s.bind(1, branch_id).bind(2, num);
    if (s.step()) return read_version(s);
    return std::nullopt;
}

std::optional<VersionRec> Store::latest_version(int64_t branch_id) {
    Stmt s(db_, std::string("SELECT ") + kVersionCols + " FROM versions WHERE branch_id=? ORDER BY num DESC LIMIT 1");
    s.bind(1, branch_id);
    if (s.step()) return read_version(s);
    return std::nullopt;
}

std::optional<VersionRec> Store::version_by_vid(int64_t eid, const std::string& vid) {
    auto k = vid.rfind('/');
    if (k == std::string::npos || k == 0) return std::nullopt;
    auto br = branch_by_path(eid, vid.substr(0, k));
    if (!br) return std::nullopt;
    std::string last = vid.substr(k + 1);
    if (last == "LATEST") return latest_version(br->id);
    if (last.empty() || last.find_first_not_of("0123456789") != std::string::npos || last.size() > 12)
        return std::nullopt;
    return version_by_num(br->id, std::stoll(last));
}

std::vector<BranchRec> Store::branches_of(int64_t eid) {
    std::vector<BranchRec> r;
    Stmt s(db_, std::string("SELECT ") + kBranchCols + " FROM branches WHERE eid=? ORDER BY id");
    s.bind(1, eid);
    while (s.step()) r.push_back(read_branch(s));
    return r;
}

std::vector<BranchRec> Store::sub_branches(int64_t branch_id) {
    std::vector<BranchRec> r;
    Stmt s(db_, std::string("SELECT ") + kBranchCols + " FROM branches WHERE parent_id=? ORDER BY id");
    s.bind(1, branch_id);
    while (s.step()) r.push_back(read_branch(s));
    return r;
}

std::vector<VersionRec> Store::versions_of_branch(int64_t branch_id) {
    std::vector<VersionRec> r;
    Stmt s(db_, std::string("SELECT ") + kVersionCols + " FROM versions WHERE branch_id=? ORDER BY num");
    s.bind(1, branch_id);
    while (s.step()) r.push_back(read_version(s));
    return r;
}

std::optional<VersionRec> Store::predecessor(const VersionRec& v) {
    Stmt s(db_, std::string("SELECT ") + kVersionCols +
                    " FROM versions WHERE branch_id=? AND num<? ORDER BY num DESC LIMIT 1");
    s.bind(1, v.branch_id).bind(2, v.num);
    if (s.step()) return read_version(s);
    auto b = branch(v.branch_id);
    if (b && b->origin_vid) return version(b->origin_vid);
    return std::nullopt;
}

// ---- directories -----------------------------------------------------------

std::vector<DirEntry> Store::dir_entries(int64_t version_id) {
    std::vector<DirEntry> r;
    Stmt s(db_, "SELECT name,eid FROM dirents WHERE version_id=? ORDER BY name");
    s.bind(1, version_id);
    while (s.step()) r.push_back({s.text(0), s.i64(1)});
    return r;
}

std::vector<DirEntry> Store::co_entries(int64_t co_id) {
    std::vector<DirEntry> r;
    Stmt s(db_, "SELECT name,eid FROM co_dirents WHERE co_id=? ORDER BY name");
    s.bind(1, co_id);
    while (s.step()) r.push_back({s.text(0), s.i64(1)});
    return r;
}

std::optional<int64_t> Store::co_entry(int64_t co_id, const std::string& name) {
    Stmt s(db_, "SELECT eid FROM co_dirents WHERE co_id=? AND name=?");
    s.bind(1, co_id).bind(2, name);
    if (s.step()) return s.i64(0);
    return std::nullopt;
}

std::optional<int64_t> Store::dir_entry(int64_t version_id, const std::string& name) {
    Stmt s(db_, "SELECT eid FROM dirents WHERE version_id=? AND name=?");
    s.bind(1, version_id).bind(2, name);
    if (s.step()) return s.i64(0);
    return std::nullopt;
}

// ---- checkouts -------------------------------------------------------------

static const char* kCoCols = "id,eid,branch_id,view_id,pred_vid,path,created,user,comment";

static CheckoutRec read_co(Stmt& s) {
    CheckoutRec c;
    c.id = s.i64(0), c.eid = s.i64(1), c.branch_id = s.i64(2), c.view_id = s.i64(3), c.pred_vid = s.i64(4);
    c.path = s.text(5), c.created = s.i64(6), c.user = s.text(7), c.comment = s.text(8);
    return c;
}

std::optional<CheckoutRec> Store::checkout_in_view(int64_t eid, int64_t view_id) {
    Stmt s(db_, std::string("SELECT ") + kCoCols + " FROM checkouts WHERE eid=? AND view_id=?");
    s.bind(1, eid).bind(2, view_id);
    if (s.step()) return read_co(s);
    return std::nullopt;
}

std::optional<CheckoutRec> Store::checkout_by_id(int64_t id) {
    Stmt s(db_, std::string("SELECT ") + kCoCols + " FROM checkouts WHERE id=?");
    s.bind(1, id);
    if (s.step()) return read_co(s);
    return std::nullopt;
}

std::vector<CheckoutRec> Store::checkouts_of(int64_t eid) {
    std::vector<CheckoutRec> r;
    Stmt s(db_, std::string("SELECT ") + kCoCols + " FROM checkouts WHERE eid=? ORDER BY id");
    s.bind(1, eid);
    while (s.step()) r.push_back(read_co(s));
    return r;
}

// ---- locks ------------------------------------------------------------------

std::optional<LockRec> Store::lock_of(const std::string& obj_kind, int64_t obj_id) {
    Stmt s(db_,
           "SELECT obj_kind,obj_id,vob_id,nusers,obsolete,created,user,comment FROM locks WHERE obj_kind=? AND "
           "obj_id=?");
    s.bind(1, obj_kind).bind(2, obj_id);
    if (!s.step()) return std::nullopt;
    LockRec l;
    l.obj_kind = s.text(0), l.obj_id = s.i64(1), l.vob_id = s.i64(2), l.nusers = s.text(3);
    l.obsolete = s.i64(4) != 0, l.created = s.i64(5), l.user = s.text(6), l.comment = s.text(7);
    return l;
}

bool Store::locked_for_me(const std::string& obj_kind, int64_t obj_id) {
    auto l = lock_of(obj_kind, obj_id);
    if (!l) return false;
    std::istringstream in(l->nusers);
    std::string u;
    while (in >> u)
        if (u == user_) return false;
    return true;
}

// ---- contents ---------------------------------------------------------------

std::string Store::content_path(const std::string& hash) const {
    return dir_ + "/cas/" + hash.substr(0, 2) + "/" + hash;
}

std::string Store::put_content(std::string_view bytes) {
    if (bytes.empty()) return {};
    std::string h = sha256_hex(bytes);
    std::string p = content_path(h);
    if (!path_exists(p)) {
        mkdir_p(dirname_of(p));
        if (!write_file(p, bytes, 0444)) return "!";
    }
    return h;
}

bool Store::put_content_file(const std::string& path, std::string& hash, int64_t& size) {
    std::string data;
    if (!read_file(path, data)) return false;
    size = static_cast<int64_t>(data.size());
    hash = put_content(data);
    return hash != "!";
}

}  // namespace ccsub
