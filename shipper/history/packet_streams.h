// The two text streams a conversion writes besides its export: the packet's
// head file, appended to piece by piece, and the table of contents that goes
// to the TOC log (class 't').
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// The head file, open for appending. A failed write is remembered: once one
// append failed every later one fails too, so a half-written record never
// stands in the middle of a section.
class HeadFile {
public:
    HeadFile() = default;
    ~HeadFile();
    HeadFile(const HeadFile&) = delete;
    HeadFile& operator=(const HeadFile&) = delete;

    // Opens for appending (the file must exist). False when it cannot.
    bool open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    // True when the text was written.
    bool append(std::string_view text);
    // Appends the whole content of another file; false when it cannot be read
    // or written.
    bool append_file(const std::string& path);
    // Flushes and closes; false when a write had failed or the close fails.
    bool close();
    // The system error of the first failure (0 when none).
    int error() const { return errno_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    int errno_ = 0;
};

// Logs that a section of the head file could not be written: "failed ctar
// on step <step> - failed <portion> portion of (<head>): <error>" (class
// 'e'). Returns 0.
int portion_failed(int step, const char* portion, const HeadFile& head);

// Table-of-contents lines, gathered and written to the TOC log in blocks
// (each log write opens and closes the log file).
class TocLog {
public:
    ~TocLog() { flush(); }
    void add(std::string_view text);
    void flush();
    // Every line added so far, flushed or not (tests read it).
    const std::string& all() const { return all_; }
    // Keep a copy of every line in all() (off by default: a TOC may be long).
    void keep_copy(bool on) { keep_ = on; }

private:
    std::string pending_;
    std::string all_;
    bool keep_ = false;
};
