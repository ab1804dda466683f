// The conversion of an exported history into a packet, against the
// ClearCase substitute. These tests need VOBs and views: they run inside
// ccsandbox (conversion_itest.sh starts them there) and skip elsewhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>
#include <vector>

#include "codecs/file_break.h"
#include "codecs/multipart.h"
#include "codecs/scramble.h"
#include "common/command.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/since.h"
#include "shipper/history/conversion.h"
#include "shipper/history/deployment_export.h"
#include "shipper/history/destruction.h"
#include "shipper/history/metadata_passes.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/history/slink_list.h"
#include "tests/support/scratch_dir.h"

namespace {

std::vector<std::string> split_sections(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0, at;
    while ((at = text.find(ZEB_FILE_BREAK, start)) != std::string::npos) {
        out.push_back(text.substr(start, at - start));
        start = at + ZEB_FILE_BREAK_LEN;
    }
    out.push_back(text.substr(start));
    return out;
}

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("IN_CCSANDBOX") == nullptr) GTEST_SKIP() << "needs ccsandbox (conversion_itest.sh)";
        static int serial = 0;
        vob = "/vobs/c" + std::to_string(++serial);
        view = "v" + std::to_string(serial);
        ASSERT_EQ(ct("", {"mkvob", "-tag", vob, "-nc", dir / "vob.vbs"}), 0);
        ASSERT_EQ(ct("", {"mkview", "-tag", view, dir / "view.vws"}), 0);
        top = "/view/" + view + vob;
        METADATA_SELECTION = MetadataSelection{};
        REPLICATED_TYPES = ReplicatedTypes{};
        SLINKS = SlinkState{};
        LOG_FILES = LogFileSet{};
        LOG_FILES.TLOG_FILE = dir / "toc.txt";
        LOG_FILES.DLOG_FILE = dir / "deploys.txt";
        write_file(dir / "1.cs", "element * CHECKEDOUT\nelement * /main/LATEST\n");

        rq.export_path = dir / "epoc.001.r.l.crx";
        rq.head_path = dir / "epoc.001.r.l.crxi";
        rq.nele_path = dir / "epoc.001.r.l.nele";
        rq.config_spec_path = dir / "1.cs";
        rq.destruction_path = destruction_file(dir.path(), 1, "r");
        rq.tmp_dir = dir.path();
        rq.vob_tag = vob;
        rq.repl_dir = vob;
        rq.orig_portion = ".";
        rq.view_tag = view;
        rq.view_path = top;
        rq.location = "r";
        rq.bay_dir = "/depot/m_bay/r_in";
        rq.requires_post_label_processing = true;
        rq.requires_destructive_commands_processing = true;
        rq.do_lshistory = false;
    }

    int ct(const std::string& cwd, std::initializer_list<std::string> args) {
        Command c(CLEARTOOL);
        for (const std::string& a : args) c.arg(a);
        if (!cwd.empty()) c.cwd(cwd);
        return c.trash_all().run();
    }
    // A new file element with one version per content.
    void add_file(const std::string& name, const std::vector<std::string>& contents) {
        ASSERT_EQ(ct(top, {"mkelem", "-nc", name}), 0) << name;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            if (i > 0) {
                ASSERT_EQ(ct(top, {"checkout", "-nc", name}), 0);
            }
            write_file(top + "/" + name, contents[i]);
            ASSERT_EQ(ct(top, {"checkin", "-nc", name}), 0);
        }
    }
    // Exports the view's history (since `since_local` when not empty).
    void export_history(const std::string& since_local = "") {
        std::string inner = "cd " + shell_quote(vob) + " && clearexport_ccase -r";
        if (!since_local.empty()) inner += " -s " + shell_quote(since_local);
        inner += " -o " + shell_quote(rq.export_path);
        ASSERT_EQ(cleartool(CT_SETVIEW).args("-exec", inner, view).trash_all().run(), 0);
    }
    // The passes and the conversion, as the shipping pass runs them.
    std::vector<std::string> convert() {
        EXPECT_EQ(manage_any_slinks(rq.export_path), 1);
        for (char kind : {'B', 'L', 'A'})
            EXPECT_EQ(manage_any_excluded_or_restricted_metadata(kind, rq.export_path), 1);
        EXPECT_EQ(manage_any_merges_to_ignore(rq.export_path), 1);
        for (char kind : {'B', 'L', 'A'}) EXPECT_EQ(manage_any_unused_metadata(kind, rq.export_path), 1);
        EXPECT_EQ(convert_file(rq), 1);
        return split_sections(read_file(rq.head_path));
    }
    // Waits for the next second and returns the since text of that moment.
    std::string next_second() {
        std::time_t start = std::time(nullptr);
        while (std::time(nullptr) == start) ::usleep(20000);
        return calc_since(std::time(nullptr), "0");
    }

    ScratchDir dir;
    std::string vob, view, top;
    ConversionRequest rq;
};

