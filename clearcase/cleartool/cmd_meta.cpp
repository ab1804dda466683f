// Metadata commands: mklabel, rmlabel, mkattr, rmattr, mkhlink, merge
// (-ndata: arrow only), rmmerge.
#include <cstdio>

#include "clearcase/cleartool/objects.h"
#include "clearcase/fmt/history_text.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/store/values.h"
#include "clearcase/view/ops.h"
#include "clearcase/view/select.h"
#include "clearcase/view/selector.h"

namespace ccsub {
namespace {

std::string bare_type_name(const std::string& t) {
    ObjSelector sel;
    if (parse_object_selector(t, "", sel)) return sel.name;
    return t;
}

// An event of this command with its texts as history readers expect them.
EventRec meta_event(int64_t vob_id, const EventText& text, const std::string& name, const std::string& user_comment) {
    EventRec e;
    e.vob_id = vob_id, e.op = text.op, e.minor = true, e.mkind = text.kind, e.name = name;
    e.descr = text.description;
    e.comment = text.comment;
    e.user_comment = user_comment;
    return e;
}

// Records a label or attribute change on a target (tied to its element,
// branch, version and type) and queues the operation's triggers, which see
// the type's name in CLEARCASE_LBTYPE or CLEARCASE_ATTYPE.
void record_meta_change(Store& st, const Resolved& r, const Target& t, const EventText& text, const TypeRec& type,
                        const std::string& comment) {
    EventRec e = meta_event(r.elem.vob_id, text, t.xp, comment);
    e.eid = r.eid, e.branch_id = t.branch_id, e.type_id = type.id;
    if (t.obj_kind == "version") e.version_id = t.obj_id;
    record_event(st, e);
    auto env = trigger_env(st, r, t.vid, "");
    env.emplace_back(type.kind == "lbtype" ? "CLEARCASE_LBTYPE" : "CLEARCASE_ATTYPE", type.name);
    queue_triggers(st, r.elem.vob_id, text.op, env);
}

int label_one(Store& st, const Resolved& r, const std::string& lbname, bool replace, const std::string& comment,
              std::string& msg) {
    Target t;
    std::string err;
    if (!target_of(st, r, t, err, true)) {
        st.set_error(err);
        return 0;
    }
    auto lt = st.type(r.elem.vob_id, "lbtype", lbname);
    if (!lt) {
        st.set_error("Label type not found: \"" + lbname + "\".");
        return 0;
    }
    if (!check_locks(st, LockScope{r.elem.vob_id, r.eid, t.branch_id, {lt->id}}, "mklabel")) return 0;
    int64_t moved = 0;
    bool already = st.db()
                       .scalar_i64("SELECT count(*) FROM labels WHERE lbtype_id=" + std::to_string(lt->id) +
                                   " AND version_id=" + std::to_string(t.obj_id))
                       .value_or(0) > 0;
    if (!attach_label(st, lt->id, t.obj_id, replace, &moved)) return 0;
    if (already) {
        msg += "Label \"" + lbname + "\" already on \"" + r.given + "\" version \"" + t.vid + "\".\n";
        return 1;
    }
    if (moved) {
        std::string old_vid = st.version_vid(moved);
        std::string old_xp = r.vobpath + "@@" + old_vid;
        EventRec e = meta_event(
            r.elem.vob_id, label_moved_event(lbname, r.elem.is_dir() ? "directory version" : "version", old_xp, t.vid),
            old_xp, comment);
        e.eid = r.eid, e.version_id = moved, e.type_id = lt->id;
        record_event(st, e);
        msg += "Moved label \"" + lbname + "\" on \"" + r.given + "\" from version \"" + old_vid + "\" to \"" + t.vid +
               "\".\n";
    } else {
        msg += "Created label \"" + lbname + "\" on \"" + r.given + "\" version \"" + t.vid + "\".\n";
    }
    record_meta_change(st, r, t, label_added_event(lbname, t.mkind, t.xp, t.vid), *lt, comment);
    return 1;
}

// Every element visible at or below a directory, as the view selects them.
void collect_tree(Store& st, ViewCtx& ctx, const Resolved& top, std::vector<Resolved>& out) {
    out.push_back(top);
    for (size_t i = 0; i < out.size(); ++i) {
        Resolved cur = out[i];
        if (!cur.elem.is_dir()) continue;
        std::vector<DirEntry> ents = cur.sel.co_id        ? st.co_entries(cur.sel.co_id)
                                     : cur.sel.version_id ? st.dir_entries(cur.sel.version_id)
                                                          : std::vector<DirEntry>{};
        for (auto& d : ents) {
            auto el = st.element(d.eid);
            if (!el || el->is_slink()) continue;
            Resolved c = cur;
            c.eid = d.eid, c.elem = *el, c.parent_eid = cur.eid, c.name = d.name;
            c.vobpath = cur.vobpath + "/" + d.name;
            c.view_path = cur.view_path + "/" + d.name;
            c.given = (cur.given == "." ? std::string() : cur.given + "/") + d.name;
            if (cur.given == ".") c.given = d.name;
            c.has_xpn = false;
            c.sel = ctx.select(*el, c.vobpath);
            if (c.sel.visible()) out.push_back(c);
        }
    }
}

int cmd_mklabel(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(
            args,
            {CC_COMMENT_OPTS, {"replace", 3, false}, {"recurse", 3, false}, {"version", 3, true}, {"follow", 3, false}},
            o, err) ||
        o.operands.size() < 2)
        return usage_error("mklabel", err.empty() ? "mklabel [-replace] [-recurse] label-type pname ..." : err);
    std::string lb = bare_type_name(o.operands[0]);
    std::vector<std::string> pnames(o.operands.begin() + 1, o.operands.end());
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = 0;
    for (auto& p : pnames) {
        Resolved r;
        if (!resolve_pname(s.st, p, r, err)) {
            status = cc_error(err);
            continue;
        }
        if (!select_version_option(s.st, o, r)) {
            status = cc_error("Version not found: \"" + o.get("version") + "\".");
            continue;
        }
        std::vector<Resolved> list;
        if (o.has("recurse") && r.elem.is_dir() && !r.has_xpn) {
            ViewCtx ctx(s.st, r.view);
            collect_tree(s.st, ctx, r, list);
        } else {
            list.push_back(r);
        }
        for (auto& one : list) {
            std::string msg;
            s.begin_operand();
            bool ok = label_one(s.st, one, lb, o.has("replace"), comment, msg) != 0;
            s.end_operand(ok);
            if (!ok)
                status = cc_error(s.st.error());
            else
                std::fputs(msg.c_str(), stdout);
        }
    }
    return s.finish(status);
}

int cmd_rmlabel(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"version", 3, true}, {"all", 3, false}}, o, err) ||
        o.operands.size() < 2)
        return usage_error("rmlabel", err.empty() ? "rmlabel label-type pname ..." : err);
    std::string lb = bare_type_name(o.operands[0]);
    std::vector<std::string> pnames(o.operands.begin() + 1, o.operands.end());
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, pnames, 0, [&](Resolved& r, std::string& msg) {
        Target t;
        std::string e2;
        if (!select_version_option(s.st, o, r)) {
            s.st.set_error("Version not found: \"" + o.get("version") + "\".");
            return 0;
        }
        if (!target_of(s.st, r, t, e2, true)) {
            s.st.set_error(e2);
            return 0;
        }
        auto lt = s.st.type(r.elem.vob_id, "lbtype", lb);
        if (!lt) {
            s.st.set_error("Label type not found: \"" + lb + "\".");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, t.branch_id, {lt->id}}, "rmlabel")) return 0;
        if (!detach_label(s.st, lt->id, t.obj_id)) {
            s.st.set_error("Label \"" + lb + "\" not attached to \"" + r.given + "\".");
            return 0;
        }
        record_meta_change(s.st, r, t, label_removed_event(lb, t.mkind, t.xp, t.vid), *lt, comment);
        msg += "Removed label \"" + lb + "\" from \"" + r.given + "\" version \"" + t.vid + "\".\n";
        return 1;
    });
    return s.finish(status);
}

