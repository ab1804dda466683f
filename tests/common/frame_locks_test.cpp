// The process frame and the daemon locks: last words, exit codes, class
// locks, record locks between processes and the stop handshake pieces.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/signals.h"
#include "../support/scratch_dir.h"

namespace {

using ::testing::ExitedWithCode;

class Daemonish : public ::testing::Test {
protected:
    void SetUp() override {
        set_identity("vandrel_unit", "vandrel_unit.daemon");
        daemon_dir = dir / "depot/daemon";
        std::filesystem::create_directories(daemon_dir);
        std::filesystem::create_directories(dir / "logs");
        set_depot(dir / "depot");
        set_daemon_files(daemon_dir, "vandrel_unit.daemon");
        set_view_lock_file(daemon_dir + "/v.view_lock");
        set_log_files(dir / "logs", "unit", "", false);
        UTC_OFFSET = "0";
    }
    void TearDown() override {
        close_lock_descriptors();
        LOCKS = LockState{};
        LOG_FILES = LogFileSet{};
        EXTRACTED_FILES.clear();
    }
    std::string stopped() const { return read_file(LOCKS.files.stopped); }

    // A helper process that holds the daemon lock (and view lock) until killed.
    pid_t hold_locks_in_child() {
        int ready[2];
        if (pipe(ready) != 0) return -1;
        pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            get_lock(1, "v");
            char c = 1;
            if (write(ready[1], &c, 1) != 1) _exit(3);
            pause();
            _exit(0);
        }
        close(ready[1]);
        char c;
        if (read(ready[0], &c, 1) != 1) pid = -1;
        close(ready[0]);
        return pid;
    }
    static void end_child(pid_t pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

    ScratchDir dir;
    std::string daemon_dir;
};

TEST(Frame, FcloseOfNullAndOfAStream) {
    EXPECT_EQ(fclose_(nullptr), nullptr);
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    f = fclose_(f);
    EXPECT_EQ(f, nullptr);
    FILE* g = std::tmpfile();
    EXPECT_TRUE(fclose_ok(g));
    EXPECT_EQ(g, nullptr);
}

TEST(Frame, LastWordsTexts) {
    set_identity("vandrel_receiver", ".daemon");
    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {-97, "Stopped because Config. File vanished..."},
        {-98, "Stopped to honor stop request..."},
        {-95, "vandrel_receiver shutting down..."},
        {-94, "Stopped to honor run once request..."},
        {15, "Stopped for receipt of terminal signal (#15)..."},
        {2, "Stopped for receipt of terminal signal (#2)..."},
        {999, "Stopped for receipt of terminal signal (#999)..."},
    };
    for (const Case& c : cases) EXPECT_EQ(last_words_text(c.code), c.text);
}

TEST(Frame, MarkTimeIsAsctimeWithoutNewline) {
    std::string t = mark_time();
    EXPECT_TRUE(looks_like_asctime(t)) << t;
    EXPECT_EQ(CURRENT_TIME_STRING, t);
}

TEST(Frame, BuffersStartEmpty) {
    char* b = allocate_buffer_or_bail(64);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[0], '\0');
    release_buffer(b);
}

TEST(Frame, VersionSwitch) {
    set_identity("vandrel_unit", "x");
    char a0[] = "prog", a1[] = "-ver";
    char* argv[] = {a0, a1, nullptr};
    EXPECT_EXIT(
        {
            dup2(2, 1);
            handle_version_switch(2, argv);
        },
        ExitedWithCode(0), "^vandrel_unit Version \\(12.1\\) build \\(20170517.08:50a\\)\n$");
}

