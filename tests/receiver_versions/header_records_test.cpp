// Header records without a VOB: how the record text is split, which packets
// are refused before anything in the VOB changes, and the helpers that
// decide what a packet may name.
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/file_ops.h"
#include "receiver/versions/element_names.h"
#include "receiver/versions/header_records.h"
#include "versions_fixture.h"

namespace {

TEST(SplitHeaderRecords, KeepsFileOrderAndSkipsWhatIsNotARecord) {
    std::vector<HeaderRecord> records;
    // The extraction appends a line break; a value may hold ":" and "@@".
    split_header_records("l:east;D:vob;V:12.0;garbage;e:src_text:text_file;c:a.c@@/main/dev;\n", records);
    std::vector<std::pair<char, std::string>> got;
    for (const HeaderRecord& r : records) got.emplace_back(r.letter, r.value);
    std::vector<std::pair<char, std::string>> want = {
        {'l', "east"}, {'D', "vob"}, {'V', "12.0"}, {'e', "src_text:text_file"}, {'c', "a.c@@/main/dev"}};
    EXPECT_EQ(got, want);
}

TEST(ElementNames, HelpersTable) {
    struct Case {
        std::string in, tidy, parent;
    } cases[] = {{"a", "a", "."}, {"./a//b/", "a/b", "a"}, {".", ".", "."}, {"a/./b/c", "a/b/c", "a/b"}};
    for (const Case& c : cases) {
        EXPECT_EQ(tidy_relative_path(c.in), c.tidy) << c.in;
        EXPECT_EQ(parent_relative_path(tidy_relative_path(c.in)), c.parent) << c.in;
    }
    std::string s = "[value]";
    strip_surrounding_bracket_char(s);
    EXPECT_EQ(s, "value");
    s = "(x";
    strip_surrounding_bracket_char(s);
    EXPECT_EQ(s, "x");
    s = "a\"b'c\"";
    strip_any_char_from_bucket(s, "\"'");
    EXPECT_EQ(s, "abc");
    EXPECT_TRUE(is_digit('7'));
    EXPECT_FALSE(is_digit('a'));
}

TEST(ElementNames, PlainTypeNames) {
    for (const char* ok : {"dev", "REL_1.2-x", "src_text", "Remotely_Checked_Out_To__east"})
        EXPECT_TRUE(is_plain_type_name(ok)) << ok;
    for (const char* bad : {"", ".", "..", "-rmall", "a@/vobs/other", "brtype:x", "a b", "x;y", "$(id)", "a`b`", "a'b",
                            "a\"b", "a/b", "a\nb"})
        EXPECT_FALSE(is_plain_type_name(bad)) << bad;
}

// A cleartool that only writes down that it was called.
class RefusedBeforeAnyChange : public VersionsTest {
protected:
    void SetUp() override {
        VersionsTest::SetUp();
        fake_program("cleartool", "echo \"$@\" >> '" + dir / "calls" + "'\n");
    }
};

TEST_F(RefusedBeforeAnyChange, MissingFileOrWrongFormatVersionTossesWithoutTouchingTheVob) {
    VERSIONS_SETTINGS.new_dir_personality = 0;
    struct Case {
        const char* what;
        const char* text;  // nullptr: no file
        const char* message;
    } cases[] = {
        {"missing file", nullptr, "-- required pre-process file ("},
        {"no version", "l:east;D:vob;n:branch;e:t:text_file;d:lib;L:lib/l>x;c:a.c@@/main;\n",
         "Package processing ENDED INCOMPLETE WITH ERRORS - Remote Vandrel Shipper must be 12.0 or higher..."},
        {"later version", "l:east;D:vob;V:13.0;d:lib;\n",
         "Package processing ENDED INCOMPLETE WITH ERRORS - Remote Vandrel Shipper must be 12.0 or higher..."},
        {"deployment, old", "l:east;D:flat;B: site ;V:11.0;\n",
         "Package processing ENDED INCOMPLETE WITH ERRORS - Remote Vandrel Shipper must be 12.0 or higher..."},
    };
    for (const Case& c : cases) {
        std::string pre = dir / "p.pre";
        unlink_remove(pre);
        if (c.text) write_file(pre, c.text);
        std::string toss;
        EXPECT_EQ(apply_header_records(pre, dir / "epoc.007.b.a.crc", "/vobs/dst", "/vobs/dst", toss), 0) << c.what;
        EXPECT_EQ(toss.rfind(c.message, 0), 0u) << c.what << ": " << toss;
        EXPECT_FALSE(exists(dir / "calls")) << c.what << ": " << read_file(dir / "calls");
    }
}

TEST_F(RefusedBeforeAnyChange, DeploymentHeaderIsReadButTheVobIsLeftAlone) {
    write_file(dir / "p.pre", "l:east;D:flat;B:  web site ;V:12.0;n:main;\n");
    std::string toss;
    ASSERT_EQ(apply_header_records(dir / "p.pre", dir / "d.crc", "", "", toss), 1) << toss;
    EXPECT_EQ(APPLY_PACKET.IS_DEPLOYMENT, 1);
    EXPECT_EQ(VERSIONS_PACKET.deploy_location, "web site");
    EXPECT_EQ(VERSIONS_PACKET.location, "east");
    EXPECT_EQ(VERSIONS_PACKET.new_dir_personality, 1);
    EXPECT_FALSE(exists(dir / "calls")) << read_file(dir / "calls");
}

}  // namespace

namespace {

TEST_F(RefusedBeforeAnyChange, UsedTypesGoToTheTypeCreationUnlessTheirKindIsIgnored) {
    std::vector<std::string> calls;
    VERSIONS_SETTINGS.create_type = [&calls](const std::string& kind, const std::string& scope, const std::string& name,
                                             const std::string& vob, const std::string& location) {
        calls.push_back(kind + " " + scope + " " + name + "@" + vob + " from " + location);
        return 1;
    };
    write_file(dir / "p.pre", "l:east;D:vob;V:12.0;G:gb;b:ob;g:gl;y:ga;b:bad@/vobs/other;\n");
    struct Case {
        int ignore_branch, ignore_label, ignore_attribute;
        std::vector<std::string> want;
    } cases[] = {
        {0,
         0,
         0,
         {"branch global gb@/vobs/dst from east", "branch ordinary ob@/vobs/dst from east",
          "label global gl@/vobs/dst from east", "attribute global ga@/vobs/dst from east"}},
        {1, 0, 1, {"label global gl@/vobs/dst from east"}},
        {0,
         1,
         0,
         {"branch global gb@/vobs/dst from east", "branch ordinary ob@/vobs/dst from east",
          "attribute global ga@/vobs/dst from east"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        APPLY_SETTINGS.read_ignore_received_branch_data = c.ignore_branch;
        APPLY_SETTINGS.read_ignore_received_label_data = c.ignore_label;
        APPLY_SETTINGS.read_ignore_received_attribute_data = c.ignore_attribute;
        std::string toss;
        ASSERT_EQ(apply_header_records(dir / "p.pre", dir / "x.crc", "/vobs/dst", "/vobs/dst", toss), 1);
        EXPECT_EQ(calls, c.want) << c.ignore_branch << c.ignore_label << c.ignore_attribute;
    }
}

}  // namespace
