#include "common/command.h"

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/unique_fd.h"

extern char** environ;

namespace {

// A close-on-exec pipe whose two ends are both above standard error, so that
// redirecting the child's standard output can never clobber the other end
// even when the caller runs with 0, 1 or 2 closed.
bool make_pipe(UniqueFd& read_end, UniqueFd& write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    for (int& fd : fds) {
        if (fd < 3) {
            int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
            int saved = errno;
            ::close(fd);
            if (moved < 0) {
                for (int other : fds)
                    if (other != fd && other >= 0) ::close(other);
                errno = saved;
                return false;
            }
            fd = moved;
        }
    }
    read_end = UniqueFd(fds[0]);
    write_end = UniqueFd(fds[1]);
    return true;
}

bool valid_env_name(std::string_view name) {
    return !name.empty() && name.find('=') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// The environment of a command that sets variables: the caller's, with the
// command's own names replacing or added.
class ChildEnvironment {
public:
    explicit ChildEnvironment(const Command& command) {
        if (command.environment().empty()) return;
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
            std::string_view text(*entry);
            std::string_view name = text.substr(0, text.find('='));
            bool overridden = false;
            for (const auto& [added, value] : command.environment())
                if (added == name) overridden = true;
            if (!overridden) storage_.emplace_back(text);
        }
        for (const auto& [name, value] : command.environment()) storage_.push_back(name + "=" + value);
        for (std::string& entry : storage_) envp_.push_back(entry.data());
        envp_.push_back(nullptr);
    }
    char** envp() { return envp_.empty() ? environ : envp_.data(); }

private:
    std::vector<std::string> storage_;
    std::vector<char*> envp_;
};

// How the child starts, set up for posix_spawn: standard output on the
// given descriptor (inherited when -1), no descriptor of the caller above
// standard error (lock files, logs, pipes), the command's directory, no
// blocked signals, SIGPIPE at its default, and for a time-limited command a
// process group of its own, so that the whole tree it starts can be ended
// together. Any step that fails in the child makes posix_spawn fail.
class SpawnPlan {
public:
    SpawnPlan(const Command& command, int stdout_fd) {
        ok_ = ::posix_spawn_file_actions_init(&actions_) == 0;
        if (!ok_) return;
        attr_ok_ = ::posix_spawnattr_init(&attr_) == 0;
        ok_ = attr_ok_;
        if (ok_ && stdout_fd >= 0) ok_ = ::posix_spawn_file_actions_adddup2(&actions_, stdout_fd, STDOUT_FILENO) == 0;
        if (ok_) ok_ = ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
        if (ok_ && !command.directory().empty())
            ok_ = ::posix_spawn_file_actions_addchdir_np(&actions_, command.directory().c_str()) == 0;
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (command.limit_seconds() > 0) flags |= POSIX_SPAWN_SETPGROUP;
        if (ok_) ok_ = ::posix_spawnattr_setsigmask(&attr_, &none) == 0;
        if (ok_) ok_ = ::posix_spawnattr_setsigdefault(&attr_, &defaults) == 0;
        if (ok_) ok_ = ::posix_spawnattr_setpgroup(&attr_, 0) == 0;
        if (ok_) ok_ = ::posix_spawnattr_setflags(&attr_, flags) == 0;
        actions_ok_ = true;
    }
    SpawnPlan(const SpawnPlan&) = delete;
    SpawnPlan& operator=(const SpawnPlan&) = delete;
    ~SpawnPlan() {
        if (actions_ok_) ::posix_spawn_file_actions_destroy(&actions_);
        if (attr_ok_) ::posix_spawnattr_destroy(&attr_);
    }
    // Starts `sh -c line`; the child's pid, or -1 when it could not start.
    pid_t start(const Command& command, ChildEnvironment& environment) {
        if (!ok_) return -1;
        char sh[] = "/bin/sh";
        char dash_c[] = "-c";
        char* argv[] = {sh, dash_c, const_cast<char*>(command.line().c_str()), nullptr};
        pid_t pid = -1;
        return ::posix_spawn(&pid, sh, &actions_, &attr_, argv, environment.envp()) == 0 ? pid : -1;
    }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attr_{};
    bool ok_ = false;
    bool actions_ok_ = false;
    bool attr_ok_ = false;
};

ssize_t read_retrying(int fd, char* buffer, std::size_t size) {
    for (;;) {
        ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

int wait_for(pid_t pid) {
    int wait_status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &wait_status, 0);
        if (done == pid) return decode_wait_status(wait_status);
        if (done < 0 && errno != EINTR) return COMMAND_NOT_STARTED;
    }
}

using Clock = std::chrono::steady_clock;
using Deadline = std::optional<Clock::time_point>;

// Waits for the child until `until`; true when it has ended (its decoded
// status in `status`), false when the time ran out first.
bool wait_until(pid_t pid, Clock::time_point until, int& status) {
    for (;;) {
        int wait_status = 0;
        pid_t done = ::waitpid(pid, &wait_status, WNOHANG);
        if (done == pid) {
            status = decode_wait_status(wait_status);
            return true;
        }
        if (done < 0 && errno != EINTR) {
            status = COMMAND_NOT_STARTED;
            return true;
        }
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Ends the child's whole process group: SIGTERM, then SIGKILL when it has
// not gone two seconds later. The child itself is reaped.
void end_process_group(pid_t pid) {
    ::kill(-pid, SIGTERM);
    int ignored = 0;
    if (!wait_until(pid, Clock::now() + std::chrono::seconds(2), ignored)) {
        ::kill(-pid, SIGKILL);
        wait_for(pid);
    }
    // Whatever else of the group survived the shell gets no second chance.
    ::kill(-pid, SIGKILL);
}

// The status of the child, or COMMAND_TIMED_OUT after ending its group when
// the deadline passes first.
int wait_with_deadline(pid_t pid, const Deadline& deadline) {
    if (!deadline) return wait_for(pid);
    int status = 0;
    if (wait_until(pid, *deadline, status)) return status;
    end_process_group(pid);
    return COMMAND_TIMED_OUT;
}

// The pipe that carries a captured child's standard output.
struct OutputPipe {
    UniqueFd read_end;
    UniqueFd write_end;
};

// Starts the command, with its standard output on the write end of
// `stdout_pipe` when one is given (inherited otherwise), lets `drain`
// consume the read end until the end or the deadline, and waits for the
// child. Returns the decoded status, COMMAND_TIMED_OUT or
// COMMAND_NOT_STARTED.
template <typename Drain>
int run_child(const Command& command, OutputPipe* stdout_pipe, Drain drain) {
    if (!command.valid()) return COMMAND_NOT_STARTED;
    ChildEnvironment environment(command);
    SpawnPlan plan(command, stdout_pipe ? stdout_pipe->write_end.get() : -1);

    Deadline deadline;
    if (command.limit_seconds() > 0) deadline = Clock::now() + std::chrono::seconds(command.limit_seconds());
    const pid_t pid = plan.start(command, environment);
    if (pid < 0) return COMMAND_NOT_STARTED;

    bool drained = true;
    if (stdout_pipe != nullptr) {
        // The parent's copy of the write end must go, or the read never ends.
        stdout_pipe->write_end.reset();
        drained = drain(stdout_pipe->read_end.get(), deadline);
        stdout_pipe->read_end.reset();
    }
    if (!drained) {
        end_process_group(pid);
        return COMMAND_TIMED_OUT;
    }
    return wait_with_deadline(pid, deadline);
}

// Waits until `fd` can be read or the deadline passes; false on expiry.
bool readable_before(int fd, const Deadline& deadline) {
    if (!deadline) return true;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        if (left <= 0) return false;
        struct pollfd watched = {fd, POLLIN, 0};
        int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return true;  // let the read report it
    }
}

}  // namespace

std::string shell_quote(std::string_view word) {
    auto plain = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '@' ||
               c == '%' || c == '+' || c == ':' || c == ',' || c == '.' || c == '/' || c == '-';
    };
    bool needs_quotes = word.empty();
    for (char c : word)
        if (!plain(c)) needs_quotes = true;
    if (!needs_quotes) return std::string(word);

