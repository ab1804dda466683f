// Label and attribute records from a history listing, without ClearCase:
// the type questions are answered from the per-packet cache and objects
// exist in a scratch folder standing for the export view.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unordered_set>

#include "common/cc_type_cache.h"
#include "shipper/history/label_history.h"
#include "shipper/history/metadata_selection.h"
#include "tests/support/scratch_dir.h"

namespace {

class LabelHistory : public ::testing::Test {
protected:
    void SetUp() override {
        METADATA_SELECTION = MetadataSelection{};
        reset_type_cache();
        TYPE_CACHE.enabled = true;
        // Label REL and attribute Status exist; GONE does not.
        for (const char* key : {"(REL)", "[Status]", "(GONE)"}) TYPE_CACHE.TYPE_EXISTANCE_TESTED.insert(key);
        for (const char* key : {"(REL)", "[Status]"}) TYPE_CACHE.CURRENTLY_EXISTS_OR_GLOBAL_TYPES.insert(key);
        std::filesystem::create_directories(dir / "vobs/s/lost+found");
        for (const char* f : {"a.c", "b.c", "lost+found/x.c"}) write_file(dir / ("vobs/s/" + std::string(f)), "x");
        scope.vob_tag = "/vobs/s";
        scope.repl_dir = "/vobs/s";
        scope.view_root = dir.path();
        scope.exported_versions = &exported;
    }
    void TearDown() override {
        reset_type_cache();
        TYPE_CACHE.enabled = false;
    }
    // The records written for a history text, or "FAILED".
    std::string records(const std::string& history) {
        write_file(dir / "hist.txt", history);
        write_file(dir / "head", "");
        HeadFile head;
        EXPECT_TRUE(head.open(dir / "head"));
        const int ok = write_label_and_attribute_records(dir / "hist.txt", scope, head);
        head.close();
        return ok ? read_file(dir / "head") : "FAILED";
    }
    static std::string mklabel(const std::string& label, const std::string& version) {
        return "mklabel version make label \"" + label + "\" on version \"" + version + "\" " + version +
               "|Added label \"" + label + "\".\n";
    }

