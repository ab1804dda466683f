// Import logic against an in-memory VOB: version numbers, branch rooting,
// skipping what exists, trouble reporting and unsafe names.
#include "clearcase/exchange/import_engine.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using namespace ccx;

// A VOB reduced to what the importer can observe and change.
class FakeTarget : public ImportTarget {
public:
    struct Elem {
        ObjectKind kind = ObjectKind::none;
        std::string text;                                        // link text or eltype
        std::map<std::string, std::map<long, std::string>> brs;  // branch -> number -> content
        std::map<std::string, std::string> origin;               // branch -> origin vid
    };
    std::map<std::string, Elem> objects{{".", {ObjectKind::directory, "", {}, {}}}};
    std::set<std::string> types{"brtype:main", "eltype:file", "eltype:text_file"};
    std::set<std::string> locked_types;
    std::map<std::string, std::string> labels;  // "rel label" -> vid
    std::map<std::string, std::string> attrs;   // "rel object name" -> value
    std::set<std::string> merges;               // "rel from>to"
    int finish_calls = 0, commit_calls = 0;

    ObjectKind lookup(const std::string& rel) override {
        auto it = objects.find(rel);
        return it == objects.end() ? ObjectKind::none : it->second.kind;
    }
    bool ensure_type(const ExportType& t, std::string&) override {
        const char* k = t.kind == TypeKind::branch ? "brtype:" : t.kind == TypeKind::label ? "lbtype:" : "attype:";
        types.insert(k + t.name);
        return true;
    }
    bool ensure_element_type(const std::string& name, const std::string& super, std::string& err) override {
        if (!types.count("eltype:" + super)) {
            err = "no supertype";
            return false;
        }
        types.insert("eltype:" + name);
        return true;
    }
    bool parent_ok(const std::string& rel, std::string& err) {
        const size_t s = rel.rfind('/');
        const std::string parent = s == std::string::npos ? "." : rel.substr(0, s);
        if (lookup(parent) != ObjectKind::directory) {
            err = "no parent";
            return false;
        }
        return true;
    }
    bool make_directory(const std::string& rel, const std::string&, std::string& err) override {
        if (!parent_ok(rel, err)) return false;
        objects[rel] = {ObjectKind::directory, "", {}, {}};
        return true;
    }
    bool make_symlink(const std::string& rel, const std::string& text, const std::string&, std::string& err) override {
        if (!parent_ok(rel, err)) return false;
        objects[rel] = {ObjectKind::symlink, text, {}, {}};
        return true;
    }
    bool make_file_element(const std::string& rel, const std::string& eltype, const std::string&, const std::string&,
                           const std::string&, const std::string&, std::string& err) override {
        if (!types.count("eltype:" + eltype)) {
            err = "element type \"" + eltype + "\" does not exist";
            return false;
        }
        if (!parent_ok(rel, err)) return false;
        objects[rel] = {ObjectKind::file, eltype, {{"/main", {{0, ""}}}}, {}};
        return true;
    }
    Elem* file(const std::string& rel) {
        auto it = objects.find(rel);
        return it == objects.end() || it->second.kind != ObjectKind::file ? nullptr : &it->second;
    }
    bool branch_exists(const std::string& rel, const std::string& b) override {
        Elem* e = file(rel);
        return e && e->brs.count(b);
    }
    bool version_exists(const std::string& rel, const std::string& vid) override {
        std::string b;
        long n = 0;
        Elem* e = file(rel);
        return e && split_version_id(vid, b, n) && e->brs.count(b) && e->brs[b].count(n);
    }
    std::optional<long> latest_number(const std::string& rel, const std::string& b) override {
        Elem* e = file(rel);
        if (!e || !e->brs.count(b) || e->brs[b].empty()) return std::nullopt;
        return e->brs[b].rbegin()->first;
    }
    bool make_branch(const std::string& rel, const std::string& b, const std::string& origin, const std::string&,
                     std::string& err) override {
        if (!types.count("brtype:" + std::string(branch_type_of(b)))) {
            err = "no branch type";
            return false;
        }
        file(rel)->brs[b][0] = "";
        file(rel)->origin[b] = origin;
        return true;
    }
    bool make_version(const std::string& rel, const std::string& b, long n, const std::string& data, const std::string&,
                      std::string&) override {
        std::ifstream in(data);
        std::stringstream ss;
        ss << in.rdbuf();
        file(rel)->brs[b][n] = ss.str();
        return true;
    }
    bool set_label(const std::string& rel, const std::string& vid, const std::string& label,
                   std::string& err) override {
        if (locked_types.count("lbtype:" + label)) {
            err = "Lock on lbtype \"" + label + "\" prevents operation \"mklabel\"";
            return false;
        }
        types.insert("lbtype:" + label);
        labels[rel + " " + label] = vid;  // replace semantics: one instance per element
        return true;
    }
    bool set_attribute(const std::string& rel, const std::string& obj, const std::string& name,
                       const std::string& value, std::string&) override {
        attrs[rel + " " + obj + " " + name] = value;
        return true;
    }
    bool make_merge(const std::string& rel, const std::string& from, const std::string& to, std::string&) override {
        merges.insert(rel + " " + from + ">" + to);
        return true;
    }
    bool finish(std::string&) override {
        ++finish_calls;
        return true;
    }
    bool commit(std::string&) override {
        ++commit_calls;
        return true;
    }

