// The passes that rewrite an export text before its conversion: they drop
// what the VOB key's selection leaves out (branches, labels, attributes),
// merge arrows that must not travel, type definitions nothing uses and the
// elements that are symbolic links, and gather the type names the packet
// uses. Each returns 1 on success and 0 on failure (logged at class 'e');
// on failure the export is left as it was.
//
// The shipping pass runs them on "<E>.crx", replication packets only, in
// this order: manage_any_slinks, excluded/restricted 'B',
// manage_any_merges_to_ignore, excluded/restricted 'L' and 'A', unused 'B',
// 'L' and 'A'.
#pragma once

#include <string>
#include <vector>

// The type names the packet uses, in export order, gathered by the
// unused-type passes and read by the conversion for its header records.
struct ReplicatedTypes {
    std::vector<std::string> BRANCHES;
    std::vector<std::string> LABELS;
    std::vector<std::string> ATTRIBUTES;
};
extern ReplicatedTypes REPLICATED_TYPES;

// Comma-separated form of a name list ("a,b,c"), as logs show it.
std::string replicated_names_text(const std::vector<std::string>& names);

// kind 'B', 'L' or 'A' (any other kind fails). Applies METADATA_SELECTION;
// does nothing when the kind's selection keeps every name. Branches: type
// blocks, versions whose branch path fails (an element whose every version
// is dropped goes with them) and "SubBranch" lines; labels: type blocks and
// "Label" lines; attributes: type blocks and "Attrib" lines with their whole
// value.
int manage_any_excluded_or_restricted_metadata(char kind, const std::string& export_path);

// Drops merge arrows from or to a checked-out version, and, with an "E" or
// "R" branch selection, those whose other end lies on a branch that does not
// travel. The export is rewritten only when a line was dropped.
int manage_any_merges_to_ignore(const std::string& export_path);

// kind 'B', 'L' or 'A': keeps a type block only when the export uses the
// type (a "SubBranch"/"OnBranch", "Label" or attribute line names it) and
// lists the kept names in REPLICATED_TYPES.
int manage_any_unused_metadata(char kind, const std::string& export_path);

// Drops the blocks of elements and directories that are symbolic links of
// the slink list, or lie below one. Does nothing when the list is empty.
int manage_any_slinks(const std::string& export_path);
