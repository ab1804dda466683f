// The transport reports through the log; the communication test prints
// instead. While a PrintedLog lives, log lines go to private scratch files:
// print() writes them to standard output without their time stamps, in the
// order they were logged, and appends the error lines (the transfer
// program's own words among them) to the shipper's error log when that log
// exists.
#pragma once

#include <string>

#include "common/log.h"

class PrintedLog {
public:
    explicit PrintedLog(const std::string& shipper_error_log);
    ~PrintedLog();
    PrintedLog(const PrintedLog&) = delete;
    PrintedLog& operator=(const PrintedLog&) = delete;

    // Prints what was logged since the last call and empties the scratch files.
    void print();

private:
    LogFileSet saved_;
    std::string shipper_error_log_;
    std::string errors_;  // error and warning lines, and error texts
    std::string others_;  // any other line
};

// A log line without its "[<time> UTC <offset>] " head; other lines as they are.
std::string without_log_stamp(const std::string& line, const std::string& utc_offset);