TEST_F(Conversion, WholeHistoryPacket) {
    ASSERT_EQ(ct("", {"mkeltype", "-nc", "-supertype", "text_file", "src_text@" + vob}), 0);
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    ASSERT_EQ(ct(top, {"mkdir", "-nc", "lib"}), 0);
    ASSERT_EQ(ct(top, {"mkelem", "-nc", "-eltype", "src_text", "lib/a.c"}), 0);
    write_file(top + "/lib/a.c", "one\n");
    ASSERT_EQ(ct(top, {"checkin", "-nc", "lib/a.c"}), 0);
    // Two consecutive versions with the same bytes, then a different one.
    for (const char* content : {"one\n", "two\n"}) {
        ASSERT_EQ(ct(top, {"checkout", "-nc", "lib/a.c"}), 0);
        write_file(top + "/lib/a.c", content);
        ASSERT_EQ(ct(top, {"checkin", "-nc", "-identical", "lib/a.c"}), 0);
    }
    add_file("empty.txt", {""});
    ASSERT_EQ(ct(top, {"checkin", "-nc", "lib"}), 0);
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    // An element attribute is not part of the exported versions: the
    // history must carry what the element holds now.
    ASSERT_EQ(ct("", {"mkattype", "-nc", "-vtype", "string", "Status@" + vob}), 0);
    ASSERT_EQ(ct(top, {"mkattr", "-nc", "Status", "\"draft\"", "lib/a.c@@"}), 0);
    ASSERT_EQ(ct(top, {"mkattr", "-nc", "-replace", "Status", "\"final\"", "lib/a.c@@"}), 0);
    export_history();

    std::vector<std::string> s = convert();
    ASSERT_EQ(s.size(), 8u);  // six sections and the empty data file; the final marker ends the part
    const std::string& description = s[0];
    EXPECT_EQ(description.substr(0, description.find('\n') + 1), "ExportFromDir 17:/depot/m_bay/r_in\n");
    // /main/0 is empty, /main/1 and /main/2 share the first data file.
    EXPECT_NE(description.find("ExtractFile 8:zeb.0000\nVERSION_END\nVERSION_BEGIN\nVersionId 7:/main/1"),
              std::string::npos);
    EXPECT_NE(description.find("VersionId 7:/main/1\nOnBranch 4:main\nExtractFile 8:zeb.0001\n"), std::string::npos);
    EXPECT_NE(description.find("VersionId 7:/main/2\nOnBranch 4:main\nExtractFile 8:zeb.0001\n"), std::string::npos);
    EXPECT_NE(description.find("VersionId 7:/main/3\nOnBranch 4:main\nExtractFile 8:zeb.0002\n"), std::string::npos);
    EXPECT_EQ(s[1], read_file(rq.config_spec_path));
    // Element types oldest first, so a supertype comes before its subtypes.
    const std::string& pre = s[2];
    EXPECT_EQ(pre.substr(0, 26), "l:r;D:vob;V:12.0;n:branch;");
    EXPECT_LT(pre.find("e:text_file:"), pre.find("e:src_text:text_file;"));
    EXPECT_NE(pre.find("e:src_text:text_file;b:main;d:.;d:lib;d:lost+found;"), std::string::npos) << pre;
    EXPECT_EQ(s[3], "POST>M|Status|lib/a.c@@|[final]>");
    EXPECT_EQ(s[4], "DESTROY>");
    EXPECT_NE(s[5].find("lib/a.c|"), std::string::npos);
    EXPECT_NE(s[5].find("empty.txt|"), std::string::npos) << s[5];
    EXPECT_EQ(s[5].find("lib/a.c|", s[5].find("lib/a.c|") + 1), std::string::npos);  // one record per element
    EXPECT_EQ(s[6], "");
    EXPECT_EQ(s[7], "");
    // The two data files travel in the part, in order.
    EXPECT_EQ(MULTIPART.XTRA_PACKET_PARTS, 1);
    EXPECT_EQ(split_sections(read_file(rq.head_path + "_1")), (std::vector<std::string>{"", "one\n", "two\n", ""}));
    EXPECT_EQ(CONVERSION.VERSIONS_IN_PACKET, 6);
    const std::string toc = read_file(LOG_FILES.TLOG_FILE);
    EXPECT_NE(toc.find("   lib/a.c@@/main/1\n"), std::string::npos);
    EXPECT_NE(toc.find("there are 6 element versions contained in the packet"), std::string::npos);
    EXPECT_NE(toc.find(HEADER_RMELEM_SKIP), std::string::npos);
    EXPECT_NE(toc.find(HEADER_LINKS_FOLLOW), std::string::npos);
}

