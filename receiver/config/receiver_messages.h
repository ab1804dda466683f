// Message formats of the receiver. Texts are kept exactly as operators and
// peer sites know them, spelling included.
#pragma once

inline constexpr char RECEIVER_SELF[] = "vandrel_receiver";
inline constexpr char RECEIVER_VERSION[] = "12.1";

// Command line and start-up.
inline constexpr char RECEIVER_USAGE[] =
    "%s USAGE: %s -ver | -help | path_to_Quorlin_depot ( %s | %s | %s | %s | %s | %s | %s ) [which] [%s]\n";
inline constexpr char MSG_NO_USER[] = "%s unable to calculate userid.\n";
inline constexpr char MSG_20[] = "%s: Path to Quorlin Depot to excessive cannot be greater than %d.\n";
inline constexpr char MSG_21[] = "%s: Quorlin DEPOT (%s) does not exist or cannot be read";
inline constexpr char MSG_22[] = "%s: %s Shipping Logging Directory (%s) does not exist or cannot be read";
inline constexpr char MSG_23[] = "%s: %s Shipping Logging File (%s) does not exist and could not be created";
inline constexpr char MSG_24[] = "%s: %s Shipping Error Logging File (%s) does not exist and could not be created";
inline constexpr char MSG_24b[] = "%s: %s Shipping Error Email File (%s) does not exist and could not be created";
inline constexpr char MSG_25[] = "%s: %s Shipping Warning Logging File (%s) does not exist and could not be created";
inline constexpr char MSG_25b[] = "%s: %s Shipping TOC Logging File (%s) does not exist and could not be created";
inline constexpr char MSG_26[] = "%s: %s Shipping StartStop Logging File (%s) does not exist and could not be created";
inline constexpr char MSG_28[] = "%s: %s Config. Directory (%s) does not exist or cannot be read";
inline constexpr char MSG_29[] = "%s: %s Config. File (%s) does not exist or cannot be read";
inline constexpr char MSG_30[] = "%s: %s Config. File (%s) cannot be read";
inline constexpr char MSG_31[] = "%s: %s Config. File (%s) does cannot be read or is empty";
inline constexpr char MSG_32[] = "%s: %s Config. File (%s) has Required replica view not defined.";
inline constexpr char MSG_34[] = "%s: %s Config. File (%s): defined import view (%s) does not exist...";
inline constexpr char MSG_35[] = "%s: %s Config. File (%s) has Required receiver_id not defined.";
inline constexpr char MSG_36[] = "%s: %s Config. File (%s): defined import view (%s) would not start...";
inline constexpr char MSG_38[] = "%s: %s Config. File (%s) has Required UTC_offset not defined";
inline constexpr char MSG_39[] = "%s: %s Config. File (%s) had Required UTC_offset not defined";
inline constexpr char MSG_40[] = "%s: %s Config. File (%s) has Required location name not defined";
inline constexpr char MSG_41[] = "%s: %s Config. File (%s) had Required location name not defined";
inline constexpr char MSG_49[] = "%s: %s insufficient memory to process Config. File (%s)";
inline constexpr char MSG_57[] = "%s: cleartool not in %s proces path.  Check PATH variable for process.\n";
inline constexpr char MSG_67[] =
    "%s: %s Config. File (%s) has Required Receiver ID (%s) defined as proper runner not userid (%s)...";
inline constexpr char MSG_75[] =
    "%s: %s Config. File (%s) has Illegal Optional %s (%s).  Must be \"main\" or \"branch\".";
inline constexpr char MSG_75b[] = "%s: %s Config. File (%s) has Illegal Optional %s (%s).  Must be \"yes\" or \"no\".";
inline constexpr char MSG_75c[] =
    "%s: %s Config. File (%s) has Illegal Optional %s (%s).  Must be duration from 2 unique times of the form: "
    "\"hh:mm-hh:mm\".";
// An instance name that would not fit its field is refused, never cut.
inline constexpr char MSG_WHICH_TOO_LONG[] = "%s: %s instance name (%.40s...) is longer than %d characters.\n";
// An instance name names files in the depot: it must be one plain word.
inline constexpr char MSG_WHICH_ILLEGAL[] =
    "%s: %s instance name (%s) must not hold '/', '\\' or blanks, nor begin with '.'.\n";
inline constexpr char MSG_CONFIG_CUT[] =
    "WARNING: %s Config. File (%s) is larger than %d bytes; the rest of it is ignored.";

// Start banner.
inline constexpr char RECEIVER_END_HEADER[] = "\n\t==========================================";

// Service loop.
inline constexpr char MSG_18[] = "%s: %s Config. File (%s) cannot be read";
inline constexpr char MSG_19[] = "%s: %s Config. File (%s) does cannot be read or is empty";
inline constexpr char MSG_119[] =
    "== Entering scheduled inactivity state.  Packets received, but not processed during %s timeframe... ==";
