// Type commands: mkbrtype, mklbtype, mkattype, mkeltype, mkhltype,
// mktrtype (with -replace redefinition), rmtype, rename.
#include <cstdio>

#include "clearcase/cleartool/session.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/store/type_names.h"
#include "clearcase/store/values.h"
#include "clearcase/view/selector.h"

namespace ccsub {
namespace {

// Type-level trigger environment: the name goes into the kind's variable.
std::vector<std::pair<std::string, std::string>> type_env(const TypeRec& t) {
    std::vector<std::pair<std::string, std::string>> env;
    if (t.kind == "brtype") env.emplace_back("CLEARCASE_BRTYPE", t.name);
    if (t.kind == "lbtype") env.emplace_back("CLEARCASE_LBTYPE", t.name);
    if (t.kind == "attype") env.emplace_back("CLEARCASE_ATTYPE", t.name);
    if (t.kind == "eltype") env.emplace_back("CLEARCASE_ELTYPE", t.name);
    if (t.kind == "trtype") env.emplace_back("CLEARCASE_TRTYPE", t.name);
    env.emplace_back("CLEARCASE_PN", t.name);
    return env;
}

void record_type_event(Store& st, const TypeRec& t, const std::string& op, const std::string& verb,
                       const std::string& comment) {
    EventRec e;
    e.vob_id = t.vob_id, e.op = op, e.mkind = type_kind_words(t.kind);
    e.name = t.name;
    e.descr = verb + " " + e.mkind + " \"" + t.name + "\"";
    e.comment = e.user_comment = comment;
    e.type_id = t.id;
    record_event(st, e);
}

int make_type(const Args& args, const std::string& kind, const char* cmd) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(
            args, {CC_COMMENT_OPTS,         {"global", 3, false},   {"ordinary", 3, false},  {"replace", 3, false},
                   {"pbranch", 3, false},   {"acquire", 3, false},  {"vtype", 3, true},      {"default", 3, true},
                   {"vpelement", 3, false}, {"vpbranch", 3, false}, {"vpversion", 3, false}, {"supertype", 3, true},
                   {"manager", 3, true},    {"element", 3, false},  {"type", 3, false},      {"all", 3, false},
                   {"postop", 3, true},     {"preop", 3, true},     {"execunix", 5, true},   {"exec", 4, true},
                   {"execwin", 5, true},    {"nusers", 3, true},    {"shared", 3, false},    {"enum", 3, true},
                   {"gt", 2, true},         {"ge", 2, true},        {"lt", 2, true},         {"le", 2, true},
                   {"ptime", 2, false}},
            o, err) ||
        o.operands.empty())
        return usage_error(cmd, err.empty() ? "missing type name" : err);
    Session s;
    if (!s.open(true)) return 1;
    int status = 0;
    for (auto& operand : o.operands) {
        ObjSelector sel;
        if (!parse_object_selector(operand, kind, sel) || sel.kind != kind) {
            status = cc_error(invalid_type_name_message(operand));
            continue;
        }
        if (!valid_type_name(sel.name)) {
            status = cc_error(invalid_type_name_message(sel.name));
            continue;
        }
        auto vob = selector_vob(s.st, sel);
        if (!vob) {
            status = cc_error("Unable to determine VOB for type \"" + operand + "\".");
            continue;
        }
        TypeRec t;
        t.vob_id = vob->id, t.kind = kind, t.name = sel.name;
        t.scope = o.has("global") ? "global" : "ordinary";
        t.pbranch = o.has("pbranch");
        t.comment = comment_of(o);
        if (kind == "attype") {
            t.vtype = o.get("vtype", "string");
            t.vp = o.has("vpelement") ? "element" : o.has("vpbranch") ? "branch" : o.has("vpversion") ? "version" : "";
            if (o.has("default")) {
                if (!attr_value_for(t.vtype, o.get("default"), t.default_value)) {
                    status = cc_error("Invalid default value \"" + o.get("default") + "\" for type " + t.vtype + ".");
                    continue;
                }
                t.has_default = true;
            }
        }
        if (kind == "eltype") {
            t.supertype = o.get("supertype");
            if (t.supertype.empty()) {
                status = cc_error("An element type needs -supertype.");
                continue;
            }
            if (!s.st.type(vob->id, "eltype", t.supertype)) {
                status = cc_error("Element type not found: \"" + t.supertype + "\".");
                continue;
            }
        }
        if (kind == "trtype") {
            std::string ops = o.has("postop") ? o.get("postop") : o.get("preop");
            t.tr_when = o.has("postop") ? "postop" : "preop";
            t.tr_ops = "," + ops + ",";
            if (o.has("all") && ops.empty()) t.tr_ops = ",all,";
            t.tr_exec = o.has("execunix") ? o.get("execunix") : o.get("exec");
        }
        s.begin_operand();
        bool ok = false;
        auto existing = s.st.type(vob->id, kind, sel.name);
        std::string words = type_kind_words(kind);
        if (existing && !o.has("replace")) {
            s.st.set_error("Name \"" + sel.name + "\" already exists.");
        } else if (existing) {
            if (check_locks(s.st, LockScope{vob->id, 0, 0, {existing->id}}, "modify type")) {
                Stmt u(s.st.db(),
                       "UPDATE types SET scope=?,pbranch=?,vp=?,vtype=?,default_value=?,supertype=?,tr_ops=?,"
                       "tr_when=?,tr_exec=?,comment=? WHERE id=?");
                u.bind(1, t.scope).bind(2, t.pbranch ? 1 : 0).bind(3, t.vp).bind(4, t.vtype);
                if (t.has_default)
                    u.bind(5, t.default_value);
                else
                    u.bind_null(5);
                u.bind(6, t.supertype).bind(7, t.tr_ops).bind(8, t.tr_when).bind(9, t.tr_exec).bind(10, t.comment);
                u.bind(11, existing->id);
                ok = u.exec();
                if (!ok) s.st.set_error(s.st.db().error());
                t.id = existing->id;
                if (ok) {
                    record_type_event(s.st, t, "modtype", "modify", t.comment);
                    queue_triggers(s.st, vob->id, "modtype", type_env(t));
                    std::printf("Replaced definition of %s \"%s\".\n", words.c_str(), sel.name.c_str());
                }
            }
        } else if (check_locks(s.st, LockScope{vob->id, 0, 0, {}}, "mktype")) {
            ok = create_type(s.st, t) != 0;
            if (ok) {
                record_type_event(s.st, t, "mktype", "create", t.comment);
                queue_triggers(s.st, vob->id, "mktype", type_env(t));
                std::printf("Created %s \"%s\".\n", words.c_str(), sel.name.c_str());
            }
        }
        s.end_operand(ok);
        if (!ok) status = cc_error(s.st.error());
    }
    return s.finish(status);
}

