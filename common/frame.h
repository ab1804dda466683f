// The process frame every UNIX program is built on: identity, the single
// exit path, a daemon's last words, the buffer allocator and the clock string.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

inline constexpr char VERSION[] = "12.1";
inline constexpr char BUILD[] = "20170517.08:50a";
inline constexpr char ENV_SELF[] = "VANDREL";
inline constexpr char VERSION_FORMAT[] = "%s Version (%s) build (%s)\n";

// Codes handed to last_words by the daemons.
inline constexpr int STOP_HONORED = -98;
inline constexpr int CONFIG_VANISHED = -97;
inline constexpr int ORDERLY_SHUTDOWN = -95;
inline constexpr int RUN_ONCE_FINISHED = -94;

struct FrameState {
    const char* SELF = "vandrel";  // the program's own name
    const char* DAEMON = "";       // stem of the daemon's lock/stop/stopped names
    std::string CURRENT_TIME_STRING;
    std::time_t now_time = 0;
    FILE* CONVERTED_STREAM = nullptr;
    FILE* PACKAGE_STREAM = nullptr;
    int EXECUTED_SHUTDOWN_ALREADY = 0;
    // Runs the program's shutdown trigger script; called once by the_last_words.
    void (*shutdown_script)(int code) = nullptr;
    // Frees the program's own process-wide state; called by single_exit.
    void (*release_buffers)() = nullptr;
    // Buffers handed out by allocate_buffer_or_bail, freed by single_exit.
    std::vector<char*> buffers;
};

extern FrameState FRAME;
inline const char*& SELF = FRAME.SELF;
inline const char*& DAEMON = FRAME.DAEMON;
inline std::string& CURRENT_TIME_STRING = FRAME.CURRENT_TIME_STRING;
inline FILE*& CONVERTED_STREAM = FRAME.CONVERTED_STREAM;
inline FILE*& PACKAGE_STREAM = FRAME.PACKAGE_STREAM;
inline int& EXECUTED_SHUTDOWN_ALREADY = FRAME.EXECUTED_SHUTDOWN_ALREADY;

void set_identity(const char* self, const char* daemon);

// When "-ver" is the only argument: prints the version line and exits 0.
void handle_version_switch(int argc, char** argv);

// Releases the class lock, closes the package streams, removes the files on
// the extracted-files list, frees the process-wide buffers and exits.
[[noreturn]] void single_exit(int status);
[[noreturn]] void last_words(int code);
[[noreturn]] void the_last_words(int code);
// The text last_words leaves in the "_stopped" file for a code.
std::string last_words_text(int code);

// malloc(size) with a terminating zero in the first byte; ends the process
// through log_and_bail when memory is short. single_exit frees it unless it
// was released earlier with release_buffer.
char* allocate_buffer_or_bail(unsigned size);
void release_buffer(char* buffer);

// Refreshes CURRENT_TIME_STRING (asctime text of the local time without the
// newline) and returns it.
const char* mark_time();

// Sleeps whole seconds; wakes at once when a terminal signal arrives and then
// ends the process through its last words (see signals.h).
void zeb_sleep(unsigned seconds);
void shake();

// Closes a stream (nothing for null) and returns null. Use as:
// stream = fclose_(stream). A failed close still releases the stream, so the
// result is null in that case too; fclose_ok tells whether the close (and
// its final flush) succeeded.
FILE* fclose_(FILE* stream);
bool fclose_ok(FILE*& stream);

[[noreturn]] void log_and_bail(const char* text);
[[noreturn]] inline void log_and_bail(const std::string& text) {
    log_and_bail(text.c_str());
}
