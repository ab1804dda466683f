// Where clearimport may read data files: the ExportFromDir rules and the
// check of each data file's resolved path.
#include "clearcase/exchange/data_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/scratch_dir.h"

namespace ccx {
namespace {

// S/bay (the data file's directory) with bay/up -> S/secret; the view root
// S/view with view W showing /vobs/src, whose "out" links to S/secret.
class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        s = resolved_path(scratch.path());
        std::filesystem::create_directories(s + "/bay");
        std::filesystem::create_directories(s + "/secret");
        std::filesystem::create_directories(s + "/view/W/vobs/src");
        ASSERT_EQ(::symlink((s + "/secret").c_str(), (s + "/bay/up").c_str()), 0);
        ASSERT_EQ(::symlink((s + "/secret").c_str(), (s + "/view/W/vobs/src/out").c_str()), 0);
        rules.datafile_dir = s + "/bay";
        rules.view_root = s + "/view";
        rules.view_dir = s + "/view/W";
        rules.vob_tags = {"/vobs/src"};
    }

    ScratchDir scratch;
    std::string s;
    DataDirRules rules;
};

TEST_F(DataDirTest, AcceptsOnlyTheDataFilesDirectoryAndTheViewNamespace) {
    struct Case {
        std::string export_from_dir;
        std::string dir;  // "" = refused
    };
    const Case cases[] = {
        {s + "/bay", s + "/bay"},
        {s + "/bay/", s + "/bay"},
        {s + "/bay/../bay", s + "/bay"},
        {s + "/view/W/vobs/src", s + "/view/W/vobs/src"},
        {s + "/view/W/vobs/src/not/yet", s + "/view/W/vobs/src/not/yet"},
        // What the exporter writes: the VOB as the current view shows it.
        {"/vobs/src", s + "/view/W/vobs/src"},
        {"/vobs/src/lib", s + "/view/W/vobs/src/lib"},
        {s + "/secret", ""},
        {s + "/bay/../secret", ""},
        {s + "/bay/up", ""},               // a link out of the data file's directory
        {s + "/view/W/vobs/src/out", ""},  // a link out of the view namespace
        {s + "/view/../secret", ""},
        {s, ""},
        {"/vobs/src/../../etc", ""},
        {"/vobs/srcx", ""},
        {"/etc", ""},
        {"bay", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string dir, why;
        const bool ok = resolve_data_dir(c.export_from_dir, rules, dir, why);
        EXPECT_EQ(ok, !c.dir.empty()) << "[" << c.export_from_dir << "] " << why;
        if (ok) {
            EXPECT_EQ(dir, c.dir) << c.export_from_dir;
        }
    }
}

TEST_F(DataDirTest, RefusalNamesTheValue) {
    std::string dir, why;
    EXPECT_FALSE(resolve_data_dir("/etc", rules, dir, why));
    EXPECT_EQ(why,
              "ExportFromDir \"/etc\" is neither the directory of the data file nor a directory below " + s + "/view");
}

TEST_F(DataDirTest, DataFilesStayInsideOnceLinksAreResolved) {
    write_file(s + "/bay/zeb.0001", "x");
    write_file(s + "/secret/shadow", "x");
    std::filesystem::create_directories(s + "/store/7/main");
    write_file(s + "/store/7/main/1", "x");
    ASSERT_EQ(::symlink((s + "/store/7").c_str(), (s + "/bay/f.c@@").c_str()), 0);
    const std::vector<std::string> dirs = {s + "/bay", s + "/store"};
    EXPECT_TRUE(data_file_within(s + "/bay/zeb.0001", dirs));
    EXPECT_TRUE(data_file_within(s + "/bay/f.c@@/main/1", dirs));  // into the version store
    EXPECT_FALSE(data_file_within(s + "/bay/up/shadow", dirs));
    EXPECT_FALSE(data_file_within(s + "/bay/../secret/shadow", dirs));
    EXPECT_FALSE(data_file_within(s + "/bay/zeb.0001", {""}));  // an unresolved root admits nothing
}

}  // namespace
}  // namespace ccx
