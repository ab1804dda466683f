// clearexport_ccase: writes the export data file of what a view shows below
// the current directory.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace ccx {

struct ExportOptions {
    bool recursive = false;            // -r: the whole subtree of the cwd
    std::optional<std::time_t> since;  // -s: versions created at or after
    std::string output;                // -o: the data file
    std::vector<std::string> sources;  // named elements (single-file mode)
};

struct ExportStats {
    long directories = 0, elements = 0, links = 0, versions = 0;
};

// Runs the export from the current directory in the current view. On
// failure no data file is left at `output`, and `err` says why.
bool run_export(const ExportOptions& opts, ExportStats& stats, std::string& err);

// Parses the command line (argv without the program name). Returns false
// with a usage text in `err`.
bool parse_export_args(const std::vector<std::string>& args, ExportOptions& opts, std::string& err);

}  // namespace ccx
