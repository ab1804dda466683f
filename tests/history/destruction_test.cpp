// The removal and lock section built from a destruction file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/scramble.h"
#include "shipper/history/destruction.h"
#include "shipper/history/metadata_selection.h"
#include "tests/support/scratch_dir.h"

namespace {

struct Event {
    long long time;
    std::string kind;
    std::string object;
};

class Destruction : public ::testing::Test {
protected:
    void SetUp() override {
        METADATA_SELECTION = MetadataSelection{};
        toc.keep_copy(true);
    }

    void write_events(const std::vector<Event>& events) {
        std::string text;
        for (const Event& e : events) {
            std::string scrambled;
            const std::string line = std::to_string(e.time) + "<" + e.kind + "<" + e.object;
            ASSERT_EQ(scramble_replication_text(line.c_str(), scrambled), 1) << line;
            text += scrambled + "\n";
        }
        write_file(dhist, text);
    }

    // The section's requests after the keyword.
    std::string section(std::time_t since = 1000, EventWindow window = EventWindow::SinceTime) {
        write_file(head_path, "");
        HeadFile head;
        EXPECT_TRUE(head.open(head_path));
        EXPECT_EQ(write_destruction_requests(dhist, since, window, head, toc), 1);
        EXPECT_TRUE(head.close());
        return read_file(head_path);
    }

