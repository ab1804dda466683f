// Pathname resolution against a small store built through the API, with
// the registry and the view root in a scratch folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "clearcase/store/mutate.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/materialise.h"
#include "clearcase/view/ops.h"
#include "clearcase/view/pname.h"

namespace {

class PnameTest : public ::testing::Test {
protected:
    std::string dir, vroot, oldcwd;
    ccsub::Store st;

    void SetUp() override {
        char tmpl[] = "/tmp/ccsub_pname_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        vroot = dir + "/view";
        setenv("VANDREL_CCSUB_HOME", (dir + "/reg").c_str(), 1);
        setenv("VANDREL_CCSUB_VIEWROOT", vroot.c_str(), 1);
        unsetenv("CLEARCASE_ROOT");
        char buf[4096];
        oldcwd = getcwd(buf, sizeof buf) ? buf : "/";
        ASSERT_TRUE(st.open(true));
        ccsub::VobRec vob;
        ccsub::ViewRec view;
        ASSERT_TRUE(ccsub::create_vob(st, "/vobs/src", "/store/src.vbs", "", true, vob));
        ASSERT_TRUE(ccsub::create_view(st, "w", "/store/w.vws", view));
        ccsub::rebuild_view(st, view);
        // /vobs/src/lib/foo.c with /main/1 and a branch dev.
        make("/vobs/src/lib", "directory");
        make("/vobs/src/lib/foo.c", "file");
        ccsub::refresh_views(st);
    }

    void TearDown() override {
        if (chdir(oldcwd.c_str()) != 0) ADD_FAILURE() << "chdir back";
        unsetenv("CLEARCASE_ROOT");
        unsetenv("VANDREL_CCSUB_HOME");
        unsetenv("VANDREL_CCSUB_VIEWROOT");
        ccsub::remove_tree(dir);
    }

    std::string vp(const std::string& p) { return vroot + "/w" + p; }

