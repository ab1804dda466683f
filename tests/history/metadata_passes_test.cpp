// The passes that rewrite an export text before conversion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/packet_elements.h"
#include "common/log.h"
#include "shipper/history/metadata_passes.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/history/slink_list.h"
#include "tests/support/scratch_dir.h"

namespace {

std::string v(const char* tag, const std::string& value) {
    return format_value_line(tag, value);
}

std::string version(const std::string& elem, const std::string& vid, const std::string& branch,
                    const std::string& extra = "") {
    return "VERSION_BEGIN\n" + v("VersionId", vid) + v("OnBranch", branch) + extra +
           v("ExtractFile", elem + "@@" + vid) + "VERSION_END\n";
}

std::string element(const std::string& name, const std::string& versions) {
    return "ELEMENT_BEGIN\n" + v("Name", name) + v("ElType", "text_file") + versions + "ELEMENT_END\n";
}

std::string type_block(const char* kind, const char* tag, const std::string& name) {
    return std::string(kind) + "_BEGIN\n" + v(tag, name) + v("TypeScope", "ordinary") + kind + "_END\n";
}

// A kept type block: its name line and the lines that define the type.
std::string kept_block(char kind, const char* tag, const std::string& name) {
    return format_type_block(kind, v(tag, name).substr(0, v(tag, name).size() - 1), v("TypeScope", "ordinary"));
}

const std::string PAD(75, ' ');

PatternList list_of(char designator, std::vector<std::string> patterns) {
    PatternList l;
    l.designator = designator;
    l.patterns = std::move(patterns);
    return l;
}

class MetadataPasses : public ::testing::Test {
protected:
    void SetUp() override {
        METADATA_SELECTION = MetadataSelection{};
        REPLICATED_TYPES = ReplicatedTypes{};
        SLINKS = SlinkState{};
    }
    std::string run_text(const std::string& text) {
        write_file(path, text);
        return path;
    }
    ScratchDir dir;
    std::string path = dir / "epoc.001.r.l.crx";
};

TEST(PatternMatching, WildcardsAtEitherEnd) {
    struct Case {
        const char* pattern;
        const char* name;
        int match;
    } cases[] = {
        {"dev", "dev", 1},     {"dev", "dev1", 0},   {"dev*", "dev1", 1},   {"dev*", "xdev", 0},
        {"*fix", "hotfix", 1}, {"*fix", "fixes", 0}, {"*fix", "ix", 0},     {"*rel*", "a_rel_b", 1},
        {"*rel*", "re", 0},    {"*", "anything", 1}, {"**", "anything", 1}, {"d*v", "dxv", 0},
        {"*", "", 1},          {"dev*", "dev", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(pattern_matches(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(PatternMatching, KeepRuleAndBranchPathTest) {
    PatternList all;
    PatternList empty_exclude = list_of('E', {});
    PatternList exclude = list_of('E', {"dev*"});
    PatternList restrict = list_of('R', {"dev1"});
    EXPECT_TRUE(keeps_name(all, "x"));
    EXPECT_TRUE(keeps_name(empty_exclude, "x"));
    EXPECT_FALSE(selection_filters(empty_exclude));
    EXPECT_FALSE(keeps_name(exclude, "dev2"));
    EXPECT_TRUE(keeps_name(exclude, "fix"));
    EXPECT_TRUE(keeps_name(restrict, "dev1"));
    EXPECT_FALSE(keeps_name(restrict, "fix"));
    // Every branch other than main must pass.
    EXPECT_TRUE(version_path_passes(restrict, "/main/dev1/3"));
    EXPECT_FALSE(version_path_passes(restrict, "/main/dev1/fix/2"));
    EXPECT_TRUE(version_path_passes(restrict, "/main/4"));
    EXPECT_TRUE(version_path_passes(exclude, "/main/fix/1"));
    EXPECT_FALSE(version_path_passes(exclude, "/main/fix/dev9/1"));
    EXPECT_FALSE(version_path_passes(exclude, "/vobs/src/dev_notes@@/main/dev3/1"));
    EXPECT_TRUE(version_path_passes(exclude, "/vobs/src/dev_notes@@/main/1"));
    EXPECT_FALSE(branch_path_passes(restrict, "/vobs/a.c@@/main/fix"));
}

TEST(PatternMatching, KeyLineFields) {
    PatternList l;
    std::string error;
    ASSERT_EQ(read_pattern_field("[E]:dev*,*fix", true, l, error), 1);
    EXPECT_EQ(l.designator, 'E');
    EXPECT_EQ(l.patterns, (std::vector<std::string>{"dev*", "*fix"}));
    ASSERT_EQ(read_pattern_field("[O]:REL*", false, l, error), 1);
    EXPECT_EQ(l.designator, 'R');
    ASSERT_EQ(read_pattern_field("", false, l, error), 1);
    EXPECT_EQ(l.designator, 'A');
    EXPECT_EQ(read_pattern_field("[E]:dev,main", true, l, error), 0);
    EXPECT_EQ(read_pattern_field("[O]:main", true, l, error), 1);
    EXPECT_EQ(read_pattern_field("[X]:a", false, l, error), 0);
    EXPECT_EQ(read_pattern_field("[O]:", false, l, error), 0);
    ASSERT_EQ(read_pattern_field("[E]:", false, l, error), 1);
    EXPECT_FALSE(selection_filters(l));
    EXPECT_EQ(read_pattern_field("[E]:a,,b", false, l, error), 0);
    EXPECT_EQ(read_pattern_field("[E]:1,2,3,4,5,6,7,8,9,10,11,12,13", false, l, error), 0);
    EXPECT_EQ(read_pattern_field("[E]:" + std::string(256, 'x'), false, l, error), 0);
}

TEST_F(MetadataPasses, RequestedSelectionIsLogged) {
    LOG_FILES = LogFileSet{};
    LOG_FILES.LOG_FILE = dir / "all.txt";
    METADATA_SELECTION.BRANCHES = list_of('E', {"tmp*", "old"});
    METADATA_SELECTION.LABELS = list_of('R', {"REL*"});
    log_requested_selection("mship.001.r.l");
    const std::string log = read_file(dir / "all.txt");
    for (const char* line : {"- as requested excluding branch tmp* for packet (mship.001.r.l)...",
                             "- as requested excluding branch old for packet (mship.001.r.l)...",
                             "- as requested including label REL* for packet (mship.001.r.l)...",
                             "- as requested including all attributes for packet (mship.001.r.l)..."})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    LOG_FILES = LogFileSet{};
}

TEST_F(MetadataPasses, RestrictedBranchesDropVersionsAndEmptiedElements) {
    METADATA_SELECTION.BRANCHES = list_of('R', {"dev1"});
    const std::string types = type_block("BRTYPE", "BrType", "main") + type_block("BRTYPE", "BrType", "dev1") +
                              type_block("BRTYPE", "BrType", "fix");
    const std::string a =
        element("a.c", version("a.c", "/main/1", "main", v("SubBranch", "dev1") + v("SubBranch", "fix")) +
                           version("a.c", "/main/dev1/1", "dev1", v("SubBranch", "fix")) +
                           version("a.c", "/main/dev1/fix/1", "fix"));
    const std::string b = element("b.c", version("b.c", "/main/fix/1", "fix"));
    run_text(v("ExportFromDir", "/view/v/vobs/src") + types + a + b);
    ASSERT_EQ(manage_any_excluded_or_restricted_metadata('B', path), 1);
    const std::string want =
        v("ExportFromDir", "/view/v/vobs/src") + kept_block('B', "BrType", "main") + kept_block('B', "BrType", "dev1") +
        element("a.c",
                version("a.c", "/main/1", "main", v("SubBranch", "dev1")) + version("a.c", "/main/dev1/1", "dev1")) +
        PAD;
    EXPECT_EQ(read_file(path), want);
}

TEST_F(MetadataPasses, ExcludedBranchesAndTheSkippedCases) {
    const std::string text = type_block("BRTYPE", "BrType", "tmp") +
                             element("a.c", version("a.c", "/main/1", "main") + version("a.c", "/main/tmp/1", "tmp"));
    // "A" and an "E" list without patterns leave the export untouched.
    for (PatternList l : {PatternList{}, list_of('E', {})}) {
        METADATA_SELECTION.BRANCHES = l;
        run_text(text);
        ASSERT_EQ(manage_any_excluded_or_restricted_metadata('B', path), 1);
        EXPECT_EQ(read_file(path), text);
    }
    METADATA_SELECTION.BRANCHES = list_of('E', {"tm*"});
    run_text(text);
    ASSERT_EQ(manage_any_excluded_or_restricted_metadata('B', path), 1);
    EXPECT_EQ(read_file(path), element("a.c", version("a.c", "/main/1", "main")) + PAD);
    EXPECT_EQ(manage_any_excluded_or_restricted_metadata('X', path), 0);
    EXPECT_FALSE(exists(path + ".cv"));
}

TEST_F(MetadataPasses, SymbolicLinkElementsSurviveBranchFiltering) {
    // A link block has no versions; only an element that lost all its
    // versions goes.
    METADATA_SELECTION.BRANCHES = list_of('E', {"tmp"});
    const std::string link =
        "ELEMENT_BEGIN\n" + v("Name", "ln") + v("ElType", "symbolic_link") + v("TargetName", "a.c") + "ELEMENT_END\n";
    run_text(link);
    ASSERT_EQ(manage_any_excluded_or_restricted_metadata('B', path), 1);
    EXPECT_EQ(read_file(path), link + PAD);
}

TEST_F(MetadataPasses, MergesToIgnore) {
    const std::string keep = v("Merge", "/main/dev/2");
    const std::string to_tmp = v("FMerge", "/main/tmp/1");
    const std::string co = "Merge 20:/main/dev/CHECKEDOUT\nMerge 21:/main/dev/3:CHECKEDOUT.7\n";
    const std::string odd = "Merge x:/main/tmp/1\n";  // not a length: carried unchanged
    const std::string text = keep + co + to_tmp + odd;
    struct Case {
        PatternList branches;
        std::string want;
    } cases[] = {
        {PatternList{}, keep + to_tmp + odd + PAD},
        {list_of('E', {"tmp"}), keep + odd + PAD},
        {list_of('R', {"tmp"}), to_tmp + odd + PAD},
    };
    for (const Case& c : cases) {
        METADATA_SELECTION.BRANCHES = c.branches;
        run_text(text);
        ASSERT_EQ(manage_any_merges_to_ignore(path), 1);
        EXPECT_EQ(read_file(path), c.want) << c.branches.designator;
    }
    // Nothing dropped: the export is not rewritten.
    METADATA_SELECTION.BRANCHES = list_of('E', {"tmp"});
    run_text(keep);
    ASSERT_EQ(manage_any_merges_to_ignore(path), 1);
    EXPECT_EQ(read_file(path), keep);
    // A merge value without a branch path cannot be judged.
    run_text("Merge 1:3\n");
    EXPECT_EQ(manage_any_merges_to_ignore(path), 0);
    EXPECT_EQ(read_file(path), "Merge 1:3\n");
}

TEST_F(MetadataPasses, LabelsAndAttributesWithMultiLineValues) {
    const std::string value = "line one\nAttrib 3:x=y\nlast";
    const std::string attrs = v("Attrib", "Review=" + value) + v("Attrib", "Owner=\"me\"");
    const std::string text =
        type_block("LBTYPE", "LbType", "REL1") + type_block("LBTYPE", "LbType", "TMP_X") +
        type_block("ATTYPE", "AttrType", "Review") + type_block("ATTYPE", "AttrType", "Owner") +
        element("a.c", version("a.c", "/main/1", "main", v("Label", "REL1") + v("Label", "TMP_X") + attrs));
    METADATA_SELECTION.LABELS = list_of('E', {"TMP*"});
    METADATA_SELECTION.ATTRIBUTES = list_of('R', {"Own*"});
    run_text(text);
    ASSERT_EQ(manage_any_excluded_or_restricted_metadata('L', path), 1);
    ASSERT_EQ(manage_any_excluded_or_restricted_metadata('A', path), 1);
    // The label pass rewrote; the attribute pass then rewrote its own type blocks
    // and dropped the whole multi-line value.
    const std::string after =
        kept_block('L', "LbType", "REL1") + kept_block('A', "AttrType", "Owner") +
        element("a.c", version("a.c", "/main/1", "main", v("Label", "REL1") + v("Attrib", "Owner=\"me\""))) + PAD +
        "\n" + PAD;
    EXPECT_EQ(read_file(path), after);
}

TEST_F(MetadataPasses, UnusedTypesAreDroppedAndUsedOnesListed) {
    const std::string text =
        type_block("BRTYPE", "BrType", "main") + type_block("BRTYPE", "BrType", "dev") +
        type_block("BRTYPE", "BrType", "idle") + type_block("LBTYPE", "LbType", "REL1") +
        type_block("LBTYPE", "LbType", "UNUSED") + type_block("ATTYPE", "AttrType", "Status") +
        type_block("ATTYPE", "AttrType", "Gone") +
        element("a.c", version("a.c", "/main/1", "main",
                               v("SubBranch", "dev") + v("Label", "REL1") + v("Attrib", "Status=\"ok\"")) +
                           // A comment that mentions an unused name does not count as a use.
                           version("a.c", "/main/2", "main", v("Comment", "Label 6:UNUSED"))) +
        "DIR_BEGIN\n" + v("DirName", ".") + "DIR_END\n";
    run_text(text);
    ASSERT_EQ(manage_any_unused_metadata('B', path), 1);
    ASSERT_EQ(manage_any_unused_metadata('L', path), 1);
    ASSERT_EQ(manage_any_unused_metadata('A', path), 1);
    EXPECT_EQ(REPLICATED_TYPES.BRANCHES, (std::vector<std::string>{"main", "dev"}));
    EXPECT_EQ(REPLICATED_TYPES.LABELS, (std::vector<std::string>{"REL1"}));
    EXPECT_EQ(REPLICATED_TYPES.ATTRIBUTES, (std::vector<std::string>{"Status"}));
    EXPECT_EQ(replicated_names_text(REPLICATED_TYPES.BRANCHES), "main,dev");
    const std::string got = read_file(path);
    EXPECT_NE(got.find(kept_block('B', "BrType", "dev")), std::string::npos);
    EXPECT_EQ(got.find("idle"), std::string::npos);
    EXPECT_EQ(got.find("LbType 6:UNUSED"), std::string::npos);
    EXPECT_EQ(got.find("Gone"), std::string::npos);
    // Kept types keep the lines that define them (one per kept type).
    std::size_t definitions = 0;
    for (std::size_t at = got.find("TypeScope"); at != std::string::npos; at = got.find("TypeScope", at + 1))
        ++definitions;
    EXPECT_EQ(definitions, 4u);
    EXPECT_NE(got.find("DIR_BEGIN\nDirName 1:.\nDIR_END\n"), std::string::npos);
}

TEST_F(MetadataPasses, SymbolicLinksAndWhatLiesBelowThem) {
    SLINKS.LIST = {{"lib/ln", "../a.c"}, {"tools", "/elsewhere"}};
    const std::string kept = element("lib/ln2", version("lib/ln2", "/main/1", "main")) + "DIR_BEGIN\n" +
                             v("DirName", "lib") + "DIR_END\n" +
                             element("toolsX/b", version("toolsX/b", "/main/1", "main"));
    const std::string text = kept + "ELEMENT_BEGIN\n" + v("Name", "lib/ln") + v("ElType", "symbolic_link") +
                             v("TargetName", "../a.c") + "ELEMENT_END\n" + "DIR_BEGIN\n" + v("DirName", "tools") +
                             "DIR_END\n" + element("tools/x.c", version("tools/x.c", "/main/1", "main"));
    run_text(text);
    ASSERT_EQ(manage_any_slinks(path), 1);
    EXPECT_EQ(read_file(path), kept + PAD);
    // An empty list leaves the export alone.
    SLINKS.LIST.clear();
    run_text(text);
    ASSERT_EQ(manage_any_slinks(path), 1);
    EXPECT_EQ(read_file(path), text);
}

TEST_F(MetadataPasses, MissingOrEmptyExportFails) {
    METADATA_SELECTION.LABELS = list_of('E', {"x"});
    EXPECT_EQ(manage_any_excluded_or_restricted_metadata('L', dir / "absent.crx"), 0);
    run_text("");
    EXPECT_EQ(manage_any_unused_metadata('L', path), 0);
    EXPECT_EQ(manage_any_merges_to_ignore(path), 0);
}

}  // namespace
