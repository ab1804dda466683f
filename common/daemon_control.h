// Starting, stopping, restarting and queueing a stop for a daemon: the same
// executable, run again with a mode switch, controls the daemon of a depot
// through the stop and stopped files and the daemon lock. Shared by the
// daemons; what differs per program is gathered in DaemonProgram.
#pragma once

#include <string>

struct DaemonProgram {
    const char* release_var;    // marks the re-executed, detached process
    const char* busy_word;      // "shipping" / "receiving" in the "Max wait" texts
    int exit_stop_pending;      // a stop request exists at start
    int exit_stop_uncreatable;  // the stop request cannot be created
};

inline constexpr DaemonProgram SHIPPER_DAEMON{"xzebvls_release", "shipping", 45, 44};
inline constexpr DaemonProgram RECEIVER_DAEMON{"xzebvlr_release", "receiving", 46, 44};

// Seconds a controlling process waits for the daemon's last words.
inline constexpr int STOP_WAIT_SECONDS = 10;

enum class DaemonMode { Unknown, Start, Once, TestOnce, Stop, Restart, Reonce, QueueStop, DequeueStop };

DaemonMode parse_daemon_mode(const char* word);
// Stop, Restart, Reonce, QueueStop and DequeueStop.
bool is_control_mode(DaemonMode mode);
// The words of the start banner: "to run always", "to run once", "to test run once".
const char* run_mode_words(DaemonMode mode);

// The stop side. Stop, QueueStop and DequeueStop end the process (exit 0, or
// the program's code when the stop request cannot be created); Restart and
// Reonce return so that the caller goes on with start_daemon.
void run_control_mode(const DaemonProgram& program, DaemonMode mode);

// The start side up to the service loop: refuses while a stop request
// exists, checks the temporary directory, takes the daemon lock (and the view
// lock when view is not null) and, unless sticky ("-wait") or already
// re-executed, detaches: fork, parent exits 82, the child re-executes the
// program with an environment holding only the release variable and PATH.
void start_daemon(const DaemonProgram& program, int argc, char** argv, const char* view, bool sticky);

// Last step before the service loop: makes the old "_stopped" note writable
// and removes it.
void enter_service();
