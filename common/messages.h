// Message formats shared by every program of the system. Texts are kept
// exactly as operators and peer sites know them, spelling included.
#pragma once

inline constexpr char COMMON_MSG_01[] =
    "Can't get lock (%s) for %s process. The \"daemon\" directory must exists and be writable...\n";
inline constexpr char COMMON_MSG_02[] =
    "Can't get view lock (%s) for %s process. The \"daemon\" directory must exists and be writable...\n";
inline constexpr char COMMON_MSG_03[] =
    "%s: %s Config. File (%s) has Optional %s (%s) defined but not accessable in trigger dir (%s)";
inline constexpr char COMMON_MSG_04[] =
    "%s: %s Config. File (%s) has Illegal Optional %s (%s).  No dir char '/' or '\\' allowed.";
inline constexpr char COMMON_MSG_08[] = "%s>%s>%s\n";
inline constexpr char COMMON_MSG_09[] = "%s file would exceed OS MAX.  Could not %s file";
inline constexpr char COMMON_MSG_10[] =
    "%s file would exceed OS MAX.  Could not %s file.\n\tInform packet sender to send smaller packets.";
inline constexpr char COMMON_MSG_12[] = "%s: %s start denied: TMP directory (%s) not defined or is not a directory";
inline constexpr char COMMON_MSG_13[] = "TEST ONLY: ====== Would process appropiate packet ====== ...";
inline constexpr char COMMON_MSG_14[] = "Received packet was encrypted with a different encryption key.";
inline constexpr char COMMON_MSG_14b[] = "--- Receiver expects received packets to have matching \"%s\" encryption.";
inline constexpr char COMMON_MSG_15[] =
    "%s: %s Config. File (%s) has ENCRYPTION=%s, but required key_file (%s) not found";
inline constexpr char COMMON_MSG_16[] = "%s: %s Encryption Key File (%s) cannot be read";
inline constexpr char COMMON_MSG_17[] = "%s: %s Encryption Key File (%s) does cannot be read or is empty";
inline constexpr char COMMON_MSG_18[] = "%s: %s Encryption Key File (%s) is incompleted or invalid";
inline constexpr char COMMON_MSG_19[] = "%s: %s Config. File (%s) has ENCRYPTION out of range [%s, %s]";
inline constexpr char COMMON_MSG_20[] = "%s: Quorlin/Vandrel RELOCATED %s directory requested, but not defined";
inline constexpr char COMMON_MSG_21[] =
    "%s: Quorlin/Vandrel RELOCATED %s directory (%s) does not exist or cannot be read";
inline constexpr char COMMON_MSG_22[] = "%s: Vandrel m_bay (%s) does not exist or cannot be read";
inline constexpr char COMMON_MSG_23[] = "%s: %s Relocation File (%s) cannot be read";
inline constexpr char COMMON_MSG_24[] = "%s: %s Relocation File (%s) cannot be read or is empty";
inline constexpr char COMMON_MSG_25[] = "%s: Quorlin/Vandrel daemon (%s) does not exist or cannot be read";
inline constexpr char COMMON_MSG_26[] = "- using \"%s\" %s...";
inline constexpr char COMMON_MSG_27[] = "   ==   encountered queued stop request   ==";
inline constexpr char COMMON_MSG_28[] = "   ==   received queued stop request   ==";
inline constexpr char COMMON_MSG_29[] = "   ==   dequeued (removed) existing stop request   ==";

// Words that fill the first "%s" of start-up and stop failures.
inline constexpr char START_FAILED[] = "START_FAILED";
inline constexpr char STOP_FAILED[] = "STOP_FAILED";
inline constexpr char READ_FAILED[] = "READ_FAILED";

// Texts written into the "_stopped" file by the last words of a daemon.
inline constexpr char HONORABLE_STOP[] = "Stopped to honor %s request...";
inline constexpr char STOPPED_CONFIG_VANISHED[] = "Stopped because Config. File vanished...";
inline constexpr char STOPPED_SHUTTING_DOWN[] = "%s shutting down...";
inline constexpr char STOPPED_TERMINAL_SIGNAL[] = "Stopped for receipt of terminal signal (#%d)...";

// Start banner pieces shared by the daemons.
inline constexpr char START_PROCESS_HEADER[] = "== service (%s %s) started (%s) with static variables: ==";
inline constexpr char REQUIRED_SUBHEADER[] = "\n\t== (required variables) ===================";
inline constexpr char OPTIONAL_SUBHEADER[] = "\n\t== (optional variables) ===================";
inline constexpr char UNDOCUMENTED_SUBHEADER[] = "\n\t== (undocumented env. variables) ==========";
inline constexpr char END_HEADER[] = "\n\t==========================================================";
inline constexpr char HEADER_STRING_VALUE[] = "\n\t\t%-34s = %s";
inline constexpr char HEADER_INT_VALUE[] = "\n\t\t%-34s = %d";
inline constexpr char HEADER_CHAR_VALUE[] = "\n\t\t%-34s = %c";
inline constexpr char HEADER_LONG_STRING_VALUE[] = "\n\t  - %-38s = %s";
