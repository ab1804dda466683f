#include "clearcase/util/shell.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;

namespace ccsub {

int run_shell(const std::string& text, const ShellEnv& env) {
    return run_shell_with(text, env, nullptr, nullptr);
}

int run_shell_with(const std::string& text, const ShellEnv& env, bool (*pre_exec)(void*), void* arg) {
    // Build the environment before forking: the child only calls exec.
    std::map<std::string, std::string> vars;
    if (env.inherit)
        for (char** e = environ; e && *e; ++e) {
            const char* eq = std::strchr(*e, '=');
            if (eq) vars[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
        }
    for (auto& [k, v] : env.set) vars[k] = v;
    std::vector<std::string> flat;
    flat.reserve(vars.size());
    for (auto& [k, v] : vars) flat.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : flat) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string sh = "/bin/sh", dashc = "-c", body = text;
    char* argv[] = {sh.data(), dashc.data(), body.data(), nullptr};

    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (pre_exec && !pre_exec(arg)) _exit(127);
        execve("/bin/sh", argv, envp.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace ccsub
