// The standard-output frame of the communication test and the proxy relay.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "common/console_frame.h"
#include "common/file_ops.h"
#include "../support/scratch_dir.h"

namespace {

std::string blat(const std::string& path) {
    testing::internal::CaptureStdout();
    blat_file(path.c_str());
    return testing::internal::GetCapturedStdout();
}

TEST(ConsoleFrame, BlatFile) {
    ScratchDir dir;
    write_file(dir / "small", "hello");
    std::string big(20000, 'b');
    write_file(dir / "big", big);
    EXPECT_EQ(blat(dir / "small"), "hello\n");
    EXPECT_EQ(blat(dir / "big"), std::string(10239, 'b') + "\n");
    EXPECT_EQ(blat(dir / "absent"), "... error file (" + (dir / "absent") + ") not found...\n");
    // A directory opens but cannot be read.
    EXPECT_EQ(blat(dir.path()), "... error file (" + dir.path() + ") empty...\n");
}

TEST(ConsoleFrame, BlogLinesCarryTheTime) {
    testing::internal::CaptureStdout();
    blog_it('n', "relay pass");
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(out.size(), 1 + 24 + 2 + 10 + 1) << out;
    EXPECT_TRUE(looks_like_asctime(out.substr(1, 24))) << out;
    EXPECT_EQ(out.substr(25), "] relay pass\n");
}

TEST(ConsoleFrame, ExitPathsRemoveExtractedFiles) {
    ScratchDir dir;
    std::string f = dir / "tmp_part";
    struct Case {
        int which;
        int status;
        const char* output;
    } cases[] = {
        {0, 1, "^fatal\n$"},
        {1, 158, "\\] Stopped for receipt of terminal signal \\(#-98\\)...\n$"},
        {2, 256 - 97, "\\] Stopped because INTERNAL_FILE vanished...\n$"},
        {3, 1, "\\] relay failed\n$"},
    };
    for (const Case& c : cases) {
        write_file(f, "x");
        EXPECT_EXIT(
            {
                dup2(2, 1);
                push_extracted_file(f);
                if (c.which == 0) print_and_bail("fatal");
                if (c.which == 1) blast_words(-98);
                if (c.which == 2) blast_words(-97);
                blog_and_bail("relay failed");
            },
            ::testing::ExitedWithCode(c.status), c.output);
        EXPECT_FALSE(exists(f)) << c.which;
    }
}

}  // namespace
