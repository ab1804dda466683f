#include "clearcase/exchange/store_target.h"

#include <cstdlib>

#include "clearcase/exchange/export_data.h"
#include "clearcase/fmt/history_text.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/materialise.h"

namespace ccx {

int parse_permissions(const std::string& text) {
    if (text.size() != 9) return -1;
    static const char kBits[] = "rwxrwxrwx";
    int perms = 0;
    for (int i = 0; i < 9; ++i) {
        const char c = text[static_cast<size_t>(i)];
        if (c == kBits[i])
            perms |= 1 << (8 - i);
        else if (c != '-')
            return -1;
    }
    return perms;
}

namespace {

std::string strip_period(std::string s) {
    while (!s.empty() && (s.back() == '.' || s.back() == '\n')) s.pop_back();
    return s;
}

std::string name_of(const std::string& rel) {
    const size_t slash = rel.rfind('/');
    return slash == std::string::npos ? rel : rel.substr(slash + 1);
}

std::string parent_rel(const std::string& rel) {
    const size_t slash = rel.rfind('/');
    return slash == std::string::npos ? "." : rel.substr(0, slash);
}

}  // namespace

// Savepoint around one operation: a failure rolls back what it began.
class StoreTarget::Savepoint {
public:
    explicit Savepoint(StoreTarget& t) : t_(t) { t_.savepoint_begin(); }
    ~Savepoint() { t_.savepoint_end(ok_); }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    bool done() {
        ok_ = true;
        return true;
    }

private:
    StoreTarget& t_;
    bool ok_ = false;
};

void StoreTarget::savepoint_begin() {
    stmt("SAVEPOINT import_op").exec();
}

void StoreTarget::savepoint_end(bool ok) {
    if (!ok) stmt("ROLLBACK TO import_op").exec();
    stmt("RELEASE import_op").exec();
}

bool StoreTarget::insert_file_element(int64_t eltype_id, int perms, const std::string& owner, const std::string& group,
                                      const std::string& comment, int64_t& eid, int64_t& main_id, int64_t& v0) {
    const int64_t now = st_.now();
    const std::string user = st_.user();
    ccsub::Stmt& e = stmt(
        "INSERT INTO elements(vob_id,kind,eltype_id,owner,grp,perms,slink_text,created,user,comment) "
        "VALUES(?,'file',?,?,?,?,'',?,?,?)");
    e.bind(1, vob_.id).bind(2, eltype_id).bind(3, owner.empty() ? user : owner).bind(4, group.empty() ? group_ : group);
    e.bind(5, perms).bind(6, now).bind(7, user).bind(8, comment);
    if (!e.exec()) return false;
    eid = st_.db().last_rowid();
    ccsub::Stmt& b = stmt(
        "INSERT INTO branches(eid,brtype_id,parent_id,origin_vid,created,user,comment) VALUES(?,?,NULL,NULL,?,?,?)");
    b.bind(1, eid).bind(2, main_type_).bind(3, now).bind(4, user).bind(5, comment);
    if (!b.exec()) return false;
    main_id = st_.db().last_rowid();
    ccsub::Stmt& v =
        stmt("INSERT INTO versions(eid,branch_id,num,content,size,created,user,comment) VALUES(?,?,0,NULL,0,?,?,?)");
    v.bind(1, eid).bind(2, main_id).bind(3, now).bind(4, user).bind(5, comment);
    if (!v.exec()) return false;
    v0 = st_.db().last_rowid();
    st_.touch(eid);
    return true;
}

StoreTarget::StoreTarget(ccsub::Store& st, const ccsub::ViewRec& view, const ccsub::VobRec& vob, std::string dir)
    : st_(st), view_(view), vob_(vob), dir_(std::move(dir)) {}

ccsub::Stmt& StoreTarget::stmt(const char* sql) {
    auto& slot = stmts_[sql];
    if (!slot)
        slot = std::make_unique<ccsub::Stmt>(st_.db(), sql);
    else
        slot->reset();
    return *slot;
}

bool StoreTarget::locks_allow(const ccsub::LockScope& scope, const std::string& op, std::string& err) {
    // The lock table of the VOB cannot change under us (we hold the store's
    // write lock), so a VOB without a single lock needs no per-object check.
    if (!vob_has_locks_) return true;
    if (ccsub::check_locks(st_, scope, op)) return true;
    err = strip_period(st_.error());
    return false;
}

// The row create_version writes for a file version (no directory entries to
// copy), through a statement prepared once per run.
int64_t StoreTarget::insert_file_version(int64_t eid, int64_t branch_id, long number, const std::string& hash,
                                         int64_t size, const std::string& comment) {
    static constexpr const char* kSql =
        "INSERT INTO versions(eid,branch_id,num,content,size,created,user,comment) VALUES(?,?,?,?,?,?,?,?)";
    ccsub::Stmt& v = stmt(kSql);
    v.bind(1, eid).bind(2, branch_id).bind(3, static_cast<int64_t>(number));
    if (hash.empty())
        v.bind_null(4);
    else
        v.bind(4, hash);
    v.bind(5, size).bind(6, st_.now()).bind(7, st_.user()).bind(8, comment);
    if (!v.exec()) {
        st_.set_error("Database error: " + st_.db().error());
        return 0;
    }
    st_.touch(eid);
    return st_.db().last_rowid();
}

std::string StoreTarget::vob_path(const std::string& rel) const {
    return rel == "." ? dir_ : dir_ + "/" + rel;
}

std::string StoreTarget::view_path(const std::string& rel) const {
    return ccsub::view_root() + "/" + view_.tag + vob_path(rel);
}

bool StoreTarget::open(std::string& err) {
    if (!st_.db().exec("BEGIN IMMEDIATE")) {
        err = "Unable to start a transaction: " + st_.db().error();
        return false;
    }
    in_txn_ = true;
    ctx_ = std::make_unique<ccsub::ViewCtx>(st_, view_);
    group_ = ccsub::current_group();
    main_type_ = type_id("brtype", "main");
    {
        ccsub::Stmt q(st_.db(), "SELECT count(*) FROM locks WHERE vob_id=?");
        q.bind(1, vob_.id);
        vob_has_locks_ = !q.step() || q.i64(0) > 0;
        ccsub::Stmt t(st_.db(), "SELECT count(*) FROM types WHERE vob_id=? AND kind='trtype' AND tr_exec<>''");
        t.bind(1, vob_.id);
        vob_has_triggers_ = !t.step() || t.i64(0) > 0;
    }
    Node* top = node(".");
    if (!top || top->kind != ObjectKind::directory) {
        err = "Not a VOB directory in view \"" + view_.tag + "\": \"" + dir_ + "\"";
        return false;
    }
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {}}, "clearimport", err)) return false;
    return true;
}

