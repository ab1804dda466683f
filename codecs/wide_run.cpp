#include "codecs/wide_run.h"

#include "codecs/wide_path.h"

#ifdef VANDREL_WIDE_CODECS
#include <immintrin.h>

namespace {

struct Lanes {
    unsigned char position[64];    // 0, 1, ..., 63
    unsigned char next[64];        // 1, 2, ..., 63, 63
    unsigned char low_pairs[64];   // bytes of the pairs 0..31 taken from two registers
    unsigned char high_pairs[64];  // and of the pairs 32..63
    Lanes() {
        for (int k = 0; k < 64; ++k) {
            position[k] = static_cast<unsigned char>(k);
            next[k] = static_cast<unsigned char>(k < 63 ? k + 1 : 63);
            low_pairs[k] = static_cast<unsigned char>(k % 2 ? 64 + k / 2 : k / 2);
            high_pairs[k] = static_cast<unsigned char>(k % 2 ? 96 + k / 2 : 32 + k / 2);
        }
    }
};

VANDREL_WIDE_TARGET std::size_t encode_blocks(const unsigned char* p, std::size_t i, std::size_t n, unsigned char*& out,
                                              unsigned& cur_ref, unsigned& cnt_ref, unsigned count_max) {
    static const Lanes lanes;
    const __m512i position = _mm512_loadu_si512(lanes.position);
    const __m512i next = _mm512_loadu_si512(lanes.next);
    const __m512i low_pairs = _mm512_loadu_si512(lanes.low_pairs);
    const __m512i high_pairs = _mm512_loadu_si512(lanes.high_pairs);
    unsigned char* o = out;
    unsigned cur = cur_ref;
    unsigned cnt = cnt_ref;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(p + i);
        // Bit j: byte j differs from the byte before it and starts a run.
        const __mmask64 starts = _mm512_cmpneq_epi8_mask(x, _mm512_loadu_si512(p + i - 1));
        if (starts == 0) {
            cnt += 64;
            if (cnt > count_max) {
                o = emit_pair(o, count_max, cur);
                cnt -= count_max;
            }
            continue;
        }
        // The open run ends before the first start; it may reach the limit.
        const auto first = static_cast<unsigned>(__builtin_ctzll(starts));
        const auto last = 63u - static_cast<unsigned>(__builtin_clzll(starts));
        unsigned len = cnt + first;
        if (len > count_max) {
            o = emit_pair(o, count_max, cur);
            len -= count_max;
        }
        o = emit_pair(o, len, cur);
        // Runs wholly inside the block (shorter than 64, below the limit):
        // from each start to the next. Their starts and bytes are packed to
        // the low lanes and interleaved into pairs.
        const __m512i at = _mm512_maskz_compress_epi8(starts, position);
        const __m512i bytes = _mm512_maskz_compress_epi8(starts, x);
        const __m512i lengths = _mm512_sub_epi8(_mm512_permutex2var_epi8(at, next, at), at);
        _mm512_storeu_si512(o, _mm512_permutex2var_epi8(lengths, low_pairs, bytes));
        _mm512_storeu_si512(o + 64, _mm512_permutex2var_epi8(lengths, high_pairs, bytes));
        o += 2 * (static_cast<unsigned>(__builtin_popcountll(starts)) - 1);
        // The run of the last start stays open.
        cur = p[i + last];
        cnt = 64 - last;
    }
    out = o;
    cur_ref = cur;
    cnt_ref = cnt;
    return i;
}

}  // namespace

std::size_t wide_run_encode(const unsigned char* p, std::size_t i, std::size_t n, unsigned char*& o, unsigned& cur,
                            unsigned& cnt, unsigned count_max) {
    if (!wide_codec_path()) return i;
    return encode_blocks(p, i, n, o, cur, cnt, count_max);
}

#else

std::size_t wide_run_encode(const unsigned char*, std::size_t i, std::size_t, unsigned char*&, unsigned&, unsigned&,
                            unsigned) {
    return i;
}

#endif