    // One line per fact, sorted: the state a test compares.
    std::string dump() {
        std::ostringstream o;
        for (auto& [rel, e] : objects) {
            o << rel << " " << static_cast<int>(e.kind) << (e.text.empty() ? "" : " " + e.text) << "\n";
            for (auto& [b, nums] : e.brs) {
                if (e.origin.count(b)) o << "  " << b << " from " << e.origin[b] << "\n";
                for (auto& [n, c] : nums) o << "  " << b << "/" << n << " =" << c << "\n";
            }
        }
        for (auto& [k, v] : labels) o << "label " << k << " " << v << "\n";
        for (auto& [k, v] : attrs) o << "attr " << k << " " << v << "\n";
        for (auto& m : merges) o << "merge " << m << "\n";
        return o.str();
    }
};

class ImportEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ccx_import_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        write("zeb.0000", "");
        write("zeb.0001", "one\n");
        write("zeb.0002", "two\n");
        write("zeb.0003", "three\n");
        // A link out of the data directory, to a file any host has.
        ASSERT_EQ(::symlink("/etc/passwd", (dir_ + "/zeb.link").c_str()), 0);
        target.locked_types.insert("lbtype:LOCKED");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir_ + "/" + name) << text; }

    struct Result {
        int status;
        std::string out, err;
    };
    Result import(const std::string& body, ImportOptions opts = {}) {
        const std::string text = "ExportFromDir " + std::to_string(dir_.size()) + ":" + dir_ + "\n" + body;
        std::FILE* data = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        char *obuf = nullptr, *ebuf = nullptr;
        size_t olen = 0, elen = 0;
        std::FILE* out = open_memstream(&obuf, &olen);
        std::FILE* err = open_memstream(&ebuf, &elen);
        opts.datafile = "data.zeb";
        ImportEngine engine(target, opts, out, err);
        DataDirRules rules;
        rules.datafile_dir = dir_;
        Result r{engine.run(data, rules), "", ""};
        std::fclose(data);
        std::fclose(out);
        std::fclose(err);
        r.out.assign(obuf, olen);
        r.err.assign(ebuf, elen);
        free(obuf);
        free(ebuf);
        return r;
    }

    std::string dir_;
    FakeTarget target;
};

// "VersionId/OnBranch/ExtractFile" block, plus any extra lines.
std::string ver(const std::string& vid, const std::string& file, const std::string& extra = "") {
    std::string out = "VERSION_BEGIN\n";
    append_value_line(out, "VersionId", vid);
    append_value_line(out, "OnBranch", std::string(branch_type_of(vid.substr(0, vid.rfind('/')))));
    out += extra;
    append_value_line(out, "ExtractFile", file);
    return out + "VERSION_END\n";
}

