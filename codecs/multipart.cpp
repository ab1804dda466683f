#include "codecs/multipart.h"

#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/file_break.h"
#include "common/log.h"
#include "common/text_format.h"

MultipartState MULTIPART;

void set_part_size_limit_for_tests(std::int64_t limit) {
    MULTIPART.part_size_limit = limit > 0 ? limit : PART_SIZE_LIMIT;
}

int count_existing_parts(const std::string& base) {
    int k = 0;
    while (codec_path_exists(part_name(base, k + 1))) {
        if (k == MAX_XTRA_PACKET_PARTS) return -1;
        ++k;
    }
    return k;
}

namespace {

// Appends the marker and a data file to the part being filled, watching the
// data for the marker.
class PartFiller {
public:
    explicit PartFiller(const std::string& head) : head_(head) {}

    int fill(const std::string& file) {
        if (!codec_path_exists(file)) return fail_step(5, fmt_msg("data file (%s) does not exist", file.c_str()));
        ByteReader reader;
        if (!reader.open(file)) return fail_step(12, fmt_msg("data file (%s) cannot be read", file.c_str()));
        const std::int64_t size = reader.size();
        const std::int64_t limit = MULTIPART.part_size_limit;
        if (size >= limit) {
            log_it('e', fmt_msg(CTAR_FILE_TOO_LARGE, 12, current_name().c_str(), file.c_str(),
                                static_cast<unsigned long>(limit)));
            return codec_fail(fmt_msg("data file (%s) is too large to replicate", file.c_str()));
        }
        if (part_ == 0 || start_next_ || (part_size_ > 0 && part_size_ + size >= limit)) {
            if (!start_part()) return 0;
        }
        if (!writer_.is_open() && !writer_.append_private(current_name())) return fail_step(11, "part vanished");
        writer_.write(reinterpret_cast<const unsigned char*>(ZEB_FILE_BREAK), ZEB_FILE_BREAK_LEN);
        if (writer_.failed()) return fail_step(6, "file break not appended");
        Sink sink{writer_, false};
        for (;;) {
            std::size_t avail = 0;
            const unsigned char* p = reader.peek(avail);
            if (avail == 0) break;
            scanner_.feed(p, avail, sink);
            reader.consume(avail);
            if (sink.marker_seen) break;
        }
        // A file ending in the marker's first 31 characters would complete a
        // marker with the "+" of the marker that follows it.
        const bool ends_in_marker_start = scanner_.held() == ZEB_FILE_BREAK_LEN - 1;
        scanner_.finish(sink);
        scanner_.reset();
        if (sink.marker_seen || ends_in_marker_start) {
            return fail_step(7, fmt_msg("data file (%s) contains the file break marker and would "
                                        "arrive cut in two; it cannot be replicated",
                                        file.c_str()));
        }
        if (reader.failed()) return fail_step(12, fmt_msg("data file (%s) cannot be read", file.c_str()));
        if (writer_.failed()) return fail_step(7, fmt_msg("data of (%s) not appended", file.c_str()));
        part_size_ += static_cast<std::int64_t>(ZEB_FILE_BREAK_LEN) + size;
        if (part_size_ >= limit) start_next_ = true;
        return 1;
    }

    int finish() {
        if (part_ == 0) {
            if (!writer_.append_private(head_)) return fail_step(8, "final file break not appended");
        } else if (!writer_.is_open() && !writer_.append_private(current_name())) {
            return fail_step(11, "part vanished");
        }
        writer_.write(reinterpret_cast<const unsigned char*>(ZEB_FILE_BREAK), ZEB_FILE_BREAK_LEN);
        if (!writer_.close()) return fail_step(8, "final file break not appended");
        return 1;
    }

private:
    struct Sink {
        ByteWriter& out;
        bool marker_seen;
        void data(const unsigned char* p, std::size_t n) { out.write(p, n); }
        void marker() { marker_seen = true; }
    };

    std::string current_name() const { return part_ == 0 ? head_ : part_name(head_, part_); }

