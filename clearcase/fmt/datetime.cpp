// Parsing and printing of the substitute's date-time texts (see datetime.h).
#include "clearcase/fmt/datetime.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <strings.h>

namespace ccsub {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A small left-to-right reader over the input text.
struct Cursor {
    std::string_view s;
    size_t i = 0;

    bool done() const { return i >= s.size(); }
    bool eat(char c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    // Reads 1..max_digits decimal digits.
    std::optional<int> number(size_t max_digits) {
        size_t start = i;
        int v = 0;
        while (i < s.size() && i - start < max_digits && std::isdigit(static_cast<unsigned char>(s[i]))) {
            v = v * 10 + (s[i] - '0');
            ++i;
        }
        if (i == start) return std::nullopt;
        return v;
    }
    size_t digits_ahead() const {
        size_t n = 0;
        while (i + n < s.size() && std::isdigit(static_cast<unsigned char>(s[i + n]))) ++n;
        return n;
    }
};

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int year, int mon0) {
    static constexpr std::array<int, 12> d = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return mon0 == 1 && leap(year) ? 29 : d[static_cast<size_t>(mon0)];
}

struct Fields {
    int year = 0, mon0 = 0, day = 0, hour = 0, min = 0, sec = 0;
};

bool valid(const Fields& f) {
    return f.year >= 1900 && f.year <= 9999 && f.mon0 >= 0 && f.mon0 < 12 && f.day >= 1 &&
           f.day <= days_in_month(f.year, f.mon0) && f.hour >= 0 && f.hour < 24 && f.min >= 0 && f.min < 60 &&
           f.sec >= 0 && f.sec < 60;
}

// The fields as a broken-down time (daylight saving flag 0).
std::tm to_tm(const Fields& f) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.mon0;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.min;
    tm.tm_sec = f.sec;
    return tm;
}

// Local time of the fields; mktime decides daylight saving itself.
std::optional<std::time_t> to_local(const Fields& f) {
    if (!valid(f)) return std::nullopt;
    std::tm tm = to_tm(f);
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return t;
}

// ".H:M[:S]" after a date; absent means midnight.
bool read_time_of_day(Cursor& c, Fields& f) {
    if (c.done()) return true;
    if (!c.eat('.')) return false;
    auto h = c.number(2);
    if (!h || !c.eat(':')) return false;
    auto m = c.number(2);
    if (!m) return false;
    f.hour = *h;
    f.min = *m;
    if (c.eat(':')) {
        auto s = c.number(2);
        if (!s) return false;
        f.sec = *s;
    }
    return c.done();
}

std::optional<int> month_index(std::string_view word) {
    if (word.size() != 3) return std::nullopt;
    for (size_t k = 0; k < kMonths.size(); ++k)
        if (strncasecmp(word.data(), kMonths[k], 3) == 0) return static_cast<int>(k);
    return std::nullopt;
}

// "D-Mon[-YY[YY]][.H:M[:S]]"; a missing year means the current one.
std::optional<std::time_t> parse_dmy(std::string_view text, std::time_t now) {
    Cursor c{text};
    Fields f;
    auto d = c.number(2);
    if (!d || !c.eat('-')) return std::nullopt;
    f.day = *d;
    if (c.i + 3 > text.size()) return std::nullopt;
    auto mon = month_index(text.substr(c.i, 3));
    if (!mon) return std::nullopt;
    f.mon0 = *mon;
    c.i += 3;
    if (c.eat('-')) {
        size_t n = c.digits_ahead();
        if (n != 2 && n != 4) return std::nullopt;
        int y = *c.number(4);
        if (n == 2) y += y >= 70 ? 1900 : 2000;
        f.year = y;
    } else {
        std::tm lt{};
        localtime_r(&now, &lt);
        f.year = lt.tm_year + 1900;
    }
    if (!read_time_of_day(c, f)) return std::nullopt;
    return to_local(f);
}

