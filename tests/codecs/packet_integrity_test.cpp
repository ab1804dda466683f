#include "codecs/packet_integrity.h"
#include "common/sha256.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "../support/scratch_dir.h"

namespace {

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    ScratchDir dir;
    // Larger than one read block, so the streaming path is used.
    const std::string big(3 * 1024 * 1024 + 17, 'x');
    write_file(dir / "big", big);
    std::string hex;
    ASSERT_TRUE(sha256_file(dir / "big", hex));
    EXPECT_EQ(hex, sha256_hex(big));
    EXPECT_FALSE(sha256_file(dir / "missing", hex));
    EXPECT_TRUE(hex.empty());
}

class PacketIntegrityTest : public ::testing::Test {
protected:
    void SetUp() override {
        packet = dir / "epoc.007.east.west.crc";
        write_file(packet, "head bytes");
        write_file(packet + "_1", "part one");
        write_file(packet + "_2", "part two");
        std::string error;
        ASSERT_TRUE(make_packet_integrity_line(packet, 2, line, error)) << error;
        trailer = "10-Dec-2026.06:00:00 UTC +0000\n</vobs/src>\n[12]\n" + line + "\n";
    }
    PacketIntegrity check() { return check_packet_integrity(trailer, packet, detail); }

    ScratchDir dir;
    std::string packet, line, trailer, detail;
};

TEST_F(PacketIntegrityTest, LineKeepsTheOlderFieldsReadable) {
    EXPECT_EQ(line.rfind("sha256 2 ", 0), 0u);
    for (char c : std::string("<>[]/")) EXPECT_EQ(line.find(c), std::string::npos) << c;
    EXPECT_EQ(check(), PacketIntegrity::Whole) << detail;
}

TEST_F(PacketIntegrityTest, DamagedDeliveriesAreNamed) {
    struct Case {
        const char* what;
        void (*damage)(const std::string& packet);
        const char* detail_part;
    };
    const Case cases[] = {
        {"last part missing", [](const std::string& p) { ::unlink((p + "_2").c_str()); }, "_2 is missing"},
        {"head missing", [](const std::string& p) { ::unlink(p.c_str()); }, "crc is missing"},
        {"part cut short", [](const std::string& p) { write_file(p + "_1", "part o"); }, "_1 does not match"},
        {"stray extra part", [](const std::string& p) { write_file(p + "_3", "stray"); }, "_3 was not part"},
    };
    for (const Case& c : cases) {
        SetUp();
        c.damage(packet);
        EXPECT_EQ(check(), PacketIntegrity::Damaged) << c.what;
        EXPECT_NE(detail.find(c.detail_part), std::string::npos) << c.what << ": " << detail;
    }
}

TEST_F(PacketIntegrityTest, OlderTrailerAndMalformedLines) {
    trailer = "10-Dec-2026.06:00:00 UTC +0000\n</vobs/src>\n[12]";
    EXPECT_EQ(check(), PacketIntegrity::Absent);
    for (const char* bad : {"sha256 x", "sha256 2 abc", "sha256 1 ", "sha256 -1", "sha256 200"}) {
        trailer = std::string("t\n") + bad + "\n";
        EXPECT_EQ(check(), PacketIntegrity::Damaged) << bad;
    }
    std::string error, unused;
    EXPECT_FALSE(make_packet_integrity_line(packet, 128, unused, error));
    EXPECT_FALSE(make_packet_integrity_line(dir / "none.crc", 0, unused, error));
    EXPECT_NE(error.find("none.crc"), std::string::npos);
}

}  // namespace
