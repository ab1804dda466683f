// The since times of history queries.
#include "common/since.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "common/log.h"

namespace {

std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return ::timegm(&fields);
}

void use_zone(const char* tz) {
    ::setenv("TZ", tz, 1);
    ::tzset();
}

TEST(CalcSince, FormatsLocalTimeWithoutLeadingZeros) {
    struct Case {
        const char* tz;
        std::time_t t;
        std::string offset;
        std::string since;
        std::string since_local;
    };
    const Case cases[] = {
        {"UTC0", utc(2026, 12, 6, 7, 26, 5), "-5", "6-Dec-2026.7:26:5 UTC -5", "6-Dec-2026.7:26:5"},
        {"UTC0", utc(2000, 1, 1, 0, 0, 0), "+0", "1-Jan-2000.0:0:0 UTC +0", "1-Jan-2000.0:0:0"},
        {"UTC0", utc(1999, 12, 31, 23, 59, 59), "+1", "31-Dec-1999.23:59:59 UTC +1", "31-Dec-1999.23:59:59"},
        {"UTC0", utc(2024, 2, 29, 12, 5, 9), "", "29-Feb-2024.12:5:9 UTC ", "29-Feb-2024.12:5:9"},
        // Local time, not UTC: five hours west.
        {"EST5", utc(2026, 12, 6, 7, 26, 5), "-5", "6-Dec-2026.2:26:5 UTC -5", "6-Dec-2026.2:26:5"},
        {"EST5", utc(2026, 1, 1, 3, 0, 0), "-5", "31-Dec-2025.22:0:0 UTC -5", "31-Dec-2025.22:0:0"},
        {"UTC0", utc(2026, 6, 15, 10, 0, 0), "+2 CEST", "15-Jun-2026.10:0:0 UTC +2 CEST", "15-Jun-2026.10:0:0"},
    };
    for (const Case& c : cases) {
        use_zone(c.tz);
        EXPECT_EQ(calc_since(c.t, c.offset), c.since);
        EXPECT_EQ(SINCE_TIMES.SINCE, c.since);
        EXPECT_EQ(SINCE_TIMES.SINCE_LOCAL, c.since_local);
    }
}

TEST(CalcSince, UsesTheConfiguredOffsetWord) {
    use_zone("UTC0");
    UTC_OFFSET = "-8";
    EXPECT_EQ(calc_since(utc(2026, 3, 4, 5, 6, 7)), "4-Mar-2026.5:6:7 UTC -8");
}

TEST(CalcSince, KeepsAtMost255Characters) {
    use_zone("UTC0");
    const std::string offset(400, 'o');
    const std::string& since = calc_since(utc(2026, 12, 6, 7, 26, 5), offset);
    ASSERT_EQ(since.size(), SINCE_MAX);
    EXPECT_EQ(since.substr(0, 24), "6-Dec-2026.7:26:5 UTC oo");
    EXPECT_EQ(SINCE_TIMES.SINCE_LOCAL, "6-Dec-2026.7:26:5");
}

TEST(SetLocalSince, CutsBeforeUtc) {
    struct Case {
        std::string since;
        std::string since_local;
    };
    const Case cases[] = {
        {"6-Dec-2026.7:26:5 UTC -5", "6-Dec-2026.7:26:5"},
        {"6-Dec-2026.7:26:5", "6-Dec-2026.7:26:5"},  // first word of an epoch file
        {"", ""},
        {" UTC x", ""},
    };
    for (const Case& c : cases) {
        SINCE_TIMES.SINCE = c.since;
        set_local_since();
        EXPECT_EQ(SINCE_TIMES.SINCE_LOCAL, c.since_local) << c.since;
    }
}

TEST(InitSince, EmptiesBoth) {
    use_zone("UTC0");
    calc_since(utc(2026, 12, 6, 7, 26, 5), "-5");
    init_since();
    EXPECT_EQ(SINCE_TIMES.SINCE, "");
    EXPECT_EQ(SINCE_TIMES.SINCE_LOCAL, "");
}

}  // namespace
