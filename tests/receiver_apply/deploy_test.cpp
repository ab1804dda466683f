// Deployment packages: a good package lands exactly, with its log lines; a
// hostile one lands nothing outside its deployment directory and every
// refusal is logged.
#include "receiver/apply/deploy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "apply_fixture.h"

namespace {

namespace fs = std::filesystem;

class DeployTest : public ApplyTest {
protected:
    void SetUp() override {
        ApplyTest::SetUp();
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "outside");
        target = dir / "target";
    }
    // Writes the listing and its data files zeb.0000, zeb.0001, ...
    void package(const std::string& listing, const std::vector<std::string>& files) {
        write_file(dir / "in/p.zeb", listing);
        for (std::size_t i = 0; i < files.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "in/zeb.%04zu", i);
            write_file(dir / name, files[i]);
        }
    }
    int deploy() { return run_deployment(dir / "in/p.zeb", target, dir / "in/epoc.001.siteB.siteA.crc"); }
    // Every name below `root`, relative, sorted.
    static std::vector<std::string> tree(const std::string& root) {
        std::vector<std::string> names;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
             it.increment(ec))
            names.push_back(fs::relative(it->path(), root).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string target;
};

TEST_F(DeployTest, AGoodPackageLandsExactlyWithItsAcknowledgements) {
    package("D:sub\nF:sub/a.txt\nignored line\nF: top.txt \nD:.\n", {"alpha\n", "top\n"});
    ASSERT_EQ(deploy(), 0);
    EXPECT_EQ(tree(target), (std::vector<std::string>{"sub", "sub/a.txt", "top.txt"}));
    EXPECT_EQ(read_file(target + "/sub/a.txt"), "alpha\n");
    EXPECT_EQ(read_file(target + "/top.txt"), "top\n");
    EXPECT_FALSE(exists(dir / "in/zeb.0000"));
    EXPECT_FALSE(exists(dir / "in/zeb.0001"));

    std::string deploys = log("deploys.txt");
    for (std::string line : {"Package DEPLOYMENT processing STARTED for package (epoc.001.siteB.siteA.crc) to "
                             "directory (" +
                                 target + "):",
                             "directory>ACK >" + target + "/sub\n", "     file>ACK >" + target + "/sub/a.txt\n",
                             "     file>ACK >" + target + "/top.txt\n", "directory>ACK >" + target + "/.\n",
                             std::string("Package DEPLOYMENT processing ENDED for package (epoc.001.siteB.siteA.crc)")})
        EXPECT_NE(deploys.find(line), std::string::npos) << line << "\n" << deploys;
    EXPECT_NE(log("all.txt").find("...receiving \"Deployment\" changes to (" + target + ")..."), std::string::npos);
    EXPECT_FALSE(exists(dir / "errors.txt"));
}

// Every file of a package goes through the same copy buffer: a file larger
// than the buffer, an empty one and a short one after it land byte for byte,
// with nothing of the file before them.
TEST_F(DeployTest, FilesOfAnySizeLandExactlyOneAfterAnother) {
    std::string big(3u * (1u << 20) + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 23);
    const std::vector<std::string> files = {big, "", "short\n", std::string(1u << 20, 'z'), "x"};
    package("F:big\nF:empty\nF:short\nF:exact\nF:one\n", files);
    ASSERT_EQ(deploy(), 0);
    const char* names[] = {"big", "empty", "short", "exact", "one"};
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(read_file(target + "/" + names[i]) == files[i]) << names[i];
}

TEST_F(DeployTest, AnExistingTargetAndFilesAreReplacedInPlace) {
    fs::create_directories(target);
    write_file(target + "/a.txt", "old old old old\n");
    package("F:a.txt\n", {"new\n"});
    ASSERT_EQ(deploy(), 0);
    EXPECT_EQ(read_file(target + "/a.txt"), "new\n");
    EXPECT_EQ(tree(target), std::vector<std::string>{"a.txt"});
}

