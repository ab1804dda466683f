// Terminal signals of a daemon. SIGINT and SIGTERM only set a flag and wake
// the sleeps through a self-pipe; the daemon's loop, its sleeps and its stop
// checks then end it through the_last_words with the signal number, outside
// the handler. The synchronous faults (SIGSEGV, SIGFPE, SIGILL, SIGABRT)
// cannot return to the faulting code, so their handler does the minimum with
// async-signal-safe calls only: writes the "_stopped" note, removes the lock
// files and the daemon marker, and exits with the signal number.
#pragma once

#include <string>

void install_terminal_signal_handlers();
// The signal received and not yet acted upon, 0 when none.
int pending_terminal_signal();
// Ends the process through the_last_words when a terminal signal arrived.
void check_terminal_signal();
// Waits up to ms milliseconds; returns early (true) when a terminal signal arrived.
bool wait_for_terminal_signal(int ms);

// Refreshes the copies of the daemon's file names and of the "_stopped" texts
// that the fault handler uses (it must not touch the heap).
void prepare_fault_exit();
