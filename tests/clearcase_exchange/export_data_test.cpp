// Export data file grammar: writing, reading back, and tolerance of the
// edits and damage the replication system may leave in a stream.
#include "clearcase/exchange/export_data.h"

#include <gtest/gtest.h>

namespace {

using namespace ccx;

std::string write_all(const std::vector<ExportItem>& items) {
    std::string out;
    for (const auto& item : items) write_item(out, item);
    return out;
}

std::vector<ExportItem> sample_items() {
    ExportElement foo;
    foo.name = "lib/foo.c";
    foo.el_type = "src_text";
    foo.extras = {{"ElSuperType", "text_file"}};
    ExportVersion v0;
    v0.version_id = "/main/0";
    v0.on_branch = "main";
    v0.extract_file = "lib/foo.c@@/main/0";
    ExportVersion v1;
    v1.version_id = "/main/1";
    v1.on_branch = "main";
    v1.sub_branches = {"dev"};
    v1.labels = {"REL1", "REL2"};
    // A value with a newline, a '>' and a line that looks like a tag.
    v1.attributes = {{"Status", "\"two\nlines > ok\nLabel 4:FAKE\""}, {"Count", "3"}};
    v1.extras = {{"Comment", "first\nsecond"}};
    v1.extract_file = "lib/foo.c@@/main/1";
    ExportVersion d0;
    d0.version_id = "/main/dev/0";
    d0.on_branch = "dev";
    d0.branch_from = "/main/1";
    d0.merges_to = {"/main/2"};
    d0.extract_file = "lib/foo.c@@/main/dev/0";
    ExportVersion v2;
    v2.version_id = "/main/2";
    v2.on_branch = "main";
    v2.merges_from = {"/main/dev/0"};
    v2.extract_file = "lib/foo.c@@/main/2";
    foo.versions = {v0, v1, d0, v2};

    ExportElement link;
    link.name = "lib/foo.h";
    link.el_type = "symbolic_link";
    link.target_name = "../include/foo.h";

    return {
        ExportHeader{"/vobs/src/a"},
        ExportType{TypeKind::branch, "dev", {{"TypeScope", "global"}, {"TypeConstraint", "pbranch"}}},
        ExportType{TypeKind::label, "REL1", {}},
        ExportType{TypeKind::attribute, "Status", {{"ValueType", "string"}}},
        ExportDir{".", {}},
        ExportDir{"lib", {}},
        foo,
        link,
    };
}

TEST(ExportWriter, WritesExactLengthsAndLayout) {
    std::string out;
    write_header(out, "/vobs/src/a");
    write_type(out, {TypeKind::branch, "dev", {}});
    write_dir(out, {".", {}});
    ExportElement e;
    e.name = "lib/foo.c";
    e.el_type = "text_file";
    ExportVersion v;
    v.version_id = "/main/dev/0";
    v.on_branch = "dev";
    v.branch_from = "/main/1";
    v.attributes = {{"Status", "\"approved\""}};
    v.extract_file = "lib/foo.c@@/main/dev/0";
    e.versions = {v};
    write_element(out, e);
    EXPECT_EQ(out,
              "ExportFromDir 11:/vobs/src/a\n"
              "BRTYPE_BEGIN\nBrType 3:dev\nBRTYPE_END\n"
              "DIR_BEGIN\nDirName 1:.\nDIR_END\n"
              "ELEMENT_BEGIN\nName 9:lib/foo.c\nElType 9:text_file\n"
              "VERSION_BEGIN\nVersionId 11:/main/dev/0\nOnBranch 3:dev\nBranchFrom 7:/main/1\n"
              "Attrib 17:Status=\"approved\"\nExtractFile 22:lib/foo.c@@/main/dev/0\nVERSION_END\n"
              "ELEMENT_END\n");
}

TEST(ExportWriter, LengthCountsBytesNotCharacters) {
    std::string out;
    append_value_line(out, "Name", "caf\xc3\xa9");  // 5 bytes, 4 characters
    EXPECT_EQ(out, "Name 5:caf\xc3\xa9\n");
}

TEST(ExportReader, RoundTripKeepsEveryField) {
    const auto items = sample_items();
    std::vector<Diagnostic> diags;
    const auto back = parse_export_text(write_all(items), &diags);
    EXPECT_TRUE(diags.empty());
    ASSERT_EQ(back.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) EXPECT_TRUE(back[i] == items[i]) << "item " << i;
}

struct TolerantCase {
    const char* name;
    std::string input;
    std::string expected;  // canonical text of what must be read
    size_t diagnostics;
};

void PrintTo(const TolerantCase& c, std::ostream* os) {
    *os << c.name;
}

class ExportReaderTolerance : public ::testing::TestWithParam<TolerantCase> {};

TEST_P(ExportReaderTolerance, ReadsWhatIsSound) {
    const auto& c = GetParam();
    std::vector<Diagnostic> diags;
    const auto items = parse_export_text(c.input, &diags);
    EXPECT_EQ(write_all(items), c.expected);
    EXPECT_EQ(diags.size(), c.diagnostics);
}

const std::string kElem =
    "ELEMENT_BEGIN\nName 1:a\nElType 4:file\n"
    "VERSION_BEGIN\nVersionId 7:/main/1\nOnBranch 4:main\nExtractFile 8:zeb.0001\nVERSION_END\n"
    "ELEMENT_END\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportReaderTolerance,
    ::testing::Values(
        TolerantCase{"continuation_of_dropped_attrib_ignored",
                     "ExportFromDir 2:/x\nELEMENT_BEGIN\nName 1:a\nElType 4:file\nVERSION_BEGIN\n"
                     "VersionId 7:/main/1\nOnBranch 4:main\nlines > ok\"\nExtractFile 8:zeb.0001\n"
                     "VERSION_END\nELEMENT_END\n",
                     "ExportFromDir 2:/x\n" + kElem, 0},
        TolerantCase{"blank_lines_and_75_blanks", std::string(75, ' ') + "\n\n" + kElem + std::string(75, ' '), kElem,
                     0},
        TolerantCase{"blanks_run_into_next_line", std::string(75, ' ') + "ExportFromDir 2:/x\n", "ExportFromDir 2:/x\n",
                     0},
        TolerantCase{"crlf_line_ends", "DIR_BEGIN\r\nDirName 3:lib\r\nDIR_END\r\n",
                     "DIR_BEGIN\nDirName 3:lib\nDIR_END\n", 0},
        TolerantCase{"multi_line_value_kept_whole",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nVERSION_BEGIN\nVersionId 7:/main/1\n"
                     "OnBranch 4:main\nAttrib 17:S=\"x\nELEMENT_END\"\nExtractFile 8:zeb.0001\nVERSION_END\n"
                     "ELEMENT_END\n",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nVERSION_BEGIN\nVersionId 7:/main/1\n"
                     "OnBranch 4:main\nAttrib 17:S=\"x\nELEMENT_END\"\nExtractFile 8:zeb.0001\nVERSION_END\n"
                     "ELEMENT_END\n",
                     0},
        TolerantCase{"element_cut_by_next_element", "ELEMENT_BEGIN\nName 1:b\nElType 4:file\n" + kElem, kElem, 1},
        TolerantCase{"version_without_end_dropped_element_kept",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nVERSION_BEGIN\nVersionId 7:/main/1\n"
                     "OnBranch 4:main\nELEMENT_END\n",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nELEMENT_END\n", 1},
        TolerantCase{"element_cut_by_end_of_file", "DIR_BEGIN\nDirName 1:.\nDIR_END\nELEMENT_BEGIN\nName 1:b\n",
                     "DIR_BEGIN\nDirName 1:.\nDIR_END\n", 1},
        TolerantCase{"stray_end_lines_from_rewinds", "ON_END\nVERSION_END\nELEMENT_END\n" + kElem + "ELEMENT_END\n",
                     kElem, 0},
        TolerantCase{"type_block_without_name", "LBTYPE_BEGIN\nLBTYPE_END\nLBTYPE_BEGIN\nLbType 2:R1\nLBTYPE_END\n",
                     "LBTYPE_BEGIN\nLbType 2:R1\nLBTYPE_END\n", 1},
        TolerantCase{"type_block_cut_by_dir", "ATTYPE_BEGIN\nAttrType 1:S\nDIR_BEGIN\nDirName 1:.\nDIR_END\n",
                     "DIR_BEGIN\nDirName 1:.\nDIR_END\n", 1},
        TolerantCase{"unknown_length_is_not_a_value_line", "DIR_BEGIN\nDirName ?:lib\nDIR_END\n", "", 1},
        TolerantCase{"text_beyond_length_ignored", "DIR_BEGIN\nDirName 3:libxyz\nDIR_END\n",
                     "DIR_BEGIN\nDirName 3:lib\nDIR_END\n", 1},
        TolerantCase{"value_cut_by_end_of_file", "ExportFromDir 40:/x\n", "ExportFromDir 2:/x\n", 1},
        TolerantCase{"impossible_length", "DIR_BEGIN\nDirName 99999999999:x\nDIR_END\n", "", 2},
        TolerantCase{"attrib_without_name",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nVERSION_BEGIN\nVersionId 7:/main/1\n"
                     "OnBranch 4:main\nAttrib 4:=\"x\"\nExtractFile 8:zeb.0001\nVERSION_END\nELEMENT_END\n",
                     kElem, 1},
        TolerantCase{"trailing_blanks_of_names_removed", "DIR_BEGIN\nDirName 5:lib  \nDIR_END\n",
                     "DIR_BEGIN\nDirName 3:lib\nDIR_END\n", 0},
        TolerantCase{"unknown_value_lines_carried",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nOwner 5:alice\nELEMENT_END\n",
                     "ELEMENT_BEGIN\nName 1:a\nElType 4:file\nOwner 5:alice\nELEMENT_END\n", 0}),
    [](const ::testing::TestParamInfo<TolerantCase>& p) { return std::string(p.param.name); });

TEST(ExportReader, EmptyInputYieldsNothing) {
    std::vector<Diagnostic> diags;
    EXPECT_TRUE(parse_export_text("", &diags).empty());
    EXPECT_TRUE(diags.empty());
}

struct VidCase {
    const char* vid;
    bool ok;
    const char* branch;
    long number;
};

TEST(VersionId, SplitsBranchAndNumber) {
    const VidCase cases[] = {
        {"/main/0", true, "/main", 0}, {"/main/dev/fix/12", true, "/main/dev/fix", 12},
        {"main/1", false, "", 0},      {"/main", false, "", 0},
        {"/main/", false, "", 0},      {"/main/dev/CHECKEDOUT", false, "", 0},
        {"/other/1", false, "", 0},    {"/mainx/1", false, "", 0},
        {"/main//1", false, "", 0},    {"/main/1x", false, "", 0},
    };
    for (const auto& c : cases) {
        std::string branch;
        long n = -1;
        EXPECT_EQ(split_version_id(c.vid, branch, n), c.ok) << c.vid;
        if (c.ok) {
            EXPECT_EQ(branch, c.branch) << c.vid;
            EXPECT_EQ(n, c.number) << c.vid;
        }
    }
    EXPECT_EQ(branch_type_of("/main/dev/fix"), "fix");
    EXPECT_EQ(branch_type_of("/main"), "main");
}

}  // namespace
