// Normalisation against a receiving VOB: types locked for everyone, locked
// with an exception list that names the receiving user and one that does
// not, and versions that already exist. These cases need the ClearCase
// substitute's VOB and view; normalize_vob_itest.sh prepares them inside
// ccsandbox and runs this program there. Elsewhere they are skipped.
#include <cstdlib>

#include "apply_fixture.h"
#include "common/cc_query.h"
#include "receiver/apply/normalize.h"
#include "receiver/apply/type_lock.h"

namespace {

class NormalizeInVob : public ApplyTest {
protected:
    void SetUp() override {
        if (!std::getenv("IN_CCSANDBOX")) GTEST_SKIP() << "needs the VOB that normalize_vob_itest.sh makes";
        ApplyTest::SetUp();
    }
    int normalize(const std::string& text) {
        write_file(dir / "p.unorm", text);
        return normalize_file(dir / "epoc.007.siteB.siteA.crc", dir / "p.unorm", dir / "p.zeb", dir.path(), "/vobs/dst",
                              "/vobs/dst");
    }
    static std::string type_block(const char* kind, const char* tag, const std::string& name) {
        return std::string(kind) + "_BEGIN\n" + vl(tag, name) + kind + "_END\n";
    }
    static std::string version(const std::string& vid, const std::string& branch, const std::string& extra = "") {
        return "VERSION_BEGIN\n" + vl("VersionId", vid) + vl("OnBranch", branch) + extra + "VERSION_END\n";
    }
};

TEST_F(NormalizeInVob, TypesLockedForTheReceiverAreLeftOutWithEverythingUsingThem) {
    std::string labels =
        vl("Label", "LOCKED_ALL") + vl("Label", "EXCEPT_ME") + vl("Label", "EXCEPT_OTHERS") + vl("Label", "FREE");
    std::string in = type_block("LBTYPE", "LbType", "LOCKED_ALL") + type_block("LBTYPE", "LbType", "EXCEPT_ME") +
                     type_block("LBTYPE", "LbType", "EXCEPT_OTHERS") + type_block("LBTYPE", "LbType", "FREE") +
                     type_block("BRTYPE", "BrType", "frozen") + type_block("ATTYPE", "AttrType", "Note") +
                     "ELEMENT_BEGIN\n" + vl("Name", "n.c") +
                     version("/main/1", "main", vl("SubBranch", "frozen") + labels + vl("Attrib", "Note=\"x\ny\"")) +
                     version("/main/frozen/1", "main/frozen") + "ELEMENT_END\n" + "ELEMENT_BEGIN\n" +
                     vl("Name", "m.c") + version("/main/frozen/2", "main/frozen") + "ELEMENT_END\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(read_file(dir / "p.zeb"),
              type_block("LBTYPE", "LbType", "EXCEPT_ME") + type_block("LBTYPE", "LbType", "FREE") + "ELEMENT_BEGIN\n" +
                  vl("Name", "n.c") + version("/main/1", "main", vl("Label", "EXCEPT_ME") + vl("Label", "FREE")) +
                  "ELEMENT_END\n");

    std::string warnings = log("warnings.txt");
    for (std::string line :
         {"-- Warning: Label (LOCKED_ALL) locked in receiving VOB (/vobs/dst) for all users...  No such label will be "
          "applied to versions in this pass...",
          "-- Warning: Label (EXCEPT_OTHERS) locked in receiving VOB (/vobs/dst) for replication ID...  No such label "
          "will be applied to versions in this pass...",
          "-- Warning: the branch type (frozen) is locked in the receiving VOB (/vobs/dst) for for all users...  No "
          "such branch or versions on such a branch will be created in this pass...",
          "-- Warning: Attribute (Note) locked in receiving VOB (/vobs/dst) for replication ID...  No such attribute "
          "will be applied to versions in this pass...",
          "-- Warning: Because the branch (frozen) was locked in receiving VOB (/vobs/dst) ... Replication of element "
          "version (n.c@@/main/frozen/1) was not attempted...",
          "-- Warning: Because the branch (frozen) was locked in receiving VOB (/vobs/dst) ... Replication of element "
          "version (m.c@@/main/frozen/2) was not attempted..."})
        EXPECT_NE(warnings.find(line), std::string::npos) << line << "\n" << warnings;
    EXPECT_EQ(warnings.find("EXCEPT_ME"), std::string::npos);
    EXPECT_EQ(warnings.find("(FREE)"), std::string::npos);
    // Versions that were not attempted are not waited for after the import.
    EXPECT_EQ(APPLY_PACKET.VERSIONED_FILE_LIST.list(), std::vector<std::string>{"/view/imp/vobs/dst/n.c@@/main/1"});
    EXPECT_TRUE(APPLY_PACKET.LOCKED_LBTYPES.empty());  // released after normalisation
}

