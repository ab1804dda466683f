// clearexport_ccase [-r] [-s date-time] -o datafile [source-name ...]
//
// Run inside "cleartool setview -exec": writes the export data file of the
// current directory (and, with -r, everything the view shows beneath it) or
// of the named elements. No data file is left behind on failure.
#include <cstdio>
#include <string>
#include <vector>

#include "clearcase/exchange/exporter.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ccx::ExportOptions opts;
    std::string err;
    if (!ccx::parse_export_args(args, opts, err)) {
        // Even a bad command line must not leave an old data file that the
        // caller would take for this run's result.
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "-o" || args[i] == "-output") std::remove(args[i + 1].c_str());
        std::fprintf(stderr, "clearexport_ccase: Error: %s\n", err.c_str());
        return 1;
    }
    ccx::ExportStats stats;
    if (!ccx::run_export(opts, stats, err)) {
        std::fprintf(stderr, "clearexport_ccase: Error: %s\n", err.c_str());
        return 1;
    }
    std::printf("Exported %ld directories, %ld elements (%ld versions), %ld symbolic links to \"%s\".\n",
                stats.directories, stats.elements, stats.versions, stats.links, opts.output.c_str());
    return 0;
}
