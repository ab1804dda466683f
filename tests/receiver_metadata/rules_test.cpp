// Pure rules of the metadata requests: lock answers, object paths and type
// names from packets, branch depth of extended names, section size limits.
#include <gtest/gtest.h>

#include <string>

#include "receiver/metadata/lock_check.h"
#include "receiver/metadata/metadata_context.h"
#include "receiver/metadata/section_file.h"
#include "tests/support/scratch_dir.h"

using namespace receiver_metadata;

TEST(LockAnswer, DecidedByTheTextNotByTheStatus) {
    struct Case {
        const char* answer;
        const char* user;
        int locked;
    };
    const Case cases[] = {
        {"", "recv", 0},
        {"Locked for all users.\n", "recv", 1},
        {"Locked for all users (obsolete).\n", "recv", 1},
        {"Locked except for users: recv\n", "recv", 0},
        {"Locked except for users: a recv b\n", "recv", 0},
        {"Locked except for users: a b\n", "recv", 1},
        {"Locked except for users: recver\n", "recv", 1},  // a longer name is another user
        {"Locked except for users: a b\n", "", 1},
        {"cleartool: Error: Type not found\n", "recv", 0},
        {"Unlocked\nLocked for all users.\n", "recv", 0},  // only the first line counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(locks_out_receiver(read_lock_answer(c.answer, c.user)) ? 1 : 0, c.locked) << c.answer;
}

TEST(ObjectPaths, StayInsideTheReplicatedDirectory) {
    struct Case {
        const char* object;
        bool inside;
    };
    const Case cases[] = {
        {"f.c@@/main/2", true},
        {".", true},
        {"d/e/f.c@@/main/dev/3", true},
        {"a..b/f@@/main/1", true},
        {"", false},
        {"..", false},
        {"../other/f.c@@/main/1", false},
        {"d/../../f.c", false},
        {"f.c@@/../../../etc", false},
        {"..@@/main/1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(object_stays_inside(c.object), c.inside) << c.object;
    EXPECT_FALSE(object_stays_inside(std::string("f\0c", 3)));
}

TEST(TypeNames, OnlyPlainNamesReachCleartool) {
    EXPECT_TRUE(type_name_acceptable("REL1"));
    EXPECT_TRUE(type_name_acceptable("we'ird$(x)`y`;z\nq\""));
    EXPECT_FALSE(type_name_acceptable(""));
    EXPECT_FALSE(type_name_acceptable("-replace"));          // would be read as an option
    EXPECT_FALSE(type_name_acceptable("REL1@/vobs/other"));  // would name another VOB
    EXPECT_FALSE(type_name_acceptable(std::string("A\0B", 3)));
}

TEST(BranchDepth, CountsBranchesBelowMainAfterTheExtendedNameMark) {
    struct Case {
        const char* xpn;
        bool version;
        int below;
    };
    const Case cases[] = {
        {"f.c@@/main/3", true, 0},
        {"f.c@@/main/dev/3", true, 1},
        {"d/e/f.c@@/main/a/b/7", true, 2},
        {"f.c@@/main", false, 0},
        {"f.c@@/main/dev", false, 1},
        {"dir/with/many/parts/f@@/main/4", true, 0},
        {"f.c", true, 0},
        {"f.c@@", true, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(branches_below_main(c.xpn, c.version), c.below) << c.xpn;
}

TEST(SectionFile, CutAtTheLimitAndSaysSo) {
    ScratchDir dir;
    const std::string path = dir.path() + "/s.post";
    write_file(path, "POST>m|L|f@@/main/1|>");
    std::string text;
    bool cut = true;
    ASSERT_EQ(read_section_file(path, 100, text, cut), 1);
    EXPECT_FALSE(cut);
    EXPECT_EQ(text, "POST>m|L|f@@/main/1|>");
    ASSERT_EQ(read_section_file(path, 10, text, cut), 1);
    EXPECT_TRUE(cut);
    EXPECT_EQ(text, "POST>m|L|f");
    EXPECT_EQ(read_section_file(dir.path() + "/missing", 10, text, cut), 0);
}
