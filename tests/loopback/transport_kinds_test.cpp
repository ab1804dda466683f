// Every transport kind with its real client against a real server on
// 127.0.0.1, through the transport's own scripts as the shipping pass runs
// them: ftp (the ftp client and an FTP server), lftp over ftp:// and
// sftp://, sftp and ssftp through the OpenSSH wrappers of contrib/transport,
// psftp with a key (psftpk) and with a password (psftpp) against an sshd.
// Root only; skipped where a client or server is missing.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "../support/loopback_servers.h"
#include "../transport/pass_support.h"

namespace {

enum class Server { Ftp, Sshd };

struct Kind {
    const char* name;
    TransportKind kind;
    Server server;
};

const Kind KINDS[] = {
    {"ftp", TransportKind::Ftp, Server::Ftp},         {"lftp_ftp", TransportKind::Lftp, Server::Ftp},
    {"lftp_sftp", TransportKind::Lftp, Server::Sshd}, {"sftp", TransportKind::Sftp, Server::Sshd},
    {"ssftp", TransportKind::Ssftp, Server::Sshd},    {"psftpk", TransportKind::Psftpk, Server::Sshd},
    {"psftpp", TransportKind::Psftpp, Server::Sshd},
};

void PrintTo(const Kind& kind, std::ostream* os) {
    *os << kind.name;
}

constexpr char FTP_USER[] = "shipper";
constexpr char PASSWORD[] = "loop-back.7";

std::string my_user() {
    const passwd* me = ::getpwuid(::geteuid());
    return me != nullptr ? me->pw_name : "";
}

class LoopbackKinds : public PassFixture, public ::testing::WithParamInterface<Kind> {
protected:
    void SetUp() override {
        PassFixture::SetUp();
        if (std::string missing = LoopbackServers::missing(); !missing.empty()) GTEST_SKIP() << missing;
        const Kind& k = GetParam();
        transport.settings.kind = k.kind;
        transport.settings.session_seconds = 30;
        // lftp retries a refused login; a test need not wait between tries.
        transport.settings.lftp_max_retries = 1;
        transport.settings.lftp_reconnect_interval_base = 1;
        // The FTP server's "/" is the machine's, so the receiver directory is
        // the same path for every kind.
        port_ = k.server == Server::Ftp ? servers_.start_ftp(FTP_USER, PASSWORD, "/") : servers_.start_sshd(PASSWORD);
        ASSERT_GT(port_, 0) << servers_.failure();
        const char* home = std::getenv("HOME");
        saved_home_ = home != nullptr ? home : "";
        point_at(port_);
        transport.receiver =
            ConnectionRecord{"127.0.0.1", k.server == Server::Ftp ? FTP_USER : my_user(), PASSWORD, scratch / "remote"};
        if (k.kind == TransportKind::Lftp)
            transport.receiver.machine =
                std::string(k.server == Server::Ftp ? "ftp" : "sftp") + "://127.0.0.1:" + std::to_string(port_);
        if (k.kind == TransportKind::Psftpk)
            std::filesystem::copy_file(servers_.file("client.ppk"), scratch / "hostmaps/east.pk");
    }
    void TearDown() override {
        for (const char* name : {"VANDREL_SFTP_CONFIG", "LFTP_HOME"}) ::unsetenv(name);
        if (!saved_home_.empty()) ::setenv("HOME", saved_home_.c_str(), 1);
        PassFixture::TearDown();
    }

