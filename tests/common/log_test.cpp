// Log classes and the files each one reaches; line format; random strings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "common/log.h"
#include "../support/scratch_dir.h"

namespace {

class Logging : public ::testing::Test {
protected:
    void SetUp() override {
        set_log_files(dir.path(), "receiver", "", true);
        UTC_OFFSET = "-5";
        HAS_WARNINGS = 0;
    }
    void TearDown() override {
        LOG_FILES = LogFileSet{};
        UTC_OFFSET.clear();
        HAS_WARNINGS = 0;
    }
    // Short name of every log file that holds text, with its content.
    std::map<std::string, std::string> contents() const {
        std::map<std::string, std::string> out;
        for (const char* n : {"all", "errors", "warnings", "deploys", "TOCs", "start_stop", "email"}) {
            std::string p = dir / (std::string("receiver_") + n + ".txt");
            if (exists(p) && !read_file(p).empty()) out[n] = read_file(p);
        }
        return out;
    }
    std::set<std::string> written() const {
        std::set<std::string> s;
        for (auto& [k, v] : contents()) s.insert(k);
        return s;
    }
    ScratchDir dir;
};

using S = std::set<std::string>;

TEST_F(Logging, EachClassReachesItsFiles) {
    struct Case {
        char cls;
        S line_files;  // log_it / log_it_banner
        S text_files;  // log_text
    } cases[] = {
        {'E', {"email"}, {"email"}},
        {'d', {"deploys"}, {"deploys"}},
        {'t', {"TOCs"}, {"TOCs"}},
        {'S', {"start_stop"}, {"all"}},
        {'n', {"all"}, {"all"}},
        {'e', {"all", "errors"}, {"all", "errors"}},
        {'w', {"all", "warnings"}, {"all", "warnings"}},
        {'s', {"all", "start_stop"}, {"all"}},
        {'l', {"all"}, {"all"}},
        {'?', {"all"}, {"all"}},
    };
    for (const Case& c : cases) {
        SetUp();
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        log_it(c.cls, "message");
        EXPECT_EQ(written(), c.line_files) << "log_it class " << c.cls;
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        log_it_banner(c.cls, "message");
        EXPECT_EQ(written(), c.line_files) << "log_it_banner class " << c.cls;
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        log_text(c.cls, "block");
        EXPECT_EQ(written(), c.text_files) << "log_text class " << c.cls;
    }
}

TEST_F(Logging, LineFormatAndBanner) {
    log_it('n', "hello world");
    std::string all = read_file(dir / "receiver_all.txt");
    ASSERT_EQ(all.size(), 1 + 24 + 9 + 12) << all;
    EXPECT_EQ(all[0], '[');
    EXPECT_TRUE(looks_like_asctime(all.substr(1, 24))) << all;
    EXPECT_EQ(all.substr(25), " UTC -5] hello world\n");

    log_it_banner('e', "boxed");
    std::string errors = read_file(dir / "receiver_errors.txt");
    std::string banner(52, '#');
    ASSERT_EQ(errors.rfind(banner + "\n[", 0), 0u) << errors;
    EXPECT_NE(errors.find("] boxed\n" + banner + "\n"), std::string::npos);

    log_text('t', "verbatim, no newline");
    EXPECT_EQ(read_file(dir / "receiver_TOCs.txt"), "verbatim, no newline");
}

TEST_F(Logging, UnopenableAllLog) {
    // The "all" log is a directory: class n writes nothing anywhere, the
    // second file of e, w and s is written all the same.
    std::filesystem::create_directories(dir / "receiver_all.txt");
    log_it('n', "lost");
    log_it('e', "err");
    log_it('w', "warn");
    log_it('s', "ss");
    EXPECT_EQ(written(), (S{"errors", "warnings", "start_stop"}));
}

TEST_F(Logging, WarningsFlag) {
    log_it('n', "x");
    log_it('e', "x");
    EXPECT_EQ(HAS_WARNINGS, 0);
    // Set even when the warnings file cannot be opened.
    LOG_FILES.WLOG_FILE = dir / "missing_dir/w.txt";
    log_it('w', "x");
    EXPECT_EQ(HAS_WARNINGS, 1);
    HAS_WARNINGS = 0;
    log_text('w', "x");
    EXPECT_EQ(HAS_WARNINGS, 1);
}

TEST_F(Logging, EmptyPathsWriteNowhere) {
    LOG_FILES = LogFileSet{};
    log_it('e', "nowhere");  // must not crash nor create anything
    log_it('E', "nowhere");  // the shipper has no e-mail digest
    EXPECT_TRUE(written().empty());
}

TEST_F(Logging, ConcatLogCopiesOutputWithoutTouchingWarnings) {
    std::string out = dir / "transport.out";
    write_file(out, "line1\nline2\n");
    concat_log('w', out.c_str());
    concat_log('e', out.c_str());
    concat_log('n', out.c_str());
    auto c = contents();
    EXPECT_EQ(c["all"], "line1\nline2\nline1\nline2\nline1\nline2\n");
    EXPECT_EQ(c["warnings"], "line1\nline2\n");
    EXPECT_EQ(c["errors"], "line1\nline2\n");
    EXPECT_EQ(HAS_WARNINGS, 0);
}

TEST(LogFileNames, SuffixRules) {
    struct Case {
        const char* base;
        const char* suffix;
        const char* want;
    } cases[] = {
        {"shipper_all", "", "/l/shipper_all.txt"},
        {"shipper_errors", "3", "/l/shipper_errors_3.txt"},
        {"shipper_all", "0", "/l/shipper_all_0.txt"},
        {"receiver_email", "site2", "/l/receiver_email_site2.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(log_file_path("/l", c.base, c.suffix), c.want);
    set_log_files("/l", "shipper", "", false);
    EXPECT_EQ(LOG_FILES.SSLOG_FILE, "/l/shipper_start_stop.txt");
    EXPECT_EQ(LOG_FILES.TLOG_FILE, "/l/shipper_TOCs.txt");
    EXPECT_EQ(LOG_FILES.DLOG_FILE, "/l/shipper_deploys.txt");
    EXPECT_TRUE(LOG_FILES.MLOG_FILE.empty());
    LOG_FILES = LogFileSet{};
}

TEST(LogFileNames, CreatedPrivateWhenMissing) {
    ScratchDir dir;
    std::string f = dir / "x_all.txt";
    EXPECT_EQ(create_log_file_if_missing(f), 1);
    EXPECT_EQ(mode_of(f), 0600u);
    write_file(f, "kept");
    EXPECT_EQ(create_log_file_if_missing(f), 1);
    EXPECT_EQ(read_file(f), "kept");
    EXPECT_EQ(create_log_file_if_missing(dir / "no/dir/x.txt"), 0);
}

TEST(RandomString, LengthAndAlphabet) {
    std::srand(42);
    struct Case {
        int n;
        size_t want;
    } cases[] = {{0, 0}, {1, 1}, {80, 80}, {100, 100}, {120, 100}, {-3, 0}};
    for (const Case& c : cases) {
        std::string s = random_string(c.n);
        EXPECT_EQ(s.size(), c.want) << c.n;
        EXPECT_EQ(s.find_first_not_of(CHAR_POOL), std::string::npos) << s;
    }
    EXPECT_EQ(sizeof(CHAR_POOL) - 1, 64u);
    std::string a = random_string(40), b = random_string(40);
    EXPECT_NE(a, b);
}

}  // namespace
