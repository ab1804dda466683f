// Run coding 64 bytes per step on the wide path (wide_path.h).
#pragma once

#include <cstddef>

// Writes the run pair (count, byte) at o; returns the place after it.
inline unsigned char* emit_pair(unsigned char* o, unsigned count, unsigned byte) {
    o[0] = static_cast<unsigned char>(count);
    o[1] = static_cast<unsigned char>(byte);
    return o + 2;
}

// Room the wide encoder needs in its output beyond two bytes per input byte.
inline constexpr std::size_t WIDE_RUN_SLACK = 160;

// Run-codes the 64-byte blocks of p[i..n) while a whole block remains and
// returns where it stopped. The open run is (cur, cnt), and p[i - 1], which
// must exist, is its byte; complete pairs go to o, which moves past them.
// Does nothing off the wide path.
std::size_t wide_run_encode(const unsigned char* p, std::size_t i, std::size_t n, unsigned char*& o, unsigned& cur,
                            unsigned& cnt, unsigned count_max);