bool StoreTarget::commit(std::string& err) {
    if (!in_txn_) return true;
    in_txn_ = false;
    stmts_.clear();  // no statement may stay active across COMMIT
    if (!st_.db().exec("COMMIT")) {
        err = "Unable to commit the import: " + st_.db().error();
        st_.db().exec("ROLLBACK");
        return false;
    }
    ccsub::refresh_views(st_);
    st_.unlock();
    ccsub::run_pending_triggers(st_);
    return true;
}

StoreTarget::Node* StoreTarget::node(const std::string& rel) {
    if (auto it = nodes_.find(rel); it != nodes_.end()) return &it->second;
    // Objects that existed before this run are in the view's manifest.
    ccsub::Stmt& s =
        stmt("SELECT m.eid, m.sel, e.kind FROM mat m JOIN elements e ON e.id=m.eid WHERE m.view_id=? AND m.path=?");
    s.bind(1, view_.id).bind(2, vob_path(rel));
    if (!s.step()) return nullptr;
    Node n;
    n.eid = s.i64(0);
    const std::string sel = s.text(1), kind = s.text(2);
    n.kind = kind == "directory" ? ObjectKind::directory : kind == "slink" ? ObjectKind::symlink : ObjectKind::file;
    // "co:<checkout id>" or "v:<version id>"; strtoll, not stoll: a damaged
    // manifest row must not throw.
    if (sel.rfind("co:", 0) == 0)
        n.co_id = std::strtoll(sel.c_str() + 3, nullptr, 10);
    else if (sel.rfind("v:", 0) == 0)
        n.version_id = std::strtoll(sel.c_str() + 2, nullptr, 10);
    return &nodes_.emplace(rel, n).first->second;
}

