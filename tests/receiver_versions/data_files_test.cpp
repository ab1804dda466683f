// The data file check before the import: a version whose "ExtractFile"
// names anything but a data file of this packet is left out visibly, the
// rest of the element description passes byte for byte.
#include <unistd.h>

#include "common/file_ops.h"
#include "receiver/versions/import_run.h"
#include "versions_fixture.h"

namespace {

class DataFiles : public VersionsTest {
protected:
    std::string element(const std::string& name, const std::string& versions) {
        return "ELEMENT_BEGIN\n" + vl("Name", name) + vl("ElType", "text_file") + versions + "ELEMENT_END\n";
    }
};

TEST_F(DataFiles, ForeignOrMissingDataFilesAreLeftOutAndReported) {
    write_file(dir / "zeb.0000", "");
    write_file(dir / "zeb.0001", "one\n");
    write_file(dir / "zeb.0002", "two\n");
    write_file(dir / "receiver.cs", "element * /main/LATEST\n");
    ASSERT_EQ(::symlink((dir / "zeb.0001").c_str(), (dir / "zeb.0003").c_str()), 0);
    // An attribute value spanning lines that looks like block lines.
    std::string attr = "Note=\"x\nVERSION_END\nELEMENT_END\"";
    std::string good = "VERSION_BEGIN\n" + vl("VersionId", "/main/1") + vl("OnBranch", "main") + vl("Attrib", attr) +
                       vl("ExtractFile", "zeb.0001") + "VERSION_END\n";
    std::string head = vl("ExportFromDir", dir.path()) + "BRTYPE_BEGIN\n" + vl("BrType", "dev") + "BRTYPE_END\n";
    std::string link =
        "ELEMENT_BEGIN\n" + vl("Name", "l") + vl("ElType", "symbolic_link") + vl("TargetName", "x") + "ELEMENT_END\n";
    struct Bad {
        const char* why;
        std::string data;
    } bads[] = {
        {"missing", "zeb.0009"},
        {"above the packet's count", "zeb.0002"},
        {"another file", "receiver.cs"},
        {"climbs out", "../zeb.0001"},
        {"absolute", "/etc/passwd"},
        {"a link", "zeb.0003"},
        {"empty name", ""},
    };
    for (const Bad& bad : bads) {
        std::string kept = element("a.c", version_block("/main/0", "zeb.0000") + good);
        std::string in = head + kept +
                         element("b.c", version_block("/main/0", "zeb.0000") + version_block("/main/2", bad.data) +
                                            version_block("/main/3", "zeb.0001")) +
                         element("gone.c", version_block("/main/1", bad.data)) + link;
        write_file(dir / "p.zeb", in);
        unlink_remove(dir / "warnings.txt");
        ASSERT_EQ(check_data_files(dir / "p.zeb", dir.path(), dir / "epoc.007.b.a.crc", 2), 1) << bad.why;
        std::string want = head + kept +
                           element("b.c", version_block("/main/0", "zeb.0000") + version_block("/main/3", "zeb.0001")) +
                           link;
        EXPECT_EQ(read_file(dir / "p.zeb"), want) << bad.why;
        std::string warnings = log("warnings.txt");
        EXPECT_NE(warnings.find("-- Warning: Data file (" + bad.data +
                                ") for element version (b.c@@/main/2) is not part of package (epoc.007.b.a.crc)..."),
                  std::string::npos)
            << bad.why << ": " << warnings;
        EXPECT_NE(warnings.find("(gone.c@@/main/1)"), std::string::npos) << bad.why << ": " << warnings;
    }
}

TEST_F(DataFiles, AnIntactDescriptionIsLeftAsItIs) {
    write_file(dir / "zeb.0000", "");
    write_file(dir / "zeb.0001", "one\n");
    std::string in = vl("ExportFromDir", dir.path()) + "ELEMENT_BEGIN\n" + vl("Name", "a.c") +
                     vl("ElType", "text_file") + version_block("/main/0", "zeb.0000") +
                     version_block("/main/1", "zeb.0001") + "ELEMENT_END\n" + std::string(75, ' ');
    write_file(dir / "p.zeb", in);
    ASSERT_EQ(check_data_files(dir / "p.zeb", dir.path(), dir / "x.crc", -1), 1);
    EXPECT_EQ(read_file(dir / "p.zeb"), in);
    EXPECT_FALSE(exists(dir / "warnings.txt"));
    EXPECT_EQ(check_data_files(dir / "missing.zeb", dir.path(), dir / "x.crc", -1), 0);
    EXPECT_NE(log("errors.txt").find("-- Could not check the data files named by ("), std::string::npos);
}

}  // namespace
