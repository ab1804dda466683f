// Tokenisers that each keep their own place, so nested loops over different
// texts do not disturb each other. First call with the text, then with null.
// Unlike strtok, consecutive delimiters yield empty tokens; a delimiter at
// the very end yields no extra empty token. The caller's text is copied.
#pragma once

#include <cstddef>
#include <string>

class Tokenizer {
public:
    explicit Tokenizer(bool empty_token_on_empty_rest = false) : empty_on_empty_(empty_token_on_empty_rest) {}
    // str non-null starts over on a copy of str; null continues.
    char* next(const char* str, const char* delims);
    void release();

private:
    std::string work_;
    std::size_t pos_ = 0;
    bool active_ = false;  // false: position is null
    bool empty_on_empty_;
};

char* STRTOK(const char* str, const char* delims);
char* STRTOK2(const char* str, const char* delims);
// As STRTOK, but returns an empty token instead of null when called on an empty remainder.
char* STRTOK3(const char* str, const char* delims);
// For long texts; size is the caller's estimate of the text size and is only
// checked for being non-zero; STRTOK_U_FREE releases the work copy.
char* STRTOK_U(const char* str, const char* delims, std::size_t size);
void STRTOK_U_FREE();
