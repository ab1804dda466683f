// Byte substitution through a 256-entry table over whole blocks, as
// encryption needs it, 64 bytes per step on the wide path (wide_path.h).
#pragma once

#include <cstddef>

// out[i] = table[(in[i] + start + i) mod 256] for i in [0, n).
void substitute_after_offset(const unsigned char table[256], const unsigned char* in, unsigned char* out, std::size_t n,
                             unsigned start);
// out[i] = (table[in[i]] - start - i) mod 256 for i in [0, n).
void substitute_before_offset(const unsigned char table[256], const unsigned char* in, unsigned char* out,
                              std::size_t n, unsigned start);
// The sum of table[in[i]] for i in [0, n), modulo 256.
unsigned substituted_sum(const unsigned char table[256], const unsigned char* in, std::size_t n);
