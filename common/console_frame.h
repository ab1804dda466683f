// Frame variants of the programs that report on standard output instead of
// (or besides) log files: the communication test prints its lines, the proxy
// relay prints time-stamped lines and has its own exit path.
#pragma once

#include <string>

// Communication test: prints text and a newline (the class is not used).
void print_it(char cls, const char* text);
[[noreturn]] void print_and_bail(const char* text);

// Proxy relay: removes the extracted files, empties their list and exits.
[[noreturn]] void one_exit(int status);
// "[<time>] <text>\n" on standard output.
void blog_it(char cls, const char* text);
[[noreturn]] void blog_and_bail(const char* text);
// The relay's end on a signal (or -97 when its internal file vanished).
[[noreturn]] void blast_words(int code);
// Prints up to 10239 bytes of a file and a newline, or a note when the file
// cannot be opened or read.
void blat_file(const char* path);

inline void print_it(char cls, const std::string& text) {
    print_it(cls, text.c_str());
}
inline void blog_it(char cls, const std::string& text) {
    blog_it(cls, text.c_str());
}
