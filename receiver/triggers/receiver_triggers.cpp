#include "receiver/triggers/receiver_triggers.h"

#include <unistd.h>

#include <ctime>

#include "common/command.h"
#include "common/depot.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "receiver/config/receiver_messages.h"
#include "receiver/config/receiver_state.h"

namespace {

struct ScriptChoice {
    const TriggerSetting* setting;
    const char* label;  // the setting's name in messages
    bool vetoing;       // a failure refuses (ERROR, class 'e') or only warns (WARNING, class 'w')
};

ScriptChoice choose(char kind) {
    const ReceiverSettings& s = RECEIVER.settings;
    switch (kind) {
        case TRIGGER_PRE_RECEIVE:
            return {&s.pre_receive, "PRE_RECEIVE_TRIGGER_SCRIPT", true};
        case TRIGGER_POST_RECEIVE:
            return {&s.post_receive, "POST_RECEIVE_TRIGGER_SCRIPT", false};
        case TRIGGER_STARTUP:
            return {&s.startup, "STARTUP_TRIGGER_SCRIPT", true};
        default:
            return {&s.shutdown, "SHUTDOWN_TRIGGER_SCRIPT", false};
    }
}

// The dot-separated part `index` (1-based after "epoc") of a packet name.
std::string name_part(const std::string& name, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = name.find('.', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    return name.substr(start, name.find('.', start) - start);
}

// The protection of a receiver key line as its second field states it.
std::string protections_word(const std::string& line) {
    std::size_t gt = line.find('>');
    if (gt == std::string::npos) return "receiver";
    std::string text = line.substr(gt + 1);
    text = text.substr(0, text.find('>'));
    strip_surrounding(text);
    if (text.rfind("preserve", 0) == 0) return "preserve";
    if (text.rfind("exactly=", 0) == 0 && text.size() > 10 && text.find(':') != std::string::npos && text[8] != ':' &&
        text.back() != ':')
        return text;
    return "receiver";
}

const char* status_word(int status) {
    switch (status) {
        case PACKET_COMPLETED:
            return "OK";
        case PACKET_NOT_COMPLETED:
            return "NOK";
        case PACKET_COMPLETED_WITH_WARNINGS:
            return "OK with Warnings";
        default:
            return "???";
    }
}

// Steps shared by every kind of configured script: missing script, the
// run, the outcome.
int run_script(const ScriptChoice& c, const TriggerEnvironment& env) {
    const char* level = c.vetoing ? "ERROR" : "WARNING";
    const char cls = c.vetoing ? 'e' : 'w';
    if (access(c.setting->path.c_str(), F_OK) != 0) {
        log_it(cls, fmt_msg("+++ %s: %s (%s) has vanished...", level, c.label, c.setting->path.c_str()));
        return -1;
    }
    log_it('n', fmt_msg("+++ executing %s (%s)", c.label, c.setting->name.c_str()));
    Command command(c.setting->path);
    command.trash_all();
    for (const auto& [name, value] : env) command.env(name, value);
    if (command.run() != 0) {
        log_it(cls, fmt_msg("+++ %s: %s (%s) has failed...", level, c.label, c.setting->path.c_str()));
        return -1;
    }
    log_it('n', fmt_msg("+++ (%s) completed with SUCCESS...", c.setting->name.c_str()));
    return 0;
}

}  // namespace

TriggerEnvironment set_receiver_envs(char kind, const std::string& this_location, const PacketTriggerFacts& facts) {
    const bool post = kind == TRIGGER_POST_RECEIVE;
    std::string name = facts.package_path.substr(facts.package_path.rfind('/') + 1);
    std::string line = facts.receiving_line;
    TriggerEnvironment env = {
        {"VANDREL_TRIGGER_TYPE", post ? "post_receive" : "pre_receive"},
        {"VANDREL_THIS_LOCATION", this_location},
        {"VANDREL_RECEIVER_WHICH", RECEIVER.WHICH_RECEIVER_CONFIG},
        {"VANDREL_RECEIVER_HAS_EMAIL", facts.has_email ? "yes" : "no"},
        {"VANDREL_RECEIVER_EMAIL_FILE", facts.has_email ? facts.email_file : ""},
        {"VANDREL_PACKAGE_NAME", name},
        {"VANDREL_KEY_ID", name_part(name, 1)},
        {"VANDREL_RECEIVING_LOCATION", name_part(name, 2)},
        {"VANDREL_SHIPPING_LOCATION", name_part(name, 3)},
        {"VANDREL_RECEIVING_DIR", line.substr(0, line.find('>'))},
        {"VANDREL_RECEIVING_PROTECTIONS", protections_word(line)},
        {"VANDREL_PACKAGE_TYPE", post ? (facts.deployment ? "vob_to_flat" : "vob_to_vob") : ""},
        {"VANDREL_DEPLOYMENT_DIR", post && facts.deployment ? facts.destination : ""},
        {"VANDREL_RECEIVING_VOB", post && !facts.deployment ? facts.destination : ""},
        {"VANDREL_PACKET_STATUS", post ? status_word(facts.status) : "Pending"},
        {"VANDREL_LOGGING_DIR", LOG_DIR},
        {"VANDREL_RECEIVER_VERSION", RECEIVER_VERSION},
    };
    return env;
}

TriggerEnvironment set_startup_shutdown_envs(char action, const std::string& this_location, long ended_at) {
    const bool shutdown = action == TRIGGER_SHUTDOWN;
    return {
        {"VANDREL_THIS_LOCATION", this_location},
        {"VANDREL_RECEIVER_WHICH", RECEIVER.WHICH_RECEIVER_CONFIG},
        {"VANDREL_LOGGING_DIR", LOG_DIR},
        {"VANDREL_RECEIVER_VERSION", RECEIVER_VERSION},
        {"VANDREL_RECEIVER_ACTION", shutdown ? "shutdown" : "startup"},
        {"VANDREL_RECEIVER_STARTED_AT", fmt_msg("%ld", static_cast<long>(RECEIVER.STARTED_AT))},
        {"VANDREL_RECEIVER_ENDED_AT", shutdown ? fmt_msg("%ld", ended_at) : std::string()},
    };
}

int execute_trigger_script(char kind, const std::string& this_location, const PacketTriggerFacts& facts) {
    ScriptChoice c = choose(kind);
    if (!c.setting->configured()) return 0;
    return run_script(c, set_receiver_envs(kind, this_location, facts));
}

int execute_startup_shutdown_trigger_script(char action, const std::string& this_location) {
    if (action == TRIGGER_SHUTDOWN) EXECUTED_SHUTDOWN_ALREADY = 1;
    ScriptChoice c = choose(action);
    if (!c.setting->configured()) return 0;
    return run_script(c, set_startup_shutdown_envs(action, this_location, static_cast<long>(std::time(nullptr))));
}
