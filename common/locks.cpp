#include "common/locks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/signals.h"
#include "common/text_format.h"

LockState LOCKS;

namespace {

// Non-blocking exclusive record lock on the first byte.
bool try_record_lock(int fd) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    return fcntl(fd, F_SETLK, &fl) == 0;
}

int open_lock_file(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

void print_flush(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void remove_lock_file(const std::string& path) {
    if (path.empty()) return;
    chmod(path.c_str(), 0644);
    unlink_remove(path);
}

}  // namespace

void set_daemon_files(const std::string& daemon_dir, const std::string& stem) {
    std::string base = daemon_dir + "/" + stem;
    LOCKS.files.marker = base;
    LOCKS.files.lock_keeper = base + "_lock";
    LOCKS.files.stop = base + "_stop";
    LOCKS.files.stopped = base + "_stopped";
    LOCKS.files.inactive = base + "_inactive";
    prepare_fault_exit();
}

void set_view_lock_file(const std::string& path) {
    LOCKS.files.view_lock = path;
    prepare_fault_exit();
}

void get_lock(int flag, const char* view) {
    int fd = open_lock_file(LOCKS.files.lock_keeper);
    if (fd < 0) {
        print_flush(fmt_msg(COMMON_MSG_01, LOCKS.files.lock_keeper.c_str(), FRAME.SELF));
        single_exit(61);
    }
    fchmod(fd, 0666);
    if (!try_record_lock(fd)) {
        close(fd);
        print_flush(fmt_msg("The %s process is already running for this Quorlin Depot.\n", FRAME.SELF));
        single_exit(62);
    }
    LOCKS.lock_keeper_ = fd;
    if (flag != 1) return;
    int vfd = open_lock_file(LOCKS.files.view_lock);
    if (vfd < 0) {
        print_flush(fmt_msg(COMMON_MSG_02, LOCKS.files.view_lock.c_str(), FRAME.SELF));
        single_exit(61);
    }
    fchmod(vfd, 0666);
    if (!try_record_lock(vfd)) {
        close(vfd);
        print_flush(
            fmt_msg("The %s process is attempting to use the view (%s) that is being used by another "
                    "receiver or shipper.  All receiver or shipper views MUST be exclusive to one "
                    "receiver or shipper process.\n",
                    FRAME.SELF, view ? view : ""));
        single_exit(62);
    }
    LOCKS.view_lock_keeper_ = vfd;
}

int inspect_lock() {
    int fd = open_lock_file(LOCKS.files.lock_keeper);
    if (fd < 0) {
        print_flush(fmt_msg(COMMON_MSG_01, LOCKS.files.lock_keeper.c_str(), FRAME.SELF));
        return 0;
    }
    fchmod(fd, 0666);
    bool free_lock = try_record_lock(fd);
    close(fd);
    if (free_lock) return 0;
    print_flush(fmt_msg("A %s process is running for this Quorlin Depot...\nStopping...\n", FRAME.SELF));
    return 1;
}

int lock_is_held(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    bool free_lock = try_record_lock(fd);
    close(fd);
    return free_lock ? 0 : 1;
}

int listen_for_stop(const char* stopped_path, int seconds) {
    for (int pass = 0; pass < seconds; ++pass) {
        unlink_remove(stopped_path);
        sleep(1);
        FILE* probe = std::fopen(stopped_path, "r");
        if (!probe) continue;
        std::fclose(probe);
        // The daemon creates the note, writes it, then makes it read-only:
        // give it a moment to finish so that the whole text is read.
        for (int i = 0; i < 20; ++i) {
            struct stat st;
            if (stat(stopped_path, &st) == 0 && (st.st_mode & 0222) == 0) break;
            usleep(50000);
        }
        FILE* f = std::fopen(stopped_path, "r");
        if (!f) {
            print_flush("TROUBLE_STOPPING: ...");
            return -1;
        }
        char text[512];
        size_t n = std::fread(text, 1, sizeof text - 1, f);
        bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) {
            print_flush("TROUBLE_STOPPING: ...");
            return -1;
        }
        text[n] = '\0';
        print_flush(std::string(text) + "\n");
        return 1;
    }
    return 0;
}

void stop_if_queued_to_stop() {
    check_terminal_signal();
    if (LOCKS.files.stop.empty() || !this_file_exists(LOCKS.files.stop)) return;
    log_it('s', COMMON_MSG_27);
    unlink_remove(LOCKS.files.stop);
    the_last_words(STOP_HONORED);
}

int get_temp_lock(const char* name, char my_class) {
    LOCKS.saved_my_class = my_class;
    std::string path = DEPOT_PATHS.DEPOT + "/daemon/" + name + ".readlock";
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        print_flush(fmt_msg(COMMON_MSG_01, path.c_str(), FRAME.SELF));
        single_exit(31);
    }
    LOCKS.out_key_lock_keeper = path;
    std::fputc(my_class, f);
    std::fflush(f);
    std::fclose(f);
    FILE* r = std::fopen(path.c_str(), "r");
    if (!r) return 0;
    int c = std::fgetc(r);
    std::fclose(r);
    if (c == EOF) return 0;
    LOCKS.saved_class = static_cast<char>(c);
    return LOCKS.saved_class == my_class ? 1 : 0;
}

void release_and_remove_temp_lock() {
    if (LOCKS.out_key_lock_keeper.empty()) return;
    if (LOCKS.saved_class == LOCKS.saved_my_class) {
        unlink_remove(LOCKS.out_key_lock_keeper);
        LOCKS.out_key_lock_keeper.clear();
    }
    LOCKS.saved_class = '-';
}

void close_lock_descriptors() {
    if (LOCKS.lock_keeper_ >= 0) close(LOCKS.lock_keeper_);
    if (LOCKS.view_lock_keeper_ >= 0) close(LOCKS.view_lock_keeper_);
    LOCKS.lock_keeper_ = -1;
    LOCKS.view_lock_keeper_ = -1;
}

void close_and_remove_lock_files() {
    close_lock_descriptors();
    remove_lock_file(LOCKS.files.lock_keeper);
    remove_lock_file(LOCKS.files.view_lock);
}
