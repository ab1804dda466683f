// The site's trigger scripts: pre-ship (may veto a packet), post-ship,
// startup (may veto the start) and shutdown. Each runs through the command
// layer with its output discarded and learns its facts from VANDREL_
// environment variables given to that script alone.
#pragma once

#include <string>
#include <utility>
#include <vector>

inline constexpr char SHIPPER_VERSION_TEXT[] = "12.1";
// A variable's "NAME=value" text is at most this long (longer values are cut).
inline constexpr std::size_t TRIGGER_ENV_SLOT_MAX = 511;

using TriggerEnvironment = std::vector<std::pair<std::string, std::string>>;

// The variables of a pre-ship ('<') or post-ship ('>') script.
TriggerEnvironment shipper_envs(char kind, const std::string& this_location, const std::string& package_name,
                                int vob_id, const std::string& receiving_location, const std::string& vob_tag);
// The variables of the startup ('-') or shutdown ('+') script.
TriggerEnvironment startup_shutdown_envs(char action, const std::string& this_location);

// kind '<' pre-ship, '>' post-ship. 0 when no script is configured or it
// succeeded, -1 when it is missing or failed.
int execute_trigger_script(char kind, const std::string& this_location, const std::string& package_name, int vob_id,
                           const std::string& receiving_location, const std::string& vob_tag);
// action '-' startup, '+' shutdown (runs at most once per process).
int execute_startup_shutdown_trigger_script(char action, const std::string& this_location);
// The shutdown script as the daemon's last words run it (installed as the
// frame's shutdown hook, which marks the shutdown as done first).
void run_shutdown_trigger_for_last_words(int code);