    void make(const std::string& path, const std::string& kind) {
        std::string err, msg;
        ccsub::Resolved parent, r;
        ASSERT_TRUE(ccsub::resolve_pname(st, vp(ccsub::dirname_of(path)), parent, err)) << err;
        int64_t co = 0, vid = 0, eid = 0;
        if (!st.checkout_in_view(parent.eid, parent.view.id)) {
            ASSERT_TRUE(ccsub::checkout_element(st, parent, {}, co, msg)) << st.error();
        }
        ccsub::refresh_views(st);
        ASSERT_TRUE(ccsub::resolve_pname(st, vp(path), r, err, ccsub::kAllowMissing)) << err;
        ASSERT_TRUE(ccsub::make_element(st, r, kind, kind == "file" ? "text_file" : "directory", "", "", eid, msg))
            << st.error();
        ASSERT_TRUE(ccsub::checkout_element(st, r, {}, co, msg)) << st.error();
        ccsub::refresh_views(st);
        ccsub::CheckinOpts ci;
        ci.identical = true;
        ASSERT_TRUE(ccsub::checkin_element(st, r, ci, vid, msg)) << st.error();
        ASSERT_TRUE(ccsub::resolve_pname(st, vp(ccsub::dirname_of(path)), parent, err)) << err;
        ASSERT_TRUE(ccsub::checkin_element(st, parent, ci, vid, msg)) << st.error();
    }
};

TEST_F(PnameTest, FormsOfTheSameElement) {
    std::string err;
    ccsub::Resolved base;
    ASSERT_TRUE(ccsub::resolve_pname(st, vp("/vobs/src/lib/foo.c"), base, err)) << err;
    EXPECT_EQ(base.vobpath, "/vobs/src/lib/foo.c");
    EXPECT_EQ(base.view.tag, "w");
    EXPECT_EQ(base.vob.tag, "/vobs/src");
    EXPECT_EQ(st.version_vid(base.sel.version_id), "/main/1");

    ASSERT_EQ(chdir((vroot + "/w/vobs/src/lib").c_str()), 0);
    const std::string forms[] = {"foo.c",
                                 "./foo.c",
                                 "../lib/foo.c",
                                 "../lib/./foo.c",
                                 vp("/vobs/src//lib/foo.c"),
                                 vroot + "/w/view/w/vobs/src/lib/foo.c"};
    for (auto& f : forms) {
        ccsub::Resolved r;
        ASSERT_TRUE(ccsub::resolve_pname(st, f, r, err)) << f << ": " << err;
        EXPECT_EQ(r.eid, base.eid) << f;
        EXPECT_EQ(r.given, f);
    }
    // Inside setview: VOB-tag-rooted names.
    setenv("CLEARCASE_ROOT", (vroot + "/w").c_str(), 1);
    ASSERT_EQ(chdir("/"), 0);
    ccsub::Resolved r;
    ASSERT_TRUE(ccsub::resolve_pname(st, "/vobs/src/lib/foo.c", r, err)) << err;
    EXPECT_EQ(r.eid, base.eid);
    EXPECT_EQ(r.view_path, vp("/vobs/src/lib/foo.c"));
}

TEST_F(PnameTest, ExtendedNames) {
    std::string err, msg;
    ccsub::Resolved r;
    ASSERT_TRUE(ccsub::resolve_pname(st, vp("/vobs/src/lib/foo.c"), r, err));
    ccsub::TypeRec bt;
    bt.vob_id = r.vob.id, bt.kind = "brtype", bt.name = "dev";
    ASSERT_TRUE(ccsub::create_type(st, bt));
    int64_t bid = 0;
    ASSERT_TRUE(ccsub::make_branch(st, r, "dev", "", bid, msg)) << st.error();
    struct Case {
        const char* xpn;
        ccsub::Resolved::Obj obj;
        const char* vid;  // version or branch path
    } cases[] = {
        {"@@", ccsub::Resolved::Obj::Element, ""},
        {"@@/", ccsub::Resolved::Obj::Element, ""},
        {"@@/main", ccsub::Resolved::Obj::Branch, "/main"},
        {"@@/main/dev", ccsub::Resolved::Obj::Branch, "/main/dev"},
        {"@@/main/dev/", ccsub::Resolved::Obj::Branch, "/main/dev"},
        {"@@/main/0", ccsub::Resolved::Obj::Version, "/main/0"},
        {"@@/main/LATEST", ccsub::Resolved::Obj::Version, "/main/1"},
        {"@@/main/dev/0", ccsub::Resolved::Obj::Version, "/main/dev/0"},
    };
    for (auto& c : cases) {
        ccsub::Resolved x;
        std::string p = vp("/vobs/src/lib/foo.c") + c.xpn;
        ASSERT_TRUE(ccsub::resolve_pname(st, p, x, err)) << p << ": " << err;
        EXPECT_EQ(x.obj, c.obj) << p;
        std::string got = x.obj == ccsub::Resolved::Obj::Version  ? st.version_vid(x.version_id)
                          : x.obj == ccsub::Resolved::Obj::Branch ? st.branch_path(x.branch_id)
                                                                  : "";
        EXPECT_EQ(got, c.vid) << p;
    }
}

TEST_F(PnameTest, Errors) {
    const std::string bad[] = {vp("/vobs/src/lib/nope.c"),
                               vp("/vobs/src/lib/foo.c/x"),
                               vp("/vobs/other/x"),
                               vroot + "/nosuchview/vobs/src",
                               "/tmp/not/in/a/view",
                               vp("/vobs/src/lib/foo.c@@/main/7"),
                               vp("/vobs/src/lib/foo.c@@/main/nobranch"),
                               vp("/vobs/src/lib/foo.c@@/main/9999999999999999999")};
    for (auto& p : bad) {
        ccsub::Resolved r;
        std::string err;
        EXPECT_FALSE(ccsub::resolve_pname(st, p, r, err)) << p;
        EXPECT_FALSE(err.empty()) << p;
    }
    // A missing last component is allowed for creation, with the parent known.
    ccsub::Resolved r;
    std::string err;
    ASSERT_TRUE(ccsub::resolve_pname(st, vp("/vobs/src/lib/new.c"), r, err, ccsub::kAllowMissing)) << err;
    EXPECT_FALSE(r.exists());
    EXPECT_EQ(r.name, "new.c");
    ccsub::Resolved lib;
    ASSERT_TRUE(ccsub::resolve_pname(st, vp("/vobs/src/lib"), lib, err));
    EXPECT_EQ(r.parent_eid, lib.eid);
}

TEST_F(PnameTest, MaterialisedTree) {
    EXPECT_TRUE(ccsub::is_dir(vp("/vobs/src/lost+found")));
    EXPECT_TRUE(ccsub::path_exists(vp("/vobs/src/lib/foo.c@@/main/1")));
    EXPECT_TRUE(ccsub::is_dir(vp("/vobs/src/lib@@/main/1")));
    EXPECT_TRUE(ccsub::is_dir(vp("/view/w/vobs/src")));
}

}  // namespace