    std::string quoted;
    quoted.reserve(word.size() + 2);
    quoted += '\'';
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

int decode_wait_status(int wait_status) {
    if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
    if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
    return COMMAND_NOT_STARTED;
}

Command::Command(std::string_view program) {
    add_word(program);
}

Command Command::shell_text(std::string_view code_owned_text) {
    Command command;
    command.raw(code_owned_text);
    return command;
}

void Command::add_word(std::string_view word) {
    // A NUL would cut the line short when handed to exec; refuse to run.
    if (word.find('\0') != std::string_view::npos) valid_ = false;
    if (!line_.empty()) line_ += ' ';
    line_ += shell_quote(word);
}

Command& Command::arg(std::string_view word) {
    add_word(word);
    return *this;
}

Command& Command::raw(std::string_view code_owned_fragment) {
    if (code_owned_fragment.find('\0') != std::string_view::npos) valid_ = false;
    if (!line_.empty()) line_ += ' ';
    line_ += code_owned_fragment;
    return *this;
}

Command& Command::trash_out() {
    return raw("> /dev/null");
}
Command& Command::trash_err() {
    return raw("2> /dev/null");
}
Command& Command::trash_all() {
    return raw("> /dev/null 2> /dev/null");
}
Command& Command::out_to(std::string_view path) {
    return raw(">").arg(path);
}
Command& Command::append_out(std::string_view path) {
    return raw(">>").arg(path);
}
Command& Command::append_err(std::string_view path) {
    return raw("2>>").arg(path);
}
Command& Command::in_from(std::string_view path) {
    return raw("<").arg(path);
}

Command& Command::env(std::string_view name, std::string_view value) {
    if (!valid_env_name(name) || value.find('\0') != std::string_view::npos) {
        valid_ = false;
        return *this;
    }
    for (auto& [existing, old_value] : env_) {
        if (existing == name) {
            old_value = value;
            return *this;
        }
    }
    env_.emplace_back(std::string(name), std::string(value));
    return *this;
}

Command& Command::cwd(std::string_view dir) {
    if (dir.find('\0') != std::string_view::npos) valid_ = false;
    dir_ = dir;
    return *this;
}

Command& Command::time_limit(unsigned seconds) {
    limit_seconds_ = seconds;
    return *this;
}

int Command::run() const {
    return run_child(*this, nullptr, [](int, const Deadline&) { return true; });
}

bool Command::capture(std::string& out, std::size_t limit, int* status) const {
    out.clear();
    int result = COMMAND_NOT_STARTED;
    OutputPipe output;
    if (valid_ && make_pipe(output.read_end, output.write_end)) {
        result = run_child(*this, &output, [&](int fd, const Deadline& deadline) {
            // Read everything the child writes; keep at most `limit` bytes.
            char buffer[65536];
            for (;;) {
                if (!readable_before(fd, deadline)) return false;
                ssize_t got = read_retrying(fd, buffer, sizeof buffer);
                if (got <= 0) return true;
                std::size_t room = limit - std::min(limit, out.size());
                out.append(buffer, std::min(room, static_cast<std::size_t>(got)));
            }
        });
    }
    if (status != nullptr) *status = result;
    return result != COMMAND_NOT_STARTED;
}
