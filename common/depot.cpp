#include "common/depot.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/frame.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"

DepotPaths DEPOT_PATHS;

void print_and_exit(const std::string& text, int code) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    std::exit(code);
}

int is_directory(const std::string& path) {
    struct stat st;
    return (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : 0;
}

void set_depot(const std::string& depot) {
    DepotPaths& d = DEPOT_PATHS;
    d.DEPOT = depot;
    d.BAY = depot + "/m_bay";
    d.THE_DAEMON_DIR = depot + "/daemon";
    d.SHIP_DIR = d.BAY + "/_ship_out";
    d.HOLD_DIR = d.BAY + "/_hold_out";
    d.THE_EPOCS_DIR = d.BAY + "/epocs";
    d.LOG_DIR = d.BAY + "/logs";
    d.CONF_DIR = d.BAY + "/config";
    d.HOSTMAPS_DIR = d.CONF_DIR + "/hostmaps";
    d.CSPECS_DIR = d.CONF_DIR + "/config_specs";
    d.KEYS_DIR = d.CONF_DIR + "/keys";
    d.TRIGGER_DIR = d.BAY + "/_triggers";
}

RedirectionResult try_read_redirection_dir(const char* self, const char* token_path, const char* failed_word,
                                           const char* dir_name) {
    RedirectionResult r;
    auto failure = [&r](std::string message, int code) {
        r.message = std::move(message);
        r.exit_code = code;
        return r;
    };
    FILE* f = std::fopen(token_path, "r");
    if (!f) return failure(fmt_msg(COMMON_MSG_23, failed_word, self, token_path), 53);
    char buf[512];
    size_t n = std::fread(buf, 1, 511, f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return failure(fmt_msg(COMMON_MSG_24, failed_word, self, token_path), 54);
    buf[n] = '\0';
    std::string line(buf, std::strcspn(buf, "\n"));
    if (line.empty()) return failure(fmt_msg(COMMON_MSG_24, failed_word, self, token_path), 54);
    if (line.find('\\') != std::string::npos)
        return failure(fmt_msg(COMMON_MSG_21, failed_word, dir_name, line.c_str()), 51);
    if (line.size() > 1 && line.back() == '/' && line.find('/') != line.size() - 1) line.pop_back();
    if (line.empty()) return failure(fmt_msg(COMMON_MSG_20, failed_word, dir_name), 50);
    struct stat st;
    if (stat(line.c_str(), &st) != 0) return failure(fmt_msg(COMMON_MSG_21, failed_word, dir_name, line.c_str()), 51);
    r.ok = true;
    r.path = line;
    return r;
}

std::string read_redirection_dir(const char* self, const char* token_path, const char* failed_word,
                                 const char* dir_name) {
    RedirectionResult r = try_read_redirection_dir(self, token_path, failed_word, dir_name);
    if (!r.ok) print_and_exit(r.message + "\n", r.exit_code);
    return r.path;
}

void relocate_if_token(std::string& dir, const char* self, const char* failed_word, const char* dir_name) {
    std::string token = dir + "/" + RELOCATED_TOKEN;
    struct stat st;
    if (stat(token.c_str(), &st) != 0) return;
    dir = read_redirection_dir(self, token.c_str(), failed_word, dir_name);
}

int verify_set_vl_tempdir() {
    const char* tmp = std::getenv("TMP");
    if (!tmp) tmp = std::getenv("TEMP");
    if (!tmp) tmp = "/tmp";
    std::string value(tmp);
    if (value.size() > VL_TMP_DIR_MAX) value.resize(VL_TMP_DIR_MAX);
    DEPOT_PATHS.VL_TMP_DIR = value;
    return is_directory(value);
}

const char* calculated_user() {
    struct passwd* pw = getpwuid(geteuid());
    if (!pw || !pw->pw_name) return nullptr;
    std::string name(pw->pw_name);
    if (name.size() > CALCULATED_USER_MAX) name.resize(CALCULATED_USER_MAX);
    DEPOT_PATHS._CALCULATED_USER = STRING_LOWER(name);
    return DEPOT_PATHS._CALCULATED_USER.c_str();
}

int depot_length_limit(const char* self, const char* daemon_stem) {
    return 512 - static_cast<int>(std::strlen(self) + std::strlen(daemon_stem) + std::strlen("_stopped"));
}

void check_depot_length(const std::string& depot, const char* self, const char* daemon_stem, int exit_code) {
    int limit = depot_length_limit(self, daemon_stem);
    if (static_cast<long>(depot.size()) > limit)
        print_and_exit(
            fmt_msg("%s: Path to Quorlin Depot to excessive cannot be greater than %d.\n", START_FAILED, limit),
            exit_code);
}

void walk_depot(const std::vector<DepotWalkStep>& steps, const char* self) {
    for (const DepotWalkStep& step : steps) {
        struct stat st;
        if (stat(step.dir->c_str(), &st) != 0) {
            std::string msg = step.message(*step.dir);
            if (step.through_log_and_bail) log_and_bail(msg);
            print_and_exit(msg + "\n", step.exit_code);
        }
        if (step.relocatable) relocate_if_token(*step.dir, self, START_FAILED, step.literal_name);
    }
}

std::vector<DepotWalkStep> shipper_depot_walk(const char* self, bool config_part) {
    DepotPaths& d = DEPOT_PATHS;
    std::string program(self);
    auto dir_msg = [program](const char* name) {
        return [program, name](const std::string& p) {
            return fmt_msg("%s: %s %s Directory (%s) does not exist or cannot be read", START_FAILED, program.c_str(),
                           name, p.c_str());
        };
    };
    if (config_part) {
        return {
            {&d.CONF_DIR, "config", false,
             [program](const std::string& p) {
                 return fmt_msg("%s: %s Config. Directory (%s) does not exist or cannot be read", START_FAILED,
                                program.c_str(), p.c_str());
             },
             1, true},
            {&d.HOSTMAPS_DIR, "hostmaps", false,
             [program](const std::string& p) {
                 return fmt_msg("%s: %s hostmaps. Directory (%s) does not exist or cannot be read", START_FAILED,
                                program.c_str(), p.c_str());
             },
             1, true},
            {&d.CSPECS_DIR, "config_specs", false,
             [program](const std::string& p) {
                 return fmt_msg("%s: %s config. specs. Directory (%s) does not exist or cannot be read", START_FAILED,
                                program.c_str(), p.c_str());
             },
             1, true},
        };
    }
    return {
        {&d.DEPOT, "depot", false,
         [](const std::string& p) {
             return fmt_msg("%s: Quorlin DEPOT (%s) does not exist or cannot be read", START_FAILED, p.c_str());
         },
         39, false},
        {&d.BAY, "m_bay", false, [](const std::string& p) { return fmt_msg(COMMON_MSG_22, START_FAILED, p.c_str()); },
         52, false},
        {&d.THE_DAEMON_DIR, "daemon", true,
         [](const std::string& p) { return fmt_msg(COMMON_MSG_25, START_FAILED, p.c_str()); }, 55, false},
        {&d.SHIP_DIR, "_ship_out", true, dir_msg("_ship_out"), 60, false},
        {&d.HOLD_DIR, "_hold_out", true, dir_msg("_hold_out"), 61, false},
        {&d.THE_EPOCS_DIR, "epocs", true, dir_msg("epocs"), 64, false},
        {&d.LOG_DIR, "logs", true,
         [program](const std::string& p) {
             return fmt_msg("%s: %s Shipping Logging Directory (%s) does not exist or cannot be read", START_FAILED,
                            program.c_str(), p.c_str());
         },
         40, false},
    };
}
