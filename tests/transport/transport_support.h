// Shared fixtures of the transport tests: a scratch depot with a host map,
// log files to read back, and passkeys made by the real scrambler.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "../support/scratch_dir.h"
#include "codecs/scramble.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "shipper/transport/transport.h"

// A host map line holding the passkey of the four values.
inline std::string hostmap_line(const std::string& machine, const std::string& user, const std::string& password,
                                const std::string& directory) {
    std::string passkey;
    EXPECT_EQ(return_crypted_pkey(machine.c_str(), user.c_str(), password.c_str(), directory.c_str(), passkey), 1);
    return "[" + passkey + "]\n";
}

// A scratch bay: hostmaps/, epocs/, remote/ and logs, with the process's log
// files pointing into it for the life of the fixture.
class TransportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        for (const char* dir : {"hostmaps", "epocs", "remote"}) std::filesystem::create_directory(scratch / dir);
        LOG_FILES = LogFileSet{};
        LOG_FILES.LOG_FILE = scratch / "all.txt";
        LOG_FILES.ELOG_FILE = scratch / "errors.txt";
        LOG_FILES.WLOG_FILE = scratch / "warnings.txt";
        transport.settings.hostmaps_dir = scratch / "hostmaps";
        transport.settings.local_dir = scratch / "epocs";
    }
    void TearDown() override {
        remove_ship_files();
        LOG_FILES = LogFileSet{};
    }

    std::string all_log() const { return read_file(scratch / "all.txt"); }
    std::string error_log() const { return read_file(scratch / "errors.txt"); }
    std::string local(const std::string& name) const { return scratch / ("epocs/" + name); }
    std::string remote(const std::string& name) const { return scratch / ("remote/" + name); }

    ScratchDir scratch;
    Transport transport;
};
