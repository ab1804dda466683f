#include "codecs/compression.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"

namespace {

// Largest size a file written or read by these routines may have.
constexpr std::uint64_t SIZE_LIMIT = static_cast<std::uint64_t>(FILE_SIZE_CEILING) - 1;

std::uint64_t load64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Non-zero when some byte of v is zero.
std::uint64_t has_zero_byte(std::uint64_t v) {
    return (v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL;
}

// Run encoder working a chunk at a time; the open run carries over to the
// next chunk. Where eight bytes in a row each differ from the byte after
// them (most of any text), they are eight complete single pairs and are
// written without looking at them one by one.
class RunEncoder {
public:
    // Encodes n input bytes into out (room for 2 * n + 2 bytes needed) and
    // returns how many bytes of complete pairs it wrote.
    std::size_t encode(const unsigned char* p, std::size_t n, unsigned char* out) {
        std::size_t w = 0;
        std::size_t i = 0;
        unsigned cur = cur_;
        unsigned cnt = cnt_;
        while (i < n) {
            if (p[i] != cur && i + 9 <= n && !has_zero_byte(load64(p + i) ^ load64(p + i + 1))) {
                if (cnt > 0) {
                    out[w] = static_cast<unsigned char>(cnt);
                    out[w + 1] = static_cast<unsigned char>(cur);
                    w += 2;
                }
                for (int k = 0; k < 8; ++k) {
                    out[w + 2 * static_cast<std::size_t>(k)] = 1;
                    out[w + 2 * static_cast<std::size_t>(k) + 1] = p[i + static_cast<std::size_t>(k)];
                }
                w += 16;
                i += 8;
                cnt = 0;
                cur = 256;
                continue;
            }
            const unsigned c = p[i++];
            if (c == cur && cnt < static_cast<unsigned>(RUN_COUNT_MAX)) {
                ++cnt;
                continue;
            }
            if (cnt > 0) {
                out[w] = static_cast<unsigned char>(cnt);
                out[w + 1] = static_cast<unsigned char>(cur);
                w += 2;
            }
            cur = c;
            cnt = 1;
        }
        cur_ = cur;
        cnt_ = cnt;
        return w;
    }
    // The last pair, when the input was not empty.
    bool finish(unsigned char pair[2]) const {
        pair[0] = static_cast<unsigned char>(cnt_);
        pair[1] = static_cast<unsigned char>(cur_);
        return cnt_ > 0;
    }

private:
    unsigned cur_ = 256;  // byte of the open run; 256 matches no byte
    unsigned cnt_ = 0;    // its length so far, 0 when none is open
};

// Run-encodes the whole input into out. after_chunk(total) is asked, before
// they are written, with the bytes of complete pairs there will be after the
// next chunk (and finally with the last pair); false abandons the encoding:
// the result is false and abandoned is set.
template <typename AfterChunk>
bool run_encode(ByteReader& in, ByteWriter& out, std::uint64_t& completed, AfterChunk&& after_chunk, bool& abandoned) {
    RunEncoder encoder;
    std::vector<unsigned char> pairs(2 * CODEC_BUFFER_SIZE + 2);
    abandoned = false;
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = in.peek(avail);
        if (avail == 0) break;
        avail = std::min(avail, CODEC_BUFFER_SIZE);
        const std::size_t made = encoder.encode(p, avail, pairs.data());
        in.consume(avail);
        if (!after_chunk(completed + made)) {
            abandoned = true;
            return false;
        }
        out.write(pairs.data(), made);
        completed += made;
    }
    if (in.failed()) return false;
    unsigned char last[2];
    if (encoder.finish(last)) {
        if (!after_chunk(completed + 2)) {
            abandoned = true;
            return false;
        }
        out.write(last, 2);
    }
    return true;
}

bool field_ok(const std::string& field) {
    return field.size() <= HEAD_FIELD_MAX && field.find('|') == std::string::npos;
}

// Decodes run pairs from the reader's current position, a chunk at a time.
// first_count is a count byte already read (or -1). Counts outside 1..100
// and a count without its data byte mean the file was damaged.
int decode_pairs(ByteReader& in, int first_count, ByteWriter& out, std::uint64_t already) {
    std::uint64_t total = already;
    int pending = first_count;  // a count whose byte is in the next chunk
    auto pair = [&](unsigned count, unsigned char b) {
        if (count == 0 || count > static_cast<unsigned>(RUN_COUNT_MAX))
            return codec_fail(fmt_msg("damaged run data: count %u out of range", count)) != 0;
        total += count;
        if (total > SIZE_LIMIT) {
            log_it('e', fmt_msg(COMMON_MSG_10, "Uncompressing", "uncompress"));
            return codec_fail("uncompressed file would exceed the file size ceiling") != 0;
        }
        out.put_run(b, count);
        return true;
    };
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = in.peek(avail);
        if (avail == 0) break;
        std::size_t i = 0;
        if (pending >= 0) {
            if (!pair(static_cast<unsigned>(pending), p[0])) return 0;
            pending = -1;
            i = 1;
        }
        while (i + 1 < avail) {
            // Eight single pairs in a row are eight bytes.
            if (i + 16 <= avail) {
                const std::uint64_t a = load64(p + i);
                const std::uint64_t b = load64(p + i + 8);
                constexpr std::uint64_t COUNTS = 0x00FF00FF00FF00FFULL;
                constexpr std::uint64_t ONES = 0x0001000100010001ULL;
                if ((a & COUNTS) == ONES && (b & COUNTS) == ONES && total + 8 <= SIZE_LIMIT) {
                    unsigned char* dst = out.reserve(8);
                    for (int k = 0; k < 8; ++k) dst[k] = p[i + 2 * static_cast<std::size_t>(k) + 1];
                    out.commit(8);
                    total += 8;
                    i += 16;
                    continue;
                }
            }
            if (!pair(p[i], p[i + 1])) return 0;
            i += 2;
        }
        if (i < avail) pending = p[i];
        in.consume(avail);
    }
    if (in.failed()) return codec_fail("read error");
    if (pending >= 0) return codec_fail("damaged run data: a count without its byte at the end");
    return 1;
}

