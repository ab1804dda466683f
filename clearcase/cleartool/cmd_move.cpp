// mv: renames an element or moves it to another directory. Both the source
// and the target directory must be checked out in the view; the element
// keeps its identity, history and versions.
#include <cstdio>

#include "clearcase/cleartool/session.h"
#include "clearcase/store/locks.h"
#include "clearcase/store/mutate.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/ops.h"

namespace ccsub {
namespace {

int cmd_mv(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS}, o, err) || o.operands.size() < 2)
        return usage_error("mv", err.empty() ? "mv pname target-pname | mv pname ... target-dir" : err);
    std::vector<std::string> srcs(o.operands.begin(), o.operands.end() - 1);
    std::string target = o.operands.back();
    Session s;
    if (!s.open(true)) return 1;
    int status = 0;
    for (auto& src : srcs) {
        Resolved from, to;
        if (!resolve_pname(s.st, src, from, err)) {
            status = cc_error(err);
            continue;
        }
        if (from.has_xpn || !from.parent_eid) {
            status = cc_error("Cannot move \"" + src + "\".");
            continue;
        }
        if (!resolve_pname(s.st, target, to, err, kAllowMissing)) {
            status = cc_error(err);
            continue;
        }
        // An existing directory target receives the element under its name.
        if (to.exists() && to.elem.is_dir() && !to.has_xpn) {
            if (!resolve_pname(s.st, target + "/" + from.name, to, err, kAllowMissing)) {
                status = cc_error(err);
                continue;
            }
        }
        if (to.exists()) {
            status = cc_error("Entry named \"" + target + "\" already exists.");
            continue;
        }
        if (to.vob.id != from.vob.id || to.view.id != from.view.id) {
            status = cc_error("Cannot move an element to another VOB or view.");
            continue;
        }
        if (path_within(to.vobpath, from.vobpath)) {
            status = cc_error("Cannot move a directory below itself.");
            continue;
        }
        auto sco = s.st.checkout_in_view(from.parent_eid, from.view.id);
        auto tco = s.st.checkout_in_view(to.parent_eid, to.view.id);
        if (!sco || !tco) {
            status = cc_error("Can't modify directory \"" + dirname_of(!sco ? src : target) +
                              "\" because it is not checked out.");
            continue;
        }
        s.begin_operand();
        bool ok = check_locks(s.st, LockScope{from.vob.id, from.eid, 0, {}}, "rmname") &&
                  co_remove_entry(s.st, sco->id, from.name) && co_add_entry(s.st, tco->id, to.name, from.eid);
        if (ok) {
            EventRec e;
            e.vob_id = from.vob.id, e.op = "mv", e.mkind = element_kind_word(from.elem), e.name = to.vobpath;
            e.descr = "move " + e.mkind + " \"" + from.vobpath + "\" to \"" + to.vobpath + "\"";
            e.comment = e.user_comment = comment_of(o);
            e.eid = from.eid;
            record_event(s.st, e);
            queue_triggers(s.st, from.vob.id, "rmname", trigger_env(s.st, from, "", ""));
            queue_triggers(s.st, from.vob.id, "lnname", trigger_env(s.st, to, "", ""));
        }
        s.end_operand(ok);
        if (!ok)
            status = cc_error(s.st.error());
        else
            std::printf("Moved \"%s\" to \"%s\".\n", src.c_str(), target.c_str());
    }
    return s.finish(status);
}

}  // namespace

CLEARTOOL_COMMAND("mv", cmd_mv);
CLEARTOOL_COMMAND("move", cmd_mv);

}  // namespace ccsub
