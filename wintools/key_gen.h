// Packet encryption key generation: a random permutation of 0..255 whose
// last entry is 0, and the key file text with its banner.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using KeyTable = std::array<int, 256>;

// Fills entries 0..254 with a uniformly random arrangement of 1..255 and
// sets entry 255 to 0. The randomness comes from the operating system
// (getrandom, /dev/urandom as fallback). Returns false when no random bytes
// could be read.
bool generate_key(KeyTable& key);

enum class KeyCheck { valid, duplicate, internal_error };
// Entry 255 must be 0 (else internal_error); the first value met twice is
// stored in `duplicate_value`.
KeyCheck check_key(const KeyTable& key, int& duplicate_value);

// The whole output: 768 digits, the banner (with `asctime_text`, which ends
// in a newline) and the check line. `status` receives the exit status:
// 0 valid, 2 duplicate, 1 internal error.
std::string key_gen_output(const KeyTable& key, const std::string& asctime_text, int& status);
