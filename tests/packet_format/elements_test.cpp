// Element description lines, deployment listing, new-element records,
// data file names and packet path checks.
#include "codecs/packet_elements.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueLines, FormatAndParse) {
    EXPECT_EQ(format_value_line("Name", "abc"), "Name 3:abc\n");
    EXPECT_EQ(format_value_line("Attrib", "Note=\"a\nb\""), "Attrib 10:Note=\"a\nb\"\n");
    struct Case {
        const char* line;
        int result;
        const char* tag;
        long length;
        const char* value;
    };
    const Case cases[] = {
        {"Name 3:abc", 1, "Name", 3, "abc"},
        {"ExtractFile 8:zeb.0001", 1, "ExtractFile", 8, "zeb.0001"},
        {"Attrib 12:Note=\"first", 1, "Attrib", 12, "Note=\"first"},  // value continues below
        {"DirName 1:.", 1, "DirName", 1, "."},
        {"Name 0:", 0, "", 0, ""},  // length must start with 1-9
        {"Name 03:abc", 0, "", 0, ""},
        {"Name x:abc", 0, "", 0, ""},
        {"Name 3abc", 0, "", 0, ""},
        {"Name :abc", 0, "", 0, ""},
        {"ELEMENT_BEGIN", 0, "", 0, ""},
        {" 3:abc", 0, "", 0, ""},
        {"Name 99999999999999999999999:x", 0, "", 0, ""},
        {"", 0, "", 0, ""},
    };
    for (const Case& c : cases) {
        ValueLine v;
        ASSERT_EQ(parse_value_line(c.line, v), c.result) << c.line;
        if (c.result == 1) {
            EXPECT_EQ(v.tag, c.tag);
            EXPECT_EQ(v.length, c.length);
            EXPECT_EQ(v.value, c.value);
        }
    }
    EXPECT_TRUE(is_value_line_of("ExportFromDir 4:/vob", "ExportFromDir"));
    EXPECT_FALSE(is_value_line_of("ExportFromDirX 4:/vob", "ExportFromDir"));
}

TEST(TypeBlocks, CutToTheirNameLine) {
    EXPECT_EQ(format_type_block('B', "BrType 3:dev"), "BRTYPE_BEGIN\nBrType 3:dev\nBRTYPE_END\n");
    EXPECT_EQ(format_type_block('L', "LbType 4:REL1"), "LBTYPE_BEGIN\nLbType 4:REL1\nLBTYPE_END\n");
    EXPECT_EQ(format_type_block('A', "AttrType 1:x"), "ATTYPE_BEGIN\nAttrType 1:x\nATTYPE_END\n");
    EXPECT_EQ(format_type_block('X', "x"), "");
}

TEST(DataFiles, Names) {
    EXPECT_EQ(data_file_name(0), "zeb.0000");
    EXPECT_EQ(data_file_name(1), "zeb.0001");
    EXPECT_EQ(data_file_name(9999), "zeb.9999");
    EXPECT_EQ(data_file_name(10000), "zeb.10000");
}

TEST(PacketPaths, StayInside) {
    struct Case {
        const char* path;
        bool inside;
    };
    const Case cases[] = {
        {"a/b.txt", true},      {".", true},     {"./a", true},        {"a..b/c", true}, {"..a", true}, {"", false},
        {"/etc/passwd", false}, {"../x", false}, {"a/../../x", false}, {"a/..", false},  {"..", false}, {"\\x", false},
        {"a\\..\\x", false},    {"a\nb", false},
    };
    for (const Case& c : cases) EXPECT_EQ(packet_path_stays_inside(c.path), c.inside) << c.path;
    EXPECT_FALSE(packet_path_stays_inside(std::string_view("a\0b", 3)));
}

