// The receiver configuration file as text: reading it within its size limit,
// the start-up filter that drops comment lines, and the search for "key="
// settings (by substring, first occurrence wins).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file is read once into a buffer of this size (one byte for the NUL).
inline constexpr std::size_t RECEIVER_CONFIG_BUFFER = 51200;

// The twenty key texts of the receiver configuration. A line holding any of
// them is a setting, never a receiver key line.
inline constexpr std::array<std::string_view, 20> RECEIVER_CONFIG_KEYS = {
    "receiver_id=",
    "view=",
    "UTC_offset=",
    "location_name=",
    "encryption=",
    "pre_receive_trigger=",
    "post_receive_trigger=",
    "startup_trigger=",
    "shutdown_trigger=",
    "new_dir_personality=",
    "ignore_received_slinks=",
    "scheduled_inactivity=",
    "ignore_received_label_data=",
    "ignore_received_branch_data=",
    "ignore_received_attribute_data=",
    "suppress_locked_label_checking=",
    "suppress_locked_branch_checking=",
    "suppress_locked_attribute_checking=",
    "MVFS_DRIVE=",
    "special_site=",
};

enum class ConfigRead { ok, cannot_open, empty_or_failed };

// Reads at most RECEIVER_CONFIG_BUFFER - 1 bytes of the file and appends a
// newline. `cut` tells whether the file held more than that.
ConfigRead read_config_file(const std::string& path, std::string& text, bool* cut = nullptr);

// The lines of text, without their newlines.
std::vector<std::string_view> config_lines(std::string_view text);

// The first blank-separated word of text ("" when none).
std::string first_word(std::string_view text);
// True when the first word of the line begins with "#".
bool is_comment_line(std::string_view line);
// True when the line holds one of the twenty key texts anywhere.
bool holds_config_key(std::string_view line);

// Keeps every line that has a word and whose first word does not begin with
// "#", each followed by a newline.
std::string filter_configuration(std::string_view text);

// The value of the first occurrence of key (which includes its "=") anywhere
// in text, as yank_value gives it; nothing when the key does not occur.
std::optional<std::string> find_setting(const std::string& text, const char* key);
