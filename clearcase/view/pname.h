// Pathname resolution: maps a pname as cleartool receives it to a view, a
// VOB and an element (plus the object an extended name designates).
// Accepted forms:
//   /view/W/<vob tag>/rel           view path (also /view/W/view/W2/...)
//   rel, ./rel, ../rel              relative to a cwd inside /view/W/...
//   /<vob tag>/rel                  inside setview (CLEARCASE_ROOT=/view/W)
//   any of these + "@@", "@@/main/dev", "@@/main/dev/3", "@@/main/LATEST",
//   "@@/main/dev/CHECKEDOUT"
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "clearcase/store/store.h"
#include "clearcase/view/select.h"

namespace ccsub {

struct Resolved {
    std::string given;  // exactly as given
    ViewRec view;
    VobRec vob;
    std::string vobpath;    // VOB-tag-rooted element path, e.g. /vobs/src/lib/foo.c
    std::string view_path;  // /view/W + vobpath
    int64_t eid = 0;        // 0 when the last component does not exist (AllowMissing)
    ElementRec elem;
    int64_t parent_eid = 0;  // directory element holding the name (0 for a VOB root)
    std::string name;        // last component
    Selection sel;           // what the view shows for the element
    bool has_xpn = false;
    std::string xpn;  // text after "@@"
    enum class Obj { Element, Branch, Version, Checkout } obj = Obj::Element;
    int64_t branch_id = 0, version_id = 0, co_id = 0;
    bool exists() const { return eid != 0; }
    // Version the pname designates: the xpn's version, or the view's selected
    // checked-in version (0 for a checkout).
    int64_t designated_version() const { return version_id ? version_id : sel.version_id; }
};

enum ResolveFlags : int {
    kAllowMissing = 1,  // the last component may be absent (mkelem, mkdir, ln)
};

// The view a process is in: CLEARCASE_ROOT=/view/W, else from the cwd.
std::optional<std::string> current_view_tag();

// Absolute, lexically normalised form of a pname ("@@" part untouched).
std::string absolute_pname(const std::string& pname);

// Returns 1 on success; 0 with a cleartool-style message in err.
int resolve_pname(Store& st, const std::string& pname, Resolved& out, std::string& err, int flags = 0);

// Splits "/view/W/rest" (also through /view/W/view/...) into W and rest.
bool split_view_path(const std::string& abs, std::string& tag, std::string& rest);

}  // namespace ccsub
