#include "common/frame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/file_ops.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/signals.h"
#include "common/text_format.h"

FrameState FRAME;

void set_identity(const char* self, const char* daemon) {
    FRAME.SELF = self;
    FRAME.DAEMON = daemon;
}

void handle_version_switch(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-ver") == 0) {
        std::printf(VERSION_FORMAT, FRAME.SELF, VERSION, BUILD);
        std::fflush(stdout);
        std::exit(0);
    }
}

void single_exit(int status) {
    release_and_remove_temp_lock();
    // Closes the package streams too; files a process created for itself go
    // with it on every exit path, not only at the end of a pass.
    remove_extracted_files();
    if (FRAME.release_buffers) FRAME.release_buffers();
    for (char* b : FRAME.buffers) std::free(b);
    FRAME.buffers.clear();
    std::fflush(stdout);
    std::exit(status);
}

std::string last_words_text(int code) {
    switch (code) {
        case CONFIG_VANISHED:
            return STOPPED_CONFIG_VANISHED;
        case STOP_HONORED:
            return fmt_msg(HONORABLE_STOP, "stop");
        case ORDERLY_SHUTDOWN:
            return fmt_msg(STOPPED_SHUTTING_DOWN, FRAME.SELF);
        case RUN_ONCE_FINISHED:
            return fmt_msg(HONORABLE_STOP, "run once");
        default:
            return fmt_msg(STOPPED_TERMINAL_SIGNAL, code);
    }
}

void last_words(int code) {
    const DaemonFiles& files = LOCKS.files;
    if (!files.marker.empty()) {
        chmod(files.marker.c_str(), 0644);
        unlink_remove(files.marker);
    }
    if (!files.stopped.empty()) {
        unlink_remove(files.stopped);  // afresh: an old note is read-only
        if (FILE* f = std::fopen(files.stopped.c_str(), "w")) {
            std::string text = last_words_text(code);
            std::fputs(text.c_str(), f);
            log_it('s', text);
            std::fflush(f);
            std::fclose(f);
            chmod(files.stopped.c_str(), 0444);
        }
    }
    close_and_remove_lock_files();
    remove_extracted_files();
    single_exit(code);
}

void the_last_words(int code) {
    if (!FRAME.EXECUTED_SHUTDOWN_ALREADY && FRAME.shutdown_script) {
        FRAME.EXECUTED_SHUTDOWN_ALREADY = 1;
        FRAME.shutdown_script(code);
    }
    last_words(code);
}

char* allocate_buffer_or_bail(unsigned size) {
    char* p = static_cast<char*>(std::malloc(size));
    if (!p) log_and_bail(fmt_msg("%s: Insufficient memory to run (%s)", START_FAILED, FRAME.SELF));
    if (size > 0) p[0] = '\0';
    FRAME.buffers.push_back(p);
    return p;
}

void release_buffer(char* buffer) {
    auto it = std::find(FRAME.buffers.begin(), FRAME.buffers.end(), buffer);
    if (it != FRAME.buffers.end()) FRAME.buffers.erase(it);
    std::free(buffer);
}

const char* mark_time() {
    FRAME.now_time = std::time(nullptr);
    struct tm local;
    char text[64];
    if (localtime_r(&FRAME.now_time, &local) && asctime_r(&local, text)) {
        size_t n = std::strlen(text);
        if (n > 0 && text[n - 1] == '\n') text[--n] = '\0';
        if (n > 59) text[59] = '\0';
        FRAME.CURRENT_TIME_STRING = text;
    }
    return FRAME.CURRENT_TIME_STRING.c_str();
}

void zeb_sleep(unsigned seconds) {
    check_terminal_signal();
    for (unsigned i = 0; i < seconds; ++i) {
        if (wait_for_terminal_signal(1000)) check_terminal_signal();
    }
    check_terminal_signal();
}

void shake() {
    std::fputs("", stdout);
}

FILE* fclose_(FILE* stream) {
    // After fclose the stream is gone whether or not the close succeeded, so
    // handing it back would invite a second close; failures are reported by
    // fclose_ok instead.
    if (stream) std::fclose(stream);
    return nullptr;
}

bool fclose_ok(FILE*& stream) {
    if (!stream) return true;
    int rc = std::fclose(stream);
    stream = nullptr;
    return rc == 0;
}

void log_and_bail(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
    log_it('s', text);
    single_exit(1);
}