TEST_F(Conversion, LabelAndAttributeHistoryWithBackReferences) {
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    add_file("a.c", {"a1\n", "a2\n"});
    add_file("b.c", {"b1\n"});
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    ASSERT_EQ(ct("", {"mklbtype", "-nc", "REL1@" + vob}), 0);
    ASSERT_EQ(ct("", {"mklbtype", "-nc", "TMP@" + vob}), 0);
    ASSERT_EQ(ct("", {"mkattype", "-nc", "-vtype", "string", "Status@" + vob}), 0);
    const std::string since = next_second();
    // Labels and attributes on versions that do not travel again.
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "REL1", "a.c@@/main/1"}), 0);
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "REL1", "b.c@@/main/1"}), 0);
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "-replace", "REL1", "a.c@@/main/2"}), 0);  // moved: no "r" record
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "TMP", "a.c@@/main/2"}), 0);
    ASSERT_EQ(ct(top, {"mkattr", "-nc", "Status", "\"x>y\nz\"", "a.c@@/main/1"}), 0);
    ASSERT_EQ(ct(top, {"mkattr", "-nc", "Status", "\"x>y\nz\"", "b.c@@/main/1"}), 0);
    ASSERT_EQ(ct(top, {"rmattr", "-nc", "Status", "b.c@@/main/1"}), 0);
    // A new version carries its own label in the export.
    ASSERT_EQ(ct(top, {"checkout", "-nc", "b.c"}), 0);
    write_file(top + "/b.c", "b2\n");
    ASSERT_EQ(ct(top, {"checkin", "-nc", "b.c"}), 0);
    ASSERT_EQ(ct("", {"mklbtype", "-nc", "REL2@" + vob}), 0);
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "REL2", "b.c@@/main/2"}), 0);
    METADATA_SELECTION.LABELS.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.LABELS.patterns = {"TMP"};
    export_history(since.substr(0, since.find(" UTC")));
    rq.since = since;
    rq.do_lshistory = true;

    std::vector<std::string> s = convert();
    ASSERT_GE(s.size(), 4u);
    // Newest first: REL1 moved to a.c's /main/2, so its older event on
    // /main/1 gives nothing; b.c's attribute removal is newer than its
    // making, so only "R". Names and objects seen before are back-references.
    EXPECT_EQ(s[3],
              "POST>m|REL1|a.c@@/main/2|>m|=0|b.c@@/main/1|>"
              "R|Status|<1|>M|=1|a.c@@/main/1|[x\"y(^LF^)z]>");
    EXPECT_EQ(s[5], "");  // no new elements since then
}

TEST_F(Conversion, CheckedOutTopAndFile) {
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    add_file("a.c", {"a\n"});
    ASSERT_EQ(ct(top, {"checkout", "-nc", "a.c"}), 0);
    export_history();
    rq.preserve_personality = true;
    std::vector<std::string> s = convert();
    ASSERT_GE(s.size(), 3u);
    EXPECT_NE(s[2].find(";c:.;c:a.c@@/main;"), std::string::npos) << s[2];
    // Directory protections, each after its directory record.
    EXPECT_NE(s[2].find(";d:.;o:.<"), std::string::npos) << s[2];
    EXPECT_NE(s[2].find(";d:lost+found;o:lost+found<"), std::string::npos) << s[2];
    rq.preserve_personality = false;

    // A single-file key: the replicated directory is the file's parent.
    ConversionRequest one = rq;
    one.view_path = top + "/a.c";
    one.is_dir = false;
    const std::string inner =
        "cd " + shell_quote(vob) + " && clearexport_ccase -o " + shell_quote(rq.export_path) + " a.c";
    ASSERT_EQ(cleartool(CT_SETVIEW).args("-exec", inner, view).trash_all().run(), 0);
    ASSERT_EQ(convert_file(one), 1);
    s = split_sections(read_file(rq.head_path));
    ASSERT_GE(s.size(), 3u);
    EXPECT_NE(s[2].find(";c:.;c:a.c@@/main;"), std::string::npos) << s[2];
}

