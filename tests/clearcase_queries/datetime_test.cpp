// Date-time parsing and printing of the substitute, in a fixed time zone.
#include "clearcase/fmt/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class DateTime : public ::testing::Test {
protected:
    void SetUp() override {
        // Central European time: +01:00 in winter, +02:00 in summer.
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
};

// 2026-12-06 07:26:05 CET = 06:26:05 UTC.
constexpr std::time_t kDec6 = 1796538365;
// Reference "now": 2026-07-15 12:00:00 CEST = 10:00:00 UTC.
constexpr std::time_t kNow = 1784109600;

TEST_F(DateTime, AcceptedFormsGiveTheSameInstant) {
    struct Case {
        const char* text;
        std::time_t want;
    } cases[] = {
        {"6-Dec-2026.7:26:5", kDec6},
        {"06-Dec-2026.07:26:05", kDec6},
        {"6-dec-2026.7:26:5", kDec6},
        {"6-DEC-26.7:26:5", kDec6},
        {"6-Dec-2026.7:26", kDec6 - 5},
        {"6-Dec-2026", kDec6 - (7 * 3600 + 26 * 60 + 5)},
        {"2026-12-06T07:26:05", kDec6},
        {"2026-12-06T07:26:05+01:00", kDec6},
        {"2026-12-06T06:26:05Z", kDec6},
        {"2026-12-06T01:26:05-05:00", kDec6},
        {"15-Jul.12:00", kNow},        // year defaults to the current one
        {"15-Jul-2026.12:0:0", kNow},  // summer time is chosen by the date
        {"now", kNow},
        {"today", kNow - 12 * 3600},
        {"today.12:00", kNow},
        {"yesterday.12:00:00", kNow - 24 * 3600},
        {"29-Feb-2024.0:0:0", 1709161200},
        {"1-Jan-1970.1:0:0", 0},
    };
    for (const auto& c : cases) {
        auto got = ccsub::parse_cc_datetime(c.text, kNow);
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.want) << c.text;
    }
}

TEST_F(DateTime, RejectsMalformedOrImpossibleTimes) {
    const char* bad[] = {
        "",
        "6-Dek-2026.7:26:5",
        "31-Feb-2026",
        "29-Feb-2025",
        "6-Dec-2026.24:00:00",
        "6-Dec-2026.7:60",
        "6-Dec-2026.7:26:60",
        "6-Dec-2026.7",
        "6-Dec-2026.7:26:5 UTC -5",
        "6-Dec-2026.7:26:5x",
        "6-Dec-202.7:26:5",
        "0-Dec-2026",
        "6-Dec-2026.:26",
        "tomorrow",
        "2026-13-01T00:00:00",
        "2026-12-06T07:26:05+1",
        "-6-Dec-2026",
        "6Dec-2026",
        "6-December-2026",
    };
    for (const char* text : bad) EXPECT_FALSE(ccsub::parse_cc_datetime(text, kNow).has_value()) << text;
}

TEST_F(DateTime, PrintedFormsInLocalTime) {
    EXPECT_EQ(ccsub::format_numeric_datetime(kDec6), "20261206.072605");
    EXPECT_EQ(ccsub::format_iso_datetime(kDec6), "2026-12-06T07:26:05+01:00");
    EXPECT_EQ(ccsub::format_iso_datetime(kNow), "2026-07-15T12:00:00+02:00");
    EXPECT_EQ(ccsub::format_since_datetime(kDec6), "6-Dec-2026.7:26:5");
}

TEST_F(DateTime, PrintedFormsParseBackToTheSameSecond) {
    for (std::time_t t : {kDec6, kNow, std::time_t{0}, std::time_t{1711846799}, std::time_t{1711846800}}) {
        EXPECT_EQ(ccsub::parse_cc_datetime(ccsub::format_since_datetime(t), kNow), t) << t;
        EXPECT_EQ(ccsub::parse_cc_datetime(ccsub::format_iso_datetime(t), kNow), t) << t;
    }
}

TEST_F(DateTime, NumericFormSortsLikeTime) {
    // Element types are ordered by sorting these strings.
    EXPECT_LT(ccsub::format_numeric_datetime(kDec6), ccsub::format_numeric_datetime(kDec6 + 1));
    EXPECT_LT(ccsub::format_numeric_datetime(999999999), ccsub::format_numeric_datetime(1000000000));
}

TEST_F(DateTime, SelectionIsInclusive) {
    EXPECT_TRUE(ccsub::at_or_after(kDec6, kDec6));
    EXPECT_TRUE(ccsub::at_or_after(kDec6 + 1, kDec6));
    EXPECT_FALSE(ccsub::at_or_after(kDec6 - 1, kDec6));
}

}  // namespace
