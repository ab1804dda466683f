// Registry commands: mkvob, rmvob, lsvob, mount, umount, mkview, rmview,
// lsview, startview. They act on the local registry only (no servers).
#include <cstdio>

#include "clearcase/cleartool/session.h"
#include "clearcase/store/mutate.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/materialise.h"
#include "clearcase/view/pname.h"

namespace ccsub {
namespace {

int cmd_mkvob(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"tag", 3, true},
                        {"public", 3, false},
                        {"password", 3, true},
                        {"options", 3, true},
                        {"ucmproject", 3, false},
                        {"host", 4, true},
                        {"hpath", 3, true},
                        {"gpath", 3, true},
                        {"stgloc", 3, true}},
                       o, err))
        return usage_error("mkvob", err);
    if (!o.has("tag") || o.operands.size() != 1) return usage_error("mkvob", "mkvob -tag <vob tag> <storage pname>");
    std::string tag = o.get("tag");
    if (tag.size() < 2 || tag[0] != '/' || normalize_path(tag) != tag)
        return cc_error("Invalid VOB tag \"" + tag + "\": must be an absolute path.");
    if (path_within(tag, view_root())) return cc_error("VOB tag \"" + tag + "\" may not lie under the view root.");
    Session s;
    if (!s.open(true)) return 1;
    VobRec v;
    if (!create_vob(s.st, tag, o.operands[0], comment_of(o), o.has("public"), v)) return cc_error(s.st.error());
    std::printf(
        "Created versioned object base.\nHost-local path: %s\nGlobal path:     %s\nVOB ownership:\n"
        "  owner %s\n  group %s\n",
        o.operands[0].c_str(), o.operands[0].c_str(), s.st.user().c_str(), current_group().c_str());
    return s.finish(0);
}

std::optional<VobRec> vob_by_tag_or_storage(Store& st, const std::string& name) {
    if (auto v = st.vob_by_tag(name)) return v;
    for (auto& v : st.vobs())
        if (v.storage == name) return v;
    return std::nullopt;
}

int cmd_rmvob(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"force", 1, false}}, o, err) || o.operands.empty())
        return usage_error("rmvob", err.empty() ? "rmvob <vob storage pname>" : err);
    Session s;
    if (!s.open(true)) return 1;
    int status = 0;
    for (auto& name : o.operands) {
        auto v = vob_by_tag_or_storage(s.st, name);
        if (!v) {
            status = cc_error("Unable to find VOB \"" + name + "\".");
            continue;
        }
        std::vector<int64_t> eids;
        Stmt q(s.st.db(), "SELECT id FROM elements WHERE vob_id=?");
        q.bind(1, v->id);
        while (q.step()) eids.push_back(q.i64(0));
        s.begin_operand();
        bool ok = remove_vob(s.st, v->id);
        s.end_operand(ok);
        if (!ok) {
            status = cc_error(s.st.error());
            continue;
        }
        for (auto e : eids) remove_tree(xstore_dir(s.st, e));
        std::printf("Removed versioned object base \"%s\".\n", v->storage.c_str());
    }
    return s.finish(status);
}

void print_vob_line(const VobRec& v, bool shortf) {
    if (shortf) {
        std::printf("%s\n", v.tag.c_str());
        return;
    }
    std::printf("%c %-24s %s %s\n", v.mounted ? '*' : ' ', v.tag.c_str(), v.storage.c_str(),
                v.is_public ? "public" : "private");
}

int cmd_lsvob(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"short", 1, false}, {"long", 1, false}, {"host", 4, true}, {"region", 3, true}}, o, err))
        return usage_error("lsvob", err);
    Session s;
    if (!s.open(false)) return 1;
    int status = 0;
    if (o.operands.empty())
        for (auto& v : s.st.vobs()) print_vob_line(v, o.has("short"));
    for (auto& t : o.operands) {
        auto v = s.st.vob_by_tag(t);
        if (!v)
            status = cc_error("Unable to find VOB \"" + t + "\".");
        else
            print_vob_line(*v, o.has("short"));
    }
    return status;
}

int set_mounted(const Args& args, bool mounted) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"all", 3, false}, {"persistent", 3, false}}, o, err))
        return usage_error(mounted ? "mount" : "umount", err);
    Session s;
    if (!s.open(true)) return 1;
    std::vector<std::string> tags = o.operands;
    if (o.has("all"))
        for (auto& v : s.st.vobs()) tags.push_back(v.tag);
    int status = 0;
    for (auto& t : tags) {
        auto v = s.st.vob_by_tag(t);
        if (!v) {
            status = cc_error("Unable to find VOB \"" + t + "\".");
            continue;
        }
        Stmt u(s.st.db(), "UPDATE vobs SET mounted=? WHERE id=?");
        u.bind(1, mounted ? 1 : 0).bind(2, v->id);
        if (!u.exec()) status = cc_error(s.st.db().error());
    }
    return s.finish(status);
}

int cmd_mount(const Args& args) {
    return set_mounted(args, true);
}
int cmd_umount(const Args& args) {
    return set_mounted(args, false);
}

