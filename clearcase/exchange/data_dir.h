// Where clearimport may read the data files a stream names. The stream's
// ExportFromDir is accepted only when it is the directory holding the data
// file being imported (where a receiver unpacks a packet) or a directory in
// the view namespace (what a direct export names); a data file, once its
// links are resolved, must still lie in that directory or in the version
// store that "name@@" links lead to. Anything else would let a stream copy
// any file of this host into a VOB.
#pragma once

#include <string>
#include <vector>

namespace ccx {

struct DataDirRules {
    std::string datafile_dir;             // directory of the data file being imported
    std::string view_root;                // "/view"
    std::string view_dir;                 // "/view/<current view>": VOB-tag-rooted paths are read there
    std::vector<std::string> vob_tags;    // "/vobs/src", ...
    std::vector<std::string> store_dirs;  // version stores reachable through "name@@" links
};

// Fills `dir` with the resolved directory to read data files from, or
// returns false with the reason in `why`.
bool resolve_data_dir(const std::string& export_from_dir, const DataDirRules& rules, std::string& dir,
                      std::string& why);

// The path with every link resolved; the lexically normalised path when it
// does not exist, "" for a relative one that does not.
std::string resolved_path(const std::string& path);

// True when the file `path`, with every link resolved, lies within one of
// the (resolved) directories `dirs`.
bool data_file_within(const std::string& path, const std::vector<std::string>& dirs);

}  // namespace ccx