// The run form is abandoned exactly when the pairs before the last one fill
// as many bytes as the input has. Every change of byte value starts a pair,
// so counting changes gives a lower bound on the pairs: once it alone says
// the run form is lost, the stored form is certain and nothing need be
// encoded or written. Returns true in that case.
bool stored_form_certain(const std::string& in, std::uint64_t size) {
    if (size == 0) return false;
    ByteReader reader;
    if (!reader.open(in)) return false;
    std::uint64_t changes = 0;
    int prev = -1;
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = reader.peek(avail);
        if (avail == 0) break;
        if (prev >= 0 && p[0] != prev) ++changes;
        std::uint64_t local = 0;
        for (std::size_t i = 1; i < avail; ++i) local += p[i] != p[i - 1];
        changes += local;
        prev = p[avail - 1];
        reader.consume(avail);
        if (2 * changes >= size) return true;
    }
    return false;
}

}  // namespace

int compress_file(const std::string& in, const std::string& out, const std::string& dest_vob,
                  const std::string& dest_path, const std::string& deploy_location) {
    if (!field_ok(dest_vob) || !field_ok(dest_path) || !field_ok(deploy_location))
        return codec_fail("header field holds \"|\" or is longer than 1023 characters");
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    writer.write(dest_vob + "|" + dest_path + "|" + deploy_location + "|");
    std::uint64_t written = writer.written();
    bool too_big = false;
    const bool ok = run_encode(
        reader, writer, written,
        [&](std::uint64_t total) {
            too_big = total > SIZE_LIMIT;
            return !too_big;
        },
        too_big);
    // A failed step leaves no output behind (the writer discards it).
    if (too_big) {
        log_it('e', fmt_msg(COMMON_MSG_09, "Compressed", "compress"));
        return codec_fail("compressed file would exceed the file size ceiling");
    }
    if (!ok) return codec_fail("read error on " + in);
    if (!writer.close()) return codec_fail("write error on " + out);
    reader.close();
    codec_remove(in);
    return 1;
}

