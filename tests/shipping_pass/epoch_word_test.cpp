// Which first words of an epoch confirmation may bound a history export.
#include <gtest/gtest.h>

#include "shipper/pass/epoch_word.h"

namespace {

TEST(EpochWord, OnlyADateTimeBoundsTheExport) {
    for (const char* good : {"6-Dec-2026.7:26:5", "06-Jan-2020.07:05:09", "31-Oct-1999.23:59:59"})
        EXPECT_TRUE(is_since_word(good)) << good;
    for (const char* bad :
         {"", "6-Dec-2026", "6-Dex-2026.7:26:5", "6-Dec-2026.7:26:5x", "6-Dec-2026.7:26", "-Dec-2026.7:26:5",
          "6-dec-2026.7:26:5", "123-Dec-2026.7:26:5", "6-Dec-2026.7:26:5;rm", "6-Dec-20266.7:26:5", "garbage;"})
        EXPECT_FALSE(is_since_word(bad)) << bad;
}

}  // namespace
