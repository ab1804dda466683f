// The communication test's messages. Texts are kept exactly as operators
// know them, spelling included.
#pragma once

inline constexpr char SHIPTEST_SELF[] = "vandrel_shiptest";
// The test reads the shipper's depot: its file names are the shipper's.
inline constexpr char SHIPTEST_DAEMON_STEM[] = "vandrel_shipper.daemon";

inline constexpr char SHIPTEST_USAGE[] =
    "%s USAGE: %s -ver | -help | ( path_to_Quorlin_depot remote_location [class=0..9] [meg=1-100]) \n";
inline constexpr char SHIPTEST_NO_USER[] = "%s unable to calculate userid.\n";
inline constexpr char SHIPTEST_LOCATION_SWITCH[] = "Invalid test location name (%s) - starts like switch:\n\n";
inline constexpr char SHIPTEST_LOCATION_CHAR[] = "Invalid character in test location name (%s) :\n\n";
inline constexpr char SHIPTEST_NO_CLEARTOOL[] =
    "%s: cleartool not on %s proces path.  Check PATH variable for process.\n";
inline constexpr char SHIPTEST_TMP_DENIED[] =
    "%s: %s start denied: TMP directory (%s) not defined or is not a directory";

// The printed configuration.
inline constexpr char SHIPTEST_STARTED[] = "== Communication test started with (%s version %s)\n";
inline constexpr char SHIPTEST_USING[] = "== Using: %s\n";
inline constexpr char SHIPTEST_STATIC_VARIABLES[] =
    "== with these VALID static variables: ==\n\t\tduration=%d\n\t\tview=%s\n\t\tlocation_name=%s\n\t\tUTC_offset=%"
    "s\n\t\ttransport_program=%s\n\t\tencryption=%s\n\t\tshipper_id=%s\n\t\tpre_ship_trigger=%s\n\t\tpost_ship_"
    "trigger=%s\n\t\tstartup_trigger=%s\n\t\tshutdown_trigger=%s\n\t\tshipper_class=%s";
inline constexpr char SHIPTEST_SLINK_SCALE[] = "\n\t\t(optional) slink_scale=%d";
inline constexpr char SHIPTEST_POSTP_SCALE[] = "\n\t\t(optional) postp_scale=%d";
inline constexpr char SHIPTEST_DURATION_SCALE[] = "\n\t\t(optional) duration_scale=%s";
inline constexpr char SHIPTEST_TRANSPORT_TIME_LIMIT[] = "\n\t\t(optional) transport_time_limit=%d";
inline constexpr char SHIPTEST_CLASS_STATE[] = "\n\t\t(optional) Shipper Class %d %s";
inline constexpr char SHIPTEST_EVALUATING[] = "\n==>>> Evaluating communnication from \"%s\" >>> \"%s\" for %d Meg\n";

// The test.
inline constexpr char SHIPTEST_NOT_READ[] = "-- communication parmeters not read for (%s) %s";
inline constexpr char SHIPTEST_CREATING[] = "Creating a %d Meg test packet %s ...\n\n";
inline constexpr char SHIPTEST_ATTEMPTING[] = "Attempting communication to \"%s\"...\n";
inline constexpr char SHIPTEST_SEND_FAILED[] = "-- packet sending failed for (%s) %s with %d: %s";
inline constexpr char SHIPTEST_SUCCESS[] = "Communication to \"%s\" was successful.\n";
inline constexpr char SHIPTEST_BOX_LINE[] = "\t-----------------------------------------------\n";
inline constexpr char SHIPTEST_BOX_SENT[] = "\t| %d Meg sent to \"%s\" in %d second%s.\n";
inline constexpr char SHIPTEST_BOX_EMPTY[] = "\t| \n";
inline constexpr char SHIPTEST_BOX_BANDWIDTH[] = "\t|     actual bandwidth = %.3f Meg/second.\n";