int fake_compression(const std::string& in, const std::string& out) {
    codec_remove(out);
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    if (static_cast<std::uint64_t>(reader.size()) + 1 > SIZE_LIMIT)
        return codec_fail("stored part would exceed the file size ceiling");
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    writer.put(0);
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = reader.peek(avail);
        if (avail == 0) break;
        writer.write(p, avail);
        reader.consume(avail);
    }
    if (reader.failed()) return codec_fail("read error on " + in);
    if (!writer.close()) return codec_fail("write error on " + out);
    return 1;
}

int compress_part(const std::string& in, const std::string& out) {
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    const std::uint64_t size = static_cast<std::uint64_t>(reader.size());
    if (stored_form_certain(in, size)) {
        reader.close();
        return fake_compression(in, out);
    }
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    // The run form is given up as soon as the complete pairs, which are
    // written before the next byte or the end is looked at, fill as many
    // bytes as the input has; so a one-byte input still gets its two bytes.
    std::uint64_t written = 0;
    std::uint64_t before_last = 0;
    bool abandoned = false;
    const bool ok = run_encode(
        reader, writer, written,
        [&](std::uint64_t total) {
            if (before_last >= size) return false;
            before_last = total;
            return true;
        },
        abandoned);
    if (abandoned) {
        writer.abandon();
        reader.close();
        return fake_compression(in, out);
    }
    if (!ok) return codec_fail("read error on " + in);
    if (!writer.close()) return codec_fail("write error on " + out);
    reader.close();
    codec_remove(in);
    return 1;
}

int uncompress_file(const std::string& in, const std::string& out, std::string& dest_vob, std::string& dest_path,
                    std::string& deploy_location) {
    dest_vob.clear();
    dest_path.clear();
    deploy_location.clear();
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    std::string* fields[3] = {&dest_vob, &dest_path, &deploy_location};
    for (std::string* field : fields) {
        for (;;) {
            const int c = reader.get();
            if (c < 0) return codec_fail("truncated packet header (fewer than three \"|\")");
            if (c == '|') break;
            if (field->size() == HEAD_FIELD_MAX) return codec_fail("packet header field longer than 1023 characters");
            field->push_back(static_cast<char>(c));
        }
        strip_surrounding(*field);
    }
    for (std::string* field : {&dest_path, &deploy_location})
        for (char& ch : *field)
            if (ch == '\\') ch = '/';
    if (!decode_pairs(reader, -1, writer, 0)) return 0;
    if (!writer.close()) return codec_fail("write error on " + out);
    return 1;
}

int uncompress_part(const std::string& in, const std::string& out) {
    ByteReader reader;
    if (!reader.open(in)) return codec_fail("cannot read " + in);
    ByteWriter writer;
    if (!writer.create_private(out)) return codec_fail("cannot create " + out);
    const int first = reader.get();
    if (first == 0) {
        std::uint64_t total = 0;
        for (;;) {
            std::size_t avail = 0;
            const unsigned char* p = reader.peek(avail);
            if (avail == 0) break;
            total += avail;
            if (total > SIZE_LIMIT) {
                log_it('e', fmt_msg(COMMON_MSG_10, "Uncompressing", "uncompress"));
                return codec_fail("uncompressed file would exceed the file size ceiling");
            }
            writer.write(p, avail);
            reader.consume(avail);
        }
        if (reader.failed()) return codec_fail("read error on " + in);
    } else if (first > 0) {
        if (!decode_pairs(reader, first, writer, 0)) return 0;
    } else if (reader.failed()) {
        return codec_fail("read error on " + in);
    }
    if (!writer.close()) return codec_fail("write error on " + out);
    return 1;
}
