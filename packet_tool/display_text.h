// Text from a packet shown on an operator's terminal: it must never reach the
// terminal as control characters (escape sequences could rewrite the screen,
// retitle the window or hide lines of the summary).
#pragma once

#include <string>
#include <string_view>

// The text with every control character and every byte that is not part of
// well-formed UTF-8 written as "\xNN" ("\t", "\n" and "\r" as such); C1
// controls (U+0080 to U+009F) are escaped byte by byte as well. Printable
// ASCII and other well-formed UTF-8 pass unchanged.
std::string display_text(std::string_view raw);
