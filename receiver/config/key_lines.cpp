#include "receiver/config/key_lines.h"

#include <initializer_list>

#include "common/text_format.h"
#include "common/text_ops.h"
#include "receiver/config/config_text.h"
#include "receiver/config/receiver_messages.h"

namespace {

constexpr const char* FAMILY_OPTIONS[FAMILY_COUNT] = {
    "allow_rmbranch",     "allow_rmver",         "allow_rmlbtype",     "allow_rmbrtype", "allow_rmattype",
    "allow_lbtype_locks", "allow_brtype_locks",  "allow_attype_locks", "allow_rnlbtype", "allow_rnbrtype",
    "allow_rnattype",     "allow_element_locks", "allow_branch_locks",
};

// A group option pair and the families it sets.
struct Group {
    const char* all;
    const char* none;
    std::initializer_list<Family> members;
};

const Group GROUPS[] = {
    {"allow_rmtype_all", "allow_rmtype_none", {RMLBTYPE, RMBRTYPE, RMATTYPE}},
    {"allow_type_locks_all", "allow_type_locks_none", {LBTYPE_LOCKS, BRTYPE_LOCKS, ATTYPE_LOCKS}},
    {"allow_instance_locks_all", "allow_instance_locks_none", {ELEMENT_LOCKS, BRANCH_LOCKS}},
    {"allow_rntype_all", "allow_rntype_none", {RNLBTYPE, RNBRTYPE, RNATTYPE}},
};

// Position of ",word," in the comma-wrapped list, npos when absent.
std::size_t position_of(const std::string& list, std::string_view word) {
    std::string needle = ",";
    needle.append(word).append(",");
    return list.find(needle);
}

// Of the candidate words, the index of the one that occurs earliest, or -1.
template <std::size_t N>
int earliest(const std::string& list, const std::string_view (&words)[N]) {
    int best = -1;
    std::size_t best_pos = std::string::npos;
    for (std::size_t i = 0; i < N; ++i) {
        std::size_t pos = position_of(list, words[i]);
        if (pos < best_pos) {
            best_pos = pos;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace

const char* rmelem_word(RmelemAllowed allowed) {
    switch (allowed) {
        case RmelemAllowed::Dir:
            return "dir";
        case RmelemAllowed::File:
            return "file";
        case RmelemAllowed::All:
            return "all";
        default:
            return "none";
    }
}

const char* family_option(Family family) {
    return FAMILY_OPTIONS[family];
}

std::string ReceiverKeyLine::option_in_force(Family family) const {
    std::string word = FAMILY_OPTIONS[family];
    if (!allowed[family]) word += "_none";
    return word;
}

void apply_receiver_options(std::string_view option_list, ReceiverKeyLine& key) {
    std::string list = ",";
    for (char c : option_list)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') list += c;
    list += ",";

    const std::string_view rmelem_words[] = {"allow_rmelem_none", "allow_rmelem_dir", "allow_rmelem_file",
                                             "allow_rmelem_all"};
    switch (earliest(list, rmelem_words)) {
        case 1:
            key.rmelem = RmelemAllowed::Dir;
            break;
        case 2:
            key.rmelem = RmelemAllowed::File;
            break;
        case 3:
            key.rmelem = RmelemAllowed::All;
            break;
        default:
            key.rmelem = RmelemAllowed::None;
            break;
    }
    for (int f = 0; f < FAMILY_COUNT; ++f) {
        std::string refusal = std::string(FAMILY_OPTIONS[f]) + "_none";
        const std::string_view words[] = {FAMILY_OPTIONS[f], refusal};
        key.allowed[f] = earliest(list, words) == 0;
    }
    for (const Group& g : GROUPS) {
        const std::string_view words[] = {g.all, g.none};
        int pick = earliest(list, words);
        if (pick < 0) continue;
        for (Family f : g.members) key.allowed[f] = pick == 0;
    }
    const std::string_view label_words[] = {"label_dir", "no_label_dir"};
    key.label_dir = earliest(list, label_words) != 1;
}

ReceiverKeyLine parse_receiver_key_line(std::string_view line, std::string& warning) {
    warning.clear();
    ReceiverKeyLine key;
    key.line = std::string(line);
    std::size_t first = line.find('>');
    key.before_options = std::string(line.substr(0, first));
    key.receiving_dir = first_word(key.before_options);
    for (char& c : key.receiving_dir)
        if (c == '\\') c = '/';
    if (first == std::string_view::npos) return key;

    std::string_view rest = line.substr(first + 1);
    key.protection_text = std::string(rest);
    std::size_t second = rest.find('>');
    std::string protection = stripped_copy(rest.substr(0, second));
    if (protection == "preserve") {
        key.protection = Protection::Preserve;
    } else if (protection.rfind("exactly=", 0) == 0) {
        std::string owner_group = protection.substr(8);
        std::size_t colon = owner_group.find(':');
        if (colon != std::string::npos) {
            std::string user = owner_group.substr(0, colon);
            std::string group = owner_group.substr(colon + 1);
            strip_trail(user);
            strip_trail(group);
            if (user.size() > EXACT_NAME_MAX || group.size() > EXACT_NAME_MAX) {
                warning = fmt_msg(MSG_EXACT_TOO_LONG, key.line.c_str(), static_cast<int>(EXACT_NAME_MAX));
            } else if (!user.empty() && !group.empty()) {
                key.protection = Protection::Exactly;
                key.exact_user = user;
                key.exact_group = group;
            }
        }
    }
    if (second == std::string_view::npos) return key;
    std::string_view options = rest.substr(second + 1);
    apply_receiver_options(options.substr(0, options.find('>')), key);
    return key;
}

bool is_receiver_key_line(std::string_view line) {
    if (is_comment_line(line) || holds_config_key(line)) return false;
    return line.find('/') != std::string_view::npos || line.find('\\') != std::string_view::npos;
}

ReceiverKeyLines read_receiver_key_lines(std::string_view config_text, const std::string& config_path) {
    ReceiverKeyLines result;
    for (std::string_view line : config_lines(config_text)) {
        if (!is_receiver_key_line(line)) continue;
        std::string text(line);
        if (line.size() > RECEIVER_KEY_LINE_MAX) {
            result.warnings.push_back(
                fmt_msg(MSG_KEY_LINE_TOO_LONG, static_cast<int>(RECEIVER_KEY_LINE_MAX), text.c_str()));
            continue;
        }
        if (result.lines.size() == MAX_RECEIVER_KEY_LINES) {
            result.warnings.push_back(fmt_msg(MSG_KEY_LINES_FULL, static_cast<int>(MAX_RECEIVER_KEY_LINES),
                                              config_path.c_str(), text.c_str()));
            break;
        }
        std::string warning;
        result.lines.push_back(parse_receiver_key_line(line, warning));
        if (!warning.empty()) result.warnings.push_back(warning);
    }
    return result;
}
