#include "common/signals.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"

namespace {

volatile std::sig_atomic_t g_pending = 0;
int g_pipe[2] = {-1, -1};

// Fixed copies for the fault handler, filled outside it.
constexpr size_t kPathMax = 4096;
struct FaultPaths {
    char marker[kPathMax] = "";
    char stopped[kPathMax] = "";
    char lock[kPathMax] = "";
    char view_lock[kPathMax] = "";
    char all_log[kPathMax] = "";
    char ss_log[kPathMax] = "";
};
FaultPaths g_fault;

void copy_path(char* dst, const std::string& src) {
    if (src.size() >= kPathMax) {
        dst[0] = '\0';
        return;
    }
    std::memcpy(dst, src.c_str(), src.size() + 1);
}

// Writes "Stopped for receipt of terminal signal (#N)..." into buf; returns its length.
size_t fault_text(char* buf, int sig) {
    const char* head = "Stopped for receipt of terminal signal (#";
    size_t n = std::strlen(head);
    std::memcpy(buf, head, n);
    char digits[12];
    int d = 0;
    unsigned v = static_cast<unsigned>(sig);
    do {
        digits[d++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && d < 11);
    while (d) buf[n++] = digits[--d];
    const char* tail = ")...";
    std::memcpy(buf + n, tail, 4);
    n += 4;
    buf[n] = '\0';
    return n;
}

void append_raw(const char* path, const char* text, size_t len) {
    if (!path[0]) return;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t r = write(fd, text, len);
    (void)r;
    close(fd);
}

void fault_handler(int sig) {
    char text[96];
    size_t len = fault_text(text, sig);
    if (g_fault.marker[0]) {
        chmod(g_fault.marker, 0644);
        unlink(g_fault.marker);
    }
    if (g_fault.stopped[0]) {
        unlink(g_fault.stopped);
        int fd = open(g_fault.stopped, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ssize_t r = write(fd, text, len);
            (void)r;
            fchmod(fd, 0444);
            close(fd);
            // Log lines without a fresh time stamp: the clock routines are not
            // safe here.
            char line[160];
            const char* head = "[signal] ";
            size_t h = std::strlen(head);
            std::memcpy(line, head, h);
            std::memcpy(line + h, text, len);
            line[h + len] = '\n';
            append_raw(g_fault.all_log, line, h + len + 1);
            append_raw(g_fault.ss_log, line, h + len + 1);
        }
    }
    if (g_fault.lock[0]) {
        chmod(g_fault.lock, 0644);
        unlink(g_fault.lock);
    }
    if (g_fault.view_lock[0]) {
        chmod(g_fault.view_lock, 0644);
        unlink(g_fault.view_lock);
    }
    _exit(sig);
}

void flag_handler(int sig) {
    int saved = errno;
    if (!g_pending) g_pending = sig;
    if (g_pipe[1] >= 0) {
        char c = 1;
        ssize_t r = write(g_pipe[1], &c, 1);
        (void)r;
    }
    errno = saved;
}

}  // namespace

void prepare_fault_exit() {
    copy_path(g_fault.marker, LOCKS.files.marker);
    copy_path(g_fault.stopped, LOCKS.files.stopped);
    copy_path(g_fault.lock, LOCKS.files.lock_keeper);
    copy_path(g_fault.view_lock, LOCKS.files.view_lock);
    copy_path(g_fault.all_log, LOG_STATE.files.LOG_FILE);
    copy_path(g_fault.ss_log, LOG_STATE.files.SSLOG_FILE);
}

void install_terminal_signal_handlers() {
    if (g_pipe[0] < 0) {
        if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
    }
    prepare_fault_exit();
    struct sigaction flag_action;
    std::memset(&flag_action, 0, sizeof flag_action);
    flag_action.sa_handler = flag_handler;
    sigemptyset(&flag_action.sa_mask);
    sigaction(SIGINT, &flag_action, nullptr);
    sigaction(SIGTERM, &flag_action, nullptr);

    struct sigaction fault_action;
    std::memset(&fault_action, 0, sizeof fault_action);
    fault_action.sa_handler = fault_handler;
    sigemptyset(&fault_action.sa_mask);
    fault_action.sa_flags = SA_RESETHAND;
    sigaction(SIGSEGV, &fault_action, nullptr);
    sigaction(SIGFPE, &fault_action, nullptr);
    sigaction(SIGILL, &fault_action, nullptr);
    sigaction(SIGABRT, &fault_action, nullptr);
}

int pending_terminal_signal() {
    return g_pending;
}

void check_terminal_signal() {
    int sig = g_pending;
    if (sig) the_last_words(sig);
}

bool wait_for_terminal_signal(int ms) {
    if (g_pending) return true;
    if (g_pipe[0] < 0) {
        struct timespec ts;
        ts.tv_sec = ms / 1000;
        ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
            if (g_pending) return true;
        }
        return g_pending != 0;
    }
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int left = ms;
    while (left > 0) {
        struct pollfd p;
        p.fd = g_pipe[0];
        p.events = POLLIN;
        p.revents = 0;
        int r = poll(&p, 1, left);
        if (r > 0) {
            char drain[16];
            while (read(g_pipe[0], drain, sizeof drain) > 0) {
            }
        }
        if (g_pending) return true;
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        long elapsed = (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
        left = ms - static_cast<int>(elapsed);
    }
    return g_pending != 0;
}