ObjectKind StoreTarget::lookup(const std::string& rel) {
    Node* n = node(rel);
    return n ? n->kind : ObjectKind::none;
}

int64_t StoreTarget::type_id(const std::string& kind, const std::string& name) {
    const std::string key = kind + ":" + name;
    if (auto it = types_.find(key); it != types_.end()) return it->second;
    auto t = st_.type(vob_.id, kind, name);
    if (!t) return 0;  // not cached: it may be created later
    types_[key] = t->id;
    return t->id;
}

void StoreTarget::event(const std::string& op, const std::string& mkind, const std::string& descr,
                        const std::string& name, const std::string& comment, bool minor, int64_t eid, int64_t branch_id,
                        int64_t version_id) {
    // Same row as the store's record_event, with a statement prepared once.
    static constexpr const char* kSql =
        "INSERT INTO events(vob_id,time,user,op,mkind,descr,name,comment,user_comment,minor,eid,branch_id,"
        "version_id,type_id) VALUES(?,?,?,?,?,?,?,?,'',?,?,?,?,NULL)";
    ccsub::Stmt& s = stmt(kSql);
    s.bind(1, vob_.id).bind(2, st_.now()).bind(3, st_.user()).bind(4, op).bind(5, mkind).bind(6, descr);
    s.bind(7, name).bind(8, comment).bind(9, minor ? 1 : 0);
    auto opt = [&s](int i, int64_t v) {
        if (v)
            s.bind(i, v);
        else
            s.bind_null(i);
    };
    opt(10, eid), opt(11, branch_id), opt(12, version_id);
    s.exec();
}

void StoreTarget::trigger(const std::string& op, const std::string& rel, const std::string& xpn,
                          std::vector<std::pair<std::string, std::string>> extra) {
    if (!vob_has_triggers_) return;
    extra.emplace_back("CLEARCASE_PN", view_path(rel));
    extra.emplace_back("CLEARCASE_XPN", ccsub::view_root() + "/" + view_.tag + xpn);
    ccsub::queue_triggers(st_, vob_.id, op, std::move(extra));
}

bool StoreTarget::ensure_named_type(const std::string& kind, const std::string& name, int64_t& id, std::string& err) {
    id = type_id(kind, name);
    if (id) return true;
    ExportType t{kind == "brtype"   ? TypeKind::branch
                 : kind == "lbtype" ? TypeKind::label
                                    : TypeKind::attribute,
                 name,
                 {}};
    if (!ensure_type(t, err)) return false;
    id = type_id(kind, name);
    return id != 0;
}

