// Reading and rewriting an export text (the element description written by
// the export utility) in constant memory.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Reads an export text record by record. A record is one line without its
// "\n"; an attribute line ("Attrib ", "ElementAttrib ", "BranchAttrib ")
// whose value is longer than the rest of its line is joined with the
// continuation lines its length covers ("\n" between them), so that a value
// line inside an attribute value is never taken for a line of its own.
class ExportReader {
public:
    explicit ExportReader(const std::string& path);
    ~ExportReader();
    ExportReader(const ExportReader&) = delete;
    ExportReader& operator=(const ExportReader&) = delete;

    bool is_open() const { return file_ != nullptr; }
    // The next record; false at the end (or on a read error, see failed()).
    bool next(std::string& record);
    bool failed() const;

private:
    bool next_line(std::string& line);

    std::FILE* file_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
};

// The value text of a value line ("<tag> <length>:<value>"), trailing blanks
// removed; empty when the line is no value line of that tag (with its blank).
std::string_view tag_value(std::string_view record, std::string_view tag_with_blank);

// Whether a name relative to the replicated directory lies in (or is) a
// "lost+found" directory, whose content no other site needs.
bool under_lost_and_found(std::string_view name);

// The rewritten copy of an export text, "<export>.cv": created exclusively
// (a leftover is removed first) and private; commit() ends it with one line
// of 75 blanks without a newline and moves it over the export. A copy that
// was not committed is removed when the object goes.
class ExportRewrite {
public:
    explicit ExportRewrite(const std::string& export_path);
    ~ExportRewrite();
    ExportRewrite(const ExportRewrite&) = delete;
    ExportRewrite& operator=(const ExportRewrite&) = delete;

    bool is_open() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    void line(std::string_view text);  // text and "\n"
    void raw(std::string_view text);
    // 1 when every write succeeded and the copy replaced the export.
    int commit();
    // Drops the copy, leaving the export as it was.
    void discard();

private:
    std::string export_path_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool write_failed_ = false;
};

// Opens the export for a pass, logging the failure ("found", "opened",
// "populated") at class 'e' when it cannot be read or is empty.
bool open_export_for_pass(const std::string& export_path, ExportReader& reader);

// Creates `path` empty, private and exclusively (a leftover of an earlier
// pass is removed first, a link is never followed), for a command to write
// its output into. False when it cannot.
bool create_private_file(const std::string& path);
