// Daemon locks and stop requests. A daemon and the process that commands it
// meet only through files in the daemon directory and an advisory record
// lock (F_WRLCK on the first byte) on the daemon's lock file.
#pragma once

#include <string>

// Names of one daemon's control files.
struct DaemonFiles {
    std::string marker;       // the stem itself, removed when the daemon ends
    std::string lock_keeper;  // "_lock": held with a record lock for the daemon's life
    std::string stop;         // "_stop": a stop request
    std::string stopped;      // "_stopped": the daemon's last words
    std::string inactive;     // "_inactive": the receiver's inactivity token
    std::string view_lock;    // lock of the replication view (empty when none)
};

struct LockState {
    DaemonFiles files;
    int lock_keeper_ = -1;
    int view_lock_keeper_ = -1;
    std::string out_key_lock_keeper;  // class lock path, empty when none is held
    char saved_my_class = '-';
    char saved_class = '-';
};

extern LockState LOCKS;

// Forms the control file names: <daemon_dir>/<stem>[suffix].
void set_daemon_files(const std::string& daemon_dir, const std::string& stem);
void set_view_lock_file(const std::string& path);

// Takes the daemon lock (and, when flag is 1, the view lock) or ends the
// process: 61 when a file cannot be opened, 62 when another process holds it.
void get_lock(int flag, const char* view);
// 1 when a daemon holds the lock, 0 otherwise (prints what it finds).
int inspect_lock();
// 1 when some process holds the record lock of path; nothing is printed.
int lock_is_held(const std::string& path);
// 1 heard the daemon's last words, 0 timed out, -1 trouble.
int listen_for_stop(const char* stopped_path, int seconds);
// Honours a stop request (never returns then); returns at once otherwise.
// Also honours a terminal signal received in the meantime.
void stop_if_queued_to_stop();
// First-append-wins lock of one shipping request among shipper classes.
int get_temp_lock(const char* name, char my_class);
void release_and_remove_temp_lock();
// Closes the lock descriptors held by this process.
void close_lock_descriptors();
// Closes the descriptors and removes both lock files (mode 0644 first).
void close_and_remove_lock_files();
