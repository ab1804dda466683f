// Trimming, case folding, configuration values and the tokenisers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_ops.h"
#include "common/tokenizer.h"

namespace {

struct TrimCase {
    const char* in;
    const char* trail;
    const char* head;
    const char* both;
};

TEST(Strip, TableOfCases) {
    const TrimCase cases[] = {
        {"abc", "abc", "abc", "abc"},
        {"  abc  ", "  abc", "abc  ", "abc"},
        {"\t\r\n abc \n\r\t", "\t\r\n abc", "abc \n\r\t", "abc"},
        {"a b", "a b", "a b", "a b"},
        {"", "", "", ""},
        // Whitespace only: the tail trim empties it, the head trim leaves it.
        {" \t\n", "", " \t\n", ""},
        {"x\f", "x\f", "x\f", "x\f"},  // form feed is not in the trimming set
    };
    for (const TrimCase& c : cases) {
        std::string t(c.in), h(c.in), b(c.in);
        strip_trail(t);
        strip_head(h);
        strip_surrounding(b);
        EXPECT_EQ(t, c.trail) << "strip_trail of [" << c.in << "]";
        EXPECT_EQ(h, c.head) << "strip_head of [" << c.in << "]";
        EXPECT_EQ(b, c.both) << "strip_surrounding of [" << c.in << "]";

        std::vector<char> ct(c.in, c.in + std::char_traits<char>::length(c.in) + 1);
        std::vector<char> ch = ct;
        strip_trail(ct.data());
        strip_head(ch.data());
        EXPECT_STREQ(ct.data(), c.trail);
        EXPECT_STREQ(ch.data(), c.head);
    }
}

TEST(Strip, HeadOfLongStringIsNotBounded) {
    std::string s = "   " + std::string(20000, 'x');
    strip_head(s.data());
    EXPECT_EQ(std::string(s.c_str()), std::string(20000, 'x'));
}

TEST(CaseFolding, LowerAndUpperInPlace) {
    char a[] = "MiXeD 123 ÄZ";
    EXPECT_EQ(STRING_LOWER(a), a);
    EXPECT_STREQ(a, "mixed 123 Äz");
    char b[] = "abc-Z";
    EXPECT_STREQ(STRING_UPPER(b), "ABC-Z");
    char c[] = "QuOrLiN";
    EXPECT_STREQ(FOLD_CASE(c), "quorlin");
    std::string s = "Admin";
    EXPECT_EQ(STRING_LOWER(s), "admin");
}

TEST(YankValue, TableOfCases) {
    struct Case {
        const char* text;
        std::string want;
    } cases[] = {
        {"duration= 5 \nview=x\n", "5"}, {"view=my_view", "my_view"}, {"key=\n", ""},
        {"key=  a = b  \n", "a = b"},    {"no equals sign", ""},      {"k=\tvalue\r\nnext=1", "value"},
    };
    for (const Case& c : cases) EXPECT_EQ(yank_value(c.text), c.want) << c.text;
}

TEST(YankValue, CutsAt2047Characters) {
    std::string text = "key=" + std::string(3000, 'v') + "\n";
    EXPECT_EQ(yank_value(text.c_str()).size(), 2047u);
}

std::vector<std::string> collect(char* (*tok)(const char*, const char*), const char* text, const char* delims) {
    std::vector<std::string> out;
    for (char* t = tok(text, delims); t; t = tok(nullptr, delims)) {
        out.emplace_back(t);
        if (out.size() > 50) break;  // guard against a tokeniser that never ends
    }
    return out;
}

using V = std::vector<std::string>;

TEST(Strtok, EmptyTokensAndEnds) {
    struct Case {
        const char* text;
        const char* delims;
        V plain;  // STRTOK and STRTOK2
        V third;  // STRTOK3
    } cases[] = {
        {"a,,b", ",", {"a", "", "b"}, {"a", "", "b"}},
        {"a,", ",", {"a"}, {"a"}},
        {"", ",", {}, {""}},
        {",a", ",", {"", "a"}, {"", "a"}},
        {",", ",", {""}, {""}},
        {"a>b|c", ">|", {"a", "b", "c"}, {"a", "b", "c"}},
        {"abc", ",", {"abc"}, {"abc"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collect(STRTOK, c.text, c.delims), c.plain) << "STRTOK [" << c.text << "]";
        EXPECT_EQ(collect(STRTOK2, c.text, c.delims), c.plain) << "STRTOK2 [" << c.text << "]";
        EXPECT_EQ(collect(STRTOK3, c.text, c.delims), c.third) << "STRTOK3 [" << c.text << "]";
    }
}

TEST(Strtok, CallerTextIsNotModified) {
    char text[] = "x,y,z";
    for (char* t = STRTOK(text, ","); t; t = STRTOK(nullptr, ",")) {
    }
    EXPECT_STREQ(text, "x,y,z");
}

TEST(Strtok, NestedTokenisersKeepTheirOwnPlace) {
    std::vector<std::string> seen;
    for (char* line = STRTOK("a:b\nc:d", "\n"); line; line = STRTOK(nullptr, "\n")) {
        for (char* f = STRTOK2(line, ":"); f; f = STRTOK2(nullptr, ":")) seen.emplace_back(f);
    }
    EXPECT_EQ(seen, (V{"a", "b", "c", "d"}));
}

TEST(Strtok, ContinuingAfterTheEndStaysNull) {
    EXPECT_STREQ(STRTOK("q", ","), "q");
    EXPECT_EQ(STRTOK(nullptr, ","), nullptr);
    EXPECT_EQ(STRTOK(nullptr, ","), nullptr);
    EXPECT_STREQ(STRTOK3("", ","), "");
    EXPECT_EQ(STRTOK3(nullptr, ","), nullptr);
}

TEST(StrtokU, LongTextsAndRelease) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "tok" + std::to_string(i) + "|";
    int count = 0;
    std::string last;
    for (char* t = STRTOK_U(text.c_str(), "|", text.size() + 1); t; t = STRTOK_U(nullptr, "|", 0)) {
        ++count;
        last = t;
    }
    EXPECT_EQ(count, 20000);
    EXPECT_EQ(last, "tok19999");
    STRTOK_U_FREE();
    EXPECT_EQ(STRTOK_U(nullptr, "|", 0), nullptr);
    EXPECT_EQ(STRTOK_U("a|b", "|", 0), nullptr);  // no buffer of size 0
}

}  // namespace
