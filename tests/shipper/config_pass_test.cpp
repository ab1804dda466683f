// One pass over the configuration: class declarations, include files (and
// their safeguards), the order of VOB key lines and the pass's text bound.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/text_ops.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_pass.h"
#include "tests/support/scratch_dir.h"

using namespace shipper_config;

namespace {

// Records what the pass reports, in order.
class Recorder : public PassVisitor {
public:
    void class_declared(int digit) override { events.push_back("class " + std::to_string(digit)); }
    bool problem(char cls, const std::string& message) override {
        events.push_back(std::string(1, cls) + " " + message);
        return true;
    }
    bool key_line(const PassLine& line) override {
        events.push_back(std::string(line.included ? "included " : "key ") + stripped_copy(line.text));
        return stop_after_keys-- != 1;
    }
    std::vector<std::string> events;
    int stop_after_keys = -1;
};

class ConfigPass : public ::testing::Test {
protected:
    std::vector<std::string> walk(const std::string& text, bool is_main = true,
                                  const PassRules& rules = SHIPPER_PASS_RULES) {
        Recorder r;
        walk_pass(dir.path(), dir / "shipper.conf", text, is_main, rules, r);
        return r.events;
    }
    ScratchDir dir;
};

TEST_F(ConfigPass, LinesClassesAndIncludesInOrder) {
    write_file(dir / "more.conf",
               "# 8>/vobs/c>>.>/vobs/d>.>siteX\n"
               "8>/vobs/c>>.>/vobs/d>.>siteX\n"
               "not a key > line\n"
               "x9>/vobs/c>>.>/vobs/d>.>siteX\n"
               "12000>/vobs/c>>.>/vobs/d>.>siteY\n"
               "9>/vobs/c>>.>/vobs/d>.>siteZ");
    std::string text =
        "shipper_id=root\n"
        "add_class=4\n"
        "add_class=12\n"
        "include_file=more.conf\n"
        "5>/vobs/a>>.>/vobs/b>.>siteB\n"
        "   # 6>/vobs/a>>.>/vobs/b>.>siteB\n"
        "include_file=missing.conf\n"
        "7>/vobs/a>>.>/vobs/b>.>siteC\r\n";
    std::vector<std::string> expected = {
        "class 4",
        "e REPLICATION DENIED:  Config. Include File (" + dir / "more.conf" +
            ") had VOB_ID out of range [0..9999] for VOB key (12000>/vobs/c>>.>/vobs/d>.>siteY)",
        "key 5>/vobs/a>>.>/vobs/b>.>siteB",
        "e REPLICATION DENIED:  Config. Include File (" + dir / "missing.conf" + ") cannot be read",
        "key 7>/vobs/a>>.>/vobs/b>.>siteC",
        "included 8>/vobs/c>>.>/vobs/d>.>siteX",
        "included 9>/vobs/c>>.>/vobs/d>.>siteZ",
    };
    EXPECT_EQ(walk(text), expected);
    // A class file's add_class lines are not declarations.
    std::vector<std::string> events = walk("add_class=4\n", false);
    EXPECT_TRUE(events.empty());
}

TEST_F(ConfigPass, IncludeFilesStayInTheConfigDirectoryAndAreRegularFiles) {
    ScratchDir outside;
    write_file(outside / "x.conf", "5>/vobs/a>>.>/vobs/b>.>evil\n");
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ::mkdir((dir / "sub").c_str(), 0755);
    const std::string bad_name =
        "e REPLICATION DENIED:  Config. Include File (%s) has Illegal name.  No dir char '/' "
        "allowed: only files of the config. directory are included";
    struct Case {
        std::string name;
        bool bad_name;
    };
    const Case cases[] = {{"../" + outside.path().substr(outside.path().rfind('/') + 1) + "/x.conf", true},
                          {outside / "x.conf", true},
                          {"zero", false},
                          {"fifo", false},
                          {"sub", false},
                          {"..", true}};
    for (const Case& c : cases) {
        auto start = std::chrono::steady_clock::now();
        std::vector<std::string> events = walk("include_file=" + c.name + "\n");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
        std::string path = dir.path() + "/" + c.name;
        std::string expected =
            c.bad_name ? bad_name.substr(0, bad_name.find("%s")) + path + bad_name.substr(bad_name.find("%s") + 2)
                       : "e REPLICATION DENIED:  Config. Include File (" + path + ") cannot be read";
        EXPECT_EQ(events, std::vector<std::string>{expected}) << c.name;
    }
}

TEST_F(ConfigPass, ThePassTextIsBoundedAndTheStopIsReported) {
    std::string line = "5>/vobs/a>>.>/vobs/b>.>siteB\n";  // 29 bytes
    std::string text;
    for (int i = 0; i < 4; ++i) text += line;
    PassRules small{100, 100, "REPLICATION DENIED: "};
    std::vector<std::string> events = walk(text, true, small);
    // The stop is reported once, and the three lines that fit are walked.
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[3], "key 5>/vobs/a>>.>/vobs/b>.>siteB");
    EXPECT_EQ(events[0], "e REPLICATION DENIED:  Config. File (" + dir / "shipper.conf" +
                             ") with its include files exceeds 100 bytes in one pass: the lines beyond were not read");

