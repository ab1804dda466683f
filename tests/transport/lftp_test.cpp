// The transport with the real lftp on the local file system: a multipart
// packet sent into a receiving directory and confirmations fetched over
// several passes, and a server that never answers.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "codecs/packet_integrity.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/session.h"
#include "shipper/transport/trailer.h"
#include "transport_support.h"

namespace {

bool lftp_installed() {
    return Command::shell_text("command -v lftp > /dev/null 2>&1").run() == 0;
}

class Lftp : public TransportFixture {
protected:
    void SetUp() override {
        TransportFixture::SetUp();
        if (!lftp_installed()) GTEST_SKIP() << "lftp is not installed (scripts/setup.sh installs it)";
        transport.settings.program = "lftp";
        transport.settings.kind = TransportKind::Lftp;
        transport.settings.session_seconds = 60;
        transport.receiver = ConnectionRecord{"file:///", "ship", "pw", scratch / "remote"};
    }

    // One confirmation fetch as the shipping pass makes it: the local busy
    // flag of the last pass is removed first.
    int confirm() {
        std::filesystem::remove(local(E + ".pack_pending"));
        const std::string script = local(E + ".verify");
        if (!make_verify_up_to_date_instructions(transport, script, E + ".epoc", local(E + ".holla"),
                                                 local(E + ".pack_pending")))
            return -1;
        return follow_instructions(transport, script, local(E + ".out"), local(E + ".err"), local(E + ".holla"), "east",
                                   true);
    }

    // Writes a packet of three files and its trailer, and sends them.
    int send(const std::string& epoch, bool lose_a_part = false) {
        std::mt19937 random(7);
        for (const char* suffix : {".crc", ".crc_1", ".crc_2"}) {
            std::string bytes(200000, '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            write_file(local(E + suffix), bytes);
        }
        if (write_packet_trailer(local(E + ".pack"), epoch, false, "/vobs/dest", 3, local(E + ".crc"), 2) != 1)
            return -1;
        if (lose_a_part) std::filesystem::remove(local(E + ".crc_1"));
        const std::string script = local(E + ".send");
        if (!make_instructions(transport, script, local(E + ".crc"), 2, local(E + ".pack"), local(E + ".holla")))
            return -1;
        return follow_instructions(transport, script, local(E + ".out"), local(E + ".err"), local(E + ".holla"), "east",
                                   true);
    }

    const std::string E = "epoc.007.east.west";
};

TEST_F(Lftp, PacketsAndConfirmationsOverSeveralPasses) {
    // Nothing at the receiver yet: the missing epoch and busy flag are normal.
    ASSERT_EQ(confirm(), 1) << error_log();
    EXPECT_FALSE(exists(local(E + ".epoc")));
    EXPECT_FALSE(exists(local(E + ".pack_pending")));

    ASSERT_EQ(send("1-Dec-2026.1:0:0 UTC 0"), 1) << error_log();
    for (const char* suffix : {".crc", ".crc_1", ".crc_2", ".pack"})
        EXPECT_EQ(read_file(remote(E + suffix)), read_file(local(E + suffix))) << suffix;
    std::string detail;
    EXPECT_EQ(check_packet_integrity(read_file(remote(E + ".pack")), remote(E + ".crc"), detail),
              PacketIntegrity::Whole)
        << detail;
    EXPECT_FALSE(exists(remote(E + ".holla")));

    // The receiver is working on it: a non-empty busy flag.
    std::filesystem::rename(remote(E + ".pack"), remote(E + ".pack_pending"));
    ASSERT_EQ(confirm(), 1) << error_log();
    EXPECT_FALSE(file_is_empty(local(E + ".pack_pending")));

    // Applied and confirmed; then later confirmations replace the local copy
    // of the last pass, pass after pass.
    std::filesystem::rename(remote(E + ".pack_pending"), remote(E + ".epoc"));
    for (const char* epoch : {"", "2-Dec-2026.1:0:0 UTC 0\n", "3-Dec-2026.1:0:0 UTC 0\n", "4-Dec-2026.1:0:0 UTC 0\n"}) {
        SCOPED_TRACE(epoch);
        if (epoch[0] != '\0') write_file(remote(E + ".epoc"), epoch);
        ASSERT_EQ(confirm(), 1) << error_log();
        EXPECT_EQ(read_file(local(E + ".epoc")), read_file(remote(E + ".epoc")));
        EXPECT_FALSE(exists(local(E + ".pack_pending")));
    }

    // An empty busy flag does not hold the shipper back.
    write_file(remote(E + ".pack_pending"), "");
    ASSERT_EQ(confirm(), 1) << error_log();
    EXPECT_TRUE(file_is_empty(local(E + ".pack_pending")));
    EXPECT_EQ(error_log(), "");
}

TEST_F(Lftp, AFailedPartUploadFailsTheSessionAndNoTrailerFollows) {
    ASSERT_EQ(send("1-Dec-2026.1:0:0 UTC 0"), 1) << error_log();
    std::filesystem::remove(remote(E + ".pack"));  // taken by the receiver
    EXPECT_EQ(send("2-Dec-2026.1:0:0 UTC 0", true), 0);
    EXPECT_FALSE(exists(remote(E + ".pack")));
    EXPECT_NE(error_log().find("--- begin unexpected shipping errors"), std::string::npos) << error_log();
    EXPECT_NE(error_log().find(E + ".crc_1"), std::string::npos) << error_log();
}

TEST_F(Lftp, AServerThatNeverAnswersEndsTheSession) {
    // Accepts connections (the kernel completes them) but never says a word.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    transport.receiver.machine = "ftp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    struct Case {
        const char* name;
        unsigned lftp_timeout;
        unsigned session_seconds;
        const char* logged;
    };
    const Case cases[] = {
        {"lftp gives up by its own settings", 1, 60, "max-retries exceeded"},
        {"the time limit ends it", 120, 2, "--- transfer session ended after its time limit of 2 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport.settings.lftp_max_retries = 1;
        transport.settings.lftp_reconnect_interval_base = 1;
        transport.settings.lftp_timeout_seconds = c.lftp_timeout;
        transport.settings.session_seconds = c.session_seconds;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(confirm(), 0);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 15.0);
        EXPECT_NE(error_log().find(c.logged), std::string::npos) << error_log();
    }
    ::close(listener);
}

}  // namespace
