// Element description lines (section 1 of a packet head file), deployment
// listing lines, and new-element records (section 6).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "codecs/packet_format.h"

// Value lines: "<tag> <length>:<value>\n". `tag` is the tag word without
// its blank ("ExtractFile", "Name", ...). The length counts the value's bytes,
// line breaks included.
std::string format_value_line(std::string_view tag, std::string_view value);

struct ValueLine {
    std::string_view tag;    // the tag word, without the blank
    long length = 0;         // the declared length
    std::string_view value;  // the text after ":" on this line
};
// Reads one line (without its "\n") as a value line: a tag word, one blank,
// a decimal length whose first digit is 1-9, ":" and the value. Returns 0
// for any other line (block lines, length 0, a length that does not fit).
int parse_value_line(std::string_view line, ValueLine& out);
// Whether a line is a value line of the given tag word whose length starts
// with a digit 1-9 (the test the conversion applies before rewriting).
bool is_value_line_of(std::string_view line, std::string_view tag);

// A type block cut down to its name line: "BRTYPE_BEGIN\n<line>\nBRTYPE_END\n"
// and likewise for "LBTYPE" and "ATTYPE". `kind` is 'B', 'L' or 'A'; other
// kinds give an empty text. `definition` is put after the name line as it is
// (whole lines, each ending with a newline): the lines of the export that
// define the type (scope, constraints, value type, default value), so that
// the receiving import makes the type as the sending VOB has it. A reader
// that knows only the name line drops them.
std::string format_type_block(char kind, std::string_view name_line, std::string_view definition = {});

// Deployment listing lines "F:<path>\n" and "D:<path>\n". Return 0 (nothing
// appended) for an empty path or one holding a newline.
int append_deploy_file_line(std::string& out, std::string_view path);
int append_deploy_dir_line(std::string& out, std::string_view path);

struct DeployEntry {
    bool is_file = false;  // "F:" (a file) or "D:" (a directory)
    std::string path;
    bool stays_inside = true;  // see packet_path_stays_inside
};
// Reads a deployment listing. Lines that are neither "F:" nor "D:" are
// skipped. Returns 0 for an entry whose path would leave the deployment
// directory (see packet_path_stays_inside), with the entries before it and a
// reason in `error`.
int read_deploy_listing(std::string_view text, std::vector<DeployEntry>& entries, std::string& error);
// Every entry of a deployment listing, those that would leave the
// deployment directory included (marked), for display.
void list_deploy_entries(std::string_view text, std::vector<DeployEntry>& entries);

// New-element records "path|owner|group|permissions;".
struct NewElement {
    std::string path;
    std::string owner;
    std::string group;
    std::string permissions;
};
// Returns 0 (nothing appended) when the path is empty, a field holds ";" or
// a newline, or owner, group or permissions hold "|".
int append_new_element_record(std::string& out, std::string_view path, std::string_view owner, std::string_view group,
                              std::string_view permissions);
// Fields are split from the right, so a path holding "|" still reads back.
// Trailing line breaks (the receiver appends one) are ignored. Returns 0 for
// a record with fewer than four fields or a last record without ";".
int read_new_element_records(std::string_view text, std::vector<NewElement>& records, std::string& error);
