// Logging: one call per message, the one-character log class choosing the
// files that receive the line. Every write opens the file in append mode,
// writes, flushes and closes it, so operators may read or rotate the logs at
// any time. An empty path in the file set means "write nowhere" (unit tests
// of other modules can log without any files).
#pragma once

#include <string>

inline constexpr char UTC_BARK[] = " UTC ";
inline constexpr char LOG_LINE_FORMAT[] = "[%s%s%s] %s\n";
inline constexpr char LOG_IT_FILE[] = "%s%s%s%s%s.txt";
// 52 "#" characters.
inline constexpr char BANNER[] = "####################################################";
inline constexpr char E_O_TOC[] = "%s\n===================== E_O_TOC ======================\n%s\n";
inline constexpr char CHAR_POOL[] = "abcdefghijklmnopqrstuvwxyz1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ_-";

// The log files of one process, set once at start-up.
struct LogFileSet {
    std::string LOG_FILE;    // all
    std::string ELOG_FILE;   // errors
    std::string WLOG_FILE;   // warnings
    std::string DLOG_FILE;   // deployments
    std::string TLOG_FILE;   // tables of contents
    std::string SSLOG_FILE;  // start/stop
    std::string MLOG_FILE;   // e-mail digest (receiver only)
};

struct LogState {
    LogFileSet files;
    std::string UTC_OFFSET;  // the configured "UTC_offset" word
    int HAS_WARNINGS = 0;    // set by every class 'w' line
};

extern LogState LOG_STATE;
inline LogFileSet& LOG_FILES = LOG_STATE.files;
inline int& HAS_WARNINGS = LOG_STATE.HAS_WARNINGS;
inline std::string& UTC_OFFSET = LOG_STATE.UTC_OFFSET;

// Builds one log path: <log_dir>/<base>[_<suffix>].txt ("_" only when a
// suffix, the class digit or instance name, is given).
std::string log_file_path(const std::string& log_dir, const char* base, const std::string& suffix);

// Fills every path of the file set from the log directory, the program's
// base word ("shipper" or "receiver") and the optional suffix. The e-mail
// digest is set only when with_email is true.
void set_log_files(const std::string& log_dir, const char* base, const std::string& suffix, bool with_email);

// Creates the file empty and private when it does not exist; returns 1 when
// it exists afterwards.
int create_log_file_if_missing(const std::string& path);

void log_it(char cls, const char* text);
void log_it_banner(char cls, const char* text);
void log_text(char cls, const char* text);
inline void log_it(char cls, const std::string& text) {
    log_it(cls, text.c_str());
}
inline void log_it_banner(char cls, const std::string& text) {
    log_it_banner(cls, text.c_str());
}
inline void log_text(char cls, const std::string& text) {
    log_text(cls, text.c_str());
}

// Appends the whole content of path to the "all" log and, for class 'e', to
// the errors log or, for class 'w', to the warnings log.
void concat_log(char cls, const char* path);

// n characters (at most 100) drawn from CHAR_POOL by the low six bits of rand().
const char* random_string(int n);
