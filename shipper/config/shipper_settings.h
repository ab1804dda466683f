// The shipper's process-wide settings: read once from the configuration
// file at start-up and checked key by key in a fixed order; the first
// failure ends the start.
#pragma once

#include <bitset>
#include <cstddef>
#include <functional>
#include <string>

#include "shipper/transport/transport.h"

namespace shipper_config {

inline constexpr std::size_t TRANSPORT_PROGRAM_MAX = 511;
inline constexpr int SLINKS_PER_SCALE = 10240;
// transport_time_limit=: whole seconds one run of the transport program may
// take before it is ended and counted as failed.
inline constexpr int TRANSPORT_TIME_LIMIT_DEFAULT = 7200;
inline constexpr int TRANSPORT_TIME_LIMIT_MIN = 1;
inline constexpr int TRANSPORT_TIME_LIMIT_MAX = 86400;

// One site trigger script: its configured name and its full path in the
// trigger directory; both empty when none is configured.
struct TriggerScript {
    std::string name;
    std::string path;
    bool configured() const { return !name.empty(); }
};

struct ShipperSettings {
    std::string IMPORT_ID;    // shipper_id=, lower-cased
    std::string EXPORT_VIEW;  // view=
    std::string THIS_LOCATION;
    std::string TRANSPORT_PROGRAM;
    TransportKind transport_kind = TransportKind::Ftp;        // from the program's base name
    int TRANSPORT_TIME_LIMIT = TRANSPORT_TIME_LIMIT_DEFAULT;  // transport_time_limit=, seconds
    std::string UTC_OFFSET;
    std::string DURATION_SCALE = "minute";
    int DURATION_SCALE_X = 60;
    int DURATION_MAX = 1440;
    int DURATION = 5;
    int SLINK_SCALE = 1;
    int REAL_SLINK_MAX = SLINKS_PER_SCALE;
    int POSTP_SCALE = 1;
    TriggerScript pre_ship;
    TriggerScript post_ship;
    TriggerScript startup;
    TriggerScript shutdown;
    std::bitset<10> DEFINED_ADDITIONAL_CLASSES;
};

// What the checks need from outside the text.
struct SettingsContext {
    const char* program;      // the program name in messages
    std::string config_path;  // the configuration file in messages
    std::string calculated_user;
    std::string trigger_dir;
    std::string key_path;     // the encryption key file for "peer_to_peer"
    bool class_file = false;  // a shipping class's own file: no add_class= allowed
    char class_digit = 'x';   // its digit, for the message
    bool allow_spaces_in_transport = false;
    // 1 view exists and started, 0 it does not exist, -1 it would not start.
    std::function<int(const std::string& view)> check_view;
};

// Reads every global key of the kept configuration text, in order, into
// settings (and selects the encryption key). Returns the message of the
// first failure, empty when the configuration is good.
std::string read_global_settings(const std::string& kept, const SettingsContext& context, ShipperSettings& settings);

}  // namespace shipper_config
