// View-level operations shared by cleartool's authoring commands and the
// importer: checkout (with the config spec's -mkbranch/-nocheckout),
// checkin, uncheckout, element creation in a checked-out directory, branch
// creation. Each checks locks, records the history event and queues the
// VOB's triggers. They return 1 on success, 0 with the reason in
// Store::error(); `msg` receives the cleartool-style confirmation lines.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "clearcase/store/store.h"
#include "clearcase/view/pname.h"

namespace ccsub {

// Trigger environment for an operation on a resolved pname: CLEARCASE_PN,
// CLEARCASE_XPN (when vid is given), CLEARCASE_ID_STR, CLEARCASE_BRTYPE.
std::vector<std::pair<std::string, std::string>> trigger_env(Store& st, const Resolved& r, const std::string& vid,
                                                             const std::string& brtype);

struct CheckoutOpts {
    std::string comment;
    bool unreserved = false;
    bool ignore_rule_branch = false;  // checkout on the designated branch only
};
int checkout_element(Store& st, Resolved& r, const CheckoutOpts& o, int64_t& co_id, std::string& msg);

struct CheckinOpts {
    std::string comment;
    bool identical = false;
    bool has_comment = false;  // else the checkout's comment is used
};
int checkin_element(Store& st, Resolved& r, const CheckinOpts& o, int64_t& version_id, std::string& msg);

// Enters an element in the VOB's lost+found as <name>.<element id> (a new
// version of lost+found).
int enter_in_lost_found(Store& st, const VobRec& vob, const std::string& name, int64_t eid);

// keep: save the working file as <name>.keep first. Elements created in a
// cancelled directory checkout move to lost+found.
int uncheckout_element(Store& st, Resolved& r, bool keep, std::string& msg);

// Creates an element named by r (resolved with kAllowMissing) in its parent
// directory, which must be checked out in r's view. kind: "file",
// "directory" or "slink" (text = link text).
int make_element(Store& st, Resolved& r, const std::string& kind, const std::string& eltype,
                 const std::string& slink_text, const std::string& comment, int64_t& eid, std::string& msg);

// Creates a branch of type brtype at r's designated version.
int make_branch(Store& st, Resolved& r, const std::string& brtype, const std::string& comment, int64_t& branch_id,
                std::string& msg);

// The object path shown in history and triggers: VOB-tag-rooted path.
std::string vob_xp(Store& st, const Resolved& r, int64_t version_id);

}  // namespace ccsub
