// The sweep of import output files left in a receiving directory by a
// receiver that was killed during an import: only exact "catcho.<pid>" and
// "catche.<pid>" names of processes that are gone go, links are removed as
// names and never followed, and each removal is logged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "common/log.h"
#include "receiver/intake/stale_outputs.h"
#include "tests/support/scratch_dir.h"

namespace {

// A process id that was just in use and is free now.
pid_t dead_pid() {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int st = 0;
    ::waitpid(pid, &st, 0);
    return pid;
}

// A child that runs until the object is destroyed.
class LiveChild {
public:
    LiveChild() {
        if (::pipe(fds_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds_[1]);
            char c;
            while (::read(fds_[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(fds_[0]);
    }
    ~LiveChild() {
        ::close(fds_[1]);
        int st = 0;
        if (pid_ > 0) ::waitpid(pid_, &st, 0);
    }
    LiveChild(const LiveChild&) = delete;
    LiveChild& operator=(const LiveChild&) = delete;
    pid_t pid() const { return pid_; }

private:
    int fds_[2] = {-1, -1};
    pid_t pid_ = -1;
};

bool is_link(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(StaleImportOutputs, OnlyOutputsOfGoneProcessesAreRemoved) {
    ScratchDir in, outside, logs;
    ASSERT_FALSE(in.path().empty());
    LOG_FILES.LOG_FILE = logs / "all.txt";
    LiveChild live;
    ASSERT_GT(live.pid(), 0);
    const std::string dead = std::to_string(dead_pid());
    const std::string self = std::to_string(::getpid());

    const std::string dead_too = std::to_string(dead_pid());
    ASSERT_NE(dead, dead_too);

    const char* gone[] = {"catcho.", "catche."};
    for (const char* stem : gone) write_file(in / (stem + dead), "import said something\n");
    // A link at an output name goes as a name; what it points to stays.
    write_file(outside / "precious", "keep me");
    ASSERT_EQ(0, ::symlink((outside / "precious").c_str(), (in / ("catche." + dead_too)).c_str()));
    const std::string kept[] = {
        "catcho." + self,  // this run's own import
        "catche." + std::to_string(live.pid()),
        "catcho.12x",
        "catcho.",
        "xcatcho.1",
        "catcho.1.bak",
        "catchx." + dead,
        "catcho.-" + dead,
        "catcho.99999999999999999999",
        "epoc.001.east.west.pack",
    };
    for (const std::string& name : kept) write_file(in / name, "x");
    ASSERT_EQ(0, ::mkdir((in / "catcho.999999").c_str(), 0755));
    write_file(in / "catcho.999999/inside", "x");

    EXPECT_EQ(3, remove_stale_import_outputs(in.path()));

    EXPECT_FALSE(exists(in / ("catcho." + dead)));
    EXPECT_FALSE(exists(in / ("catche." + dead)));
    EXPECT_FALSE(is_link(in / ("catche." + dead_too)));
    EXPECT_EQ("keep me", read_file(outside / "precious"));
    for (const std::string& name : kept) EXPECT_TRUE(exists(in / name)) << name;
    EXPECT_TRUE(exists(in / "catcho.999999/inside"));

    const std::string log = read_file(LOG_FILES.LOG_FILE);
    for (const char* stem : gone)
        EXPECT_NE(std::string::npos, log.find("-- removed (" + (in / (stem + dead)) +
                                              "): import output left by an interrupted receiver run\n"))
            << log;
    // Nothing else is left to remove, and a missing directory is no error.
    EXPECT_EQ(0, remove_stale_import_outputs(in.path()));
    EXPECT_EQ(0, remove_stale_import_outputs(in / "nowhere"));
    LOG_FILES.LOG_FILE.clear();
}

}  // namespace