int cmd_mkview(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {{"tag", 3, true},
                        {"snapshot", 4, false},
                        {"stgloc", 3, true},
                        {"host", 4, true},
                        {"hpath", 3, true},
                        {"gpath", 3, true},
                        {"shareable_dos", 3, false},
                        {"ncaexported", 3, false},
                        {"region", 3, true},
                        {"ln", 2, true},
                        {"umask", 3, true}},
                       o, err))
        return usage_error("mkview", err);
    if (!o.has("tag") || o.operands.size() != 1) return usage_error("mkview", "mkview -tag <view tag> <storage pname>");
    std::string tag = o.get("tag");
    if (tag.empty() || tag.find('/') != std::string::npos || tag == "." || tag == ".." || tag == "view")
        return cc_error("Invalid view tag \"" + tag + "\".");
    Session s;
    if (!s.open(true)) return 1;
    ViewRec v;
    if (!create_view(s.st, tag, o.operands[0], v)) return cc_error(s.st.error());
    if (!prepare_view_dir(v)) return cc_error("Unable to create \"" + view_root() + "/" + tag + "\".");
    std::printf("Created view.\nHost-local path: %s\nGlobal path:     %s\n", o.operands[0].c_str(),
                o.operands[0].c_str());
    rebuild_view(s.st, v);
    return s.finish(0);
}

int cmd_rmview(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"tag", 3, true}, {"force", 1, false}, {"all", 3, false}, {"uuid", 3, true}}, o, err))
        return usage_error("rmview", err);
    Session s;
    if (!s.open(true)) return 1;
    std::optional<ViewRec> v;
    if (o.has("tag"))
        v = s.st.view_by_tag(o.get("tag"));
    else if (o.operands.size() == 1)
        for (auto& x : s.st.views())
            if (x.storage == o.operands[0] || x.tag == o.operands[0]) v = x;
    if (!v)
        return cc_error("Unable to find view \"" +
                        (o.has("tag")         ? o.get("tag")
                         : o.operands.empty() ? ""
                                              : o.operands[0]) +
                        "\".");
    if (!remove_view(s.st, v->id)) return cc_error(s.st.error());
    remove_view_dir(v->tag);
    std::printf("Removed view \"%s\".\n", v->tag.c_str());
    s.st.clear_touched();
    return s.finish(0);
}

int cmd_lsview(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {{"short", 1, false},
                        {"long", 1, false},
                        {"cview", 2, false},
                        {"host", 4, true},
                        {"region", 3, true},
                        {"quick", 1, false}},
                       o, err))
        return usage_error("lsview", err);
    Session s;
    if (!s.open(false)) return 1;
    auto print = [&](const ViewRec& v) {
        if (o.has("short"))
            std::printf("%s\n", v.tag.c_str());
        else
            std::printf("* %-24s %s\n", v.tag.c_str(), v.storage.c_str());
    };
    std::vector<std::string> tags = o.operands;
    if (o.has("cview")) {
        auto t = current_view_tag();
        if (!t) return cc_error("Not in a view.");
        tags.push_back(*t);
    }
    if (tags.empty())
        for (auto& v : s.st.views()) print(v);
    int status = 0;
    for (auto& t : tags) {
        auto v = s.st.view_by_tag(t);
        if (!v)
            status = cc_error("No matching entries found for view tag \"" + t + "\".");
        else
            print(*v);
    }
    return status;
}

int cmd_startview(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {}, o, err) || o.operands.empty()) return usage_error("startview", "startview <view tag>");
    Session s;
    if (!s.open(true)) return 1;
    int status = 0;
    for (auto& t : o.operands) {
        auto v = s.st.view_by_tag(t);
        if (!v) {
            status = cc_error("Unable to find view \"" + t + "\".");
            continue;
        }
        // (Re)build the view's tree when it is missing, e.g. after a fresh
        // view root.
        bool missing = !is_dir(view_root() + "/" + t);
        for (auto& vob : s.st.vobs()) missing = missing || !is_dir(view_root() + "/" + t + vob.tag);
        if (missing) {
            Stmt d(s.st.db(), "DELETE FROM mat WHERE view_id=?");
            d.bind(1, v->id);
            d.exec();
            rebuild_view(s.st, *v);
        } else {
            prepare_view_dir(*v);
        }
    }
    return s.finish(status);
}

}  // namespace

CLEARTOOL_COMMAND("mkvob", cmd_mkvob);
CLEARTOOL_COMMAND("rmvob", cmd_rmvob);
CLEARTOOL_COMMAND("lsvob", cmd_lsvob);
CLEARTOOL_COMMAND("mount", cmd_mount);
CLEARTOOL_COMMAND("umount", cmd_umount);
CLEARTOOL_COMMAND("mkview", cmd_mkview);
CLEARTOOL_COMMAND("rmview", cmd_rmview);
CLEARTOOL_COMMAND("lsview", cmd_lsview);
CLEARTOOL_COMMAND("startview", cmd_startview);

}  // namespace ccsub
