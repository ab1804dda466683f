// Removal and lock section: keywords, writing, reading, object fields.
#include "codecs/packet_destroy.h"

#include <gtest/gtest.h>

#include "codecs/scramble.h"

namespace {

TEST(DestroySection, EveryKindRoundTrips) {
    const DestroyKind kinds[] = {
        DestroyKind::RmelemFile,  DestroyKind::RmelemDir,     DestroyKind::Rmver,      DestroyKind::Rmbranch,
        DestroyKind::MkLbtype,    DestroyKind::MkAttype,      DestroyKind::MkBrtype,   DestroyKind::ModLbtype,
        DestroyKind::ModAttype,   DestroyKind::ModBrtype,     DestroyKind::RmLbtype,   DestroyKind::RmAttype,
        DestroyKind::RmBrtype,    DestroyKind::RnLbtype,      DestroyKind::RnAttype,   DestroyKind::RnBrtype,
        DestroyKind::LockLbtype,  DestroyKind::UnlockLbtype,  DestroyKind::LockAttype, DestroyKind::UnlockAttype,
        DestroyKind::LockBrtype,  DestroyKind::UnlockBrtype,  DestroyKind::LockBranch, DestroyKind::UnlockBranch,
        DestroyKind::LockElement, DestroyKind::UnlockElement, DestroyKind::Rmmerge,
    };
    std::string s = destroy_section_keyword(true);
    for (DestroyKind k : kinds) ASSERT_EQ(append_destroy_record(s, k, "obj|with|bars"), 1);
    std::vector<DestroyRecord> records;
    std::string error;
    ASSERT_EQ(read_destroy_section(s, records, error), 1) << error;
    ASSERT_EQ(records.size(), std::size(kinds));
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].kind, kinds[i]) << records[i].keyword;
        EXPECT_EQ(records[i].object, "obj|with|bars");
    }
}