TEST(DeployListing, WriteAndRead) {
    std::string s;
    ASSERT_EQ(append_deploy_dir_line(s, "docs"), 1);
    ASSERT_EQ(append_deploy_file_line(s, "docs/a.html"), 1);
    ASSERT_EQ(append_deploy_file_line(s, "index.html"), 1);
    EXPECT_EQ(append_deploy_file_line(s, "bad\nname"), 0);
    EXPECT_EQ(append_deploy_dir_line(s, ""), 0);
    EXPECT_EQ(s, "D:docs\nF:docs/a.html\nF:index.html\n");
    std::vector<DeployEntry> entries;
    std::string error;
    ASSERT_EQ(read_deploy_listing(s + "        \n", entries, error), 1) << error;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].is_file);
    EXPECT_TRUE(entries[2].is_file);
    EXPECT_EQ(entries[2].path, "index.html");
}

TEST(DeployListing, RefusesPathsLeavingTheDirectory) {
    for (const char* text : {"F:ok\nF:../../etc/cron.d/x\n", "F:ok\nD:/tmp\n", "F:ok\nF:\n"}) {
        std::vector<DeployEntry> entries;
        std::string error;
        EXPECT_EQ(read_deploy_listing(text, entries, error), 0) << text;
        EXPECT_EQ(entries.size(), 1u);
        EXPECT_NE(error.find("leaves"), std::string::npos);
    }
}

TEST(DeployListing, ListingForDisplayKeepsAndMarksEveryEntry) {
    // The refusing reader stops at the first bad entry; a display of the
    // packet must still show that entry and every one after it.
    const std::string text = "D:lib\nF:../../etc/cron.d/x\nF:lib/a\nD:/tmp\nF:a/../../b\nF:.\n";
    std::vector<DeployEntry> entries;
    list_deploy_entries(text, entries);
    struct Want {
        bool is_file;
        const char* path;
        bool stays_inside;
    };
    const Want want[] = {{false, "lib", true},   {true, "../../etc/cron.d/x", false}, {true, "lib/a", true},
                         {false, "/tmp", false}, {true, "a/../../b", false},          {true, ".", true}};
    ASSERT_EQ(entries.size(), std::size(want));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].is_file, want[i].is_file);
        EXPECT_EQ(entries[i].path, want[i].path);
        EXPECT_EQ(entries[i].stays_inside, want[i].stays_inside);
    }
}

TEST(NewElements, WriteAndRead) {
    std::string s;
    ASSERT_EQ(append_new_element_record(s, "src/a.c", "vobadm", "cc", "rw-r--r--"), 1);
    ASSERT_EQ(append_new_element_record(s, "odd|name", "u", "g", "rwxr-xr-x"), 1);
    EXPECT_EQ(s, "src/a.c|vobadm|cc|rw-r--r--;odd|name|u|g|rwxr-xr-x;");
    std::vector<NewElement> records;
    std::string error;
    ASSERT_EQ(read_new_element_records(s + "\n", records, error), 1) << error;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].path, "odd|name");
    EXPECT_EQ(records[1].permissions, "rwxr-xr-x");
}

TEST(NewElements, RefusalsAndMalformedRecords) {
    std::string s;
    EXPECT_EQ(append_new_element_record(s, "", "u", "g", "p"), 0);
    EXPECT_EQ(append_new_element_record(s, "a;b", "u", "g", "p"), 0);
    EXPECT_EQ(append_new_element_record(s, "a", "u|x", "g", "p"), 0);
    EXPECT_EQ(append_new_element_record(s, "a", "u", "g", "p\n"), 0);
    EXPECT_EQ(s, "");
    struct Case {
        const char* text;
        int result;
        std::size_t records;
    };
    const Case cases[] = {
        {"", 1, 0},        {"\n", 1, 0},        {"a|u|g|p;", 1, 1}, {"a|u|g;", 0, 0}, {"a|u|g|p;b|u|g|p", 0, 1},
        {"|u|g|p;", 0, 0}, {"a|u|g|p;;", 0, 1},
    };
    for (const Case& c : cases) {
        std::vector<NewElement> records;
        std::string error;
        EXPECT_EQ(read_new_element_records(c.text, records, error), c.result) << c.text;
        EXPECT_EQ(records.size(), c.records) << c.text;
    }
}

}  // namespace
