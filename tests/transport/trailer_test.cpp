// The packet trailer and its integrity line.
#include "shipper/transport/trailer.h"

#include <gtest/gtest.h>

#include "codecs/packet_integrity.h"
#include "transport_support.h"

namespace {

class Trailer : public TransportFixture {
protected:
    void SetUp() override {
        TransportFixture::SetUp();
        write_file(local("p.crc"), std::string(5000, 'a'));
        write_file(local("p.crc_1"), std::string(3000, 'b'));
        write_file(local("p.crc_2"), "c");
    }
    std::string integrity() const {
        std::string line, error;
        EXPECT_TRUE(make_packet_integrity_line(local("p.crc"), 2, line, error)) << error;
        return line;
    }
};

TEST_F(Trailer, ReplicationAndDeploymentTrailersEndWithTheIntegrityLine) {
    const std::string epoch = "6-Dec-2026.7:26:5 UTC -5";
    ASSERT_EQ(write_packet_trailer(local("p.pack"), epoch, false, "/vobs/dest", 42, local("p.crc"), 2), 1);
    EXPECT_EQ(read_file(local("p.pack")), epoch + "\n</vobs/dest>\n[42]\n" + integrity());
    std::string detail;
    EXPECT_EQ(check_packet_integrity(read_file(local("p.pack")), local("p.crc"), detail), PacketIntegrity::Whole)
        << detail;

    ASSERT_EQ(write_packet_trailer(local("d.pack"), epoch, true, "", 0, local("p.crc"), 2), 1);
    EXPECT_EQ(read_file(local("d.pack")), epoch + "\n" + integrity());
}

TEST_F(Trailer, ABadFieldOrAMissingPartLeavesNoTrailer) {
    struct Case {
        const char* name;
        std::string epoch;
        std::string vob;
        int parts;
        const char* reason;
    };
    const Case cases[] = {
        {"newline in the epoch", "6-Dec-2026\n<x>", "/vobs/d", 2, "invalid epoch text"},
        {"bracket in the VOB", "6-Dec-2026.7:26:5 UTC -5", "/vobs/d>\n[1", 2, "invalid VOB destination"},
        {"a part missing", "6-Dec-2026.7:26:5 UTC -5", "/vobs/d", 3, "p.crc_3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(write_packet_trailer(local("p.pack"), c.epoch, false, c.vob, 1, local("p.crc"), c.parts), 0);
        EXPECT_NE(error_log().find("-- packet trailer (" + local("p.pack") + ") not written: "), std::string::npos);
        EXPECT_NE(error_log().find(c.reason), std::string::npos) << error_log();
        int files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch / "epocs")) ++files;
        EXPECT_EQ(files, 3);
    }
}

}  // namespace
