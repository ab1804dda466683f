// Messages of the receiver's packet application: normalisation, deployment
// packages, import reports and re-protection. Texts are kept exactly as
// operators and their log scanners know them, spelling included.
#pragma once

// Normalisation.
inline constexpr char MSG_66[] =
    "-- Warning: %s (%s) locked in receiving VOB (%s) for %s...  No such %s will be applied to versions in this "
    "pass...";
inline constexpr char MSG_77[] = "-- Trouble allocating needed memory now.  Try later. Pass Aborted for package...";
inline constexpr char MSG_78[] =
    "-- Warning: the branch type (%s) is locked in the receiving VOB (%s) for %s...  No such branch or versions on "
    "such a branch will be created in this pass...";
inline constexpr char MSG_79[] =
    "-- Warning: Because the branch (%s) was locked in receiving VOB (%s) ... Replication of element version (%s@@%s) "
    "was not attempted...";
inline constexpr char MSG_80[] = "-- TOC for package (%s) %s is below:";
inline constexpr char MSG_82[] = "-- Already Existing files for package (%s) %s listed below:";
inline constexpr char MSG_83[] = "-- Could not make Email file (%s)...";
inline constexpr char MSG_84[] = "These file versions already exist at this location and will not be overwritten:\n\n";
inline constexpr char MSG_88[] = "-- etc_error %s: with %d: %s";
inline constexpr char MSG_123[] =
    "-- Warning: SUPPRESSION of pre process TEST for locked %ss as requested by receiver.  All received %ss ASSUMED "
    "unlocked at receiver...";
inline constexpr char HEADER_VERSIONS_FOLLOW[] = "   ======== packet contained %ld element version%s to follow:\n";
inline constexpr char HEADER_VERSIONS_FOLLOW_UNKNOWN[] = "   ======== any contained element versions follow:\n";
inline constexpr char TOC_VERSION_LINE[] = "   %s%c%s@@%s\n";
inline constexpr char TOC_VERSION_IGNORED_LINE[] =
    "   %s%c%s@@%s (ignored because process request ignoring of branch data)\n";
// A value line that claims more continuation text than the normaliser will
// hold; the packet is refused rather than cut.
inline constexpr char MSG_88_VALUE_TOO_LONG[] = "value line longer than the normaliser accepts";

// Deployment packages.
inline constexpr char MSG_69[] =
    "-- Trouble #%d creating/accessing required deployment %s (%s). Pass Aborted for package (%s)...";
// Logged (deployments and errors) before MSG_69 when an entry is refused
// because it would write outside the deployment directory.
inline constexpr char MSG_69_REFUSED[] =
    "-- Refused deployment %s (%s): %s. Nothing written outside (%s) for package (%s)...";
inline constexpr char MSG_70[] =
    "-- Trouble allocating needed memory now.  Try later. Pass Aborted for package (%s)...";
inline constexpr char MSG_71[] = "...receiving \"Deployment\" changes to (%s)...";
inline constexpr char MSG_72[] = "Package DEPLOYMENT processing STARTED for package (%s) to directory (%s):";
inline constexpr char MSG_73[] = "Package DEPLOYMENT processing ENDED for package (%s)";
inline constexpr char MSG_74[] = "Package DEPLOYMENT processing ENDED INCOMPLETE WITH ERRORS for package (%s)";
inline constexpr char DEPLOY_WORD_DIRECTORY[] = "directory";
inline constexpr char DEPLOY_WORD_FILE[] = "file";
inline constexpr char DEPLOY_ACK_DIRECTORY[] = "directory";
inline constexpr char DEPLOY_ACK_FILE[] = "     file";
inline constexpr char ACK[] = "ACK ";
inline constexpr char NACK[] = "NACK";

// Import reports and re-protection.
inline constexpr char MSG_33[] =
    "-- Replication command failed.  ClearCase path possibly not set. Replication failed for (%s) %s";
inline constexpr char MSG_44[] = "--- begin replication errors ---- ";
inline constexpr char MSG_45[] = "--- end replication errors ---- ";
inline constexpr char MSG_46[] = "--- begin replication warnings ---- ";
inline constexpr char MSG_47[] = "--- end replication warnings ---- ";
inline constexpr char MSG_48[] =
    "Vandrel: Warning: Trouble was encountered\nreplicating one or more versions for the following element(s):";
inline constexpr char MSG_59[] =
    "-- Warning: Could not properly protect one or more new elements under the directory (%s)...";
inline constexpr char MSG_60[] =
    "-- Warning: Not enouch memory at this time.  Could not properly protect one or more new elements under the "
    "directory (%s)...";
inline constexpr char MSG_61[] =
    "-- Warning: Non-Critical Internal Error %d.  Could not properly protect one or more new elements under the "
    "directory (%s)...";
inline constexpr char MSG_62[] = "-- Warning: Could not properly protect element (%s) to %s:%s...";
inline constexpr char MSG_63[] = "-- Warning: Not enough memory at this time.  Could not read temp file (%s)...";
inline constexpr char MSG_64[] =
    "-- Warning: File (%s) unexpectedly removed...  Could not properly protect one or more new elements under the "
    "directory (%s)...";
inline constexpr char MSG_65[] =
    "-- Warning: File (%s) unexpectedly removed...  Could not properly protect one or more new elements under the "
    "directory (%s)...";
inline constexpr char MSG_85[] =
    "These file versions exist in the package, but could not be replicated. For more details view (%s):\n\n";
inline constexpr char MSG_86[] = "-- Trouble replicating the file versions for package (%s) %s below:";
inline constexpr char TST_00[] = "Error: Trouble was traversed ";
inline constexpr char TST_01[] = "Vandrel Error:";
inline constexpr char ENCOUNTERED_IMPORTING[] = "encountered importing";
inline constexpr char TRAVERSED_REPLICATIN[] = "traversed replicatin";
inline constexpr char TROUBLE_IMPORTING[] = "Trouble importing";
inline constexpr char ERROR_REPLICATIN[] = "Error replicatin";
inline constexpr char CLOSING_DIRECTORIES[] = "Closing directories.";
