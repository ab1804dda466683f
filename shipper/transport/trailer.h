// The packet trailer <E>.pack: sent last, it tells the receiver that the
// packet is complete.
#pragma once

#include <string>

// Writes the trailer: the epoch text of this pass; for a replication
// "\n<" vob_destination ">" and "\n[" versions "]"; then "\n" and the
// integrity line of `packet` and its `extra_parts` parts (the files as they
// will travel). The file is written privately under a temporary name and
// renamed into place, so a reader never sees half a trailer. Returns 1, or
// 0 after logging why (log class 'e'); nothing is left behind on failure.
int write_packet_trailer(const std::string& trailer, const std::string& epoch_text, bool is_deployment,
                         const std::string& vob_destination, long versions, const std::string& packet, int extra_parts);
