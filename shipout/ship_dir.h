// Where the shipping requests go: "_ship_out", or the directory its
// relocation token names.
#pragma once

#include <string>

namespace shipout {

// When `ship_dir` holds a relocation token, replaces it with the directory
// the token names. False, with `message`, when the token cannot be used.
bool relocate_ship_dir(std::string& ship_dir, std::string& message);

}  // namespace shipout