TEST_F(NormalizeInVob, SuppressedLockCheckingTakesEveryTypeAsUnlocked) {
    APPLY_SETTINGS.read_suppress_locked_label_checking = 1;
    std::string in = type_block("LBTYPE", "LbType", "LOCKED_ALL") + type_block("LBTYPE", "LbType", "EXCEPT_OTHERS");
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(read_file(dir / "p.zeb"), in);
    std::string warnings = log("warnings.txt");
    std::string suppressed =
        "-- Warning: SUPPRESSION of pre process TEST for locked labels as requested by receiver.  All received labels "
        "ASSUMED unlocked at receiver...";
    ASSERT_NE(warnings.find(suppressed), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find(suppressed, warnings.find(suppressed) + 1), std::string::npos);
}

TEST_F(NormalizeInVob, ExistingVersionsGoToTheDigestAndStayInTheOutput) {
    write_file(dir / "email.txt", "digest of an earlier packet\n");
    std::string in = "ELEMENT_BEGIN\n" + vl("Name", "a.c") + version("/main/1", "main") + version("/main/2", "main") +
                     "ELEMENT_END\n";
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(read_file(dir / "p.zeb"), in);
    EXPECT_EQ(APPLY_PACKET.VERSIONED_FILE_LIST.list(), std::vector<std::string>{"/view/imp/vobs/dst/a.c@@/main/2"});
    EXPECT_EQ(APPLY_PACKET.EMAIL_IS_POPULATED, 1);
    EXPECT_EQ(HAS_WARNINGS, 1);
    std::string digest = log("email.txt");
    EXPECT_EQ(digest.find("earlier packet"), std::string::npos);
    for (const std::string& text : {digest, log("warnings.txt")}) {
        EXPECT_NE(text.find("-- Already Existing files for package (epoc.007.siteB.siteA.crc) /vobs/dst listed below:"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("These file versions already exist at this location and will not be overwritten:\n\n"
                            "   /vobs/dst/a.c@@/main/1\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("a.c@@/main/2"), std::string::npos);
    }
}

TEST_F(NormalizeInVob, TypeNamesReachClearCaseVerbatimAndRunNothing) {
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string in = type_block("LBTYPE", "LbType", "$(touch pwned_a)") +
                     type_block("ATTYPE", "AttrType", "`touch pwned_b`;touch pwned_c") +
                     type_block("BRTYPE", "BrType", "x'\"; touch pwned_d");
    ASSERT_EQ(normalize(in), 1);
    EXPECT_EQ(read_file(dir / "p.zeb"), in);
    for (const char* name : {"pwned_a", "pwned_b", "pwned_c", "pwned_d"}) EXPECT_FALSE(exists(dir / name)) << name;
}

TEST_F(NormalizeInVob, QuickLockChecksDecideByTheAnswerAndRememberTheLastType) {
    LastLockChecked labels, attributes;
    auto quick_label_lock_check = [&](const char* name, const char* vob) {
        return quick_lock_check(labels, LBTYPE, name, vob, receiving_user());
    };
    auto quick_attribute_lock_check = [&](const char* name, const char* vob) {
        return quick_lock_check(attributes, ATTYPE, name, vob, receiving_user());
    };
    struct Case {
        const char* name;
        int label_locked;
    } cases[] = {{"LOCKED_ALL", 1}, {"EXCEPT_ME", 0}, {"EXCEPT_OTHERS", 1}, {"FREE", 0}, {"NO_SUCH_TYPE", 0}};
    for (const Case& c : cases) EXPECT_EQ(quick_label_lock_check(c.name, "/vobs/dst"), c.label_locked) << c.name;
    EXPECT_EQ(quick_attribute_lock_check("Note", "/vobs/dst"), 1);
    // The answer for the last type is remembered: unlocking it changes
    // nothing until another type has been asked.
    Command unlock(CLEARTOOL);
    unlock.args("unlock", "lbtype:FREE@/vobs/dst").trash_all();
    ASSERT_EQ(quick_label_lock_check("FREE", "/vobs/dst"), 0);
    Command lock(CLEARTOOL);
    lock.args("lock", "lbtype:FREE@/vobs/dst").trash_all();
    ASSERT_EQ(lock.run(), 0);
    EXPECT_EQ(quick_label_lock_check("FREE", "/vobs/dst"), 0);
    EXPECT_EQ(quick_label_lock_check("EXCEPT_ME", "/vobs/dst"), 0);
    EXPECT_EQ(quick_label_lock_check("FREE", "/vobs/dst"), 1);
    unlock.run();
}

}  // namespace
