#include "clearcase/view/ops.h"

#include <sys/stat.h>

#include <cstdlib>
#include <set>

#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/util/sys.h"

namespace ccsub {

namespace {
int fail(Store& st, std::string m) {
    st.set_error(std::move(m));
    return 0;
}
std::string rel_name(const Resolved& r) {
    return r.given.empty() ? r.vobpath : r.given;
}
}  // namespace

std::string vob_xp(Store& st, const Resolved& r, int64_t version_id) {
    return r.vobpath + "@@" + (version_id ? st.version_vid(version_id) : std::string());
}

std::vector<std::pair<std::string, std::string>> trigger_env(Store& st, const Resolved& r, const std::string& vid,
                                                             const std::string& brtype) {
    // Inside setview, pathnames are VOB-tag-rooted as the user sees them.
    const char* root = std::getenv("CLEARCASE_ROOT");
    std::string pn = (root && *root) ? r.vobpath : r.view_path;
    std::vector<std::pair<std::string, std::string>> env = {{"CLEARCASE_PN", pn}};
    env.emplace_back("CLEARCASE_XPN", vid.empty() ? pn : pn + "@@" + vid);
    if (!vid.empty()) env.emplace_back("CLEARCASE_ID_STR", vid);
    if (!brtype.empty()) env.emplace_back("CLEARCASE_BRTYPE", brtype);
    env.emplace_back("CLEARCASE_VIEW_TAG", r.view.tag);
    auto et = st.type_by_id(r.elem.eltype_id);
    env.emplace_back("CLEARCASE_ELTYPE", et ? et->name : "");
    // The kind of object operated on: the element itself, one of its
    // branches (a version id without a number at the end) or a version.
    std::string mtype = "element";
    if (!vid.empty()) {
        std::string last = vid.substr(vid.rfind('/') + 1);
        bool number = !last.empty() && last.find_first_not_of("0123456789") == std::string::npos;
        mtype = number ? "version" : "branch";
    }
    env.emplace_back("CLEARCASE_MTYPE", mtype);
    return env;
}

int checkout_element(Store& st, Resolved& r, const CheckoutOpts& o, int64_t& co_id, std::string& msg) {
    if (!r.exists()) return fail(st, "Unable to access \"" + rel_name(r) + "\": No such file or directory.");
    if (r.elem.is_slink()) return fail(st, "Symbolic links cannot be checked out: \"" + rel_name(r) + "\".");
    if (auto co = st.checkout_in_view(r.eid, r.view.id))
        return fail(st, "Element \"" + rel_name(r) + "\" is already checked out to view \"" + r.view.tag + "\".");
    ViewCtx ctx(st, r.view);
    int64_t base_vid = r.has_xpn ? r.version_id : r.sel.version_id;
    if (r.has_xpn && r.obj == Resolved::Obj::Branch)
        if (auto lv = st.latest_version(r.branch_id)) base_vid = lv->id;
    if (!base_vid) return fail(st, "No version of \"" + rel_name(r) + "\" is selected by the view.");
    auto base = st.version(base_vid);
    std::string mkbranch;
    if (!r.has_xpn && r.sel.rule >= 0) {
        const CsRule& rule = ctx.spec().rules[static_cast<size_t>(r.sel.rule)];
        if (rule.nocheckout)
            return fail(st, "Config spec rule \"" + rule.text + "\" prevents checkout of \"" + rel_name(r) + "\".");
        if (!o.ignore_rule_branch) mkbranch = rule.mkbranch;
    }
    int64_t branch_id = base->branch_id, pred = base_vid;
    std::string brname;
    if (!mkbranch.empty()) {
        auto bt = st.type(r.elem.vob_id, "brtype", mkbranch);
        if (!bt) return fail(st, "Branch type not found: \"" + mkbranch + "\".");
        if (auto existing = st.branch_of_type(r.eid, bt->id)) {
            branch_id = existing->id;
            pred = st.latest_version(existing->id)->id;
        } else {
            LockScope ls{r.elem.vob_id, r.eid, 0, {bt->id}};
            if (!check_locks(st, ls, "mkbranch")) return 0;
            if (!create_branch(st, r.eid, bt->id, base_vid, o.comment, branch_id)) return 0;
            pred = st.version_by_num(branch_id, 0)->id;
            msg += "Created branch \"" + mkbranch + "\" from \"" + rel_name(r) + "\" version \"" +
                   st.version_vid(base_vid) + "\".\n";
            EventRec e;
            e.vob_id = r.elem.vob_id, e.op = "mkbranch", e.mkind = "branch";
            e.name = r.vobpath + "@@" + st.branch_path(branch_id);
            e.descr = "create branch \"" + e.name + "\"";
            e.user_comment = e.comment = o.comment;
            e.eid = r.eid, e.branch_id = branch_id;
            record_event(st, e);
            queue_triggers(st, r.elem.vob_id, "mkbranch", trigger_env(st, r, st.branch_path(branch_id), mkbranch));
        }
        brname = mkbranch;
    } else {
        auto latest = st.latest_version(branch_id);
        if (latest && latest->id != base_vid)
            return fail(st, "Version \"" + st.version_vid(base_vid) + "\" of \"" + rel_name(r) +
                                "\" is not the latest on its branch.");
    }
    if (!check_locks(st, LockScope{r.elem.vob_id, r.eid, branch_id, {}}, "checkout")) return 0;
    if (!o.unreserved)
        for (auto& other : st.checkouts_of(r.eid))
            if (other.branch_id == branch_id) {
                auto ov = st.view_by_id(other.view_id);
                return fail(st, "Element \"" + rel_name(r) + "\" is checked out reserved by view \"" +
                                    (ov ? ov->tag : std::string("?")) + "\".");
            }
    if (!create_checkout(st, r.eid, branch_id, r.view.id, pred, r.vobpath, o.comment, co_id)) return 0;
    std::string bpath = st.branch_path(branch_id);
    if (brname.empty()) {
        auto b = st.branch(branch_id);
        auto t = b ? st.type_by_id(b->brtype_id) : std::nullopt;
        brname = t ? t->name : "";
    }
    msg += "Checked out \"" + rel_name(r) + "\" from version \"" + st.version_vid(pred) + "\".\n";
    EventRec e;
    e.vob_id = r.elem.vob_id, e.op = "checkout", e.mkind = r.elem.is_dir() ? "directory version" : "version";
    e.name = r.vobpath + "@@" + bpath + "/CHECKEDOUT";
    e.descr = "checkout " + e.mkind + " \"" + e.name + "\" from " + st.version_vid(pred) + " (reserved)";
    e.user_comment = e.comment = o.comment;
    e.eid = r.eid, e.branch_id = branch_id;
    record_event(st, e);
    queue_triggers(st, r.elem.vob_id, "checkout", trigger_env(st, r, bpath + "/CHECKEDOUT", brname));
    r.sel = Selection{};
    r.sel.co_id = co_id;
    return 1;
}

int checkin_element(Store& st, Resolved& r, const CheckinOpts& o, int64_t& version_id, std::string& msg) {
    if (!r.exists()) return fail(st, "Unable to access \"" + rel_name(r) + "\": No such file or directory.");
    auto co = st.checkout_in_view(r.eid, r.view.id);
    if (!co) return fail(st, "No branch of element is checked out to view \"" + r.view.tag + "\".");
    if (!check_locks(st, LockScope{r.elem.vob_id, r.eid, co->branch_id, {}}, "checkin")) return 0;
    std::string hash;
    int64_t size = 0;
    if (!r.elem.is_dir()) {
        std::string file = view_root() + "/" + r.view.tag + co->path;
        if (!st.put_content_file(file, hash, size))
            return fail(st, "Unable to read the checked-out file \"" + file + "\".");
        auto pred = st.version(co->pred_vid);
        if (!o.identical && pred && pred->content == hash && co->pred_vid) {
            // Checking in unchanged data needs -identical; version 0 of a
            // new branch or element is the usual exception.
            auto latest = st.latest_version(co->branch_id);
            bool fresh = latest && latest->num == 0;
            if (!fresh) return fail(st, "By default, won't create version with data identical to predecessor.");
        }
    }
    std::string comment = o.has_comment ? o.comment : co->comment;
    if (!create_version(st, r.eid, co->branch_id, -1, hash, size, comment, r.elem.is_dir() ? co->id : 0, version_id))
        return 0;
    Stmt h(st.db(), "UPDATE hlinks SET to_vid=? WHERE to_vid=?");
    h.bind(1, version_id).bind(2, -co->id);
    if (!h.exec()) return fail(st, st.db().error());
    if (!remove_checkout(st, co->id)) return 0;
    std::string vid = st.version_vid(version_id);
    msg += "Checked in \"" + rel_name(r) + "\" version \"" + vid + "\".\n";
    EventRec e;
    e.vob_id = r.elem.vob_id, e.op = "checkin", e.mkind = r.elem.is_dir() ? "directory version" : "version";
    e.name = r.vobpath + "@@" + vid;
    e.descr = "create " + e.mkind + " \"" + e.name + "\"";
    e.user_comment = e.comment = comment;
    e.eid = r.eid, e.branch_id = co->branch_id, e.version_id = version_id;
    record_event(st, e);
    auto b = st.branch(co->branch_id);
    auto t = b ? st.type_by_id(b->brtype_id) : std::nullopt;
    queue_triggers(st, r.elem.vob_id, "checkin", trigger_env(st, r, vid, t ? t->name : ""));
    return 1;
}

int enter_in_lost_found(Store& st, const VobRec& vob, const std::string& name, int64_t eid) {
    auto root_main = st.main_branch(vob.root_eid);
    auto root_v = root_main ? st.latest_version(root_main->id) : std::nullopt;
    auto lf = root_v ? st.dir_entry(root_v->id, "lost+found") : std::nullopt;
    if (!lf) return fail(st, "The VOB has no lost+found directory.");
    auto lf_main = st.main_branch(*lf);
    int64_t vid = 0;
    if (!lf_main || !create_version(st, *lf, lf_main->id, -1, "", 0, "", 0, vid)) return 0;
    Stmt e(st.db(), "INSERT OR REPLACE INTO dirents(version_id,name,eid) VALUES(?,?,?)");
    e.bind(1, vid).bind(2, name + "." + std::to_string(eid)).bind(3, eid);
    if (!e.exec()) return fail(st, st.db().error());
    st.touch(*lf);
    return 1;
}

int uncheckout_element(Store& st, Resolved& r, bool keep, std::string& msg) {
    if (!r.exists()) return fail(st, "Unable to access \"" + rel_name(r) + "\": No such file or directory.");
    auto co = st.checkout_in_view(r.eid, r.view.id);
    if (!co) return fail(st, "Element \"" + rel_name(r) + "\" is not checked out to view \"" + r.view.tag + "\".");
    if (!check_locks(st, LockScope{r.elem.vob_id, r.eid, 0, {}}, "uncheckout")) return 0;
    if (keep && !r.elem.is_dir()) {
        std::string file = view_root() + "/" + r.view.tag + co->path;
        std::string data;
        if (read_file(file, data)) {
            write_file(file + ".keep", data, 0644);
            msg += "Private version of \"" + rel_name(r) + "\" saved in \"" + rel_name(r) + ".keep\".\n";
        }
    }
    int64_t branch_id = co->branch_id;
    // Elements created in a directory checkout that is now cancelled would
    // be named nowhere: they go to the VOB's lost+found, as in ClearCase.
    std::vector<DirEntry> orphans;
    if (r.elem.is_dir()) {
        std::set<int64_t> kept;
        for (auto& d : st.dir_entries(co->pred_vid)) kept.insert(d.eid);
        for (auto& d : st.co_entries(co->id)) {
            if (kept.count(d.eid)) continue;
            Stmt q(st.db(),
                   "SELECT (SELECT count(*) FROM dirents WHERE eid=?1) + "
                   "(SELECT count(*) FROM co_dirents WHERE eid=?1 AND co_id<>?2)");
            q.bind(1, d.eid).bind(2, co->id);
            if (q.step() && q.i64(0) == 0) orphans.push_back(d);
        }
    }
    if (!remove_checkout(st, co->id)) return 0;
    for (auto& o : orphans) {
        if (!enter_in_lost_found(st, r.vob, o.name, o.eid)) return 0;
        msg += "Element \"" + o.name + "\" moved to lost+found.\n";
    }
    // A branch that now holds only its version 0 (typically made by
    // -mkbranch for this checkout) goes too.
    auto b = st.branch(branch_id);
    if (b && b->parent_id && st.sub_branches(branch_id).empty()) {
        auto vs = st.versions_of_branch(branch_id);
        auto lab = st.db().scalar_i64("SELECT count(*) FROM labels WHERE branch_id=" + std::to_string(branch_id));
        auto at = st.db().scalar_i64("SELECT count(*) FROM attrs WHERE obj_kind='branch' AND obj_id=" +
                                     std::to_string(branch_id));
        if (vs.size() == 1 && vs[0].num == 0 && lab.value_or(0) == 0 && at.value_or(0) == 0) {
            std::string bp = st.branch_path(branch_id);
            if (!remove_branch(st, branch_id)) return 0;
            msg += "Removed branch \"" + bp + "\" of \"" + rel_name(r) + "\".\n";
        }
    }
    msg += "Checkout cancelled for \"" + rel_name(r) + "\".\n";
    queue_triggers(st, r.elem.vob_id, "uncheckout", trigger_env(st, r, "", ""));
    return 1;
}

int make_element(Store& st, Resolved& r, const std::string& kind, const std::string& eltype,
                 const std::string& slink_text, const std::string& comment, int64_t& eid, std::string& msg) {
    if (r.exists()) return fail(st, "Entry named \"" + rel_name(r) + "\" already exists.");
    if (r.name.empty() || r.name.find("@@") != std::string::npos)
        return fail(st, "Invalid element name \"" + rel_name(r) + "\".");
    auto pco = st.checkout_in_view(r.parent_eid, r.view.id);
    if (!pco)
        return fail(st, "Can't modify directory \"" + dirname_of(rel_name(r)) + "\" because it is not checked out.");
    int64_t eltype_id = 0;
    std::vector<int64_t> types;
    if (kind != "slink") {
        auto t = st.type(r.vob.id, "eltype", eltype);
        if (!t) return fail(st, "Element type not found: \"" + eltype + "\".");
        eltype_id = t->id;
        types.push_back(t->id);
    }
    if (!check_locks(st, LockScope{r.vob.id, r.parent_eid, pco->branch_id, types}, "mkelem")) return 0;
    int perms = kind == "directory" ? 0755 : 0644;
    struct stat sb;
    std::string disk = r.view_path;
    if (kind == "file" && ::stat(disk.c_str(), &sb) == 0 && S_ISREG(sb.st_mode)) perms = sb.st_mode & 0777;
    if (kind == "slink") perms = 0777;
    if (!create_element(st, r.vob.id, kind, eltype_id, comment, perms, slink_text, eid)) return 0;
    if (!co_add_entry(st, pco->id, r.name, eid)) return 0;
    auto el = st.element(eid);
    r.eid = eid;
    r.elem = *el;
    if (kind == "slink") {
        msg += "Link created: \"" + rel_name(r) + "\".\n";
        return 1;
    }
    msg += "Created element \"" + rel_name(r) + "\" (type \"" + eltype + "\").\n";
    EventRec e;
    e.vob_id = r.vob.id, e.op = "mkelem", e.mkind = element_kind_word(*el);
    e.name = r.vobpath + "@@";
    e.descr = "create " + e.mkind + " \"" + e.name + "\"";
    e.user_comment = e.comment = comment;
    e.eid = eid;
    record_event(st, e);
    auto v0 = st.version_by_num(st.main_branch(eid)->id, 0);
    EventRec e0 = e;
    e0.op = "mkelem", e0.mkind = el->is_dir() ? "directory version" : "version";
    e0.name = r.vobpath + "@@/main/0";
    e0.descr = "create " + e0.mkind + " \"" + e0.name + "\"";
    e0.version_id = v0->id, e0.branch_id = v0->branch_id;
    record_event(st, e0);
    queue_triggers(st, r.vob.id, "mkelem", trigger_env(st, r, "/main/0", "main"));
    // The new element is visible through the parent's checkout; compute
    // what the view selects for it now.
    ViewCtx ctx(st, r.view);
    r.sel = ctx.select(*el, r.vobpath);
    return 1;
}

int make_branch(Store& st, Resolved& r, const std::string& brtype, const std::string& comment, int64_t& branch_id,
                std::string& msg) {
    if (!r.exists()) return fail(st, "Unable to access \"" + rel_name(r) + "\": No such file or directory.");
    auto bt = st.type(r.elem.vob_id, "brtype", brtype);
    if (!bt) return fail(st, "Branch type not found: \"" + brtype + "\".");
    int64_t vid = r.designated_version();
    if (!vid && r.sel.co_id) return fail(st, "Cannot create a branch at a checked-out version.");
    if (r.obj == Resolved::Obj::Branch)
        if (auto lv = st.latest_version(r.branch_id)) vid = lv->id;
    if (!vid) return fail(st, "No version selected for \"" + rel_name(r) + "\".");
    if (!check_locks(st, LockScope{r.elem.vob_id, r.eid, 0, {bt->id}}, "mkbranch")) return 0;
    if (!create_branch(st, r.eid, bt->id, vid, comment, branch_id)) return 0;
    msg += "Created branch \"" + brtype + "\" from \"" + rel_name(r) + "\" version \"" + st.version_vid(vid) + "\".\n";
    EventRec e;
    e.vob_id = r.elem.vob_id, e.op = "mkbranch", e.mkind = "branch";
    e.name = r.vobpath + "@@" + st.branch_path(branch_id);
    e.descr = "create branch \"" + e.name + "\"";
    e.user_comment = e.comment = comment;
    e.eid = r.eid, e.branch_id = branch_id;
    record_event(st, e);
    queue_triggers(st, r.elem.vob_id, "mkbranch", trigger_env(st, r, st.branch_path(branch_id), brtype));
    return 1;
}

}  // namespace ccsub
