#include "codecs/crypt.h"

#include <algorithm>

#include "codecs/byte_table.h"
#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"

const HashKey INTERNAL_HASH_KEY = {
    16,  241, 234, 185, 9,   197, 196, 140, 21,  112, 181, 97,  143, 177, 138, 91,  142, 203, 237, 118, 6,   141,
    82,  109, 253, 104, 10,  164, 156, 4,   148, 228, 126, 29,  14,  7,   103, 174, 247, 70,  85,  238, 137, 135,
    176, 34,  201, 163, 124, 221, 212, 17,  78,  133, 209, 80,  122, 218, 108, 5,   204, 225, 12,  189, 244, 157,
    243, 130, 69,  25,  43,  194, 83,  186, 200, 66,  50,  227, 192, 213, 131, 71,  105, 134, 46,  128, 59,  84,
    1,   13,  193, 31,  229, 49,  45,  230, 68,  220, 44,  73,  166, 11,  160, 139, 207, 18,  151, 208, 74,  132,
    191, 86,  210, 175, 8,   161, 147, 36,  178, 129, 152, 144, 190, 226, 195, 79,  254, 94,  121, 167, 113, 40,
    87,  23,  28,  239, 102, 183, 100, 76,  55,  107, 62,  199, 172, 32,  64,  136, 232, 111, 252, 37,  158, 188,
    106, 110, 222, 72,  52,  235, 30,  61,  215, 127, 96,  216, 153, 90,  150, 115, 202, 65,  206, 24,  246, 77,
    187, 33,  251, 182, 236, 19,  38,  2,   51,  53,  171, 165, 60,  145, 198, 240, 41,  205, 67,  47,  88,  173,
    184, 89,  99,  81,  117, 58,  231, 255, 22,  48,  170, 75,  214, 154, 3,   224, 159, 63,  27,  211, 155, 15,
    162, 245, 98,  169, 146, 249, 116, 56,  250, 123, 57,  95,  101, 149, 93,  242, 39,  125, 114, 223, 119, 54,
    233, 35,  26,  248, 120, 20,  219, 179, 42,  168, 180, 217, 92,  0,
};

EncryptionState ENCRYPTION;

namespace {

constexpr std::uint64_t SIZE_LIMIT = static_cast<std::uint64_t>(FILE_SIZE_CEILING) - 1;

// Byte tables built once per call from the key in force: forward[x] is
// key[x] as a byte, inverse[y] the first index j with key[j] == y (256 when
// none, which only a damaged key can give).
// Only the low byte of an inverse entry matters, since the result is taken
// modulo 256: the "none" index 256 is stored as 0.
struct SubstitutionTables {
    unsigned char forward[256];
    unsigned char inverse[256];
    explicit SubstitutionTables(const HashKey& key) {
        for (int y = 0; y < 256; ++y) inverse[y] = 0;
        for (int j = 255; j >= 0; --j) {
            const int v = key[static_cast<std::size_t>(j)];
            forward[j] = static_cast<unsigned char>(v);
            if (v >= 0 && v < 256) inverse[v] = static_cast<unsigned char>(j);
        }
    }
};

int at(const HashKey& key, int index) {
    return key[static_cast<std::size_t>(index & 255)];
}

}  // namespace

CheckBytes compute_check_bytes(const HashKey& key, int k) {
    CheckBytes r;
    int& a = r.a;
    int& b = r.b;
    int& c = r.c;
    int& d = r.d;
    for (int i = 0; i < 256; ++i) {
        a = at(key, i + k + a + b + c + d);
        b = at(key, 2 * i + k + a + i * b + c + d);
        c = at(key, 3 * k + i + a + b + c + 4 * d);
        d = at(key, 3 * i + k + a + 4 * b + c + d);
    }
    return r;
}

int is_permutation_key(const HashKey& key) {
    bool seen[256] = {};
    for (std::int32_t v : key) {
        if (v < 0 || v > 255 || seen[v]) return 0;
        seen[v] = true;
    }
    return 1;
}

