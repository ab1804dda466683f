// The sftp and ssftp kinds through the OpenSSH wrappers of contrib/transport,
// against a throwaway sshd on a free loopback port with its own host key,
// client key and configuration (root only; skipped elsewhere).
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "pass_support.h"

namespace {

int free_loopback_port() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

bool accepts_connections(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return ok;
}

// One sshd for the whole suite.
struct Sshd {
    ScratchDir dir;
    pid_t pid = -1;
    std::string skipped;  // why the suite is skipped
    std::string failed;   // why the server could not be started
};
Sshd* SSHD = nullptr;

class OpenSsh : public PassFixture {
protected:
    static void SetUpTestSuite() {
        SSHD = new Sshd;
        Sshd& s = *SSHD;
        if (::geteuid() != 0 || !exists("/usr/sbin/sshd") ||
            Command::shell_text("command -v sftp > /dev/null && command -v ssh-keygen > /dev/null").run() != 0) {
            s.skipped = "needs root, sshd, sftp and ssh-keygen (scripts/setup.sh installs them)";
            return;
        }
        const std::string d = s.dir.path();
        for (const char* key : {"host_key", "client_key"}) {
            if (Command("ssh-keygen").args("-q", "-t", "ed25519", "-N", "", "-f", d + "/" + key).trash_all().run()) {
                s.failed = "ssh-keygen failed";
                return;
            }
        }
        std::filesystem::copy_file(d + "/client_key.pub", d + "/authorized_keys");
        const int port = free_loopback_port();
        write_file(d + "/sshd_config", "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " + d +
                                           "/host_key\nAuthorizedKeysFile " + d +
                                           "/authorized_keys\nPasswordAuthentication no\n"
                                           "KbdInteractiveAuthentication no\nPermitRootLogin yes\nStrictModes no\n"
                                           "UsePAM no\nPidFile " +
                                           d + "/sshd.pid\nSubsystem sftp internal-sftp\nLogLevel ERROR\n");
        const std::string host_key = read_file(d + "/host_key.pub");
        write_file(d + "/known_hosts",
                   "[127.0.0.1]:" + std::to_string(port) + " " + host_key.substr(0, host_key.rfind(' ')) + "\n");
        write_file(d + "/ssh_config", "Host 127.0.0.1\n  Port " + std::to_string(port) + "\n  IdentityFile " + d +
                                          "/client_key\n  UserKnownHostsFile " + d +
                                          "/known_hosts\n  StrictHostKeyChecking yes\n  LogLevel ERROR\n");
        ::mkdir("/run/sshd", 0755);  // sshd's privilege separation directory
        if (Command("/usr/sbin/sshd").args("-f", d + "/sshd_config", "-E", d + "/sshd.log").time_limit(10).run() != 0) {
            s.failed = "sshd did not start: " + read_file(d + "/sshd.log");
            return;
        }
        for (int i = 0; i < 250 && (s.pid <= 0 || !accepts_connections(port)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            s.pid = std::atoi(read_file(d + "/sshd.pid").c_str());
        }
        if (s.pid <= 0 || !accepts_connections(port)) s.failed = "sshd does not listen: " + read_file(d + "/sshd.log");
    }
    static void TearDownTestSuite() {
        if (SSHD->pid > 0) ::kill(SSHD->pid, SIGTERM);
        delete SSHD;
        SSHD = nullptr;
    }

    void SetUp() override {
        PassFixture::SetUp();
        if (!SSHD->skipped.empty()) GTEST_SKIP() << SSHD->skipped;
        ASSERT_EQ(SSHD->failed, "");
        ::setenv("VANDREL_SFTP_CONFIG", (SSHD->dir / "ssh_config").c_str(), 1);
        const passwd* me = ::getpwuid(::geteuid());
        ASSERT_NE(me, nullptr);
        transport.receiver = ConnectionRecord{"127.0.0.1", me->pw_name, "unused", scratch / "remote"};
        transport.settings.session_seconds = 60;
    }
    void TearDown() override {
        ::unsetenv("VANDREL_SFTP_CONFIG");
        PassFixture::TearDown();
    }

    void use(TransportKind kind) {
        transport.settings.kind = kind;
        transport.settings.program = std::string(VANDREL_SRC_DIR) + "/contrib/transport/" +
                                     (kind == TransportKind::Ssftp ? "ssftp_openssh" : "sftp_openssh");
    }
};

TEST_F(OpenSsh, PacketsAndConfirmationsOverSeveralPasses) {
    for (TransportKind kind : {TransportKind::Sftp, TransportKind::Ssftp}) {
        SCOPED_TRACE(transport_kind_name(kind));
        use(kind);
        for (const char* dir : {"remote", "epocs"})
            for (const auto& entry : std::filesystem::directory_iterator(scratch / dir))
                std::filesystem::remove(entry.path());
        passes_in_a_row();
    }
}

TEST_F(OpenSsh, AFailedPartUploadFailsTheSessionAndNoTrailerFollows) {
    use(TransportKind::Sftp);
    a_lost_part();
}

TEST_F(OpenSsh, TheWrapperRefusesLinesItDoesNotKnowBeforeConnecting) {
    struct Case {
        const char* line;
        const char* refused;
    };
    const Case cases[] = {
        {"put \"a;b\"", "refused script line (put \"a;b\")"},
        {"!touch x", "refused script line (!touch x)"},
        {"get \"../x\"", "refused script line (get \"../x\")"},
        {"cd \"/x\" extra", "refused script line (cd \"/x\" extra)"},
    };
    for (const Case& c : cases) {
        write_file(local("script"), std::string(c.line) + "\nquit\n");
        std::string out;
        int status = 0;
        Command command(std::string(VANDREL_SRC_DIR) + "/contrib/transport/sftp_openssh");
        command.args("-B", local("script"), "nobody@127.0.0.1").raw("2>&1");
        ASSERT_TRUE(command.capture(out, Command::NO_LIMIT, &status));
        EXPECT_EQ(status, 2) << c.line;
        EXPECT_NE(out.find(c.refused), std::string::npos) << out;
    }
}

}  // namespace
