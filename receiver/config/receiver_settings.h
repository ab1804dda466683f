// The receiver settings read once at start-up from the filtered
// configuration text; they keep their values for the life of the process.
#pragma once

#include <functional>
#include <string>

#include "receiver/config/inactivity.h"

// A trigger script setting: the configured name and its full path in the
// trigger directory; both empty when no script is configured.
struct TriggerSetting {
    std::string name;
    std::string path;
    bool configured() const { return !name.empty(); }
};

enum YesNoKey : int {
    IGNORE_RECEIVED_LABEL_DATA,
    IGNORE_RECEIVED_BRANCH_DATA,
    IGNORE_RECEIVED_ATTRIBUTE_DATA,
    SUPPRESS_LOCKED_LABEL_CHECKING,
    SUPPRESS_LOCKED_BRANCH_CHECKING,
    SUPPRESS_LOCKED_ATTRIBUTE_CHECKING,
    IGNORE_RECEIVED_SLINKS,
    YES_NO_COUNT
};

// The key text ("ignore_received_label_data=") and the name printed in
// messages ("IGNORE_RECEIVED_LABEL_DATA") of a yes/no key.
const char* yes_no_key(YesNoKey key);
const char* yes_no_name(YesNoKey key);

struct ReceiverSettings {
    std::string IMPORT_ID;      // receiver_id, lower-cased
    std::string IMPORT_VIEW;    // view
    std::string UTC_OFFSET;     // UTC_offset
    std::string THIS_LOCATION;  // location_name
    TriggerSetting pre_receive;
    TriggerSetting post_receive;
    TriggerSetting startup;
    TriggerSetting shutdown;
    int new_dir_personality = 1;  // 1 main, 0 branch
    bool yes_no[YES_NO_COUNT] = {};
    InactivityWindow inactivity;
};

// What the settings are checked against. view_check returns an empty text
// when the view exists and starts, otherwise the failure message.
struct SettingsContext {
    std::string program;
    std::string config_path;
    std::string trigger_dir;
    std::string calculated_user;
    std::function<std::string(const std::string& view)> view_check;
    // Chooses the encryption key; an empty text on success.
    std::function<std::string()> encryption_check;
};

// Reads and checks every setting in the order of start-up (the view and the
// encryption through the context's checks). Returns an empty text on success, otherwise the failure
// message (start-up then ends with it); `settings` is filled as far as read.
std::string read_receiver_settings(const std::string& config_text, const SettingsContext& context,
                                   ReceiverSettings& settings);
