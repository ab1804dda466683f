#include "clearcase/store/mutate.h"

#include <unistd.h>

#include <algorithm>
#include <random>

#include "clearcase/store/type_names.h"
#include "clearcase/util/shell.h"
#include "clearcase/util/sys.h"

namespace ccsub {

namespace {

int fail(Store& st, std::string msg) {
    st.set_error(std::move(msg));
    return 0;
}

int db_fail(Store& st) {
    return fail(st, "Database error: " + st.db().error());
}

std::string make_oid(const std::string& tag) {
    std::random_device rd;
    std::string seed = tag + ":" + std::to_string(now_seconds()) + ":" + std::to_string(::getpid()) + ":" +
                       std::to_string(rd()) + std::to_string(rd());
    std::string h = sha256_hex(seed);
    return h.substr(0, 8) + "." + h.substr(8, 8) + "." + h.substr(16, 4) + "." + h.substr(20, 2) + ":" +
           h.substr(22, 2) + ":" + h.substr(24, 2) + ":" + h.substr(26, 2) + ":" + h.substr(28, 2) + ":" +
           h.substr(30, 2);
}

int64_t insert_type(Store& st, int64_t vob_id, const char* kind, const char* name, const char* supertype,
                    int64_t created, const std::string& owner) {
    Stmt s(st.db(),
           "INSERT INTO types(vob_id,kind,name,scope,supertype,predefined,created,owner,comment) "
           "VALUES(?,?,?,'ordinary',?,1,?,?,'Predefined type')");
    s.bind(1, vob_id).bind(2, kind).bind(3, name).bind(4, supertype).bind(5, created).bind(6, owner);
    return s.exec() ? st.db().last_rowid() : 0;
}

}  // namespace

int create_vob(Store& st, const std::string& tag, const std::string& storage, const std::string& comment,
               bool is_public, VobRec& out) {
    if (st.vob_by_tag(tag)) return fail(st, "Tag \"" + tag + "\" already exists.");
    for (auto& v : st.vobs())
        if (path_within(v.tag, tag) || path_within(tag, v.tag))
            return fail(st, "VOB tag \"" + tag + "\" overlaps existing tag \"" + v.tag + "\".");
    int64_t now = st.now();
    Stmt s(st.db(), "INSERT INTO vobs(tag,storage,oid,mounted,public,created,owner,comment) VALUES(?,?,?,1,?,?,?,?)");
    s.bind(1, tag).bind(2, storage).bind(3, make_oid(tag)).bind(4, is_public ? 1 : 0).bind(5, now);
    s.bind(6, st.user()).bind(7, comment);
    if (!s.exec()) return db_fail(st);
    int64_t vob_id = st.db().last_rowid();
    // Element types are created one second apart (the ordering rule for
    // element type creation stamps); the base types come first.
    struct P {
        const char* kind;
        const char* name;
        const char* super;
    };
    const P predefined[] = {{"brtype", "main", ""},
                            {"lbtype", "LATEST", ""},
                            {"lbtype", "BACKSTOP", ""},
                            {"lbtype", "CHECKEDOUT", ""},
                            {"hltype", "Merge", ""},
                            {"eltype", "file", ""},
                            {"eltype", "directory", ""},
                            {"eltype", "text_file", "file"},
                            {"eltype", "compressed_file", "file"},
                            {"eltype", "binary_delta_file", "file"},
                            {"eltype", "compressed_text_file", "text_file"}};
    int64_t stamp = now;
    for (auto& p : predefined) {
        bool el = std::string(p.kind) == "eltype";
        if (!insert_type(st, vob_id, p.kind, p.name, p.super, el ? stamp : now, st.user())) return db_fail(st);
        if (el) ++stamp;
    }
    auto dirtype = st.type(vob_id, "eltype", "directory");
    int64_t root = 0, lf = 0;
    if (!create_element(st, vob_id, "directory", dirtype->id, comment, 0775, "", root)) return 0;
    if (!create_element(st, vob_id, "directory", dirtype->id, "", 0775, "", lf)) return 0;
    auto mb = st.main_branch(root);
    auto v0 = st.version_by_num(mb->id, 0);
    Stmt e(st.db(), "INSERT INTO dirents(version_id,name,eid) VALUES(?,'lost+found',?)");
    e.bind(1, v0->id).bind(2, lf);
    if (!e.exec()) return db_fail(st);
    Stmt u(st.db(), "UPDATE vobs SET root_eid=? WHERE id=?");
    u.bind(1, root).bind(2, vob_id);
    if (!u.exec()) return db_fail(st);
    out = *st.vob_by_id(vob_id);
    st.touch_all();
    return 1;
}

int remove_vob(Store& st, int64_t vob_id) {
    const char* sqls[] = {
        "DELETE FROM dirents WHERE version_id IN (SELECT v.id FROM versions v JOIN elements e ON e.id=v.eid WHERE "
        "e.vob_id=?1)",
        "DELETE FROM co_dirents WHERE co_id IN (SELECT c.id FROM checkouts c JOIN elements e ON e.id=c.eid WHERE "
        "e.vob_id=?1)",
        "DELETE FROM checkouts WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM labels WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM attrs WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM hlinks WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM versions WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM branches WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM mat WHERE eid IN (SELECT id FROM elements WHERE vob_id=?1)",
        "DELETE FROM elements WHERE vob_id=?1",
        "DELETE FROM locks WHERE vob_id=?1",
        "DELETE FROM events WHERE vob_id=?1",
        "DELETE FROM types WHERE vob_id=?1",
        "DELETE FROM vobs WHERE id=?1"};
    for (auto* q : sqls) {
        Stmt s(st.db(), q);
        s.bind(1, vob_id);
        if (!s.exec()) return db_fail(st);
    }
    st.touch_all();
    return 1;
}

int create_view(Store& st, const std::string& tag, const std::string& storage, ViewRec& out) {
    if (st.view_by_tag(tag)) return fail(st, "View tag \"" + tag + "\" already exists.");
    Stmt s(st.db(), "INSERT INTO views(tag,storage,config_spec,created,owner) VALUES(?,?,?,?,?)");
    s.bind(1, tag).bind(2, storage).bind(3, "element * CHECKEDOUT\nelement * /main/LATEST\n");
    s.bind(4, st.now()).bind(5, st.user());
    if (!s.exec()) return db_fail(st);
    out = *st.view_by_tag(tag);
    return 1;
}

int remove_view(Store& st, int64_t view_id) {
    const char* sqls[] = {"DELETE FROM co_dirents WHERE co_id IN (SELECT id FROM checkouts WHERE view_id=?1)",
                          "DELETE FROM checkouts WHERE view_id=?1", "DELETE FROM mat WHERE view_id=?1",
                          "DELETE FROM views WHERE id=?1"};
    for (auto* q : sqls) {
        Stmt s(st.db(), q);
        s.bind(1, view_id);
        if (!s.exec()) return db_fail(st);
    }
    st.touch_all();
    return 1;
}

int create_type(Store& st, TypeRec& t) {
    if (!valid_type_name(t.name)) return fail(st, invalid_type_name_message(t.name));
    int64_t created = st.now();
    if (t.kind == "eltype") {
        auto last = st.db().scalar_i64("SELECT max(created) FROM types WHERE vob_id=" + std::to_string(t.vob_id) +
                                       " AND kind='eltype'");
        if (last && *last >= created) created = *last + 1;
    }
    Stmt s(st.db(),
           "INSERT INTO types(vob_id,kind,name,scope,pbranch,vp,vtype,default_value,supertype,tr_ops,tr_when,"
           "tr_exec,predefined,created,owner,comment) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,0,?,?,?)");
    s.bind(1, t.vob_id).bind(2, t.kind).bind(3, t.name).bind(4, t.scope.empty() ? "ordinary" : t.scope);
    s.bind(5, t.pbranch ? 1 : 0).bind(6, t.vp).bind(7, t.vtype);
    if (t.has_default)
        s.bind(8, t.default_value);
    else
        s.bind_null(8);
    s.bind(9, t.supertype).bind(10, t.tr_ops).bind(11, t.tr_when).bind(12, t.tr_exec).bind(13, created);
    s.bind(14, st.user()).bind(15, t.comment);
    if (!s.exec()) return db_fail(st);
    t.id = st.db().last_rowid();
    t.created = created;
    return 1;
}

int create_element(Store& st, int64_t vob_id, const std::string& kind, int64_t eltype_id, const std::string& comment,
                   int perms, const std::string& slink_text, int64_t& eid) {
    int64_t now = st.now();
    Stmt s(st.db(),
           "INSERT INTO elements(vob_id,kind,eltype_id,owner,grp,perms,slink_text,created,user,comment) "
           "VALUES(?,?,?,?,?,?,?,?,?,?)");
    s.bind(1, vob_id).bind(2, kind);
    if (eltype_id)
        s.bind(3, eltype_id);
    else
        s.bind_null(3);
    s.bind(4, st.user()).bind(5, current_group()).bind(6, perms).bind(7, slink_text).bind(8, now).bind(9, st.user());
    s.bind(10, comment);
    if (!s.exec()) return db_fail(st);
    eid = st.db().last_rowid();
    if (kind != "slink") {
        auto main = st.type(vob_id, "brtype", "main");
        if (!main) return fail(st, "Branch type \"main\" is missing.");
        Stmt b(st.db(),
               "INSERT INTO branches(eid,brtype_id,parent_id,origin_vid,created,user,comment) "
               "VALUES(?,?,NULL,NULL,?,?,?)");
        b.bind(1, eid).bind(2, main->id).bind(3, now).bind(4, st.user()).bind(5, comment);
        if (!b.exec()) return db_fail(st);
        int64_t bid = st.db().last_rowid();
        Stmt v(st.db(),
               "INSERT INTO versions(eid,branch_id,num,content,size,created,user,comment) "
               "VALUES(?,?,0,NULL,0,?,?,?)");
        v.bind(1, eid).bind(2, bid).bind(3, now).bind(4, st.user()).bind(5, comment);
        if (!v.exec()) return db_fail(st);
    }
    st.touch(eid);
    return 1;
}

int create_branch(Store& st, int64_t eid, int64_t brtype_id, int64_t origin_vid, const std::string& comment,
                  int64_t& branch_id) {
    auto origin = st.version(origin_vid);
    if (!origin || origin->eid != eid) return fail(st, "Origin version not found.");
    if (st.branch_of_type(eid, brtype_id)) {
        auto t = st.type_by_id(brtype_id);
        return fail(st, "Branch type \"" + (t ? t->name : std::string("?")) + "\" already used on this element.");
    }
    int64_t now = st.now();
    Stmt b(st.db(),
           "INSERT INTO branches(eid,brtype_id,parent_id,origin_vid,created,user,comment) "
           "VALUES(?,?,?,?,?,?,?)");
    b.bind(1, eid).bind(2, brtype_id).bind(3, origin->branch_id).bind(4, origin_vid).bind(5, now);
    b.bind(6, st.user()).bind(7, comment);
    if (!b.exec()) return db_fail(st);
    branch_id = st.db().last_rowid();
    Stmt v(st.db(),
           "INSERT INTO versions(eid,branch_id,num,content,size,created,user,comment) "
           "VALUES(?,?,0,?,?,?,?,?)");
    v.bind(1, eid).bind(2, branch_id);
    if (origin->content.empty())
        v.bind_null(3);
    else
        v.bind(3, origin->content);
    v.bind(4, origin->size).bind(5, now).bind(6, st.user()).bind(7, comment);
    if (!v.exec()) return db_fail(st);
    int64_t v0 = st.db().last_rowid();
    Stmt d(st.db(), "INSERT INTO dirents(version_id,name,eid) SELECT ?,name,eid FROM dirents WHERE version_id=?");
    d.bind(1, v0).bind(2, origin_vid);
    if (!d.exec()) return db_fail(st);
    st.touch(eid);
    return 1;
}

int create_version(Store& st, int64_t eid, int64_t branch_id, int64_t num, const std::string& content_hash,
                   int64_t size, const std::string& comment, int64_t entries_from_co, int64_t& version_id) {
    auto latest = st.latest_version(branch_id);
    if (num < 0) {
        // Numbers of removed versions are never handed out again.
        int64_t used = st.db()
                           .scalar_i64("SELECT CAST(value AS INTEGER) FROM meta WHERE key='branch_max:" +
                                       std::to_string(branch_id) + "'")
                           .value_or(-1);
        num = std::max(latest ? latest->num : -1, used) + 1;
    }
    if (latest && num <= latest->num)
        return fail(st, "Version number " + std::to_string(num) + " is not above the branch's latest (" +
                            std::to_string(latest->num) + ")");
    Stmt v(st.db(),
           "INSERT INTO versions(eid,branch_id,num,content,size,created,user,comment) "
           "VALUES(?,?,?,?,?,?,?,?)");
    v.bind(1, eid).bind(2, branch_id).bind(3, num);
    if (content_hash.empty())
        v.bind_null(4);
    else
        v.bind(4, content_hash);
    v.bind(5, size).bind(6, st.now()).bind(7, st.user()).bind(8, comment);
    if (!v.exec()) return db_fail(st);
    version_id = st.db().last_rowid();
    if (entries_from_co) {
        Stmt d(st.db(), "INSERT INTO dirents(version_id,name,eid) SELECT ?,name,eid FROM co_dirents WHERE co_id=?");
        d.bind(1, version_id).bind(2, entries_from_co);
        if (!d.exec()) return db_fail(st);
    } else if (latest) {
        Stmt d(st.db(), "INSERT INTO dirents(version_id,name,eid) SELECT ?,name,eid FROM dirents WHERE version_id=?");
        d.bind(1, version_id).bind(2, latest->id);
        if (!d.exec()) return db_fail(st);
    }
    st.touch(eid);
    return 1;
}

int create_checkout(Store& st, int64_t eid, int64_t branch_id, int64_t view_id, int64_t pred_vid,
                    const std::string& path, const std::string& comment, int64_t& co_id) {
    Stmt c(st.db(),
           "INSERT INTO checkouts(eid,branch_id,view_id,pred_vid,path,created,user,comment) "
           "VALUES(?,?,?,?,?,?,?,?)");
    c.bind(1, eid).bind(2, branch_id).bind(3, view_id).bind(4, pred_vid).bind(5, path).bind(6, st.now());
    c.bind(7, st.user()).bind(8, comment);
    if (!c.exec()) return db_fail(st);
    co_id = st.db().last_rowid();
    Stmt d(st.db(), "INSERT INTO co_dirents(co_id,name,eid) SELECT ?,name,eid FROM dirents WHERE version_id=?");
    d.bind(1, co_id).bind(2, pred_vid);
    if (!d.exec()) return db_fail(st);
    st.touch(eid);
    return 1;
}

int remove_checkout(Store& st, int64_t co_id) {
    auto co = st.checkout_by_id(co_id);
    if (!co) return fail(st, "Checkout not found.");
    Stmt d(st.db(), "DELETE FROM co_dirents WHERE co_id=?");
    d.bind(1, co_id);
    Stmt c(st.db(), "DELETE FROM checkouts WHERE id=?");
    c.bind(1, co_id);
    Stmt h(st.db(), "DELETE FROM hlinks WHERE to_vid=?");
    h.bind(1, -co_id);
    if (!d.exec() || !c.exec() || !h.exec()) return db_fail(st);
    st.touch(co->eid);
    return 1;
}

int co_add_entry(Store& st, int64_t co_id, const std::string& name, int64_t eid) {
    Stmt s(st.db(), "INSERT OR REPLACE INTO co_dirents(co_id,name,eid) VALUES(?,?,?)");
    s.bind(1, co_id).bind(2, name).bind(3, eid);
    if (!s.exec()) return db_fail(st);
    if (auto co = st.checkout_by_id(co_id)) st.touch(co->eid);
    return 1;
}

int co_remove_entry(Store& st, int64_t co_id, const std::string& name) {
    Stmt s(st.db(), "DELETE FROM co_dirents WHERE co_id=? AND name=?");
    s.bind(1, co_id).bind(2, name);
    if (!s.exec()) return db_fail(st);
    if (auto co = st.checkout_by_id(co_id)) st.touch(co->eid);
    return 1;
}

int attach_label(Store& st, int64_t lbtype_id, int64_t version_id, bool replace, int64_t* moved_from) {
    if (moved_from) *moved_from = 0;
    auto v = st.version(version_id);
    auto t = st.type_by_id(lbtype_id);
    if (!v || !t) return fail(st, "Version or label type not found.");
    Stmt q(st.db(), t->pbranch ? "SELECT version_id FROM labels WHERE lbtype_id=? AND eid=? AND branch_id=?"
                               : "SELECT version_id FROM labels WHERE lbtype_id=? AND eid=?");
    q.bind(1, lbtype_id).bind(2, v->eid);
    if (t->pbranch) q.bind(3, v->branch_id);
    int64_t existing = q.step() ? q.i64(0) : 0;
    if (existing == version_id) return 1;
    if (existing) {
        if (!replace)
            return fail(st,
                        "Label \"" + t->name + "\" already on element (version \"" + st.version_vid(existing) + "\").");
        if (!detach_label(st, lbtype_id, existing)) return 0;
        if (moved_from) *moved_from = existing;
    }
    Stmt s(st.db(), "INSERT INTO labels(version_id,lbtype_id,eid,branch_id,created) VALUES(?,?,?,?,?)");
    s.bind(1, version_id).bind(2, lbtype_id).bind(3, v->eid).bind(4, v->branch_id).bind(5, st.now());
    if (!s.exec()) return db_fail(st);
    st.touch(v->eid);
    return 1;
}

int detach_label(Store& st, int64_t lbtype_id, int64_t version_id) {
    Stmt s(st.db(), "DELETE FROM labels WHERE lbtype_id=? AND version_id=?");
    s.bind(1, lbtype_id).bind(2, version_id);
    if (!s.exec()) return db_fail(st);
    if (st.db().changes() == 0) return fail(st, "Label not found on version.");
    if (auto v = st.version(version_id)) st.touch(v->eid);
    return 1;
}

int set_attr(Store& st, int64_t attype_id, const std::string& obj_kind, int64_t obj_id, int64_t eid,
             const std::string& value, bool replace) {
    Stmt q(st.db(), "SELECT 1 FROM attrs WHERE obj_kind=? AND obj_id=? AND attype_id=?");
    q.bind(1, obj_kind).bind(2, obj_id).bind(3, attype_id);
    if (q.step() && !replace) return fail(st, "Attribute already exists on object.");
    Stmt s(st.db(), "INSERT OR REPLACE INTO attrs(obj_kind,obj_id,attype_id,eid,value,created) VALUES(?,?,?,?,?,?)");
    s.bind(1, obj_kind).bind(2, obj_id).bind(3, attype_id).bind(4, eid).bind(5, value).bind(6, st.now());
    if (!s.exec()) return db_fail(st);
    st.touch(eid);
    return 1;
}

int remove_attr(Store& st, int64_t attype_id, const std::string& obj_kind, int64_t obj_id) {
    Stmt s(st.db(), "DELETE FROM attrs WHERE obj_kind=? AND obj_id=? AND attype_id=?");
    s.bind(1, obj_kind).bind(2, obj_id).bind(3, attype_id);
    if (!s.exec()) return db_fail(st);
    if (st.db().changes() == 0) return fail(st, "Attribute not found on object.");
    return 1;
}

int add_hlink(Store& st, int64_t hltype_id, int64_t from_vid, int64_t to_vid, const std::string& comment) {
    auto a = st.version(from_vid);
    if (!a) return fail(st, "Version not found.");
    // A negative to_vid names a checkout: the arrow is completed at checkin.
    int64_t to_eid = 0;
    if (to_vid < 0) {
        auto co = st.checkout_by_id(-to_vid);
        if (!co) return fail(st, "Checkout not found.");
        to_eid = co->eid;
    } else if (auto b = st.version(to_vid)) {
        to_eid = b->eid;
    } else {
        return fail(st, "Version not found.");
    }
    Stmt q(st.db(), "SELECT 1 FROM hlinks WHERE hltype_id=? AND from_vid=? AND to_vid=?");
    q.bind(1, hltype_id).bind(2, from_vid).bind(3, to_vid);
    if (q.step()) return 1;
    Stmt s(st.db(), "INSERT INTO hlinks(hltype_id,from_vid,to_vid,eid,created,user,comment) VALUES(?,?,?,?,?,?,?)");
    s.bind(1, hltype_id).bind(2, from_vid).bind(3, to_vid).bind(4, to_eid).bind(5, st.now()).bind(6, st.user());
    s.bind(7, comment);
    if (!s.exec()) return db_fail(st);
    return 1;
}

int remove_hlink_between(Store& st, int64_t hltype_id, int64_t a_vid, int64_t b_vid) {
    Stmt s(st.db(),
           "DELETE FROM hlinks WHERE hltype_id=?1 AND ((from_vid=?2 AND to_vid=?3) OR (from_vid=?3 AND "
           "to_vid=?2))");
    s.bind(1, hltype_id).bind(2, a_vid).bind(3, b_vid);
    if (!s.exec()) return db_fail(st);
    if (st.db().changes() == 0) return fail(st, "No merge arrow between the two versions.");
    return 1;
}

static bool exec1(Store& st, const char* sql, int64_t id) {
    Stmt s(st.db(), sql);
    s.bind(1, id);
    return s.exec();
}

int remove_version(Store& st, int64_t version_id) {
    auto v = st.version(version_id);
    if (!v) return fail(st, "Version not found.");
    auto pred = st.predecessor(*v);
    Stmt mx(st.db(),
            "INSERT INTO meta(key,value) VALUES(?1,?2) ON CONFLICT(key) DO UPDATE SET "
            "value=max(CAST(value AS INTEGER), ?2)");
    mx.bind(1, "branch_max:" + std::to_string(v->branch_id)).bind(2, v->num);
    if (!mx.exec()) return db_fail(st);
    // Sub-branches sprouting here move to the predecessor.
    Stmt rb(st.db(), "UPDATE branches SET origin_vid=? WHERE origin_vid=?");
    if (pred)
        rb.bind(1, pred->id);
    else
        rb.bind_null(1);
    rb.bind(2, version_id);
    bool ok = rb.exec() && exec1(st, "DELETE FROM labels WHERE version_id=?", version_id) &&
              exec1(st, "DELETE FROM attrs WHERE obj_kind='version' AND obj_id=?", version_id) &&
              exec1(st, "DELETE FROM hlinks WHERE from_vid=?1 OR to_vid=?1", version_id) &&
              exec1(st, "DELETE FROM events WHERE version_id=?", version_id) &&
              exec1(st, "DELETE FROM dirents WHERE version_id=?", version_id) &&
              exec1(st, "DELETE FROM versions WHERE id=?", version_id);
    if (!ok) return db_fail(st);
    st.touch(v->eid);
    return 1;
}

int remove_branch(Store& st, int64_t branch_id) {
    auto b = st.branch(branch_id);
    if (!b) return fail(st, "Branch not found.");
    if (!b->parent_id) return fail(st, "Cannot remove the main branch.");
    for (auto& sub : st.sub_branches(branch_id))
        if (!remove_branch(st, sub.id)) return 0;
    for (auto& v : st.versions_of_branch(branch_id)) {
        bool ok = exec1(st, "DELETE FROM labels WHERE version_id=?", v.id) &&
                  exec1(st, "DELETE FROM attrs WHERE obj_kind='version' AND obj_id=?", v.id) &&
                  exec1(st, "DELETE FROM hlinks WHERE from_vid=?1 OR to_vid=?1", v.id) &&
                  exec1(st, "DELETE FROM events WHERE version_id=?", v.id) &&
                  exec1(st, "DELETE FROM dirents WHERE version_id=?", v.id);
        if (!ok) return db_fail(st);
    }
    bool ok =
        exec1(st, "DELETE FROM versions WHERE branch_id=?", branch_id) &&
        exec1(st, "DELETE FROM attrs WHERE obj_kind='branch' AND obj_id=?", branch_id) &&
        exec1(st, "DELETE FROM locks WHERE obj_kind='branch' AND obj_id=?", branch_id) &&
        exec1(st, "DELETE FROM events WHERE branch_id=?", branch_id) &&
        exec1(st, "DELETE FROM co_dirents WHERE co_id IN (SELECT id FROM checkouts WHERE branch_id=?)", branch_id) &&
        exec1(st, "DELETE FROM checkouts WHERE branch_id=?", branch_id) &&
        exec1(st, "DELETE FROM branches WHERE id=?", branch_id);
    if (!ok) return db_fail(st);
    st.touch(b->eid);
    return 1;
}

int remove_element(Store& st, int64_t eid) {
    // Parents whose entries name it must be refreshed in every view.
    {
        Stmt p(st.db(),
               "SELECT DISTINCT v.eid FROM dirents d JOIN versions v ON v.id=d.version_id WHERE d.eid=?1 "
               "UNION SELECT DISTINCT c.eid FROM co_dirents d JOIN checkouts c ON c.id=d.co_id WHERE d.eid=?1");
        p.bind(1, eid);
        while (p.step()) st.touch(p.i64(0));
    }
    bool ok = exec1(st, "DELETE FROM dirents WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM co_dirents WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM dirents WHERE version_id IN (SELECT id FROM versions WHERE eid=?)", eid) &&
              exec1(st, "DELETE FROM co_dirents WHERE co_id IN (SELECT id FROM checkouts WHERE eid=?)", eid) &&
              exec1(st, "DELETE FROM checkouts WHERE eid=?", eid) && exec1(st, "DELETE FROM labels WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM attrs WHERE eid=?", eid) && exec1(st, "DELETE FROM hlinks WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM events WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM locks WHERE obj_kind='element' AND obj_id=?", eid) &&
              exec1(st, "DELETE FROM locks WHERE obj_kind='branch' AND obj_id IN (SELECT id FROM branches WHERE eid=?)",
                    eid) &&
              exec1(st, "DELETE FROM versions WHERE eid=?", eid) &&
              exec1(st, "DELETE FROM branches WHERE eid=?", eid) && exec1(st, "DELETE FROM elements WHERE id=?", eid);
    if (!ok) return db_fail(st);
    st.touch(eid);
    return 1;
}

int remove_type(Store& st, int64_t type_id) {
    auto t = st.type_by_id(type_id);
    if (!t) return fail(st, "Type not found.");
    if (t->predefined) return fail(st, "Cannot remove predefined type \"" + t->name + "\".");
    bool ok = true;
    if (t->kind == "lbtype") {
        Stmt s(st.db(), "SELECT DISTINCT eid FROM labels WHERE lbtype_id=?");
        s.bind(1, type_id);
        while (s.step()) st.touch(s.i64(0));
        ok = exec1(st, "DELETE FROM labels WHERE lbtype_id=?", type_id);
    } else if (t->kind == "attype") {
        ok = exec1(st, "DELETE FROM attrs WHERE attype_id=?", type_id);
    } else if (t->kind == "hltype") {
        ok = exec1(st, "DELETE FROM hlinks WHERE hltype_id=?", type_id);
    } else if (t->kind == "brtype") {
        std::vector<int64_t> ids;
        Stmt s(st.db(), "SELECT id FROM branches WHERE brtype_id=?");
        s.bind(1, type_id);
        while (s.step()) ids.push_back(s.i64(0));
        for (auto id : ids)
            if (st.branch(id) && !remove_branch(st, id)) return 0;
    } else if (t->kind == "eltype") {
        auto n = st.db().scalar_i64("SELECT count(*) FROM elements WHERE eltype_id=" + std::to_string(type_id));
        if (n && *n > 0) return fail(st, "Element type \"" + t->name + "\" is in use.");
    }
    // Events of the removed instances (labels, attributes, hyperlinks of
    // the type) and of the type itself go with them.
    ok = ok && exec1(st, "DELETE FROM events WHERE type_id=?", type_id);
    ok = ok && exec1(st, "DELETE FROM locks WHERE obj_kind='type' AND obj_id=?", type_id) &&
         exec1(st, "DELETE FROM types WHERE id=?", type_id);
    if (!ok) return db_fail(st);
    return 1;
}

int record_event(Store& st, const EventRec& e) {
    Stmt s(st.db(),
           "INSERT INTO events(vob_id,time,user,op,mkind,descr,name,comment,user_comment,minor,eid,branch_id,"
           "version_id,type_id) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    s.bind(1, e.vob_id).bind(2, st.now()).bind(3, st.user()).bind(4, e.op).bind(5, e.mkind).bind(6, e.descr);
    s.bind(7, e.name).bind(8, e.comment).bind(9, e.user_comment).bind(10, e.minor ? 1 : 0);
    auto opt = [&](int i, int64_t v) {
        if (v)
            s.bind(i, v);
        else
            s.bind_null(i);
    };
    opt(11, e.eid), opt(12, e.branch_id), opt(13, e.version_id), opt(14, e.type_id);
    if (!s.exec()) return db_fail(st);
    return 1;
}

void queue_triggers(Store& st, int64_t vob_id, const std::string& op,
                    std::vector<std::pair<std::string, std::string>> env) {
    Stmt s(st.db(),
           "SELECT tr_exec FROM types WHERE vob_id=? AND kind='trtype' AND tr_exec<>'' AND tr_when='postop' "
           "AND (instr(tr_ops, ?) > 0 OR instr(tr_ops, ',all,') > 0) ORDER BY name");
    s.bind(1, vob_id).bind(2, "," + op + ",");
    while (s.step()) {
        PendingTrigger p;
        p.exec = s.text(0);
        p.env = env;
        p.env.emplace_back("CLEARCASE_OP_KIND", op);
        p.env.emplace_back("CLEARCASE_USER", st.user());
        if (auto v = st.vob_by_id(vob_id)) p.env.emplace_back("CLEARCASE_VOB_PN", v->tag);
        st.pending_triggers().push_back(std::move(p));
    }
}

void run_pending_triggers(Store& st) {
    auto list = std::move(st.pending_triggers());
    st.pending_triggers().clear();
    for (auto& t : list) {
        ShellEnv env;
        env.set = t.env;
        run_shell(t.exec, env);
    }
}

std::string element_kind_word(const ElementRec& e) {
    if (e.is_dir()) return "directory element";
    if (e.is_slink()) return "symbolic link";
    return "file element";
}

}  // namespace ccsub