    ScratchDir dir;
    HistoryScope scope;
    std::unordered_set<std::string> exported;
};

TEST_F(LabelHistory, WhichEventsBecomeRecords) {
    exported.insert(dir.path() + "/vobs/s/b.c@@/main/4");
    const std::string history =
        mklabel("REL", "/vobs/s/a.c@@/main/3") +
        "rmlabel version remove label \"REL\" from version \"/vobs/s/a.c@@/main/2\" /vobs/s/a.c@@/main/2|Moved label "
        "\"REL\" to version \"/main/3\".\n" +
        mklabel("REL", "/vobs/s/a.c@@/main/2") +        // older than the move: nothing
        mklabel("REL", "/vobs/s/b.c@@/main/4") +        // the version travels with its label
        mklabel("REL", "/vobs/s/b.c@@/main/1") +        // older than that: nothing
        mklabel("GONE", "/vobs/s/a.c@@/main/1") +       // type removed since
        mklabel("REL", "/vobs/s/nothere.c@@/main/1") +  // not in the view
        mklabel("REL", "/vobs/other/a.c@@/main/1") +    // outside the replicated directory
        mklabel("REL", "/vobs/s/lost+found/x.c@@/main/1") +
        "mkattr version make attribute \"Status\" on version \"/vobs/s/a.c@@/main/3\" /vobs/s/a.c@@/main/3|Added "
        "attribute \"Status\" with value \"one\nmklabel version make label \"REL\" on version \"/vobs/s/b.c@@/main/9\" "
        "x|y\nlast>\".\n" +
        "rmattr file element remove attribute \"Status\" from file element \"/vobs/s/b.c@@\" /vobs/s/b.c@@|Removed.\n" +
        "mkattr version make attribute \"Status\" on version \"/vobs/s/b.c@@/main/1\" /vobs/s/b.c@@/main/1|Added "
        "attribute \"Status\" with value \"one\nmklabel version make label \"REL\" on version \"/vobs/s/b.c@@/main/9\" "
        "x|y\nlast>\".\n" +
        "mkattr version make attribute \"Status\" on version \"/vobs/s/a.c@@/main/3\" /vobs/s/a.c@@/main/3|Added "
        "attribute \"Status\" with value \"older\".\n";
    // The line inside the attribute value that looks like a label event is
    // part of the value; the value's ">" travels as a double quote and
    // repeated names, objects and values as back-references.
    EXPECT_EQ(records(history),
              "m|REL|a.c@@/main/3|>"
              "M|Status|<0|[one(^LF^)mklabel version make label \"REL\" on version \"/vobs/s/b.c@@/main/9\" "
              "x|y(^LF^)last\"]>"
              "R|=1|b.c@@|>M|=1|b.c@@/main/1|0>");
}

TEST_F(LabelHistory, SelectionAndCheckouts) {
    METADATA_SELECTION.LABELS.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.LABELS.patterns = {"RE*"};
    METADATA_SELECTION.BRANCHES.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.BRANCHES.patterns = {"tmp"};
    const std::string history =
        mklabel("REL", "/vobs/s/a.c@@/main/1") +
        "rmattr version remove attribute \"Status\" from version \"/vobs/s/a.c@@/main/tmp/1\" x|Removed.\n" +
        "rmattr version remove attribute \"Status\" from version \"/vobs/s/a.c@@/main/CHECKEDOUT/1\" x|Removed.\n" +
        "rmattr branch remove attribute \"Status\" from branch \"/vobs/s/a.c@@/main/tmp\" x|Removed.\n" +
        "rmattr branch remove attribute \"Status\" from branch \"/vobs/s/a.c@@/main/dev\" x|Removed.\n" +
        "rmattr version remove attribute \"Status\" from version \"/vobs/s@@/main/2\" x|Removed.\n";
    EXPECT_EQ(records(history), "R|Status|a.c@@/main/dev|>R|=0|.@@/main/2|>");
}

TEST_F(LabelHistory, WholeHistoryCarriesTheAttributesElementsAndBranchesHoldNow) {
    // Versions travel with their own labels and attributes; of the element
    // and branch attributes the newest event decides, and one removed since
    // is left out rather than removed at a site that never had it.
    scope.whole_history = true;
    const std::string history =
        mklabel("REL", "/vobs/s/a.c@@/main/3") +
        "mkattr version make attribute \"Status\" on version \"/vobs/s/a.c@@/main/3\" x|Added attribute \"Status\" "
        "with value \"v\".\n"
        "mkattr file element make attribute \"Status\" on file element \"/vobs/s/a.c@@\" x|Added attribute "
        "\"Status\" with value \"now\".\n"
        "mkattr file element make attribute \"Status\" on file element \"/vobs/s/a.c@@\" x|Added attribute "
        "\"Status\" with value \"before\".\n"
        "rmattr file element remove attribute \"Status\" from file element \"/vobs/s/b.c@@\" x|Removed.\n"
        "mkattr file element make attribute \"Status\" on file element \"/vobs/s/b.c@@\" x|Added attribute "
        "\"Status\" with value \"gone\".\n"
        "mkattr branch make attribute \"Status\" on branch \"/vobs/s/b.c@@/main/dev\" x|Added attribute \"Status\" "
        "with value \"dev work\".\n";
    EXPECT_EQ(records(history), "M|Status|a.c@@|[now]>M|=0|b.c@@/main/dev|[dev work]>");
}

TEST_F(LabelHistory, AnEventWithoutItsObjectStopsTheSection) {
    EXPECT_EQ(records("mklabel version make label \"REL\" somewhere else\n"), "FAILED");
}

}  // namespace
