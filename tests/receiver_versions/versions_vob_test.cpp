// A received packet applied to a fresh VOB through the import view: header
// records, the import, directory check-ins, protections and the outcome.
// The packet is made from the export that versions_vob_itest.sh takes of its
// source VOB; the lines by which the import utility would set element types
// and protections on its own are stripped where the receiver's own step is
// under test. Needs ccsandbox; skipped elsewhere.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "common/cc_query.h"
#include "common/file_ops.h"
#include "receiver/apply/normalize.h"
#include "receiver/versions/directories.h"
#include "receiver/versions/header_records.h"
#include "receiver/versions/import_run.h"
#include "versions_fixture.h"

namespace {

std::string ct(const std::vector<std::string>& words, int* status = nullptr) {
    Command c(CLEARTOOL);
    for (const std::string& w : words) c.arg(w);
    c.trash_err();
    std::string out;
    c.capture(out, Command::NO_LIMIT, status);
    return out;
}

class VersionsInVob : public VersionsTest {
protected:
    void SetUp() override {
        if (!std::getenv("IN_CCSANDBOX") || !std::getenv("VERSIONS_EXPORT"))
            GTEST_SKIP() << "needs the VOBs that versions_vob_itest.sh makes";
        VersionsTest::SetUp();
        static int serial = 0;
        vob = "/vobs/t" + std::to_string(++serial);
        int status = 0;
        ct({"mkvob", "-tag", vob, "-nc", dir / "dst.vbs"}, &status);
        ASSERT_EQ(status, 0) << vob;
        root = "/view/imp" + vob;
        set_config_spec("element * CHECKEDOUT\nelement * /main/LATEST\n");
    }
    void set_config_spec(const std::string& text) {
        write_file(dir / "receiver.cs", text);
        int status = 0;
        ct({"setcs", "-tag", "imp", dir / "receiver.cs"}, &status);
        ASSERT_EQ(status, 0);
    }
    // The source export as the receiver finds it after extraction: data
    // files zeb.NNNN in the receiving directory, lines with these tags left
    // out.
    void receive_export(const std::vector<std::string>& strip = {}) {
        std::istringstream in(read_file(std::getenv("VERSIONS_EXPORT")));
        std::string out, line;
        data_files = 1;
        write_file(dir / "zeb.0000", "");
        while (std::getline(in, line)) {
            ValueLine v;
            bool is_value = parse_value_line(line, v);
            bool stripped = false;
            for (const std::string& tag : strip) stripped = stripped || (is_value && v.tag == tag);
            if (stripped) continue;
            if (is_value && v.tag == "ExtractFile") {
                std::string bytes = read_file(std::string(std::getenv("VERSIONS_SOURCE")) + "/" + std::string(v.value));
                std::string name = "zeb.0000";
                if (!bytes.empty()) {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "zeb.%04ld", data_files++);
                    name = buf;
                    write_file(dir / name, bytes);
                }
                line = vl("ExtractFile", name);
                line.pop_back();
            }
            out += line + "\n";
        }
        write_file(dir / "p.unorm", out);
    }
    // Normalisation, header records and the import as the service loop runs
    // them. Returns the outcome of the import (1 done, 0 failed).
    int apply_packet(const std::string& pre, const std::string& nele = "\n") {
        write_file(dir / "p.pre", pre + "\n");
        write_file(dir / "p.nele", nele);
        EXPECT_EQ(normalize_file(data(), dir / "p.unorm", dir / "p.zeb", dir.path(), vob, vob), 1);
        std::string toss;
        EXPECT_EQ(apply_header_records(dir / "p.pre", data(), vob, vob, toss), 1) << toss;
        return import_element_versions(dir.path(), dir / "p.zeb", data(), vob, vob, dir / "p.nele", data_files);
    }
    std::string data() const { return dir / "epoc.007.b.a.crc"; }
    std::string protection_of(const std::string& path) {
        return ct({"describe", "-fmt", "%[owner]p %[group]p %[permissions]p", path});
    }
    std::string checkouts() { return ct({"lsco", "-s", "-rec", "-cview", root}); }
    std::string lines_of(const char* log_name) { return log(log_name); }

