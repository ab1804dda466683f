// Whole-file primitives: results, modes, the size ceiling and its messages.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "common/file_ops.h"
#include "common/log.h"
#include "../support/scratch_dir.h"

namespace {

class FileOps : public ::testing::Test {
protected:
    void SetUp() override {
        LOG_FILES = LogFileSet{};
        LOG_FILES.LOG_FILE = dir / "all.txt";
        LOG_FILES.ELOG_FILE = dir / "errors.txt";
        umask(022);
    }
    void TearDown() override { LOG_FILES = LogFileSet{}; }
    std::string errors() const { return read_file(dir / "errors.txt"); }
    ScratchDir dir;
};

TEST_F(FileOps, AttributeCodesSetModes) {
    struct Case {
        char code;
        unsigned mode;
    } cases[] = {{'P', 0666}, {'p', 0600}, {'s', 0600}, {'h', 0640}, {'v', 0640}, {'l', 0640}};
    for (const Case& c : cases) {
        std::string f = dir / (std::string("attr_") + c.code);
        write_file(f, "x");
        chmod(f.c_str(), 0640);
        attr_file(f, c.code);
        EXPECT_EQ(mode_of(f), c.mode) << "code " << c.code;
    }
}

TEST_F(FileOps, TouchCreatesTruncatesAndReportsFailure) {
    std::string f = dir / "t";
    write_file(f, "old content");
    EXPECT_EQ(touch_file(f, "new", 'p'), 1);
    EXPECT_EQ(read_file(f), "new");
    EXPECT_EQ(mode_of(f), 0600u);
    EXPECT_EQ(touch_file(f, nullptr, 'l'), 1);
    EXPECT_EQ(read_file(f), "");
    EXPECT_EQ(touch_file(dir / "no/such/dir/f", "x", 'l'), 0);
    EXPECT_NE(errors().find("#1 Could not touch (" + (dir / "no/such/dir/f") + ") with 2: "), std::string::npos)
        << errors();
}

TEST_F(FileOps, AppendTextAndBinary) {
    std::string f = dir / "a";
    EXPECT_EQ(append_file(f, "one\n", 'P'), 1);
    EXPECT_EQ(append_file_b(f, "two", 'l'), 1);
    EXPECT_EQ(append_file(f, nullptr, 'l'), 1);
    EXPECT_EQ(read_file(f), "one\ntwo");
    EXPECT_EQ(mode_of(f), 0666u);
}

TEST_F(FileOps, AppendOpenFailureMessagesDifferByTrailingBlank) {
    std::string f = dir / "missing_dir/x";
    EXPECT_EQ(append_file(f, "t", 'l'), 0);
    EXPECT_EQ(append_file_b(f, "t", 'l'), 0);
    std::string e = errors();
    std::string head = "#1 Could not append (" + f + ") with 2: No such file or directory";
    EXPECT_NE(e.find(head + " \n"), std::string::npos) << e;
    EXPECT_NE(e.find(head + "\n"), std::string::npos) << e;
}

TEST_F(FileOps, AppendAndConcatStopBelowTheCeiling) {
    struct Case {
        long long size;
        const char* text;
        int want;
    } cases[] = {
        {FILE_SIZE_CEILING - 1, "", 0},  // size + 0 + 1 reaches the ceiling
        {FILE_SIZE_CEILING - 1, "x", 0}, {FILE_SIZE_CEILING - 3, "x", 1},
        {FILE_SIZE_CEILING - 2, "x", 0}, {FILE_SIZE_CEILING, "", 0},
    };
    std::string f = dir / "big";
    for (const Case& c : cases) {
        write_file(dir / "errors.txt", "");
        ASSERT_EQ(truncate(f.c_str(), 0) == 0 || !exists(f), true);
        write_file(f, "");
        ASSERT_EQ(truncate(f.c_str(), c.size), 0);
        EXPECT_EQ(append_file(f, c.text, 'l'), c.want) << c.size << " + [" << c.text << "]";
        if (!c.want) {
            EXPECT_NE(errors().find("Appending file would exceed OS MAX.  Could not append file"), std::string::npos);
        }
    }
    // Concatenation: both sizes together may not reach the ceiling.
    std::string src = dir / "small";
    write_file(src, "abc");
    write_file(f, "");
    ASSERT_EQ(truncate(f.c_str(), FILE_SIZE_CEILING - 3), 0);
    write_file(dir / "errors.txt", "");
    EXPECT_EQ(concat_file(src, f, 'l'), 0);
    EXPECT_NE(errors().find("Concating file would exceed OS MAX.  Could not concat file"), std::string::npos);
    ASSERT_EQ(truncate(f.c_str(), FILE_SIZE_CEILING - 4), 0);
    EXPECT_EQ(concat_file(src, f, 'l'), 1);
    unlink(f.c_str());
}

TEST_F(FileOps, ConcatFromMissingSourceLeavesDestination) {
    std::string dst = dir / "dst";
    write_file(dst, "keep");
    chmod(dst.c_str(), 0644);
    EXPECT_EQ(concat_file(dir / "absent", dst, 'p'), 1);
    EXPECT_EQ(read_file(dst), "keep");
    EXPECT_EQ(mode_of(dst), 0600u);
}

TEST_F(FileOps, ConcatCopiesBinaryAndLargeContent) {
    std::string src = dir / "src", dst = dir / "dst";
    std::string data;
    for (int i = 0; i < 300000; ++i) data.push_back(static_cast<char>(i * 7));
    write_file(src, data);
    write_file(dst, "head");
    EXPECT_EQ(concat_file(src, dst, 'l'), 1);
    EXPECT_EQ(read_file(dst), "head" + data);
}

TEST_F(FileOps, ConcatOfAFileToItselfDoublesIt) {
    std::string f = dir / "self";
    write_file(f, "abc");
    EXPECT_EQ(concat_file(f, f, 'l'), 1);
    EXPECT_EQ(read_file(f), "abcabc");
}

TEST_F(FileOps, CopyAndMove) {
    std::string a = dir / "a", b = dir / "b", c = dir / "c";
    write_file(a, "payload");
    write_file(b, "stale longer content");
    EXPECT_EQ(copy_file(a, b, 'p'), 1);
    EXPECT_EQ(read_file(b), "payload");
    EXPECT_EQ(mode_of(b), 0600u);
    EXPECT_EQ(move_file(b, c, 'P'), 1);
    EXPECT_FALSE(exists(b));
    EXPECT_EQ(read_file(c), "payload");
    EXPECT_EQ(mode_of(c), 0666u);
}

TEST_F(FileOps, CopyOrMoveOntoItselfKeepsTheFile) {
    std::string a = dir / "same";
    write_file(a, "precious");
    EXPECT_EQ(copy_file(a, a, 'l'), 1);
    EXPECT_EQ(read_file(a), "precious");
    EXPECT_EQ(move_file(a, dir.path() + "/./same", 'l'), 1);
    EXPECT_EQ(read_file(a), "precious");
}

TEST_F(FileOps, MoveFailures) {
    // A missing source fails and leaves an existing destination alone.
    std::string dst = dir / "dst";
    write_file(dst, "old");
    EXPECT_EQ(move_file(dir / "absent", dst, 'l'), 0);
    EXPECT_EQ(read_file(dst), "old");
    EXPECT_NE(errors().find("moved failed from (" + (dir / "absent") + ") to (" + dst + ")"), std::string::npos);
    // A destination that cannot be created fails and keeps the source.
    std::string src = dir / "src";
    write_file(src, "x");
    EXPECT_EQ(move_file(src, dir / "no/dir/dst", 'l'), 0);
    EXPECT_NE(errors().find("moved failed from (" + src + ") to (" + (dir / "no/dir/dst") + ")"), std::string::npos)
        << errors();
    EXPECT_TRUE(exists(src));
}

TEST_F(FileOps, CmpFiles) {
    struct Case {
        const char* a;
        const char* b;
        int want;
    } cases[] = {
        {"same", "same", 1}, {"", "", 0}, {"abc", "abd", 0}, {"abc", "abcd", 0}, {nullptr, "x", 0}, {"x", nullptr, 0},
    };
    for (const Case& c : cases) {
        std::string fa = dir / "ca", fb = dir / "cb";
        unlink(fa.c_str());
        unlink(fb.c_str());
        if (c.a) write_file(fa, c.a);
        if (c.b) write_file(fb, c.b);
        EXPECT_EQ(cmp_files(fa, fb), c.want) << (c.a ? c.a : "(none)") << " vs " << (c.b ? c.b : "(none)");
    }
    std::string big(100000, 'q');
    write_file(dir / "ba", big);
    big[99999] = 'r';
    write_file(dir / "bb", big);
    EXPECT_EQ(cmp_files(dir / "ba", dir / "bb"), 0);
}

TEST_F(FileOps, ExistenceAndEmptiness) {
    std::string f = dir / "e";
    EXPECT_EQ(this_file_exists(f), 0);
    EXPECT_EQ(file_is_empty(f), 0);  // missing is not empty
    write_file(f, "");
    EXPECT_EQ(this_file_exists(f), 1);
    EXPECT_EQ(_is_visible(f), 1);
    EXPECT_EQ(file_is_empty(f), 1);
    write_file(f, "1");
    EXPECT_EQ(file_is_empty(f), 0);
    unlink_remove(f);
    EXPECT_EQ(this_file_exists(f), 0);
}

TEST_F(FileOps, RemoveTemplateFilesStopsAtTheFirstGap) {
    std::string base = dir / "pkt";
    for (const char* s : {"", "_1", "_2", "_3", "_5"}) write_file(base + s, "x");
    remove_template_files(base);
    for (const char* s : {"", "_1", "_2", "_3"}) EXPECT_FALSE(exists(base + s)) << s;
    EXPECT_TRUE(exists(base + "_5"));
}

}  // namespace
