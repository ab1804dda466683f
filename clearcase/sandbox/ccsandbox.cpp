// ccsandbox CMD [ARGS...]: runs CMD with a private, empty ClearCase
// substitute world: new mount and PID namespaces, fresh tmpfs file systems
// on the view root (/view), on the fixed default registry location and on
// /vobs (where setview puts VOB tag mount points), the substitute's
// programs first on PATH. Detached daemons started by CMD live in the same
// namespaces; when CMD ends, every remaining process is killed and the
// tmpfs contents vanish with the namespace. Exit status: CMD's.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "clearcase/util/sys.h"

namespace {

int die(const std::string& msg) {
    std::fprintf(stderr, "ccsandbox: %s: %s\n", msg.c_str(), std::strerror(errno));
    return 125;
}

std::string self_dir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return CCSUB_BIN_DIR;
    buf[n] = 0;
    return ccsub::dirname_of(buf);
}

int status_of(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return 125;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ccsandbox CMD [ARGS...]\n");
        return 125;
    }
    const std::string registry = ccsub::kDefaultRegistry;
    const char* mounts[] = {"/view", registry.c_str(), "/vobs"};
    // Mount points must exist on the host; they stay empty there.
    for (auto* m : mounts)
        if (!ccsub::mkdir_p(m, 0755)) return die(std::string("cannot create mount point ") + m);
    std::string path = self_dir();
    if (const char* p = std::getenv("PATH")) path += std::string(":") + p;
    setenv("PATH", path.c_str(), 1);
    // Everything inside uses the fixed defaults, as a bare daemon would.
    unsetenv("VANDREL_CCSUB_HOME");
    unsetenv("VANDREL_CCSUB_VIEWROOT");
    unsetenv("CLEARCASE_ROOT");

    // A helper process enters the new PID namespace (its children join it)
    // so that this process stays an ordinary one; it only waits.
    pid_t helper = fork();
    if (helper < 0) return die("fork");
    if (helper > 0) {
        int st = 0;
        while (waitpid(helper, &st, 0) < 0)
            if (errno != EINTR) return die("waitpid");
        return status_of(st);
    }
    if (unshare(CLONE_NEWPID) != 0) _exit(die("unshare (needs root)"));
    pid_t init = fork();
    if (init < 0) _exit(die("fork"));
    if (init == 0) {
        // PID 1 of the new namespaces: private mounts, fresh file systems and
        // /proc, then CMD as its child.
        if (unshare(CLONE_NEWNS) != 0) _exit(die("unshare mount namespace"));
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(die("make / private"));
        for (auto* m : mounts)
            if (mount("tmpfs", m, "tmpfs", 0, "mode=0755") != 0) _exit(die(std::string("mount tmpfs on ") + m));
        mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr);
        pid_t cmd = fork();
        if (cmd < 0) _exit(125);
        if (cmd == 0) {
            execvp(argv[1], argv + 1);
            std::fprintf(stderr, "ccsandbox: cannot run %s: %s\n", argv[1], std::strerror(errno));
            _exit(127);
        }
        int st = 0;
        for (;;) {
            pid_t w = waitpid(-1, &st, 0);
            if (w == cmd) break;
            if (w < 0 && errno != EINTR) _exit(125);
        }
        // Leaving PID 1 kills whatever CMD left running.
        _exit(status_of(st));
    }
    int st = 0;
    while (waitpid(init, &st, 0) < 0)
        if (errno != EINTR) _exit(die("waitpid"));
    _exit(status_of(st));
}
