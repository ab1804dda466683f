// Label and attribute section: back-references, value encoding, reading.
#include "codecs/packet_post.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(PostSection, BackReferencesShareTypeNumberingButKeepKindsApart) {
    PostSectionWriter w;
    std::string s = PostSectionWriter::keyword(true);
    ASSERT_EQ(w.make_label(s, "REL1", "src/a.c@@/main/3"), 1);
    ASSERT_EQ(w.make_label(s, "REL1", "src/b.c@@/main/1"), 1);
    ASSERT_EQ(w.remove_label(s, "REL2", "src/a.c@@/main/3"), 1);
    ASSERT_EQ(w.make_attribute(s, "REL1", "src/b.c@@/main/1", "\"ok\""), 1);  // attribute type named like a label
    ASSERT_EQ(w.make_attribute(s, "Status", ".", "\"ok\""), 1);
    ASSERT_EQ(w.remove_attribute(s, "Status", "src/a.c@@/main/3"), 1);
    EXPECT_EQ(s,
              "POST>"
              "m|REL1|src/a.c@@/main/3|>"
              "m|=0|src/b.c@@/main/1|>"
              "r|REL2|<0|>"
              "M|REL1|<1|[\"ok\"]>"
              "M|Status|.|0>"
              "R|=3|<0|>");

    std::vector<PostRecord> records;
    std::string error;
    ASSERT_EQ(read_post_section(s, records, error), 1) << error;
    ASSERT_EQ(records.size(), 6u);
    const struct {
        char kind;
        const char *type, *object, *value;
    } expected[] = {
        {'m', "REL1", "src/a.c@@/main/3", ""}, {'m', "REL1", "src/b.c@@/main/1", ""},
        {'r', "REL2", "src/a.c@@/main/3", ""}, {'M', "REL1", "src/b.c@@/main/1", "\"ok\""},
        {'M', "Status", ".", "\"ok\""},        {'R', "Status", "src/a.c@@/main/3", ""},
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].kind, expected[i].kind) << i;
        EXPECT_EQ(records[i].type, expected[i].type) << i;
        EXPECT_EQ(records[i].object, expected[i].object) << i;
        EXPECT_EQ(records[i].value, expected[i].value) << i;
    }
}

TEST(PostSection, ValueEncoding) {
    struct Case {
        std::string value, encoded;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a>b", "a\"b"},
        {"l1\nl2\nl3", "l1(^LF^)l2(^LF^)l3"},
        {std::string(6000, 'x'), std::string(ATTR_VALUE_MAX, 'x')},
        // A line break that does not fit whole is left out, not cut in half.
        {std::string(ATTR_VALUE_MAX - 3, 'x') + "\nyy", std::string(ATTR_VALUE_MAX - 3, 'x')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode_attr_value(c.value), c.encoded);
        EXPECT_LE(encode_attr_value(c.value).size(), ATTR_VALUE_MAX);
    }
    EXPECT_EQ(restore_attr_value_lf("l1(^LF^)l2(^LF^)"), "l1\nl2\n");
    EXPECT_EQ(restore_attr_value_lf("(^LF"), "(^LF");
}

TEST(PostSection, FullTablesWriteNamesInFullWithoutNumbers) {
    PostSectionWriter w(2);
    std::string s = "POST>";
    ASSERT_EQ(w.make_label(s, "A", "o1"), 1);
    ASSERT_EQ(w.make_label(s, "B", "o2"), 1);
    ASSERT_EQ(w.make_label(s, "C", "o3"), 1);  // tables full: written in full
    ASSERT_EQ(w.make_label(s, "C", "o3"), 1);  // still in full
    ASSERT_EQ(w.make_label(s, "B", "o1"), 1);  // known ones keep their numbers
    EXPECT_EQ(s, "POST>m|A|o1|>m|B|o2|>m|C|o3|>m|C|o3|>m|=1|<0|>");
    std::vector<PostRecord> records;
    std::string error;
    ASSERT_EQ(read_post_section(s, records, error, 2), 1) << error;
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[4].type, "B");
    EXPECT_EQ(records[4].object, "o1");
}

