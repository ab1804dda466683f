#include "clearcase/exchange/data_dir.h"

#include <cstdlib>

#include "clearcase/util/sys.h"

namespace ccx {

namespace {

// Never true for an empty root: an unresolvable root admits nothing.
bool within(const std::string& real, const std::string& root) {
    return !root.empty() && ccsub::path_within(real, root);
}

}  // namespace

std::string resolved_path(const std::string& path) {
    if (char* r = ::realpath(path.c_str(), nullptr)) {
        std::string out(r);
        std::free(r);
        return out;
    }
    return !path.empty() && path.front() == '/' ? ccsub::normalize_path(path) : std::string();
}

bool resolve_data_dir(const std::string& export_from_dir, const DataDirRules& rules, std::string& dir,
                      std::string& why) {
    why = "ExportFromDir \"" + export_from_dir + "\" is neither the directory of the data file nor a directory below " +
          rules.view_root;
    if (export_from_dir.empty()) return false;
    std::string path = export_from_dir;
    if (path.front() == '/') {
        path = ccsub::normalize_path(path);
        // A VOB-tag-rooted path (what the exporter writes) names the VOB as
        // the current view shows it.
        if (!ccsub::path_within(path, rules.view_root))
            for (const auto& tag : rules.vob_tags)
                if (!tag.empty() && ccsub::path_within(path, tag)) {
                    path = rules.view_dir + path;
                    break;
                }
    }
    const std::string real = resolved_path(path);
    if (real.empty()) return false;
    if (real == resolved_path(rules.datafile_dir) || within(real, resolved_path(rules.view_root))) {
        dir = real;
        return true;
    }
    return false;
}

bool data_file_within(const std::string& path, const std::vector<std::string>& dirs) {
    const std::string real = resolved_path(path);
    if (real.empty()) return false;
    for (const auto& d : dirs)
        if (within(real, d)) return true;
    return false;
}

}  // namespace ccx
