// Re-protection of new elements in a receiving VOB: the sender's
// protections ("preserve"), the receiver key line's owner and group
// ("exactly"), nothing for the process's own protections, and records that
// would reach outside the VOB path. Needs the VOB that apply_vob_itest.sh
// makes inside ccsandbox; skipped elsewhere.
#include <cstdlib>

#include "apply_fixture.h"
#include "common/cc_query.h"
#include "receiver/apply/import_report.h"

namespace {

class ReprotectInVob : public ApplyTest {
protected:
    void SetUp() override {
        if (!std::getenv("IN_CCSANDBOX")) GTEST_SKIP() << "needs the VOB that apply_vob_itest.sh makes";
        ApplyTest::SetUp();
        write_file(dir / "catcho", "Closing directories.\n");
    }
    // "owner|group|permissions" of an element.
    static std::string protection_of(const std::string& name) {
        Command describe = cleartool(CT_DESCRIBE);
        describe.args("-fmt", "%[owner]p|%[group]p|%[permissions]p", "/view/imp/vobs/dst/" + name + "@@").trash_err();
        std::string answer;
        get_stdout_of_command(describe, answer, 1024);
        return answer;
    }
    int finish(const std::string& records) {
        write_file(dir / "p.nele", records);
        return finish_import(dir / "catcho", dir / "catche", "/view/imp/vobs/dst", dir / "p.crc", "/vobs/dst",
                             "/vobs/dst", dir / "p.nele");
    }
};

TEST_F(ReprotectInVob, ProtectionsFollowTheReceiverKeyLine) {
    APPLY_SETTINGS.protection = PROTECTION_PROCESS;
    ASSERT_EQ(finish("b.c|alice|staff|r--r--r--;\n"), 1);
    EXPECT_EQ(protection_of("b.c"), "nobody|nogroup|rw-rw-rw-");
    EXPECT_FALSE(exists(dir / "p.nele"));

    APPLY_SETTINGS.protection = PROTECTION_PRESERVE;
    ASSERT_EQ(finish("b.c|alice|staff|r--r--r--;sub/c.c|bob||rw-r-----;e.c|||.;\n"), 1);
    EXPECT_EQ(protection_of("b.c"), "alice|staff|r--r--r--");
    EXPECT_EQ(protection_of("sub/c.c"), "bob|nogroup|rw-r-----");
    EXPECT_EQ(protection_of("e.c"), "nobody|nogroup|rw-rw-rw-");

    APPLY_SETTINGS.protection = PROTECTION_EXACTLY;
    APPLY_SETTINGS.exact_user = "carol";
    APPLY_SETTINGS.exact_group = "devs";
    ASSERT_EQ(finish("e.c|alice|staff|r--r--r--;\n"), 1);
    EXPECT_EQ(protection_of("e.c"), "carol|devs|rw-rw-rw-");
    EXPECT_EQ(log("warnings.txt").find("Could not properly protect"), std::string::npos);
}

TEST_F(ReprotectInVob, HostileRecordsProtectNothingOutsideAndRunNothing) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    APPLY_SETTINGS.protection = PROTECTION_PRESERVE;
    ASSERT_EQ(finish("../../../etc/passwd|alice|staff|rwxrwxrwx;/etc/passwd|alice|staff|rwxrwxrwx;"
                     "b.c|$(touch pwned_o)|`touch pwned_g`|rw-------;no fields;\n"),
              1);
    std::string warnings = log("warnings.txt");
    for (const char* record :
         {"../../../etc/passwd|alice|staff|rwxrwxrwx", "/etc/passwd|alice|staff|rwxrwxrwx", "no fields"}) {
        EXPECT_NE(warnings.find(std::string("-- Warning: Could not properly protect element (") + record),
                  std::string::npos)
            << record << warnings;
    }
    EXPECT_EQ(protection_of("b.c"), "$(touch pwned_o)|`touch pwned_g`|rw-------");
    EXPECT_FALSE(exists(dir / "pwned_o"));
    EXPECT_FALSE(exists(dir / "pwned_g"));
}

TEST_F(ReprotectInVob, AMissingRecordsFileOnlyWarns) {
    APPLY_SETTINGS.protection = PROTECTION_PRESERVE;
    EXPECT_EQ(finish_import(dir / "catcho", dir / "catche", "/view/imp/vobs/dst", dir / "p.crc", "/vobs/dst",
                            "/vobs/dst", dir / "gone.nele"),
              1);
    std::string warnings = log("warnings.txt");
    EXPECT_NE(warnings.find("-- Warning: File (" + (dir / "gone.nele") + ") unexpectedly removed..."),
              std::string::npos);
    EXPECT_NE(warnings.find("-- Warning: Could not properly protect one or more new elements under the directory "
                            "(/vobs/dst)..."),
              std::string::npos);
}

}  // namespace
