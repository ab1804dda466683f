// Removal commands: rmver, rmbranch, rmelem. No prompts: -force is
// accepted and implied.
#include <cstdio>
#include <set>

#include "clearcase/cleartool/objects.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/view/ops.h"

namespace ccsub {
namespace {

void record_removal(Store& st, const Resolved& r, const std::string& op, const std::string& what, const std::string& xp,
                    const std::string& comment, int64_t eid) {
    EventRec e;
    e.vob_id = r.elem.vob_id, e.op = op, e.mkind = element_kind_word(r.elem), e.name = xp;
    e.descr = "destroy " + what + " \"" + xp + "\"";
    e.comment = e.user_comment = comment;
    e.eid = eid;
    record_event(st, e);
}

int cmd_rmver(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"force", 1, false},
                        {"xbranch", 3, false},
                        {"xlabel", 3, false},
                        {"xattr", 3, false},
                        {"xhlink", 3, false},
                        {"data", 3, false},
                        {"version", 3, true},
                        {"vrange", 3, true}},
                       o, err) ||
        o.operands.empty())
        return usage_error("rmver", err.empty() ? "rmver [-xbr -xla -xat -xhl] version-pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        // An unknown -version leaves the operand as given.
        select_version_option(s.st, o, r);
        if (!r.has_xpn || r.obj != Resolved::Obj::Version) {
            s.st.set_error("Not a version: \"" + r.given + "\".");
            return 0;
        }
        auto v = s.st.version(r.version_id);
        if (v->num == 0) {
            s.st.set_error("Cannot remove version zero of a branch: \"" + r.given + "\".");
            return 0;
        }
        std::string id = std::to_string(v->id);
        auto count = [&](const std::string& q) { return s.st.db().scalar_i64(q + id).value_or(0); };
        if (!o.has("xlabel") && count("SELECT count(*) FROM labels WHERE version_id=") > 0) {
            s.st.set_error("Version \"" + r.given + "\" has labels: use -xlabel.");
            return 0;
        }
        if (!o.has("xattr") && count("SELECT count(*) FROM attrs WHERE obj_kind='version' AND obj_id=") > 0) {
            s.st.set_error("Version \"" + r.given + "\" has attributes: use -xattr.");
            return 0;
        }
        if (!o.has("xhlink") && count("SELECT count(*) FROM hlinks WHERE from_vid=" + id + " OR to_vid=") > 0) {
            s.st.set_error("Version \"" + r.given + "\" has hyperlinks: use -xhlink.");
            return 0;
        }
        if (!o.has("xbranch") && count("SELECT count(*) FROM branches WHERE origin_vid=") > 0) {
            s.st.set_error("Version \"" + r.given + "\" has subbranches: use -xbranch.");
            return 0;
        }
        if (count("SELECT count(*) FROM checkouts WHERE pred_vid=") > 0) {
            s.st.set_error("Version \"" + r.given + "\" is checked out.");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, v->branch_id, {}}, "rmver")) return 0;
        std::string vid = s.st.version_vid(v->id);
        auto b = s.st.branch(v->branch_id);
        auto bt = b ? s.st.type_by_id(b->brtype_id) : std::nullopt;
        auto env = trigger_env(s.st, r, vid, bt ? bt->name : "");
        if (!remove_version(s.st, v->id)) return 0;
        record_removal(s.st, r, "rmver", "version", r.vobpath + "@@" + vid, comment, r.eid);
        queue_triggers(s.st, r.elem.vob_id, "rmver", env);
        msg += "Removed version \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

int cmd_rmbranch(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"force", 1, false}}, o, err) || o.operands.empty())
        return usage_error("rmbranch", err.empty() ? "rmbranch branch-pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        if (!r.has_xpn || r.obj != Resolved::Obj::Branch) {
            s.st.set_error("Not a branch: \"" + r.given + "\".");
            return 0;
        }
        auto b = s.st.branch(r.branch_id);
        if (!b->parent_id) {
            s.st.set_error("Cannot remove the main branch: \"" + r.given + "\".");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, r.branch_id, {}}, "rmbranch")) return 0;
        std::string bp = s.st.branch_path(r.branch_id);
        auto bt = s.st.type_by_id(b->brtype_id);
        auto env = trigger_env(s.st, r, bp, bt ? bt->name : "");
        if (!remove_branch(s.st, r.branch_id)) return 0;
        record_removal(s.st, r, "rmbranch", "branch", r.vobpath + "@@" + bp, comment, r.eid);
        queue_triggers(s.st, r.elem.vob_id, "rmbranch", env);
        msg += "Removed branch \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

int cmd_rmelem(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"force", 1, false}}, o, err) || o.operands.empty())
        return usage_error("rmelem", err.empty() ? "rmelem pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        if (r.has_xpn && r.obj != Resolved::Obj::Element) {
            s.st.set_error("Not an element: \"" + r.given + "\".");
            return 0;
        }
        if (!r.parent_eid) {
            s.st.set_error("Cannot remove the VOB root directory.");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, 0, {}}, "rmelem")) return 0;
        // Directory elements take everything below them (in any of their
        // versions) that is not also entered in a directory that stays.
        std::vector<int64_t> doomed{r.eid};
        std::set<int64_t> in{r.eid};
        for (size_t i = 0; i < doomed.size(); ++i) {
            Stmt q(s.st.db(),
                   "SELECT DISTINCT d.eid FROM dirents d JOIN versions v ON v.id=d.version_id WHERE v.eid=?");
            q.bind(1, doomed[i]);
            while (q.step())
                if (in.insert(q.i64(0)).second) doomed.push_back(q.i64(0));
        }
        for (bool changed = true; changed;) {
            changed = false;
            for (size_t i = 1; i < doomed.size(); ++i) {
                if (!in.count(doomed[i])) continue;
                Stmt p(s.st.db(),
                       "SELECT v.eid FROM dirents d JOIN versions v ON v.id=d.version_id WHERE d.eid=?1 "
                       "UNION SELECT c.eid FROM co_dirents d JOIN checkouts c ON c.id=d.co_id WHERE d.eid=?1");
                p.bind(1, doomed[i]);
                bool outside = false;
                while (p.step()) outside = outside || !in.count(p.i64(0));
                if (outside) {
                    in.erase(doomed[i]);
                    changed = true;
                }
            }
        }
        std::erase_if(doomed, [&](int64_t e) { return !in.count(e); });
        auto env = trigger_env(s.st, r, "", "");
        for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
            if (!remove_element(s.st, *it)) return 0;
        record_removal(s.st, r, "rmelem", element_kind_word(r.elem), r.vobpath, comment, 0);
        queue_triggers(s.st, r.elem.vob_id, "rmelem", env);
        msg += "Removed element \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

}  // namespace

CLEARTOOL_COMMAND("rmver", cmd_rmver);
CLEARTOOL_COMMAND("rmbranch", cmd_rmbranch);
CLEARTOOL_COMMAND("rmelem", cmd_rmelem);

}  // namespace ccsub
