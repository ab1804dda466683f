// Helpers of the substitute: path text, hashing, the shell runner.
#include <gtest/gtest.h>

#include <cstdlib>

#include "clearcase/util/shell.h"
#include "clearcase/util/sys.h"

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
