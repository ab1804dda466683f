// One pass over a configuration text: the lines in order, the class
// declarations, the include files (whose VOB key lines are walked after the
// file's own lines) and the VOB key lines. The same walk serves the shipper
// daemon on every pass and the trigger program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace shipper_config {

struct PassRules {
    // Bytes of the configuration's lines and the included lines walked in
    // one pass; lines beyond are not read (and reported once).
    std::size_t pass_text_max;
    // Bytes of one include file taken; the rest is not read (and reported).
    std::size_t include_max;
    // First "%s" of the include file messages.
    const char* denied;
};

// The shipper's rules: one pass's working text, and one include file, at
// most 50,000 bytes each.
inline constexpr PassRules SHIPPER_PASS_RULES{50000, 50000, "REPLICATION DENIED: "};

// A line of the pass and the file it came from.
struct PassLine {
    std::string_view text;
    const std::string& file;
    bool included;
};

class PassVisitor {
public:
    virtual ~PassVisitor() = default;
    // Main configuration only: an "add_class=<digit>" line.
    virtual void class_declared(int digit) = 0;
    // A problem with an include file or a limit (log class 'e' or 'w', and
    // the message). Return false to end the walk.
    virtual bool problem(char cls, const std::string& message) = 0;
    // A VOB key line (see is_vob_key_line). Return false to end the walk.
    virtual bool key_line(const PassLine& line) = 0;
};

// Walks `text` (the configuration file `file`, in config directory
// conf_dir). `is_main`: the main shipper's file, where class declarations
// count.
void walk_pass(const std::string& conf_dir, const std::string& file, std::string_view text, bool is_main,
               const PassRules& rules, PassVisitor& visitor);

// An include file name is a plain file name of the config directory.
bool is_valid_include_name(std::string_view name);

}  // namespace shipper_config
