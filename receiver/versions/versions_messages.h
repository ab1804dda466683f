// Messages of applying element versions to the receiving VOB. Texts are kept
// exactly as operators and their log scanners know them, spelling included.
#pragma once

inline constexpr char MSG_50[] = "-- required pre-process file (%s) does could not be opened for (%s)";
inline constexpr char MSG_51[] =
    "-- Warning: Could not create needed element:supertype %s:%s in VOB (%s).  Elements of this type may not "
    "replicate...";
inline constexpr char MSG_52[] =
    "-- Warning: Could not perform the %s needed on the directory: %s in VOB (%s).  Child elements of this directory "
    "may not replicate...";
inline constexpr char MSG_52a[] = "\n            probable shipper/receiver version mismatch...";
inline constexpr char MSG_53[] =
    "-- Warning: Could not %s reserved attribute type: %s%s in VOB (%s).  Remote checkouts from location (%s) may not "
    "be properly identified...";
inline constexpr char MSG_54[] =
    "-- Warning: Could not apply reserved attribute: %s%s for element:branch (%s).  Remote checkout from location "
    "(%s) is not be properly identified in this VOB...";
inline constexpr char MSG_81[] =
    "Package processing ENDED INCOMPLETE WITH ERRORS - Remote Vandrel Shipper must be %s or higher...";

inline constexpr char HEADER_SLINKS_FOLLOW[] = "   ======== any symbolic links follow:\n";
inline constexpr char IGNORE_SLINKS_FOLLOW[] =
    "   ======== as requested, ignoring the received symbolic links that follow:\n";
inline constexpr char TOC_SLINK_LINE[] = "   %s --> %s\n";

// The actions named in MSG_52.
inline constexpr char ACTION_DIRECTORY_CHECKOUT[] = "directory checkout";
inline constexpr char ACTION_PARENT_CHECKOUT[] = "parent directory checkout";
inline constexpr char ACTION_READ_PROTECTION[] = "read protection for";
inline constexpr char ACTION_DIRECTORY_CREATION[] = "directory creation";
inline constexpr char ACTION_SLINK_CREATION[] = "symbolic link creation";

// Comments given to what the receiver makes in the VOB (program name, then
// the sending location where the text names one).
inline constexpr char COMMENT_RESERVED_ATTYPE[] = "Created by %s...";
inline constexpr char COMMENT_ELTYPE[] = "Created by %s to support elements from '%s'";
inline constexpr char COMMENT_REPLICATED_DATA[] = "Created by %s for support of replicated '%s' data...";
inline constexpr char COMMENT_CHECKOUT_MARK[] = "Created by %s";

// Refusals of hostile packet content (class 'w'): nothing is done for the
// record, the rest of the packet goes on.
inline constexpr char MSG_REFUSED_PATH[] =
    "-- Warning: Refused the %s (%s) of package (%s): the path would leave VOB (%s)...  Nothing done for it...";
inline constexpr char MSG_REFUSED_NAME[] =
    "-- Warning: Refused the %s (%s) of package (%s): not a usable type name in VOB (%s)...  Nothing done for it...";
inline constexpr char MSG_MISSING_DATA_FILE[] =
    "-- Warning: Data file (%s) for element version (%s@@%s) is not part of package (%s)...  This version was not "
    "replicated...";

// What MSG_REFUSED_PATH and MSG_REFUSED_NAME call the refused record.
inline constexpr char WHAT_DIRECTORY[] = "directory";
inline constexpr char WHAT_DIRECTORY_PROTECTION[] = "directory protection";
inline constexpr char WHAT_SLINK[] = "symbolic link";
inline constexpr char WHAT_CHECKOUT[] = "remote checkout";
inline constexpr char WHAT_LOCATION[] = "location";
inline constexpr char WHAT_ELTYPE[] = "element type";
inline constexpr char WHAT_BRTYPE[] = "branch type";
inline constexpr char WHAT_LBTYPE[] = "label type";
inline constexpr char WHAT_ATTYPE[] = "attribute type";