// "YYYY-MM-DD[Thh:mm[:ss][Z|+hh:mm|-hh:mm]]"; without an offset it is local.
std::optional<std::time_t> parse_iso(std::string_view text) {
    Cursor c{text};
    Fields f;
    if (c.digits_ahead() != 4) return std::nullopt;
    f.year = *c.number(4);
    if (!c.eat('-') || c.digits_ahead() != 2) return std::nullopt;
    f.mon0 = *c.number(2) - 1;
    if (!c.eat('-') || c.digits_ahead() != 2) return std::nullopt;
    f.day = *c.number(2);
    std::optional<long> offset;  // seconds east of UTC
    if (c.eat('T')) {
        auto h = c.number(2);
        if (!h || !c.eat(':')) return std::nullopt;
        auto m = c.number(2);
        if (!m) return std::nullopt;
        f.hour = *h;
        f.min = *m;
        if (c.eat(':')) {
            auto s = c.number(2);
            if (!s) return std::nullopt;
            f.sec = *s;
        }
        if (c.eat('Z')) {
            offset = 0;
        } else if (!c.done() && (text[c.i] == '+' || text[c.i] == '-')) {
            int sign = text[c.i] == '-' ? -1 : 1;
            ++c.i;
            auto oh = c.number(2);
            if (!oh || !c.eat(':')) return std::nullopt;
            auto om = c.number(2);
            if (!om || *oh > 14 || *om > 59) return std::nullopt;
            offset = sign * (*oh * 3600L + *om * 60L);
        }
    }
    if (!c.done() || !valid(f)) return std::nullopt;
    if (!offset) return to_local(f);
    std::tm tm = to_tm(f);
    return timegm(&tm) - *offset;
}

// "today" / "yesterday" with an optional time of day, and "now".
std::optional<std::time_t> parse_relative(std::string_view text, std::time_t now) {
    if (strcasecmp(std::string(text).c_str(), "now") == 0) return now;
    int back_days = -1;
    std::string_view rest;
    for (auto [word, days] : {std::pair<std::string_view, int>{"today", 0}, {"yesterday", 1}}) {
        if (text.size() >= word.size() && strncasecmp(text.data(), word.data(), word.size()) == 0) {
            back_days = days;
            rest = text.substr(word.size());
            break;
        }
    }
    if (back_days < 0) return std::nullopt;
    std::tm lt{};
    localtime_r(&now, &lt);
    lt.tm_mday -= back_days;
    lt.tm_hour = lt.tm_min = lt.tm_sec = 0;
    lt.tm_isdst = -1;
    std::time_t day_start = std::mktime(&lt);
    std::tm norm{};
    localtime_r(&day_start, &norm);
    Fields f{norm.tm_year + 1900, norm.tm_mon, norm.tm_mday, 0, 0, 0};
    Cursor c{rest};
    if (!read_time_of_day(c, f)) return std::nullopt;
    return to_local(f);
}

std::tm local_tm(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

std::optional<std::time_t> parse_cc_datetime(std::string_view text, std::time_t now) {
    if (text.empty()) return std::nullopt;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        if (text.size() > 4 && text[4] == '-') return parse_iso(text);
        return parse_dmy(text, now);
    }
    return parse_relative(text, now);
}

std::optional<std::time_t> parse_cc_datetime(std::string_view text) {
    return parse_cc_datetime(text, std::time(nullptr));
}

std::string format_numeric_datetime(std::time_t t) {
    std::tm tm = local_tm(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d.%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string format_iso_datetime(std::time_t t) {
    std::tm tm = local_tm(t);
    long off = tm.tm_gmtoff;
    char sign = off < 0 ? '-' : '+';
    if (off < 0) off = -off;
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, sign, off / 3600, (off % 3600) / 60);
    return buf;
}

std::string format_since_datetime(std::time_t t) {
    std::tm tm = local_tm(t);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%d-%s-%d.%d:%d:%d", tm.tm_mday, kMonths[static_cast<size_t>(tm.tm_mon)],
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

}  // namespace ccsub
