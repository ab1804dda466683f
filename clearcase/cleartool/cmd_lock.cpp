// lock, unlock and protect.
#include <sys/stat.h>

#include <cstdio>
#include <sstream>

#include "clearcase/cleartool/objects.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/view/ops.h"
#include "clearcase/view/selector.h"

namespace ccsub {
namespace {

struct LockTarget {
    std::string obj_kind;  // vob | type | element | branch
    int64_t obj_id = 0, vob_id = 0;
    std::string words;  // for messages: versioned object base "/vobs/x", label type "REL1", ...
    std::vector<std::pair<std::string, std::string>> env;
};

int lock_target(Store& st, const std::string& text, LockTarget& t, std::string& err) {
    if (is_object_selector(text)) {
        ObjSelector sel;
        if (!parse_object_selector(text, "", sel)) {
            err = "Invalid object selector \"" + text + "\".";
            return 0;
        }
        auto vob = selector_vob(st, sel);
        if (!vob) {
            err = "Unable to find VOB for \"" + text + "\".";
            return 0;
        }
        t.vob_id = vob->id;
        if (sel.kind == "vob") {
            t.obj_kind = "vob", t.obj_id = vob->id, t.words = "versioned object base \"" + vob->tag + "\"";
            t.env.emplace_back("CLEARCASE_PN", vob->tag);
            return 1;
        }
        auto ty = st.type(vob->id, sel.kind, sel.name);
        if (!ty) {
            err = type_kind_words(sel.kind) + " not found: \"" + sel.name + "\".";
            return 0;
        }
        t.obj_kind = "type", t.obj_id = ty->id, t.words = type_kind_words(sel.kind) + " \"" + sel.name + "\"";
        if (sel.kind == "brtype") t.env.emplace_back("CLEARCASE_BRTYPE", sel.name);
        if (sel.kind == "lbtype") t.env.emplace_back("CLEARCASE_LBTYPE", sel.name);
        if (sel.kind == "attype") t.env.emplace_back("CLEARCASE_ATTYPE", sel.name);
        t.env.emplace_back("CLEARCASE_PN", sel.name);
        return 1;
    }
    Resolved r;
    if (!resolve_pname(st, text, r, err)) return 0;
    t.vob_id = r.elem.vob_id;
    if (r.has_xpn && r.obj == Resolved::Obj::Branch) {
        t.obj_kind = "branch", t.obj_id = r.branch_id, t.words = "branch \"" + text + "\"";
        auto b = st.branch(r.branch_id);
        auto bt = b ? st.type_by_id(b->brtype_id) : std::nullopt;
        t.env = trigger_env(st, r, st.branch_path(r.branch_id), bt ? bt->name : "");
        return 1;
    }
    if (r.has_xpn && r.obj != Resolved::Obj::Element) {
        err = "Only VOBs, types, elements and branches can be locked: \"" + text + "\".";
        return 0;
    }
    t.obj_kind = "element", t.obj_id = r.eid, t.words = "element \"" + text + "\"";
    t.env = trigger_env(st, r, "", "");
    return 1;
}

// The history event of locking or unlocking a target ("lock <words>"),
// tied to the element or type it names.
// The history event of a lock change; a branch event belongs to its element's
// history too, so that lshistory of the element shows locks and unlocks alike.
EventRec lock_event(Store& st, const LockTarget& t, const std::string& op, const std::string& name,
                    const std::string& comment) {
    EventRec e;
    e.vob_id = t.vob_id, e.op = op, e.mkind = t.obj_kind, e.name = name;
    e.descr = op + " " + t.words;
    e.comment = e.user_comment = comment;
    if (t.obj_kind == "element") e.eid = t.obj_id;
    if (t.obj_kind == "type") e.type_id = t.obj_id;
    if (t.obj_kind == "branch") {
        e.branch_id = t.obj_id;
        if (auto b = st.branch(t.obj_id)) e.eid = b->eid;
    }
    return e;
}

int cmd_lock(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(
            args,
            {CC_COMMENT_OPTS, {"nusers", 3, true}, {"obsolete", 3, false}, {"replace", 3, false}, {"pname", 2, false}},
            o, err) ||
        o.operands.empty())
        return usage_error("lock", err.empty() ? "lock [-nusers u,...] [-obsolete] object ..." : err);
    std::string nusers;
    for (char c : o.get("nusers")) nusers += c == ',' ? ' ' : c;
    {
        std::istringstream in(nusers);
        std::string w, joined;
        while (in >> w) joined += (joined.empty() ? "" : " ") + w;
        nusers = joined;
    }
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = 0;
    for (auto& p : o.operands) {
        LockTarget t;
        if (!lock_target(s.st, p, t, err)) {
            status = cc_error(err);
            continue;
        }
        s.begin_operand();
        // Locking a locked object replaces its lock.
        Stmt ins(s.st.db(),
                 "INSERT OR REPLACE INTO locks(obj_kind,obj_id,vob_id,nusers,obsolete,created,user,comment) "
                 "VALUES(?,?,?,?,?,?,?,?)");
        ins.bind(1, t.obj_kind).bind(2, t.obj_id).bind(3, t.vob_id).bind(4, nusers);
        ins.bind(5, o.has("obsolete") ? 1 : 0).bind(6, s.st.now()).bind(7, s.st.user()).bind(8, comment);
        bool ok = ins.exec();
        if (ok) {
            record_event(s.st, lock_event(s.st, t, "lock", p, comment));
            queue_triggers(s.st, t.vob_id, "lock", t.env);
        }
        s.end_operand(ok);
        if (!ok)
            status = cc_error(s.st.db().error());
        else
            std::printf("Locked %s.\n", t.words.c_str());
    }
    return s.finish(status);
}

int cmd_unlock(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"version", 3, true}, {"pname", 2, false}}, o, err) ||
        o.operands.empty())
        return usage_error("unlock", err.empty() ? "unlock object ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = 0;
    for (auto& p : o.operands) {
        LockTarget t;
        if (!lock_target(s.st, p, t, err)) {
            status = cc_error(err);
            continue;
        }
        if (!s.st.lock_of(t.obj_kind, t.obj_id)) {
            status = cc_error("Object is not locked: " + t.words + ".");
            continue;
        }
        s.begin_operand();
        Stmt d(s.st.db(), "DELETE FROM locks WHERE obj_kind=? AND obj_id=?");
        d.bind(1, t.obj_kind).bind(2, t.obj_id);
        bool ok = d.exec();
        if (ok) {
            record_event(s.st, lock_event(s.st, t, "unlock", p, comment));
            queue_triggers(s.st, t.vob_id, "unlock", t.env);
        }
        s.end_operand(ok);
        if (!ok)
            status = cc_error(s.st.db().error());
        else
            std::printf("Unlocked %s.\n", t.words.c_str());
    }
    return s.finish(status);
}

