// Byte substitution through a 256-entry table over whole blocks, as
// encryption needs it. On processors with 64-byte table permutes the blocks
// go 64 bytes per step; elsewhere a plain loop does the same work. Every
// routine gives the same bytes on either path.
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

// Whether the 64-byte path is in use (false when the processor lacks it).
bool byte_table_wide_path();
// Turns the 64-byte path off (or back on where the processor has it), so
// that tests check the plain loops on machines that would not use them.
void set_byte_table_wide_path_for_tests(bool on);
