// The Quorlin Depot tree, relocation of its working directories, the
// temporary directory and the user the process runs as.
#pragma once

#include <functional>
#include <string>
#include <vector>

inline constexpr char RELOCATED_TOKEN[] = "_vandrel_relocated.txt";
inline constexpr size_t DEPOT_MAX = 511;
inline constexpr size_t VL_TMP_DIR_MAX = 1023;
inline constexpr size_t CALCULATED_USER_MAX = 99;

struct DepotPaths {
    std::string DEPOT;
    std::string BAY;             // depot/m_bay
    std::string THE_DAEMON_DIR;  // depot/daemon, relocatable
    std::string SHIP_DIR;        // bay/_ship_out, relocatable
    std::string HOLD_DIR;        // bay/_hold_out, relocatable
    std::string THE_EPOCS_DIR;   // bay/epocs, relocatable
    std::string LOG_DIR;         // bay/logs, relocatable
    std::string CONF_DIR;        // bay/config
    std::string HOSTMAPS_DIR;    // bay/config/hostmaps
    std::string CSPECS_DIR;      // bay/config/config_specs
    std::string KEYS_DIR;        // bay/config/keys
    std::string TRIGGER_DIR;     // bay/_triggers
    std::string VL_TMP_DIR = "undefined";
    std::string _CALCULATED_USER;
};

extern DepotPaths DEPOT_PATHS;
inline std::string& DEPOT = DEPOT_PATHS.DEPOT;
inline std::string& BAY = DEPOT_PATHS.BAY;
inline std::string& THE_DAEMON_DIR = DEPOT_PATHS.THE_DAEMON_DIR;
inline std::string& SHIP_DIR = DEPOT_PATHS.SHIP_DIR;
inline std::string& HOLD_DIR = DEPOT_PATHS.HOLD_DIR;
inline std::string& THE_EPOCS_DIR = DEPOT_PATHS.THE_EPOCS_DIR;
inline std::string& LOG_DIR = DEPOT_PATHS.LOG_DIR;
inline std::string& CONF_DIR = DEPOT_PATHS.CONF_DIR;
inline std::string& HOSTMAPS_DIR = DEPOT_PATHS.HOSTMAPS_DIR;
inline std::string& CSPECS_DIR = DEPOT_PATHS.CSPECS_DIR;
inline std::string& TRIGGER_DIR = DEPOT_PATHS.TRIGGER_DIR;
inline std::string& VL_TMP_DIR = DEPOT_PATHS.VL_TMP_DIR;

// Sets DEPOT and every unrelocated path below it.
void set_depot(const std::string& depot);

// What a relocation token file says: the redirected path, or why it cannot
// be used (the message and the exit code a start-up failure ends with).
struct RedirectionResult {
    bool ok = false;
    std::string path;
    std::string message;
    int exit_code = 0;
};
RedirectionResult try_read_redirection_dir(const char* self, const char* token_path, const char* failed_word,
                                           const char* dir_name);
// The redirected path named by a relocation token file, or ends the process
// (50, 51, 53, 54) after printing the reason.
std::string read_redirection_dir(const char* self, const char* token_path, const char* failed_word,
                                 const char* dir_name);
// Replaces dir by the redirected path when dir holds a relocation token.
void relocate_if_token(std::string& dir, const char* self, const char* failed_word, const char* dir_name);

// VL_TMP_DIR = $TMP, else $TEMP, else "/tmp"; 1 when it is a directory.
int verify_set_vl_tempdir();
// The lower-cased login name of the effective user, null when unknown.
const char* calculated_user();

// 1 when path exists and is a directory.
int is_directory(const std::string& path);

// The longest depot path a program may be given (the stopped file name must fit).
int depot_length_limit(const char* self, const char* daemon_stem);

// Ends the process with exit_code when the depot path is longer than the
// program's limit (the stopped file name must still fit).
void check_depot_length(const std::string& depot, const char* self, const char* daemon_stem, int exit_code);

// One step of the start-up walk: the directory (already formed from its
// parent) must exist, else message(path) ends the process with exit_code;
// a relocatable directory is then redirected by its token file.
struct DepotWalkStep {
    std::string* dir;
    const char* literal_name;
    bool relocatable;
    std::function<std::string(const std::string& path)> message;
    int exit_code;
    bool through_log_and_bail;  // false: printed on standard output
};

void walk_depot(const std::vector<DepotWalkStep>& steps, const char* self);
// The shipper's walk. The first part (depot, m_bay, daemon, _ship_out,
// _hold_out, epocs, logs) prints its failures; the caller then forms the
// daemon file names and log files and walks the config part (config,
// config/hostmaps, config/config_specs), whose failures go through
// log_and_bail.
std::vector<DepotWalkStep> shipper_depot_walk(const char* self, bool config_part);

// Prints text followed by nothing and exits with code.
[[noreturn]] void print_and_exit(const std::string& text, int code);
