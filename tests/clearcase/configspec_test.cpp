// Config spec parsing and pattern matching.
#include <gtest/gtest.h>

#include "clearcase/view/configspec.h"

using ccsub::ConfigSpec;
using ccsub::CsRule;

TEST(ConfigSpecParse, SupportedLines) {
    ConfigSpec cs;
    std::string err;
    const char* text =
        "# header comment\n"
        "\n"
        "element * CHECKEDOUT\n"
        "element * .../dev/LATEST\n"
        "element -file *.c /main/dev/fix/LATEST -mkbranch fix\n"
        "element -directory /vobs/src/a/... /main/4 -nocheckout            \n"
        "element * REL1\r\n"
        "element lib/*.h -none\n"
        "element * /main/LATEST -mkbranch dev -nocheckout # trailing comment\n";
    ASSERT_TRUE(ccsub::parse_config_spec(text, cs, err)) << err;
    ASSERT_EQ(cs.rules.size(), 7u);
    EXPECT_EQ(cs.rules[0].sel, CsRule::Sel::Checkedout);
    EXPECT_EQ(cs.rules[1].sel, CsRule::Sel::AnyBranchLatest);
    EXPECT_EQ(cs.rules[1].branch, "dev");
    EXPECT_EQ(cs.rules[2].sel, CsRule::Sel::BranchLatest);
    EXPECT_EQ(cs.rules[2].branch, "/main/dev/fix");
    EXPECT_TRUE(cs.rules[2].file_only);
    EXPECT_EQ(cs.rules[2].mkbranch, "fix");
    EXPECT_EQ(cs.rules[3].sel, CsRule::Sel::BranchNum);
    EXPECT_EQ(cs.rules[3].num, 4);
    EXPECT_TRUE(cs.rules[3].dir_only);
    EXPECT_TRUE(cs.rules[3].nocheckout);
    EXPECT_EQ(cs.rules[3].text, "element -directory /vobs/src/a/... /main/4 -nocheckout");
    EXPECT_EQ(cs.rules[4].sel, CsRule::Sel::Label);
    EXPECT_EQ(cs.rules[4].label, "REL1");
    EXPECT_EQ(cs.rules[5].sel, CsRule::Sel::None);
    EXPECT_EQ(cs.rules[6].mkbranch, "dev");
    EXPECT_TRUE(cs.rules[6].nocheckout);
}

TEST(ConfigSpecParse, RefusesUnsupportedOrMalformedLines) {
    const char* bad[] = {
        "include /some/file.cs\n",
        "load /vobs/src\n",
        "element * /main/LATEST -time 10-Jan.10:00\n",
        "element *\n",
        "element * /main/dev/\n",
        "element * .../dev/3\n",
        "element * lbl/with/slash\n",
        "element * /main/LATEST -mkbranch\n",
    };
    for (const char* text : bad) {
        ConfigSpec cs;
        std::string err;
        EXPECT_FALSE(ccsub::parse_config_spec(text, cs, err)) << text;
        EXPECT_NE(err.find("line 1"), std::string::npos) << err;
    }
}

TEST(ConfigSpecPattern, Matching) {
    struct Case {
        const char* pattern;
        const char* path;
        bool match;
    } cases[] = {
        {"*", "/vobs/src", true},
        {"*", "/vobs/src/a/b.c", true},
        {"*.c", "/vobs/src/a/b.c", true},
        {"*.c", "/vobs/src/a/b.h", false},
        {"*.c", "/vobs/src/a.c/b", false},
        {"/vobs/src/a/...", "/vobs/src/a", true},
        {"/vobs/src/a/...", "/vobs/src/a/x/y.c", true},
        {"/vobs/src/a/...", "/vobs/src/ab", false},
        {"/vobs/src/a/...", "/vobs/src", false},
        {"/vobs/src/a/*.c", "/vobs/src/a/y.c", true},
        {"/vobs/src/a/*.c", "/vobs/src/a/x/y.c", false},
        {"/vobs/src/.../y.c", "/vobs/src/a/b/y.c", true},
        {"/vobs/src/.../y.c", "/vobs/src/y.c", true},
        {"a/*.c", "/vobs/src/a/y.c", true},
        {"a/*.c", "/vobs/x/deep/a/y.c", true},
        {"a/*.c", "/vobs/src/b/y.c", false},
        {".../lib/...", "/vobs/src/lib/foo.c", true},
        {"/vobs/src/a.c", "/vobs/src/a.c", true},
        {"/vobs/src/a.c", "/vobs/src/b/a.c", false},
    };
    for (auto& c : cases)
        EXPECT_EQ(ccsub::cs_pattern_matches(c.pattern, c.path), c.match) << c.pattern << " vs " << c.path;
}
