// The export view's config spec: rules that are refused, and what is set.
#include <gtest/gtest.h>

#include <string>

#include "shipper/pass/config_spec_edit.h"

namespace {

const std::string F = "/d/m_bay/config/config_specs/001.cs";

TEST(ExportConfigSpec, RefusedRulesAndSelectors) {
    const std::string rule = "failed ctar on step 4 (" + F + ") - config spec. contains illegal ";
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"element * /main/LATEST\ninclude /x/y.cs\n", rule + "include rule"},
        {"  load /vobs/src\n", rule + "load rule"},
        {"element * CHECKEDOUT\nelement * /main/LATEST\n", rule + "CHECKEDOUT rule"},
        {"element *\tCHECKEDOUT\n", rule + "CHECKEDOUT rule"},
        {"element * /main/LATEST -time 1-Jan-2020\n", rule + "-time selector"},
        {"element * -config x\n", rule + "-config selector"},
        {"element * -error\n", rule + "-error selector"},
        // A commented-out rule is no rule.
        {"# element * CHECKEDOUT\nelement * /main/LATEST\n", ""},
        {"#element * /main/LATEST -time 1-Jan-2020\nelement * /main/LATEST\n", ""},
        // CHECKEDOUT as part of a longer word is no checkout rule.
        {"element * /main/dev_CHECKEDOUT/LATEST\n", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.error, edit_config_spec(c.text, F).error) << c.text;
}

TEST(ExportConfigSpec, CommentsGoNocheckoutIsBlankedOtherLinesStay) {
    ConfigSpecEdit edit = edit_config_spec(
        "# the export view\n\nelement * /main/LATEST -nocheckout\r\n  # indented comment\nelement -file *.c REL1\n", F);
    EXPECT_EQ("", edit.error);
    EXPECT_EQ("element * /main/LATEST            \nelement -file *.c REL1\n", edit.kept);
}

TEST(ExportConfigSpec, LongerThanTheWorkLimitIsRefusedWhole) {
    std::string text;
    while (text.size() <= CONFIG_SPEC_WORK_MAX) text += "element * /main/LATEST\n";
    ConfigSpecEdit edit = edit_config_spec(text, F);
    EXPECT_EQ(
        "failed ctar on step 4 (" + F + ") - config spec. longer than 50000 bytes: refused rather than used in part",
        edit.error);
    EXPECT_EQ("", edit.kept);
}

}  // namespace
