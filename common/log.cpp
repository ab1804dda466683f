#include "common/log.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "common/file_ops.h"
#include "common/frame.h"
#include "common/text_format.h"

LogState LOG_STATE;

namespace {

// Appends text to one file: open, write, flush, close. Unopenable files and
// empty paths are skipped silently; logging never fails the caller.
void append_to(const std::string& path, const char* text) {
    if (path.empty()) return;
    FILE* f = std::fopen(path.c_str(), "a+");
    if (!f) return;
    std::fputs(text, f);
    std::fflush(f);
    std::fclose(f);
}

struct Targets {
    const std::string* first = nullptr;
    const std::string* second = nullptr;
};

// Which files a class selects. Time-stamped lines and verbatim text differ
// only for the start/stop classes.
Targets targets_for(char cls, bool verbatim) {
    const LogFileSet& f = LOG_STATE.files;
    switch (cls) {
        case 'E':
            return {&f.MLOG_FILE, nullptr};
        case 'd':
            return {&f.DLOG_FILE, nullptr};
        case 't':
            return {&f.TLOG_FILE, nullptr};
        case 'S':
            return verbatim ? Targets{&f.LOG_FILE, nullptr} : Targets{&f.SSLOG_FILE, nullptr};
        case 'e':
            return {&f.LOG_FILE, &f.ELOG_FILE};
        case 'w':
            return {&f.LOG_FILE, &f.WLOG_FILE};
        case 's':
            return verbatim ? Targets{&f.LOG_FILE, nullptr} : Targets{&f.LOG_FILE, &f.SSLOG_FILE};
        default:
            return {&f.LOG_FILE, nullptr};
    }
}

void write_to_targets(char cls, bool verbatim, const char* text) {
    if (cls == 'w') LOG_STATE.HAS_WARNINGS = 1;
    Targets t = targets_for(cls, verbatim);
    if (t.first) append_to(*t.first, text);
    if (t.second) append_to(*t.second, text);
}

std::string format_line(const char* text) {
    mark_time();
    return fmt_msg(LOG_LINE_FORMAT, FRAME.CURRENT_TIME_STRING.c_str(), UTC_BARK, LOG_STATE.UTC_OFFSET.c_str(),
                   text ? text : "");
}

}  // namespace

std::string log_file_path(const std::string& log_dir, const char* base, const std::string& suffix) {
    return fmt_msg(LOG_IT_FILE, log_dir.c_str(), "/", base, suffix.empty() ? "" : "_", suffix.c_str());
}

void set_log_files(const std::string& log_dir, const char* base, const std::string& suffix, bool with_email) {
    std::string b(base);
    LogFileSet& f = LOG_STATE.files;
    f.LOG_FILE = log_file_path(log_dir, (b + "_all").c_str(), suffix);
    f.ELOG_FILE = log_file_path(log_dir, (b + "_errors").c_str(), suffix);
    f.WLOG_FILE = log_file_path(log_dir, (b + "_warnings").c_str(), suffix);
    f.DLOG_FILE = log_file_path(log_dir, (b + "_deploys").c_str(), suffix);
    f.TLOG_FILE = log_file_path(log_dir, (b + "_TOCs").c_str(), suffix);
    f.SSLOG_FILE = log_file_path(log_dir, (b + "_start_stop").c_str(), suffix);
    f.MLOG_FILE = with_email ? log_file_path(log_dir, (b + "_email").c_str(), suffix) : std::string();
}

int create_log_file_if_missing(const std::string& path) {
    if (path.empty()) return 0;
    if (!this_file_exists(path)) {
        FILE* f = std::fopen(path.c_str(), "w+");
        if (f) {
            std::fclose(f);
            make_private(path);
        }
    }
    return this_file_exists(path);
}

void log_it(char cls, const char* text) {
    std::string line = format_line(text);
    write_to_targets(cls, false, line.c_str());
}

void log_it_banner(char cls, const char* text) {
    std::string line = format_line(text);
    std::string block;
    block.reserve(line.size() + 2 * sizeof BANNER + 2);
    block.append(BANNER).append("\n").append(line).append(BANNER).append("\n");
    write_to_targets(cls, false, block.c_str());
}

void log_text(char cls, const char* text) {
    write_to_targets(cls, true, text ? text : "");
}

void concat_log(char cls, const char* path) {
    const LogFileSet& f = LOG_STATE.files;
    if (!f.LOG_FILE.empty()) concat_file(path, f.LOG_FILE, ATTR_LEAVE);
    if (cls == 'e' && !f.ELOG_FILE.empty()) concat_file(path, f.ELOG_FILE, ATTR_LEAVE);
    if (cls == 'w' && !f.WLOG_FILE.empty()) concat_file(path, f.WLOG_FILE, ATTR_LEAVE);
}

const char* random_string(int n) {
    static char buffer[101];
    constexpr int kMax = 100;
    for (int i = 0; i < kMax; ++i) buffer[i] = CHAR_POOL[std::rand() & 63];
    if (n < 0) n = 0;
    buffer[n > kMax ? kMax : n] = '\0';
    return buffer;
}
