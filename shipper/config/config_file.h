// Reading configuration text: bounded, regular files only, never blocking,
// and the plain text operations every reader of the grammar shares.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace shipper_config {

// The shipper reads at most this many bytes of its configuration file.
inline constexpr std::size_t SHIPPER_CONFIG_MAX = 51199;

enum class ReadStatus {
    ok,
    missing,     // no such file
    unreadable,  // not a regular file, or it cannot be opened
    empty,       // the read failed or gave nothing
};

struct FileText {
    ReadStatus status = ReadStatus::missing;
    std::string text;
    bool truncated = false;  // the file holds more than max_bytes
};

// Reads at most max_bytes of path. Only a regular file is read: the file is
// opened without blocking (a FIFO or device never holds the caller up) and
// checked after opening, so a name swapped in between cannot slip through.
FileText read_bounded_file(const std::string& path, std::size_t max_bytes);

// Cuts a text that was read only up to a byte limit back to its whole
// lines: a last line without its newline may be only part of a line.
void drop_partial_last_line(std::string& text);

// The lines of text, split at newlines, a carriage return before the newline
// removed. A final line without newline counts.
std::vector<std::string_view> split_lines(std::string_view text);

// The first blank-delimited word of a line ("" when it holds none).
std::string_view first_word(std::string_view line);
// Blank-separated words.
std::vector<std::string> split_words(std::string_view text);

// The lines that hold a word whose first character is not '#', each
// followed by a newline: the text the global keys are looked up in.
std::string kept_lines(std::string_view text);

// The value of `key` (given with its "="): the rest of the line after the
// first place the text occurs anywhere in `kept`, at most 2047 characters,
// stripped. found is false when the text does not occur.
std::string key_value(const std::string& kept, const char* key, bool* found = nullptr);

}  // namespace shipper_config
