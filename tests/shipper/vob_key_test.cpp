// VOB key lines: each wrong field against its refusal, and what a good
// line gives the shipping pass.
#include <gtest/gtest.h>

#include <string>

#include "shipper/config/vob_key.h"

using namespace shipper_config;

namespace {

const KeyContext kContext{"vandrel_shipper", "/d/m_bay/config/shipper.conf"};

std::string check(const std::string& line) {
    VobKey key;
    return check_vob_key(line, kContext, key);
}

TEST(VobKeyLine, EachWrongFieldIsRefusedWithItsMessage) {
    const std::string F = " vandrel_shipper Config. File (/d/m_bay/config/shipper.conf)";
    const std::string RD = "REPLICATION DENIED: " + F.substr(1);
    const std::string DD = "DEPLOYMENT DENIED: " + F.substr(1);
    struct Case {
        std::string line;
        std::string message;  // with "@" standing for the key
    };
    const Case cases[] = {
        {"10000>/vobs/a>>.>/vobs/b>.>siteB", RD + " had VOB_ID out of range [0..9999] for VOB key (@)"},
        {"x5>/vobs/a>>.>/vobs/b>.>siteB", RD + " had VOB_ID out of range [0..9999] for VOB key (@)"},
        {">/vobs/a>>.>/vobs/b>.>siteB", RD + " had VOB_ID out of range [0..9999] for VOB key (@)"},
        {"5>vobs/a>>.>/vobs/b>.>siteB", RD + " has invalid Unix VOB_TAG for VOB key (@)"},
        {"5>/vobs/a/>>.>/vobs/b>.>siteB", RD + " has invalid Unix VOB_TAG for VOB key (@)"},
        {"5>/vobs/../a>>.>/vobs/b>.>siteB", RD + " has invalid Unix VOB_TAG for VOB key (@)"},
        {"5>/vobs\\a>>.>/vobs/b>.>siteB", RD + " has invalid Unix VOB_TAG for VOB key (@)"},
        {"5>/vobs/a>vobs>.>/vobs/b>.>siteB", RD + " has invalid Windows VOB_TAG for VOB key (@)"},
        {"5>/vobs/a>\\vobs/a>.>/vobs/b>.>siteB", RD + " has invalid Windows VOB_TAG for VOB key (@)"},
        {"5>/vobs/a>\\vobs\\>.>/vobs/b>.>siteB", RD + " has invalid Windows VOB_TAG for VOB key (@)"},
        {"5>/vobs/a>>>/vobs/b>.>siteB", RD + " had missing VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>/src>/vobs/b>.>siteB", RD + " had invalid absolute VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>./src>/vobs/b>.>siteB", RD + " had invalid VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>!src>/vobs/b>.>siteB", RD + " had invalid VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>src/../etc>/vobs/b>.>siteB", RD + " had invalid relative VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>src\\..>/vobs/b>.>siteB", RD + " had invalid relative VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>src/>/vobs/b>.>siteB", RD + " had invalid trailing char in VOB_ORIG_PORTION for VOB key (@)"},
        {"5>/vobs/a>>.>>.>siteB", RD + " had missing VOB_DESTINATION or DEPLOYMENT_MARKER for VOB key (@)"},
        {"5>/vobs/a>>.>vobs/b>.>siteB", RD + " had invalid VOB_DESTINATION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs\\b>.>siteB",
         RD + " had invalid VOB_DESTINATION for VOB key (@). Contains mixed Windows '\\' and Unix '/' style "
              "characters.."},
        {"5>/vobs/a>>.>/vobs/../b>.>siteB", RD + " had invalid relative VOB_DESTINATION for VOB key (@)"},
        {"5>/vobs/a>>.>/[D]  >.>siteB", RD + " had missing DEPLOYMENT_LOCATION for VOB key (@)"},
        {"5>/vobs/a>>.>/[D]opt/web>.>siteB", RD + " had invalid DEPLOYMENT_LOCATION for VOB key (@)"},
        {"5>/vobs/a>>.>\\[d]\\\\server\\share>.>siteB",
         RD + " had invalid DEPLOYMENT_LOCATION for VOB key (@).  UNC paths not supported in this field."},
        {"5>/vobs/a>>.>/[D]/opt/../etc>.>siteB", RD + " had invalid relative DEPLOYMENT_LOCATION for VOB key (@)"},
        {"5>/vobs/a>>.>/[D]/opt/web>>siteB", DD + " had missing DEPLOYMENT_LOCATION for VOB key (@)"},
        {"5>/vobs/a>>.>/[D]/opt/web>sub>siteB", DD + " had invalid DEPLOYMENT_LOCATION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs/b>>siteB", RD + " had missing VOB_DEST_PORTION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs/b>/x>siteB", RD + " had invalid absolute VOB_DEST_PORTION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs/b>x/./y>siteB", RD + " had invalid relative VOB_DEST_PORTION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs/b>*x>siteB", RD + " had invalid VOB_DEST_PORTION for VOB key (@)"},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>send",
         RD + " had invalid SHIPPING_PERSONALITY for VOB key (@). Value not \"ship\" or \"hold\"."},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>[X]:dev",
         DD + " had invalid BRANCH_DESIGNATORS for VOB key (@). must be \"[E]:\" or \"[O]:\""},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>>REL1",
         DD + " had invalid LABEL_DESIGNATOR for VOB key (@). must be \"[E]:\" or \"[O]:\""},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>>>x",
         DD + " had invalid ATTRIBUTE_DESIGNATOR for VOB key (@). must be \"[E]:\" or \"[O]:\""},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>[E]:a,b,c,d,e,f,g,h,i,j,k,l,m",
         DD + " had too many BRANCH_DESIGNATORS for VOB key (@). Branches must between 1 and 12"},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>>[O]:",
         DD + " had too many LABEL_DESIGNATORS for VOB key (@). Labels must between 1 and 12"},
        {"5>/vobs/a>>.>/vobs/b>.>siteB>ship>[E]:dev,main",
         DD + " had invalid BRANCH EXCLUSION of (main) for VOB key (@)."},
        {"5>/vobs/a>>.>/vobs/b>.>siteB ../x>ship", RD + " had invalid receiving location (../x) for VOB key (@)"},
        // Fields 1-6 come before 8-11: the first wrong field is reported.
        {"5>/vobs/a>>/abs>/vobs/b>.>siteB>send", RD + " had invalid absolute VOB_ORIG_PORTION for VOB key (@)"},
    };
    for (const Case& c : cases) {
        std::string expected = c.message;
        expected.replace(expected.find('@'), 1, c.line);
        EXPECT_EQ(check("  " + c.line + " \t"), expected) << c.line;
    }
}

