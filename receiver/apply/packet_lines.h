// Streaming access to the element description of a packet: physical lines
// read through one large buffer, joined into records when a value line
// announces more bytes than its first line holds (a value with line breaks,
// such as an attribute value), and an output that can move back to an
// earlier position and cut off what was written after it.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An open packet file, closed when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class PacketLineReader {
public:
    // Longest physical line and longest joined record accepted.
    static constexpr std::size_t LINE_MAX_BYTES = 16u << 20;
    static constexpr std::size_t RECORD_MAX_BYTES = 16u << 20;

    explicit PacketLineReader(std::FILE* in) : in_(in), buf_(BUFFER_BYTES) {}

    // The next record: one line without its "\n", plus, for a value line
    // whose declared length exceeds the value on its line, the following
    // lines joined with "\n" until the length is reached. `first_line_end`
    // receives the length of the first line within `record`. False at the end
    // of the input or on failure (see failed()).
    bool next_record(std::string& record, std::size_t& first_line_end);
    // True when a read failed or a line or record was longer than accepted.
    bool failed() const { return failed_; }
    bool read_error() const { return read_error_; }
    // The next physical line without its "\n"; false at the end or on failure.
    bool next_line(std::string& line);

private:
    static constexpr std::size_t BUFFER_BYTES = 1u << 20;

    std::FILE* in_;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool read_error_ = false;
};

// An output file written forward, with rewinds that truncate: moving back
// to an earlier position drops every byte written after it.
class RewindableOutput {
public:
    explicit RewindableOutput(std::FILE* out) : out_(out) {}
    void write(std::string_view bytes);
    void write_line(std::string_view line);  // the line and "\n"
    off_t tell() const { return pos_; }
    void rewind_to(off_t position);
    bool ok() const { return ok_; }

private:
    std::FILE* out_;
    off_t pos_ = 0;
    bool ok_ = true;
};
