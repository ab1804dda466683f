#include "shiptest/printed_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "common/depot.h"
#include "common/file_ops.h"
#include "shipper/config/config_file.h"

namespace {

std::string make_scratch() {
    std::string pattern = VL_TMP_DIR + "/vl_ping_test.log.XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return {};
    ::close(fd);
    push_extracted_file(pattern);
    return pattern;
}

// The text of a scratch file, which is then emptied.
std::string take(const std::string& path) {
    if (path.empty()) return {};
    shipper_config::FileText text = shipper_config::read_bounded_file(path, 1 << 20);
    if (FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
    return std::move(text.text);
}

void print_lines(const std::string& text) {
    for (std::string_view line : shipper_config::split_lines(text))
        std::printf("%s\n", without_log_stamp(std::string(line), UTC_OFFSET).c_str());
}

}  // namespace

PrintedLog::PrintedLog(const std::string& shipper_error_log)
    : saved_(LOG_FILES), shipper_error_log_(shipper_error_log), errors_(make_scratch()), others_(make_scratch()) {
    LOG_FILES = LogFileSet{};
    LOG_FILES.LOG_FILE = others_;
    LOG_FILES.ELOG_FILE = errors_;
    LOG_FILES.WLOG_FILE = errors_;
}

PrintedLog::~PrintedLog() {
    print();
    LOG_FILES = saved_;
    unlink_remove(errors_);
    unlink_remove(others_);
}

std::string without_log_stamp(const std::string& line, const std::string& utc_offset) {
    if (line.empty() || line[0] != '[') return line;
    const std::string end = " UTC " + utc_offset + "] ";
    std::size_t at = line.find(end);
    return at == std::string::npos ? line : line.substr(at + end.size());
}

void PrintedLog::print() {
    const std::string errors = take(errors_);
    const std::string others = take(others_);
    print_lines(errors);
    // Error and warning lines reach the "all" scratch too: only the other
    // lines are printed from there.
    std::unordered_map<std::string_view, int> printed;
    for (std::string_view line : shipper_config::split_lines(errors)) ++printed[line];
    for (std::string_view line : shipper_config::split_lines(others)) {
        auto it = printed.find(line);
        if (it != printed.end() && it->second > 0)
            --it->second;
        else
            std::printf("%s\n", without_log_stamp(std::string(line), UTC_OFFSET).c_str());
    }
    std::fflush(stdout);
    if (!errors.empty() && this_file_exists(shipper_error_log_))
        append_file(shipper_error_log_, errors.c_str(), ATTR_LEAVE);
}
