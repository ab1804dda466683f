// The database identifier of a VOB, from which its replication key is made.
#pragma once

#include <string>

namespace shipout {

// Empty when ClearCase cannot name the VOB's identifier.
std::string vob_database_id(const std::string& vob_tag);

}  // namespace shipout
