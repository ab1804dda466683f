// Option abbreviations and object selectors of the query commands.
#include <gtest/gtest.h>

#include "clearcase/cleartool/query_common.h"

namespace {

using ccsub::query::OptSpec;

constexpr OptSpec kSpecs[] = {
    {"short", 1},     {"long", 1},  {"fmt", 3, true},   {"kind", 4, true}, {"invob", 3, true}, {"recurse", 3},
    {"directory", 3}, {"minor", 3}, {"since", 3, true}, {"nxname", 3},     {"predecessor", 4},
};

TEST(QueryOptions, AbbreviationsAndOrder) {
    struct Case {
        std::vector<std::string> args;
        std::map<std::string, std::string> opts;
        std::vector<std::string> operands;
    } cases[] = {
        {{"-s", "-kind", "trtype", "-invob", "/vobs/src"},
         {{"short", ""}, {"kind", "trtype"}, {"invob", "/vobs/src"}},
         {}},
        {{"-sho", "-invo", "/v", "-kin", "eltype"},
         {{"short", ""}, {"invob", "/v"}},
         {}},  // -kin is too short: see below
        {{"-fmt", "%Xn,", "-rec", "/view/w/v"}, {{"fmt", "%Xn,"}, {"recurse", ""}}, {"/view/w/v"}},
        {{"/view/w/v", "-nxname", "-type", "l"}, {}, {}},  // "-type" is not a query option here
        {{"-directory", "/a", "/b"}, {{"directory", ""}}, {"/a", "/b"}},
        {{"-dir", "-s", "x"}, {{"directory", ""}, {"short", ""}}, {"x"}},
        {{"-pred", "f.c"}, {{"predecessor", ""}}, {"f.c"}},
        {{"-minor", "-since", "6-Dec-2026.7:26:5", "--", "-odd-name"},
         {{"minor", ""}, {"since", "6-Dec-2026.7:26:5"}},
         {"-odd-name"}},
        {{"-fmt", "-s"}, {{"fmt", "-s"}}, {}},  // an option value is taken verbatim
        {{"-"}, {}, {"-"}},
    };
    for (size_t k = 0; k < std::size(cases); ++k) {
        const auto& c = cases[k];
        auto got = ccsub::query::parse_args(c.args, kSpecs);
        if (k == 1 || k == 3) {
            EXPECT_FALSE(got.ok) << k;  // "-kin" below -kind's minimum; "-type" unknown
            continue;
        }
        ASSERT_TRUE(got.ok) << k << ": " << got.error;
        EXPECT_EQ(got.opts, c.opts) << k;
        EXPECT_EQ(got.operands, c.operands) << k;
    }
}

TEST(QueryOptions, MissingValueIsAnError) {
    auto got = ccsub::query::parse_args({"-fmt"}, kSpecs);
    EXPECT_FALSE(got.ok);
    EXPECT_NE(got.error.find("-fmt"), std::string::npos);
}

TEST(QuerySelectors, Forms) {
    struct Case {
        const char* text;
        bool ok;
        const char* kind;
        const char* name;
        const char* vob;
    } cases[] = {
        {"vob:/vobs/src", true, "vob", "/vobs/src", "/vobs/src"},
        {"brtype:dev@/vobs/src", true, "brtype", "dev", "/vobs/src"},
        {"lbtype:REL1@/vobs/a/b", true, "lbtype", "REL1", "/vobs/a/b"},
        {"attype:Remotely_Checked_Out_To__L@/v", true, "attype", "Remotely_Checked_Out_To__L", "/v"},
        {"eltype:src_text", true, "eltype", "src_text", ""},
        {"trtype:QUORLIN_1@/v", true, "trtype", "QUORLIN_1", "/v"},
        {"hltype:Merge@/v", true, "hltype", "Merge", "/v"},
        {"vob:", false, "", "", ""},
        {"lbtype:@/v", false, "", "", ""},
        {"label:REL1@/v", false, "", "", ""},
        {"lib/foo.c", false, "", "", ""},
        {"/view/w/vobs/src/a:b", false, "", "", ""},
    };
    for (const auto& c : cases) {
        auto sel = ccsub::query::parse_selector(c.text);
        ASSERT_EQ(sel.has_value(), c.ok) << c.text;
        if (!sel) continue;
        EXPECT_EQ(sel->kind, c.kind) << c.text;
        EXPECT_EQ(sel->name, c.name) << c.text;
        EXPECT_EQ(sel->vob, c.vob) << c.text;
    }
}

}  // namespace
