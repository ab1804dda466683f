// Messages and table-of-contents texts of the label, attribute, type, lock
// and removal requests that a packet carries. Texts are kept exactly as
// operators know them, spelling included.
#pragma once

#include <cstddef>

namespace receiver_metadata {

// Warnings (log class 'w').
inline constexpr char MSG_51a[] =
    "-- Warning: Could not create needed \"%s\" %s:%s in VOB (%s).  %s of this type may not replicate...";
inline constexpr char MSG_113[] =
    "-- Could not process all labels... consider smaller packets or replicate more often...";
inline constexpr char MSG_114[] = "-- Trouble applying %s %s to \"%s\"...";
inline constexpr char MSG_114_[] = "-- Trouble removing %s %s from \"%s\"...";
inline constexpr char MSG_114a[] = "-- Trouble removing element \"%s\"...";
inline constexpr char MSG_115[] =
    "-- Could not process all rmelement commands... consider smaller packets or replicate more often...";
inline constexpr char MSG_116[] =
    "-- Warning: Skipping remote %s request for %s \"%s\" as required by receiver process...";
inline constexpr char MSG_116a[] =
    "-- Warning: Skipping remote %s request for %s \"%s\" as required by receiver key...";
inline constexpr char MSG_116b[] =
    "-- Warning: Skipping remote %s request for %s \"%s\" -> \"%s\" as required by receiver process...";
inline constexpr char MSG_116c[] =
    "-- Warning: Skipping remote %s request for %s \"%s\" -> \"%s\" as required by receiver key...";
inline constexpr char MSG_117[] =
    "-- Warning: Skipping rmelem for \"%s\" ...\n            shipper location requested rmelem for %s, but the "
    "element is a %s at this location...";
inline constexpr char MSG_118[] = "-- Trouble removing %s type \"%s\"...";
inline constexpr char MSG_118b[] = "-- Trouble renaming %s type \"%s\" -> \"%s\"...";
inline constexpr char MSG_121[] = "Honored remote %s %s for (%s@%s)";
inline constexpr char MSG_122[] = "As receiver requested: Ignored remote %s %s for (%s@%s)";
inline constexpr char MSG_122a[] = "As receiver key requested: Ignored remote %s %s for (%s@%s)";
inline constexpr char MSG_124[] = "Uncoded case for %s:";
inline constexpr char LBTYPE_LOCKED_LOCALLY[] = "---- lbtype:%s is locked locally...";
inline constexpr char ATTYPE_LOCKED_LOCALLY[] = "---- attype:%s is locked locally...";

// Refusals of request fields that would leave the receiving VOB or be read
// as a command option.
inline constexpr char MSG_UNSAFE_OBJECT[] =
    "-- Warning: Skipping remote %s request for \"%s\": the path leaves the replicated directory...";
inline constexpr char MSG_UNSAFE_TYPE_NAME[] =
    "-- Warning: Skipping remote %s request for %s \"%s\": not a type name this receiver accepts...";
inline constexpr char MSG_MALFORMED_SECTION[] = "-- Warning: %s; the records that follow it were not applied...";

// Comments given to the commands run for the packet.
inline constexpr char IMPORT_COMMENT[] = "created by Vandrel";
inline constexpr char CREATED_TO_SUPPORT[] = "Created by %s to support %sing from '%s'";
inline constexpr char CREATED_TO_MIRROR[] = "Created by %s to mirror location '%s'";
inline constexpr char REMOVED_TO_MIRROR[] = "Removed by %s to mirror location '%s'";

// Table of contents (log class 't', written verbatim).
inline constexpr char HEADER_RMELE_RMTYPES_FOLLOW[] =
    "   ======== any rmelem, rmver, rmbranch, rmtype:lbtype, rmtype:brtype and rmtype:attype \"request\" follow:\n";
inline constexpr char HEADER_LBTYPE_LOCK[] = "   ======== any lock and unlock of label types \"request\" follow:\n";
inline constexpr char HEADER_BRTYPE_LOCK[] = "   ======== any lock and unlock of branch types \"request\" follow:\n";
inline constexpr char HEADER_ATTYPE_LOCK[] = "   ======== any lock and unlock of attribute types \"request\" follow:\n";
inline constexpr char HEADER_ELEMENT_LOCK[] = "   ======== any lock and unlock of elements \"request\" follow:\n";
inline constexpr char HEADER_BRANCH_LOCK[] = "   ======== any lock and unlock of branches \"request\" follow:\n";
inline constexpr char HEADER_RM_MERGE_ARROW[] = "   ======== any removal of merge arrows \"request\" follow:\n";
inline constexpr char TOC_REQUEST_LINE[] = "   %s %s => \"%s\"  %s\n";
inline constexpr char TOC_RENAME_LINE[] = "   rntype %s => \"%s\" -> \"%s\" %s\n";
inline constexpr char TOC_REMOVAL_LINE[] = "   %s file => \"%s\"%s\n";
inline constexpr char TOC_MERGE_NOT_REMOVED_LINE[] = "   removal of merge arrow => \"%s\" <- \"%s\" %s\n";
inline constexpr char TOC_MERGE_REMOVED_LINE[] = "   removed merge arrow => \"%s\" <- \"%s\"\n";
inline constexpr char TOC_FAILED[] = " (failed)";
inline constexpr char TOC_FAILED_REASON[] = "(failed)";
inline constexpr char IGNORED_BY_RECEIVER_PROCESS[] = "(ignored by receiver \"process\" request)";
inline constexpr char NOT_IGNORED[] = "";
inline constexpr char IGNORED_BY_RECEIVER_KEY[] = "(ignored by receiver \"key\" request)";

// Switches of the type-making commands.
inline constexpr char SWITCH_GLOBAL[] = "-glo";
inline constexpr char SWITCH_ORDINARY[] = "-ord";
inline constexpr char SWITCH_PER_BRANCH[] = "-pbr";
inline constexpr char SWITCH_VERSIONS_PER_BRANCH[] = "-vpb";
inline constexpr char SWITCH_VERSIONS_PER_VERSION[] = "-vpv";
inline constexpr char SWITCH_REPLACE[] = "-rep";

// The label that every version "has" while checked out; never locked.
inline constexpr char CHECKEDOUT_PSEUDO_LABEL[] = "CHECKEDOUT";

// Size of the buffer a section is read into; a section holding more than
// SECTION_TEXT_MAX bytes is cut there.
inline constexpr std::size_t POST_PROCESS_BUFFER_SIZE = 204800000;
inline constexpr std::size_t SECTION_TEXT_MAX = 204799989;

}  // namespace receiver_metadata
