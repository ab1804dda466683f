// The confirmation fetch of a shipping pass (ship personality): one session
// that proves the connection with the probe and fetches the receiver's
// confirmed epoch <E>.epoc and busy flag <E>.pack_pending into the local
// directory.
#pragma once

#include <string>

#include "shipper/transport/transport.h"

enum class ConfirmationResult {
    Confirmed,         // the session worked and the busy flag is absent or empty
    ReceiverBusy,      // the session worked and the busy flag is not empty
    NoConfirmation,    // the session failed: the last local epoch stands
    ScriptNotWritten,  // the script could not be written: the last local epoch stands
};

// `base` is <E>, the epoch base <local dir>/epoc.<NNN>.<R>.<L>; the probe is
// <E>.holla, the remote epoch file the base name of <E> with ".epoc". The
// local busy flag is removed before the session (a flag of an earlier pass
// must not count) and after it has been judged, the script after the run.
// On Confirmed, <E>.epoc holds the fetched epoch when the receiver had one,
// else whatever the last pass left there. transport.receiver must have been
// read (get_receiver_data).
ConfirmationResult fetch_confirmation(const Transport& transport, const std::string& base, const std::string& script,
                                      const std::string& output, const std::string& errors,
                                      const std::string& location);
