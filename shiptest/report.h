// What the communication test prints: the configuration it tests with, and
// the outcome box with the measured bandwidth.
#pragma once

#include <string>

#include "shipper/config/shipper_settings.h"

// The text of the valid static variables, ending with the line that names
// this location, the test location and the size.
std::string configuration_text(const shipper_config::ShipperSettings& settings, const char* encryption,
                               const std::string& class_digit, const std::string& test_location, int meg);

// The success box: size, test location, whole seconds (at least 1) and
// the bandwidth in Meg per second.
std::string bandwidth_box(int meg, const std::string& test_location, int seconds);
