// ClearCase queries against a fake `cleartool` put first on PATH: it logs
// every invocation (one argument per line, then "--") and answers from small
// files in its folder.
#include "common/cc_query.h"
#include "common/cc_type_cache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "../support/scratch_dir.h"

namespace {

constexpr char FAKE_CLEARTOOL[] = R"(#!/bin/sh
here=$(dirname "$0")
for a in "$@"; do printf '%s\n' "$a"; done >> "$here/calls"
echo -- >> "$here/calls"
case "$1" in
lstype)
    grep -qxF -- "$2" "$here/existing" 2>/dev/null ;;
describe)
    case "$4" in
    vob:*) cat "$here/dbid" 2>/dev/null ;;
    *) if grep -qxF -- "$4" "$here/global" 2>/dev/null; then echo global; else echo ordinary; fi ;;
    esac
    echo "cleartool: noise on stderr" >&2 ;;
*) exit 2 ;;
esac
)";

class FakeCleartool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.path().empty());
        bin_ = scratch_ / "bin";
        std::filesystem::create_directory(bin_);
        write_file(bin_ + "/cleartool", FAKE_CLEARTOOL);
        std::filesystem::permissions(bin_ + "/cleartool", std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        ::setenv("PATH", (bin_ + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
        reset_type_cache();
        TYPE_CACHE.enabled = true;
        TYPE_CACHE.capacity = TYPE_CACHE_CAPACITY;
    }

    void existing(const std::string& selectors) { write_file(bin_ + "/existing", selectors); }
    void global(const std::string& selectors) { write_file(bin_ + "/global", selectors); }
    void dbid(const std::string& answer) { write_file(bin_ + "/dbid", answer); }
    std::string calls() const { return read_file(bin_ + "/calls"); }
    int call_count() const {
        std::string log = calls();
        int count = 0;
        for (std::size_t at = log.find("--\n"); at != std::string::npos; at = log.find("--\n", at + 3)) ++count;
        return count;
    }

    ScratchDir scratch_;
    std::string bin_;
};

TEST_F(FakeCleartool, TypeExistsAsksLstypeWithOneQuotedSelector) {
    const std::string hostile = "odd name $(touch " + scratch_ / "pwned" + ")`touch " + scratch_ / "pwned" + "`";
    existing("brtype:rel_1@/vobs/x\nlbtype:" + hostile + "@/vobs/x\n");
    struct Case {
        const char* kind;
        std::string name;
        int answer;
    };
    const Case cases[] = {
        {BRTYPE, "rel_1", 1},
        {LBTYPE, "rel_1", 0},
        {BRTYPE, "rel_2", 0},
        {LBTYPE, hostile, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(type_exists(c.kind, c.name, "/vobs/x"), c.answer) << c.name;
    EXPECT_EQ(calls(),
              "lstype\nbrtype:rel_1@/vobs/x\n--\n"
              "lstype\nlbtype:rel_1@/vobs/x\n--\n"
              "lstype\nbrtype:rel_2@/vobs/x\n--\n"
              "lstype\nlbtype:" +
                  hostile + "@/vobs/x\n--\n");
    EXPECT_FALSE(std::filesystem::exists(scratch_ / "pwned"));
}

TEST_F(FakeCleartool, IsGlobalTypeReadsTheTypeScope) {
    global("attype:Status@/vobs/y\n");
    EXPECT_EQ(is_global_type(ATTYPE, "Status", "/vobs/y"), 1);
    EXPECT_EQ(is_global_type(ATTYPE, "Other", "/vobs/y"), 0);
    EXPECT_EQ(calls(),
              "describe\n-fmt\n%[type_scope]p\nattype:Status@/vobs/y\n--\n"
              "describe\n-fmt\n%[type_scope]p\nattype:Other@/vobs/y\n--\n");
}

TEST_F(FakeCleartool, TheVobDatabaseIdIsTheFirstWordOfTheAnswer) {
    struct Case {
        std::string answer;
        std::string id;
    };
    const Case cases[] = {
        {"vob_db_42 rest\n", "vob_db_42"},
        {"  \t leading_blanks\n", "leading_blanks"},
        {"", "??????"},
        {"\n\n", "??????"},
        {std::string(150, 'z') + "\n", std::string(99, 'z')},
    };
    for (const Case& c : cases) {
        dbid(c.answer);
        EXPECT_EQ(get_VOB_db_id("/vobs/a b"), c.id);
        EXPECT_EQ(CC_ANSWERS.VOB_DB_ID, c.id);
    }
    EXPECT_NE(calls().find("describe\n-fmt\n%On\nvob:/vobs/a b\n--\n"), std::string::npos);
}

TEST_F(FakeCleartool, EachCachedQuestionRunsOneCommandPerPacket) {
    existing("brtype:dev@/vobs/x\nlbtype:L1@/vobs/x\nattype:A1@/vobs/x\n");
    global("brtype:dev@/vobs/x\nlbtype:L1@/vobs/x\nattype:A1@/vobs/x\n");
    struct Case {
        int (*question)(std::string_view, std::string_view);
        const char* name;
        int answer;
    };
    const Case cases[] = {
        {is_global_branch_type, "dev", 1},  {is_global_branch_type, "other", 0}, {is_global_label_type, "L1", 1},
        {is_global_label_type, "other", 0}, {is_global_attribute_type, "A1", 1}, {is_global_attribute_type, "other", 0},
        {branch_type_exists, "dev", 1},     {branch_type_exists, "other", 0},    {label_type_exists, "L1", 1},
        {label_type_exists, "other", 0},    {attribute_type_exists, "A1", 1},    {attribute_type_exists, "other", 0},
    };
    // First round: every question is new (same names, different kind or
    // question, are different questions).
    int expected_calls = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(c.question(c.name, "/vobs/x"), c.answer) << c.name;
        EXPECT_EQ(call_count(), ++expected_calls) << c.name;
    }
    // Second round, same packet: answered from the cache, no command.
    for (const Case& c : cases) EXPECT_EQ(c.question(c.name, "/vobs/x"), c.answer) << c.name;
    EXPECT_EQ(call_count(), expected_calls);

    // A new packet asks again and sees changed answers.
    existing("");
    global("");
    reset_type_cache();
    for (const Case& c : cases) EXPECT_EQ(c.question(c.name, "/vobs/x"), 0) << c.name;
    EXPECT_EQ(call_count(), 2 * expected_calls);
}

TEST_F(FakeCleartool, WithoutTheCacheEveryQuestionRunsItsCommand) {
    TYPE_CACHE.enabled = false;
    existing("lbtype:L1@/vobs/x\n");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(label_type_exists("L1", "/vobs/x"), 1);
    EXPECT_EQ(call_count(), 3);
    EXPECT_TRUE(TYPE_CACHE.TYPE_EXISTANCE_TESTED.empty());
}

TEST_F(FakeCleartool, AFullCacheStillAnswersRightButRemembersNoMore) {
    // Room for "{aa}" (4) and "{bb}" (4) but not a third key: the tested
    // keys must stay below the capacity.
    TYPE_CACHE.capacity = 12;
    existing("brtype:aa@/v\nbrtype:cc@/v\n");
    EXPECT_EQ(branch_type_exists("aa", "/v"), 1);
    EXPECT_EQ(branch_type_exists("bb", "/v"), 0);
    EXPECT_EQ(branch_type_exists("cc", "/v"), 1);
    EXPECT_EQ(call_count(), 3);
    EXPECT_EQ(branch_type_exists("aa", "/v"), 1);
    EXPECT_EQ(branch_type_exists("bb", "/v"), 0);
    EXPECT_EQ(call_count(), 3);
    EXPECT_EQ(branch_type_exists("cc", "/v"), 1);
    EXPECT_EQ(call_count(), 4);
}

TEST_F(FakeCleartool, TheTypeExistsDispatchesByKindWord) {
    existing("lbtype:x@/v\nbrtype:y@/v\nattype:z@/v\n");
    struct Case {
        const char* kind_word;
        const char* name;
        int answer;
    };
    const Case cases[] = {
        {"label", "x", 1},   {"branch", "y", 1}, {"attribute", "z", 1}, {"label", "y", 0},
        {"element", "x", 0}, {"", "x", 0},       {"Label", "x", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(the_type_exists(c.kind_word, c.name, "/v"), c.answer) << c.kind_word;
    EXPECT_EQ(call_count(), 4);  // the unknown words run nothing
}

TEST_F(FakeCleartool, KeysDoNotMatchAcrossNames) {
    // Names that would meet inside a "|a|b|"-style text search stay apart.
    existing("brtype:a}{b@/v\n");
    EXPECT_EQ(branch_type_exists("a}{b", "/v"), 1);
    EXPECT_EQ(branch_type_exists("a", "/v"), 0);
    EXPECT_EQ(branch_type_exists("b", "/v"), 0);
    EXPECT_EQ(call_count(), 3);
}

TEST(CommandOutput, GetResultsKeepsAtMostSizeMinusOneBytes) {
    struct Case {
        std::size_t size;
        std::string kept;
    };
    const Case cases[] = {
        {0, ""},
        {1, ""},
        {2, "a"},
        {6, "abcde"},
        {11, "abcdefghij"},
        {100, "abcdefghij"},
        {Command::NO_LIMIT, "abcdefghij"},
    };
    for (const Case& c : cases) {
        std::string buffer = "stale";
        EXPECT_EQ(get_results(Command("printf").arg("abcdefghij"), buffer, c.size), 1);
        EXPECT_EQ(buffer, c.kept) << "size " << c.size;
        EXPECT_EQ(get_stdout_of_command(Command("printf").arg("abcdefghij"), buffer, c.size), 1);
        EXPECT_EQ(buffer, c.kept) << "size " << c.size;
    }
    std::string buffer = "stale";
    EXPECT_EQ(get_results(Command("true").cwd("/nonexistent/vandrel"), buffer, 10), 0);
    EXPECT_EQ(buffer, "");
    // The exit status is not looked at.
    EXPECT_EQ(get_results(Command::shell_text("echo partial; exit 3"), buffer, 100), 1);
    EXPECT_EQ(buffer, "partial\n");
}

TEST(CommandOutput, GetCommandOutputKeepsAtMost6143Bytes) {
    EXPECT_EQ(get_command_output(Command::shell_text("head -c 10000 /dev/zero | tr '\\000' q")), 1);
    EXPECT_EQ(CC_ANSWERS.LAST_COMMAND_RESULT, std::string(6143, 'q'));
    EXPECT_EQ(get_command_output(Command("echo").arg("short")), 1);
    EXPECT_EQ(CC_ANSWERS.LAST_COMMAND_RESULT, "short\n");
}

TEST(CommandOutput, GetFileResultsReadsAtMostSizeMinusOneBytes) {
    ScratchDir scratch;
    const std::string path = scratch / "out.txt";
    write_file(path, "0123456789");
    struct Case {
        std::string path;
        std::size_t size;
        std::string kept;
    };
    const Case cases[] = {
        {path, 100, "0123456789"},
        {path, 5, "0123"},
        {path, 1, ""},
        {path, Command::NO_LIMIT, "0123456789"},
        {scratch / "missing", 100, ""},
        {scratch.path(), 100, ""},  // a directory reads as nothing
    };
    for (const Case& c : cases) {
        std::string buffer = "stale";
        EXPECT_EQ(get_file_results(c.path, buffer, c.size), 1);
        EXPECT_EQ(buffer, c.kept) << c.path << " size " << c.size;
    }
}

TEST(CommandOutput, CleartoolSubcommandsComeFromTheTable) {
    EXPECT_EQ(CLEARTOOL_COMMANDS.size(), 35u);
    EXPECT_EQ(cleartool(CT_STARTVIEW).line(), "cleartool startview");
    EXPECT_EQ(cleartool(CT_LSTYPE).line(), "cleartool lstype");
    EXPECT_EQ(cleartool(CT_RMVER).line(), "cleartool rmver");
    EXPECT_EQ(cleartool(CT_LSHISTORY).line(), "cleartool lshistory");
    EXPECT_EQ(type_selector(BRTYPE, "x y", "/vobs/z"), "brtype:x y@/vobs/z");
}

TEST(AttributeLines, ValueLengthFollowsAttrib) {
    struct Case {
        std::string line;
        int length;
    };
    const Case cases[] = {
        {"Attrib 12:Status=\"ok\"", 12},
        {"Attrib 12", 12},
        {"Attrib 0:x=", 0},
        {"Attrib  7:x", 7},
        {"Attrib +7:x", 7},
        {"Attrib -5:x", 0},
        {"Attrib x:y", 0},
        {"Attrib ", 0},
        {"Attrib99999999999999:x", 0},
        {"Attrib 99999999999999:x", 0},
        {"attrib 12", 0},
        {" Attrib 12", 0},
        {"Label 12", 0},
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(read_att_value_length(c.line), c.length) << c.line;
}

}  // namespace
