#include "receiver/config/receiver_settings.h"

#include <unistd.h>

#include <optional>

#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "receiver/config/config_text.h"
#include "receiver/config/receiver_messages.h"

namespace {

struct YesNoEntry {
    const char* key;
    const char* name;
};

constexpr YesNoEntry YES_NO[YES_NO_COUNT] = {
    {"ignore_received_label_data=", "IGNORE_RECEIVED_LABEL_DATA"},
    {"ignore_received_branch_data=", "IGNORE_RECEIVED_BRANCH_DATA"},
    {"ignore_received_attribute_data=", "IGNORE_RECEIVED_ATTRIBUTE_DATA"},
    {"suppress_locked_label_checking=", "SUPPRESS_LOCKED_LABEL_CHECKING"},
    {"suppress_locked_branch_checking=", "SUPPRESS_LOCKED_BRANCH_CHECKING"},
    {"suppress_locked_attribute_checking=", "SUPPRESS_LOCKED_ATTRIBUTE_CHECKING"},
    {"ignore_received_slinks=", "IGNORE_RECEIVED_SLINKS"},
};

// The configuration failure texts all begin with "START_FAILED", the program
// and the configuration path; this fills those three and the rest.
#define CONFIG_FAILURE(context, format, ...) \
    fmt_msg(format, START_FAILED, (context).program.c_str(), (context).config_path.c_str() __VA_OPT__(, ) __VA_ARGS__)

// The first word of the value of key, when the key occurs.
std::optional<std::string> first_word_of(const std::string& text, const char* key) {
    std::optional<std::string> value = find_setting(text, key);
    if (!value) return std::nullopt;
    return first_word(*value);
}

// A yes/no key: absent leaves the flag as it is, "yes" sets it, "no" clears
// it, any other word is refused.
std::string yank_and_store_YN_value(const std::string& text, const YesNoEntry& entry, bool& flag,
                                    const SettingsContext& context) {
    std::optional<std::string> word = first_word_of(text, entry.key);
    if (!word) return {};
    if (*word == "yes") {
        flag = true;
    } else if (*word == "no") {
        flag = false;
    } else {
        return CONFIG_FAILURE(context, MSG_75b, entry.name, word->c_str());
    }
    return {};
}

// A trigger key: the script name must be a plain file name, and the script
// must be in the trigger directory.
std::string yank_and_store_TRIGGER_value(const std::string& text, const char* key, const char* label,
                                         const SettingsContext& context, TriggerSetting& setting) {
    std::optional<std::string> word = first_word_of(text, key);
    if (!word || word->empty()) return {};
    if (word->find_first_of("/\\") != std::string::npos)
        return CONFIG_FAILURE(context, COMMON_MSG_04, label, word->c_str());
    std::string path = context.trigger_dir + "/" + *word;
    if (access(path.c_str(), F_OK) != 0)
        return CONFIG_FAILURE(context, COMMON_MSG_03, label, word->c_str(), context.trigger_dir.c_str());
    setting.name = *word;
    setting.path = path;
    return {};
}

}  // namespace

const char* yes_no_key(YesNoKey key) {
    return YES_NO[key].key;
}
const char* yes_no_name(YesNoKey key) {
    return YES_NO[key].name;
}

std::string read_receiver_settings(const std::string& text, const SettingsContext& context,
                                   ReceiverSettings& settings) {
    settings = ReceiverSettings{};

    std::optional<std::string> id = first_word_of(text, "receiver_id=");
    if (!id || id->empty()) return CONFIG_FAILURE(context, MSG_35);
    settings.IMPORT_ID = *id;
    STRING_LOWER(settings.IMPORT_ID);
    if (settings.IMPORT_ID != context.calculated_user)
        return CONFIG_FAILURE(context, MSG_67, settings.IMPORT_ID.c_str(), context.calculated_user.c_str());

    std::optional<std::string> view = first_word_of(text, "view=");
    if (!view || view->empty()) return CONFIG_FAILURE(context, MSG_32);
    settings.IMPORT_VIEW = *view;
    if (context.view_check) {
        std::string trouble = context.view_check(settings.IMPORT_VIEW);
        if (!trouble.empty()) return trouble;
    }

    for (int k = 0; k < IGNORE_RECEIVED_SLINKS; ++k) {
        std::string trouble = yank_and_store_YN_value(text, YES_NO[k], settings.yes_no[k], context);
        if (!trouble.empty()) return trouble;
    }
    const struct {
        const char* key;
        const char* label;
        TriggerSetting& setting;
    } triggers[] = {
        {"pre_receive_trigger=", "PRE_RECEIVE_TRIGGER_SCRIPT", settings.pre_receive},
        {"post_receive_trigger=", "POST_RECEIVE_TRIGGER_SCRIPT", settings.post_receive},
        {"startup_trigger=", "STARTUP_TRIGGER_SCRIPT", settings.startup},
        {"shutdown_trigger=", "SHUTDOWN_TRIGGER_SCRIPT", settings.shutdown},
    };
    for (const auto& t : triggers) {
        std::string trouble = yank_and_store_TRIGGER_value(text, t.key, t.label, context, t.setting);
        if (!trouble.empty()) return trouble;
    }

    if (std::optional<std::string> word = first_word_of(text, "new_dir_personality=")) {
        if (*word == "main")
            settings.new_dir_personality = 1;
        else if (*word == "branch")
            settings.new_dir_personality = 0;
        else
            return CONFIG_FAILURE(context, MSG_75, "NEW_DIR_PERSONALITY", word->c_str());
    }
    std::string trouble =
        yank_and_store_YN_value(text, YES_NO[IGNORE_RECEIVED_SLINKS], settings.yes_no[IGNORE_RECEIVED_SLINKS], context);
    if (!trouble.empty()) return trouble;

    if (std::optional<std::string> word = first_word_of(text, "scheduled_inactivity=")) {
        if (!parse_inactivity_window(*word, settings.inactivity))
            return CONFIG_FAILURE(context, MSG_75c, "SCHEDULED_INACTIVITY", word->c_str());
    }

    if (context.encryption_check) {
        std::string encryption_trouble = context.encryption_check();
        if (!encryption_trouble.empty()) return encryption_trouble;
    }

    std::optional<std::string> offset = first_word_of(text, "UTC_offset=");
    if (!offset) return CONFIG_FAILURE(context, MSG_38);
    if (offset->empty()) return CONFIG_FAILURE(context, MSG_39);
    settings.UTC_OFFSET = *offset;
    std::optional<std::string> location = first_word_of(text, "location_name=");
    if (!location) return CONFIG_FAILURE(context, MSG_40);
    if (location->empty()) return CONFIG_FAILURE(context, MSG_41);
    settings.THIS_LOCATION = *location;
    return {};
}
