// The site's trigger scripts. Each runs through the command layer with its
// output discarded; its facts reach it in VANDREL_ environment variables
// given to that child only. A pre-receive or startup script that is missing
// or fails refuses the packet or the start; post-receive and shutdown
// failures are warnings.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "receiver/config/receiver_settings.h"

inline constexpr char TRIGGER_STARTUP = '-';
inline constexpr char TRIGGER_SHUTDOWN = '+';
inline constexpr char TRIGGER_PRE_RECEIVE = '<';
inline constexpr char TRIGGER_POST_RECEIVE = '>';

// What a packet trigger is told.
struct PacketTriggerFacts {
    std::string package_path;    // the packet descriptor path
    std::string receiving_line;  // the receiver key line being handled
    bool deployment = false;     // post-receive: a deployment package
    std::string destination;     // post-receive: deployment directory or receiving VOB
    int status = 0;              // post-receive: the packet end status
    bool has_email = false;      // e-mail text was collected for this packet
    std::string email_file;
};

using TriggerEnvironment = std::vector<std::pair<std::string, std::string>>;

// The variables of a pre-receive ('<') or post-receive ('>') script.
TriggerEnvironment set_receiver_envs(char kind, const std::string& this_location, const PacketTriggerFacts& facts);
// The variables of a startup ('-') or shutdown ('+') script.
TriggerEnvironment set_startup_shutdown_envs(char action, const std::string& this_location, long ended_at);

// 0 when no script is configured or it succeeded, -1 when it is missing or failed.
int execute_trigger_script(char kind, const std::string& this_location, const PacketTriggerFacts& facts);
int execute_startup_shutdown_trigger_script(char action, const std::string& this_location);
