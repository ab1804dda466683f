// A packet from normalisation through the import utility to the reports:
// the import's own output decides the outcome, its errors reach the
// warnings log in the replication's words, and a version it could not make
// is reported as not replicated. Needs the VOB that apply_vob_itest.sh makes
// inside ccsandbox; skipped elsewhere.
#include <cstdlib>

#include "apply_fixture.h"
#include "common/cc_query.h"
#include "receiver/apply/import_report.h"
#include "receiver/apply/normalize.h"

namespace {

class ImportInVob : public ApplyTest {
protected:
    void SetUp() override {
        if (!std::getenv("IN_CCSANDBOX")) GTEST_SKIP() << "needs the VOB that apply_vob_itest.sh makes";
        ApplyTest::SetUp();
    }
    static std::string version(const std::string& vid, const std::string& data) {
        return "VERSION_BEGIN\n" + vl("VersionId", vid) + vl("OnBranch", "main") + vl("ExtractFile", data) +
               "VERSION_END\n";
    }
    // The import as the receiver runs it: inside the import view, in the VOB
    // path, outputs appended to catcho and catche.
    void import() {
        std::string inside = "cd " + shell_quote("/vobs/dst") + " && " + shell_quote(IMPORT_UTILITY_NAME) + " -c " +
                             shell_quote("created by Vandrel") + " -master -i " + shell_quote(dir / "p.zeb");
        Command setview = cleartool(CT_SETVIEW);
        setview.args("-exec", inside, "imp").append_out(dir / "catcho").append_err(dir / "catche");
        setview.run();
    }
};

TEST_F(ImportInVob, TheImportsOwnOutputDecidesAndItsTroubleIsReported) {
    write_file(dir / "zeb.0000", "");
    write_file(dir / "zeb.0001", "fresh\n");
    std::string in = vl("ExportFromDir", "/somewhere/else") + "ELEMENT_BEGIN\n" + vl("Name", "fresh.c") +
                     vl("ElType", "text_file") + version("/main/0", "zeb.0000") + version("/main/1", "zeb.0001") +
                     "ELEMENT_END\n" + "ELEMENT_BEGIN\n" + vl("Name", "a.c") + vl("ElType", "text_file") +
                     version("/main/1", "zeb.0001") + version("/main/2", "zeb.0077") + "ELEMENT_END\n";
    write_file(dir / "p.unorm", in);
    ASSERT_EQ(
        normalize_file(dir / "epoc.007.b.a.crc", dir / "p.unorm", dir / "p.zeb", dir.path(), "/vobs/dst", "/vobs/dst"),
        1);
    import();
    write_file(dir / "p.nele", "\n");
    ASSERT_EQ(finish_import(dir / "catcho", dir / "catche", "/view/imp/vobs/dst", dir / "epoc.007.b.a.crc", "/vobs/dst",
                            "/vobs/dst", dir / "p.nele"),
              1)
        << read_file(dir / "catcho") << read_file(dir / "catche");
    EXPECT_EQ(read_file("/view/imp/vobs/dst/fresh.c@@/main/1"), "fresh\n");

    std::string warnings = log("warnings.txt");
    std::size_t begin = warnings.find("--- begin replication errors ---- ");
    std::size_t error = warnings.find("Vandrel Error: ", begin);
    std::size_t end = warnings.find("--- end replication errors ---- ", begin);
    EXPECT_TRUE(begin != std::string::npos && begin < error && error < end && end != std::string::npos) << warnings;
    EXPECT_EQ(warnings.find(IMPORT_UTILITY_NAME), std::string::npos) << warnings;
    // a.c@@/main/1 existed already; /main/2 was new and did not arrive.
    std::string digest = log("email.txt");
    EXPECT_NE(digest.find("   /vobs/dst/a.c@@/main/1\n"), std::string::npos) << digest;
    EXPECT_NE(digest.find("-- Trouble replicating the file versions for package (epoc.007.b.a.crc) /vobs/dst below:"),
              std::string::npos)
        << digest;
    EXPECT_NE(digest.find("   /view/imp/vobs/dst/a.c@@/main/2\n"), std::string::npos) << digest;
    EXPECT_EQ(digest.find("fresh.c"), std::string::npos) << digest;
}

}  // namespace