int cmd_mkattr(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"replace", 3, false},
                        {"default", 3, false},
                        {"recurse", 3, false},
                        {"version", 3, true},
                        {"pname", 2, false}},
                       o, err))
        return usage_error("mkattr", err);
    size_t need = o.has("default") ? 2 : 3;
    if (o.operands.size() < need)
        return usage_error("mkattr", "mkattr [-replace] attribute-type {-default | value} pname ...");
    std::string at = bare_type_name(o.operands[0]);
    std::string raw = o.has("default") ? "" : o.operands[1];
    std::vector<std::string> pnames(o.operands.begin() + static_cast<long>(need - 1), o.operands.end());
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, pnames, 0, [&](Resolved& r, std::string& msg) {
        Target t;
        std::string e2;
        if (!target_of(s.st, r, t, e2)) {
            s.st.set_error(e2);
            return 0;
        }
        auto ty = s.st.type(r.elem.vob_id, "attype", at);
        if (!ty) {
            s.st.set_error("Attribute type not found: \"" + at + "\".");
            return 0;
        }
        if (!ty->vp.empty() && ty->vp != t.obj_kind) {
            s.st.set_error("Attribute type \"" + at + "\" may only be attached to a " + ty->vp + ".");
            return 0;
        }
        std::string value;
        if (o.has("default")) {
            if (!ty->has_default) {
                s.st.set_error("Attribute type \"" + at + "\" has no default value.");
                return 0;
            }
            value = ty->default_value;
        } else if (!attr_value_for(ty->vtype, raw, value)) {
            s.st.set_error("Value \"" + raw + "\" does not fit attribute type \"" + at + "\" (" + ty->vtype + ").");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, t.branch_id, {ty->id}}, "mkattr")) return 0;
        if (!set_attr(s.st, ty->id, t.obj_kind, t.obj_id, r.eid, value, o.has("replace"))) {
            s.st.set_error("Attribute \"" + at + "\" already on \"" + r.given + "\": use -replace.");
            return 0;
        }
        record_meta_change(s.st, r, t, attribute_added_event(at, t.mkind, t.xp, bare_attribute_value(value)), *ty,
                           comment);
        msg += "Created attribute \"" + at + "\" on \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

