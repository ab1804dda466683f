// In-place trimming, case folding and configuration value extraction.
#pragma once

#include <string>
#include <string_view>

// Trimming removes blanks, newlines, tabs and carriage returns.
void strip_trail(char* s);
void strip_head(char* s);  // a string of whitespace only is left unchanged
void strip_surrounding(char* s);
void strip_trail(std::string& s);
void strip_head(std::string& s);
void strip_surrounding(std::string& s);
// A copy of s with surrounding whitespace removed.
std::string stripped_copy(std::string_view s);
// s without its trailing blanks, tabs and carriage returns (line breaks stay).
std::string_view trim_trailing_blanks(std::string_view s);

char* STRING_LOWER(char* s);
char* FOLD_CASE(char* s);
char* STRING_UPPER(char* s);
std::string& STRING_LOWER(std::string& s);
std::string& STRING_UPPER(std::string& s);

inline constexpr std::size_t YANKED_VALUE_MAX = 2047;
// The characters after the first "=" up to the next newline (or the end),
// at most 2047, with surrounding whitespace removed.
std::string yank_value(const char* text);