    // Points the client at `port`: a wrapper with the port for ftp and psftp
    // (their default ports are 21 and 22), an ssh configuration for the
    // OpenSSH wrappers, the URL for lftp.
    void point_at(int port) {
        const Kind& k = GetParam();
        const std::string p = std::to_string(port);
        switch (k.kind) {
            case TransportKind::Ftp:
                transport.settings.program = scratch / "ftp_loopback";
                ASSERT_TRUE(servers_.wrapper(transport.settings.program, "ftp", "-P", p));
                break;
            case TransportKind::Psftpk:
            case TransportKind::Psftpp:
                // The kind comes from the program's name.
                transport.settings.program = scratch / (k.kind == TransportKind::Psftpk ? "psftpk" : "psftpp");
                ASSERT_TRUE(servers_.wrapper(transport.settings.program, "psftp", "-P", p));
                // PuTTY's host key cache.
                ::setenv("HOME", servers_.file("putty_home").c_str(), 1);
                break;
            case TransportKind::Sftp:
            case TransportKind::Ssftp: {
                transport.settings.program = std::string(VANDREL_SRC_DIR) + "/contrib/transport/" +
                                             (k.kind == TransportKind::Ssftp ? "ssftp_openssh" : "sftp_openssh");
                std::string config = read_file(servers_.file("ssh_config"));
                const std::size_t at = config.find("Port ");
                config.replace(at, config.find('\n', at) - at, "Port " + p);
                write_file(scratch / "ssh_config", config);
                ::setenv("VANDREL_SFTP_CONFIG", (scratch / "ssh_config").c_str(), 1);
                break;
            }
            case TransportKind::Lftp:
                transport.settings.program = "lftp";
                transport.receiver.machine =
                    std::string(k.server == Server::Ftp ? "ftp" : "sftp") + "://127.0.0.1:" + p;
                // lftp's sftp runs ssh, which takes its port, key and known host
                // from this configuration.
                std::filesystem::create_directories(scratch / "lftp");
                write_file(scratch / "lftp/rc",
                           "set sftp:connect-program \"ssh -a -x -F " + servers_.file("ssh_config") + "\"\n");
                ::setenv("LFTP_HOME", (scratch / "lftp").c_str(), 1);
                break;
        }
    }

