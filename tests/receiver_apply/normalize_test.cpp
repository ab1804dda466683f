// Normalisation of received element descriptions without a VOB: no view
// exists, so every version counts as new and no type is locked.
#include "receiver/apply/normalize.h"

#include "apply_fixture.h"

namespace {

class NormalizeTest : public ApplyTest {
protected:
    int normalize(const std::string& text) {
        write_file(dir / "p.unorm", text);
        return normalize_file(dir / "epoc.007.siteB.siteA.crc", dir / "p.unorm", dir / "p.zeb", "/bay/in", "/vobs/dst",
                              "/vobs/dst");
    }
    std::string output() const { return read_file(dir / "p.zeb"); }

    static std::string version(const std::string& vid, const std::string& branch, const std::string& extra = "") {
        return "VERSION_BEGIN\n" + vl("VersionId", vid) + vl("OnBranch", branch) + extra + "VERSION_END\n";
    }
};

TEST_F(NormalizeTest, CopiesThePacketRewritingTheExportDirectoryAndListingNewVersions) {
    APPLY_PACKET.VERSIONS_IN_PACKET = 2;
    // A type block keeps the lines that define the type (here a value type
    // and a default spanning two lines), so the import makes it as it was.
    const std::string attype = "ATTYPE_BEGIN\n" + vl("AttrType", "Review") + vl("ValueType", "integer") +
                               vl("DefaultValue", "1\n2") + "ATTYPE_END\n";
    std::string in = vl("ExportFromDir", "/far/away/bay") + "LBTYPE_BEGIN\n" + vl("LbType", "REL1") + "LBTYPE_END\n" +
                     attype + std::string(75, ' ') + "\n" + "ELEMENT_BEGIN\n" + vl("Name", "src\\a.c") +
                     version("/main/1", "main", vl("Label", "REL1") + vl("Merge", "CHECKEDOUT./main/0")) +
                     version("\\main\\2", "main", vl("FMerge", "/main/1")) + "ELEMENT_END\n" + std::string(75, ' ');
    ASSERT_EQ(normalize(in), 1);

    std::string expected = vl("ExportFromDir", "/bay/in") + "LBTYPE_BEGIN\n" + vl("LbType", "REL1") + "LBTYPE_END\n" +
                           attype + std::string(75, ' ') + "\n" + "ELEMENT_BEGIN\n" + vl("Name", "src/a.c") +
                           version("/main/1", "main", vl("Label", "REL1")) +
                           version("/main/2", "main", vl("FMerge", "/main/1")) + "ELEMENT_END\n" +
                           std::string(75, ' ') + "\n";
    EXPECT_EQ(output(), expected);
    EXPECT_EQ(mode_of(dir / "p.zeb"), 0600u);
    EXPECT_EQ(APPLY_PACKET.IS_DEPLOYMENT, 0);
    EXPECT_EQ(APPLY_PACKET.VERSIONED_FILE_LIST.list(),
              (std::vector<std::string>{"/view/imp/vobs/dst/src/a.c@@/main/1", "/view/imp/vobs/dst/src/a.c@@/main/2"}));

    std::string toc = log("tocs.txt");
    EXPECT_NE(toc.find("-- TOC for package (epoc.007.siteB.siteA.crc) /vobs/dst is below:"), std::string::npos);
    EXPECT_NE(toc.find("   ======== packet contained 2 element versions to follow:\n"
                       "   /vobs/dst/src/a.c@@/main/1\n   /vobs/dst/src/a.c@@/main/2\n"),
              std::string::npos)
        << toc;
    EXPECT_FALSE(exists(dir / "email.txt"));
}

TEST_F(NormalizeTest, TocHeaderFollowsTheVersionCount) {
    struct Case {
        long count;
        const char* header;
    } cases[] = {
        {1, "   ======== packet contained 1 element version to follow:\n"},
        {3, "   ======== packet contained 3 element versions to follow:\n"},
        {-1, "   ======== any contained element versions follow:\n"},
    };
    for (const Case& c : cases) {
        unlink_remove(dir / "tocs.txt");
        APPLY_PACKET.VERSIONS_IN_PACKET = c.count;
        ASSERT_EQ(normalize("ELEMENT_BEGIN\n" + vl("Name", "a") + version("/main/1", "main") + "ELEMENT_END\n"), 1);
        EXPECT_NE(log("tocs.txt").find(c.header), std::string::npos) << c.count;
    }
}

TEST_F(NormalizeTest, IgnoredBranchDataDropsBranchVersionsTypesAndEmptiedElements) {
    APPLY_SETTINGS.read_ignore_received_branch_data = 1;
    std::string in = "BRTYPE_BEGIN\n" + vl("BrType", "dev") + "BRTYPE_END\n" + "ELEMENT_BEGIN\n" + vl("Name", "a.c") +
                     version("/main/3", "main", vl("SubBranch", "dev")) +
                     version("/main/dev/2", "main/dev", vl("Attrib", "Note=\"long\nsecond\"")) + "ELEMENT_END\n" +
                     "ELEMENT_BEGIN\n" + vl("Name", "b.c") + version("/main/dev/1", "main/dev") + "ELEMENT_END\n" +
                     "x\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(output(), "ELEMENT_BEGIN\n" + vl("Name", "a.c") + version("/main/3", "main") + "ELEMENT_END\n" + "x\n");
    std::string toc = log("tocs.txt");
    EXPECT_NE(toc.find("   /vobs/dst/a.c@@/main/3\n"), std::string::npos);
    EXPECT_NE(toc.find("   /vobs/dst/a.c@@/main/dev/2 (ignored because process request ignoring of branch data)\n"),
              std::string::npos);
    EXPECT_NE(toc.find("   /vobs/dst/b.c@@/main/dev/1 (ignored because process request ignoring of branch data)\n"),
              std::string::npos);
    EXPECT_EQ(APPLY_PACKET.VERSIONED_FILE_LIST.list(), std::vector<std::string>{"/view/imp/vobs/dst/a.c@@/main/3"});
}

TEST_F(NormalizeTest, IgnoredLabelAndAttributeDataLeaveNoLineOfThem) {
    APPLY_SETTINGS.read_ignore_received_label_data = 1;
    APPLY_SETTINGS.read_ignore_received_attribute_data = 1;
    // The attribute value spans lines that look like block and tag lines;
    // they belong to the value and go with it.
    std::string attrib = vl("Attrib", "Note=\"one\nVERSION_END\nELEMENT_END\nLabel 3:BAD\"");
    std::string in = "LBTYPE_BEGIN\n" + vl("LbType", "REL1") + "LBTYPE_END\n" + "ATTYPE_BEGIN\n" +
                     vl("AttrType", "Note") + "ATTYPE_END\n" + "ELEMENT_BEGIN\n" + vl("Name", "a.c") +
                     version("/main/1", "main", vl("Label", "REL1") + attrib + vl("ExtractFile", "zeb.0001")) +
                     "ELEMENT_END\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(output(), "ELEMENT_BEGIN\n" + vl("Name", "a.c") +
                            version("/main/1", "main", vl("ExtractFile", "zeb.0001")) + "ELEMENT_END\n");
}

