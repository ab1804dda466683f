// Encryption key files and the start-up choice of the key in force.
//
// A key file starts with 768 ASCII digits: 256 groups of three ("%03d"),
// the permutation entries in order; each value 0..255 appears once and the
// last is 0. Anything after byte 768 is ignored; at most 1792 bytes are read.
#pragma once

#include <string>
#include <string_view>

#include "codecs/crypt.h"

inline constexpr std::size_t KEY_FILE_DIGITS = 768;
inline constexpr std::size_t KEY_FILE_READ_MAX = 1792;

enum class KeyFileResult {
    ok,
    missing,     // the file does not exist
    unreadable,  // it cannot be opened
    too_short,   // the read failed or gave fewer than 768 bytes
    invalid,     // a group is not three digits, out of range, repeated, or the last is not 0
};

// Checks the first 768 bytes of text and fills key; key is untouched unless
// the result is ok.
KeyFileResult parse_key_text(std::string_view text, HashKey& key);
KeyFileResult read_key_file(const std::string& path, HashKey& key);
// The 768 digits of a key, as a key file starts.
std::string key_file_digits(const HashKey& key);

// <depot>/m_bay/config/keys/shipper_key[_<suffix>].txt, or receiver_key...
// for the receiver; suffix is the shipping class digit or the receiver's
// instance name, empty for none.
std::string key_file_path(const std::string& depot, bool shipper, const std::string& suffix);

// Chooses the key from the configuration text ("encryption=" value): the
// built-in table for none or "standard", the key file for "peer_to_peer".
// Sets HASH_KEY and ENCRYPTION.USING_ENCRYPTION. Returns an empty string on
// success, otherwise the start-up failure message (COMMON_MSG_15..19).
std::string choose_encryption(const char* program, const std::string& config_path, const std::string& config_text,
                              const std::string& key_path);
// As choose_encryption, ending the process through log_and_bail on failure.
void select_encryption(const char* program, const std::string& config_path, const std::string& config_text,
                       const std::string& key_path);
// Logs "- using "<mode>" encryption..." (class n), as every pass does.
void log_encryption_in_use();