TEST_F(Daemonish, LastWordsLeaveNoteAndRemoveLocks) {
    struct Case {
        int code;
        int status;
        const char* text;
    } cases[] = {{15, 15, "Stopped for receipt of terminal signal (#15)..."},
                 {-98, 158, "Stopped to honor stop request..."},
                 {-94, 162, "Stopped to honor run once request..."}};
    for (const Case& c : cases) {
        std::string scratch = dir / "scratch_file";
        write_file(scratch, "x");
        write_file(LOCKS.files.marker, "");
        write_file(LOCKS.files.stopped, "old");
        chmod(LOCKS.files.stopped.c_str(), 0444);
        EXPECT_EXIT(
            {
                get_lock(1, "v");
                push_extracted_file(scratch);
                last_words(c.code);
            },
            ExitedWithCode(c.status), "");
        EXPECT_EQ(stopped(), c.text);
        EXPECT_EQ(mode_of(LOCKS.files.stopped), 0444u);
        EXPECT_FALSE(exists(LOCKS.files.marker));
        EXPECT_FALSE(exists(LOCKS.files.lock_keeper));
        EXPECT_FALSE(exists(LOCKS.files.view_lock));
        EXPECT_FALSE(exists(scratch));
        std::string log = read_file(dir / "logs/unit_start_stop.txt");
        EXPECT_NE(log.find(std::string("] ") + c.text + "\n"), std::string::npos) << log;
    }
}

int g_shutdown_runs = 0;
void count_shutdown(int) {
    ++g_shutdown_runs;
    append_file(LOG_STATE.files.LOG_FILE, "shutdown script ran\n", 'l');
}

TEST_F(Daemonish, TheLastWordsRunsTheShutdownHookOnce) {
    FRAME.shutdown_script = count_shutdown;
    EXPECT_EXIT(the_last_words(-95), ExitedWithCode(256 - 95), "");
    EXPECT_EQ(stopped(), "vandrel_unit shutting down...");
    EXPECT_NE(read_file(dir / "logs/unit_all.txt").find("shutdown script ran"), std::string::npos);
    // Already executed: the hook is skipped.
    write_file(dir / "logs/unit_all.txt", "");
    EXPECT_EXIT(
        {
            EXECUTED_SHUTDOWN_ALREADY = 1;
            the_last_words(-97);
        },
        ExitedWithCode(256 - 97), "");
    EXPECT_EQ(read_file(dir / "logs/unit_all.txt").find("shutdown script ran"), std::string::npos);
    FRAME.shutdown_script = nullptr;
}

TEST_F(Daemonish, StoppedNoteThatCannotBeWrittenIsSilent) {
    LOCKS.files.stopped = dir / "no/such/dir/x_stopped";
    EXPECT_EXIT(last_words(15), ExitedWithCode(15), "");
    EXPECT_EQ(read_file(dir / "logs/unit_all.txt"), "");
}

TEST_F(Daemonish, TerminalSignalWakesTheSleepAndEndsThroughLastWords) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            install_terminal_signal_handlers();
            get_lock(1, "v");
            pid_t parent = getpid();
            if (fork() == 0) {
                usleep(300000);
                kill(parent, SIGTERM);
                _exit(0);
            }
            zeb_sleep(30);
            _exit(99);  // not reached
        },
        ExitedWithCode(15), "");
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_EQ(stopped(), "Stopped for receipt of terminal signal (#15)...");
    EXPECT_FALSE(exists(LOCKS.files.lock_keeper));
}

TEST_F(Daemonish, FaultSignalLeavesTheNoteFromTheHandler) {
    EXPECT_EXIT(
        {
            install_terminal_signal_handlers();
            get_lock(1, "v");
            raise(SIGFPE);
            _exit(99);
        },
        ExitedWithCode(SIGFPE), "");
    EXPECT_EQ(stopped(), "Stopped for receipt of terminal signal (#8)...");
    EXPECT_FALSE(exists(LOCKS.files.lock_keeper));
    EXPECT_FALSE(exists(LOCKS.files.view_lock));
}

