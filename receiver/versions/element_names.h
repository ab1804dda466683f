// Names of elements in the receiving VOB and small text helpers shared by
// the application steps.
#pragma once

#include <string>
#include <string_view>

// "/view/<import view><vob_path>/<name>".
void get_long_element_version(const std::string& vob_path, const std::string& name, std::string& out);

// Removes a first character that is one of "[({" and a last character that
// is one of "])}".
void strip_surrounding_bracket_char(std::string& s);
// Removes every character of `chars` from `s`.
void strip_any_char_from_bucket(std::string& s, std::string_view chars);
bool is_digit(char c);

// A relative path from a packet with "." and empty components dropped
// ("./a//b/" gives "a/b"); "." for the directory itself. Call only on
// paths that stay inside (packet_path_stays_inside).
std::string tidy_relative_path(std::string_view path);
// The parent of a tidied relative path ("." for a top-level name).
std::string parent_relative_path(const std::string& tidied);
