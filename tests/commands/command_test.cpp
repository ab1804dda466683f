// The command layer: quoting, exit statuses, output capture, environment,
// working directory and descriptor hygiene.
#include "common/command.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/scratch_dir.h"

namespace {

int count_open_fds() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Texts that would run something if they reached the shell unquoted. Those
// with PWN in them would create the file named by PWN.
std::vector<std::string> hostile_words(const std::string& pwn) {
    return {
        "'",
        "''",
        "\"",
        "\\",
        "\\'",
        "$(touch " + pwn + ")",
        "`touch " + pwn + "`",
        "; touch " + pwn,
        "x' ; touch " + pwn + " ; '",
        "x\" ; touch " + pwn + " ; \"",
        "a && touch " + pwn,
        "a | touch " + pwn,
        "> " + pwn,
        "\ntouch " + pwn + "\n",
        "two words",
        "  leading and trailing  ",
        "",
        "*",
        "~",
        "$HOME",
        "${PATH}",
        "a=b",
        "-n",
        "#comment",
        "tab\there",
        "{a,b}",
        "!",
        "&",
        "(x)",
        "\xc3\xa9t\xc3\xa9",
    };
}

TEST(ShellQuote, PlainWordsStayAndOthersAreSingleQuoted) {
    struct Case {
        std::string word;
        std::string quoted;
    };
    const Case cases[] = {
        {"cleartool", "cleartool"},
        {"/vobs/a_b-c.d", "/vobs/a_b-c.d"},
        {"brtype:main@/vobs/x", "brtype:main@/vobs/x"},
        {"%On", "%On"},
        {"a+b,c", "a+b,c"},
        {"", "''"},
        {"a b", "'a b'"},
        {"it's", "'it'\\''s'"},
        {"'", "''\\'''"},
        {"a=b", "'a=b'"},  // never an assignment when it is the program word
        {"%[type_scope]p", "'%[type_scope]p'"},
        {"$x", "'$x'"},
        {"~", "'~'"},
    };
    for (const Case& c : cases) EXPECT_EQ(shell_quote(c.word), c.quoted) << "word: " << c.word;
}

TEST(CommandQuoting, EveryHostileWordReachesTheChildVerbatimAndNothingRuns) {
    ScratchDir scratch;
    const std::string pwn = scratch / "pwned";
    for (const std::string& word : hostile_words(pwn)) {
        std::string out;
        int status = -2;
        Command command("printf");
        command.args("<%s>", word);
        ASSERT_TRUE(command.capture(out, Command::NO_LIMIT, &status)) << command.line();
        EXPECT_EQ(status, 0) << command.line();
        EXPECT_EQ(out, "<" + word + ">") << command.line();
        EXPECT_FALSE(std::filesystem::exists(pwn)) << "ran: " << command.line();
    }
}

TEST(CommandQuoting, AllWordsTogetherKeepTheirCount) {
    ScratchDir scratch;
    const std::vector<std::string> words = hostile_words(scratch / "pwned");
    Command command("sh");
    command.args("-c", "printf '%s\\n' \"$#\"", "sh");
    for (const std::string& word : words) command.arg(word);
    std::string out;
    ASSERT_TRUE(command.capture(out));
    EXPECT_EQ(out, std::to_string(words.size()) + "\n");
    EXPECT_FALSE(std::filesystem::exists(scratch / "pwned"));
}

TEST(CommandQuoting, AWholeCommandLineNestsAsOneWord) {
    // The shape of `cleartool setview -exec '<inner line>' view`: the inner
    // line is run by a second shell and must still keep its words intact.
    ScratchDir scratch;
    const std::string pwn = scratch / "pwned";
    for (const std::string& word : hostile_words(pwn)) {
        Command inner("printf");
        inner.args("<%s>", word);
        Command outer("sh");
        outer.args("-c", inner.line());
        std::string out;
        ASSERT_TRUE(outer.capture(out)) << outer.line();
        EXPECT_EQ(out, "<" + word + ">") << outer.line();
    }
    EXPECT_FALSE(std::filesystem::exists(pwn));
}

TEST(CommandQuoting, RedirectionTargetsAreQuotedFileNames) {
    ScratchDir scratch;
    const std::string odd = scratch / "out 'x' $(touch pwned) ;.txt";
    const std::string input = scratch / "in put\".txt";
    write_file(input, "from the input file\n");

    Command first("cat");
    first.in_from(input).out_to(odd);
    EXPECT_EQ(first.run(), 0) << first.line();
    Command second("echo");
    second.arg("appended").append_out(odd);
    EXPECT_EQ(second.run(), 0) << second.line();
    Command third("sh");
    third.args("-c", "echo to-stderr >&2").append_err(odd);
    EXPECT_EQ(third.run(), 0) << third.line();

    EXPECT_EQ(read_file(odd), "from the input file\nappended\nto-stderr\n");
    EXPECT_FALSE(std::filesystem::exists(scratch / "pwned"));
}

TEST(CommandQuoting, AProgramWordThatLooksLikeAnAssignmentIsNotOne) {
    Command command("X=1");
    command.args("true");
    EXPECT_EQ(command.run(), 127);
}

TEST(CommandValidity, NulBytesAndBadEnvironmentNamesAreNeverRun) {
    ScratchDir scratch;
    const std::string pwn = scratch / "pwned";
    std::vector<Command> refused;
    refused.push_back(Command("touch").arg(std::string_view(pwn.c_str(), pwn.size() + 1)));
    refused.push_back(std::move(Command("touch").arg(pwn).env("A=B", "x")));
    refused.push_back(std::move(Command("touch").arg(pwn).env("", "x")));
    refused.push_back(std::move(Command("touch").arg(pwn).env("A", std::string_view("x\0y", 3))));
    refused.push_back(std::move(Command("touch").arg(pwn).cwd(std::string_view("/\0", 2))));
    for (const Command& command : refused) {
        EXPECT_FALSE(command.valid());
        EXPECT_EQ(command.run(), COMMAND_NOT_STARTED);
        std::string out = "stale";
        int status = 0;
        EXPECT_FALSE(command.capture(out, Command::NO_LIMIT, &status));
        EXPECT_EQ(status, COMMAND_NOT_STARTED);
        EXPECT_EQ(out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(pwn));
}

TEST(CommandStatus, ExitCodesAndSignalsAreDecoded) {
    struct Case {
        const char* script;
        int status;
    };
    const Case cases[] = {
        {"exit 0", 0},
        {"exit 1", 1},
        {"exit 42", 42},
        {"exit 255", 255},
        {"kill -TERM $$", 128 + SIGTERM},
        {"kill -KILL $$", 128 + SIGKILL},
        {"kill -SEGV $$", 128 + SIGSEGV},
        {"no_such_program_vandrel_test 2> /dev/null", 127},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Command::shell_text(c.script).run(), c.status) << c.script;
        int status = -2;
        std::string out;
        EXPECT_TRUE(Command::shell_text(c.script).capture(out, Command::NO_LIMIT, &status)) << c.script;
        EXPECT_EQ(status, c.status) << c.script;
    }
}

TEST(CommandStatus, AMissingWorkingDirectoryMeansNotStarted) {
    ScratchDir scratch;
    Command command("true");
    command.cwd(scratch / "missing");
    EXPECT_EQ(command.run(), COMMAND_NOT_STARTED);
    std::string out;
    EXPECT_FALSE(command.capture(out));
}

TEST(CommandCapture, SeveralMegabytesArriveComplete) {
    const std::size_t size = 6 * 1024 * 1024 + 7;
    Command command("sh");
    command.args("-c", "head -c \"$1\" /dev/zero | tr '\\000' x", "sh", std::to_string(size));
    std::string out;
    int status = -2;
    ASSERT_TRUE(command.capture(out, Command::NO_LIMIT, &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(out.size(), size);
    EXPECT_EQ(out.find_first_not_of('x'), std::string::npos);
}

TEST(CommandCapture, ALimitKeepsTheFirstBytesAndLetsTheChildFinish) {
    struct Case {
        std::size_t limit;
        std::size_t kept;
    };
    const std::size_t produced = 300000;
    const Case cases[] = {{0, 0}, {1, 1}, {6143, 6143}, {produced, produced}, {produced + 1, produced}};
    for (const Case& c : cases) {
        // The child writes far more than a pipe holds, then leaves a mark:
        // it must not be cut off by a broken pipe.
        ScratchDir scratch;
        Command command("sh");
        command.args("-c", "head -c 300000 /dev/zero | tr '\\000' y && echo done > \"$1\"", "sh", scratch / "finished");
        std::string out;
        int status = -2;
        ASSERT_TRUE(command.capture(out, c.limit, &status));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out.size(), c.kept) << "limit " << c.limit;
        EXPECT_EQ(read_file(scratch / "finished"), "done\n");
    }
}

TEST(CommandCapture, OnlyStandardOutputIsCaptured) {
    ScratchDir scratch;
    Command command("sh");
    command.args("-c", "echo out1; echo err1 >&2; echo out2").append_err(scratch / "err");
    std::string out;
    ASSERT_TRUE(command.capture(out));
    EXPECT_EQ(out, "out1\nout2\n");
    EXPECT_EQ(read_file(scratch / "err"), "err1\n");
}

TEST(CommandCapture, BinaryOutputWithNulBytesIsKept) {
    Command command("printf");
    command.arg("a\\000b\\377");
    std::string out;
    ASSERT_TRUE(command.capture(out));
    EXPECT_EQ(out, std::string("a\0b\xff", 4));
}

TEST(CommandEnvironment, AdditionsReachOnlyTheChild) {
    ::setenv("VANDREL_TEST_KEPT", "kept", 1);
    ::setenv("VANDREL_TEST_OVERRIDDEN", "old", 1);
    const std::string awkward = "a b'c\"$(touch x)`;\n*";
    Command command("sh");
    command
        .args("-c",
              "printf '%s|%s|%s|%s' \"$VANDREL_TEST_KEPT\" \"$VANDREL_TEST_OVERRIDDEN\" "
              "\"$VANDREL_TRIGGER_TYPE\" \"$VANDREL_PACKAGE_NAME\"")
        .env("VANDREL_TEST_OVERRIDDEN", "new")
        .env("VANDREL_TRIGGER_TYPE", "pre_ship")
        .env("VANDREL_PACKAGE_NAME", "first")
        .env("VANDREL_PACKAGE_NAME", awkward);
    std::string out;
    ASSERT_TRUE(command.capture(out));
    EXPECT_EQ(out, "kept|new|pre_ship|" + awkward);
    EXPECT_STREQ(::getenv("VANDREL_TEST_OVERRIDDEN"), "old");
    EXPECT_EQ(::getenv("VANDREL_TRIGGER_TYPE"), nullptr);
}

TEST(CommandDirectory, TheChildRunsInTheGivenDirectory) {
    ScratchDir scratch;
    const std::string dir = scratch / "a dir with 'quotes'";
    std::filesystem::create_directory(dir);
    std::string before = std::filesystem::current_path().string();
    Command command("pwd");
    command.arg("-P").cwd(dir);
    std::string out;
    ASSERT_TRUE(command.capture(out));
    EXPECT_EQ(out, std::filesystem::canonical(dir).string() + "\n");
    EXPECT_EQ(std::filesystem::current_path().string(), before);
}

TEST(CommandDescriptors, NoDescriptorLeaksAndNoZombies) {
    ScratchDir scratch;
    const int before = count_open_fds();
    for (int i = 0; i < 50; ++i) {
        std::string out;
        EXPECT_EQ(Command::shell_text("exit 3").run(), 3);
        EXPECT_TRUE(Command("echo").arg("x").capture(out));
        Command missing("true");
        missing.cwd(scratch / "missing");
        EXPECT_EQ(missing.run(), COMMAND_NOT_STARTED);
        EXPECT_FALSE(missing.capture(out));
    }
    EXPECT_EQ(count_open_fds(), before);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(CommandDescriptors, TheChildInheritsNoDescriptorOfTheCaller) {
    ScratchDir scratch;
    // A lock-like descriptor opened without close-on-exec, as a careless
    // caller might.
    int plain = ::open((scratch / "lock").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(plain, 0);
    int high = ::fcntl(plain, F_DUPFD, 57);
    ASSERT_GE(high, 57);
    const std::string probe = "for fd in " + std::to_string(plain) + " " + std::to_string(high) +
                              "; do if [ -e /proc/self/fd/$fd ]; then echo open; else echo closed; fi; done";
    std::string out;
    ASSERT_TRUE(Command("sh").args("-c", probe).capture(out));
    EXPECT_EQ(out, "closed\nclosed\n");
    EXPECT_EQ(Command("sh").args("-c", "[ ! -e /proc/self/fd/" + std::to_string(high) + " ]").run(), 0);
    ::close(high);
    ::close(plain);
}

TEST(CommandDescriptors, WorksWhenTheCallerHasNoStandardOutput) {
    // A daemon may run with standard input and output closed; the capture
    // pipe then takes their numbers and must still reach the child's
    // standard output.
    int saved_in = ::dup(STDIN_FILENO);
    int saved_out = ::dup(STDOUT_FILENO);
    ASSERT_GE(saved_in, 0);
    ASSERT_GE(saved_out, 0);
    ::close(STDIN_FILENO);
    ::close(STDOUT_FILENO);
    std::string out;
    bool started = Command("echo").arg("still here").capture(out);
    ::dup2(saved_in, STDIN_FILENO);
    ::dup2(saved_out, STDOUT_FILENO);
    ::close(saved_in);
    ::close(saved_out);
    EXPECT_TRUE(started);
    EXPECT_EQ(out, "still here\n");
}

volatile sig_atomic_t alarms = 0;
void count_alarm(int) {
    alarms = alarms + 1;
}

TEST(CommandSignals, InterruptedWaitsAndReadsAreResumed) {
    // A handler without SA_RESTART interrupts read and waitpid with EINTR,
    // as a daemon's terminal-signal handler does.
    struct sigaction action {};
    action.sa_handler = count_alarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    struct sigaction old {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &old), 0);
    struct itimerval every_10ms {};
    every_10ms.it_interval.tv_usec = 10000;
    every_10ms.it_value.tv_usec = 10000;
    ::setitimer(ITIMER_REAL, &every_10ms, nullptr);

    std::string out;
    int status = -2;
    bool captured = Command("sh")
                        .args("-c", "sleep 0.2; echo first; sleep 0.2; echo second")
                        .capture(out, Command::NO_LIMIT, &status);
    int ran = Command("sh").args("-c", "sleep 0.2; exit 7").run();

    struct itimerval off {};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &old, nullptr);

    EXPECT_GT(alarms, 5);
    EXPECT_TRUE(captured);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "first\nsecond\n");
    EXPECT_EQ(ran, 7);
}

TEST(CommandSignals, TheChildDoesNotInheritAnIgnoredBrokenPipeSignal) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction old {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &old), 0);
    std::string out;
    bool started = Command("grep").args("^SigIgn:", "/proc/self/status").capture(out);
    ::sigaction(SIGPIPE, &old, nullptr);
    ASSERT_TRUE(started);
    ASSERT_EQ(out.rfind("SigIgn:", 0), 0u) << out;
    unsigned long long ignored = std::stoull(out.substr(7), nullptr, 16);
    EXPECT_EQ((ignored >> (SIGPIPE - 1)) & 1u, 0u) << out;
}

