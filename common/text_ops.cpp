#include "common/text_ops.h"

#include <cctype>
#include <cstring>

namespace {
bool is_trim_space(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}
}  // namespace

void strip_trail(char* s) {
    if (!s) return;
    size_t n = std::strlen(s);
    while (n > 0 && is_trim_space(s[n - 1])) --n;
    s[n] = '\0';
}

void strip_head(char* s) {
    if (!s) return;
    size_t i = 0;
    while (s[i] && is_trim_space(s[i])) ++i;
    if (s[i] == '\0') return;  // whitespace only (or empty): unchanged
    if (i > 0) std::memmove(s, s + i, std::strlen(s + i) + 1);
}

void strip_surrounding(char* s) {
    strip_trail(s);
    strip_head(s);
}

void strip_trail(std::string& s) {
    size_t n = s.size();
    while (n > 0 && is_trim_space(s[n - 1])) --n;
    s.resize(n);
}

void strip_head(std::string& s) {
    size_t i = 0;
    while (i < s.size() && is_trim_space(s[i])) ++i;
    if (i == s.size()) return;
    s.erase(0, i);
}

void strip_surrounding(std::string& s) {
    strip_trail(s);
    strip_head(s);
}

std::string_view trim_trailing_blanks(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string stripped_copy(std::string_view s) {
    std::string copy(s);
    strip_surrounding(copy);
    return copy;
}

char* STRING_LOWER(char* s) {
    for (char* p = s; p && *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return s;
}

char* FOLD_CASE(char* s) {
    return STRING_LOWER(s);
}

char* STRING_UPPER(char* s) {
    for (char* p = s; p && *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return s;
}

std::string& STRING_LOWER(std::string& s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string& STRING_UPPER(std::string& s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string yank_value(const char* text) {
    if (!text) return std::string();
    const char* eq = std::strchr(text, '=');
    if (!eq) return std::string();
    const char* start = eq + 1;
    const char* nl = std::strchr(start, '\n');
    size_t len = nl ? static_cast<size_t>(nl - start) : std::strlen(start);
    if (len > YANKED_VALUE_MAX) len = YANKED_VALUE_MAX;
    std::string value(start, len);
    strip_surrounding(value);
    return value;
}
