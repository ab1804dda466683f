// The start time of ClearCase history queries.
//
// SINCE reads "6-Dec-2026.7:26:5 UTC -5": day, English month abbreviation,
// year, hour, minute, second of local time without leading zeros, then " UTC "
// and the configured UTC offset word; at most 255 characters are kept.
// SINCE_LOCAL is the same text cut before " UTC", the form that
// `cleartool lshistory -since` takes.
#pragma once

#include <array>
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

inline constexpr std::size_t SINCE_MAX = 255;
inline constexpr std::array<std::string_view, 12> MONTHS = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct SinceTimes {
    std::string SINCE;
    std::string SINCE_LOCAL;
};
extern SinceTimes SINCE_TIMES;

// Sets SINCE for the time `t` in local time with the offset word, and
// SINCE_LOCAL from it. Returns SINCE.
const std::string& calc_since(std::time_t t, std::string_view utc_offset);
// The same with the configured offset word (UTC_OFFSET of the logging).
const std::string& calc_since(std::time_t t);
// Recomputes SINCE_LOCAL from SINCE (after SINCE was read from an epoch file).
void set_local_since();
// Empties both.
void init_since();
