// Eight bytes at a time for the codec loops: words loaded and stored with
// the first byte in the lowest bits whatever the machine's byte order, and
// byte-wise tests on them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

inline constexpr std::uint64_t WORD_ONES = 0x0101010101010101ULL;   // 0x01 in every byte
inline constexpr std::uint64_t WORD_HIGHS = 0x8080808080808080ULL;  // 0x80 in every byte

inline std::uint64_t load_word(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline void store_word(unsigned char* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, sizeof v);
}

// 0x80 in every byte of v that is zero and 0 in every other byte (exact:
// unlike the borrow trick, a zero byte does not mark the bytes above it).
inline std::uint64_t zero_bytes(std::uint64_t v) {
    constexpr std::uint64_t LOW7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((v & LOW7) + LOW7) | v | LOW7);
}

// The four low bytes b0..b3 of v as the byte pairs 1 b0 1 b1 1 b2 1 b3.
inline std::uint64_t single_pairs(std::uint64_t v) {
    std::uint64_t t = v & 0xFFFFFFFFULL;
    t = (t | (t << 16)) & 0x0000FFFF0000FFFFULL;
    t = (t | (t << 8)) & 0x00FF00FF00FF00FFULL;
    return (t << 8) | 0x0001000100010001ULL;
}

// The reverse of single_pairs: the second byte of each of the four pairs in
// v, as the low four bytes of the result.
inline std::uint64_t pair_data(std::uint64_t v) {
    std::uint64_t t = (v >> 8) & 0x00FF00FF00FF00FFULL;
    t = (t | (t >> 8)) & 0x0000FFFF0000FFFFULL;
    return (t | (t >> 16)) & 0xFFFFFFFFULL;
}