std::string elem(const std::string& name, const std::string& versions, const std::string& eltype = "text_file") {
    std::string out = "ELEMENT_BEGIN\n";
    append_value_line(out, "Name", name);
    append_value_line(out, "ElType", eltype);
    return out + versions + "ELEMENT_END\n";
}

std::string line(const std::string& tag, const std::string& value) {
    std::string out;
    append_value_line(out, tag, value);
    return out;
}

TEST_F(ImportEngineTest, CreatesVersionsWithTheirExactNumbers) {
    auto r =
        import("DIR_BEGIN\nDirName 3:a/b\nDIR_END\n" +
               elem("a/b/f.c", ver("/main/0", "zeb.0000") + ver("/main/2", "zeb.0001") + ver("/main/5", "zeb.0002")));
    EXPECT_EQ(r.status, kImportOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(target.dump(), ". 2\na 2\na/b 2\na/b/f.c 1 text_file\n  /main/0 =\n  /main/2 =one\n\n  /main/5 =two\n\n");
    EXPECT_TRUE(r.out.ends_with("Closing directories.\n")) << r.out;
    EXPECT_EQ(target.finish_calls, 1);
}

TEST_F(ImportEngineTest, RootsNewBranchesWhereTheStreamSays) {
    // dev: explicit origin; fix: from the version listing it as SubBranch;
    // rel: neither, so the latest version of its parent branch.
    auto r = import(elem(
        "f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001", line("SubBranch", "fix")) +
                   ver("/main/2", "zeb.0002") + ver("/main/dev/0", "zeb.0000", line("BranchFrom", "/main/1")) +
                   ver("/main/fix/0", "zeb.0000") + ver("/main/rel/0", "zeb.0000") + ver("/main/dev/1", "zeb.0003")));
    EXPECT_EQ(r.status, kImportOk) << r.err;
    const std::string d = target.dump();
    EXPECT_NE(d.find("/main/dev from /main/1\n"), std::string::npos) << d;
    EXPECT_NE(d.find("/main/fix from /main/1\n"), std::string::npos) << d;
    EXPECT_NE(d.find("/main/rel from /main/2\n"), std::string::npos) << d;
    EXPECT_NE(d.find("/main/dev/1 =three\n"), std::string::npos) << d;
}

struct TroubleCase {
    const char* name;
    std::string body;
    std::string expected_error;  // the per-element line
    std::string element;         // name listed under the trouble header
};

void PrintTo(const TroubleCase& c, std::ostream* os) {
    *os << c.name;
}

class ImportTrouble : public ImportEngineTest, public ::testing::WithParamInterface<TroubleCase> {};

