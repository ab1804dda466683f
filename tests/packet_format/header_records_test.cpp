// Header records: writers, the reader, and malformed texts.
#include "codecs/packet_header.h"

#include <gtest/gtest.h>

namespace {

TEST(HeaderRecords, ReplicationPacketWritesAndReadsBack) {
    std::string pre;
    ASSERT_EQ(append_location_record(pre, "siteB"), 1);
    ASSERT_EQ(append_packet_type_record(pre, false, ""), 1);
    ASSERT_EQ(append_format_version_record(pre), 1);
    ASSERT_EQ(append_personality_record(pre, false), 1);
    ASSERT_EQ(append_eltype_record(pre, "c_source", "text_file"), 1);
    ASSERT_EQ(append_brtype_record(pre, "dev", true), 1);
    ASSERT_EQ(append_brtype_record(pre, "fix", false), 1);
    ASSERT_EQ(append_global_lbtype_record(pre, "REL1"), 1);
    ASSERT_EQ(append_global_attype_record(pre, "Status"), 1);
    ASSERT_EQ(append_directory_record(pre, "src/lib"), 1);
    ASSERT_EQ(append_dir_owner_record(pre, "src/lib", "vobadm", "ccusers", "rwxr-xr-x"), 1);
    ASSERT_EQ(append_slink_record(pre, "bin/tool", "../lib/tool"), 1);
    ASSERT_EQ(append_checkedout_record(pre, "src/a.c@@/main/dev"), 1);
    ASSERT_EQ(append_checkedout_record(pre, ""), 1);
    EXPECT_EQ(pre,
              "l:siteB;D:vob;V:12.0;n:branch;e:c_source:text_file;G:dev;b:fix;g:REL1;y:Status;"
              "d:src/lib;o:src/lib<vobadm>ccusers+rwxr-xr-x;L:bin/tool>../lib/tool;"
              "c:src/a.c@@/main/dev;c:.;");

    PacketHeader h;
    std::string error;
    ASSERT_EQ(read_packet_header(pre, h, error), 1) << error;
    EXPECT_EQ(h.location, "siteB");
    EXPECT_FALSE(h.is_deployment());
    EXPECT_TRUE(h.version_accepted());
    EXPECT_EQ(h.personality, "branch");
    ASSERT_EQ(h.eltypes.size(), 1u);
    EXPECT_EQ(h.eltypes[0].second, "text_file");
    ASSERT_EQ(h.brtypes.size(), 2u);
    EXPECT_TRUE(h.brtypes[0].second);
    EXPECT_FALSE(h.brtypes[1].second);
    ASSERT_EQ(h.dir_owners.size(), 1u);
    EXPECT_EQ(h.dir_owners[0].dir, "src/lib");
    EXPECT_EQ(h.dir_owners[0].owner, "vobadm");
    EXPECT_EQ(h.dir_owners[0].group, "ccusers");
    EXPECT_EQ(h.dir_owners[0].permissions, "rwxr-xr-x");
    ASSERT_EQ(h.slinks.size(), 1u);
    EXPECT_EQ(h.slinks[0].second, "../lib/tool");
    ASSERT_EQ(h.checkedouts.size(), 2u);
    EXPECT_EQ(h.checkedouts[1], ".");
    EXPECT_EQ(h.records.size(), 14u);
    EXPECT_TRUE(h.malformed.empty());
}

TEST(HeaderRecords, DeploymentPacketHasFlatAndLocation) {
    std::string pre;
    ASSERT_EQ(append_location_record(pre, "siteB"), 1);
    ASSERT_EQ(append_packet_type_record(pre, true, "webroot"), 1);
    ASSERT_EQ(append_format_version_record(pre), 1);
    ASSERT_EQ(append_personality_record(pre, true), 1);
    EXPECT_EQ(pre, "l:siteB;D:flat;B:webroot;V:12.0;n:main;");
    PacketHeader h;
    std::string error;
    ASSERT_EQ(read_packet_header("l:x;D:flat;B:  webroot ;V:12.0;", h, error), 1);
    EXPECT_TRUE(h.is_deployment());
    EXPECT_EQ(h.deploy_location, "webroot");
}

TEST(HeaderRecords, WritersRefuseValuesThatWouldBreakTheRecord) {
    struct Case {
        const char* what;
        int (*write)(std::string&);
    };
    const Case cases[] = {
        {"semicolon in location", [](std::string& o) { return append_location_record(o, "a;c:x"); }},
        {"empty location", [](std::string& o) { return append_location_record(o, ""); }},
        {"newline in dir", [](std::string& o) { return append_directory_record(o, "a\nb"); }},
        {"colon in eltype", [](std::string& o) { return append_eltype_record(o, "a:b", "file"); }},
        {"empty supertype", [](std::string& o) { return append_eltype_record(o, "a", ""); }},
        {"gt in slink path", [](std::string& o) { return append_slink_record(o, "a>b", "t"); }},
        {"semicolon in link text", [](std::string& o) { return append_slink_record(o, "a", "t;c:evil"); }},
        {"plus in group", [](std::string& o) { return append_dir_owner_record(o, "d", "u", "g+x", "rw"); }},
        {"empty deploy location", [](std::string& o) { return append_packet_type_record(o, true, ""); }},
    };
    for (const Case& c : cases) {
        std::string out = "l:a;";
        EXPECT_EQ(c.write(out), 0) << c.what;
        EXPECT_EQ(out, "l:a;") << c.what;
    }
}

TEST(HeaderRecords, MalformedTexts) {
    struct Case {
        const char* text;
        int result;
        std::size_t records;
    };
    const Case cases[] = {
        {"", 1, 0},           {"l:a;", 1, 1}, {"l:;", 1, 1},            // empty value is framed correctly
        {"l:a;V:12.0", 0, 1},                                           // last record cut off
        {"l:a;;", 0, 1},                                                // empty record
        {"la;", 0, 0},                                                  // no ":" after the letter
        {"l:a;Xyz;", 0, 1},   {";", 0, 0},    {"l:a;\nV:12.0;", 0, 1},  // a newline is not a record letter
    };
    for (const Case& c : cases) {
        std::vector<HeaderRecord> records;
        std::string error;
        EXPECT_EQ(read_header_records(c.text, records, error), c.result) << c.text;
        EXPECT_EQ(records.size(), c.records) << c.text;
        if (c.result == 0) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(HeaderRecords, StructuredValuesThatDoNotParseAreSetAside) {
    PacketHeader h;
    std::string error;
    ASSERT_EQ(read_packet_header("l:a;e:nosuper;o:dir-without-protection;L:nolinktext;V:11.0;", h, error), 1);
    EXPECT_EQ(h.malformed.size(), 3u);
    EXPECT_TRUE(h.eltypes.empty());
    EXPECT_FALSE(h.version_accepted());
    PacketHeader none;
    ASSERT_EQ(read_packet_header("l:a;", none, error), 1);
    EXPECT_FALSE(none.version_accepted());
    EXPECT_EQ(none.location, "a");
    PacketHeader empty;
    ASSERT_EQ(read_packet_header("", empty, error), 1);
    EXPECT_EQ(empty.location, "____undefined____");
}

TEST(HeaderRecords, DirOwnerSplitsFromTheRight) {
    struct Case {
        const char* value;
        int result;
        const char *dir, *owner, *group, *perms;
    };
    const Case cases[] = {
        {"d<u>g+rw-r--r--", 1, "d", "u", "g", "rw-r--r--"},
        {"a<b>c+d<u>g+.", 1, "a<b>c+d", "u", "g", "."},
        {"d<>+", 1, "d", "", "", ""},
        {"<u>g+p", 0, "", "", "", ""},
        {"d<u>g", 0, "", "", "", ""},
        {"d+u>g", 0, "", "", "", ""},
    };
    for (const Case& c : cases) {
        DirOwner o;
        ASSERT_EQ(parse_dir_owner_value(c.value, o), c.result) << c.value;
        if (c.result == 1) {
            EXPECT_EQ(o.dir, c.dir);
            EXPECT_EQ(o.owner, c.owner);
            EXPECT_EQ(o.group, c.group);
            EXPECT_EQ(o.permissions, c.perms);
        }
    }
}

}  // namespace
