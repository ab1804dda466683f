// Directories of the receiving VOB that a packet prepares before the import
// (checked out, or made on the branch the import view's config spec
// selects) and checks in afterwards, and the directory protections applied
// after the import.
#pragma once

#include <string>

// 1 when the checked-out directory has no change against its predecessor
// (its checkout is then cancelled rather than checked in).
int unchecked_out_instead(const std::string& dir);

// 1 when `cleartool ls -dir` shows the view path (the object exists).
int is_shown_in_view(const std::string& view_path);

// Checks out a directory of the import view once for this packet and puts
// it on the packet's directory list; `action` names the step in the warning
// (MSG_52) when the checkout cannot be confirmed. 1 when it is checked out.
int check_out_directory(const std::string& view_path, const char* action, const std::string& vob_tag);

// Prepares the directory `rel` (relative to the VOB path, tidied) on the
// branch personality: an existing one is checked out; a missing one is made
// (its parent checked out first) and given the owner and group the
// protection choice asks for (`owner`/`group` of its "o:" record, when
// known, for the sender's protection).
void prepare_replicated_directory(const std::string& rel, const std::string& vob_tag, const std::string& vob_path,
                                  const std::string& owner, const std::string& group);

// After the import: every directory of the packet's list is checked in, or
// its checkout cancelled when it did not change.
void checkin_replicated_dirs();
// After the import: the recorded directory protections.
void apply_protected_dirs();