// Applies a chmod argument: octal digits or symbolic [ugoa][+-=][rwx].
bool apply_mode(const std::string& spec, int& perms) {
    if (!spec.empty() && spec.find_first_not_of("01234567") == std::string::npos && spec.size() <= 4) {
        perms = std::stoi(spec, nullptr, 8) & 0777;
        return true;
    }
    std::istringstream in(spec);
    std::string clause;
    while (std::getline(in, clause, ',')) {
        size_t i = 0;
        int who = 0;
        for (; i < clause.size() && std::string("ugoa").find(clause[i]) != std::string::npos; ++i)
            who |= clause[i] == 'u' ? 0700 : clause[i] == 'g' ? 0070 : clause[i] == 'o' ? 0007 : 0777;
        if (!who) who = 0777;
        if (i >= clause.size()) return false;
        char op = clause[i++];
        if (op != '+' && op != '-' && op != '=') return false;
        int bits = 0;
        for (; i < clause.size(); ++i) {
            if (clause[i] == 'r')
                bits |= 0444;
            else if (clause[i] == 'w')
                bits |= 0222;
            else if (clause[i] == 'x')
                bits |= 0111;
            else
                return false;
        }
        bits &= who;
        if (op == '+') perms |= bits;
        if (op == '-') perms &= ~bits;
        if (op == '=') perms = (perms & ~who) | bits;
    }
    return true;
}

int cmd_protect(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"chmod", 4, true},
                        {"chown", 4, true},
                        {"chgrp", 4, true},
                        {"recurse", 3, false},
                        {"file", 3, false},
                        {"directory", 3, false}},
                       o, err) ||
        o.operands.empty())
        return usage_error("protect",
                           err.empty() ? "protect [-chmod mode] [-chown user] [-chgrp group] pname ..." : err);
    if (!o.has("chmod") && !o.has("chown") && !o.has("chgrp"))
        return usage_error("protect", "give -chmod, -chown or -chgrp");
    Session s;
    if (!s.open(true)) return 1;
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        if (r.elem.is_slink()) {
            s.st.set_error("Cannot change protection of a symbolic link: \"" + r.given + "\".");
            return 0;
        }
        if (!check_locks(s.st, LockScope{r.elem.vob_id, r.eid, 0, {}}, "protect")) return 0;
        int perms = r.elem.perms;
        if (o.has("chmod") && !apply_mode(o.get("chmod"), perms)) {
            s.st.set_error("Invalid mode \"" + o.get("chmod") + "\".");
            return 0;
        }
        Stmt u(s.st.db(), "UPDATE elements SET perms=?, owner=?, grp=? WHERE id=?");
        u.bind(1, perms).bind(2, o.get("chown", r.elem.owner)).bind(3, o.get("chgrp", r.elem.grp)).bind(4, r.eid);
        if (!u.exec()) {
            s.st.set_error(s.st.db().error());
            return 0;
        }
        s.st.touch(r.eid);
        queue_triggers(s.st, r.elem.vob_id, "protect", trigger_env(s.st, r, "", ""));
        msg += "Changed protection on \"" + r.given + "\".\n";
        return 1;
    });
    return s.finish(status);
}

}  // namespace

CLEARTOOL_COMMAND("lock", cmd_lock);
CLEARTOOL_COMMAND("unlock", cmd_unlock);
CLEARTOOL_COMMAND("protect", cmd_protect);

}  // namespace ccsub
