// Reports after the import: the import utility's output rewritten into the
// warnings log, the outcome decided by its closing line, versions that did
// not arrive, and the protection conversion.
#include "receiver/apply/import_report.h"

#include "apply_fixture.h"
#include "receiver/apply/protection.h"

namespace {

class ImportReportTest : public ApplyTest {};

TEST_F(ImportReportTest, ImportWordsBecomeReplicationWords) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"clearimport: Error: x", "Vandrel Error: x"},
        {"run clearimport now", "run replicating now"},
        {"Error: Trouble was encountered importing one", "Error: Trouble was traversed replicating one"},
        {"Trouble importing element", "Error replicating element"},
        {"nothing to change", "nothing to change"},
    };
    for (const Case& c : cases) EXPECT_EQ(rewrite_import_words(c.in), c.out);
}

TEST_F(ImportReportTest, ErrorsAndWarningsOfTheImportGoToTheWarningsLog) {
    write_file(dir / "catche",
               "clearimport: Error: Trouble importing element \"a.c\" version \"/main/2\": no data file.\n"
               "clearimport: Error: Trouble importing directory \"x\": unsafe name.\n");
    write_file(dir / "catcho",
               "Importing element a.c\nError: Trouble was encountered importing one or more versions for the "
               "following element(s):\n  a.c\nClosing directories.\n");
    post_any_needed_warnings(dir / "catche");
    EXPECT_EQ(APPLY_PACKET.found_string_Closing_directories, 0);
    post_any_needed_warnings(dir / "catcho");
    EXPECT_EQ(APPLY_PACKET.found_string_Closing_directories, 1);

    std::string w = log("warnings.txt");
    std::size_t begin = w.find("--- begin replication errors ---- ");
    std::size_t e1 = w.find("Vandrel Error: Error replicating element \"a.c\" version \"/main/2\": no data file.\n");
    std::size_t e2 = w.find("Vandrel Error: Error replicating directory \"x\": unsafe name.\n");
    std::size_t end = w.find("--- end replication errors ---- ");
    ASSERT_NE(begin, std::string::npos) << w;
    EXPECT_TRUE(begin < e1 && e1 < e2 && e2 < end && end != std::string::npos) << w;
    std::size_t wb = w.find("--- begin replication warnings ---- ");
    std::size_t wt = w.find(
        "Vandrel: Warning: Trouble was encountered\nreplicating one or more versions for the following element(s):");
    std::size_t wl = w.find(
        "Error: Trouble was traversed replicating one or more versions for the following "
        "element(s):\n  a.c\nClosing directories.\n");
    std::size_t we = w.find("--- end replication warnings ---- ");
    EXPECT_TRUE(end < wb && wb < wt && wt < wl && wl < we && we != std::string::npos) << w;
}

TEST_F(ImportReportTest, AnImportWithoutItsClosingLineFailsThePacket) {
    struct Case {
        const char* out;
        const char* err;
        int result;
    } cases[] = {
        {"", "", 0},
        {nullptr, nullptr, 0},
        {"Importing\n", "clearimport: Error: broken\n", 0},
        {"Closing directories.\n", "", 1},
        {"", "Closing directories.\n", 1},
    };
    for (const Case& c : cases) {
        unlink_remove(dir / "errors.txt");
        unlink_remove(dir / "catcho");
        unlink_remove(dir / "catche");
        if (c.out) write_file(dir / "catcho", c.out);
        if (c.err) write_file(dir / "catche", c.err);
        write_file(dir / "p.nele", "\n");
        EXPECT_EQ(finish_import(dir / "catcho", dir / "catche", "/view/imp/vobs/dst", dir / "p.crc", "/vobs/dst",
                                "/vobs/dst", dir / "p.nele"),
                  c.result);
        bool failed_logged = log("errors.txt")
                                 .find(
                                     "-- Replication command failed.  ClearCase path possibly not set. Replication "
                                     "failed for (/view/imp/vobs/dst) " +
                                     (dir / "p.crc")) != std::string::npos;
        EXPECT_EQ(failed_logged, c.result == 0);
        // The new-element records go once the import counts as done.
        EXPECT_EQ(exists(dir / "p.nele"), c.result == 0);
    }
}

TEST_F(ImportReportTest, VersionsThatDidNotArriveAreReported) {
    write_file(dir / "arrived", "");
    add_versioned_file(dir / "arrived");
    add_versioned_file("/view/imp/vobs/dst/a.c@@/main/2");
    add_versioned_file("/view/imp/vobs/dst/b.c@@/main/1");
    EXPECT_EQ(report_missing_versions(dir / "in/epoc.001.b.a.crc", "/vobs/dst"), 2);
    EXPECT_EQ(APPLY_PACKET.EMAIL_IS_POPULATED, 1);
    for (const std::string& text : {log("email.txt"), log("warnings.txt")}) {
        EXPECT_NE(text.find("-- Trouble replicating the file versions for package (epoc.001.b.a.crc) /vobs/dst below:"),
                  std::string::npos);
        EXPECT_NE(text.find("These file versions exist in the package, but could not be replicated. For more details "
                            "view (" +
                            (dir / "warnings.txt") +
                            "):\n\n   /view/imp/vobs/dst/a.c@@/main/2\n   /view/imp/vobs/dst/b.c@@/main/1\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("arrived"), std::string::npos);
    }
}

TEST(Protection, PermissionTriplesConvertToOctal) {
    struct Case {
        const char* permissions;
        const char* octal;  // null: refused
    } cases[] = {
        {"rw-r--r--", "644"},   {"r--r--r--", "444"},  {"rwxr-x--x", "751"},
        {"---------", "000"},   {"rw-r--r-", nullptr}, {"rw-r--r--x", nullptr},
        {"rw-r-Sr--", nullptr}, {".", nullptr},        {"- --x -w", nullptr},
    };
    for (const Case& c : cases) {
        std::string octal = "unchanged";
        EXPECT_EQ(permissions_to_octal(c.permissions, octal), c.octal != nullptr) << c.permissions;
        EXPECT_EQ(octal, c.octal ? c.octal : "unchanged") << c.permissions;
    }
}

}  // namespace
