#include "shipper/config/vob_key.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"

namespace shipper_config {

namespace {

// Texts that make a line a setting rather than a VOB key line.
constexpr std::array<const char*, 16> GLOBAL_KEY_TEXTS = {
    "MVFS_DRIVE=",        "duration=",         "view=",       "location_name=",    "UTC_offset=",
    "transport_program=", "encryption=",       "shipper_id=", "pre_ship_trigger=", "post_ship_trigger=",
    "startup_trigger=",   "shutdown_trigger=", "add_class=",  "slink_scale=",      "postp_scale=",
    "include_file="};

// First characters a replicated portion may start with.
constexpr std::string_view PORTION_FIRST_CHARS =
    " .abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_~+=$#";

constexpr std::array<std::string_view, 8> RELATIVE_PARTS = {"/../", "/./", "\\..\\", "\\.\\",
                                                            "..\\", ".\\", "../",    "./"};
constexpr std::array<std::string_view, 4> RELATIVE_ENDS = {"/.", "/..", "\\.", "\\.."};

bool contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

bool has_relative_component(std::string_view s) {
    for (std::string_view part : RELATIVE_PARTS)
        if (contains(s, part)) return true;
    for (std::string_view end : RELATIVE_ENDS)
        if (s.ends_with(end)) return true;
    return false;
}

bool valid_unix_tag(std::string_view s) {
    return !s.empty() && s[0] == '/' && !contains(s, "\\") && !contains(s, "/../") && !contains(s, "/./") &&
           !s.ends_with("/.") && !s.ends_with("/..") && !s.ends_with("/");
}

bool valid_windows_tag(std::string_view s) {
    if (s.empty()) return true;
    return s[0] == '\\' && !contains(s, "/") && !contains(s, "\\..\\") && !contains(s, "\\.\\") &&
           !s.ends_with("\\.") && !s.ends_with("\\..") && !s.ends_with("\\");
}

enum class Portion { ok, missing, invalid, absolute, relative, trailing };

Portion check_portion(std::string_view s) {
    if (s.empty()) return Portion::missing;
    if (s == ".") return Portion::ok;
    if (s[0] == '/' || s[0] == '\\') return Portion::absolute;
    if (s[0] == '.' || PORTION_FIRST_CHARS.find(s[0]) == std::string_view::npos) return Portion::invalid;
    if (has_relative_component(s)) return Portion::relative;
    if (s.back() == '/' || s.back() == '\\') return Portion::trailing;
    return Portion::ok;
}

bool is_windows_absolute(std::string_view s) {
    bool drive =
        s.size() >= 3 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':' && (s[2] == '\\' || s[2] == '/');
    return drive || (!s.empty() && s[0] == '\\');
}

// Formats one VOB key message: prefix, program, file, then the key.
template <const char* Format>
std::string key_msg(const char* prefix, const KeyContext& c, const std::string& key) {
    return fmt_msg(Format, prefix, c.program, c.file.c_str(), key.c_str());
}

struct DesignatorWords {
    const char* field;    // in the "invalid %s" message
    const char* counted;  // in the "too many %s" message
    const char* kind;     // "Branches", "Labels", "Attributes"
};

std::string check_designators(std::string_view field, const DesignatorWords& words, bool is_branch, const KeyContext& c,
                              const std::string& key, Designators& out) {
    out = Designators{};
    if (field.empty()) return {};
    if (field.starts_with("[E]"))
        out.letter = 'E';
    else if (field.starts_with("[O]"))
        out.letter = 'R';
    else
        return fmt_msg(BAD_DESIGNATOR_MSG, DEPLOYMENT_DENIED_, c.program, c.file.c_str(), words.field, key.c_str());
    std::string_view rest = field.substr(3);
    if (!rest.empty() && rest[0] == ':') rest.remove_prefix(1);
    int count = 0;
    bool too_long = false;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t end = rest.find(',', pos);
        std::string name =
            stripped_copy(rest.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        if (name.empty()) break;
        ++count;
        if (name.size() > DESIGNATOR_NAME_MAX) too_long = true;
        if (count <= DESIGNATORS_MAX) out.names.push_back(name);
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    if (count < 1 || count > DESIGNATORS_MAX) {
        return fmt_msg(DESIGNATOR_COUNT_MSG, DEPLOYMENT_DENIED_, c.program, c.file.c_str(), words.counted, key.c_str(),
                       words.kind, DESIGNATORS_MAX);
    }
    if (too_long)
        return fmt_msg(BAD_DESIGNATOR_MSG, DEPLOYMENT_DENIED_, c.program, c.file.c_str(), words.field, key.c_str());
    if (is_branch && out.letter == 'E' && std::find(out.names.begin(), out.names.end(), "main") != out.names.end())
        return key_msg<MAIN_EXCLUDED_MSG>(DEPLOYMENT_DENIED_, c, key);
    return {};
}

// Field 5: a receiving VOB tag, or a deployment marker and its location.
std::string check_destination(const std::string& s, const KeyContext& c, VobKey& k) {
    const char* R = REPLICATION_DENIED_;
    if (s.empty()) return key_msg<MISSING_DEST_MSG>(R, c, k.key);
    for (const char* marker : {"/[D]", "/[d]", "\\[D]", "\\[d]"}) {
        if (!s.starts_with(marker)) continue;
        k.is_deployment = true;
        k.deploy_platform = marker[0];
        k.hard_deployment = marker[2] == 'D';
        k.deployment_location = stripped_copy(std::string_view(s).substr(4));
        const std::string& loc = k.deployment_location;
        if (loc.empty()) return key_msg<MISSING_DEPLOY_MSG>(R, c, k.key);
        if (loc.starts_with("\\\\") || loc.starts_with("//")) return key_msg<BAD_DEPLOY_MSG>(R, c, k.key) + UNC_SUFFIX;
        bool absolute = k.deploy_platform == '/' ? loc[0] == '/' : is_windows_absolute(loc);
        if (!absolute) return key_msg<BAD_DEPLOY_MSG>(R, c, k.key);
        if (has_relative_component(loc)) return key_msg<RELATIVE_DEPLOY_MSG>(R, c, k.key);
        return {};
    }
    if (s[0] != '/' && s[0] != '\\') return key_msg<BAD_DEST_MSG>(R, c, k.key);
    if (contains(s, "/") && contains(s, "\\")) return key_msg<MIXED_DEST_MSG>(R, c, k.key);
    if (has_relative_component(s)) return key_msg<RELATIVE_DEST_MSG>(R, c, k.key);
    return {};
}

std::string check_dest_portion(const std::string& s, const KeyContext& c, const VobKey& k) {
    if (k.is_deployment) {
        if (s.empty()) return key_msg<MISSING_DEPLOY_MSG>(DEPLOYMENT_DENIED_, c, k.key);
        if (s != ".") return key_msg<BAD_DEPLOY_MSG>(DEPLOYMENT_DENIED_, c, k.key);
        return {};
    }
    const char* R = REPLICATION_DENIED_;
    switch (check_portion(s)) {
        case Portion::ok:
            return {};
        case Portion::missing:
            return key_msg<MISSING_DEST_PORTION_MSG>(R, c, k.key);
        case Portion::absolute:
            return key_msg<ABSOLUTE_DEST_PORTION_MSG>(R, c, k.key);
        case Portion::relative:
            return key_msg<RELATIVE_DEST_PORTION_MSG>(R, c, k.key);
        case Portion::invalid:
        case Portion::trailing:
            break;
    }
    return key_msg<BAD_DEST_PORTION_MSG>(R, c, k.key);
}

std::string check_orig_portion(const std::string& s, const KeyContext& c, const std::string& key) {
    const char* R = REPLICATION_DENIED_;
    switch (check_portion(s)) {
        case Portion::ok:
            return {};
        case Portion::missing:
            return key_msg<MISSING_ORIG_MSG>(R, c, key);
        case Portion::invalid:
            return key_msg<BAD_ORIG_MSG>(R, c, key);
        case Portion::absolute:
            return key_msg<ABSOLUTE_ORIG_MSG>(R, c, key);
        case Portion::relative:
            return key_msg<RELATIVE_ORIG_MSG>(R, c, key);
        case Portion::trailing:
            break;
    }
    return key_msg<TRAILING_ORIG_MSG>(R, c, key);
}

}  // namespace

bool is_vob_key_line(std::string_view line) {
    std::string_view word = first_word(line);
    if (word.empty() || word[0] == '#') return false;
    for (const char* text : GLOBAL_KEY_TEXTS)
        if (contains(line, text)) return false;
    return std::count(line.begin(), line.end(), '>') >= 2;
}

std::vector<std::string> split_fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = line.find('>', start);
        fields.emplace_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

bool parse_vob_id(std::string_view field, int& id) {
    std::string text = stripped_copy(field);
    if (text.empty() || text.size() > 4) return false;
    int value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    id = value;
    return true;
}

bool is_valid_location(std::string_view location) {
    if (location.empty() || location == "." || location == "..") return false;
    for (char ch : location)
        if (ch == '/' || static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) return false;
    return true;
}

std::string check_vob_key(std::string_view line, const KeyContext& c, VobKey& k) {
    k = VobKey{};
    k.key = stripped_copy(line);
    std::vector<std::string> raw = split_fields(k.key);
    std::vector<std::string> f;
    for (const std::string& field : raw) f.push_back(stripped_copy(field));
    f.resize(std::max<std::size_t>(f.size(), 11));
    const char* R = REPLICATION_DENIED_;

    if (!parse_vob_id(f[0], k.vob_id))
        return fmt_msg(VOB_ID_RANGE_MSG, R, c.program, c.file.c_str(), VOB_ID_MIN, VOB_ID_MAX, k.key.c_str());
    k.vob_tag = f[1];
    if (!valid_unix_tag(k.vob_tag)) return key_msg<BAD_UNIX_TAG_MSG>(R, c, k.key);
    k.windows_tag = f[2];
    if (!valid_windows_tag(k.windows_tag)) return key_msg<BAD_WINDOWS_TAG_MSG>(R, c, k.key);
    std::string message = check_orig_portion(f[3], c, k.key);
    if (!message.empty()) return message;
    k.orig_portion = f[3];
    std::replace(k.orig_portion.begin(), k.orig_portion.end(), '\\', '/');
    k.destination = f[4];
    message = check_destination(f[4], c, k);
    if (!message.empty()) return message;
    k.dest_portion = f[5];
    message = check_dest_portion(f[5], c, k);
    if (!message.empty()) return message;

    if (!f[7].empty()) {
        if (f[7].starts_with("ship"))
            k.personality = 'S';
        else if (f[7].starts_with("hold"))
            k.personality = 'H';
        else
            return fmt_msg(BAD_PERSONALITY_MSG, R, c.program, c.file.c_str(), k.key.c_str(), "ship", "hold");
        static const DesignatorWords kWords[3] = {{"BRANCH_DESIGNATORS", "BRANCH_DESIGNATORS", "Branches"},
                                                  {"LABEL_DESIGNATOR", "LABEL_DESIGNATORS", "Labels"},
                                                  {"ATTRIBUTE_DESIGNATOR", "ATTRIBUTE_DESIGNATORS", "Attributes"}};
        Designators* lists[3] = {&k.branches, &k.labels, &k.attributes};
        for (int i = 0; i < 3; ++i) {
            message = check_designators(f[8 + i], kWords[i], i == 0, c, k.key, *lists[i]);
            if (!message.empty()) return message;
        }
    }

    k.locations = split_words(f[6]);
    for (const std::string& location : k.locations) {
        if (!is_valid_location(location))
            return fmt_msg(BAD_LOCATION_MSG, R, c.program, c.file.c_str(), location.c_str(), k.key.c_str());
    }
    return {};
}

}  // namespace shipper_config