TEST_F(Conversion, RemovalRequestsSinceTheLastPacket) {
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    add_file("a.c", {"a\n"});
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    const std::string since = next_second();
    std::filesystem::create_directories(dir / "_dhist");
    std::string old_line, new_line;
    ASSERT_EQ(scramble_replication_text("1<rmelem.f</vobs/x/old.c", old_line), 1);
    const std::string now = std::to_string(std::time(nullptr));
    ASSERT_EQ(scramble_replication_text((now + "<lock.L<REL9").c_str(), new_line), 1);
    write_file(rq.destruction_path, old_line + "\n" + new_line + "\n");
    export_history();
    rq.since = since;
    rq.do_lshistory = true;
    std::vector<std::string> s = convert();
    ASSERT_GE(s.size(), 5u);
    EXPECT_EQ(s[4], "DESTROY>lock.L|REL9>");
    EXPECT_NE(read_file(LOG_FILES.TLOG_FILE).find(HEADER_RMELEM_FOLLOW), std::string::npos);
}

TEST_F(Conversion, DirectoryDeploymentCarriesEveryFileWithItsName) {
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    ASSERT_EQ(ct(top, {"mkdir", "-nc", "sub"}), 0);
    add_file("sub/one.txt", {"1\n"});
    add_file("empty.txt", {""});
    add_file("two.txt", {"22\n"});
    ASSERT_EQ(ct(top, {"checkin", "-nc", "sub"}), 0);
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    std::string error;
    ASSERT_EQ(describe_deployment_tree(top, true, rq.export_path, error), 1) << error;
    const std::string tree = read_file(rq.export_path);
    EXPECT_EQ(tree.substr(0, tree.find('\n')), "ExportFromDir " + std::to_string(top.size()) + ":" + top);
    EXPECT_NE(tree.find("DIR_BEGIN\nDirName 5:./sub\nDIR_END\n"), std::string::npos);
    EXPECT_NE(tree.find("ELEMENT_BEGIN\nName 13:./sub/one.txt\nExtractFile 13:./sub/one.txt\nELEMENT_END\n"),
              std::string::npos);

    rq.is_deployment = true;
    rq.deploy_location = "/srv/deploy";
    rq.requires_post_label_processing = false;
    rq.requires_destructive_commands_processing = false;
    ASSERT_EQ(convert_file(rq), 1);
    std::vector<std::string> s = split_sections(read_file(rq.head_path));
    ASSERT_EQ(s.size(), 6u);  // six sections; the final marker ends the part
    // Soft deployment: the empty file stays behind.
    EXPECT_EQ(s[0], "D:sub\nF:sub/one.txt\nF:two.txt\n");
    EXPECT_EQ(s[2], "l:r;D:flat;B:/srv/deploy;V:12.0;n:main;");
    EXPECT_EQ(s[3], "NONE>");
    EXPECT_EQ(s[4], "NONE>");
    EXPECT_EQ(split_sections(read_file(rq.head_path + "_1")), (std::vector<std::string>{"", "1\n", "22\n", ""}));

    rq.hard_deployment = true;
    ASSERT_EQ(describe_deployment_tree(top, true, rq.export_path, error), 1) << error;
    ASSERT_EQ(convert_file(rq), 1);
    EXPECT_EQ(split_sections(read_file(rq.head_path))[0], "D:sub\nF:empty.txt\nF:sub/one.txt\nF:two.txt\n");

    // A single file: its parent is the export directory.
    ASSERT_EQ(describe_deployment_tree(top + "/sub/one.txt", false, rq.export_path, error), 1) << error;
    ASSERT_EQ(convert_file(rq), 1);
    EXPECT_EQ(split_sections(read_file(rq.head_path))[0], "F:one.txt\n");
    EXPECT_EQ(split_sections(read_file(rq.head_path + "_1")), (std::vector<std::string>{"", "1\n", ""}));
}

