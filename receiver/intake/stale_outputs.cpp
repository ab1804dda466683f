#include "receiver/intake/stale_outputs.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

#include "common/log.h"
#include "common/text_format.h"
#include "receiver/config/receiver_messages.h"

namespace {

// The process id of an import output name, or 0 when `name` is not exactly
// "catcho.<digits>" or "catche.<digits>" with a possible process id.
pid_t import_output_pid(std::string_view name) {
    constexpr std::string_view OUT = "catcho.";
    constexpr std::string_view ERR = "catche.";
    if (!name.starts_with(OUT) && !name.starts_with(ERR)) return 0;
    std::string_view digits = name.substr(OUT.size());
    if (digits.empty()) return 0;
    for (char c : digits)
        if (c < '0' || c > '9') return 0;
    pid_t pid = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (ec != std::errc() || end != digits.data() + digits.size() || pid <= 0) return 0;
    return pid;
}

// Only a process the system says does not exist is gone; one we may not
// signal (another user's) still runs.
bool process_gone(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

int remove_stale_import_outputs(const std::string& receiving_dir) {
    DIR* d = ::opendir(receiving_dir.c_str());
    if (!d) return 0;
    int removed = 0;
    while (struct dirent* e = ::readdir(d)) {
        pid_t pid = import_output_pid(e->d_name);
        if (pid == 0 || !process_gone(pid)) continue;
        std::string path = receiving_dir + "/" + e->d_name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) continue;
        if (::unlink(path.c_str()) != 0) continue;
        log_it('n', fmt_msg(MSG_STALE_IMPORT_OUTPUT, path.c_str()));
        ++removed;
    }
    ::closedir(d);
    return removed;
}
