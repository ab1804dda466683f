// Packet encryption: a keyed byte substitution through a permutation of the
// 256 byte values, with a five-byte header (check bytes a, b, seed k, check
// bytes c, d) that lets the receiver recognise a packet made with another
// key before decoding anything. The encrypted file is 5 bytes longer than
// its input.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using HashKey = std::array<std::int32_t, 256>;

inline constexpr char ENCRYPTION_STANDARD[] = "standard";
inline constexpr char ENCRYPTION_PEER_TO_PEER[] = "peer_to_peer";
inline constexpr std::size_t CRYPT_HEADER_SIZE = 5;

// The built-in permutation of "standard" mode, shared by every program of an
// installation; its last entry is 0.
extern const HashKey INTERNAL_HASH_KEY;

struct EncryptionState {
    HashKey HASH_KEY = INTERNAL_HASH_KEY;  // the permutation in force
    const char* ENCRYPTION_DEFAULT = ENCRYPTION_STANDARD;
    const char* USING_ENCRYPTION = ENCRYPTION_STANDARD;  // mode word in force
};
extern EncryptionState ENCRYPTION;
inline HashKey& HASH_KEY = ENCRYPTION.HASH_KEY;

struct CheckBytes {
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
    bool operator==(const CheckBytes&) const = default;
};
// The four check bytes for seed k under the given permutation.
CheckBytes compute_check_bytes(const HashKey& key, int k);
// 1 when key holds each value 0..255 exactly once.
int is_permutation_key(const HashKey& key);

// Encrypts in into out (created private) with HASH_KEY. Leaves in in place.
int crypt_file(const std::string& in, const std::string& out);
// Decrypts in into out with HASH_KEY. A header made with another key logs
// the two mismatch messages and decodes nothing. Leaves in in place.
int decrypt_file(const std::string& in, const std::string& out);
