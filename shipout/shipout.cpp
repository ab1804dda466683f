#include "shipout/shipout.h"

#include "codecs/scramble.h"
#include "common/command.h"
#include "common/text_format.h"
#include "shipout/config_walk.h"
#include "shipout/mship.h"
#include "shipout/shipout_messages.h"
#include "shipout/shipout_state.h"
#include "shipout/site_file.h"
#include "shipout/ship_dir.h"
#include "shipout/vob_id.h"
#include "shipper/config/vob_key.h"

#include <cstdio>
#include <ctime>
#include <vector>
#include <sys/stat.h>

namespace shipout {

namespace {

bool is_directory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Checks the depot tree the trigger program needs and applies the
// relocation token of "_ship_out".
bool find_directories(ShipoutState& state, std::string& message) {
    if (!is_directory(state.depot)) {
        message = fmt_msg(REQUIRED_QN_DIRECTORY_NOT_EXIST, state.depot.c_str());
        return false;
    }
    state.bay = state.depot + "/m_bay";
    state.conf_dir = state.bay + "/config";
    state.ship_dir = state.bay + "/_ship_out";
    for (const std::string* dir : {&state.bay, &state.conf_dir, &state.ship_dir}) {
        if (!is_directory(*dir)) {
            message = fmt_msg(REQUIRED_VL_DIRECTORY_NOT_EXIST, dir->c_str());
            return false;
        }
    }
    return relocate_ship_dir(state.ship_dir, message);
}

// Writes the requests of one VOB key: one per receiving location. Every
// location is checked before anything is written, so a bad name later on
// the line leaves no partial set of requests behind.
StepResult mark_vob_key(const ShipoutState& state, const VobKey& vob, std::vector<std::string>& warnings) {
    for (const std::string& location : vob.locations) {
        if (!shipper_config::is_valid_location(location)) {
            return {false,
                    fmt_msg(INVALID_LOCATION, REPLICATION_DENIED, vob.file.c_str(), location.c_str(), vob.key.c_str())};
        }
    }
    std::string db_id = vob_database_id(vob.vob_tag);
    std::string scrambled_key;
    if (db_id.empty() || !scramble_replication_text(db_id.c_str(), scrambled_key)) {
        return {false,
                fmt_msg(VOB_NOT_READABLE, REPLICATION_DENIED, vob.file.c_str(), vob.vob_id, vob.vob_tag.c_str())};
    }
    std::string now = fmt_msg("%ld%s", static_cast<long>(std::time(nullptr)), "_l");
    std::string scrambled_time;
    if (!scramble_replication_text(now.c_str(), scrambled_time)) return {false, WRITE_ERROR};
    std::string content = mship_content(scrambled_key, scrambled_time);

    for (const std::string& location : vob.locations) {
        std::string path = mship_path(state.ship_dir, vob.vob_id, location);
        switch (write_mship_if_absent(path, content)) {
            case MshipResult::WriteError:
                return {false, WRITE_ERROR};
            case MshipResult::DanglingLink:
                warnings.push_back(fmt_msg(DANGLING_REQUEST, path.c_str()));
                break;
            case MshipResult::Created:
            case MshipResult::AlreadyThere:
                break;
        }
    }
    return {};
}

// Reads and walks one configuration file. Returns true when the run is over
// (all keys found, or a failure in `result`).
bool walk_file(ShipoutState& state, const std::string& path, bool is_main, RunResult& result) {
    std::string text;
    std::string message;
    if (!read_configuration(path, text, message)) {
        result.code = 99;
        result.message = message;
        return true;
    }
    StepResult step =
        walk_configuration(state.conf_dir, path, text, is_main, state.keys, state.defined_additional_classes,
                           [&state, &result](const VobKey& vob) { return mark_vob_key(state, vob, result.warnings); });
    if (!step.message.empty()) {
        result.code = 99;
        result.message = step.message;
        return true;
    }
    return step.stop;
}

}  // namespace

RunResult run_shipout(const std::string& site_file, const std::string& key_list) {
    ShipoutState state;
    KeyListError error = parse_key_list(key_list, state.keys);
    if (error != KeyListError::None) return {99, key_list_message(error, SELF, key_list), {}};

    SiteFile site;
    std::string message;
    if (!read_site_file(site_file, site, message)) return {99, message, {}};
    state.depot = site.depot;
    if (!find_directories(state, message)) return {99, message, {}};

    RunResult result;
    if (walk_file(state, state.conf_dir + "/shipper.conf", true, result)) return result;
    for (int digit = 0; digit <= 9 && !state.keys.empty(); ++digit) {
        if (!state.defined_additional_classes.test(static_cast<std::size_t>(digit))) continue;
        std::string path = fmt_msg("%s/shipper_%d.conf", state.conf_dir.c_str(), digit);
        if (walk_file(state, path, false, result)) return result;
    }
    return result;
}

void show_message(const std::string& message, bool prefer_dialog) {
    if (prefer_dialog) {
        // "%s yes_no -mask abort -def abort -pre %s -pro %s &": the dialog runs
        // in the background so that the trigger never waits for a person.
        Command("clearprompt")
            .args("yes_no", "-mask", "abort", "-def", "abort", "-pre", SELF, "-pro", message)
            .trash_all()
            .raw("&")
            .run();
        return;
    }
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
}

}  // namespace shipout
