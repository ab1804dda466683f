#include "codecs/compression.h"

#include <algorithm>
#include <cstdint>

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

// Run encoder over a whole input stream. Pairs go through emit(count, byte),
// which returns false to abandon the encoding.
template <typename Emit>
bool run_encode(ByteReader& in, Emit&& emit) {
    int current = -1;
    int count = 0;
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = in.peek(avail);
        if (avail == 0) break;
        std::size_t i = 0;
        while (i < avail) {
            const int c = p[i];
            if (c != current) {
                if (current >= 0 && !emit(count, current)) return false;
                current = c;
                count = 1;
                ++i;
                continue;
            }
            // Extend the run as far as this chunk allows, a full pair at a time.
            std::size_t j = i;
            while (j < avail && p[j] == c) ++j;
            std::size_t more = j - i;
            while (more > 0) {
                if (count == RUN_COUNT_MAX) {
                    if (!emit(count, current)) return false;
                    count = 0;
                }
                const std::size_t take = std::min<std::size_t>(more, static_cast<std::size_t>(RUN_COUNT_MAX - count));
                count += static_cast<int>(take);
                more -= take;
            }
            i = j;
        }
        in.consume(avail);
    }
    if (in.failed()) return false;
    if (current >= 0 && !emit(count, current)) return false;
    return true;
}

bool field_ok(const std::string& field) {
    return field.size() <= HEAD_FIELD_MAX && field.find('|') == std::string::npos;
}

// Decodes run pairs from the reader's current position. first_count is a
// count byte already read (or -1). Counts outside 1..100 and a count without
// its data byte mean the file was damaged.
int decode_pairs(ByteReader& in, int first_count, ByteWriter& out, std::uint64_t already) {
    std::uint64_t total = already;
    int count = first_count;
    for (;;) {
        if (count < 0) count = in.get();
        if (count < 0) break;
        const int b = in.get();
        if (b < 0) return codec_fail("damaged run data: a count without its byte at the end");
        if (count == 0 || count > RUN_COUNT_MAX)
            return codec_fail(fmt_msg("damaged run data: count %d out of range", count));
        if (total + static_cast<std::uint64_t>(count) > SIZE_LIMIT) {
            log_it('e', fmt_msg(COMMON_MSG_10, "Uncompressing", "uncompress"));
            return codec_fail("uncompressed file would exceed the file size ceiling");
        }
        out.put_run(static_cast<unsigned char>(b), static_cast<std::size_t>(count));
        total += static_cast<std::uint64_t>(count);
        count = -1;
    }
    if (in.failed()) return codec_fail("read error");
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
    bool too_big = false;
    std::uint64_t written = writer.written();
    const bool ok = run_encode(reader, [&](int count, int byte) {
        if (written + 2 > SIZE_LIMIT) {
            too_big = true;
            return false;
        }
        writer.put2(static_cast<unsigned char>(count), static_cast<unsigned char>(byte));
        written += 2;
        return true;
    });
    const bool closed = writer.close();
    if (too_big) {
        log_it('e', fmt_msg(COMMON_MSG_09, "Compressed", "compress"));
        return codec_fail("compressed file would exceed the file size ceiling");
    }
    if (!ok) return codec_fail("read error on " + in);
    if (!closed) return codec_fail("write error on " + out);
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
    bool abandoned = false;
    std::uint64_t written = 0;
    const bool ok = run_encode(reader, [&](int count, int byte) {
        // The run form must stay smaller than the input; the test comes
        // before each pair, so a one-byte input still gets its two bytes.
        if (written >= size) {
            abandoned = true;
            return false;
        }
        writer.put2(static_cast<unsigned char>(count), static_cast<unsigned char>(byte));
        written += 2;
        return true;
    });
    const bool closed = writer.close();
    if (abandoned) {
        reader.close();
        codec_remove(out);
        return fake_compression(in, out);
    }
    if (!ok) return codec_fail("read error on " + in);
    if (!closed) return codec_fail("write error on " + out);
    reader.close();
    codec_remove(in);
    return 1;
}

int uncompress_file(const std::string& in, const std::string& out, std::string& dest_vob,
                    std::string& dest_path, std::string& deploy_location) {
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
            if (field->size() == HEAD_FIELD_MAX)
                return codec_fail("packet header field longer than 1023 characters");
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
