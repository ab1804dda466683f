// Shared set-up of the tests of applying element versions: log files in a
// scratch folder, fresh settings and packet state, helpers to write packet
// text.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "codecs/packet_elements.h"
#include "common/frame.h"
#include "common/log.h"
#include "receiver/apply/apply_state.h"
#include "receiver/versions/versions_state.h"
#include "tests/support/scratch_dir.h"

// A value line "<tag> <length>:<value>\n".
inline std::string vl(const std::string& tag, const std::string& value) {
    return format_value_line(tag, value);
}

inline std::string version_block(const std::string& vid, const std::string& data, const std::string& branch = "main") {
    return "VERSION_BEGIN\n" + vl("VersionId", vid) + vl("OnBranch", branch) + vl("ExtractFile", data) +
           "VERSION_END\n";
}

class VersionsTest : public ::testing::Test {
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
        SELF = "vandrel_receiver";
        APPLY_SETTINGS = ApplySettings{};
        APPLY_SETTINGS.IMPORT_VIEW = "imp";
        APPLY_SETTINGS.RECEIVER_USER = "vrecv";
        VERSIONS_SETTINGS = VersionsSettings{};
        reset_apply_packet();
        reset_versions_packet();
    }
    void TearDown() override {
        if (path_changed_) ::setenv("PATH", saved_path_.c_str(), 1);
        LOG_STATE = LogState{};
        VERSIONS_SETTINGS = VersionsSettings{};
    }

    // Puts a shell script of this name first on PATH for the test.
    void fake_program(const std::string& name, const std::string& script) {
        std::string bin = dir / "bin";
        if (!path_changed_) {
            ::mkdir(bin.c_str(), 0755);
            const char* old = std::getenv("PATH");
            saved_path_ = old ? old : "";
            ::setenv("PATH", (bin + ":" + saved_path_).c_str(), 1);
            path_changed_ = true;
        }
        write_file(bin + "/" + name, "#!/bin/sh\n" + script);
        ::chmod((bin + "/" + name).c_str(), 0755);
    }

    std::string log(const char* name) const { return read_file(dir / name); }

    ScratchDir dir;

private:
    bool path_changed_ = false;
    std::string saved_path_;
};
