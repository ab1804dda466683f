// One run of the relay against its remote machine: push the local epoch
// confirmations, then pull every complete package.
#pragma once

#include <string>

#include "proxy/relay_session.h"

// Reads the proxy file and runs both phases. Failures are printed; the run
// goes on to the next phase where it can.
void transfer(const std::string& proxy_file);

// The two phases, for a prepared run.
void push_confirmations(RelayWork& work);
void pull_packages(RelayWork& work);