bool StoreTarget::ensure_type(const ExportType& type, std::string& err) {
    const std::string kind = type.kind == TypeKind::branch  ? "brtype"
                             : type.kind == TypeKind::label ? "lbtype"
                                                            : "attype";
    if (type_id(kind, type.name)) return true;  // an existing type is used as it is
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {}}, "mk" + kind, err)) return false;
    ccsub::TypeRec t;
    t.vob_id = vob_.id;
    t.kind = kind;
    t.name = type.name;
    const std::string scope = extra_value(type.extras, kTagScope);
    t.scope = scope == "global" ? "global" : "ordinary";
    for (const auto& e : type.extras) {
        if (e.tag != kTagConstraint) continue;
        if (e.value == "pbranch" && kind != "attype")
            t.pbranch = true;
        else if (kind == "attype" && (e.value == "vpelement" || e.value == "vpbranch" || e.value == "vpversion"))
            t.vp = e.value.substr(2);
    }
    if (kind == "attype") {
        const std::string vtype = extra_value(type.extras, kTagValueType);
        t.vtype = vtype.empty() ? "string" : vtype;
        const std::string def = extra_value(type.extras, kTagDefault);
        if (!def.empty()) {
            t.has_default = true;
            t.default_value = def;
        }
    }
    t.comment = "Created by clearimport";
    if (!ccsub::create_type(st_, t)) {
        err = strip_period(st_.error());
        return false;
    }
    types_[kind + ":" + t.name] = t.id;
    const std::string words = kind == "brtype" ? "branch type" : kind == "lbtype" ? "label type" : "attribute type";
    const auto text = ccsub::generic_event("mk" + kind, words, t.name + "@" + vob_.tag, t.comment);
    ccsub::EventRec e;
    e.vob_id = vob_.id, e.op = text.op, e.mkind = text.kind, e.descr = text.description;
    e.name = t.name + "@" + vob_.tag, e.comment = text.comment, e.type_id = t.id;
    ccsub::record_event(st_, e);
    return sp.done();
}

bool StoreTarget::ensure_element_type(const std::string& name, const std::string& supertype, std::string& err) {
    if (type_id("eltype", name)) return true;
    if (!type_id("eltype", supertype)) {
        err = "supertype \"" + supertype + "\" of element type \"" + name + "\" does not exist";
        return false;
    }
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {}}, "mkeltype", err)) return false;
    ccsub::TypeRec t;
    t.vob_id = vob_.id;
    t.kind = "eltype";
    t.name = name;
    t.scope = "ordinary";
    t.supertype = supertype;
    t.comment = "Created by clearimport";
    if (!ccsub::create_type(st_, t)) {
        err = strip_period(st_.error());
        return false;
    }
    types_["eltype:" + name] = t.id;
    return sp.done();
}

bool StoreTarget::checkout_dir(const std::string& rel, Node& dir, std::string& err) {
    if (dir.co_id) return true;
    // A checkout this view already holds is used and left checked out: the
    // caller (the receiver) checks it in itself.
    if (auto co = st_.checkout_in_view(dir.eid, view_.id)) {
        dir.co_id = co->id;
        return true;
    }
    auto el = st_.element(dir.eid);
    auto selected = st_.version(dir.version_id);
    if (!el || !selected) {
        err = "directory \"" + rel + "\" has no selected version to check out";
        return false;
    }
    ccsub::Selection sel = ctx_->select(*el, vob_path(rel));
    const std::string mkbranch =
        sel.rule >= 0 ? ctx_->spec().rules[static_cast<size_t>(sel.rule)].mkbranch : std::string();
    int64_t branch_id = selected->branch_id;
    int64_t pred = selected->id;
    if (!locks_allow(ccsub::LockScope{vob_.id, dir.eid, branch_id, {}}, "checkout", err)) return false;
    if (!mkbranch.empty()) {
        // As checkout does under a "-mkbranch" rule: the branch sprouts from the
        // selected version and the checkout is made on it.
        const int64_t bt = type_id("brtype", mkbranch);
        if (!bt) {
            err = "branch type \"" + mkbranch + "\" named by the config spec does not exist";
            return false;
        }
        if (auto existing = st_.branch_of_type(dir.eid, bt)) {
            branch_id = existing->id;
            auto latest = st_.latest_version(branch_id);
            if (latest) pred = latest->id;
        } else {
            if (!ccsub::create_branch(st_, dir.eid, bt, selected->id, "", branch_id)) {
                err = strip_period(st_.error());
                return false;
            }
            auto v0 = st_.version_by_num(branch_id, 0);
            if (v0) pred = v0->id;
        }
    } else if (auto latest = st_.latest_version(branch_id); latest && latest->id != selected->id) {
        err = "directory \"" + rel + "\" is not the latest version on its branch";
        return false;
    }
    int64_t co_id = 0;
    if (!ccsub::create_checkout(st_, dir.eid, branch_id, view_.id, pred, vob_path(rel), "", co_id)) {
        err = strip_period(st_.error());
        return false;
    }
    dir.co_id = co_id;
    checked_out_.push_back(rel);
    return true;
}

