#include "shiptest/printed_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "common/depot.h"
#include "common/file_ops.h"
#include "shipper/config/config_file.h"

PrintedLog::PrintedLog(const std::string& shipper_error_log) : saved_(LOG_FILES) {
    std::string pattern = VL_TMP_DIR + "/vl_ping_test.log.XXXXXX";
    int fd = ::mkstemp(pattern.data());
    LOG_FILES = LogFileSet{};
    if (fd >= 0) {
        ::close(fd);
        scratch_ = pattern;
        push_extracted_file(scratch_);
        LOG_FILES.LOG_FILE = scratch_;
    }
    if (this_file_exists(shipper_error_log)) LOG_FILES.ELOG_FILE = shipper_error_log;
}

PrintedLog::~PrintedLog() {
    print();
    LOG_FILES = saved_;
    if (!scratch_.empty()) unlink_remove(scratch_);
}

std::string without_log_stamp(const std::string& line, const std::string& utc_offset) {
    if (line.empty() || line[0] != '[') return line;
    const std::string end = " UTC " + utc_offset + "] ";
    std::size_t at = line.find(end);
    return at == std::string::npos ? line : line.substr(at + end.size());
}

void PrintedLog::print() {
    if (scratch_.empty()) return;
    shipper_config::FileText text = shipper_config::read_bounded_file(scratch_, 1 << 20);
    for (std::string_view line : shipper_config::split_lines(text.text))
        std::printf("%s\n", without_log_stamp(std::string(line), UTC_OFFSET).c_str());
    std::fflush(stdout);
    if (FILE* f = std::fopen(scratch_.c_str(), "w")) std::fclose(f);
}
