// The transport reports through the log; the communication test prints
// instead. While a PrintedLog lives, log lines go to a private scratch file
// (and error texts also to the shipper's error log, when it exists); print()
// writes them to standard output without their time stamps.
#pragma once

#include <string>

#include "common/log.h"

class PrintedLog {
public:
    // `shipper_error_log`: appended to only when it already exists.
    explicit PrintedLog(const std::string& shipper_error_log);
    ~PrintedLog();
    PrintedLog(const PrintedLog&) = delete;
    PrintedLog& operator=(const PrintedLog&) = delete;

    // Prints what was logged since the last call and empties the scratch file.
    void print();

private:
    LogFileSet saved_;
    std::string scratch_;
};

// A log line without its "[<time> UTC <offset>] " head; other lines as they are.
std::string without_log_stamp(const std::string& line, const std::string& utc_offset);
