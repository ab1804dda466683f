// Messages of the shipping pass. Texts are kept exactly as operators and log
// readers know them, spelling included.
#pragma once

namespace pass_msg {

// Progress (log class 'n' unless noted).
inline constexpr char TEST_ONLY[] = "TEST ONLY: ====== Would process appropiate packet ====== ...";
inline constexpr char PROCESSING[] = "Processing (%s from %s)";
inline constexpr char COMPLETED[] = "Completed (%s)";
inline constexpr char DENIED_BY_PRE_SHIP[] = "Denied by pre_ship trigger... Packet building skipped... ";

// The request (packet name last).
inline constexpr char HEADER_EMPTY[] = "-- package header empty or corrupt. Pass Aborted... (%s)";
inline constexpr char HEADER_CORRUPT[] =
    "-- package header corrupt. \n\t unexpected (%s)(%s) (%s)(%s)\n\tPass Aborted... (%s)";
inline constexpr char NOT_READ[] = "-- package not read. Pass Aborted... (%s)";
inline constexpr char NO_DBID[] = "-- Failed to get dbid for VOB (%s). Pass Aborted... (%s)";
inline constexpr char INCOMPATIBLE[] = "-- package not made with compatible Quorlin version. Pass Aborted... (%s)";
inline constexpr char STALE[] =
    "-- package is very stale or corrupt, appears to be created before the %s epoc.  Pass Aborted... (%s)";
inline constexpr char TOO_FRESH[] =
    "-- package is too fresh or corrupt.  Sync clocks between location (%s) and (%s). Pass Aborted... (%s)";

// The VOB and the view.
inline constexpr char NOT_APPLIED[] = "-- Quorlin not applied to VOB (%s) Pass Aborted...";
inline constexpr char VIEW_NOT_STARTED[] = "-- Required view (%s) could not be started.  Pass Aborted...";
inline constexpr char VOB_NOT_ACCESSIBLE[] = "OK: VOB (%s) not acessable. Pass Aborted...";
inline constexpr char LSVOB_FAILED[] = "-- lsvob failed for (%s) Pass Aborted...";
inline constexpr char VOB_GONE[] = "OK: VOB (%s) no longer exist. Pass Aborted...";
inline constexpr char MOUNT_FAILED[] = "-- mount failed for (%s) Pass Aborted...";

// The config spec.
inline constexpr char CS_NOT_SET[] = "-- Required view (%s) could not set required config. spec.  Pass Aborted...";
inline constexpr char CS_ILLEGAL_RULE[] = "failed ctar on step %d (%s) - config spec. contains illegal %s rule";
inline constexpr char CS_ILLEGAL_SELECTOR[] = "failed ctar on step %d (%s) - config spec. contains illegal %s selector";
// A config spec the pass will not cut short (it would select other versions).
inline constexpr char CS_TOO_LONG[] =
    "failed ctar on step %d (%s) - config spec. longer than %ld bytes: refused rather than used in part";

// The receiver's confirmation.
inline constexpr char NO_HOST_MAP[] = "-- communication parmeters not read for (%s) %s";
inline constexpr char CONFIRMED[] = "-- confirmation of processing of previous packet for (%s) %s";
inline constexpr char RECEIVER_BUSY[] =
    "   Receiving site is currently processing packet predecessor (packet skipped - for now)";
inline constexpr char NO_CONFIRMATION[] = "-- no remote confirmation of last packet sent: using last epoc for (%s) %s";
inline constexpr char NO_CONFIRMATION_SCRIPT[] =
    "-- no remote confirmation available for last packet sent: using last epoc for (%s) %s";
inline constexpr char HELD_BUSY[] =
    "   Receiving site is currently processing packet predecessor in the _hold_out (packet skipped - for now)";
inline constexpr char HOLD_EPOC[] = "-- for packet to be held: using last epoc for (%s) %s";

// The since time.
inline constexpr char ALL_DATA[] = "---- packaging all data since VOB creation for (%s) %s";
inline constexpr char DATA_SINCE[] = "---- packaging all data since (%s) for (%s) %s";
inline constexpr char EPOC_UNREADABLE[] = "   Unreadable epoc file received :read failed";
inline constexpr char EPOC_INVALID[] = "   Invalid epoc file received : reverted to shipper epoc...";

// The export.
inline constexpr char NO_REPLICATION_DIR[] = "-- replication directory (%s) does not exist for (%s) %s";
inline constexpr char TOP_IS_SLINK[] = "-- top replication %s (%s) is an illegal symbolic link (%s) %s";
inline constexpr char DESCRIBE_FAILED[] = "-- describe failed for (%s) Pass Aborted...";
inline constexpr char BUILD_FAILED[] = "-- packet build failed for (%s) %s with %d: %s";
inline constexpr char TEMP_UNREADABLE[] = "%s: %s A requied temp File (%s) cannot be read. Package Tossed..";

// Deployments (log classes 'd' and 'n').
inline constexpr char DEPLOY_STARTED[] = "DEPLOYMENT package building STARTED for package (%s) from %s (%s):";
inline constexpr char DEPLOY_ENDED[] = "DEPLOYMENT package building ENDED for package (%s)";
inline constexpr char DEPLOY_DONE[] = "DEPLOYMENT package %s for package (%s)";

// Metadata passes, conversion, codecs.
inline constexpr char SLINK_PASS_FAILED[] = "-- packet slink management failed for (%s) %s with %d: %s";
inline constexpr char MERGE_PASS_FAILED[] = "-- packet merge_to_from management failed for (%s) %s with %d: %s";
inline constexpr char METADATA_PASS_FAILED[] = "-- pass %d packet %s management failed for (%s) %s with %d: %s";
inline constexpr char TOC_BANNER[] = "-- TOC for \"%s\" package (%s) %s is below:";
inline constexpr char ERROR_PROCESSING[] = "  error processing %s ...";
inline constexpr char CONVERSION_FAILED[] = "-- packet conversion failed for (%s) %s with %d: %s";
inline constexpr char COMPRESSION_FAILED[] = "-- packet compression failed for (%s) %s with %d: %s";
inline constexpr char ENCRYPTION_FAILED[] = "-- packet encryption failed for (%s) %s with %d: %s";

// Hold or send.
inline constexpr char HOLDING[] = "-- holding packet instructions for (%s) %s for external process";
inline constexpr char HOLD_FAILED[] = "-- packet holding failed for (%s) %s with %d: %s";
inline constexpr char SENDING[] = "----- sending built packet (%s) to location %s";
inline constexpr char USING_PROGRAM[] = "---- Using \"%s\" program class %d...";
inline constexpr char INSTRUCTIONS_FAILED[] = "-- packet instructions creation failed for (%s) %s with %d: %s";
inline constexpr char SENDING_FAILED[] = "-- packet sending failed for (%s) %s with %d: %s";
inline constexpr char REQUEST_KEPT[] = "-- shipping request for (%s) kept: the next pass tries again";
inline constexpr char REQUEST_NOT_KEPT[] =
    "-- shipping request for (%s) could not be kept: its history goes with the next request of this VOB";

}  // namespace pass_msg