    std::string vob;
    std::string root;
    long data_files = 1;
};

TEST_F(VersionsInVob, NewElementsBranchesAndVersionsArriveWithTheirTypes) {
    // Without its ElSuperType line the import cannot make the user element
    // type: the receiver's "e:" step must have made it.
    receive_export({"ElSuperType"});
    ASSERT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;e:src_text:text_file;b:dev;"), 1)
        << lines_of("errors.txt") << lines_of("warnings.txt");
    EXPECT_NE(ct({"lstype", "-l", "eltype:src_text@" + vob}).find("supertype: text_file"), std::string::npos);
    EXPECT_EQ(read_file(root + "/lib/foo.c@@/main/1"), "foo one\n");
    EXPECT_EQ(read_file(root + "/lib/foo.c@@/main/2"), "foo two\n");
    EXPECT_EQ(read_file(root + "/lib/foo.c@@/main/dev/1"), "foo on dev\n");
    EXPECT_TRUE(exists(root + "/lib/sub/empty.c@@/main/1"));
    EXPECT_EQ(read_file(root + "/lib/foo.c"), "foo two\n");
    EXPECT_NE(lines_of("tocs.txt").find("===================== E_O_TOC ======================"), std::string::npos);
    EXPECT_EQ(lines_of("email.txt").find("Trouble replicating"), std::string::npos) << lines_of("email.txt");
    EXPECT_EQ(checkouts(), "");
}

TEST_F(VersionsInVob, AVersionWhoseDataFileIsMissingIsNotMadeAndIsReported) {
    receive_export();
    // The data file of lib/foo.c@@/main/2 did not arrive.
    std::string zeb = read_file(dir / "p.unorm");
    std::size_t at = zeb.find("VersionId 7:/main/2\n");
    ASSERT_NE(at, std::string::npos);
    std::size_t extract = zeb.find("ExtractFile ", at);
    std::string name = zeb.substr(zeb.find(':', extract) + 1, 8);
    unlink_remove(dir / name);
    ASSERT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;b:dev;"), 1) << lines_of("errors.txt");
    EXPECT_EQ(read_file(root + "/lib/foo.c@@/main/1"), "foo one\n");
    EXPECT_FALSE(exists(root + "/lib/foo.c@@/main/2"));
    EXPECT_NE(
        lines_of("warnings.txt").find("-- Warning: Data file (" + name + ") for element version (lib/foo.c@@/main/2)"),
        std::string::npos)
        << lines_of("warnings.txt");
    EXPECT_NE(lines_of("email.txt").find("   " + root + "/lib/foo.c@@/main/2\n"), std::string::npos)
        << lines_of("email.txt");
}

TEST_F(VersionsInVob, DirectoriesArePreparedOnTheBranchAndUnchangedOnesUncheckedOut) {
    int status = 0;
    ct({"checkout", "-nc", root + "/."});
    ct({"mkdir", "-nc", root + "/old"});
    ct({"checkin", "-nc", root + "/old", root + "/."}, &status);
    ASSERT_EQ(status, 0);
    set_config_spec("element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch dev\n");
    receive_export();
    VERSIONS_SETTINGS.new_dir_personality = 0;
    ASSERT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;b:dev;d:.;d:old;d:lib;d:lib/sub;"), 1)
        << lines_of("errors.txt") << lines_of("warnings.txt");
    EXPECT_EQ(checkouts(), "");
    // New directories got their versions on the branch, not on main.
    for (const char* d : {"lib", "lib/sub"}) {
        EXPECT_TRUE(exists(root + "/" + d + "@@/main/dev/1")) << d;
        EXPECT_FALSE(exists(root + "/" + d + "@@/main/1")) << d;
    }
    EXPECT_NE(ct({"ls", "-dir", root}).find(root + "@@/main/dev/1 "), std::string::npos) << ct({"ls", "-dir", root});
    // The existing directory without change got no new version.
    EXPECT_FALSE(exists(root + "/old@@/main/dev/1"));
    EXPECT_FALSE(exists(root + "/old@@/main/2"));
    EXPECT_EQ(read_file(root + "/lib/foo.c@@/main/dev/1"), "foo on dev\n");
    EXPECT_EQ(lines_of("warnings.txt").find("Could not perform"), std::string::npos) << lines_of("warnings.txt");
}