int cmd_mkbrtype(const Args& a) {
    return make_type(a, "brtype", "mkbrtype");
}
int cmd_mklbtype(const Args& a) {
    return make_type(a, "lbtype", "mklbtype");
}
int cmd_mkattype(const Args& a) {
    return make_type(a, "attype", "mkattype");
}
int cmd_mkeltype(const Args& a) {
    return make_type(a, "eltype", "mkeltype");
}
int cmd_mkhltype(const Args& a) {
    return make_type(a, "hltype", "mkhltype");
}
int cmd_mktrtype(const Args& a) {
    return make_type(a, "trtype", "mktrtype");
}

bool type_has_instances(Store& st, const TypeRec& t) {
    std::string id = std::to_string(t.id);
    const char* q = t.kind == "lbtype"   ? "SELECT count(*) FROM labels WHERE lbtype_id="
                    : t.kind == "attype" ? "SELECT count(*) FROM attrs WHERE attype_id="
                    : t.kind == "brtype" ? "SELECT count(*) FROM branches WHERE brtype_id="
                    : t.kind == "hltype" ? "SELECT count(*) FROM hlinks WHERE hltype_id="
                    : t.kind == "eltype" ? "SELECT count(*) FROM elements WHERE eltype_id="
                                         : nullptr;
    if (!q) return false;
    return st.db().scalar_i64(q + id).value_or(0) > 0;
}

int cmd_rmtype(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"force", 1, false}, {"rmall", 3, false}, {"ignore", 3, false}}, o,
                       err) ||
        o.operands.empty())
        return usage_error("rmtype", err.empty() ? "rmtype [-rmall] type-selector ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    int status = 0;
    for (auto& operand : o.operands) {
        ObjSelector sel;
        if (!parse_object_selector(operand, "", sel) || sel.kind.empty() || sel.kind == "vob") {
            status = cc_error("Invalid type selector \"" + operand + "\".");
            continue;
        }
        auto vob = selector_vob(s.st, sel);
        auto t = vob ? s.st.type(vob->id, sel.kind, sel.name) : std::nullopt;
        if (!t) {
            status = cc_error(type_kind_words(sel.kind) + " not found: \"" + sel.name + "\".");
            continue;
        }
        s.begin_operand();
        bool ok = false;
        if (type_has_instances(s.st, *t) && !o.has("rmall"))
            s.st.set_error("There are instances of " + type_kind_words(t->kind) + " \"" + t->name +
                           "\": use -rmall to remove them.");
        else if (check_locks(s.st, LockScope{vob->id, 0, 0, {t->id}}, "rmtype"))
            ok = remove_type(s.st, t->id) != 0;
        if (ok) {
            EventRec e;
            e.vob_id = vob->id, e.op = "rmtype", e.mkind = type_kind_words(t->kind), e.name = t->name;
            e.descr = "destroy " + e.mkind + " \"" + t->name + "\"";
            e.comment = e.user_comment = comment_of(o);
            record_event(s.st, e);
            queue_triggers(s.st, vob->id, "rmtype", type_env(*t));
            // Views whose rules name a label type see it vanish.
            if (t->kind == "lbtype") s.st.touch_all();
        }
        s.end_operand(ok);
        if (!ok)
            status = cc_error(s.st.error());
        else
            std::printf("Removed %s \"%s\".\n", type_kind_words(t->kind).c_str(), t->name.c_str());
    }
    return s.finish(status);
}

