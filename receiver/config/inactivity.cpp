#include "receiver/config/inactivity.h"

#include <cctype>

namespace {

bool two_digits(const std::string& s, std::size_t at, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(s[at])) || !std::isdigit(static_cast<unsigned char>(s[at + 1])))
        return false;
    value = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

}  // namespace

bool parse_inactivity_window(const std::string& word, InactivityWindow& window) {
    if (word.size() != 11 || word[2] != ':' || word[5] != '-' || word[8] != ':') return false;
    InactivityWindow w;
    if (!two_digits(word, 0, w.start_hour) || !two_digits(word, 3, w.start_minute) ||
        !two_digits(word, 6, w.end_hour) || !two_digits(word, 9, w.end_minute))
        return false;
    if (w.start_hour > 23 || w.end_hour > 23 || w.start_minute > 59 || w.end_minute > 59) return false;
    if (w.start_hour == w.end_hour && w.start_minute == w.end_minute) return false;
    w.defined = true;
    w.text = word;
    window = w;
    return true;
}

int in_inactive_time(const InactivityWindow& window, std::time_t now) {
    if (!window.defined) return 0;
    struct tm local;
    if (!localtime_r(&now, &local)) return 0;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    std::time_t midnight = std::mktime(&local);
    std::time_t start = midnight + window.start_hour * 3600 + window.start_minute * 60;
    std::time_t end = midnight + window.end_hour * 3600 + window.end_minute * 60;
    if (end <= start) return (end <= now && now <= start) ? 0 : 1;
    return (start <= now && now <= end) ? 1 : 0;
}
