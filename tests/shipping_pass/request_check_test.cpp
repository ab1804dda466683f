// Shipping requests: every way a request can be wrong against the message
// the pass fails with, and the requests that pass.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "codecs/scramble.h"
#include "shipper/pass/request_check.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string P = "mship.007.siteB.siteA";

std::string scrambled(const std::string& text) {
    std::string out;
    EXPECT_EQ(1, scramble_replication_text(text.c_str(), out)) << text;
    return out;
}

TEST(ShippingRequest, WordCountsOtherThanThreeAreRefused) {
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const Case cases[] = {
        {{}, "-- package header empty or corrupt. Pass Aborted... (" + P + ")"},
        {{"k", "VLso_12.1_l"}, "-- package header empty or corrupt. Pass Aborted... (" + P + ")"},
        {{"k", "t", "s", "x"},
         "-- package header corrupt. \n\t unexpected (k)(t) (s)(x)\n\tPass Aborted... (" + P + ")"},
        {{"k", "t", "s", "x", "y"},
         "-- package header corrupt. \n\t unexpected (k)(t) (s)(x)\n\tPass Aborted... (" + P + ")"},
        {{"k", "t", "s"}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.message, check_request_words(c.words, P)) << c.words.size();
}

TEST(ShippingRequest, ReplicationKeyMustBeTheVobsOwn) {
    const std::string db = "5915d0ac.25310db2.41f5.24:82:8a:58:a5:8e";
    EXPECT_EQ("", check_replication_key(scrambled(db), db, "/vobs/src", P));
    EXPECT_EQ("-- package not made with compatible Quorlin version. Pass Aborted... (" + P + ")",
              check_replication_key(scrambled(db + "0"), db, "/vobs/src", P));
    EXPECT_EQ("-- package not made with compatible Quorlin version. Pass Aborted... (" + P + ")",
              check_replication_key("", db, "/vobs/src", P));
    EXPECT_EQ("-- Failed to get dbid for VOB (/vobs/src). Pass Aborted... (" + P + ")",
              check_replication_key(scrambled(db), "??????", "/vobs/src", P));
}

TEST(ShippingRequest, RequestTimeMustLieBetweenTheFloorAndNow) {
    const std::time_t now = 1800000000;
    const std::string stale =
        "-- package is very stale or corrupt, appears to be created before the vandrel_shipper "
        "epoc.  Pass Aborted... (" +
        P + ")";
    const std::string fresh =
        "-- package is too fresh or corrupt.  Sync clocks between location (siteA) and (siteB). Pass Aborted... (" + P +
        ")";
    struct Case {
        std::string word;
        std::string message;
    };
    const Case cases[] = {
        {scrambled("1799999999_l"), ""},    {scrambled("1800000000"), ""},
        {scrambled("1113437877_l"), ""},    {scrambled("1113437876_l"), stale},
        {scrambled("0_l"), stale},          {scrambled("12x4_l"), stale},
        {scrambled("_l"), stale},           {"", stale},
        {scrambled("1800000001_l"), fresh}, {scrambled("99999999999999999999999_l"), stale},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.message, check_request_time(c.word, now, "vandrel_shipper", "siteA", "siteB", P)) << c.word;
}

TEST(ShippingRequest, RequestFileIsReadAsWordsAndAMissingOneIsUnreadable) {
    ScratchDir dir;
    std::vector<std::string> words;
    write_file(dir / "req", "k VLso_12.1_l  s\n");
    ASSERT_EQ(RequestRead::ok, read_request_words(dir / "req", words));
    EXPECT_EQ((std::vector<std::string>{"k", "VLso_12.1_l", "s"}), words);
    EXPECT_EQ(RequestRead::unreadable, read_request_words(dir / "none", words));
    EXPECT_EQ(RequestRead::unreadable, read_request_words(dir.path(), words));
}

}  // namespace
