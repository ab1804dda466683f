// The transport's messages.
#pragma once

// Host maps (log class 'e').
inline constexpr char TRANSPORT_MSG_MAP_MISSING[] = "ERROR: required mapfile (%s) does not exist";
inline constexpr char TRANSPORT_MSG_MAP_UNREADABLE[] = "ERROR: required mapfile (%s) cannot be read";
inline constexpr char TRANSPORT_MSG_MAP_EMPTY[] = "ERROR: required mapfile (%s) cannot be read or is empty";
inline constexpr char TRANSPORT_MSG_MAP_INVALID[] = "ERROR: required mapfile (%s) is incomplete/invalid";
inline constexpr char TRANSPORT_MSG_MAP_REFUSED[] = "ERROR: required mapfile (%s) refused: %s";
inline constexpr char TRANSPORT_MSG_BAD_LOCATION[] = "ERROR: location name (%s) refused for the transport: %s";
inline constexpr char TRANSPORT_MSG_PKFILE_MISSING[] = "ERROR: required pkfile (%s) does not exist";

// Scripts (log class 'n' for the sending script, 'e' for refusals).
inline constexpr char TRANSPORT_MSG_CREATION_FAILED[] = "---- instruction creation failed....";
inline constexpr char TRANSPORT_MSG_APPENDING_FAILED[] = "---- appending instructions failed....";
inline constexpr char TRANSPORT_MSG_SCRIPT_REFUSED[] = "---- transfer script (%s) not written: %s";

// Sessions.
inline constexpr char TRANSPORT_MSG_BEGIN_UNEXPECTED[] = "--- begin unexpected shipping errors ---- ";
inline constexpr char TRANSPORT_MSG_BEGIN_ERRORS[] = "--- begin shipping errors ---- ";
inline constexpr char TRANSPORT_MSG_END_ERRORS[] = "--- end shipping errors ---- ";
inline constexpr char TRANSPORT_MSG_NOT_ESTABLISHED[] = "--- communication not established ---- ";
inline constexpr char TRANSPORT_MSG_TIMED_OUT[] =
    "--- transfer session of (%s) ended after its time limit of %u seconds ---- ";
inline constexpr char TRANSPORT_MSG_NOT_STARTED[] = "--- transfer program could not be started (%s) ---- ";
inline constexpr char TRANSPORT_MSG_NO_SCRIPT[] = "--- transfer script (%s) does not exist ---- ";
inline constexpr char TRANSPORT_MSG_STALE_FILES[] = "--- transfer output or error file (%s) could not be removed ---- ";