int cmd_rename(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"acquire", 3, false}}, o, err) || o.operands.size() != 2)
        return usage_error("rename", err.empty() ? "rename type-selector new-name" : err);
    ObjSelector sel, nsel;
    if (!parse_object_selector(o.operands[0], "", sel) || sel.kind.empty() || sel.kind == "vob")
        return cc_error("Only types can be renamed: \"" + o.operands[0] + "\".");
    // The new name may be a plain name or a selector of the same kind and VOB.
    std::string newname = o.operands[1];
    if (is_object_selector(newname)) {
        if (!parse_object_selector(newname, "", nsel) || nsel.kind != sel.kind)
            return cc_error("New name \"" + newname + "\" is not a " + type_kind_words(sel.kind) + ".");
        if (!nsel.vob_tag.empty() && !sel.vob_tag.empty() && nsel.vob_tag != sel.vob_tag)
            return cc_error("A type cannot be renamed into another VOB.");
        newname = nsel.name;
    } else if (newname.find('@') != std::string::npos) {
        newname = newname.substr(0, newname.find('@'));
    }
    if (!valid_type_name(newname)) return cc_error(invalid_type_name_message(newname));
    Session s;
    if (!s.open(true)) return 1;
    auto vob = selector_vob(s.st, sel);
    auto t = vob ? s.st.type(vob->id, sel.kind, sel.name) : std::nullopt;
    if (!t) return cc_error(type_kind_words(sel.kind) + " not found: \"" + sel.name + "\".");
    if (t->predefined) return cc_error("Cannot rename predefined type \"" + t->name + "\".");
    if (s.st.type(vob->id, sel.kind, newname)) return cc_error("Name \"" + newname + "\" already exists.");
    if (!check_locks(s.st, LockScope{vob->id, 0, 0, {t->id}}, "rename")) return cc_error(s.st.error());
    Stmt u(s.st.db(), "UPDATE types SET name=? WHERE id=?");
    u.bind(1, newname).bind(2, t->id);
    if (!u.exec()) return cc_error(s.st.db().error());
    if (t->kind == "brtype") {
        // Branch paths change: rebuild the version stores of its elements.
        Stmt q(s.st.db(), "SELECT DISTINCT eid FROM branches WHERE brtype_id=?");
        q.bind(1, t->id);
        while (q.step()) s.st.touch(q.i64(0));
    }
    s.st.touch_all();
    TypeRec nt = *t;
    nt.name = newname;
    EventRec e;
    e.vob_id = vob->id, e.op = "rntype", e.mkind = type_kind_words(t->kind), e.name = newname;
    e.descr = "rename " + e.mkind + " \"" + t->name + "\" to \"" + newname + "\"";
    e.comment = e.user_comment = comment_of(o);
    e.type_id = t->id;
    record_event(s.st, e);
    auto env = type_env(nt);
    env.emplace_back("CLEARCASE_OLD_TYPE", t->name);
    queue_triggers(s.st, vob->id, "rntype", env);
    std::printf("Renamed %s from \"%s\" to \"%s\".\n", type_kind_words(t->kind).c_str(), t->name.c_str(),
                newname.c_str());
    return s.finish(0);
}

}  // namespace

CLEARTOOL_COMMAND("mkbrtype", cmd_mkbrtype);
CLEARTOOL_COMMAND("mklbtype", cmd_mklbtype);
CLEARTOOL_COMMAND("mkattype", cmd_mkattype);
CLEARTOOL_COMMAND("mkeltype", cmd_mkeltype);
CLEARTOOL_COMMAND("mkhltype", cmd_mkhltype);
CLEARTOOL_COMMAND("mktrtype", cmd_mktrtype);
CLEARTOOL_COMMAND("rmtype", cmd_rmtype);
CLEARTOOL_COMMAND("rename", cmd_rename);

}  // namespace ccsub
