#include "common/command.h"

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

extern char** environ;

namespace {

// Owns one file descriptor; closes it when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~UniqueFd() { reset(); }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

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

// Whether the kernel can mark a whole descriptor range close-on-exec in one
// call. Probed once on a range that holds no open descriptor.
bool close_range_cloexec_works() {
#ifdef CLOSE_RANGE_CLOEXEC
    static const bool works = ::close_range(~0U - 1, ~0U, CLOSE_RANGE_CLOEXEC) == 0;
    return works;
#else
    return false;
#endif
}

// The caller's open descriptors above standard error, for kernels without
// close_range: collected before fork because the child may not allocate.
std::vector<int> open_descriptors_above_stderr() {
    std::vector<int> fds;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        long max = ::sysconf(_SC_OPEN_MAX);
        if (max < 0 || max > 65536) max = 65536;
        for (int fd = 3; fd < max; ++fd) fds.push_back(fd);
        return fds;
    }
    int own = ::dirfd(dir);
    while (struct dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd >= 3 && fd != own) fds.push_back(static_cast<int>(fd));
    }
    ::closedir(dir);
    return fds;
}

bool valid_env_name(std::string_view name) {
    return !name.empty() && name.find('=') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// Everything the child needs, prepared before fork.
struct ChildPlan {
    std::vector<std::string> env_storage;
    std::vector<char*> envp;
    std::vector<int> fds_to_mark;
    bool use_close_range = false;
};

ChildPlan plan_child(const Command& command) {
    ChildPlan plan;
    if (!command.environment().empty()) {
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
            std::string_view text(*entry);
            std::string_view name = text.substr(0, text.find('='));
            bool overridden = false;
            for (const auto& [added, value] : command.environment())
                if (added == name) overridden = true;
            if (!overridden) plan.env_storage.emplace_back(text);
        }
        for (const auto& [name, value] : command.environment()) plan.env_storage.push_back(name + "=" + value);
        for (std::string& entry : plan.env_storage) plan.envp.push_back(entry.data());
        plan.envp.push_back(nullptr);
    }
    plan.use_close_range = close_range_cloexec_works();
    if (!plan.use_close_range) plan.fds_to_mark = open_descriptors_above_stderr();
    return plan;
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void exec_child(const Command& command, const ChildPlan& plan, int stdout_fd, int error_fd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    // A time-limited child leads a process group of its own, so that the
    // whole tree it starts can be ended together.
    if (command.limit_seconds() > 0) ::setpgid(0, 0);

    if (stdout_fd >= 0 && ::dup2(stdout_fd, STDOUT_FILENO) < 0) {
        int err = errno;
        (void)!::write(error_fd, &err, sizeof err);
        ::_exit(127);
    }
    // No descriptor of the caller (lock files, logs, pipes) survives the exec;
    // the error pipe stays open until then to report a failed start.
#ifdef CLOSE_RANGE_CLOEXEC
    if (plan.use_close_range) ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
    for (int fd : plan.fds_to_mark)
        if (fd != error_fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);

    if (!command.directory().empty() && ::chdir(command.directory().c_str()) != 0) {
        int err = errno;
        (void)!::write(error_fd, &err, sizeof err);
        ::_exit(127);
    }
    char sh[] = "/bin/sh";
    char dash_c[] = "-c";
    char* argv[] = {sh, dash_c, const_cast<char*>(command.line().c_str()), nullptr};
    char** envp = plan.envp.empty() ? environ : const_cast<char**>(plan.envp.data());
    ::execve(sh, argv, envp);
    int err = errno;
    (void)!::write(error_fd, &err, sizeof err);
    ::_exit(127);
}

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
    ChildPlan plan = plan_child(command);
    UniqueFd error_read, error_write;
    if (!make_pipe(error_read, error_write)) return COMMAND_NOT_STARTED;

    Deadline deadline;
    if (command.limit_seconds() > 0) deadline = Clock::now() + std::chrono::seconds(command.limit_seconds());
    pid_t pid = ::fork();
    if (pid < 0) return COMMAND_NOT_STARTED;
    if (pid == 0) exec_child(command, plan, stdout_pipe ? stdout_pipe->write_end.get() : -1, error_write.get());
    // Also set here, so that the group exists whichever of the two runs first.
    if (deadline) ::setpgid(pid, pid);

    error_write.reset();
    bool drained = true;
    if (stdout_pipe != nullptr) {
        // The parent's copy of the write end must go, or the read never ends.
        stdout_pipe->write_end.reset();
        drained = drain(stdout_pipe->read_end.get(), deadline);
        stdout_pipe->read_end.reset();
    }
    int child_errno = 0;
    ssize_t got = read_retrying(error_read.get(), reinterpret_cast<char*>(&child_errno), sizeof child_errno);
    if (!drained) {
        end_process_group(pid);
        return COMMAND_TIMED_OUT;
    }
    int status = wait_with_deadline(pid, deadline);
    if (got > 0) return COMMAND_NOT_STARTED;
    return status;
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