TEST_F(NormalizeTest, KeptMultiLineValuesPassWhole) {
    std::string attrib = vl("Attrib", "Note=\"one\nVERSION_END\nELEMENT_END\"");
    std::string in = "ELEMENT_BEGIN\n" + vl("Name", "a.c") + version("/main/1", "main", attrib) + "ELEMENT_END\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(output(), in);
}

TEST_F(NormalizeTest, DroppedRecordsLeaveNoStaleBytesAtTheEnd) {
    // The last element is dropped after a long version was written; the
    // short lines after it must end the file.
    APPLY_SETTINGS.read_ignore_received_branch_data = 1;
    std::string longline = vl("Attrib", "Note=\"" + std::string(4000, 'x') + "\"");
    std::string in =
        "ELEMENT_BEGIN\n" + vl("Name", "a.c") + version("/main/dev/1", "main/dev", longline) + "ELEMENT_END\n" + "y\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(output(), "y\n");
}

TEST_F(NormalizeTest, AnOldOutputOrALinkAtTheOutputNameIsReplacedNotWrittenThrough) {
    write_file(dir / "victim", "precious");
    ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "p.zeb").c_str()), 0);
    ASSERT_EQ(normalize("ELEMENT_BEGIN\n" + vl("Name", "a") + version("/main/1", "main") + "ELEMENT_END\n"), 1);
    EXPECT_EQ(read_file(dir / "victim"), "precious");
    struct stat st;
    ASSERT_EQ(::lstat((dir / "p.zeb").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(NormalizeTest, DeploymentListingIsRecognisedAndItsSeparatorsTurned) {
    ASSERT_EQ(normalize("D:sub\nF:sub\\a.txt\n"), 1);
    EXPECT_EQ(APPLY_PACKET.IS_DEPLOYMENT, 1);
    EXPECT_EQ(output(), "D:sub\nF:sub/a.txt\n");
    EXPECT_NE(log("tocs.txt").find("any contained element versions follow"), std::string::npos);
}

TEST_F(NormalizeTest, UnusableInputFailsWithItsReason) {
    struct Case {
        const char* content;  // null: no input file
        const char* reason;
    } cases[] = {
        {nullptr, "-- etc_error file not found: with 2: "},
        {"", "-- etc_error file unexpectedly empty: with 0: "},
    };
    for (const Case& c : cases) {
        unlink_remove(dir / "errors.txt");
        unlink_remove(dir / "p.unorm");
        if (c.content) write_file(dir / "p.unorm", c.content);
        EXPECT_EQ(normalize_file(dir / "d.crc", dir / "p.unorm", dir / "p.zeb", "/bay", "/vobs/dst", "/vobs/dst"), 0);
        EXPECT_NE(log("errors.txt").find(c.reason), std::string::npos) << log("errors.txt");
    }
}

TEST_F(NormalizeTest, AValueClaimingMoreThanTheNormaliserHoldsFailsThePacket) {
    write_file(dir / "p.unorm", "Attrib 99999999:x\n" + std::string(17u << 20, 'y') + "\n");
    EXPECT_EQ(normalize_file(dir / "d.crc", dir / "p.unorm", dir / "p.zeb", "/bay", "/vobs/dst", "/vobs/dst"), 0);
    EXPECT_NE(log("errors.txt").find("-- etc_error"), std::string::npos);
}

}  // namespace
