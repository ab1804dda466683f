#include "clearcase/store/type_names.h"

#include <cstdio>

namespace ccsub {

namespace {

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Words a version selector or config spec gives a meaning of its own.
constexpr std::string_view kReserved[] = {"LATEST", "CHECKEDOUT"};

}  // namespace

bool valid_type_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxTypeNameLength) return false;
    if (!is_letter(name.front()) && name.front() != '_') return false;
    for (char c : name)
        if (!is_letter(c) && !is_digit(c) && c != '_' && c != '.' && c != '-') return false;
    for (auto word : kReserved)
        if (name == word) return false;
    return true;
}

std::string invalid_type_name_message(std::string_view name) {
    std::string shown;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\\') {
            shown += "\\\\";
        } else if (u < 0x20 || u == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            shown += buf;
        } else {
            shown += c;
        }
    }
    return "Invalid type name: \"" + shown + "\".";
}

bool safe_path_component(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace ccsub