bool StoreTarget::add_entry(const std::string& rel, int64_t eid, ObjectKind kind, int64_t version, std::string& err) {
    const std::string parent = parent_rel(rel);
    Node* dir = node(parent);
    if (!dir || dir->kind != ObjectKind::directory) {
        err = "parent directory \"" + parent + "\" does not exist";
        return false;
    }
    if (!checkout_dir(parent, *dir, err)) return false;
    if (!ccsub::co_add_entry(st_, dir->co_id, name_of(rel), eid)) {
        err = strip_period(st_.error());
        return false;
    }
    nodes_[rel] = Node{eid, kind, 0, version};
    return true;
}

bool StoreTarget::make_directory(const std::string& rel, const std::string& comment, std::string& err) {
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {}}, "mkdir", err)) return false;
    int64_t eid = 0;
    if (!ccsub::create_element(st_, vob_.id, "directory", type_id("eltype", "directory"), comment, 0755, "", eid)) {
        err = strip_period(st_.error());
        return false;
    }
    auto main = st_.main_branch(eid);
    auto v0 = main ? st_.version_by_num(main->id, 0) : std::nullopt;
    if (!v0 || !add_entry(rel, eid, ObjectKind::directory, v0->id, err)) {
        if (err.empty()) err = "new directory has no version 0";
        nodes_.erase(rel);
        return false;
    }
    const auto text = ccsub::generic_event("mkelem", "directory element", vob_path(rel) + "@@", comment);
    event(text.op, text.kind, text.description, vob_path(rel) + "@@", text.comment, false, eid, 0, 0);
    trigger("mkelem", rel, vob_path(rel) + "@@", {});
    return sp.done();
}

bool StoreTarget::make_symlink(const std::string& rel, const std::string& text, const std::string& comment,
                               std::string& err) {
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {}}, "ln", err)) return false;
    int64_t eid = 0;
    if (!ccsub::create_element(st_, vob_.id, "slink", 0, comment, 0777, text, eid) ||
        !add_entry(rel, eid, ObjectKind::symlink, 0, err)) {
        if (err.empty()) err = strip_period(st_.error());
        nodes_.erase(rel);
        return false;
    }
    const auto ev = ccsub::generic_event("ln", "symbolic link", vob_path(rel), comment);
    event(ev.op, ev.kind, ev.description, vob_path(rel), ev.comment, false, eid, 0, 0);
    return sp.done();
}

bool StoreTarget::make_file_element(const std::string& rel, const std::string& eltype, const std::string& owner,
                                    const std::string& group, const std::string& permissions,
                                    const std::string& comment, std::string& err) {
    const int64_t et = type_id("eltype", eltype);
    if (!et) {
        err = "element type \"" + eltype + "\" does not exist";
        return false;
    }
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, 0, 0, {et}}, "mkelem", err)) return false;
    const int parsed = parse_permissions(permissions);
    int64_t eid = 0, main_id = 0, v0 = 0;
    if (!main_type_ || !insert_file_element(et, parsed >= 0 ? parsed : 0644, owner, group, comment, eid, main_id, v0)) {
        err = main_type_ ? "Database error: " + st_.db().error() : "branch type \"main\" does not exist";
        return false;
    }
    if (!add_entry(rel, eid, ObjectKind::file, v0, err)) {
        nodes_.erase(rel);
        return false;
    }
    branches_[eid].by_path["/main"] = main_id;
    const auto text = ccsub::generic_event("mkelem", "file element", vob_path(rel) + "@@", comment);
    event(text.op, text.kind, text.description, vob_path(rel) + "@@", text.comment, false, eid, 0, 0);
    trigger("mkelem", rel, vob_path(rel) + "@@", {});
    return sp.done();
}

