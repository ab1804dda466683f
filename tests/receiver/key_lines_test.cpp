// Receiver key lines: which lines are key lines, the protection choice, the
// option families (earliest wins, groups override) and the line limits.
#include "receiver/config/key_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ReceiverKeyLine parse(const std::string& line) {
    std::string warning;
    return parse_receiver_key_line(line, warning);
}

TEST(KeyLines, OnlyNonCommentLinesWithADirCharAndNoKeyAreKeyLines) {
    const std::string text =
        "view=/not/a/key/line\n"
        "# /vobs/commented>preserve\n"
        "/srv/in1\n"
        "no dir char here\n"
        "  C:\\in2 > exactly=bob:staff\n"
        "/srv/in3>receiver>allow_rmver # pre_receive_trigger=x\n"
        "   \n";
    ReceiverKeyLines keys = read_receiver_key_lines(text, "r.conf");
    ASSERT_EQ(2u, keys.lines.size());
    EXPECT_EQ("/srv/in1", keys.lines[0].receiving_dir);
    EXPECT_EQ("C:/in2", keys.lines[1].receiving_dir);
    EXPECT_EQ("  C:\\in2 ", keys.lines[1].before_options);
    EXPECT_TRUE(keys.warnings.empty());
}

TEST(KeyLines, ProtectionChoices) {
    const struct {
        const char* line;
        Protection protection;
        const char* user;
        const char* group;
    } rows[] = {
        {"/in", Protection::Receiver, "", ""},
        {"/in > preserve ", Protection::Preserve, "", ""},
        {"/in>preserve>allow_rmver", Protection::Preserve, "", ""},
        {"/in>exactly=bob  :staff  >", Protection::Exactly, "bob", "staff"},
        {"/in>exactly=:staff", Protection::Receiver, "", ""},
        {"/in>exactly=bob:", Protection::Receiver, "", ""},
        {"/in>exactly=bob", Protection::Receiver, "", ""},
        {"/in>anything", Protection::Receiver, "", ""},
    };
    for (const auto& row : rows) {
        ReceiverKeyLine key = parse(row.line);
        EXPECT_EQ(row.protection, key.protection) << row.line;
        EXPECT_EQ(row.user, key.exact_user) << row.line;
        EXPECT_EQ(row.group, key.exact_group) << row.line;
        EXPECT_EQ("/in", key.receiving_dir) << row.line;
    }
    std::string warning;
    ReceiverKeyLine long_owner = parse_receiver_key_line("/in>exactly=" + std::string(200, 'u') + ":g", warning);
    EXPECT_EQ(Protection::Receiver, long_owner.protection);
    EXPECT_NE(std::string::npos, warning.find("longer than 127")) << warning;
}

TEST(KeyLines, DefaultsWithoutOptions) {
    ReceiverKeyLine key = parse("/in>preserve");
    EXPECT_EQ(RmelemAllowed::None, key.rmelem);
    for (int f = 0; f < FAMILY_COUNT; ++f) EXPECT_FALSE(key.allowed[f]) << family_option(Family(f));
    EXPECT_TRUE(key.label_dir);
    EXPECT_EQ("allow_rmver_none", key.option_in_force(RMVER));
}

// Each row: the option list and the permissions expected afterwards, as the
// option words in force.
TEST(KeyLines, OptionFamiliesEarliestWinsAndGroupsOverride) {
    const struct {
        const char* options;
        RmelemAllowed rmelem;
        std::vector<Family> allowed;
        bool label_dir;
    } rows[] = {
        {"allow_rmelem_file,allow_rmelem_all", RmelemAllowed::File, {}, true},
        {"allow_rmelem_all, allow_rmelem_file", RmelemAllowed::All, {}, true},
        {"allow_rmelem_none,allow_rmelem_dir", RmelemAllowed::None, {}, true},
        {"allow_rmelem_dir", RmelemAllowed::Dir, {}, true},
        {"allow_rmver,allow_rmver_none", RmelemAllowed::None, {RMVER}, true},
        {"allow_rmver_none,allow_rmver", RmelemAllowed::None, {}, true},
        {"allow_rmlbtype,allow_rmtype_none", RmelemAllowed::None, {}, true},
        {"allow_rmtype_all", RmelemAllowed::None, {RMLBTYPE, RMBRTYPE, RMATTYPE}, true},
        {"allow_rmtype_none,allow_rmtype_all,allow_rmbrtype", RmelemAllowed::None, {}, true},
        {"allow_type_locks_all,allow_lbtype_locks_none",
         RmelemAllowed::None,
         {LBTYPE_LOCKS, BRTYPE_LOCKS, ATTYPE_LOCKS},
         true},
        {"allow_instance_locks_all", RmelemAllowed::None, {ELEMENT_LOCKS, BRANCH_LOCKS}, true},
        {"allow_element_locks,allow_instance_locks_none", RmelemAllowed::None, {}, true},
        {"allow_rntype_all,allow_rnattype_none", RmelemAllowed::None, {RNLBTYPE, RNBRTYPE, RNATTYPE}, true},
        {"allow_rnbrtype,\tallow_rmbranch", RmelemAllowed::None, {RNBRTYPE, RMBRANCH}, true},
        {"no_label_dir,label_dir", RmelemAllowed::None, {}, false},
        {"label_dir,no_label_dir", RmelemAllowed::None, {}, true},
        // Words are matched whole: a longer word does not count as its prefix.
        {"allow_rmverx,xallow_rmbranch", RmelemAllowed::None, {}, true},
    };
    for (const auto& row : rows) {
        ReceiverKeyLine key = parse(std::string("/in>preserve>") + row.options + ">allow_rmbranch");
        EXPECT_EQ(row.rmelem, key.rmelem) << row.options;
        for (int f = 0; f < FAMILY_COUNT; ++f) {
            bool expected = false;
            for (Family a : row.allowed) expected = expected || a == f;
            EXPECT_EQ(expected, key.allowed[f]) << row.options << ": " << family_option(Family(f));
        }
        EXPECT_EQ(row.label_dir, key.label_dir) << row.options;
    }
}

TEST(KeyLines, MoreThanFiftyLinesAreWarnedAboutAndIgnored) {
    std::string text;
    for (int i = 0; i < 53; ++i) text += "/in/" + std::to_string(i) + "\n";
    ReceiverKeyLines keys = read_receiver_key_lines(text, "r.conf");
    ASSERT_EQ(50u, keys.lines.size());
    EXPECT_EQ("/in/49", keys.lines.back().receiving_dir);
    ASSERT_EQ(1u, keys.warnings.size());
    EXPECT_NE(std::string::npos, keys.warnings[0].find("(/in/50)")) << keys.warnings[0];
}

TEST(KeyLines, OverlongLineIsSkippedNotCut) {
    std::string text = "/in/" + std::string(600, 'a') + "\n/in/b\n";
    ReceiverKeyLines keys = read_receiver_key_lines(text, "r.conf");
    ASSERT_EQ(1u, keys.lines.size());
    EXPECT_EQ("/in/b", keys.lines[0].receiving_dir);
    EXPECT_EQ(1u, keys.warnings.size());
}

}  // namespace
