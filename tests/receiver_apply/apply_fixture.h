// Shared set-up of the packet application tests: log files in a scratch
// folder, fresh settings and packet state, and helpers to write element
// descriptions.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "codecs/packet_elements.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "receiver/apply/apply_state.h"
#include "tests/support/scratch_dir.h"

// A value line "<tag> <length>:<value>\n".
inline std::string vl(const std::string& tag, const std::string& value) {
    return format_value_line(tag, value);
}

class ApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        LOG_FILES.LOG_FILE = dir / "all.txt";
        LOG_FILES.ELOG_FILE = dir / "errors.txt";
        LOG_FILES.WLOG_FILE = dir / "warnings.txt";
        LOG_FILES.DLOG_FILE = dir / "deploys.txt";
        LOG_FILES.TLOG_FILE = dir / "tocs.txt";
        LOG_FILES.SSLOG_FILE = dir / "startstop.txt";
        LOG_FILES.MLOG_FILE = dir / "email.txt";
        UTC_OFFSET = "+0";
        HAS_WARNINGS = 0;
        APPLY_SETTINGS = ApplySettings{};
        APPLY_SETTINGS.IMPORT_VIEW = "imp";
        APPLY_SETTINGS.RECEIVER_USER = "vrecv";
        reset_apply_packet();
    }
    void TearDown() override { LOG_STATE = LogState{}; }

    std::string log(const char* name) const { return read_file(dir / name); }

    ScratchDir dir;
};
