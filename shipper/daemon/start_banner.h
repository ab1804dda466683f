// The start banner: the settings the daemon runs with, logged once.
#pragma once

#include <string>

#include "common/daemon_control.h"

// The banner text for the current settings (SHIPPER) and run mode.
std::string start_banner(DaemonMode mode);
