// Receiver key lines: one receiving directory each, with the protection
// choice and the options that say which remote requests the receiving site
// carries out.
//
//     <receiving directory> [> protection [> option,option,...]]
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t MAX_RECEIVER_KEY_LINES = 50;
inline constexpr std::size_t RECEIVER_KEY_LINE_MAX = 511;
inline constexpr std::size_t EXACT_NAME_MAX = 127;

enum class Protection { Receiver = 1, Preserve = 2, Exactly = 3 };
enum class RmelemAllowed { None, Dir, File, All };

// The word of an element-removal choice: "none", "dir", "file", "all".
const char* rmelem_word(RmelemAllowed allowed);

// One yes/no family of options. The order is the order in which the option
// words are logged for every packet.
enum Family : int {
    RMBRANCH,
    RMVER,
    RMLBTYPE,
    RMBRTYPE,
    RMATTYPE,
    LBTYPE_LOCKS,
    BRTYPE_LOCKS,
    ATTYPE_LOCKS,
    RNLBTYPE,
    RNBRTYPE,
    RNATTYPE,
    ELEMENT_LOCKS,
    BRANCH_LOCKS,
    FAMILY_COUNT
};

// The option word of a family ("allow_rmver"); its refusal adds "_none".
const char* family_option(Family family);

struct ReceiverKeyLine {
    std::string line;             // the whole line as configured
    std::string receiving_dir;    // first word of the first field, "\" turned into "/"
    std::string before_options;   // the line up to its first ">" (the whole line without one)
    std::string protection_text;  // the text after the first ">" ("" without one)
    Protection protection = Protection::Receiver;
    std::string exact_user;
    std::string exact_group;
    RmelemAllowed rmelem = RmelemAllowed::None;
    bool allowed[FAMILY_COUNT] = {};
    bool label_dir = true;

    // The option word in force for a family: "allow_rmver" or "allow_rmver_none".
    std::string option_in_force(Family family) const;
};

// Parses one line (known to be a receiver key line). `warning` receives a
// text for the log when part of the line could not be used.
ReceiverKeyLine parse_receiver_key_line(std::string_view line, std::string& warning);

// Applies an option list (the third field) to the permissions of a line.
void apply_receiver_options(std::string_view option_list, ReceiverKeyLine& key);

// True for a line that is a receiver key line: not a comment, none of the
// configuration keys, and a "/" or "\" somewhere.
bool is_receiver_key_line(std::string_view line);

struct ReceiverKeyLines {
    std::vector<ReceiverKeyLine> lines;
    std::vector<std::string> warnings;  // texts for the log (class 'w')
};

// Every receiver key line of the configuration text, in file order, at most
// MAX_RECEIVER_KEY_LINES; the rest are named in a warning.
ReceiverKeyLines read_receiver_key_lines(std::string_view config_text, const std::string& config_path);
