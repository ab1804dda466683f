// Small operating-system helpers shared by the substitute's programs:
// locations, identity, clock and file operations.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ccsub {

// Registry location: $VANDREL_CCSUB_HOME, else the fixed default below (which
// is what a detached daemon with only PATH in its environment gets).
inline constexpr const char* kDefaultRegistry = "/var/lib/vandrel-ccsub";
std::string registry_dir();
// Root of the materialised views: $VANDREL_CCSUB_VIEWROOT, else "/view".
std::string view_root();

// Login name of the effective uid (numeric uid if it has no passwd entry).
std::string current_user();
std::string current_group();
int64_t now_seconds();

bool mkdir_p(const std::string& path, unsigned mode = 0755);
// Removes a file, symlink or whole directory tree; true if gone afterwards.
bool remove_tree(const std::string& path);
bool read_file(const std::string& path, std::string& out);
// Creates a new, empty temporary file of mode 0600 in the directory of
// `path`, exclusively (never an existing file, never through a link), and
// returns its descriptor (close-on-exec) with its name in `tmp`; -1 on
// failure. The caller renames it onto `path` or unlinks it.
int create_temp_beside(const std::string& path, std::string& tmp);
// Writes atomically (temporary file + rename) with the given mode; a link at
// `path` is replaced, never followed.
bool write_file(const std::string& path, std::string_view data, unsigned mode = 0644);
// Same for a copy of the file `from`.
bool copy_file(const std::string& from, const std::string& to, unsigned mode);
bool path_exists(const std::string& path);  // lstat succeeds
bool is_dir(const std::string& path);       // stat (follows links)

// Path text helpers (purely lexical).
std::string join_path(std::string_view a, std::string_view b);
std::string dirname_of(std::string_view p);
std::string basename_of(std::string_view p);
// Removes ".", "..", duplicate and trailing slashes of an absolute path.
std::string normalize_path(std::string_view p);
std::vector<std::string> split_path(std::string_view p);  // non-empty components
// True when `p` equals `prefix` or lies below it (component-wise).
bool path_within(std::string_view p, std::string_view prefix);

// Lower-case hex SHA-256 of the data.
std::string sha256_hex(std::string_view data);

}  // namespace ccsub