int cmd_rmattr(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"version", 3, true}, {"pname", 2, false}}, o, err) ||
        o.operands.size() < 2)
        return usage_error("rmattr", err.empty() ? "rmattr attribute-type pname ..." : err);
    std::string at = bare_type_name(o.operands[0]);
    std::vector<std::string> pnames(o.operands.begin() + 1, o.operands.end());
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, pnames, 0, [&](Resolved& r, std::string& msg) {
        Target t;
        std::string e2;
        if (!target_of(s.st, r, t, e2)) {
            s.st.set_error(e2);
            return 0;
        }
        auto ty = s.st.type(r.elem.vob_id, "attype", at);
        if (!ty) {
            s.st.set_error("Attribute type not found: \"" + at + "\".");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, t.branch_id, {ty->id}}, "rmattr")) return 0;
        if (!remove_attr(s.st, ty->id, t.obj_kind, t.obj_id)) {
            s.st.set_error("Attribute \"" + at + "\" not found on \"" + r.given + "\".");
            return 0;
        }
        record_meta_change(s.st, r, t, attribute_removed_event(at, t.mkind, t.xp), *ty, comment);
        msg += "Removed attribute \"" + at + "\" from \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

// Resolves a pname to a version for hyperlinks.
bool version_of(Store& st, const std::string& p, Resolved& r, int64_t& vid, std::string& err) {
    if (!resolve_pname(st, p, r, err)) return false;
    Target t;
    if (!target_of(st, r, t, err, true)) return false;
    vid = t.obj_id;
    return true;
}

