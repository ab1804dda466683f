// Shared set-up of the tests of applying element versions: the packet
// application set-up (tests/receiver_apply/apply_fixture.h) plus fresh
// version settings and packet state, stand-in programs on PATH and helpers
// to write packet text.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "common/frame.h"
#include "receiver/versions/versions_state.h"
#include "tests/receiver_apply/apply_fixture.h"

inline std::string version_block(const std::string& vid, const std::string& data, const std::string& branch = "main") {
    return "VERSION_BEGIN\n" + vl("VersionId", vid) + vl("OnBranch", branch) + vl("ExtractFile", data) +
           "VERSION_END\n";
}

class VersionsTest : public ApplyTest {
protected:
    void SetUp() override {
        ApplyTest::SetUp();
        SELF = "vandrel_receiver";
        VERSIONS_SETTINGS = VersionsSettings{};
        reset_versions_packet();
    }
    void TearDown() override {
        if (path_changed_) ::setenv("PATH", saved_path_.c_str(), 1);
        ApplyTest::TearDown();
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

private:
    bool path_changed_ = false;
    std::string saved_path_;
};