TEST_F(VersionsInVob, MainPersonalityLeavesDirectoriesToTheImport) {
    receive_export();
    ASSERT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;b:dev;d:.;d:lib;d:lib/sub;"), 1);
    EXPECT_TRUE(VERSIONS_PACKET.REPLICATED_DIR_LIST.empty());
    EXPECT_TRUE(exists(root + "/lib/sub/empty.c"));
    EXPECT_EQ(checkouts(), "");
}

TEST_F(VersionsInVob, ProtectionsArePreservedOrSetExactly) {
    struct Case {
        int protection;
        std::string lib, sub, foo, top;
    } cases[] = {
        // The top's recorded permissions are unknown ("."): its mode stays.
        {PROTECTION_PRESERVE, "daemon daemon rwxr-x---", "bin daemon rwx------", "bin bin r--r--r--",
         "bin daemon rwxrwxr-x"},
        // Only directories this packet made are given the exact owner.
        {PROTECTION_EXACTLY, "nobody nogroup ", "nobody nogroup ", "nobody nogroup ", "root root rwxrwxr-x"},
    };
    for (const Case& c : cases) {
        if (c.protection == PROTECTION_EXACTLY) {
            // A fresh VOB for the second case.
            vob += "x";
            root = "/view/imp" + vob;
            ct({"mkvob", "-tag", vob, "-nc", dir / "dst2.vbs"});
            reset_apply_packet();
        }
        APPLY_SETTINGS.protection = c.protection;
        APPLY_SETTINGS.exact_user = "nobody";
        APPLY_SETTINGS.exact_group = "nogroup";
        VERSIONS_SETTINGS.new_dir_personality = 0;
        // The import must not set protections itself.
        receive_export({"Owner", "Group", "Permissions"});
        ASSERT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;b:dev;d:lib;o:lib<daemon>daemon+rwxr-x---;d:lib/sub;"
                               "o:lib/sub<bin>daemon+rwx------;o:.<bin>daemon+.;",
                               "lib/foo.c|bin|bin|r--r--r--;\n"),
                  1)
            << lines_of("errors.txt");
        std::string lib = protection_of(root + "/lib"), sub = protection_of(root + "/lib/sub");
        std::string foo = protection_of(root + "/lib/foo.c");
        if (c.protection == PROTECTION_EXACTLY) {
            // Only owner and group are set; the mode is the VOB's own.
            lib = lib.substr(0, c.lib.size());
            sub = sub.substr(0, c.sub.size());
            foo = foo.substr(0, c.foo.size());
        }
        EXPECT_EQ(lib, c.lib) << c.protection;
        EXPECT_EQ(sub, c.sub) << c.protection;
        EXPECT_EQ(foo, c.foo) << c.protection;
        EXPECT_EQ(protection_of(root), c.top) << c.protection;
    }
}