int crypt_file(const std::string& in, const std::string& out) {
    if (!is_permutation_key(HASH_KEY)) return codec_fail("the encryption key is not a permutation");
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    const std::uint64_t size = static_cast<std::uint64_t>(reader.size());
    if (size + CRYPT_HEADER_SIZE > SIZE_LIMIT) {
        log_it('e', fmt_msg(COMMON_MSG_09, "Encrypted", "encrypt"));
        return codec_fail("encrypted file would exceed the file size ceiling");
    }
    const SubstitutionTables tables(HASH_KEY);
    // Seed: the input size and every byte chained through the key. The chain
    // only adds modulo 256, so it is a sum of substituted bytes.
    unsigned s = static_cast<unsigned>(size % 256);
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = reader.peek(avail);
        if (avail == 0) break;
        s = (s + substituted_sum(tables.forward, p, avail)) & 255u;
        reader.consume(avail);
    }
    if (reader.failed()) return codec_fail("read error on " + in);
    const int k = tables.forward[s];
    const CheckBytes check = compute_check_bytes(HASH_KEY, k);

    if (!reader.open(in)) return codec_fail("cannot read " + in);
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    const unsigned char header[CRYPT_HEADER_SIZE] = {
        static_cast<unsigned char>(check.a), static_cast<unsigned char>(check.b), static_cast<unsigned char>(k),
        static_cast<unsigned char>(check.c), static_cast<unsigned char>(check.d)};
    writer.write(header, sizeof header);
    unsigned pos = static_cast<unsigned>(k);
    std::uint64_t total = CRYPT_HEADER_SIZE;
    for (;;) {
        std::size_t n = 0;
        const unsigned char* p = reader.peek(n);
        if (n == 0) break;
        n = std::min(n, CODEC_BUFFER_SIZE);
        total += n;
        if (total > SIZE_LIMIT) {
            log_it('e', fmt_msg(COMMON_MSG_09, "Encrypted", "encrypt"));
            return codec_fail("encrypted file would exceed the file size ceiling");
        }
        // Substituted straight into the writer's buffer.
        substitute_after_offset(tables.forward, p, writer.reserve(n), n, pos);
        writer.commit(n);
        pos += static_cast<unsigned>(n);
        reader.consume(n);
    }
    if (reader.failed()) return codec_fail("read error on " + in);
    if (!writer.close()) return codec_fail("write error on " + out);
    attr_file(out, ATTR_VISIBLE);
    return 1;
}

int decrypt_file(const std::string& in, const std::string& out) {
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    unsigned char header[CRYPT_HEADER_SIZE];
    if (reader.read(header, sizeof header) != sizeof header)
        return codec_fail("encrypted file shorter than its 5-byte header");
    const int k = header[2];
    const CheckBytes expected = compute_check_bytes(HASH_KEY, k);
    const CheckBytes found{header[0], header[1], header[3], header[4]};
    if (!(expected == found)) {
        log_it('e', COMMON_MSG_14);
        log_it('e', fmt_msg(COMMON_MSG_14b, ENCRYPTION.USING_ENCRYPTION));
        return codec_fail("packet was encrypted with a different encryption key");
    }
    const SubstitutionTables tables(HASH_KEY);
    codec_remove(out);
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    unsigned pos = static_cast<unsigned>(k);
    for (;;) {
        std::size_t n = 0;
        const unsigned char* p = reader.peek(n);
        if (n == 0) break;
        n = std::min(n, CODEC_BUFFER_SIZE);
        substitute_before_offset(tables.inverse, p, writer.reserve(n), n, pos);
        writer.commit(n);
        pos += static_cast<unsigned>(n);
        reader.consume(n);
    }
    if (reader.failed()) return codec_fail("read error on " + in);
    if (!writer.close()) return codec_fail("write error on " + out);
    return 1;
}
