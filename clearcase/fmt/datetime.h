// Date-time texts of the ClearCase substitute.
//
// Input (for -since and the exporter's -s): "D-Mon-YYYY.H:M:S" in local time,
// leading zeros optional, seconds optional ("6-Dec-2026.7:26:5",
// "06-Dec-2026.07:26"). Also accepted: a date alone (midnight), a two-digit
// year (70-99 -> 19xx, else 20xx), the ISO-like form that %d prints
// ("2026-12-06T07:26:05", an offset suffix is honoured), and the words
// "now", "today", "yesterday" (with an optional ".H:M[:S]" after the last two).
//
// Output: the numeric %Nd form "yyyymmdd.hhmmss", the %d form
// "yyyy-mm-ddThh:mm:ss+hh:mm" and the no-leading-zero form above, all local.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace ccsub {

// Parses one of the accepted forms; std::nullopt when the text is not a
// valid date-time (unknown month, 31-Feb, 25:00, trailing garbage, ...).
// `now` is the reference for "now", "today" and "yesterday".
std::optional<std::time_t> parse_cc_datetime(std::string_view text, std::time_t now);
std::optional<std::time_t> parse_cc_datetime(std::string_view text);

// "20261206.072605"
std::string format_numeric_datetime(std::time_t t);
// "2026-12-06T07:26:05+01:00"
std::string format_iso_datetime(std::time_t t);
// "6-Dec-2026.7:26:5"
std::string format_since_datetime(std::time_t t);

// Inclusive selection: an event at exactly `since` is selected.
inline bool at_or_after(std::time_t event_time, std::time_t since) {
    return event_time >= since;
}

}  // namespace ccsub