inline constexpr char MSG_120[] =
    "== Leaving scheduled inactivity state as now outside of %s timeframe.  Received packets will now be "
    "processed... ==";
inline constexpr char MSG_STARTUP_DENIED[] = "Startup denied by startup trigger...";
inline constexpr char MSG_KEY_LINES_FULL[] =
    "WARNING: more than %d receiver key lines in Config. File (%s); ignored from line (%s) on.";
inline constexpr char MSG_KEY_LINE_TOO_LONG[] =
    "WARNING: receiver key line longer than %d characters ignored (%.60s...).";
inline constexpr char MSG_EXACT_TOO_LONG[] =
    "WARNING: receiver key line (%s) has exactly= owner or group longer than %d characters; using receiver "
    "process protections.";
inline constexpr char MSG_FOREIGN_NAME[] =
    "WARNING: (%s) in receiving directory (%s) is not a received packet descriptor; left alone.";
// The import's output files of a receiver that was killed mid-import.
inline constexpr char MSG_LEFTOVER_PENDING[] =
    "-- (%s) was left by an interrupted receiver run: its packet is tossed and the shipper's next packet covers "
    "its history";
inline constexpr char MSG_STALE_IMPORT_OUTPUT[] = "-- removed (%s): import output left by an interrupted receiver run";

// Packet road.
inline constexpr char MSG_LOCKED_VOB[] =
    "Skipped packet (%s) for locked VOB (%s)...\n%s Packets for this VOB are retained for retrying later... ";
inline constexpr char MSG_01[] = "Processing received packet (%s)";
inline constexpr char MSG_01a[] = "Using preserving protection of sender location... (IFF vob_to_vob replication)...";
inline constexpr char MSG_01b[] = "Using explicit protections of (%s:%s)... (IFF vob_to_vob replication)...";
inline constexpr char MSG_01c[] = "Using receiver process protections...";
inline constexpr char MSG_01d[] = "--- Packet contains %ld element version%s...";
inline constexpr char MSG_01e[] = "  - Using optional (allow_rmelem_%s) ...";
inline constexpr char MSG_01f[] = "  - Using optional (%s) ...";
inline constexpr char MSG_PRE_RECEIVE_DENIED[] = "Denied by pre_receive trigger... Packet tossed... ";
inline constexpr char MSG_03[] = "Aborted: tossed received packet (%s)...";
inline constexpr char MSG_04[] = "Aborted: tossed received packet (%s)...\n\tMissing package (%s)...";
inline constexpr char MSG_76[] =
    "Aborted: tossed received packet (%s)...\n\tReceived package (%s) to large for OS.\n\tInform sender to send "
    "send packets < 2GIG...";
inline constexpr char MSG_INCOMPLETE[] =
    "Aborted: tossed received packet (%s)...\n\tIncomplete or damaged package (%s): %s\n\tInform sender to send "
    "the packet again...";
inline constexpr char MSG_06[] = "Aborted: Decryption failed:tossed received package (%s)...";
inline constexpr char MSG_07[] = "Aborted: Uncompression failed:tossed received package (%s)...";
inline constexpr char MSG_68[] =
    "-- missing VOB and deployment directory, Packet Invalid. Pass Aborted for package (%s)...";
inline constexpr char MSG_BAD_VOB_PATH[] =
    "-- VOB path (%s) leaves the view root, Packet Invalid. Pass Aborted for package (%s)...";
inline constexpr char MSG_08[] =
    "-- lsvob failed for (%s) - OS Mismatch - receive packet not for you. Pass Aborted for package (%s)...";
inline constexpr char MSG_09[] = "-- lsvob failed for (%s) Pass Aborted for package (%s)...";
inline constexpr char MSG_10[] =
    "Aborted: VOB (%s) no longer exist. Pass Aborted for package (%s)...  Inform sender to stop sending to this VOB.";
inline constexpr char MSG_11[] = "-- mount failed for (%s) Pass Aborted...";
inline constexpr char MSG_12[] = "-- lsvob failed for (%s) Pass Aborted for package (%s)...";
inline constexpr char MSG_13[] = "Aborted: xtar failed:tossed received package (%s)...";
inline constexpr char MSG_15[] = "-- Required view (%s) could not set required config. spec.  Pass Aborted...";
inline constexpr char MSG_16[] = "-- required %s directory (%s) does not exist for (%s)";
inline constexpr char MSG_17[] = "Successfully processed package (%s)...";
inline constexpr char MSG_58[] = "-- Quorlin not applied to VOB (%s) Pass Aborted...";
inline constexpr char TEST_PACKET_END[] = "========================================================";

// Packet end status read by the post-receive trigger.
inline constexpr int PACKET_NOT_COMPLETED = 110;
inline constexpr int PACKET_COMPLETED = 111;
inline constexpr int PACKET_COMPLETED_WITH_WARNINGS = 119;
