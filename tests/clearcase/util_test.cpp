// Helpers of the substitute: path text, hashing, the shell runner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "clearcase/util/shell.h"
#include "clearcase/util/sys.h"
#include "tests/support/scratch_dir.h"

TEST(SubstitutePaths, LexicalHelpers) {
    struct Case {
        const char* in;
        const char* norm;
    } cases[] = {{"/a/b/../c", "/a/c"}, {"/a/./b//c/", "/a/b/c"}, {"/..", "/"}, {"/", "/"}, {"/a/../../b", "/b"}};
    for (auto& c : cases) EXPECT_EQ(ccsub::normalize_path(c.in), c.norm) << c.in;
    EXPECT_TRUE(ccsub::path_within("/vobs/src/a", "/vobs/src"));
    EXPECT_TRUE(ccsub::path_within("/vobs/src", "/vobs/src"));
    EXPECT_FALSE(ccsub::path_within("/vobs/srcx", "/vobs/src"));
    EXPECT_EQ(ccsub::dirname_of("/a/b/"), "/a");
    EXPECT_EQ(ccsub::basename_of("/a/b/"), "b");
    EXPECT_EQ(ccsub::join_path("/a/", "/b"), "/a/b");
}

TEST(SubstituteHash, Sha256KnownVectors) {
    EXPECT_EQ(ccsub::sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(ccsub::sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the padding needs a second block.
    EXPECT_EQ(ccsub::sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(ccsub::sha256_hex(std::string(1000, 'a')),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

TEST(SubstituteShell, StatusEnvironmentAndQuoting) {
    EXPECT_EQ(ccsub::run_shell("exit 0"), 0);
    EXPECT_EQ(ccsub::run_shell("exit 42"), 42);
    EXPECT_EQ(ccsub::run_shell("kill -TERM $$"), 128 + 15);
    ccsub::ShellEnv env;
    env.set = {{"CCSUB_T1", "a b'c\"d"}, {"PATH", "/usr/bin:/bin"}};
    // The value reaches the child verbatim, without being re-parsed.
    EXPECT_EQ(ccsub::run_shell("[ \"$CCSUB_T1\" = 'a b'\\''c\"d' ]", env), 0);
    env.inherit = false;
    setenv("CCSUB_T2", "inherited", 1);
    EXPECT_EQ(ccsub::run_shell("[ -z \"$CCSUB_T2\" ]", env), 0);
    unsetenv("CCSUB_T2");
}

TEST(SubstituteFiles, WriteReadCopyRemove) {
    char tmpl[] = "/tmp/ccsub_util_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string d = tmpl;
    ASSERT_TRUE(ccsub::mkdir_p(d + "/x/y/z"));
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(ccsub::write_file(d + "/x/f", data, 0600));
    ASSERT_TRUE(ccsub::copy_file(d + "/x/f", d + "/x/y/g", 0444));
    std::string back;
    ASSERT_TRUE(ccsub::read_file(d + "/x/y/g", back));
    EXPECT_EQ(back, data);
    EXPECT_TRUE(ccsub::remove_tree(d));
    EXPECT_FALSE(ccsub::path_exists(d));
}

// A link planted at the old, predictable temporary name ("<out>.tmp.<pid>")
// or at the output itself is never written through nor re-moded: the output
// becomes a new regular file and the links' targets stay as they were.
TEST(SubstituteFiles, NeverWriteThroughPlantedLinks) {
    using Writer = bool (*)(const std::string& src, const std::string& out);
    struct Case {
        const char* what;
        Writer write;
    } cases[] = {
        {"write_file",
         [](const std::string&, const std::string& out) { return ccsub::write_file(out, "new\n", 0444); }},
        {"copy_file", [](const std::string& src, const std::string& out) { return ccsub::copy_file(src, out, 0444); }},
    };
    for (const auto& c : cases) {
        ScratchDir d;
        ASSERT_FALSE(d.path().empty());
        ::write_file(d / "src", "new\n");
        ::write_file(d / "victim_tmp", "keep tmp\n");
        ::write_file(d / "victim_out", "keep out\n");
        ::chmod((d / "victim_tmp").c_str(), 0600);
        ::chmod((d / "victim_out").c_str(), 0600);
        const std::string out = d / "out";
        ASSERT_EQ(::symlink((d / "victim_tmp").c_str(), (out + ".tmp." + std::to_string(::getpid())).c_str()), 0);
        ASSERT_EQ(::symlink((d / "victim_out").c_str(), out.c_str()), 0);
        ASSERT_TRUE(c.write(d / "src", out)) << c.what;
        struct stat sb;
        ASSERT_EQ(::lstat(out.c_str(), &sb), 0);
        EXPECT_TRUE(S_ISREG(sb.st_mode)) << c.what;
        EXPECT_EQ(sb.st_mode & 07777, 0444u) << c.what;
        EXPECT_EQ(::read_file(out), "new\n") << c.what;
        EXPECT_EQ(::read_file(d / "victim_tmp"), "keep tmp\n") << c.what;
        EXPECT_EQ(::read_file(d / "victim_out"), "keep out\n") << c.what;
        EXPECT_EQ(mode_of(d / "victim_tmp"), 0600u) << c.what;
        EXPECT_EQ(mode_of(d / "victim_out"), 0600u) << c.what;
        // Nothing but the output, the planted link and the victims is left.
        size_t entries = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(d.path())) ++entries;
        EXPECT_EQ(entries, 5u) << c.what;
    }
}