StoreTarget::Branches& StoreTarget::branches(int64_t eid) {
    auto [it, fresh] = branches_.try_emplace(eid);
    if (fresh)
        for (const auto& b : st_.branches_of(eid)) it->second.by_path[st_.branch_path(b.id)] = b.id;
    return it->second;
}

int64_t StoreTarget::version_id(int64_t eid, const std::string& vid) {
    std::string branch;
    long num = 0;
    if (!split_version_id(vid, branch, num)) return 0;
    auto& b = branches(eid);
    auto it = b.by_path.find(branch);
    if (it == b.by_path.end()) return 0;
    ccsub::Stmt& q = stmt("SELECT id FROM versions WHERE branch_id=? AND num=?");
    q.bind(1, it->second).bind(2, static_cast<int64_t>(num));
    return q.step() ? q.i64(0) : 0;
}

bool StoreTarget::branch_exists(const std::string& rel, const std::string& branch_path) {
    Node* n = node(rel);
    return n && n->kind == ObjectKind::file && branches(n->eid).by_path.count(branch_path) > 0;
}

bool StoreTarget::version_exists(const std::string& rel, const std::string& vid) {
    Node* n = node(rel);
    return n && n->kind == ObjectKind::file && version_id(n->eid, vid) != 0;
}

std::optional<long> StoreTarget::latest_number(const std::string& rel, const std::string& branch_path) {
    Node* n = node(rel);
    if (!n || n->kind != ObjectKind::file) return std::nullopt;
    auto& b = branches(n->eid);
    auto it = b.by_path.find(branch_path);
    if (it == b.by_path.end()) return std::nullopt;
    ccsub::Stmt& q = stmt("SELECT max(num) FROM versions WHERE branch_id=?");
    q.bind(1, it->second);
    if (!q.step() || q.is_null(0)) return std::nullopt;
    return static_cast<long>(q.i64(0));
}

bool StoreTarget::make_branch(const std::string& rel, const std::string& branch_path, const std::string& origin_vid,
                              const std::string& comment, std::string& err) {
    Node* n = node(rel);
    if (!n || n->kind != ObjectKind::file) {
        err = "element does not exist";
        return false;
    }
    const std::string brtype(branch_type_of(branch_path));
    const int64_t bt = type_id("brtype", brtype);
    const int64_t origin = version_id(n->eid, origin_vid);
    if (!bt || !origin) {
        err = !bt ? "branch type \"" + brtype + "\" does not exist" : "origin version does not exist";
        return false;
    }
    auto ov = st_.version(origin);
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, n->eid, ov ? ov->branch_id : 0, {bt}}, "mkbranch", err)) return false;
    int64_t bid = 0;
    if (!ccsub::create_branch(st_, n->eid, bt, origin, comment, bid)) {
        err = strip_period(st_.error());
        return false;
    }
    branches(n->eid).by_path[branch_path] = bid;
    const std::string xpn = vob_path(rel) + "@@" + branch_path;
    const auto text = ccsub::generic_event("mkbranch", "branch", xpn, comment);
    event(text.op, text.kind, text.description, xpn, text.comment, false, n->eid, bid, 0);
    trigger("mkbranch", rel, xpn, {{"CLEARCASE_BRTYPE", brtype}});
    return sp.done();
}