    // An include file longer than the bound: whole lines up to it are taken.
    write_file(dir / "big.conf", "6>/vobs/a>>.>/vobs/b>.>siteB\n7>/vobs/a>>.>/vobs/b>.>siteB\n");
    PassRules include_small{1000, 40, "REPLICATION DENIED: "};
    events = walk("include_file=big.conf\n", true, include_small);
    std::vector<std::string> expected = {"w REPLICATION DENIED:  Config. Include File (" + dir / "big.conf" +
                                             ") is longer than 40 bytes: the text beyond was not read",
                                         "included 6>/vobs/a>>.>/vobs/b>.>siteB"};
    EXPECT_EQ(events, expected);
}

TEST_F(ConfigPass, TheVisitorEndsTheWalk) {
    Recorder r;
    r.stop_after_keys = 1;
    walk_pass(dir.path(), dir / "shipper.conf", "1>/a>>.>/b>.>x\n2>/a>>.>/b>.>x\n", true, SHIPPER_PASS_RULES, r);
    EXPECT_EQ(r.events, std::vector<std::string>{"key 1>/a>>.>/b>.>x"});
}

TEST(ConfigFile, BoundedReadOfRegularFilesOnly) {
    ScratchDir dir;
    write_file(dir / "c", "0123456789");
    FileText t = read_bounded_file(dir / "c", 4);
    EXPECT_EQ(t.status, ReadStatus::ok);
    EXPECT_EQ(t.text, "0123");
    EXPECT_TRUE(t.truncated);
    t = read_bounded_file(dir / "c", 10);
    EXPECT_EQ(t.text, "0123456789");
    EXPECT_FALSE(t.truncated);
    write_file(dir / "empty", "");
    EXPECT_EQ(read_bounded_file(dir / "empty", 10).status, ReadStatus::empty);
    EXPECT_EQ(read_bounded_file(dir / "none", 10).status, ReadStatus::missing);
    EXPECT_EQ(read_bounded_file("/dev/zero", 10).status, ReadStatus::unreadable);
    EXPECT_EQ(read_bounded_file(dir.path(), 10).status, ReadStatus::unreadable);
}

TEST(ConfigFile, KeptLinesAndKeyValues) {
    std::string kept = kept_lines("a=1\n\n   \n  # view=old\n#x\nb= two words \nview=new\n");
    EXPECT_EQ(kept, "a=1\nb= two words \nview=new\n");
    EXPECT_EQ(key_value(kept, "b="), "two words");
    EXPECT_EQ(key_value(kept, "view="), "new");
    bool found = true;
    EXPECT_EQ(key_value(kept, "c=", &found), "");
    EXPECT_FALSE(found);
}

}  // namespace