TEST(VobKeyLine, GoodLinesGiveTheirFields) {
    VobKey k;
    ASSERT_EQ(
        check_vob_key(" 7>/vobs/src>\\src>lib\\core>/vobs/dst>sub/dir>siteB  siteC siteD>hold>[E]:dev,rel*>>[O]:a",
                      kContext, k),
        "");
    EXPECT_EQ(k.vob_id, 7);
    EXPECT_EQ(k.vob_tag, "/vobs/src");
    EXPECT_EQ(k.windows_tag, "\\src");
    EXPECT_EQ(k.orig_portion, "lib/core");
    EXPECT_EQ(k.destination, "/vobs/dst");
    EXPECT_EQ(k.dest_portion, "sub/dir");
    EXPECT_EQ(k.locations, (std::vector<std::string>{"siteB", "siteC", "siteD"}));
    EXPECT_EQ(k.personality, 'H');
    EXPECT_EQ(k.branches.letter, 'E');
    EXPECT_EQ(k.branches.names, (std::vector<std::string>{"dev", "rel*"}));
    EXPECT_EQ(k.labels.letter, 'A');
    EXPECT_EQ(k.attributes.letter, 'R');
    EXPECT_EQ(k.attributes.names, (std::vector<std::string>{"a"}));
    EXPECT_FALSE(k.is_deployment);

    ASSERT_EQ(check_vob_key("0>/vobs/web>>.>\\[d] C:\\deploy\\web >.>siteW", kContext, k), "");
    EXPECT_TRUE(k.is_deployment);
    EXPECT_EQ(k.deploy_platform, '\\');
    EXPECT_FALSE(k.hard_deployment);
    EXPECT_EQ(k.deployment_location, "C:\\deploy\\web");
    EXPECT_EQ(k.personality, 'S');

    // An empty personality ends the line: later fields are not read.
    EXPECT_EQ(check("9999>/vobs/a>>.>/vobs/b>.>siteB>>[X]>[Y]>[Z]"), "");
    // No locations: a valid line that ships nowhere.
    ASSERT_EQ(check_vob_key("5>/vobs/a>>.>/[D]/opt/web>.>", kContext, k), "");
    EXPECT_TRUE(k.locations.empty());
    EXPECT_TRUE(k.hard_deployment);
}

TEST(VobKeyLine, WhichLinesAreKeyLines) {
    EXPECT_TRUE(is_vob_key_line("5>/vobs/a>>.>/vobs/b>.>siteB"));
    EXPECT_TRUE(is_vob_key_line("junk>x>"));
    EXPECT_FALSE(is_vob_key_line("a>b"));
    EXPECT_FALSE(is_vob_key_line("# 5>/vobs/a>>.>/vobs/b>.>siteB"));
    EXPECT_FALSE(is_vob_key_line("5>/vobs/a>>.>/vobs/view=b>.>siteB"));
    EXPECT_FALSE(is_vob_key_line("   "));
}

}  // namespace
