// Where the utilities think they run, and how they read their command lines.
#include "clearcase/exchange/view_context.h"

#include <gtest/gtest.h>

#include "clearcase/exchange/exporter.h"

namespace {

using namespace ccx;

TEST(ViewContext, ResolvesViewAndVobPath) {
    struct Case {
        const char* cwd;
        const char* clearcase_root;
        bool ok;
        const char* view;
        const char* dir;
    };
    const Case cases[] = {
        {"/view/exp/vobs/src/a", "", true, "exp", "/vobs/src/a"},
        {"/view/exp/vobs/src/a/", "", true, "exp", "/vobs/src/a"},
        {"/view/exp/vobs/src/./a/../b", "", true, "exp", "/vobs/src/b"},
        {"/view/exp", "", true, "exp", "/"},
        // The cwd wins over CLEARCASE_ROOT when it is a view path.
        {"/view/imp/vobs/dst", "/view/exp", true, "imp", "/vobs/dst"},
        // Inside setview's namespace the cwd is VOB-tag-rooted.
        {"/vobs/dst/lib", "/view/imp", true, "imp", "/vobs/dst/lib"},
        {"/viewer/x/vobs/src", "", false, "", ""},
        {"/view", "", false, "", ""},
        {"/tmp", "", false, "", ""},
    };
    for (const auto& c : cases) {
        ViewContext ctx;
        std::string err;
        EXPECT_EQ(resolve_view_context(c.cwd, "/view", c.clearcase_root, ctx, err), c.ok) << c.cwd;
        if (!c.ok) {
            EXPECT_FALSE(err.empty());
            continue;
        }
        EXPECT_EQ(ctx.view_tag, c.view) << c.cwd;
        EXPECT_EQ(ctx.dir, c.dir) << c.cwd;
    }
}

TEST(ViewContext, OperandsBecomeVobPaths) {
    const ViewContext ctx{"exp", "/vobs/src/a"};
    struct Case {
        const char* operand;
        const char* path;
    };
    const Case cases[] = {
        {"lib/foo.c", "/vobs/src/a/lib/foo.c"},
        {"./foo.c", "/vobs/src/a/foo.c"},
        {"../b/x", "/vobs/src/b/x"},
        {"/view/exp/vobs/src/a/f", "/vobs/src/a/f"},
        {"/view/expo/vobs/src/a/f", "/view/expo/vobs/src/a/f"},  // another view's path is not shortened
        {"/vobs/src/z", "/vobs/src/z"},
    };
    for (const auto& c : cases) EXPECT_EQ(operand_to_vob_path(c.operand, ctx, "/view"), c.path) << c.operand;
}

TEST(ViewContext, RelativeNames) {
    EXPECT_EQ(relative_to("/vobs/src/a", "/vobs/src/a"), ".");
    EXPECT_EQ(relative_to("/vobs/src/a/lib/f", "/vobs/src/a"), "lib/f");
    EXPECT_EQ(relative_to("/vobs/src/ab", "/vobs/src/a"), "");  // a sibling sharing a prefix
    EXPECT_EQ(relative_to("/vobs/x", "/vobs/src"), "");
}

TEST(ExportArgs, Table) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        bool recursive;
        bool since;
        size_t sources;
    };
    const Case cases[] = {
        {{"-r", "-o", "E.crx"}, true, true, false, 0},
        {{"-r", "-s", "6-Dec-2026.7:26:5", "-o", "E.crx"}, true, true, true, 0},
        {{"-o", "E.crx", "-s", "06-Dec-2026.07:26", "foo.c"}, true, false, true, 1},
        {{"-s", "31-Feb-2026.1:2:3", "-o", "E.crx"}, false, false, false, 0},  // no such day
        {{"-s", "-o", "E.crx"}, false, false, false, 0},
        {{"-r"}, false, false, false, 0},  // no data file
        {{"-o"}, false, false, false, 0},
        {{"-x", "-o", "E.crx"}, false, false, false, 0},
    };
    for (const auto& c : cases) {
        ExportOptions o;
        std::string err;
        EXPECT_EQ(parse_export_args(c.args, o, err), c.ok) << c.args.front();
        if (!c.ok) continue;
        EXPECT_EQ(o.recursive, c.recursive);
        EXPECT_EQ(o.since.has_value(), c.since);
        EXPECT_EQ(o.sources.size(), c.sources);
        EXPECT_EQ(o.output, "E.crx");
    }
}

}  // namespace
