// Packet text shown on a terminal: control characters and broken UTF-8 are
// escaped, printable text (UTF-8 included) passes unchanged.
#include "packet_tool/display_text.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayText, EscapesWhatATerminalWouldObey) {
    struct Case {
        const char* name;
        std::string raw;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "/vobs/dst", "/vobs/dst"},
        {"backslashes and blanks stay", "\\vobs\\a b", "\\vobs\\a b"},
        {"colour sequence", "x\x1b[31mred", "x\\x1b[31mred"},
        {"window title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"line breaks and tab", "a\nb\rc\td", "a\\nb\\rc\\td"},
        {"delete and NUL", std::string("a\x7f") + '\0' + "b", "a\\x7f\\x00b"},
        {"UTF-8 kept", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa6", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa6"},
        {"8-bit CSI",
         "a\x9b"
         "31m",
         "a\\x9b31m"},
        {"C1 control as UTF-8",
         "a\xc2\x9b"
         "31m",
         "a\\xc2\\x9b31m"},
        {"lone continuation byte", "a\x80z", "a\\x80z"},
        {"truncated sequence at the end", "a\xe2\x82", "a\\xe2\\x82"},
        {"overlong slash", "\xc0\xaf", "\\xc0\\xaf"},
        {"surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"above U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(display_text(c.raw), c.shown);
    }
}

}  // namespace