TEST_P(ImportTrouble, ReportsAndGoesOn) {
    const auto& c = GetParam();
    // A sound element after the faulty one must still be imported.
    auto r = import(c.body + elem("ok.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001")));
    EXPECT_EQ(r.status, kImportTrouble);
    EXPECT_NE(r.err.find("clearimport: Error: " + c.expected_error), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Error: Trouble was encountered importing one or more versions for the following "
                         "element(s):\n    \"" +
                         c.element + "\"\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.ends_with("Closing directories.\n"));
    EXPECT_TRUE(target.version_exists("ok.c", "/main/1"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportTrouble,
    ::testing::Values(
        TroubleCase{"number_not_above_latest",
                    elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/3", "zeb.0001") + ver("/main/2", "zeb.0002")),
                    "Trouble importing element \"f.c\" version \"/main/2\": version number 2 is not above the "
                    "latest version 3 of the branch.",
                    "f.c"},
        TroubleCase{"missing_data_file", elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0099")),
                    "Trouble importing element \"f.c\" version \"/main/1\": data file \"", "f.c"},
        TroubleCase{"parent_branch_missing",
                    elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/dev/fix/0", "zeb.0000")),
                    "Trouble importing element \"f.c\" version \"/main/dev/fix/0\": parent branch \"/main/dev\" does "
                    "not exist.",
                    "f.c"},
        TroubleCase{"bad_version_id", elem("f.c", ver("/main/0", "zeb.0000") + ver("main/x", "zeb.0001")),
                    "Trouble importing element \"f.c\" version \"main/x\": not a version id.", "f.c"},
        TroubleCase{"unknown_element_type", elem("f.c", ver("/main/0", "zeb.0000"), "nosuch"),
                    "Trouble importing element \"f.c\" version \"/main/0\": element type \"nosuch\" does not exist.",
                    "f.c"},
        TroubleCase{"name_climbs_out", elem("../evil.c", ver("/main/0", "zeb.0000")),
                    "Trouble importing element \"../evil.c\" version \"/main/0\": unsafe element name.", "../evil.c"},
        TroubleCase{"absolute_name", elem("/etc/evil.c", ver("/main/0", "zeb.0000")),
                    "Trouble importing element \"/etc/evil.c\" version \"/main/0\": unsafe element name.",
                    "/etc/evil.c"},
        TroubleCase{"data_file_climbs_out",
                    elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "../../etc/passwd")),
                    "Trouble importing element \"f.c\" version \"/main/1\": data file \"../../etc/passwd\" lies "
                    "outside the export directory.",
                    "f.c"},
        TroubleCase{"data_file_behind_a_link", elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.link")),
                    "Trouble importing element \"f.c\" version \"/main/1\": data file \"zeb.link\" lies outside the "
                    "export directory.",
                    "f.c"},
        TroubleCase{"locked_label_type",
                    elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001", line("Label", "LOCKED"))),
                    "Trouble importing element \"f.c\" version \"/main/1\": Lock on lbtype \"LOCKED\" prevents "
                    "operation \"mklabel\".",
                    "f.c"}));

// An ExportFromDir naming another directory stops the run before anything
// is committed, wherever the line appears.
TEST_F(ImportEngineTest, RefusedExportFromDirImportsNothing) {
    const std::string f = elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001"));
    for (const std::string& body : {line("ExportFromDir", "/etc") + f, f + line("ExportFromDir", dir_ + "/..")}) {
        target = FakeTarget{};
        auto r = import(body);
        EXPECT_EQ(r.status, kImportFatal);
        EXPECT_NE(r.err.find("clearimport: Error: ExportFromDir \""), std::string::npos) << r.err;
        EXPECT_TRUE(r.err.ends_with(": nothing imported.\n")) << r.err;
        EXPECT_EQ(r.out.find("Closing directories."), std::string::npos) << r.out;
        EXPECT_EQ(target.finish_calls, 0);
        EXPECT_EQ(target.commit_calls, 0);
    }
}

TEST_F(ImportEngineTest, UnsafeNamesCreateNothing) {
    import(elem("a/../../x.c", ver("/main/0", "zeb.0000")) + "DIR_BEGIN\nDirName 5:../up\nDIR_END\n" +
           elem("b/./c.c", ver("/main/0", "zeb.0000")));
    EXPECT_EQ(target.dump(), ". 2\n");
}

