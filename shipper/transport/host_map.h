// Host maps: <hostmaps dir>/<location>.hostmap holds, on its first line
// between the first '[' and the last ']', the receiving location's passkey
// in scrambled form. Unscrambled it gives the connection record.
#pragma once

#include <string>

#include "shipper/transport/transport.h"

inline constexpr std::size_t HOSTMAP_READ_MAX = 4095;

// <hostmaps dir>/<location>.hostmap and <hostmaps dir>/<location>.pk.
std::string hostmap_path(const TransportSettings& settings, const std::string& location);
std::string pkfile_path(const TransportSettings& settings, const std::string& location);

// Reads the location's host map into transport.receiver. Returns 1, or 0
// after logging the reason (log class 'e'); on failure the record is left
// empty. Values that could reach a script or command line as anything but
// themselves are refused (check_connection_record).
int get_receiver_data(Transport& transport, const std::string& location);
