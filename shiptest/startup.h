// The communication test's checks before anything is sent: the depot, the
// shipper's configuration directories and file, its global keys (through the
// shipper's own reader) and the temporary directory. Every failure is
// printed and ends the program; no log file is created.
#pragma once

#include <string>

#include "shipper/config/shipper_settings.h"
#include "shiptest/command_line.h"

struct ShiptestState {
    ShiptestCommandLine line;
    std::string CONF;  // the shipper's configuration file in use
    shipper_config::ShipperSettings settings;
    bool is_main_shipper() const { return line.class_digit.empty(); }
};

extern ShiptestState SHIPTEST;

// Runs the checks in the shipper's order and fills SHIPTEST; returns only
// when all passed.
void check_depot_and_configuration(const char* user);
