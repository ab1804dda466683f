#include "codecs/byte_table.h"

#include <cstdint>

#include "codecs/wide_path.h"

#ifdef VANDREL_WIDE_CODECS
#include <immintrin.h>
#endif

namespace {

#ifdef VANDREL_WIDE_CODECS

// The table in four registers of 64 entries.
struct WideTable {
    __m512i q[4];
};

VANDREL_WIDE_TARGET WideTable load_table(const unsigned char table[256]) {
    WideTable t;
    for (int k = 0; k < 4; ++k) t.q[k] = _mm512_loadu_si512(table + 64 * k);
    return t;
}

// table[x] for each of the 64 bytes of x: two 128-entry permutes, chosen
// between by the top bit of each byte.
VANDREL_WIDE_TARGET inline __m512i lookup64(const WideTable& t, __m512i x) {
    const __m512i low = _mm512_permutex2var_epi8(t.q[0], x, t.q[1]);
    const __m512i high = _mm512_permutex2var_epi8(t.q[2], x, t.q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

// The bytes start, start + 1, ..., start + 63 (mod 256).
VANDREL_WIDE_TARGET __m512i offsets64(unsigned start) {
    alignas(64) unsigned char ramp[64];
    for (unsigned j = 0; j < 64; ++j) ramp[j] = static_cast<unsigned char>(start + j);
    return _mm512_load_si512(ramp);
}

// The 64-byte blocks of substitute_after_offset (offset added before the
// lookup) or substitute_before_offset (subtracted after it); returns how
// many bytes it did.
template <bool OffsetFirst>
VANDREL_WIDE_TARGET std::size_t wide_substitute(const unsigned char table[256], const unsigned char* in,
                                                unsigned char* out, std::size_t n, unsigned start) {
    const WideTable t = load_table(table);
    const __m512i step = _mm512_set1_epi8(64);
    __m512i offset = offsets64(start);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(in + i);
        if constexpr (OffsetFirst)
            _mm512_storeu_si512(out + i, lookup64(t, _mm512_add_epi8(x, offset)));
        else
            _mm512_storeu_si512(out + i, _mm512_sub_epi8(lookup64(t, x), offset));
        offset = _mm512_add_epi8(offset, step);
    }
    return i;
}

VANDREL_WIDE_TARGET std::size_t wide_sum(const unsigned char table[256], const unsigned char* in, std::size_t n,
                                         std::uint64_t& sum) {
    const WideTable t = load_table(table);
    __m512i acc = _mm512_setzero_si512();
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64)
        acc = _mm512_add_epi64(acc, _mm512_sad_epu8(lookup64(t, _mm512_loadu_si512(in + i)), _mm512_setzero_si512()));
    alignas(64) std::uint64_t lanes[8];
    _mm512_store_si512(lanes, acc);
    for (std::uint64_t lane : lanes) sum += lane;
    return i;
}

#endif

}  // namespace

void substitute_after_offset(const unsigned char table[256], const unsigned char* in, unsigned char* out, std::size_t n,
                             unsigned start) {
    std::size_t i = 0;
#ifdef VANDREL_WIDE_CODECS
    if (wide_codec_path()) i = wide_substitute<true>(table, in, out, n, start);
#endif
    for (; i < n; ++i) out[i] = table[(start + i + in[i]) & 255u];
}

void substitute_before_offset(const unsigned char table[256], const unsigned char* in, unsigned char* out,
                              std::size_t n, unsigned start) {
    std::size_t i = 0;
#ifdef VANDREL_WIDE_CODECS
    if (wide_codec_path()) i = wide_substitute<false>(table, in, out, n, start);
#endif
    for (; i < n; ++i) out[i] = static_cast<unsigned char>(table[in[i]] - start - i);
}

unsigned substituted_sum(const unsigned char table[256], const unsigned char* in, std::size_t n) {
    std::uint64_t sum = 0;
    std::size_t i = 0;
#ifdef VANDREL_WIDE_CODECS
    if (wide_codec_path()) i = wide_sum(table, in, n, sum);
#endif
    // Four independent sums keep the table loads from waiting on each other.
    std::uint64_t lane[4] = {0, 0, 0, 0};
    for (; i + 4 <= n; i += 4) {
        lane[0] += table[in[i]];
        lane[1] += table[in[i + 1]];
        lane[2] += table[in[i + 2]];
        lane[3] += table[in[i + 3]];
    }
    for (; i < n; ++i) lane[0] += table[in[i]];
    return static_cast<unsigned>((sum + lane[0] + lane[1] + lane[2] + lane[3]) & 255u);
}
