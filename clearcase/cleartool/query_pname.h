// Resolution of pnames for the read-only commands: a path as the caller
// gave it (relative to a cwd inside /view/W/..., /view/W/<vob>/..., or
// VOB-tag-rooted inside setview), optionally version-extended ("f.c@@",
// "f.c@@/main/dev", "f.c@@/main/dev/3", "f.c@@/main/LATEST",
// "f.c@@/main/dev/CHECKEDOUT"), to the view, VOB and store objects it names.
// Resolution itself is the view layer's (clearcase/view/pname.h); this adds
// the echo-preserving names and the records the listings need.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "clearcase/store/records.h"

namespace ccsub {
class Store;
}

namespace ccsub::query {

struct Resolved {
    std::string given;       // the operand exactly as given (echo rule)
    std::string given_base;  // the part before "@@", as given
    std::string vob_path;    // normalised, VOB-tag-rooted path of the element ("/vobs/src/lib/foo.c")
    bool extended = false;   // had "@@"
    VobRec vob;
    std::optional<ViewRec> view;
    ElementRec element;
    std::optional<BranchRec> branch;      // named branch, or branch of the named/selected version
    std::optional<VersionRec> version;    // named or selected version
    std::optional<CheckoutRec> checkout;  // the view's checkout when it selects it (or .../CHECKEDOUT)
    // What the operand names: "element" (f@@), "branch" (f@@/main/dev),
    // "version" (f@@/main/3 or a plain path to a checked-in selection),
    // "checkout" (a plain path whose selection is the view's checkout), "slink".
    std::string names;
    std::string rule;  // the config spec rule line of the selection ("" when none)
};

// Resolves an operand; prints "cleartool: Error: ..." and returns false when
// it names nothing (or nothing the view shows).
bool resolve_operand(Store& store, const std::string& operand, Resolved& out, bool quiet = false);

// Resolves each operand in turn and hands it to `fn`. An operand that names
// nothing (or, with `need_view`, lies in no view) is skipped; its error is
// already printed. The exit status: 1 when any operand was skipped or `fn`
// returned nonzero for it, else 0.
int for_each_resolved(Store& store, const std::vector<std::string>& operands, bool need_view,
                      const std::function<int(const Resolved&)>& fn);

// Version id text of a checkout: "<branch path>/CHECKEDOUT".
std::string checkout_vid(Store& store, const CheckoutRec& co);

}  // namespace ccsub::query