// Whether a process still runs (a zombie waiting for its reaper does not).
bool still_running(pid_t pid) {
    std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(CommandTimeLimit, AHangingTreeIsEndedWholeAtTheDeadline) {
    // The shell starts a background worker and waits; a worker that ignores
    // SIGTERM needs the SIGKILL that follows.
    struct Case {
        const char* name;
        const char* worker;
        double at_most;
    };
    const Case cases[] = {
        {"plain", "sleep 60", 4.0},
        {"deaf to SIGTERM", "trap '' TERM; sleep 60", 6.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const std::string pids = scratch / "pids";
        std::string script =
            std::string("sh -c \"") + c.worker + "\" & echo $! > " + pids + "; echo $$ >> " + pids + "; wait";
        auto start = std::chrono::steady_clock::now();
        int status = Command("sh").args("-c", script).time_limit(1).run();
        double took = seconds_since(start);
        EXPECT_EQ(status, COMMAND_TIMED_OUT);
        EXPECT_GE(took, 0.9);
        EXPECT_LT(took, c.at_most);
        std::istringstream listed(read_file(pids));
        int count = 0;
        for (pid_t pid; listed >> pid; ++count) {
            for (int i = 0; i < 100 && still_running(pid); ++i) ::usleep(20000);
            EXPECT_FALSE(still_running(pid)) << pid;
        }
        EXPECT_EQ(count, 2);
    }
}

TEST(CommandTimeLimit, ACaptureKeepsWhatArrivedBeforeTheDeadline) {
    std::string out;
    int status = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(
        Command("sh").args("-c", "echo early; exec sleep 60").time_limit(1).capture(out, Command::NO_LIMIT, &status));
    EXPECT_LT(seconds_since(start), 4.0);
    EXPECT_EQ(status, COMMAND_TIMED_OUT);
    EXPECT_EQ(out, "early\n");
}

TEST(CommandTimeLimit, AChildWithinItsTimeReportsAsUsual) {
    std::string out;
    int status = 0;
    EXPECT_TRUE(Command("sh").args("-c", "echo done; exit 5").time_limit(30).capture(out, Command::NO_LIMIT, &status));
    EXPECT_EQ(status, 5);
    EXPECT_EQ(out, "done\n");
    EXPECT_EQ(Command("sh").args("-c", "kill -USR1 $$").time_limit(30).run(), 128 + SIGUSR1);
    Command missing("true");
    missing.cwd("/nonexistent/dir").time_limit(30);
    EXPECT_EQ(missing.run(), COMMAND_NOT_STARTED);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
