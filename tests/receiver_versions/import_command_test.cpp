// The import's command line, run against stand-ins for cleartool (which runs
// the setview text with the shell, as setview does) and for the import
// utility (which writes down its working directory and arguments): every
// value reaches them verbatim, whatever quotes or substitutions it holds.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "receiver/apply/import_report.h"
#include "receiver/versions/import_run.h"
#include "versions_fixture.h"

namespace {

class ImportCommand : public VersionsTest {
protected:
    void SetUp() override {
        VersionsTest::SetUp();
        fake_program("cleartool", "[ \"$1 $2\" = 'setview -exec' ] || exit 9\nprintf '%s\\n' \"$4\" > '" +
                                      dir / "view" + "'\nexec /bin/sh -c \"$3\"\n");
        fake_program(IMPORT_UTILITY_NAME, "{ pwd; for a; do printf '%s\\n' \"$a\"; done; } > '" + dir / "import_args" +
                                              "'\necho 'Closing directories.'\necho trouble >&2\n");
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    }
};

TEST_F(ImportCommand, HostileValuesArriveVerbatim) {
    std::string hostile = "v'q \"$(touch pwned)\" `touch pwned`; touch pwned";
    std::string vob_path = dir / hostile;
    std::string receiving = dir / ("in " + hostile);
    ASSERT_EQ(::mkdir(vob_path.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(receiving.c_str(), 0755), 0);
    APPLY_SETTINGS.IMPORT_VIEW = "imp'$(touch pwned)";
    struct Case {
        int label_directories;
        const char* switches;
    } cases[] = {{1, ""}, {0, "-nolab\n"}};
    for (const Case& c : cases) {
        VERSIONS_SETTINGS.label_directories = c.label_directories;
        ImportOutputs outputs;
        EXPECT_EQ(run_import(receiving, receiving + "/p.zeb", vob_path, outputs), 0);
        EXPECT_EQ(read_file(dir / "import_args"),
                  vob_path + "\n-c\ncreated by Vandrel\n" + c.switches + "-master\n-i\n" + receiving + "/p.zeb\n");
        EXPECT_EQ(read_file(dir / "view"), APPLY_SETTINGS.IMPORT_VIEW + "\n");
        EXPECT_EQ(outputs.catcho, receiving + "/catcho." + std::to_string(::getpid()));
        EXPECT_EQ(read_file(outputs.catcho), "Closing directories.\n");
        EXPECT_EQ(read_file(outputs.catche), "trouble\n");
        for (const std::string& where : {dir.path(), vob_path, receiving})
            EXPECT_FALSE(exists(where + "/pwned")) << where;
    }
}

TEST_F(ImportCommand, OutputsStartEmptyAndNeverWriteThroughALink) {
    ImportOutputs outputs = import_output_names(dir.path());
    write_file(outputs.catcho, "Closing directories.\nfrom an earlier packet\n");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), outputs.catche.c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "vob").c_str(), 0755), 0);
    run_import(dir.path(), dir / "p.zeb", dir / "vob", outputs);
    EXPECT_EQ(read_file(outputs.catcho), "Closing directories.\n");
    EXPECT_EQ(read_file(outputs.catche), "trouble\n");
    EXPECT_EQ(mode_of(outputs.catcho), 0600u);
    EXPECT_FALSE(exists(dir / "elsewhere"));
}

}  // namespace
