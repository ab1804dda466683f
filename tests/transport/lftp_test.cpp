// The transport with the real lftp on the local file system: a multipart
// packet sent into a receiving directory and confirmations fetched over
// several passes, and a server that never answers.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "pass_support.h"

namespace {

bool lftp_installed() {
    return Command::shell_text("command -v lftp > /dev/null 2>&1").run() == 0;
}

class Lftp : public PassFixture {
protected:
    void SetUp() override {
        PassFixture::SetUp();
        if (!lftp_installed()) GTEST_SKIP() << "lftp is not installed (scripts/setup.sh installs it)";
        transport.settings.program = "lftp";
        transport.settings.kind = TransportKind::Lftp;
        transport.settings.session_seconds = 60;
        transport.receiver = ConnectionRecord{"file:///", "ship", "pw", scratch / "remote"};
    }
};

TEST_F(Lftp, PacketsAndConfirmationsOverSeveralPasses) {
    passes_in_a_row();
}

TEST_F(Lftp, AFailedPartUploadFailsTheSessionAndNoTrailerFollows) {
    a_lost_part();
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
        {"the time limit ends it", 120, 2, "ended after its time limit of 2 seconds ---- "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport.settings.lftp_max_retries = 1;
        transport.settings.lftp_reconnect_interval_base = 1;
        transport.settings.lftp_timeout_seconds = c.lftp_timeout;
        transport.settings.session_seconds = c.session_seconds;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(confirm(), ConfirmationResult::NoConfirmation);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 15.0);
        EXPECT_NE(error_log().find(c.logged), std::string::npos) << error_log();
    }
    ::close(listener);
}

}  // namespace
