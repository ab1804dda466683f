#include "common/daemon_control.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"

namespace {

void say(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

[[noreturn]] void say_and_exit(const std::string& text, int code) {
    say(text);
    single_exit(code);
}

const char* program_name() {
    return FRAME.SELF;
}
const char* depot_name() {
    return DEPOT_PATHS.DEPOT.c_str();
}

// Creates the stop request afresh; false when it cannot be created.
bool create_stop_request() {
    unlink_remove(LOCKS.files.stop);
    FILE* f = std::fopen(LOCKS.files.stop.c_str(), "w");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// Removes a lock file unless a process still holds its record lock: a busy
// daemon that did not answer keeps its files, so that a later start is
// refused instead of running beside it on a fresh file.
void remove_unheld_lock_file(const std::string& path) {
    if (path.empty() || lock_is_held(path)) return;
    chmod(path.c_str(), 0644);
    unlink_remove(path);
}

void dequeue_stop() {
    if (!this_file_exists(LOCKS.files.stop)) {
        say_and_exit(fmt_msg("\n\nThere was no 'queued' stop request for the\nassociated %s process for\nthe (%s) "
                             "depot.\n\n",
                             program_name(), depot_name()),
                     0);
    }
    unlink_remove(LOCKS.files.stop);
    log_it('S', COMMON_MSG_29);
    say_and_exit(fmt_msg("\n\nRemoved the 'queued' stop request for the\nassociated %s process for\nthe (%s) "
                         "depot.\n\n",
                         program_name(), depot_name()),
                 0);
}

std::string self_executable(const char* argv0) {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) return std::string(buf.data(), static_cast<size_t>(n));
    return argv0 ? argv0 : "";
}

void detach(const DaemonProgram& program, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-restart") == 0)
            argv[i] = const_cast<char*>("-start");
        else if (std::strcmp(argv[i], "-reonce") == 0)
            argv[i] = const_cast<char*>("-once");
    }
    if (std::getenv(program.release_var)) return;

    const char* path = std::getenv("PATH");
    std::vector<std::string> entries;
    entries.push_back(fmt_msg("%s=%d", program.release_var, static_cast<int>(getpid())));
    entries.push_back(fmt_msg("%s=%s", "PATH", path ? path : ""));
    // The variables the programs read at start-up keep their values in the
    // daemon, which checks them again: without them a temporary directory
    // or a transport program with blanks accepted by the starting process
    // would be judged differently by the daemon.
    for (const char* name :
         {"TMP", "TEMP", "VANDREL_SLINK_PROCESSING_OVERRIDE", "ZEB_ONSITE_ALLOW_SPACES_IN_TRANSPORT_PROGRAM"}) {
        if (const char* value = std::getenv(name)) entries.push_back(std::string(name) + "=" + value);
    }
    std::vector<char*> env;
    for (std::string& entry : entries) env.push_back(entry.data());
    env.push_back(nullptr);
    std::string exe = self_executable(argv[0]);

    // Both lock records go with the parent: the re-executed child takes
    // them again, and must not find the view lock still held by a parent
    // that has not exited yet.
    close_lock_descriptors();
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        say_and_exit(fmt_msg("ERROR: Fork failed : Start failed for %s process for Quorlin depot:\n  (%s)\n",
                             program_name(), depot_name()),
                     81);
    }
    if (pid > 0) single_exit(82);
    execve(exe.c_str(), argv, env.data());
    // Without its lock the process must not run as the daemon.
    say_and_exit(fmt_msg("ERROR: exec failed : Start failed for %s process for Quorlin depot:\n  (%s)\n",
                         program_name(), depot_name()),
                 81);
}

}  // namespace

DaemonMode parse_daemon_mode(const char* word) {
    struct Entry {
        const char* word;
        DaemonMode mode;
    };
    static const Entry table[] = {
        {"-start", DaemonMode::Start},          {"-once", DaemonMode::Once},
        {"-test_once", DaemonMode::TestOnce},   {"-stop", DaemonMode::Stop},
        {"-restart", DaemonMode::Restart},      {"-reonce", DaemonMode::Reonce},
        {"-queue_stop", DaemonMode::QueueStop}, {"-dequeue_stop", DaemonMode::DequeueStop},
    };
    if (!word) return DaemonMode::Unknown;
    for (const Entry& e : table)
        if (std::strcmp(word, e.word) == 0) return e.mode;
    return DaemonMode::Unknown;
}

