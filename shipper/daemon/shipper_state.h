// Process-wide state of the shipper daemon: what the command line and the
// configuration set at start-up, and the per-line state of the service loop
// that the shipping pass reads.
#pragma once

#include <bitset>
#include <ctime>
#include <string>

#include "shipper/config/shipper_settings.h"
#include "shipper/config/vob_key.h"

inline constexpr char SHIPPER_SELF[] = "vandrel_shipper";
inline constexpr char SHIPPER_DAEMON_STEM[] = "vandrel_shipper.daemon";

struct ShipperProcess {
    // Command line.
    std::string WHICH_SHIPPER_CONFIG;  // the class digit, empty for the main shipper
    char MY_CLASS = 'x';               // the class digit, or x for the main shipper
    bool TEST_MODE = false;            // -test_once

    // Start-up.
    std::time_t started_at = 0;
    bool VANDREL_SLINK_PROCESSING_OVERRIDE_ON = false;
    std::string CONF;           // the configuration file
    std::string CONFIG_BUFFER;  // its text, as last read
    shipper_config::ShipperSettings settings;

    // Service loop.
    std::bitset<10> LAST_DEFINED_ADDITIONAL_CLASSES;
    shipper_config::VobKey CURRENT_KEY;  // the VOB key line being handled

    // Shipping pass results the loop and the trigger scripts read.
    bool LOST_RACE = false;
    bool PACKET_BUILT = false;  // set by the pass once its packet is complete
    std::string PACKET_END_STATUS = "NOK";

    bool is_main_shipper() const { return WHICH_SHIPPER_CONFIG.empty(); }
};

extern ShipperProcess SHIPPER;