int merge_arrow(Session& s, const Resolved& from, int64_t from_vid, const Resolved& to, int64_t to_vid,
                const std::string& comment, std::string& msg) {
    if (from.eid != to.eid) {
        s.st.set_error("Merge arrows join versions of one element.");
        return 0;
    }
    auto ht = s.st.type(to.elem.vob_id, "hltype", "Merge");
    if (!ht) {
        s.st.set_error("Hyperlink type \"Merge\" not found.");
        return 0;
    }
    if (!check_locks(s.st, LockScope{to.elem.vob_id, to.eid, 0, {ht->id}}, "mkhlink")) return 0;
    if (!add_hlink(s.st, ht->id, from_vid, to_vid, comment)) return 0;
    std::string fv = s.st.version_vid(from_vid), tv;
    if (to_vid > 0)
        tv = s.st.version_vid(to_vid);
    else if (auto co = s.st.checkout_by_id(-to_vid))
        tv = s.st.branch_path(co->branch_id) + "/CHECKEDOUT";
    EventRec e;
    e.vob_id = to.elem.vob_id, e.op = "mkhlink", e.minor = true, e.mkind = "version";
    e.name = to.vobpath + "@@" + tv;
    e.descr =
        "make hyperlink \"Merge\" from version \"" + from.vobpath + "@@" + fv + "\" to version \"" + e.name + "\"";
    e.comment = e.user_comment = comment;
    e.eid = to.eid;
    if (to_vid > 0) e.version_id = to_vid;
    record_event(s.st, e);
    auto env = trigger_env(s.st, to, tv, "");
    env.emplace_back("CLEARCASE_HLTYPE", "Merge");
    queue_triggers(s.st, to.elem.vob_id, "mkhlink", env);
    msg += "Created hyperlink \"Merge\" from \"" + from.given + "\" to \"" + to.given + "\".\n";
    return 1;
}

int cmd_mkhlink(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"unidir", 3, false},
                        {"fpname", 3, false},
                        {"tpname", 3, false},
                        {"ttext", 3, true},
                        {"ftext", 3, true}},
                       o, err) ||
        o.operands.size() != 3)
        return usage_error("mkhlink", err.empty() ? "mkhlink Merge from-pname to-pname" : err);
    if (bare_type_name(o.operands[0]) != "Merge") return cc_error("Only hyperlinks of type \"Merge\" are supported.");
    Session s;
    if (!s.open(true)) return 1;
    Resolved a, b;
    int64_t av = 0, bv = 0;
    if (!version_of(s.st, o.operands[1], a, av, err) || !version_of(s.st, o.operands[2], b, bv, err))
        return cc_error(err);
    std::string msg;
    if (!merge_arrow(s, a, av, b, bv, comment_of(o), msg)) return cc_error(s.st.error());
    std::fputs(msg.c_str(), stdout);
    return s.finish(0);
}