TEST_F(ImportEngineTest, ReimportIsIdempotent) {
    const std::string body =
        "LBTYPE_BEGIN\nLbType 4:REL1\nLBTYPE_END\n" +
        elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001", line("Label", "REL1")) +
                        ver("/main/dev/0", "zeb.0000", line("BranchFrom", "/main/1")) +
                        ver("/main/2", "zeb.0002",
                            line("Merge", "/main/dev/0") + line("Attrib", "Status=\"two\nlines > ok\""))) +
        "ELEMENT_BEGIN\nName 4:link\nElType 13:symbolic_link\nTargetName 4:f.c \nELEMENT_END\n";
    auto first = import(body);
    ASSERT_EQ(first.status, kImportOk) << first.err;
    const std::string state = target.dump();
    EXPECT_NE(state.find("attr f.c /main/2 Status \"two\nlines > ok\"\n"), std::string::npos) << state;
    EXPECT_NE(state.find("merge f.c /main/dev/0>/main/2\n"), std::string::npos) << state;
    EXPECT_NE(state.find("link 3 f.c \n"), std::string::npos) << state;  // link text verbatim
    auto second = import(body);
    EXPECT_EQ(second.status, kImportOk) << second.err;
    EXPECT_EQ(target.dump(), state);
    EXPECT_NE(second.out.find("0 version(s) created, 4 already present"), std::string::npos) << second.out;
}

TEST_F(ImportEngineTest, LabelsMoveAndForwardMergesWaitForTheirTarget) {
    auto r = import(elem("f.c", ver("/main/0", "zeb.0000") + ver("/main/1", "zeb.0001", line("FMerge", "/main/2")) +
                                    ver("/main/2", "zeb.0002", line("Label", "REL1")) +
                                    ver("/main/3", "zeb.0003", line("Label", "REL1")) +
                                    ver("/main/4", "zeb.0003", line("Merge", "CHECKEDOUT.7"))));
    EXPECT_EQ(r.status, kImportOk) << r.err;
    const std::string d = target.dump();
    EXPECT_NE(d.find("label f.c REL1 /main/3\n"), std::string::npos) << d;
    EXPECT_NE(d.find("merge f.c /main/1>/main/2\n"), std::string::npos) << d;
    EXPECT_EQ(d.find("CHECKEDOUT"), std::string::npos) << d;
}

TEST_F(ImportEngineTest, DirectoryElementBlockMakesADirectory) {
    auto r = import(elem("d/e", ver("/main/0", "zeb.0000"), "directory"));
    EXPECT_EQ(r.status, kImportOk) << r.err;
    EXPECT_EQ(target.dump(), ". 2\nd 2\nd/e 2\n");
}

TEST_F(ImportEngineTest, ExistingNonFileIsTrouble) {
    target.objects["d"] = {ObjectKind::directory, "", {}, {}};
    auto r = import(elem("d", ver("/main/0", "zeb.0000")));
    EXPECT_EQ(r.status, kImportTrouble);
    EXPECT_NE(r.err.find("a non-file object of that name exists"), std::string::npos);
}

TEST(ImportArgs, AcceptsTheFormsCallersIssue) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string datafile;
        bool nolab;
    };
    const Case cases[] = {
        {{"-c", "created by Vandrel", "-nolab", "-master", "-i", "/r/p.zeb"}, true, "/r/p.zeb", true},
        {{"-c", "created by Vandrel", "-master", "-i", "/r/p.zeb"}, true, "/r/p.zeb", false},
        {{"-i", "-master", "data"}, true, "data", false},
        {{"-master"}, false, "", false},
        {{"a", "b"}, false, "", false},
        {{"-c"}, false, "", false},
        {{"-bogus", "x"}, false, "", false},
    };
    for (const auto& c : cases) {
        ImportOptions o;
        std::string err;
        EXPECT_EQ(parse_import_args(c.args, o, err), c.ok) << c.args.size();
        if (c.ok) {
            EXPECT_EQ(o.datafile, c.datafile);
            EXPECT_EQ(o.nolab, c.nolab);
        }
    }
}

TEST(SafeNames, Table) {
    const std::pair<const char*, bool> cases[] = {
        {".", true},     {"a", true},         {"a/b.c", true},        {"", false},     {"..", false},
        {"a/..", false}, {"../a", false},     {"/a", false},          {"a//b", false}, {"a/./b", false},
        {"a/", false},   {"a@@/main", false}, {"lost+found/x", true},
    };
    for (const auto& [name, ok] : cases) EXPECT_EQ(safe_relative_name(name), ok) << name;
}

}  // namespace
