// Fills the state of the packet application steps: once at start-up from
// the receiver's settings (fixed for the life of the process), and for every
// packet from the receiver key line it arrived on.
#pragma once

#include <string>

#include "receiver/config/key_lines.h"
#include "receiver/config/receiver_settings.h"

// The import view, the receiving user, the ignore and suppress settings,
// the personality of new directories and the symbolic-link setting.
void fill_apply_settings(const ReceiverSettings& settings, const std::string& receiving_user);

// A fresh per-packet state, the protection choice and directory labelling
// of the key line, and the version count of the packet's descriptor (-1
// unknown).
void begin_packet_application(const ReceiverKeyLine& key, long versions_in_packet);
