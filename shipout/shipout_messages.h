// The trigger program's own messages.
#pragma once

namespace shipout {

inline constexpr char SELF[] = "vandrel_shipout";

inline constexpr char USAGE_MSG[] =
    "%s Version %s%s (build: %s)\n\nUsage is vandrel_shipout -ver | {tallybits_file  "
    "[key_number[-|[-key_number]|,]..[key_number[-|[-key_number]|,]}";

// Key list refusals: program name, key list, lowest and highest key.
inline constexpr char INVALID_REPLICATION_KEY_PARSING[] =
    "%s Invalid replication key_numbers parsing \"-,\" in parameter (%s):  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_PARSING2[] =
    "%s Invalid replication key_numbers parsing \",,\" in parameter (%s):  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_PARSING3[] =
    "%s Invalid replication key_numbers parsing \"--\" in parameter (%s):  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_PARSING4[] =
    "%s Invalid replication key_numbers parsing \"#-#-#\" in parameter (%s):  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_PARSING5[] =
    "%s Invalid replication key_numbers parsing \"-\" alone in parameter (%s):  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_SPACE[] =
    "%s Invalid replication key_numbers parameter (%s) contains a space:  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY_START[] =
    "%s Invalid replication key_numbers parameter (%s) starts with \",\":  all replication "
    "key_numbers should be between [%d..%d] inclusive.";
inline constexpr char INVALID_REPLICATION_KEY[] =
    "%s Invalid replication key_numbers parameter (%s):  all replication key_numbers should be "
    "between [%d..%d] inclusive.";

inline constexpr char REPLICATION_DENIED[] = "REPLICATION DENIED: Vandrel Shipping";
inline constexpr char REQUIRED_QN_DIRECTORY_NOT_EXIST[] =
    "REPLICATION DENIED: Required Quorlin directory (%s) does not exist or cannot be read";
inline constexpr char REQUIRED_VL_DIRECTORY_NOT_EXIST[] =
    "REPLICATION DENIED: Required Vandrel directory (%s) does not exist or cannot be read";

inline constexpr char CONFIG_NOT_EXIST[] = "%s Config. File (%s) does not exist or cannot be read";
inline constexpr char CONFIG_CANNOT_READ[] = "%s Config. File (%s) cannot be read";
inline constexpr char CONFIG_EMPTY[] = "%s Config. File (%s) cannot be read or is empty";
inline constexpr char INCLUDE_CANNOT_READ[] = "%s Config. Include File (%s) cannot be read";
inline constexpr char VOB_ID_OUT_OF_RANGE[] = "%s Config. File (%s) had VOB_ID out of range [%d..%d] for VOB key (%s)";
inline constexpr char INCLUDE_VOB_ID_OUT_OF_RANGE[] =
    "%s Config. Include File (%s) had VOB_ID out of range [%d..%d] for VOB key (%s)";
inline constexpr char INCOMPLETE_VOB_KEY[] = "%s Config. File (%s) had incomplete VOB key (%s)";
// A receiving location name that would put the request outside the bay.
inline constexpr char INVALID_LOCATION[] = "%s Config. File (%s) had invalid receiving location (%s) for VOB key (%s)";
// A symbolic link to nothing stands where a request would be written: the
// request is not written through it.
inline constexpr char DANGLING_REQUEST[] =
    "REPLICATION WARNING: shipping request (%s) is a dangling symbolic link: no request written";
inline constexpr char WRITE_ERROR[] = "REPLICATION ERROR: Quorlin Replication Failed. Write Error.";
inline constexpr char VOB_NOT_READABLE[] =
    "%s The associated Vandrel shipper file (%s) contained the replication key (#%03d) that "
    "refers to the VOB (%s) that does not exist or cannot be read";
inline constexpr char ERROR_30[] = "ERROR: Can't malloc needed memory";

// Site file problems (the site file's format is this program's own).
inline constexpr char SITE_FILE_UNREADABLE[] =
    "REPLICATION DENIED: Vandrel site file (%s) does not exist or cannot be read";
inline constexpr char SITE_FILE_NO_DEPOT[] =
    "REPLICATION DENIED: Vandrel site file (%s) names no depot (a line depot=<path>)";

}  // namespace shipout