    ScratchDir dir;
    std::string dhist = destruction_file(dir.path(), 7, "siteB");
    std::string head_path = dir / "epoc.007.siteB.siteA.crxi";
    TocLog toc;
};

TEST_F(Destruction, FileNameOfAVobAndLocation) {
    EXPECT_EQ(destruction_file("/depot/ship", 7, "siteB"), "/depot/ship/_dhist/dhist.007.siteB");
}

TEST_F(Destruction, LockEventsFoldIntoTheirLastStateGroupedByKind) {
    std::filesystem::create_directories(dir / "_dhist");
    write_events({
        {1001, "Lock.e", "/vobs/src/a.c"},
        {1002, "lock.L", "REL1"},
        {1003, "unlock.L", "REL1"},
        {1004, "lock.L", "REL1"},
        {1005, "lock.L", "REL2"},
        {1006, "unlock.L", "REL2"},
        {1007, "lock.B", "dev"},
        {1008, "Unlock.b", "/vobs/src/a.c@@/main/dev"},
        {1009, "lock.A", "Status"},
        {1010, "lock.X", "odd"},  // unknown kind letter
        {1011, "rmver.", "/vobs/src/a.c@@/main/3"},
        {1012, "rmver.", "/vobs/src/a.c@@/main/3"},  // the same removal once
        {1013, "rmelem.d", "/vobs/src/old"},
    });
    EXPECT_EQ(section(),
              "rmver.|/vobs/src/a.c@@/main/3>rmelem.d|/vobs/src/old>"
              "lock.L|REL1>unlock.L|REL2>lock.A|Status>lock.B|dev>Unlock.b|/vobs/src/a.c@@/main/dev>"
              "Lock.e|/vobs/src/a.c>");
    const std::string& t = toc.all();
    EXPECT_NE(t.find("   rmver file => \"/vobs/src/a.c@@/main/3\"\n   rmelem directory => \"/vobs/src/old\"\n"),
              std::string::npos);
    EXPECT_NE(t.find("   ======== any lock:lbtype or unlock:lbtypes \"request\" follow:\n"
                     "   lock lbtype => \"REL1\"\n   unlock lbtype => \"REL2\"\n"),
              std::string::npos);
    EXPECT_NE(t.find("   unlock branch => \"/vobs/src/a.c@@/main/dev\"\n"), std::string::npos);
}

TEST_F(Destruction, TypeRequestsFollowTheSelection) {
    std::filesystem::create_directories(dir / "_dhist");
    METADATA_SELECTION.LABELS.designator = DESIGNATOR_RESTRICT;
    METADATA_SELECTION.LABELS.patterns = {"REL*"};
    METADATA_SELECTION.BRANCHES.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.BRANCHES.patterns = {"tmp"};
    write_events({
        {1001, "mktype.L", "REL3:g"},
        {1002, "mktype.L", "SCRATCH"},  // not in the restricted set
        {1003, "rntype.L", "REL3:REL4"},
        {1004, "rntype.L", "REL4:OTHER"},  // one name outside: left out
        {1005, "rntype.L", "REL4"},        // no new name: ignored
        {1006, "rmtype.B", "tmp"},
        {1007, "modtype.B", "dev:o"},
        {1008, "rmbranch.", "/vobs/src/a.c@@/main/tmp"},
        {1009, "rmver.", "/vobs/src/a.c@@/main/tmp/2"},
        {1010, "rmver.", "/vobs/src/a.c@@/main/dev/2"},
        {1011, "rntype.B", "dev:tmp"},
    });
    EXPECT_EQ(section(), "mktype.L|REL3:g>rntype.L|REL3:REL4>modtype.B|dev:o>rmver.|/vobs/src/a.c@@/main/dev/2>");
    const std::string& t = toc.all();
    EXPECT_NE(t.find("   mktype lbtype => \"REL3\"\n"), std::string::npos);
    EXPECT_NE(t.find("   rntype lbtype => \"REL3\" -> \"REL4\" \n"), std::string::npos);
    EXPECT_NE(t.find("   modtype brtype => \"dev\"\n"), std::string::npos);
}

TEST_F(Destruction, MergeRemovalsAndOldEvents) {
    std::filesystem::create_directories(dir / "_dhist");
    write_events({
        {1005, "rmmerge.", "/vobs/s/a.c@@/main/4</vobs/s/a.c@@/main/dev/2"},
        {999, "rmelem.f", "/vobs/s/older.c"},  // before the since time, though it follows a newer event
        {1006, "rmmerge.", "/vobs/s/a.c@@/main/CHECKEDOUT</vobs/s/a.c@@/main/dev/3"},
        {1007, "rmmerge.", "/vobs/s/a.c@@/main/4</vobs/s/a.c@@/main/dev/2"},
        {1008, "rmmerge.", "no_arrow_here"},
    });
    EXPECT_EQ(section(), "rmmerge.|/vobs/s/a.c@@/main/4</vobs/s/a.c@@/main/dev/2>");
    EXPECT_NE(toc.all().find("   remove merge arrow => \"/vobs/s/a.c@@/main/4\" <- \"/vobs/s/a.c@@/main/dev/2\"\n"),
              std::string::npos);
}

TEST_F(Destruction, FromVobCreationOnlyWhatIsLockedNowTravels) {
    // The packet brings the whole history: removals, type requests and merge
    // removals describe changes to it and stay behind; each object's last
    // lock event decides, whatever its age, and only locks are written.
    std::filesystem::create_directories(dir / "_dhist");
    write_events({
        {10, "Lock.e", "/vobs/s/a.c"},
        {20, "lock.L", "REL1"},
        {30, "unlock.L", "REL1"},
        {40, "lock.L", "REL1"},
        {50, "lock.L", "REL2"},
        {60, "unlock.L", "REL2"},
        {70, "Lock.b", "/vobs/s/a.c@@/main/dev"},
        {80, "lock.A", "Status"},
        {5000, "rmelem.f", "/vobs/s/x.c"},
        {5001, "mktype.L", "NEW:"},
        {5002, "rmmerge.", "/vobs/s/a.c@@/main/4</vobs/s/a.c@@/main/dev/2"},
        {5003, "Unlock.e", "/vobs/s/b.c"},
    });
    EXPECT_EQ(section(1000, EventWindow::WholeHistory),
              "lock.L|REL1>lock.A|Status>Lock.b|/vobs/s/a.c@@/main/dev>Lock.e|/vobs/s/a.c>");
    const std::string expected =
        "   ======== any lock:lbtype or unlock:lbtypes \"request\" follow:\n"
        "   lock lbtype => \"REL1\"\n"
        "   ======== any lock:attype or unlock:attypes \"request\" follow:\n"
        "   lock attype => \"Status\"\n"
        "   ======== any lock:brtype or unlock:brtypes \"request\" follow:\n"
        "   ======== any lock:branches or unlock:branches \"request\" follow:\n"
        "   lock branch => \"/vobs/s/a.c@@/main/dev\"\n"
        "   ======== any lock:elements or unlock:elements \"request\" follow:\n"
        "   lock element => \"/vobs/s/a.c\"\n"
        "   ======== any merge arrow removal \"request\" follow:\n";
    EXPECT_EQ(toc.all(), expected);
}

TEST_F(Destruction, FromVobCreationWithoutLocksOnlyTheGroupHeadersAppear) {
    std::filesystem::create_directories(dir / "_dhist");
    write_events({{5000, "rmelem.f", "/vobs/s/x.c"}, {5001, "lock.L", "REL1"}, {5002, "unlock.L", "REL1"}});
    EXPECT_EQ(section(1000, EventWindow::WholeHistory), "");
    const std::string expected =
        "   ======== any lock:lbtype or unlock:lbtypes \"request\" follow:\n"
        "   ======== any lock:attype or unlock:attypes \"request\" follow:\n"
        "   ======== any lock:brtype or unlock:brtypes \"request\" follow:\n"
        "   ======== any lock:branches or unlock:branches \"request\" follow:\n"
        "   ======== any lock:elements or unlock:elements \"request\" follow:\n"
        "   ======== any merge arrow removal \"request\" follow:\n";
    EXPECT_EQ(toc.all(), expected);
}

TEST_F(Destruction, MissingFileAndUnreadableLines) {
    EXPECT_EQ(section(), "");  // no destruction file at all
    std::filesystem::create_directories(dir / "_dhist");
    std::string good;
    ASSERT_EQ(scramble_replication_text("2000<rmelem.f</vobs/s/x>y.c", good), 1);
    write_file(dhist, "garbage line\n\n" + good + "\n");
    // ">" in an object is written as a blank.
    EXPECT_EQ(section(), "rmelem.f|/vobs/s/x y.c>");
}

TEST_F(Destruction, AFailedWriteEndsTheSection) {
    std::filesystem::create_directories(dir / "_dhist");
    write_events({{1001, "rmelem.f", "/vobs/s/x.c"}});
    HeadFile head;  // never opened
    EXPECT_EQ(write_destruction_requests(dhist, 1000, EventWindow::SinceTime, head, toc), 0);
}

}  // namespace