bool StoreTarget::make_version(const std::string& rel, const std::string& branch_path, long number,
                               const std::string& data_file, const std::string& comment, std::string& err) {
    Node* n = node(rel);
    if (!n || n->kind != ObjectKind::file) {
        err = "element does not exist";
        return false;
    }
    auto& b = branches(n->eid);
    auto it = b.by_path.find(branch_path);
    if (it == b.by_path.end()) {
        err = "branch \"" + branch_path + "\" does not exist";
        return false;
    }
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, n->eid, it->second, {}}, "checkin", err)) return false;
    std::string hash;
    int64_t size = 0;
    if (!st_.put_content_file(data_file, hash, size)) {
        err = "unable to read data file \"" + data_file + "\"";
        return false;
    }
    const int64_t vid = insert_file_version(n->eid, it->second, number, hash, size, comment);
    if (!vid) {
        err = strip_period(st_.error());
        return false;
    }
    const std::string xpn = vob_path(rel) + "@@" + branch_path + "/" + std::to_string(number);
    const auto text = ccsub::generic_event("checkin", "version", xpn, comment);
    event(text.op, text.kind, text.description, xpn, text.comment, false, n->eid, it->second, vid);
    trigger("checkin", rel, xpn, {{"CLEARCASE_BRTYPE", std::string(branch_type_of(branch_path))}});
    return sp.done();
}

bool StoreTarget::set_label(const std::string& rel, const std::string& vid, const std::string& label,
                            std::string& err) {
    Node* n = node(rel);
    const int64_t v = n ? version_id(n->eid, vid) : 0;
    if (!v) {
        err = "version does not exist";
        return false;
    }
    Savepoint sp(*this);
    int64_t lt = 0;
    if (!ensure_named_type("lbtype", label, lt, err)) return false;
    {
        ccsub::Stmt q(st_.db(), "SELECT 1 FROM labels WHERE version_id=? AND lbtype_id=?");
        q.bind(1, v).bind(2, lt);
        if (q.step()) return sp.done();  // already there: nothing to record
    }
    auto ver = st_.version(v);
    if (!locks_allow(ccsub::LockScope{vob_.id, n->eid, ver ? ver->branch_id : 0, {lt}}, "mklabel", err)) return false;
    int64_t moved_from = 0;
    if (!ccsub::attach_label(st_, lt, v, true, &moved_from)) {
        err = strip_period(st_.error());
        return false;
    }
    const std::string base = vob_path(rel) + "@@";
    if (moved_from) {
        const std::string old_xpn = base + st_.version_vid(moved_from);
        const auto moved = ccsub::label_moved_event(label, "version", old_xpn, vid);
        event(moved.op, moved.kind, moved.description, old_xpn, moved.comment, true, n->eid, 0, moved_from);
    }
    const auto added = ccsub::label_added_event(label, "version", base + vid, vid);
    event(added.op, added.kind, added.description, base + vid, added.comment, true, n->eid, 0, v);
    trigger("mklabel", rel, base + vid, {{"CLEARCASE_LBTYPE", label}});
    return sp.done();
}