TEST_F(VersionsInVob, SymbolicLinksAreMadeOrListedAsIgnored) {
    ct({"checkout", "-nc", root + "/."});
    ct({"mkdir", "-nc", root + "/inc"});
    ct({"checkin", "-nc", root + "/inc", root + "/."});
    for (int ignore : {1, 0}) {
        VERSIONS_SETTINGS.IGNORE_RECEIVED_SLINKS_VALUE = ignore;
        unlink_remove(dir / "tocs.txt");
        write_file(dir / "p.pre", "l:east;D:vob;V:12.0;L:inc/foo.h>../lib/foo.h;L:top.lnk>inc;\n");
        std::string toss;
        ASSERT_EQ(apply_header_records(dir / "p.pre", data(), vob, vob, toss), 1) << toss;
        checkin_replicated_dirs();
        std::string toc = lines_of("tocs.txt");
        EXPECT_NE(toc.find(ignore ? "   ======== as requested, ignoring the received symbolic links that follow:\n"
                                  : "   ======== any symbolic links follow:\n"),
                  std::string::npos)
            << toc;
        EXPECT_NE(toc.find("   " + vob + "/inc/foo.h --> ../lib/foo.h\n"), std::string::npos) << toc;
        char target[256] = {};
        ssize_t n = ::readlink((root + "/inc/foo.h").c_str(), target, sizeof target - 1);
        if (ignore) {
            EXPECT_EQ(n, -1);
        } else {
            EXPECT_EQ(std::string(target, n > 0 ? n : 0), "../lib/foo.h");
            n = ::readlink((root + "/top.lnk").c_str(), target, sizeof target - 1);
            EXPECT_EQ(std::string(target, n > 0 ? n : 0), "inc");
        }
        EXPECT_EQ(checkouts(), "");
    }
}

TEST_F(VersionsInVob, RemoteCheckoutMarksFollowTheLatestPacket) {
    ct({"checkout", "-nc", root + "/."});
    ct({"mkelem", "-nc", root + "/a.c", root + "/b.c"});
    ct({"checkin", "-nc", root + "/a.c", root + "/b.c", root + "/."});
    // A mark left by an earlier packet.
    ct({"mkattype", "-nc", "-vtype", "integer", "-def", "1", "Remotely_Checked_Out_To__east@" + vob});
    ct({"mkattr", "-nc", "-def", "Remotely_Checked_Out_To__east", root + "/b.c@@/main"});
    ASSERT_NE(ct({"describe", "-fmt", "%Na", root + "/b.c@@/main"}), "");
    write_file(dir / "p.pre", "l:east;D:vob;V:12.0;c:a.c@@/main;c:gone.c@@/main;c:a.c@@/main/nosuch;\n");
    std::string toss;
    ASSERT_EQ(apply_header_records(dir / "p.pre", data(), vob, vob, toss), 1) << toss;
    EXPECT_EQ(ct({"describe", "-fmt", "%Na", root + "/a.c@@/main"}), "Remotely_Checked_Out_To__east=1");
    EXPECT_EQ(ct({"describe", "-fmt", "%Na", root + "/b.c@@/main"}), "");
    EXPECT_FALSE(exists(dir / "warnings.txt")) << lines_of("warnings.txt");

    // Attribute data ignored: no mark at all.
    APPLY_SETTINGS.read_ignore_received_attribute_data = 1;
    ASSERT_EQ(apply_header_records(dir / "p.pre", data(), vob, vob, toss), 1) << toss;
    EXPECT_EQ(ct({"describe", "-fmt", "%Na", root + "/a.c@@/main"}), "");
}

TEST_F(VersionsInVob, UsedTypesAreMadeWithTheirScope) {
    write_file(dir / "p.pre", "l:east;D:vob;V:12.0;G:fix;b:dev;g:REL2;y:Status;\n");
    std::string toss;
    ASSERT_EQ(apply_header_records(dir / "p.pre", data(), vob, vob, toss), 1) << toss;
    struct Case {
        const char* selector;
        const char* scope;
    } cases[] = {{"brtype:fix@", "global"},
                 {"brtype:dev@", "ordinary"},
                 {"lbtype:REL2@", "global"},
                 {"attype:Status@", "global"}};
    for (const Case& c : cases)
        EXPECT_EQ(ct({"describe", "-fmt", "%[type_scope]p", c.selector + vob}), c.scope) << c.selector;
    EXPECT_FALSE(exists(dir / "warnings.txt")) << lines_of("warnings.txt");
}

