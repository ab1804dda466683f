#include "shipper/daemon/trigger_scripts.h"

#include <sys/stat.h>

#include <ctime>

#include "common/command.h"
#include "common/depot.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/daemon/shipper_state.h"

namespace {

struct ScriptKind {
    const shipper_config::TriggerScript* script;
    const char* setting;  // upper-case setting name in messages
    bool vetoes;          // failures are errors (the caller refuses), not warnings
};

ScriptKind script_for(char kind) {
    const shipper_config::ShipperSettings& s = SHIPPER.settings;
    switch (kind) {
        case '<':
            return {&s.pre_ship, "PRE_SHIP_TRIGGER_SCRIPT", true};
        case '>':
            return {&s.post_ship, "POST_SHIP_TRIGGER_SCRIPT", false};
        case '-':
            return {&s.startup, "STARTUP_TRIGGER_SCRIPT", true};
        default:
            return {&s.shutdown, "SHUTDOWN_TRIGGER_SCRIPT", false};
    }
}

void add(TriggerEnvironment& env, const char* name, const std::string& value) {
    std::string full = std::string(ENV_SELF) + "_" + name;
    std::size_t room = TRIGGER_ENV_SLOT_MAX > full.size() + 1 ? TRIGGER_ENV_SLOT_MAX - full.size() - 1 : 0;
    env.emplace_back(full, value.substr(0, room));
}

const char* status_word(const std::string& status) {
    for (const char* word : {"OK", "NOK", "OK with Warnings"})
        if (status == word) return word;
    return "???";
}

int run_script(char kind, const TriggerEnvironment& env) {
    ScriptKind k = script_for(kind);
    if (!k.script->configured()) return 0;
    const char* word = k.vetoes ? "ERROR" : "WARNING";
    char cls = k.vetoes ? 'e' : 'w';
    struct stat st {};
    if (::stat(k.script->path.c_str(), &st) != 0) {
        log_it(cls, fmt_msg("+++ %s: %s (%s) has vanished...", word, k.setting, k.script->path.c_str()));
        return -1;
    }
    log_it('n', fmt_msg("+++ executing %s (%s)", k.setting, k.script->name.c_str()));
    Command command(k.script->path);
    command.trash_all();
    for (const auto& [name, value] : env) command.env(name, value);
    if (command.run() != 0) {
        log_it(cls, fmt_msg("+++ %s: %s (%s) has failed...", word, k.setting, k.script->path.c_str()));
        return -1;
    }
    log_it('n', fmt_msg("+++ (%s) completed with SUCCESS...", k.script->name.c_str()));
    return 0;
}

}  // namespace

TriggerEnvironment shipper_envs(char kind, const std::string& this_location, const std::string& package_name,
                                int vob_id, const std::string& receiving_location, const std::string& vob_tag) {
    TriggerEnvironment env;
    add(env, "TRIGGER_TYPE", kind == '<' ? "pre_ship" : "post_ship");
    add(env, "SHIPPING_LOCATION", this_location);
    add(env, "SHIPPING_CLASS", SHIPPER.WHICH_SHIPPER_CONFIG);
    add(env, "PACKAGE_NAME", package_name);
    add(env, "KEY_ID", std::to_string(vob_id));
    add(env, "RECEIVING_LOCATION", receiving_location);
    add(env, "SHIPPING_VOB", vob_tag);
    add(env, "REPLICATION_KEY", SHIPPER.CURRENT_KEY.key);
    add(env, "THIS_LOCATION", this_location);
    add(env, "PACKAGE_TYPE", SHIPPER.CURRENT_KEY.is_deployment ? "vob_to_flat" : "vob_to_vob");
    add(env, "PACKET_STATUS", kind == '<' ? "Pending" : status_word(SHIPPER.PACKET_END_STATUS));
    add(env, "LOGGING_DIR", LOG_DIR);
    add(env, "SHIPPER_VERSION", SHIPPER_VERSION_TEXT);
    return env;
}

TriggerEnvironment startup_shutdown_envs(char action, const std::string& this_location) {
    TriggerEnvironment env;
    add(env, "SHIPPING_CLASS", SHIPPER.WHICH_SHIPPER_CONFIG);
    add(env, "THIS_LOCATION", this_location);
    add(env, "LOGGING_DIR", LOG_DIR);
    add(env, "SHIPPER_VERSION", SHIPPER_VERSION_TEXT);
    add(env, "SHIPPER_ACTION", action == '-' ? "startup" : "shutdown");
    add(env, "SHIPPER_STARTED_AT", fmt_msg("%ld", static_cast<long>(SHIPPER.started_at)));
    if (action == '+') add(env, "SHIPPER_ENDED_AT", fmt_msg("%ld", static_cast<long>(std::time(nullptr))));
    return env;
}

int execute_trigger_script(char kind, const std::string& this_location, const std::string& package_name, int vob_id,
                           const std::string& receiving_location, const std::string& vob_tag) {
    return run_script(kind, shipper_envs(kind, this_location, package_name, vob_id, receiving_location, vob_tag));
}

int execute_startup_shutdown_trigger_script(char action, const std::string& this_location) {
    if (action == '+') {
        if (EXECUTED_SHUTDOWN_ALREADY) return 0;
        EXECUTED_SHUTDOWN_ALREADY = 1;
    }
    return run_script(action, startup_shutdown_envs(action, this_location));
}

void run_shutdown_trigger_for_last_words(int /*code*/) {
    EXECUTED_SHUTDOWN_ALREADY = 1;
    run_script('+', startup_shutdown_envs('+', SHIPPER.settings.THIS_LOCATION));
}
