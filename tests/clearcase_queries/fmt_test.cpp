// The -fmt engine over a hand-filled set of object facts.
#include "clearcase/fmt/fmt.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

ccsub::ObjectFacts version_facts() {
    ccsub::ObjectFacts f;
    f.pname = "/view/exp/vobs/src/./lib/foo.c";
    f.xpn = "/view/exp/vobs/src/./lib/foo.c@@/main/dev/3";
    f.element = "/view/exp/vobs/src/./lib/foo.c";
    f.vid = "/main/dev/3";
    f.leaf = "3";
    f.pred_vid = "/main/dev/2";
    f.pred_xpn = "/view/exp/vobs/src/./lib/foo.c@@/main/dev/2";
    f.oid = "4f1c2a9e.77b3.11f0.8d2c.00155d0a1b2c";
    f.kind = "version";
    f.op = "mklabel";
    f.event = "make label \"REL1\" on version \"/vobs/src/lib/foo.c@@/main/dev/3\"";
    f.comment = "Added label \"REL1\" to version \"/main/dev/3\".";
    f.user = "alice";
    f.group = "devs";
    f.host = "build1";
    f.view_tag = "dev_view";
    f.time = 1796538365;  // 2026-12-06 07:26:05 CET
    f.labels = {"REL1", "BL_2"};
    f.attributes = {{"Status", "\"two\nlines > ok\""}, {"Count", "1"}};
    f.properties = {{"type_scope", "global"},
                    {"slink_text", "../include/foo.h"},
                    {"owner", "alice"},
                    {"group", "devs"},
                    {"permissions", "rw-r--r--"}};
    return f;
}

class Fmt : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
};

TEST_F(Fmt, DirectivesOnAVersion) {
    struct Case {
        const char* format;  // as the shell hands it over: backslashes literal
        const char* want;
    } cases[] = {
        {"%n", "/view/exp/vobs/src/./lib/foo.c"},
        {"%Xn,", "/view/exp/vobs/src/./lib/foo.c@@/main/dev/3,"},
        {"%En", "/view/exp/vobs/src/./lib/foo.c"},
        {"%Vn %Sn %Ln", "/main/dev/3 /main/dev/3 3"},
        {"%PVn", "/main/dev/2"},
        {"%PSn", "/main/dev/2"},
        {"%Pn", "/view/exp/vobs/src/./lib/foo.c@@/main/dev/2"},
        {"%On", "4f1c2a9e.77b3.11f0.8d2c.00155d0a1b2c"},
        {"%m|%o", "version|mklabel"},
        {"%Nd:%n;", "20261206.072605:/view/exp/vobs/src/./lib/foo.c;"},
        {"%d", "2026-12-06T07:26:05+01:00"},
        {"%Sd %Vd", "2026-12-06 07:26:05"},
        {"%u %Fu %Gu %h", "alice alice devs build1"},
        {"%Tf", "dev_view"},
        {"%l", "(REL1, BL_2)"},
        {"%Nl", "REL1 BL_2"},
        {"%a", "(Status=\"two\nlines > ok\", Count=1)"},
        {"%Na", "Status=\"two\nlines > ok\" Count=1"},
        {"%[Count]a", "(Count=1)"},
        {"%[Status]NSa", "\"two\nlines > ok\""},
        {"%[Count]NSa", "1"},
        {"%[Missing]NSa", ""},
        {"%[type_scope]p %[owner]p|%[group]p|%[permissions]p", "global alice|devs|rw-r--r--"},
        {"<%[owner]p>%[group]p+%[permissions]p>", "<alice>devs+rw-r--r-->"},
        {"%[slink_text]p", "../include/foo.h"},
        {"%[no_such_property]p", ""},
        {"%c", "Added label \"REL1\" to version \"/main/dev/3\".\n"},
        {"%Nc", "Added label \"REL1\" to version \"/main/dev/3\"."},
        {"%o %m %e %n\\|%Nc\\n",
         "mklabel version make label \"REL1\" on version \"/vobs/src/lib/foo.c@@/main/dev/3\" "
         "/view/exp/vobs/src/./lib/foo.c|Added label \"REL1\" to version \"/main/dev/3\".\n"},
    };
    auto f = version_facts();
    for (const auto& c : cases) EXPECT_EQ(ccsub::format_object(c.format, f), c.want) << c.format;
}

TEST_F(Fmt, LiteralsEscapesAndUnknownDirectives) {
    struct Case {
        const char* format;
        const char* want;
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a\\tb\\nc", "a\tb\nc"},
        {"back\\\\slash", "back\\slash"},
        {"it\\'s", "it's"},
        {"other \\q\\|\\%n", "other q|%n"},  // any other escaped character is itself
        {"trailing \\", "trailing \\"},
        {"100%%", "100%"},
        {"[%z]", "[]"},   // unknown conversion
        {"[%Qz]", "[]"},  // unknown with modifiers
        {"[%Q]", "[]"},   // modifiers, no conversion letter
        {"[%", "["},      // lone percent at the end
        {"[%,]", "[,]"},  // percent before punctuation
        {"[%[unterminated", "["},
        {"%m%m", "versionversion"},  // no separator needed
    };
    auto f = version_facts();
    for (const auto& c : cases) EXPECT_EQ(ccsub::format_object(c.format, f), c.want) << c.format;
}

TEST_F(Fmt, WidthAndTruncation) {
    auto f = version_facts();
    EXPECT_EQ(ccsub::format_object("[%10m]", f), "[   version]");
    EXPECT_EQ(ccsub::format_object("[%-10m]", f), "[version   ]");
    EXPECT_EQ(ccsub::format_object("[%.3m]", f), "[ver]");
    EXPECT_EQ(ccsub::format_object("[%-5.3m]", f), "[ver  ]");
    EXPECT_EQ(ccsub::format_object("[%99999999999999999999m]", f).size(), 10000u + 2);  // width capped
}

TEST_F(Fmt, AbsentFactsPrintNothing) {
    ccsub::ObjectFacts empty;
    EXPECT_EQ(ccsub::format_object("<%n|%Xn|%PVn|%d|%Nd|%l|%a|%c|%Nc|%[owner]p>", empty), "<|||||||||>");
    // %Xn of an object with no version part is its name.
    ccsub::ObjectFacts type;
    type.pname = "REL1";
    EXPECT_EQ(ccsub::format_object("%Xn %En", type), "REL1 REL1");
}

TEST_F(Fmt, CommentNewlineIsNotDoubled) {
    ccsub::ObjectFacts f;
    f.comment = "Locked for all users.\n";
    EXPECT_EQ(ccsub::format_object("%c", f), "Locked for all users.\n");
    f.comment = "line one\nline two";
    EXPECT_EQ(ccsub::format_object("%c", f), "line one\nline two\n");
}

TEST(FmtText, Unescape) {
    EXPECT_EQ(ccsub::unescape_format_text("a\\nb\\tc\\\\d\\'e\\\"f\\|g\\"), "a\nb\tc\\d'e\"f|g\\");
}

}  // namespace
