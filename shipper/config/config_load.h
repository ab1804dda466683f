// Reading the shipper's configuration file at start-up: the bounded read,
// the global keys in their fixed order and the encryption key, the same for
// the shipper daemon and the communication test.
#pragma once

#include <string>

#include "shipper/config/shipper_settings.h"

namespace shipper_config {

struct LoadedConfig {
    std::string kept;     // the lines that count (see kept_lines)
    std::string warning;  // the file was cut at its size limit; shown first
    std::string failure;  // the first failure; the start ends with it
};

// Reads `conf` (the file of shipping class `class_digit`, empty for the main
// shipper) for `program`, run as `user`, into settings. The depot paths
// must be set.
LoadedConfig load_shipper_configuration(const char* program, const std::string& conf, const std::string& class_digit,
                                        const char* user, ShipperSettings& settings);

}  // namespace shipper_config