TEST_F(Daemonish, StopRequestIsHonouredOnlyWhenPresent) {
    stop_if_queued_to_stop();  // no request: returns
    write_file(LOCKS.files.stop, "");
    EXPECT_EXIT(stop_if_queued_to_stop(), ExitedWithCode(158), "");
    EXPECT_FALSE(exists(LOCKS.files.stop));
    EXPECT_EQ(stopped(), "Stopped to honor stop request...");
    EXPECT_NE(read_file(dir / "logs/unit_all.txt").find("encountered queued stop request"), std::string::npos);
}

TEST_F(Daemonish, RecordLocksBetweenProcesses) {
    EXPECT_EQ(inspect_lock(), 0);
    pid_t holder = hold_locks_in_child();
    ASSERT_GT(holder, 0);
    EXPECT_EQ(lock_is_held(LOCKS.files.lock_keeper), 1);
    EXPECT_EQ(lock_is_held(LOCKS.files.view_lock), 1);
    EXPECT_EQ(mode_of(LOCKS.files.lock_keeper), 0666u);
    testing::internal::CaptureStdout();
    EXPECT_EQ(inspect_lock(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "A vandrel_unit process is running for this Quorlin Depot...\nStopping...\n");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            get_lock(1, "v");
        },
        ExitedWithCode(62), "The vandrel_unit process is already running for this Quorlin Depot.");
    // Another daemon lock but the same view.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            set_daemon_files(daemon_dir, "other.daemon");
            get_lock(1, "v");
        },
        ExitedWithCode(62), "attempting to use the view \\(v\\) that is being used by another");
    end_child(holder);
    EXPECT_EQ(lock_is_held(LOCKS.files.lock_keeper), 0);
    EXPECT_EQ(inspect_lock(), 0);
}

TEST_F(Daemonish, LockFileThatCannotBeOpened) {
    set_daemon_files(dir / "missing_daemon_dir", "vandrel_unit.daemon");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            get_lock(0, nullptr);
        },
        ExitedWithCode(61), "Can't get lock \\(.*missing_daemon_dir/vandrel_unit.daemon_lock\\) for vandrel_unit");
    testing::internal::CaptureStdout();
    EXPECT_EQ(inspect_lock(), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Can't get lock"), std::string::npos);
}

TEST_F(Daemonish, ClassLockFirstAppendWins) {
    std::string path = daemon_dir + "/req1.readlock";
    EXPECT_EQ(get_temp_lock("req1", '3'), 1);
    EXPECT_EQ(get_temp_lock("req1", '5'), 0);  // as a second process would see it
    EXPECT_EQ(read_file(path), "35");
    release_and_remove_temp_lock();  // the loser leaves the file alone
    EXPECT_TRUE(exists(path));
    LOCKS.saved_class = '3';
    LOCKS.saved_my_class = '3';
    LOCKS.out_key_lock_keeper = path;
    release_and_remove_temp_lock();
    EXPECT_FALSE(exists(path));
    EXPECT_TRUE(LOCKS.out_key_lock_keeper.empty());
}

TEST_F(Daemonish, ClassLockFileThatCannotBeCreated) {
    set_depot(dir / "nowhere");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            get_temp_lock("req", 'x');
        },
        ExitedWithCode(31), "Can't get lock \\(.*nowhere/daemon/req.readlock\\)");
}

TEST_F(Daemonish, ListenForStop) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(listen_for_stop(LOCKS.files.stopped.c_str(), 1), 0);
    testing::internal::GetCapturedStdout();

    pid_t writer = fork();
    if (writer == 0) {
        usleep(1300000);
        FILE* f = std::fopen(LOCKS.files.stopped.c_str(), "w");
        if (f) {
            std::fputs("Stopped to honor stop request...", f);
            std::fclose(f);
            chmod(LOCKS.files.stopped.c_str(), 0444);
        }
        _exit(0);
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(listen_for_stop(LOCKS.files.stopped.c_str(), 5), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Stopped to honor stop request...\n");
    waitpid(writer, nullptr, 0);
}

}  // namespace