    bool start_part() {
        if (writer_.is_open() && !writer_.close()) return fail_step(7, "part not written") != 0;
        if (part_ == MAX_XTRA_PACKET_PARTS) return fail_step(11, "packet would need more than 127 parts") != 0;
        ++part_;
        MULTIPART.XTRA_PACKET_PARTS = static_cast<std::int8_t>(part_);
        part_size_ = 0;
        start_next_ = false;
        if (!writer_.create_private(current_name())) return fail_step(11, "part cannot be created") != 0;
        return true;
    }

    int fail_step(int step, const std::string& why) {
        log_it('e', fmt_msg(CTAR_STEP_FAILED, step, current_name().c_str(), why.c_str()));
        return codec_fail(why);
    }

    std::string head_;
    int part_ = 0;
    std::int64_t part_size_ = 0;
    bool start_next_ = false;
    ByteWriter writer_;
    MarkerScanner scanner_;
};

template <typename Range>
int ctar_range(const std::string& head, const Range& files) {
    MULTIPART.XTRA_PACKET_PARTS = 0;
    PartFiller filler(head);
    for (const auto& file : files)
        if (!filler.fill(std::string(file))) return 0;
    return filler.finish();
}

}  // namespace

int ctar_data_files(const std::string& head, const std::vector<std::string>& data_files) {
    return ctar_range(head, data_files);
}

int ctar_data_files(const std::string& head, const NameList& data_files) {
    return ctar_range(head, data_files);
}

int compress_multipart_file(const std::string& in, const std::string& out, const std::string& dest_vob,
                            const std::string& dest_path, const std::string& deploy_location) {
    if (!compress_file(in, out, dest_vob, dest_path, deploy_location)) return 0;
    codec_remove(in);
    for (int k = 1; k <= MULTIPART.XTRA_PACKET_PARTS; ++k) {
        const std::string in_k = part_name(in, k);
        if (!compress_part(in_k, part_name(out, k))) return 0;
        codec_remove(in_k);
    }
    return 1;
}

int crypt_multipart_file(const std::string& in, const std::string& out) {
    if (!crypt_file(in, out)) return 0;
    codec_remove(in);
    for (int k = 1; k <= MULTIPART.XTRA_PACKET_PARTS; ++k) {
        const std::string in_k = part_name(in, k);
        if (!crypt_file(in_k, part_name(out, k))) return 0;
        codec_remove(in_k);
    }
    return 1;
}

int decrypt_multipart_file(const std::string& in, const std::string& out) {
    const int parts = count_existing_parts(in);
    for (int k = 1; k <= (parts < 0 ? MAX_XTRA_PACKET_PARTS : parts); ++k) {
        push_extracted_file(part_name(in, k));
        push_extracted_file(part_name(out, k));
        codec_remove(part_name(out, k));
    }
    if (parts < 0) return codec_fail("packet has more than 127 parts");
    const int head_ok = decrypt_file(in, out);
    codec_remove(in);
    if (!head_ok) return 0;
    for (int k = 1; k <= parts; ++k) {
        const std::string in_k = part_name(in, k);
        const std::string out_k = part_name(out, k);
        const int ok = decrypt_file(in_k, out_k);
        codec_remove(in_k);
        if (!ok) return 0;
    }
    return 1;
}

int uncompress_multipart_file(const std::string& in, const std::string& out, std::string& dest_vob,
                              std::string& dest_path, std::string& deploy_location) {
    const int parts = count_existing_parts(in);
    if (parts < 0) return codec_fail("packet has more than 127 parts");
    if (!uncompress_file(in, out, dest_vob, dest_path, deploy_location)) return 0;
    codec_remove(in);
    for (int k = 1; k <= parts; ++k) {
        const std::string in_k = part_name(in, k);
        const std::string out_k = part_name(out, k);
        push_extracted_file(in_k);
        push_extracted_file(out_k);
        const int ok = uncompress_part(in_k, out_k);
        codec_remove(in_k);
        if (!ok) return 0;
    }
    return 1;
}
