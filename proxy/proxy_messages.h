// The relay's messages. Texts are kept exactly as operators and log readers
// know them, spelling included.
#pragma once

inline constexpr char PROXY_SELF[] = "vandrel_proxy";

// Command line.
inline constexpr char PROXY_USAGE[] = "USAGE: %s -ver | -help | -man | proxy_file \n";
inline constexpr char PROXY_PATH_TOO_LONG[] = "%s: Path to proxy_file to excessive cannot be greater than %d.\n";
inline constexpr char PROXY_FILE_MISSING[] = "%s: The proxy_file (%s) does not exist or cannot be read";
inline constexpr char PROXY_NO_MEMORY[] = "%s: Insufficient memory to run (%s)";

// Start and end of a run.
inline constexpr char PROXY_START[] = "START of (%s)%sas per MAPFILE (%s)";
inline constexpr char PROXY_END[] = "END of (%s)%sas per MAPFILE (%s)";
// A newline and 27 blanks: the continuation of a time-stamped line.
inline constexpr char CONTINUE_LINE[] = "\n                           ";

// The proxy file (log class 'e').
inline constexpr char PROXY_MAP_MISSING[] = "ERROR: required mapfile (%s) does not exist";
inline constexpr char PROXY_MAP_UNREADABLE[] = "ERROR: required mapfile (%s) cannot be read";
inline constexpr char PROXY_MAP_EMPTY[] = "ERROR: required mapfile (%s) cannot be read or is empty";
inline constexpr char MSG_10[] = "ERROR (#%d): required mapfile (%s) is incomplete/invalid";
// A value that could reach the transfer script or the command line as
// anything but itself.
inline constexpr char PROXY_MAP_REFUSED[] = "ERROR: required mapfile (%s) refused: %s";
inline constexpr char PROXY_NOT_READ[] = "-- communication parmeters not read from (%s)";

// Sessions.
inline constexpr char MSG_06[] =
    "ERROR: transport program (%s) could not be found (check path) or could not be executed (check permissions)";
inline constexpr char MSG_11[] = "--- communication not established ---- ";
inline constexpr char PROXY_BEGIN_ERRORS[] = "--- begin commnication errors ---- ";
inline constexpr char PROXY_END_ERRORS[] = "--- end commnication errors ---- ";
inline constexpr char MSG_24[] = "-- Error #%d: Error building communication instruction for mapfile (%s)...";
inline constexpr char MSG_25[] = "-- Error #%d: No remote communication available for mapfile (%s)...";
inline constexpr char PROXY_WORK_DIR_FAILED[] = "ERROR: private work directory could not be made in (%s): %s";

// Push of confirmations.
inline constexpr char PROXY_GOOD_PUSH[] = "GOOD \"PUSH\" of existing epoc(s)%sas per MAPFILE (%s):";
inline constexpr char PROXY_NONE_FOUND[] = "- (None found)";
inline constexpr char PROXY_NAME_SKIPPED[] = "-- file (%s) in (%s) not relayed: %s";

// Listing, fetch and delivery.
inline constexpr char PROXY_READ_FAILED[] = "%s: Could not read remote directory. (Error #%d)";
inline constexpr char PROXY_GOOD_PULL[] = "GOOD \"PULL\" of listed package(s)%sas per MAPFILE (%s):";
inline constexpr char PROXY_SEPARATOR[] = "  -------------------------";
inline constexpr char PROXY_STILL_WAITING[] = "-- package (%s) is still waiting in (%s): not fetched again";
inline constexpr char PROXY_NOT_WHOLE[] = "-- package (%s) did not arrive whole and stays on the remote side: %s";
inline constexpr char PROXY_NOT_DELIVERED[] =
    "-- package (%s) could not be moved into (%s) and stays on the remote side: %s";
inline constexpr char PROXY_DELIVERED[] = "-- package (%s) delivered whole to (%s) with %d extra part(s)";
inline constexpr char PROXY_GOOD_DELETE[] = "GOOD \"DELETE\" of delivered package(s)%sas per MAPFILE (%s):";