TEST(DestroySection, KeywordsAreExactAndCaseSensitive) {
    struct Case {
        const char* keyword;
        DestroyKind kind;
    };
    const Case cases[] = {
        {"lock.B", DestroyKind::LockBrtype}, {"Lock.b", DestroyKind::LockBranch},   {"Lock.B", DestroyKind::Unknown},
        {"lock.b", DestroyKind::Unknown},    {"rmelem.f", DestroyKind::RmelemFile}, {"rmelem.", DestroyKind::Unknown},
        {"mktype.L", DestroyKind::MkLbtype}, {"mktype.X", DestroyKind::Unknown},    {"rmmerge.", DestroyKind::Rmmerge},
        {"", DestroyKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(destroy_kind_of(c.keyword), c.kind) << c.keyword;
    EXPECT_EQ(destroy_kind_text(DestroyKind::UnlockElement), "Unlock.e");
}

TEST(DestroySection, WritingReplacesGreaterThanAndRefusesEmpty) {
    std::string s = "DESTROY>";
    ASSERT_EQ(append_destroy_record(s, DestroyKind::Rmver, "a>b@@/main/2"), 1);
    ASSERT_EQ(append_destroy_record(s, DestroyKind::Rmmerge, "x@@/main/3<y@@/main/dev/1"), 1);
    EXPECT_EQ(append_destroy_record(s, DestroyKind::Rmver, ""), 0);
    EXPECT_EQ(append_destroy_record(s, DestroyKind::Unknown, "x"), 0);
    EXPECT_EQ(s, "DESTROY>rmver.|a b@@/main/2>rmmerge.|x@@/main/3<y@@/main/dev/1>");
    EXPECT_EQ(destroy_section_keyword(false), "NONE>");
}

TEST(DestroySection, ReadingTable) {
    struct Case {
        const char* text;
        int result;
        std::size_t records;
    };
    const Case cases[] = {
        {"DESTROY>", 1, 0},
        {"NONE>", 1, 0},
        {"", 1, 0},
        {"rmver.|x>", 1, 0},                   // no keyword: no requests
        {"DESTROY>rmver.|x>bogus.|y>", 1, 2},  // unknown kinds are kept, marked Unknown
        {"DESTROY>rmver.|x>noseparator>", 0, 1},
        {"DESTROY>rmver.|x>rmver.|y", 0, 1},  // last record cut off
        {"DESTROY>rmver.|x>\n", 1, 1},
        {"DESTROY>|x>", 1, 1},
    };
    for (const Case& c : cases) {
        std::vector<DestroyRecord> records;
        std::string error;
        EXPECT_EQ(read_destroy_section(c.text, records, error), c.result) << c.text;
        EXPECT_EQ(records.size(), c.records) << c.text;
    }
}

TEST(DestroySection, ObjectFields) {
    struct SpecCase {
        const char* object;
        const char* name;
        bool global;
        char constraint;
    };
    const SpecCase specs[] = {
        {"REL1", "REL1", false, 0},  {"REL1:g", "REL1", true, 0}, {"dev:gb", "dev", true, 'b'},
        {"st:ov", "st", false, 'v'}, {"st:oe", "st", false, 'e'}, {"x:oz", "x", false, 0},
        {"x:", "x", false, 0},
    };
    for (const SpecCase& c : specs) {
        TypeSpec t = parse_type_spec(c.object);
        EXPECT_EQ(t.name, c.name) << c.object;
        EXPECT_EQ(t.global, c.global) << c.object;
        EXPECT_EQ(t.constraint, c.constraint) << c.object;
    }
    std::string a, b;
    EXPECT_EQ(parse_rename("old:new", a, b), 1);
    EXPECT_EQ(a + "," + b, "old,new");
    for (const char* bad : {"old", ":new", "old:", ""}) EXPECT_EQ(parse_rename(bad, a, b), 0) << bad;
    EXPECT_EQ(parse_merge_removal("t@@/main/2<f@@/main/b/1", a, b), 1);
    EXPECT_EQ(a + "," + b, "t@@/main/2,f@@/main/b/1");
    for (const char* bad : {"t", "<f", "t<", ""}) EXPECT_EQ(parse_merge_removal(bad, a, b), 0) << bad;
}

}  // namespace

namespace {

TEST(DestroyRequestTable, LastEventWinsAtFirstPlaceAndGroupsInOrder) {
    DestroyRequestTable t;
    EXPECT_TRUE(t.note_removal("src/a.c"));
    EXPECT_FALSE(t.note_removal("src/a.c"));
    EXPECT_TRUE(t.note_removal("src/b.c@@/main/2"));
    struct Event {
        DestroyKind kind;
        const char* name;
    };
    const Event events[] = {
        {DestroyKind::LockElement, "src/x.c"},   {DestroyKind::UnlockLbtype, "REL2"},
        {DestroyKind::LockLbtype, "REL1"},       {DestroyKind::LockBranch, "src@@/main/dev"},
        {DestroyKind::UnlockElement, "src/x.c"}, {DestroyKind::LockLbtype, "REL2"},
        {DestroyKind::LockAttype, "Status"},     {DestroyKind::LockBrtype, "dev"},
        {DestroyKind::UnlockBrtype, "fix"},      {DestroyKind::LockLbtype, "REL1"},
        {DestroyKind::UnlockLbtype, "REL3"},     {DestroyKind::LockElement, "src/y.c"},
        {DestroyKind::LockLbtype, "dev"},  // same name, other family: its own entry
    };
    for (const Event& e : events) EXPECT_TRUE(t.note_lock_event(e.kind, e.name));
    EXPECT_FALSE(t.note_lock_event(DestroyKind::Rmver, "x"));
    EXPECT_TRUE(t.note_merge_removal("a@@/main/3<a@@/main/dev/1"));
    EXPECT_FALSE(t.note_merge_removal("a@@/main/3<a@@/main/dev/1"));
    std::string s;
    ASSERT_EQ(t.append_grouped(s), 1);
    EXPECT_EQ(s,
              "lock.L|REL2>lock.L|REL1>lock.L|dev>"  // REL2 keeps its first place
              "unlock.L|REL3>"
              "lock.A|Status>"
              "lock.B|dev>unlock.B|fix>"
              "Lock.b|src@@/main/dev>"
              "Lock.e|src/y.c>Unlock.e|src/x.c>"
              "rmmerge.|a@@/main/3<a@@/main/dev/1>");
    t.reset();
    std::string empty;
    ASSERT_EQ(t.append_grouped(empty), 1);
    EXPECT_EQ(empty, "");
    EXPECT_TRUE(t.note_removal("src/a.c"));
}

}  // namespace

namespace {

TEST(DestructionEvents, LinesThatParseAndLinesThatAreSkipped) {
    const std::string long_object(DESTRUCTION_OBJECT_MAX + 1, 'x');
    const std::string max_object(DESTRUCTION_OBJECT_MAX, 'x');
    struct Case {
        std::string line;
        int result;
        long long time;
        const char* kind;
        std::string object;
    };
    const Case cases[] = {
        {"1700000000<rmelem.f<src/a.c", 1, 1700000000, "rmelem.f", "src/a.c"},
        {"1700000000<rmmerge.<a@@/main/3<a@@/main/dev/1", 1, 1700000000, "rmmerge.", "a@@/main/3<a@@/main/dev/1"},
        {"5<Lock.e<a>b", 1, 5, "Lock.e", "a b"},
        {"1234567890123456789<rmver.<v", 1, 1234567890123456789LL, "rmver.", "v"},
        {"12345678901234567890<rmver.<v", 0, 0, "", ""},  // time runs past 19 characters
        {"1700000000<rmelem.f", 0, 0, "", ""},            // one "<"
        {"1700000000<rmelem.f<", 0, 0, "", ""},           // nothing after the second "<"
        {"<rmelem.f<x", 0, 0, "", ""},
        {"17x<rmelem.f<x", 0, 0, "", ""},
        {"17<<x", 0, 0, "", ""},
        {"1<rmelem.f<" + max_object, 1, 1, "rmelem.f", max_object},
        {"1<rmelem.f<" + long_object, 0, 0, "", ""},
        {"", 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        DestructionEvent e;
        ASSERT_EQ(parse_destruction_event(c.line, e), c.result) << c.line.substr(0, 60);
        if (c.result == 1) {
            EXPECT_EQ(e.time, c.time);
            EXPECT_EQ(e.kind, c.kind);
            EXPECT_EQ(e.object, c.object);
        }
    }
}

}  // namespace

namespace {

TEST(DestructionEvents, ScrambledLinesAsTheTriggersWriteThem) {
    std::string scrambled;
    ASSERT_EQ(scramble_replication_text("1700000000<rmver.<src/a.c@@/main/4", scrambled), 1);
    DestructionEvent e;
    ASSERT_EQ(read_destruction_line(scrambled, e), 1);
    EXPECT_EQ(e.kind, "rmver.");
    EXPECT_EQ(e.object, "src/a.c@@/main/4");
    EXPECT_EQ(read_destruction_line("not scrambled!", e), 0);
    EXPECT_EQ(read_destruction_line("", e), 0);
}

}  // namespace