bool is_control_mode(DaemonMode mode) {
    return mode == DaemonMode::Stop || mode == DaemonMode::Restart || mode == DaemonMode::Reonce ||
           mode == DaemonMode::QueueStop || mode == DaemonMode::DequeueStop;
}

const char* run_mode_words(DaemonMode mode) {
    switch (mode) {
        case DaemonMode::Once:
        case DaemonMode::Reonce:
            return "to run once";
        case DaemonMode::TestOnce:
            return "to test run once";
        default:
            return "to run always";
    }
}

void run_control_mode(const DaemonProgram& program, DaemonMode mode) {
    if (mode == DaemonMode::DequeueStop) dequeue_stop();
    if (!is_control_mode(mode)) return;

    if (!create_stop_request()) {
        say_and_exit(fmt_msg("%s: Error: Unable to stop any running %s process, for depot (%s).\n", STOP_FAILED,
                             program_name(), depot_name()),
                     program.exit_stop_uncreatable);
    }
    log_it('S', COMMON_MSG_28);
    say(fmt_msg("Stopping any %s processes for Quorlin depot...\n    (%s)\nStopping takes up to %d seconds...:\n  ",
                program_name(), depot_name(), STOP_WAIT_SECONDS));

    if (!inspect_lock()) {
        say(fmt_msg("No %s processes found for Quorlin depot:\n  (%s)\n", program_name(), depot_name()));
    } else {
        int heard = listen_for_stop(LOCKS.files.stopped.c_str(), STOP_WAIT_SECONDS);
        if (heard == 1) {
            say(fmt_msg("Stopped any %s processes for Quorlin depot:\n  (%s)\n", program_name(), depot_name()));
        } else if (heard == 0) {
            if (mode == DaemonMode::QueueStop) {
                say(
                    fmt_msg("Max wait of %d seconds to hear from any %s processes for Quorlin depot:\n  (%s)\n\n\n"
                            "It can not be stopped now (while %s).\nA Stop request was 'Queued' for that process.\n"
                            "It will honor the stop request when completed with it's current packet.\n\n",
                            STOP_WAIT_SECONDS, program_name(), depot_name(), program.busy_word));
            } else {
                say(
                    fmt_msg("Max wait of %d seconds to hear from any %s processes for Quorlin depot:\n  (%s)\n\n\n"
                            "It can not be stopped now (while %s). Try later.\n\n",
                            STOP_WAIT_SECONDS, program_name(), depot_name(), program.busy_word));
            }
        } else {
            say(fmt_msg("Could not stop any %s processes for Quorlin depot:\n  (%s)\n", program_name(), depot_name()));
        }
    }

    close_lock_descriptors();
    remove_unheld_lock_file(LOCKS.files.lock_keeper);
    remove_unheld_lock_file(LOCKS.files.view_lock);
    if (mode != DaemonMode::QueueStop) unlink_remove(LOCKS.files.stop);

    if (mode == DaemonMode::Stop || mode == DaemonMode::QueueStop) single_exit(0);
    say(fmt_msg("Restarting %s processes for Quorlin depot:\n  (%s)\n", program_name(), depot_name()));
}

void start_daemon(const DaemonProgram& program, int argc, char** argv, const char* view, bool sticky) {
    if (this_file_exists(LOCKS.files.stop)) {
        say_and_exit(fmt_msg("Aborting start..\n   ... %s service stop request for Quorlin Depot\n   ... (%s)\n "
                             "either 'queued' or shuting down and not yet complete... \nRetry in %d seconds... or "
                             "use the %s switch ...\n",
                             program_name(), depot_name(), STOP_WAIT_SECONDS, "-dequeue_stop"),
                     program.exit_stop_pending);
    }
    if (!verify_set_vl_tempdir()) {
        log_and_bail(fmt_msg(COMMON_MSG_12, START_FAILED, program_name(), DEPOT_PATHS.VL_TMP_DIR.c_str()));
    }
    get_lock(view ? 1 : 0, view);
    if (!sticky) detach(program, argc, argv);
}

void enter_service() {
    if (LOCKS.files.stopped.empty()) return;
    chmod(LOCKS.files.stopped.c_str(), 0644);
    unlink_remove(LOCKS.files.stopped);
}