TEST_F(DeployTest, FailuresEndTheDeploymentWithTheirTroubleNumbers) {
    struct Case {
        const char* listing;
        std::size_t files;
        const char* trouble;
    } cases[] = {
        {"F:nodir/a.txt\n", 1, "-- Trouble #1 creating/accessing required deployment file ("},
        {"F:a.txt\n", 0, "-- Trouble #1 creating/accessing required deployment file ("},
        {"D:no/such\n", 0, "-- Trouble #3 creating/accessing required deployment directory ("},
    };
    for (const Case& c : cases) {
        fs::remove_all(target);
        fs::remove_all(dir / "in");
        fs::create_directories(dir / "in");
        unlink_remove(dir / "errors.txt");
        package(c.listing, std::vector<std::string>(c.files, "x"));
        EXPECT_EQ(deploy(), -1) << c.listing;
        std::string errors = log("errors.txt");
        EXPECT_NE(errors.find(c.trouble), std::string::npos) << c.listing << errors;
        EXPECT_NE(errors.find("Package DEPLOYMENT processing ENDED INCOMPLETE WITH ERRORS for package "
                              "(epoc.001.siteB.siteA.crc)"),
                  std::string::npos);
    }
    // A target that cannot be made.
    target = dir / "no/such/target";
    package("F:a.txt\n", {"x"});
    EXPECT_EQ(deploy(), -1);
    EXPECT_NE(log("deploys.txt").find("-- Trouble #2 creating/accessing required deployment directory (" + target),
              std::string::npos);
}

TEST_F(DeployTest, HostileEntriesLandNothingOutsideAndAreRefused) {
    std::string outside = dir / "outside";
    struct Case {
        std::string listing;
        bool plant_links;  // target/link -> outside, target/linkfile -> outside/victim
    } cases[] = {
        {"F:../escape.txt\n", false},
        {"F:sub/../../escape.txt\n", false},
        {"F:" + outside + "/abs.txt\n", false},
        {"D:../outdir\n", false},
        {"D:" + outside + "/absdir\n", false},
        {"F:link/escape.txt\n", true},
        {"D:link/newdir\n", true},
        {"D:link\n", true},
        {"F:link/../escape.txt\n", true},
        {"F:a\rb.txt\n", false},
        {"F:.\n", false},
    };
    for (const Case& c : cases) {
        fs::remove_all(target);
        fs::remove_all(outside);
        fs::create_directories(target + "/sub");
        fs::create_directories(outside);
        write_file(outside + "/victim", "precious");
        if (c.plant_links) {
            ASSERT_EQ(::symlink(outside.c_str(), (target + "/link").c_str()), 0);
        }
        unlink_remove(dir / "errors.txt");
        unlink_remove(dir / "deploys.txt");
        package(c.listing, {"evil"});

        EXPECT_EQ(deploy(), -1) << c.listing;
        EXPECT_EQ(tree(outside), std::vector<std::string>{"victim"}) << c.listing;
        EXPECT_EQ(read_file(outside + "/victim"), "precious");
        EXPECT_FALSE(exists(dir / "escape.txt"));
        EXPECT_FALSE(exists(dir / "outdir"));
        for (const char* name : {"deploys.txt", "errors.txt"}) {
            EXPECT_NE(log(name).find("-- Refused deployment "), std::string::npos) << c.listing << name;
        }
        EXPECT_NE(log("deploys.txt").find(">NACK>"), std::string::npos) << c.listing;
    }
}

TEST_F(DeployTest, ALinkAtAFileNameIsReplacedNotWrittenThrough) {
    fs::create_directories(target);
    write_file(dir / "outside/victim", "precious");
    ASSERT_EQ(::symlink((dir / "outside/victim").c_str(), (target + "/a.txt").c_str()), 0);
    package("F:a.txt\n", {"new\n"});
    ASSERT_EQ(deploy(), 0);
    EXPECT_EQ(read_file(dir / "outside/victim"), "precious");
    struct stat st;
    ASSERT_EQ(::lstat((target + "/a.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(read_file(target + "/a.txt"), "new\n");
}

TEST_F(DeployTest, NamesWithShellSyntaxLandVerbatimAndRunNothing) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    target = dir / "t $(touch pwned_t) `touch pwned_u`";
    std::vector<std::string> names = {"$(touch pwned_a).txt", "`touch pwned_b`", "a'b\"c;d & e | f.txt",
                                      "x$IFS${HOME}.txt"};
    std::string listing;
    for (const std::string& n : names) listing += "F:" + n + "\n";
    package(listing, {"1", "2", "3", "4"});
    ASSERT_EQ(deploy(), 0);
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(tree(target), expected);
    // A command substitution would have made a file named pwned_* somewhere.
    for (const std::string& p : tree(dir.path())) {
        EXPECT_FALSE(fs::path(p).filename().string().starts_with("pwned")) << p;
    }
}

TEST_F(DeployTest, ATargetThatLooksLikeAnOptionIsMadeAsADirectory) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    target = "-m";
    package("F:a.txt\n", {"x"});
    ASSERT_EQ(deploy(), 0);
    EXPECT_EQ(read_file(dir / "-m/a.txt"), "x");
}

}  // namespace