bool StoreTarget::set_attribute(const std::string& rel, const std::string& object, const std::string& name,
                                const std::string& value, std::string& err) {
    Node* n = node(rel);
    if (!n || n->kind != ObjectKind::file) {
        err = "element does not exist";
        return false;
    }
    std::string obj_kind, words;
    int64_t obj_id = 0, branch_id = 0;
    std::string vid_branch;
    long vid_num = 0;
    if (object.empty()) {
        obj_kind = "element", words = "file element", obj_id = n->eid;
    } else if (split_version_id(object, vid_branch, vid_num)) {
        obj_kind = "version", words = "version", obj_id = version_id(n->eid, object);
    } else {
        auto& br = branches(n->eid);
        auto it = br.by_path.find(object);
        obj_kind = "branch", words = "branch", obj_id = it == br.by_path.end() ? 0 : it->second;
        branch_id = obj_id;
    }
    if (!obj_id) {
        err = obj_kind + " \"" + object + "\" does not exist";
        return false;
    }
    Savepoint sp(*this);
    int64_t at = 0;
    if (!ensure_named_type("attype", name, at, err)) return false;
    // Values travel as describe shows them: strings quoted, numbers bare. A
    // quoted value is accepted for any value type.
    auto type = st_.type_by_id(at);
    std::string stored = value;
    const bool quoted = stored.size() >= 2 && stored.front() == '"' && stored.back() == '"';
    const bool is_string = !type || type->vtype.empty() || type->vtype == "string";
    if (is_string && !quoted) stored = "\"" + stored + "\"";
    if (!is_string && quoted) stored = stored.substr(1, stored.size() - 2);
    {
        ccsub::Stmt q(st_.db(), "SELECT value FROM attrs WHERE obj_kind=? AND obj_id=? AND attype_id=?");
        q.bind(1, obj_kind).bind(2, obj_id).bind(3, at);
        if (q.step() && q.text(0) == stored) return sp.done();  // unchanged: nothing to record
    }
    if (!locks_allow(ccsub::LockScope{vob_.id, n->eid, branch_id, {at}}, "mkattr", err)) return false;
    if (!ccsub::set_attr(st_, at, obj_kind, obj_id, n->eid, stored, true)) {
        err = strip_period(st_.error());
        return false;
    }
    const std::string xpn = vob_path(rel) + "@@" + object;
    const auto text = ccsub::attribute_added_event(name, words, xpn, ccsub::bare_attribute_value(stored));
    event(text.op, text.kind, text.description, xpn, text.comment, true, n->eid, branch_id,
          obj_kind == "version" ? obj_id : 0);
    trigger("mkattr", rel, xpn, {{"CLEARCASE_ATTYPE", name}});
    return sp.done();
}

bool StoreTarget::make_merge(const std::string& rel, const std::string& from_vid, const std::string& to_vid,
                             std::string& err) {
    Node* n = node(rel);
    const int64_t from = n ? version_id(n->eid, from_vid) : 0, to = n ? version_id(n->eid, to_vid) : 0;
    const int64_t ht = type_id("hltype", "Merge");
    if (!from || !to || !ht) {
        err = !ht ? "hyperlink type \"Merge\" does not exist" : "merge arrow end does not exist";
        return false;
    }
    {
        ccsub::Stmt q(st_.db(), "SELECT 1 FROM hlinks WHERE hltype_id=? AND from_vid=? AND to_vid=?");
        q.bind(1, ht).bind(2, from).bind(3, to);
        if (q.step()) return true;
    }
    Savepoint sp(*this);
    if (!locks_allow(ccsub::LockScope{vob_.id, n->eid, 0, {}}, "mkhlink", err)) return false;
    if (!ccsub::add_hlink(st_, ht, from, to, "")) {
        err = strip_period(st_.error());
        return false;
    }
    const std::string xpn = vob_path(rel) + "@@" + to_vid;
    const auto text = ccsub::generic_event("mkhlink", "version", xpn, "");
    event(text.op, text.kind, text.description, xpn, text.comment, true, n->eid, 0, to);
    return sp.done();
}

bool StoreTarget::finish(std::string& err) {
    bool ok = true;
    // Children were added to their parents' checkouts; check in deepest first
    // so that a failure leaves parents consistent.
    for (auto it = checked_out_.rbegin(); it != checked_out_.rend(); ++it) {
        Node* dir = node(*it);
        if (!dir || !dir->co_id) continue;
        auto co = st_.checkout_by_id(dir->co_id);
        if (!co) continue;
        Savepoint sp(*this);
        int64_t vid = 0;
        if (!ccsub::create_version(st_, co->eid, co->branch_id, -1, "", 0, "", co->id, vid) ||
            !ccsub::remove_checkout(st_, co->id)) {
            err = "\"" + *it + "\": " + strip_period(st_.error());
            ok = false;
            continue;
        }
        dir->co_id = 0;
        dir->version_id = vid;
        const std::string xpn = vob_path(*it) + "@@" + st_.version_vid(vid);
        const auto text = ccsub::generic_event("checkin", "directory version", xpn, "");
        event(text.op, text.kind, text.description, xpn, text.comment, false, co->eid, co->branch_id, vid);
        sp.done();
    }
    checked_out_.clear();
    return ok;
}

}  // namespace ccx