    // Every file of the receiver directory (there must be none of a session).
    std::vector<std::string> remote_files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(scratch / "remote"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    LoopbackServers servers_;
    int port_ = 0;
    std::string saved_home_;
};

std::string kind_name(const ::testing::TestParamInfo<Kind>& info) {
    return info.param.name;
}

// The shipping pass's sessions: confirmations before and after a packet, the
// packet of three parts and its trailer (bytes and integrity line checked),
// the receiver busy, later confirmations, an empty busy flag. The clients'
// own harmless error lines (psftp's "Using username", lftp's access failures
// for an epoch that is not there yet) leave the error log empty.
TEST_P(LoopbackKinds, ShipsAPacketAndFetchesConfirmations) {
    passes_in_a_row();
}

// A login the server refuses fails the confirmation and the send, with the
// client's words in the error log, and nothing reaches the receiver.
TEST_P(LoopbackKinds, ARefusedLoginFailsEverySession) {
    const Kind& k = GetParam();
    // Password logins get a wrong password; key logins a user the server
    // does not know.
    if (k.kind == TransportKind::Ftp || k.kind == TransportKind::Psftpp ||
        (k.kind == TransportKind::Lftp && k.server == Server::Ftp))
        transport.receiver.password = "wrong-password";
    else
        transport.receiver.user = "vandrel-nobody";
    EXPECT_EQ(confirm(), ConfirmationResult::NoConfirmation);
    EXPECT_EQ(send("1-Dec-2026.1:0:0 UTC 0"), 0);
    EXPECT_TRUE(remote_files().empty());
    EXPECT_NE(error_log(), "");
    for (const char* suffix : {".verify", ".send", ".out", ".err", ".holla"})
        EXPECT_FALSE(exists(local(E + suffix))) << suffix;
}

// A server that accepts the connection and never answers: the session ends
// at its time limit, in bounded time, and counts as failed.
TEST_P(LoopbackKinds, ADeadServerEndsAtTheTimeLimit) {
    const int silent = servers_.start_silent();
    ASSERT_GT(silent, 0) << servers_.failure();
    point_at(silent);
    transport.settings.session_seconds = 2;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(confirm(), ConfirmationResult::NoConfirmation);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 8);
    EXPECT_NE(error_log().find("time limit"), std::string::npos) << error_log();
    EXPECT_FALSE(exists(local(E + ".holla")));
}

// What each client prints on its error stream in a clean confirmation
// session with nothing at the receiver yet, and how it is judged: nothing
// from ftp and the OpenSSH wrappers; psftp's "Using username" line, which is
// not an error; lftp's access failures for the missing epoch and busy flag,
// which are not errors in check mode only.
TEST_P(LoopbackKinds, TheClientsHarmlessErrorLinesAreJudgedByTheirRules) {
    const Kind& k = GetParam();
    const std::string script = local("verify"), out = local("out"), err = local("err");
    ASSERT_EQ(make_verify_up_to_date_instructions(transport, script, E + ".epoc", local(E + ".holla"),
                                                  local(E + ".pack_pending")),
              1);
    write_file(local(E + ".holla"), PROBE_TEXT);
    ASSERT_EQ(transport_command(transport, script, out, err, "east").run(), 0) << read_file(err);
    EXPECT_EQ(read_file(local(E + ".holla")), PROBE_TEXT);
    const std::string text = read_file(err);
    switch (k.kind) {
        case TransportKind::Ftp:
        case TransportKind::Sftp:
        case TransportKind::Ssftp:
            EXPECT_EQ(text, "");
            break;
        case TransportKind::Psftpk:
        case TransportKind::Psftpp:
            EXPECT_EQ(text, "Using username \"" + my_user() + "\".\n");
            EXPECT_EQ(judge_error_text(k.kind, my_user(), true, text).verdict, ErrorVerdict::Clean);
            EXPECT_EQ(judge_error_text(k.kind, "someone-else", true, text).verdict, ErrorVerdict::Unexpected);
            break;
        case TransportKind::Lftp:
            EXPECT_NE(text.find("get: Access failed:"), std::string::npos) << text;
            EXPECT_NE(text.find(E + ".pack_pending"), std::string::npos) << text;
            EXPECT_EQ(judge_error_text(k.kind, FTP_USER, true, text).verdict, ErrorVerdict::Clean) << text;
            EXPECT_EQ(judge_error_text(k.kind, FTP_USER, false, text).verdict, ErrorVerdict::Errors) << text;
            break;
    }
}

// A part the client cannot read, and a part the server refuses to store (a
// directory of that name at the receiver): the send fails with the client's
// words in the error log. lftp and the OpenSSH wrappers stop at the failure,
// so no trailer follows it; the ftp client and psftp (its -be switch) go on,
// so their trailer arrives and the receiver must find the packet incomplete
// by the trailer's integrity line.
TEST_P(LoopbackKinds, AnUnsentPartFailsTheSend) {
    const Kind& k = GetParam();
    const bool stops_at_a_failure =
        k.kind == TransportKind::Lftp || k.kind == TransportKind::Sftp || k.kind == TransportKind::Ssftp;
    for (bool missing_locally : {true, false}) {
        SCOPED_TRACE(missing_locally ? "part missing locally" : "part refused by the server");
        for (const auto& entry : std::filesystem::directory_iterator(scratch / "remote"))
            std::filesystem::remove_all(entry.path());
        std::filesystem::remove(scratch / "errors.txt");
        if (!missing_locally) std::filesystem::create_directory(remote(E + ".crc_1"));
        EXPECT_EQ(send("2-Dec-2026.1:0:0 UTC 0", missing_locally), 0);
        EXPECT_NE(error_log().find("shipping errors ---- "), std::string::npos) << error_log();
        EXPECT_NE(error_log().find(E + ".crc_1"), std::string::npos) << error_log();
        if (stops_at_a_failure) {
            EXPECT_FALSE(exists(remote(E + ".pack")));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealClients, LoopbackKinds, ::testing::ValuesIn(KINDS), kind_name);

}  // namespace