// merge -to target -ndata [-version vid | from-pname]: records the merge
// arrow only (no data merge). When the target is checked out, the arrow
// leads to the version its checkin creates.
int cmd_merge(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"to", 2, true},
                        {"ndata", 2, false},
                        {"narrows", 3, false},
                        {"version", 3, true},
                        {"query", 1, false},
                        {"abort", 3, false},
                        {"qall", 3, false},
                        {"qntrivial", 3, false},
                        {"insert", 3, false},
                        {"delete", 3, false}},
                       o, err))
        return usage_error("merge", err);
    if (!o.has("to")) return usage_error("merge", "merge -to target-pname -ndata [-version vid | from-pname]");
    if (!o.has("ndata")) return cc_error("Only -ndata merges (merge arrows) are supported.");
    Session s;
    if (!s.open(true)) return 1;
    Resolved to;
    if (!resolve_pname(s.st, o.get("to"), to, err)) return cc_error(err);
    int64_t to_vid = 0;
    if (auto co = s.st.checkout_in_view(to.eid, to.view.id))
        to_vid = -co->id;  // completed at checkin
    else {
        Target t;
        if (!target_of(s.st, to, t, err, true)) return cc_error(err);
        to_vid = t.obj_id;
    }
    std::vector<std::pair<Resolved, int64_t>> froms;
    if (o.has("version")) {
        auto v = s.st.version_by_vid(to.eid, o.get("version"));
        if (!v) return cc_error("Version not found: \"" + o.get("version") + "\".");
        Resolved f = to;
        f.given = to.given + "@@" + o.get("version");
        froms.emplace_back(f, v->id);
    }
    for (auto& p : o.operands) {
        Resolved f;
        int64_t fv = 0;
        if (!version_of(s.st, p, f, fv, err)) return cc_error(err);
        froms.emplace_back(f, fv);
    }
    if (froms.empty()) return cc_error("No contributor: give -version or a from-pname.");
    if (o.has("narrows")) return s.finish(0);
    int status = 0;
    for (auto& [f, fv] : froms) {
        std::string msg;
        s.begin_operand();
        bool ok = merge_arrow(s, f, fv, to, to_vid, comment_of(o), msg) != 0;
        s.end_operand(ok);
        if (!ok)
            status = cc_error(s.st.error());
        else
            std::fputs(msg.c_str(), stdout);
    }
    return s.finish(status);
}

int cmd_rmmerge(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS}, o, err) || o.operands.size() != 2)
        return usage_error("rmmerge", err.empty() ? "rmmerge from-pname to-pname" : err);
    Session s;
    if (!s.open(true)) return 1;
    Resolved a, b;
    int64_t av = 0, bv = 0;
    if (!version_of(s.st, o.operands[0], a, av, err) || !version_of(s.st, o.operands[1], b, bv, err))
        return cc_error(err);
    auto ht = s.st.type(a.elem.vob_id, "hltype", "Merge");
    if (!ht) return cc_error("Hyperlink type \"Merge\" not found.");
    if (!check_locks(s.st, LockScope{a.elem.vob_id, a.eid, 0, {ht->id}}, "rmhlink")) return cc_error(s.st.error());
    if (!remove_hlink_between(s.st, ht->id, av, bv)) return cc_error(s.st.error());
    EventRec e;
    e.vob_id = a.elem.vob_id, e.op = "rmhlink", e.minor = true, e.mkind = "version";
    e.name = b.vobpath + "@@" + s.st.version_vid(bv);
    e.descr =
        "remove hyperlink \"Merge\" between \"" + a.vobpath + "@@" + s.st.version_vid(av) + "\" and \"" + e.name + "\"";
    e.comment = e.user_comment = comment_of(o);
    e.eid = a.eid;
    record_event(s.st, e);
    auto env = trigger_env(s.st, b, s.st.version_vid(bv), "");
    env.emplace_back("CLEARCASE_HLTYPE", "Merge");
    // The arrow's other end: CLEARCASE_XPN names the version it points to.
    for (auto& [name, value] : trigger_env(s.st, a, s.st.version_vid(av), ""))
        if (name == "CLEARCASE_XPN") env.emplace_back("CLEARCASE_FROM_XPN", value);
    queue_triggers(s.st, a.elem.vob_id, "rmhlink", env);
    std::printf("Removed merge arrow from \"%s\" to \"%s\".\n", o.operands[0].c_str(), o.operands[1].c_str());
    return s.finish(0);
}

}  // namespace

CLEARTOOL_COMMAND("mklabel", cmd_mklabel);
CLEARTOOL_COMMAND("rmlabel", cmd_rmlabel);
CLEARTOOL_COMMAND("mkattr", cmd_mkattr);
CLEARTOOL_COMMAND("rmattr", cmd_rmattr);
CLEARTOOL_COMMAND("mkhlink", cmd_mkhlink);
CLEARTOOL_COMMAND("merge", cmd_merge);
CLEARTOOL_COMMAND("rmmerge", cmd_rmmerge);

}  // namespace ccsub
