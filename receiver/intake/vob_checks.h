// Questions to ClearCase about the receiving VOB and the import view. Tags,
// paths and view names come from packets and configuration: they reach
// cleartool only as quoted words of the command layer.
#pragma once

#include <string>

// Longest lslock answer looked at.
inline constexpr std::size_t LSLOCK_ANSWER_MAX = 502;

// True when an lslock answer says the VOB is locked for `user`: locked for
// all, or locked except for a list of users that does not name `user`.
bool lslock_answer_locks(const std::string& answer, const std::string& user);
// Asks ClearCase whether the VOB is locked for `user`.
bool vob_is_locked_for(const std::string& vob_tag, const std::string& user);

// The VOB checks of a replication packet: registered, still existing,
// mounted (mounting it when needed) and equipped with the four trigger
// types. An empty text when all pass, else the message that tosses the
// packet.
std::string check_receiving_vob(const std::string& vob_tag, const std::string& data_path);

// Sets the received config spec on the import view; false when refused.
bool set_import_config_spec(const std::string& view, const std::string& config_spec);
