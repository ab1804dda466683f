#include "shipper/history/since_time.h"

#include "common/since.h"

namespace {

// Reads a decimal number at `at`, moving past it; 0 when there is none.
int read_number(std::string_view text, std::size_t& at) {
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 100000)
        value = value * 10 + (text[at++] - '0');
    return value;
}

}  // namespace

std::time_t time_of(std::string_view since) {
    since = since.substr(0, 20);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    int day = 0, month = 0, year = tm.tm_year + 1900, hour = 0, minute = 0, second = 0;
    const std::size_t dash = since.find('-');
    if (dash != std::string_view::npos && dash + 1 < since.size()) {
        std::size_t at = 0;
        day = read_number(since, at);
        std::string_view name = since.substr(dash + 1, 3);
        for (std::size_t m = 0; m < MONTHS.size(); ++m)
            if (MONTHS[m] == name) month = static_cast<int>(m);
        at = dash + 4;
        if (at < since.size() && since[at] == '-') ++at;
        year = read_number(since, at);
        if (at < since.size()) ++at;  // the year's separator
        hour = read_number(since, at);
        if (at < since.size() && since[at] == ':') ++at;
        minute = read_number(since, at);
        if (at < since.size() && since[at] == ':') ++at;
        second = read_number(since, at);
    }
    tm.tm_mday = day;
    tm.tm_mon = month;
    tm.tm_year = year - 1900;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return std::mktime(&tm);
}
