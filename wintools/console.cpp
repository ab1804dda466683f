// Terminal input without echo (see console.h).
#include "wintools/console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// The terminal settings to put back when a signal ends the program while
// echo is off, so the operator's shell is not left without echo.
struct termios SAVED_TERMINAL;
volatile sig_atomic_t TERMINAL_SAVED = 0;

extern "C" void restore_terminal_and_reraise(int sig) {
    if (TERMINAL_SAVED) tcsetattr(STDIN_FILENO, TCSANOW, &SAVED_TERMINAL);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

Console::Console() {
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0) {
        struct termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        SAVED_TERMINAL = saved_;
        TERMINAL_SAVED = 1;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, restore_terminal_and_reraise);
        if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) restore_ = true;
    }
}

Console::~Console() {
    std::fflush(stdout);
    if (restore_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    TERMINAL_SAVED = 0;
}

int Console::getch() {
    std::fflush(stdout);
    unsigned char c = 0;
    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n == 1) return c;
        if (n < 0 && errno == EINTR) continue;
        return -1;
    }
}

void Console::clear_screen() {
    std::fputs("\033[H\033[2J", stdout);
    std::fflush(stdout);
}

void Console::bell() {
    std::fputc(7, stdout);
    std::fflush(stdout);
}

void Console::write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string Console::read_field(std::size_t capacity, FieldKind kind) {
    std::string field;
    while (field.size() + 1 < capacity) {
        int c = getch();
        if (c < 0 || c == '\t' || c == '\n' || c == '\r') break;
        if (c == '\b' || c == 127) {
            if (!field.empty()) {
                field.pop_back();
                write("\b \b");
            }
            continue;
        }
        if (c == ' ' && (field.empty() || kind != FieldKind::directory)) {
            bell();
            continue;
        }
        field.push_back(static_cast<char>(c));
        std::fputc(kind == FieldKind::secret ? '*' : c, stdout);
    }
    std::fflush(stdout);
    if (kind == FieldKind::directory) {
        while (!field.empty() && field.back() == ' ') field.pop_back();
    }
    return field;
}
