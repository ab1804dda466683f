// clearimport [-v] [-i] [-n] [-master] [-d dir] [-c comment] [-nolab] datafile
//
// Run inside "cleartool setview -exec" in the target directory: creates what
// the export data file holds and the VOB lacks. Progress goes to stdout and
// ends with "Closing directories."; trouble goes to stderr as
// "clearimport: Error: ..." lines. Exit 0 when all went well, 1 after
// per-element trouble, 2 on a fatal error (nothing imported).
#include <cstdio>
#include <string>
#include <vector>

#include "clearcase/exchange/import_engine.h"
#include "clearcase/exchange/store_target.h"
#include "clearcase/exchange/view_context.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/materialise.h"

namespace {

int fatal(const std::string& text) {
    std::fprintf(stderr, "clearimport: Error: %s\n", text.c_str());
    return ccx::kImportFatal;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ccx::ImportOptions opts;
    std::string err;
    if (!ccx::parse_import_args(args, opts, err)) return fatal(err);

    std::FILE* data = std::fopen(opts.datafile.c_str(), "r");
    if (!data) return fatal("Unable to open data file \"" + opts.datafile + "\".");
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{data};

    ccx::ViewContext ctx;
    if (!ccx::current_view_context(ctx, err)) return fatal(err + ".");
    if (!opts.target_dir.empty()) ctx.dir = ccx::operand_to_vob_path(opts.target_dir, ctx, ccsub::view_root());

    ccsub::Store store;
    if (!store.open(true)) return fatal(store.error());
    auto view = store.view_by_tag(ctx.view_tag);
    if (!view) return fatal("No such view: \"" + ctx.view_tag + "\".");
    auto vob = store.vob_for_path(ctx.dir);
    if (!vob) return fatal("Not a VOB directory: \"" + ctx.dir + "\".");

    ccx::StoreTarget target(store, *view, *vob, ctx.dir);
    if (!target.open(err)) return fatal(err + ".");

    // Data files live beside the stream (where a receiver unpacks them) or
    // in the view namespace; the stream's ExportFromDir may name nothing else.
    ccx::DataDirRules rules;
    rules.datafile_dir =
        ccsub::dirname_of(opts.datafile.front() == '/' ? opts.datafile : ccsub::join_path(".", opts.datafile));
    rules.view_root = ccsub::view_root();
    rules.view_dir = ccsub::join_path(rules.view_root, ctx.view_tag);
    for (const auto& v : store.vobs()) rules.vob_tags.push_back(v.tag);
    rules.store_dirs.push_back(ccsub::xstore_root(store));
    ccx::ImportEngine engine(target, opts, stdout, stderr);
    return engine.run(data, rules);
}
