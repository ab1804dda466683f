// View commands: setcs, catcs, setview.
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>

#include "clearcase/cleartool/session.h"
#include "clearcase/util/shell.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/configspec.h"
#include "clearcase/view/materialise.h"
#include "clearcase/view/pname.h"

namespace ccsub {
namespace {

// The view setcs/catcs work on: -tag, else the view the process is in.
// Prints the error and returns nullopt when there is neither.
std::optional<std::string> view_of_command(const ParsedOpts& o) {
    if (o.has("tag")) return o.get("tag");
    if (auto t = current_view_tag()) return t;
    cc_error("Not in a view: use -tag.");
    return std::nullopt;
}

int cmd_setcs(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {{"tag", 3, true},
                        {"default", 3, false},
                        {"current", 3, false},
                        {"stream", 3, false},
                        {"overwrite", 3, false},
                        {"ctime", 3, false},
                        {"ptime", 3, false},
                        {"force", 1, false}},
                       o, err))
        return usage_error("setcs", err);
    auto tag = view_of_command(o);
    if (!tag) return 1;
    std::string text;
    if (o.has("default"))
        text = "element * CHECKEDOUT\nelement * /main/LATEST\n";
    else if (o.operands.size() == 1) {
        if (!read_file(o.operands[0], text)) return cc_error("Unable to open file \"" + o.operands[0] + "\".");
    } else if (!o.has("current"))
        return usage_error("setcs", "setcs [-tag <view tag>] <config spec file>");
    Session s;
    if (!s.open(true)) return 1;
    auto v = s.st.view_by_tag(*tag);
    if (!v) return cc_error("Unable to find view \"" + *tag + "\".");
    if (o.has("current")) text = v->config_spec;
    ConfigSpec cs;
    if (!parse_config_spec(text, cs, err)) return cc_error(err);
    Stmt u(s.st.db(), "UPDATE views SET config_spec=? WHERE id=?");
    u.bind(1, text).bind(2, v->id);
    if (!u.exec()) return cc_error(s.st.db().error());
    v->config_spec = text;
    rebuild_view(s.st, *v);
    return s.finish(0);
}

int cmd_catcs(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"tag", 3, true}}, o, err)) return usage_error("catcs", err);
    auto tag = view_of_command(o);
    if (!tag) return 1;
    Session s;
    if (!s.open(false)) return 1;
    auto v = s.st.view_by_tag(*tag);
    if (!v) return cc_error("Unable to find view \"" + *tag + "\".");
    std::fputs(v->config_spec.c_str(), stdout);
    if (!v->config_spec.empty() && v->config_spec.back() != '\n') std::fputc('\n', stdout);
    return 0;
}

struct SetviewPlan {
    std::string view_dir;
    std::vector<std::string> vob_tags;
};

// Runs in the child before the shell: a private mount namespace in which
// every VOB tag path shows the view's copy of that VOB.
bool enter_view_namespace(void* arg) {
    auto* plan = static_cast<SetviewPlan*>(arg);
    if (unshare(CLONE_NEWNS) != 0) return true;  // no privilege: paths under /view still work
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return true;
    for (auto& tag : plan->vob_tags) {
        std::string src = plan->view_dir + tag;
        if (!is_dir(src)) continue;
        mkdir_p(tag, 0755);  // the mount point, as every client host has it
        mount(src.c_str(), tag.c_str(), nullptr, MS_BIND | MS_REC, nullptr);
    }
    return true;
}

int cmd_setview(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"exec", 2, true}, {"login", 3, false}}, o, err)) return usage_error("setview", err);
    if (o.operands.size() != 1) return usage_error("setview", "setview [-exec <command>] <view tag>");
    if (!o.has("exec")) return cc_error("setview needs -exec <command> here: no interactive shells are started.");
    SetviewPlan plan;
    std::string tag = o.operands[0];
    {
        Session s;
        if (!s.open(true)) return 1;
        auto v = s.st.view_by_tag(tag);
        if (!v) return cc_error("Unable to find view \"" + tag + "\".");
        plan.view_dir = view_root() + "/" + tag;
        bool missing = !is_dir(plan.view_dir);
        for (auto& vob : s.st.vobs()) {
            plan.vob_tags.push_back(vob.tag);
            missing = missing || !is_dir(plan.view_dir + vob.tag);
        }
        if (missing) {
            Stmt d(s.st.db(), "DELETE FROM mat WHERE view_id=?");
            d.bind(1, v->id);
            d.exec();
            rebuild_view(s.st, *v);
        }
        s.finish(0);
    }
    ShellEnv env;
    env.set.emplace_back("CLEARCASE_ROOT", plan.view_dir);
    int rc = run_shell_with(o.get("exec"), env, enter_view_namespace, &plan);
    if (rc < 0) return cc_error("Unable to run the command.");
    return rc;
}

}  // namespace

CLEARTOOL_COMMAND("setcs", cmd_setcs);
CLEARTOOL_COMMAND("catcs", cmd_catcs);
CLEARTOOL_COMMAND("setview", cmd_setview);

}  // namespace ccsub
