// The receiver's process-wide state: what the command line and start-up
// established. Set once by start-up, read by the service loop, the packet
// road and the trigger scripts.
#pragma once

#include <ctime>
#include <string>

#include "receiver/config/receiver_settings.h"

struct ReceiverProcess {
    std::string WHICH_RECEIVER_CONFIG;  // the instance name, "" when none
    std::string CONF;                   // the configuration file path
    std::string CONFIG_TEXT;            // the configuration as last read
    ReceiverSettings settings;
    bool IN_MATRIX_MODE = false;  // "-test_once": packets are announced, not applied
    std::time_t STARTED_AT = 0;
};

extern ReceiverProcess RECEIVER;