TEST_F(VersionsInVob, AnImportWithoutItsClosingLineFails) {
    receive_export();
    int status = 0;
    ct({"lock", "vob:" + vob}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(apply_packet("l:east;D:vob;V:12.0;n:branch;b:dev;"), 0);
    ct({"unlock", "vob:" + vob});
    EXPECT_NE(lines_of("errors.txt")
                  .find("-- Replication command failed.  ClearCase path possibly not set. "
                        "Replication failed for (" +
                        root + ") " + data()),
              std::string::npos)
        << lines_of("errors.txt");
    EXPECT_FALSE(exists(root + "/lib"));
    ImportOutputs outputs = import_output_names(dir.path());
    EXPECT_TRUE(EXTRACTED_FILES.contains(outputs.catcho) && EXTRACTED_FILES.contains(outputs.catche));
}

TEST_F(VersionsInVob, HostileNamesArriveVerbatimAndRunNothing) {
    // Names hold no "/" (that would make them paths): the commands they
    // carry touch "pwned" in the working directory, which is the scratch
    // folder here (and the VOB path inside the import view).
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string mark = "pwned";
    std::string sub = "$(touch " + mark + ")";
    std::string tick = "`touch " + mark + "`";
    std::vector<std::string> dirs = {sub, tick, "q\"uote", "it's", "a|b&c"};
    std::string pre = "l:east$(touch " + mark + ");D:vob;V:12.0;n:branch;e:evil$(touch " + mark +
                      "):text_file;b:dev`touch " + mark + "`;";
    for (const std::string& d : dirs) pre += "d:" + d + ";";
    for (const char* outside : {"/etc/vandrel", "../escape", "a/../../escape", "x\ny"})
        pre += std::string("d:") + outside + ";L:" + outside + ">t;c:" + outside + "@@/main;";
    pre += "L:" + tick + "/lnk>$(touch " + mark + ")'\"`x`\n&;c:" + sub + "@@/main;c:it's@@/main/../../x;";
    VERSIONS_SETTINGS.new_dir_personality = 0;
    write_file(dir / "p.unorm", vl("ExportFromDir", "/x") + "ELEMENT_BEGIN\n" + vl("Name", sub + "/f$(id).c") +
                                    vl("ElType", "text_file") + version_block("/main/0", "zeb.0000") +
                                    version_block("/main/1", "zeb.0001") + "ELEMENT_END\n");
    write_file(dir / "zeb.0000", "");
    write_file(dir / "zeb.0001", "payload\n");
    data_files = 2;
    ASSERT_EQ(apply_packet(pre), 1) << lines_of("errors.txt") << lines_of("warnings.txt");
    for (const std::string& where : {dir.path(), root, std::string()})
        EXPECT_FALSE(exists(where + "/" + mark)) << where;
    for (const std::string& d : dirs) {
        struct stat st;
        EXPECT_TRUE(::stat((root + "/" + d).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << d;
    }
    EXPECT_EQ(read_file(root + "/" + sub + "/f$(id).c"), "payload\n");
    char target[256] = {};
    ssize_t n = ::readlink((root + "/" + tick + "/lnk").c_str(), target, sizeof target - 1);
    EXPECT_EQ(std::string(target, n > 0 ? n : 0), "$(touch " + mark + ")'\"`x`\n&");
    EXPECT_FALSE(exists("/etc/vandrel"));
    EXPECT_FALSE(exists("/view/imp/vobs/escape"));
    EXPECT_EQ(checkouts(), "");
    std::string warnings = lines_of("warnings.txt");
    for (const char* what : {"directory (/etc/vandrel)", "directory (../escape)", "symbolic link (a/../../escape>t)",
                             "remote checkout (/etc/vandrel@@/main)", "remote checkout (it's@@/main/../../x)"})
        EXPECT_NE(warnings.find(std::string("-- Warning: Refused the ") + what), std::string::npos) << what;
    EXPECT_NE(warnings.find("-- Warning: Refused the location (east$(touch "), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("-- Warning: Refused the element type (evil$(touch "), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("-- Warning: Refused the branch type (dev`touch "), std::string::npos) << warnings;
    EXPECT_EQ(ct({"lstype", "-s", "-kind", "attype", "-invob", vob}).find("Remotely"), std::string::npos);
}

}  // namespace
