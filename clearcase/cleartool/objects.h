// Helpers for commands acting on the object a pname designates (element,
// branch or version): its kind words, its VOB-tag-rooted extended name and
// the per-operand loop.
#pragma once
#include <cstdio>
#include <string>

#include "clearcase/cleartool/session.h"
#include "clearcase/view/pname.h"

namespace ccsub {

struct Target {
    std::string obj_kind;  // "element" | "branch" | "version"
    int64_t obj_id = 0;
    int64_t branch_id = 0;
    std::string mkind;  // %m words: "version", "directory version", "file element", "branch", ...
    std::string xp;     // VOB-tag-rooted extended name
    std::string vid;    // version id or branch path ("" for elements)
};

// Object named by a resolved pname: its xpn, or the version the view
// selects. 0 with a message for checked-out versions and symbolic links.
int target_of(Store& st, const Resolved& r, Target& t, std::string& err, bool versions_only = false);

// -version V: the operand names version V of its element instead. False
// (the operand unchanged) when the element has no such version.
bool select_version_option(Store& st, const ParsedOpts& o, Resolved& r);

// Runs op for each pname inside its own savepoint.
template <typename Op>
int for_each_pname(Session& s, const std::vector<std::string>& pnames, int flags, Op op) {
    int status = 0;
    for (auto& p : pnames) {
        Resolved r;
        std::string err, msg;
        if (!resolve_pname(s.st, p, r, err, flags)) {
            status = cc_error(err);
            continue;
        }
        s.begin_operand();
        bool ok = op(r, msg) != 0;
        s.end_operand(ok);
        if (!ok) {
            status = cc_error(s.st.error());
            continue;
        }
        std::fputs(msg.c_str(), stdout);
    }
    return status;
}

}  // namespace ccsub
