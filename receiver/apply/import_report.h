// After the import utility has run on a packet: which new versions did not
// arrive, what the utility reported (rewritten into the replication's own
// words in the warnings log), whether the import counts as done, and the
// protections of the new elements.
#pragma once

#include <string>

// The import utility's name and the texts it is recognised by.
inline constexpr char IMPORT_UTILITY_NAME[] = "clearimport";

// Reports every path of the new-version list that still does not exist to
// the e-mail digest and the warnings log. data_path names the packet, vob_tag
// the receiving VOB. Returns the number of missing versions.
int report_missing_versions(const std::string& data_path, const std::string& vob_tag);

// Reads one import output file (when it exists and is not empty), logs its
// errors and warnings, and notes the utility's closing line in
// APPLY_PACKET.found_string_Closing_directories. Returns 0.
int post_any_needed_warnings(const std::string& path);

// The import utility's words replaced by the replication's: "<name>:" by
// "Vandrel", any other "<name>" by "replicating", "encountered importing" by
// "traversed replicating", "Trouble importing" by "Error replicating".
std::string rewrite_import_words(std::string text);

// Gives the elements of the new-element records file ("path|owner|group|
// permissions;" records, paths relative to vob_path) the protection of the
// receiver key line (APPLY_SETTINGS.protection: preserve or exactly).
// Returns 1 when the records were processed, 0 otherwise (warned).
int reprotect_new_elements(const std::string& nele_path, const std::string& vob_path);

// The whole step after the import, in order: missing versions, the error
// output then the standard output of the import, the outcome and, for
// protection "preserve" or "exactly", the re-protection of new elements
// (the records file is deleted afterwards). Returns 1 when the import counts
// as done (the packet may be confirmed), 0 when it failed (MSG_33 logged;
// the caller runs the post-receive trigger with status 110 and keeps the
// packet unconfirmed).
int finish_import(const std::string& catcho, const std::string& catche, const std::string& target_dir,
                  const std::string& data_path, const std::string& vob_tag, const std::string& vob_path,
                  const std::string& nele_path);