TEST_F(Conversion, SymbolicLinksBecomeHeaderRecordsUnlessSwitchedOff) {
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    ASSERT_EQ(ct(top, {"mkdir", "-nc", "lib"}), 0);
    add_file("lib/a.c", {"a\n"});
    ASSERT_EQ(ct(top, {"ln", "-s", "-nc", "../x", "lib/ln"}), 0);
    ASSERT_EQ(ct(top, {"checkin", "-nc", "lib"}), 0);
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    ASSERT_EQ(gather_slinks(top, dir / "p.crxs", true), 1);
    ASSERT_EQ(SLINKS.LIST.size(), 1u);
    EXPECT_EQ(SLINKS.LIST[0].path, "lib/ln");
    EXPECT_EQ(SLINKS.LIST[0].text, "../x");
    EXPECT_FALSE(exists(dir / "p.crxs"));
    export_history();
    ASSERT_NE(read_file(rq.export_path).find("Name 6:lib/ln\n"), std::string::npos);
    std::vector<std::string> s = convert();
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[0].find("Name 6:lib/ln\n"), std::string::npos);
    EXPECT_NE(s[2].find("L:lib/ln>../x;"), std::string::npos);
    EXPECT_NE(read_file(LOG_FILES.TLOG_FILE).find("   lib/ln --> ../x\n"), std::string::npos);

    // Switched off: no records, and the link stays in the element description.
    SLINKS.LIST.clear();
    SLINKS.VANDREL_SLINK_PROCESSING_OVERRIDE_ON = 1;
    export_history();
    s = convert();
    ASSERT_GE(s.size(), 3u);
    EXPECT_NE(s[0].find("Name 6:lib/ln\n"), std::string::npos);
    EXPECT_EQ(s[2].find("L:"), std::string::npos);
    EXPECT_NE(read_file(LOG_FILES.TLOG_FILE).find(NO_SLINKS_GATHERED), std::string::npos);
}

TEST_F(Conversion, NamesFromTheVobNeverRunAsCommands) {
    const std::string name = "it's $(touch PWNED) `touch PWNED2` x.c";
    ASSERT_EQ(ct(top, {"checkout", "-nc", "."}), 0);
    add_file(name, {"content\n"});
    ASSERT_EQ(ct(top, {"checkin", "-nc", "."}), 0);
    // The whole history: the element is new and described.
    export_history();
    std::vector<std::string> whole = convert();
    ASSERT_GE(whole.size(), 6u);
    EXPECT_EQ(whole[5].substr(0, name.size() + 1), name + "|");
    // Type names are checked by ClearCase itself; attribute values are free
    // text and travel verbatim.
    ASSERT_EQ(ct("", {"mklbtype", "-nc", "REL_X@" + vob}), 0);
    ASSERT_EQ(ct("", {"mkattype", "-nc", "-vtype", "string", "Note@" + vob}), 0);
    const std::string since = next_second();
    ASSERT_EQ(ct(top, {"mklabel", "-nc", "REL_X", name + "@@/main/1"}), 0);
    const std::string value = "$(touch PWNED3) `touch PWNED4`; it's";
    ASSERT_EQ(ct(top, {"mkattr", "-nc", "Note", "\"" + value + "\"", name + "@@/main/1"}), 0);
    export_history(since.substr(0, since.find(" UTC")));
    rq.since = since;
    rq.do_lshistory = true;
    std::vector<std::string> s = convert();
    ASSERT_GE(s.size(), 6u);
    EXPECT_NE(s[3].find("REL_X|"), std::string::npos) << s[3];
    EXPECT_NE(s[3].find(name + "@@/main/1|"), std::string::npos) << s[3];
    EXPECT_NE(s[3].find("[" + value + "]"), std::string::npos) << s[3];
    for (const char* pwned : {"PWNED", "PWNED2", "PWNED3", "PWNED4"}) {
        EXPECT_FALSE(exists(top + "/" + pwned));
        EXPECT_FALSE(exists(pwned));
    }
}

}  // namespace
