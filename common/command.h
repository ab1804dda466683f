// The one command layer: every child process of the system is started here.
//
// A Command is a shell command line built word by word. Every word added with
// the program name or arg() is shell-quoted, so text that comes from
// configuration, a packet, a file name or a ClearCase answer always reaches
// the child as one verbatim argument and can never run as a command. Fixed
// shell syntax owned by the code (";", "&&", redirections to /dev/null) is
// added with raw(); redirections to files take the file name as a quoted word.
//
// The line runs under /bin/sh -c, like system() and popen(), but in a child
// that inherits none of the caller's descriptors above standard error (the
// daemons' lock files stay private), with an optional working directory and
// extra environment variables (trigger scripts).
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Quotes one word for /bin/sh. Words made only of characters that the shell
// never interprets (letters, digits and _ @ % + : , . / -) are returned as
// they are; anything else, the empty word included, is put in single quotes
// with each embedded single quote written as '\''.
std::string shell_quote(std::string_view word);

// Result of running a command: the child's exit code, 128 + the signal number
// when a signal ended it, or -1 when no child could be started (no process,
// the working directory could not be entered, /bin/sh could not be executed,
// or the command itself was malformed).
inline constexpr int COMMAND_NOT_STARTED = -1;
// Result of a command that outlived its time limit (see Command::time_limit):
// its whole process group was killed.
inline constexpr int COMMAND_TIMED_OUT = -2;

// Decodes a wait status into an exit code or 128 + signal.
int decode_wait_status(int wait_status);

class Command {
public:
    static constexpr std::size_t NO_LIMIT = std::numeric_limits<std::size_t>::max();

    // A command that runs `program` (quoted like any argument; found through
    // PATH by the shell when it has no slash).
    explicit Command(std::string_view program);

    // A command made of fixed shell text owned by the code. Never pass text
    // that was read from outside.
    static Command shell_text(std::string_view code_owned_text);

    // Appends one argument, quoted.
    Command& arg(std::string_view word);
    template <typename... Words>
    Command& args(const Words&... words) {
        (arg(std::string_view(words)), ...);
        return *this;
    }

    // Appends fixed shell syntax as it is (a leading blank is added).
    Command& raw(std::string_view code_owned_fragment);

    // Redirections. The file names are quoted words.
    Command& trash_out();                        // > /dev/null
    Command& trash_err();                        // 2> /dev/null
    Command& trash_all();                        // > /dev/null 2> /dev/null
    Command& out_to(std::string_view path);      // > path
    Command& append_out(std::string_view path);  // >> path
    Command& append_err(std::string_view path);  // 2>> path
    Command& in_from(std::string_view path);     // < path

    // Adds (or overrides) one environment variable for the child only.
    // The name must be non-empty and hold neither '=' nor NUL.
    Command& env(std::string_view name, std::string_view value);
    // Runs the child in `dir` instead of the caller's working directory.
    Command& cwd(std::string_view dir);
    // Bounds the run to `seconds` (0: no limit, the default). A limited child
    // runs in a process group of its own; when the time is up the whole group
    // (the shell and everything it started) gets SIGTERM, and SIGKILL two
    // seconds later, and the run returns COMMAND_TIMED_OUT.
    Command& time_limit(unsigned seconds);
    unsigned limit_seconds() const { return limit_seconds_; }

    // The shell command line as it will be run (also fit for logging).
    const std::string& line() const { return line_; }
    const std::vector<std::pair<std::string, std::string>>& environment() const { return env_; }
    const std::string& directory() const { return dir_; }
    // False when a word held a NUL byte or an environment name was invalid;
    // such a command is never run.
    bool valid() const { return valid_; }

    // Runs the command and waits for it (system semantics). Standard input,
    // output and error are the caller's unless redirected in the line.
    int run() const;

    // Runs the command and collects its whole standard output into `out`
    // (replaced). Output beyond `limit` bytes is read and discarded so that
    // the child always runs to its end. Standard error is the caller's unless
    // redirected. Returns true when the child was started; `status`, when
    // given, receives the result as run() would return it.
    bool capture(std::string& out, std::size_t limit = NO_LIMIT, int* status = nullptr) const;

private:
    Command() = default;
    void add_word(std::string_view word);

    std::string line_;
    std::vector<std::pair<std::string, std::string>> env_;
    std::string dir_;
    unsigned limit_seconds_ = 0;
    bool valid_ = true;
};
