#include "codecs/compression.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/byte_words.h"
#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/wide_run.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"

namespace {

// Largest size a file written or read by these routines may have.
constexpr std::uint64_t SIZE_LIMIT = static_cast<std::uint64_t>(FILE_SIZE_CEILING) - 1;

constexpr unsigned COUNT_MAX = static_cast<unsigned>(RUN_COUNT_MAX);

// Run encoder working a chunk at a time; the open run carries over to the
// next chunk. Inside a chunk it looks at eight bytes at a time, comparing
// each with the byte before it: eight bytes that all differ from their
// predecessors (most of any binary, much of text) become seven single pairs
// in two word stores; eight that all repeat the open run only lengthen it;
// any other eight go through a loop without branches on the data. On the
// wide path (wide_run.h) whole 64-byte blocks are coded first and these
// loops finish the rest of the chunk.
class RunEncoder {
public:
    // Room encode() needs in out beyond 2 * n bytes.
    static constexpr std::size_t SLACK = WIDE_RUN_SLACK;

    // Encodes n input bytes into out (room for 2 * n + SLACK bytes needed)
    // and returns how many bytes of complete pairs it wrote.
    std::size_t encode(const unsigned char* p, std::size_t n, unsigned char* out) {
        unsigned char* o = out;
        std::size_t i = 0;
        // From the first byte on the open run is the one of the byte before
        // i, which the word comparisons below rely on.
        if (n > 0) o = step(p[i++], o);
        i = wide_run_encode(p, i, n, o, cur_, cnt_, COUNT_MAX);
        for (; i + 8 <= n; i += 8) {
            const std::uint64_t word = load_word(p + i);
            const std::uint64_t repeats = zero_bytes(word ^ load_word(p + i - 1));
            if (repeats == 0) {
                // Byte 7 opens the new run; bytes 0..6 are single pairs.
                o = emit_pair(o, cnt_, cur_);
                store_word(o, single_pairs(word));
                store_word(o + 8, single_pairs(word >> 32));
                o += 14;
                cur_ = static_cast<unsigned>(word >> 56);
                cnt_ = 1;
            } else if (repeats == WORD_HIGHS) {
                cnt_ += 8;
                if (cnt_ > COUNT_MAX) {
                    o = emit_pair(o, COUNT_MAX, cur_);
                    cnt_ -= COUNT_MAX;
                }
            } else if (cnt_ + 8 <= COUNT_MAX) {
                // No run reaches the limit inside these eight bytes. Every
                // byte stores the open pair; only a byte that starts a new
                // run keeps it, by moving past it.
                unsigned cnt = cnt_;
                unsigned cur = cur_;
                for (int j = 0; j < 8; ++j) {
                    const unsigned starts = 1u - static_cast<unsigned>((repeats >> (8 * j + 7)) & 1u);
                    o[0] = static_cast<unsigned char>(cnt);
                    o[1] = static_cast<unsigned char>(cur);
                    o += 2 * starts;
                    cnt = (cnt & (starts - 1u)) + 1u;
                    cur = static_cast<unsigned>(word >> (8 * j)) & 0xFFu;
                }
                cnt_ = cnt;
                cur_ = cur;
            } else {
                for (std::size_t j = 0; j < 8; ++j) o = step(p[i + j], o);
            }
        }
        for (; i < n; ++i) o = step(p[i], o);
        return static_cast<std::size_t>(o - out);
    }
    // The last pair, when the input was not empty.
    bool finish(unsigned char pair[2]) const {
        pair[0] = static_cast<unsigned char>(cnt_);
        pair[1] = static_cast<unsigned char>(cur_);
        return cnt_ > 0;
    }

private:
    // One byte by the plain rule.
    unsigned char* step(unsigned c, unsigned char* o) {
        if (c == cur_ && cnt_ < COUNT_MAX) {
            ++cnt_;
            return o;
        }
        if (cnt_ > 0) o = emit_pair(o, cnt_, cur_);
        cur_ = c;
        cnt_ = 1;
        return o;
    }

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
    std::vector<unsigned char> pairs(2 * CODEC_BUFFER_SIZE + RunEncoder::SLACK);
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

// Decodes the eight pairs at p into out, up to the first with a count out
// of range. Returns the bytes written times 256 plus the pairs decoded.
std::size_t decode_eight_pairs(const unsigned char* p, ByteWriter& out) {
    constexpr std::uint64_t COUNTS = 0x00FF00FF00FF00FFULL;
    constexpr std::uint64_t SINGLE = 0x0001000100010001ULL;
    const std::uint64_t a = load_word(p);
    const std::uint64_t b = load_word(p + 8);
    if ((a & COUNTS) == SINGLE && (b & COUNTS) == SINGLE) {
        store_word(out.reserve(8), pair_data(a) | (pair_data(b) << 32));
        out.commit(8);
        return (8 << 8) | 8;
    }
    // Runs of up to 16 bytes are two word stores of the repeated byte; the
    // bytes stored past a run are overwritten by the next one.
    unsigned char* const dst = out.reserve(8 * COUNT_MAX + 16);
    unsigned char* o = dst;
    std::size_t k = 0;
    for (; k < 8; ++k) {
        const unsigned count = p[2 * k];
        const unsigned char byte = p[2 * k + 1];
        if (count - 1u >= COUNT_MAX) break;
        if (count <= 16) {
            const std::uint64_t fill = byte * WORD_ONES;
            store_word(o, fill);
            store_word(o + 8, fill);
        } else {
            std::memset(o, byte, count);
        }
        o += count;
    }
    const auto written = static_cast<std::size_t>(o - dst);
    out.commit(written);
    return (written << 8) | k;
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
            // Eight pairs at a time while the ceiling is far: they cannot
            // reach it, so only their counts need checking.
            if (i + 16 <= avail && total + 8 * COUNT_MAX <= SIZE_LIMIT) {
                const std::size_t done = decode_eight_pairs(p + i, out);
                total += done >> 8;
                i += 2 * (done & 0xFF);
                if ((done & 0xFF) == 8) continue;
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

// How many of the bytes p[1..n) differ from the byte before them, counted
// eight at a time in byte-wide counters.
std::uint64_t count_changes(const unsigned char* p, std::size_t n) {
    std::uint64_t changes = 0;
    std::size_t i = 1;
    while (i + 8 <= n) {
        std::uint64_t lanes = 0;  // eight counters of at most 255
        for (int round = 0; round < 255 && i + 8 <= n; ++round, i += 8)
            lanes += (~zero_bytes(load_word(p + i) ^ load_word(p + i - 1)) & WORD_HIGHS) >> 7;
        const std::uint64_t pairs = (lanes & 0x00FF00FF00FF00FFULL) + ((lanes >> 8) & 0x00FF00FF00FF00FFULL);
        changes += (pairs * 0x0001000100010001ULL) >> 48;
    }
    for (; i < n; ++i) changes += p[i] != p[i - 1];
    return changes;
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
        changes += count_changes(p, avail);
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
