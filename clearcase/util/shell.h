// Runs a text through /bin/sh -c as a child process: used for trigger
// commands and for setview's command. The child gets the given environment
// on top of (or instead of) the caller's.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace ccsub {

struct ShellEnv {
    std::vector<std::pair<std::string, std::string>> set;  // added or overridden
    bool inherit = true;                                   // start from environ
};

// Returns the exit status of the shell (0-255), 128+signal when it was
// killed, or -1 when it could not be started. Waits for the child.
int run_shell(const std::string& text, const ShellEnv& env = {});

// Same, but the child first runs `pre_exec` (in the child, after fork);
// a false result makes the child exit with status 127.
int run_shell_with(const std::string& text, const ShellEnv& env, bool (*pre_exec)(void*), void* arg);

}  // namespace ccsub
