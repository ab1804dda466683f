// Throwaway servers on 127.0.0.1 for tests, started through
// tests/support/loopback_servers.sh (see there): an FTP server, an sshd with
// sftp (key and password logins), and a port that accepts and never answers.
// Every server ends with the object, or by itself after its lifetime.
#pragma once

#include <cstdlib>
#include <string>

#include "common/command.h"
#include "scratch_dir.h"

class LoopbackServers {
public:
    LoopbackServers() = default;
    ~LoopbackServers() {
        if (!dir_.path().empty()) Command(script()).args("stop", dir_.path()).trash_all().run();
    }
    LoopbackServers(const LoopbackServers&) = delete;
    LoopbackServers& operator=(const LoopbackServers&) = delete;

    // What this machine lacks for the servers and clients (empty when all is
    // there): a reason to skip.
    static std::string missing() {
        std::string out;
        Command(script()).arg("needs").capture(out);
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    // Each returns the server's port, or 0 with the reason in failure().
    int start_ftp(const std::string& user, const std::string& password, const std::string& home) {
        return port_of(Command(script()).args("ftp", dir_.path(), user, password, home));
    }
    int start_sshd(const std::string& password) {
        return port_of(Command(script()).args("sshd", dir_.path(), password));
    }
    int start_silent() { return port_of(Command(script()).args("silent", dir_.path())); }

    // A client wrapper: `file` runs `program` with `extra` words before its
    // own arguments (a client pointed at a port other than its default).
    template <typename... Words>
    bool wrapper(const std::string& file, const std::string& program, const Words&... extra) {
        return Command(script()).args("wrapper", file, program, extra...).run() == 0;
    }

    // Files of the sshd: ssh_config, client_key, client.ppk, putty_home.
    std::string file(const std::string& name) const { return dir_ / name; }
    const std::string& failure() const { return failure_; }

    static std::string script() { return std::string(VANDREL_SRC_DIR) + "/tests/support/loopback_servers.sh"; }

private:
    int port_of(const Command& command) {
        std::string out;
        int status = -1;
        Command c = command;
        c.raw("2>&1");
        if (!c.capture(out, Command::NO_LIMIT, &status) || status != 0) {
            failure_ = out;
            return 0;
        }
        int port = std::atoi(out.c_str());
        if (port <= 0) failure_ = "no port: " + out;
        return port > 0 ? port : 0;
    }

    ScratchDir dir_;
    std::string failure_;
};