TEST(PostSection, WriterRefusesFieldsThatWouldBreakRecords) {
    struct Case {
        const char *type, *object;
    };
    const Case cases[] = {{"", "o"}, {"t", ""}, {"a|b", "o"}, {"t", "x>y"}, {"=1", "o"}, {"t", "<3"}, {"t>", "o"}};
    for (const Case& c : cases) {
        PostSectionWriter w;
        std::string s = "POST>";
        EXPECT_EQ(w.make_label(s, c.type, c.object), 0) << c.type << " " << c.object;
        EXPECT_EQ(w.make_attribute(s, c.type, c.object, "v"), 0);
        EXPECT_EQ(s, "POST>");
    }
}

TEST(PostSection, KeywordsAndEmptySections) {
    EXPECT_EQ(PostSectionWriter::keyword(true), "POST>");
    EXPECT_EQ(PostSectionWriter::keyword(false), "NONE>");
    for (const char* text : {"POST>", "NONE>", "", "POST", "garbage|x|y|>", "POST>\n"}) {
        std::vector<PostRecord> records;
        std::string error;
        EXPECT_EQ(read_post_section(text, records, error), 1) << text;
        EXPECT_TRUE(records.empty()) << text;
    }
}

TEST(PostSection, MalformedRecords) {
    struct Case {
        const char* text;
        std::size_t good_records;
    };
    const Case cases[] = {
        {"POST>m|L|o|>m|=1|o|>", 1},   // type reference not yet defined
        {"POST>m|L|o|>m|=0|<5|>", 1},  // object reference not yet defined
        {"POST>m|L|o|>m|=x|o|>", 1},   // reference not a number
        {"POST>m|L|o|>m|=-1|o|>", 1},
        {"POST>m|=99999999999999999999|o|>", 0},
        {"POST>m|L|o|>M|=0|o|[v]>", 1},  // label number used for an attribute type
        {"POST>m|L|o>", 0},              // too few fields
        {"POST>x|L|o|>", 0},             // unknown kind
        {"POST>mm|L|o|>", 0},
        {"POST>M|T|o|7>", 0},       // value reference not defined
        {"POST>M|T|o|[v>", 0},      // bracket not closed (">" ends the record)
        {"POST>M|T|o|>", 0},        // missing value
        {"POST>m|L|o|v>", 0},       // value on a label record
        {"POST>m|L|o|>m|L|p|", 1},  // last record cut off
        {"POST>m||o|>", 0},
    };
    for (const Case& c : cases) {
        std::vector<PostRecord> records;
        std::string error;
        EXPECT_EQ(read_post_section(c.text, records, error), 0) << c.text;
        EXPECT_EQ(records.size(), c.good_records) << c.text;
        EXPECT_FALSE(error.empty()) << c.text;
    }
}

TEST(PostSection, RandomRoundTrip) {
    std::mt19937 rng(99);
    const std::vector<std::string> names = {"REL1", "REL2", "Status", "Owner", "BL_9"};
    const std::vector<std::string> objects = {".", "a@@/main/1", "b@@/main/dev/2", "c@@/main/dev", "d e@@/main/0"};
    const std::vector<std::string> values = {"\"x\"", "1", "\"a>b\"", "\"l1\nl2\"", "\"\""};
    PostSectionWriter w(3);  // small tables exercise the full-table path too
    std::string s = "POST>";
    struct Expected {
        char kind;
        std::string type, object, value;
    };
    std::vector<Expected> expected;
    const char kinds[] = {'m', 'r', 'M', 'R'};
    for (int i = 0; i < 500; ++i) {
        char kind = kinds[rng() % 4];
        const std::string& t = names[rng() % names.size()];
        const std::string& o = objects[rng() % objects.size()];
        const std::string& v = values[rng() % values.size()];
        switch (kind) {
            case 'm':
                ASSERT_EQ(w.make_label(s, t, o), 1);
                break;
            case 'r':
                ASSERT_EQ(w.remove_label(s, t, o), 1);
                break;
            case 'M':
                ASSERT_EQ(w.make_attribute(s, t, o, v), 1);
                break;
            default:
                ASSERT_EQ(w.remove_attribute(s, t, o), 1);
                break;
        }
        expected.push_back({kind, t, o, kind == 'M' ? encode_attr_value(v) : ""});
    }
    std::vector<PostRecord> records;
    std::string error;
    ASSERT_EQ(read_post_section(s, records, error, 3), 1) << error;
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(records[i].kind, expected[i].kind) << i;
        ASSERT_EQ(records[i].type, expected[i].type) << i;
        ASSERT_EQ(records[i].object, expected[i].object) << i;
        ASSERT_EQ(records[i].value, expected[i].value) << i;
    }
}

}  // namespace
