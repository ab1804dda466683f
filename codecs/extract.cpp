#include "codecs/extract.h"

#include <array>
#include <fcntl.h>
#include <unistd.h>

#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/file_break.h"
#include "codecs/multipart.h"
#include "codecs/packet_format.h"
#include "common/file_ops.h"
#include "common/text_format.h"

ExtractState EXTRACT;

namespace {

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Writes the data files of the data region: every marker begins the next
// file, which is created at its first byte, at the next marker (empty), or
// at the end of the input unless that marker closed the packet.
class DataFileWriter {
public:
    explicit DataFileWriter(std::string dir) : dir_(std::move(dir)) {}

    bool data(const unsigned char* p, std::size_t n) {
        if (!out_.is_open() && !open_next()) return false;
        out_.write(p, n);
        return !out_.failed();
    }
    bool marker() {
        if (begun_ && !out_.is_open() && !open_next()) return false;
        if (!close_current()) return false;
        begun_ = true;
        return true;
    }
    // End of one input file. The marker that ends the packet begins nothing.
    bool end(bool last_of_packet) {
        if (begun_ && !out_.is_open() && !last_of_packet && !open_next()) return false;
        return close_current();
    }
    void begin_file() { begun_ = true; }

private:
    bool open_next() {
        const std::string path = dir_ + "/" + fmt_msg("zeb.%04d", EXTRACT.XTAR_IMPORT_I);
        codec_remove(path);
        push_extracted_file(path);
        // Created private (mode 0600), which is all the secret attribute
        // means here.
        if (!out_.create_private(path)) return codec_fail("cannot create data file " + path) != 0;
        current_ = path;
        return true;
    }
    bool close_current() {
        begun_ = false;
        if (!out_.is_open()) return true;
        ++EXTRACT.XTAR_IMPORT_I;
        if (!out_.close()) return codec_fail("write error on " + current_) != 0;
        return true;
    }

    std::string dir_;
    std::string current_;
    ByteWriter out_;
    bool begun_ = false;
};

// Follows the header records (section 3) as they stream by and notes the
// packet type record "D:<type>;" (see packet_header.h).
class PacketTypeWatch {
public:
    void feed(const unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n && !decided_; ++i) step(p[i]);
    }
    bool deployment() const { return decided_ && value_ == PACKET_TYPE_FLAT; }

private:
    void step(unsigned char c) {
        if (c == ';') {
            decided_ = in_type_;
            pos_ = 0;
            return;
        }
        if (in_type_) {
            // One byte more than any type word is enough to tell them apart.
            if (value_.size() <= PACKET_TYPE_FLAT.size()) value_.push_back(static_cast<char>(c));
            return;
        }
        if (pos_ == 0) is_type_ = c == 'D';
        if (pos_ == 1) in_type_ = is_type_ && c == ':';
        ++pos_;
    }

    std::size_t pos_ = 0;  // bytes into the current record
    bool is_type_ = false;
    bool in_type_ = false;
    bool decided_ = false;
    std::string value_;
};

// Routes the head file's bytes: six sections, then the data region.
class HeadSink {
public:
    HeadSink(const std::array<std::string, 6>& outputs, const std::string& data_dir)
        : outputs_(outputs), data_(data_dir) {}

    bool start() { return open_section(); }

    void data(const unsigned char* p, std::size_t n) {
        if (!ok_) return;
        if (section_ >= 6) {
            ok_ = data_.data(p, n);
            return;
        }
        if (section_ == 2) type_.feed(p, n);
        if (section_ == 1) {
            // Backslashes of the shipper's config spec become slashes.
            for (std::size_t i = 0; i < n; ++i) out_.put(p[i] == '\\' ? '/' : p[i]);
        } else {
            out_.write(p, n);
        }
        if (out_.failed()) ok_ = codec_fail("write error on " + outputs_[section_]) != 0;
    }

    void marker() {
        if (!ok_) return;
        if (section_ >= 6) {
            ok_ = data_.marker();
            return;
        }
        ok_ = close_section();
        ++section_;
        if (ok_ && section_ < 6) ok_ = open_section();
    }

    bool finish(bool last_of_packet) {
        if (!ok_) return false;
        // In a deployment packet with parts the end of the head file ends
        // section 6: the shipper writes no marker after it then, as such a
        // packet has no empty data file before its parts. A replication
        // packet always has one, so there this is still a damaged head.
        if (section_ == 5 && !last_of_packet && type_.deployment()) {
            if (!close_section()) return false;
            ++section_;
        }
        if (section_ < 6) {
            out_.abandon();
            return codec_fail(fmt_msg("damaged packet: the head file ends in section %d of 6", section_ + 1)) != 0;
        }
        return data_.end(last_of_packet);
    }

private:
    bool open_section() {
        const std::string& path = outputs_[section_];
        bool opened = false;
        if (section_ == 0) {
            opened = out_.create_private(path);
        } else if (section_ == 1) {
            opened = out_.create_private(path);
            if (opened) out_.write(std::string(XTAR_CS_CHECKEDOUT_RULE));
        } else {
            opened = out_.append_private(path);
        }
        if (!opened) return codec_fail("cannot create " + path) != 0;
        return true;
    }

    bool close_section() {
        if (section_ == 1) out_.write(std::string(XTAR_CS_LATEST_RULE));
        if (section_ >= 2) out_.put('\n');
        if (!out_.close()) return codec_fail("write error on " + outputs_[section_]) != 0;
        if (section_ == 1) return rewrite_received_config_spec(outputs_[1]) != 0;
        return true;
    }

    const std::array<std::string, 6>& outputs_;
    DataFileWriter data_;
    ByteWriter out_;
    PacketTypeWatch type_;
    int section_ = 0;
    bool ok_ = true;
};

struct PartSink {
    DataFileWriter& files;
    bool ok = true;
    void data(const unsigned char* p, std::size_t n) {
        if (ok) ok = files.data(p, n);
    }
    void marker() {
        if (ok) ok = files.marker();
    }
};

template <typename Sink>
bool scan_rest(ByteReader& reader, Sink& sink) {
    MarkerScanner scanner;
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = reader.peek(avail);
        if (avail == 0) break;
        scanner.feed(p, avail, sink);
        reader.consume(avail);
    }
    scanner.finish(sink);
    if (reader.failed()) return codec_fail("read error") != 0;
    return true;
}

int xtar_head(const std::string& archive, const std::array<std::string, 6>& outputs, bool last_of_packet) {
    EXTRACT.XTAR_IMPORT_I = 0;
    ByteReader reader;
    if (!reader.open(archive)) return codec_fail("cannot read " + archive);
    HeadSink sink(outputs, directory_of(archive));
    if (!sink.start()) return 0;
    if (!scan_rest(reader, sink)) return 0;
    return sink.finish(last_of_packet) ? 1 : 0;
}

}  // namespace

int rewrite_received_config_spec(const std::string& path) {
    ByteReader reader;
    if (!reader.open(path)) return codec_fail("cannot read " + path);
    if (static_cast<std::size_t>(reader.size()) > XTAR_CS_MAX)
        return codec_fail(fmt_msg("received config spec larger than %zu bytes", XTAR_CS_MAX));
    std::string text(static_cast<std::size_t>(reader.size()), '\0');
    text.resize(reader.read(reinterpret_cast<unsigned char*>(text.data()), text.size()));
    reader.close();
    if (text.size() <= 9) return codec_fail("received config spec is empty");
    std::string kept = XTAR_CS_HEADER;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        if (line.find(" -none") == std::string_view::npos) {
            kept.append(line);
            kept.push_back('\n');
        }
        start = end + 1;
    }
    ByteWriter writer;
    if (!writer.create_private(path)) return codec_fail("cannot write " + path);
    writer.write(kept);
    if (!writer.close()) return codec_fail("write error on " + path);
    return 1;
}

int xtar_file(const std::string& archive, const std::string& unorm, const std::string& config_spec,
              const std::string& pre, const std::string& post, const std::string& dhist, const std::string& nele) {
    const std::array<std::string, 6> outputs{unorm, config_spec, pre, post, dhist, nele};
    return xtar_head(archive, outputs, !codec_path_exists(part_name(archive, 1)));
}

int xtar_part(const std::string& part, bool last_part) {
    ByteReader reader;
    if (!reader.open(part)) return codec_fail("cannot read " + part);
    unsigned char lead[ZEB_FILE_BREAK_LEN];
    if (reader.read(lead, sizeof lead) != sizeof lead || std::memcmp(lead, ZEB_FILE_BREAK, ZEB_FILE_BREAK_LEN) != 0)
        return codec_fail("damaged packet: part " + part + " does not begin with a file break");
    DataFileWriter files(directory_of(part));
    files.begin_file();
    PartSink sink{files};
    if (!scan_rest(reader, sink) || !sink.ok) return 0;
    return files.end(last_part) ? 1 : 0;
}

int xtar_multipart_file(const std::string& archive, const std::string& unorm, const std::string& config_spec,
                        const std::string& pre, const std::string& post, const std::string& dhist,
                        const std::string& nele) {
    const int parts = count_existing_parts(archive);
    if (parts < 0) return codec_fail("packet has more than 127 parts");
    const std::array<std::string, 6> outputs{unorm, config_spec, pre, post, dhist, nele};
    if (!xtar_head(archive, outputs, parts == 0)) return 0;
    codec_remove(archive);
    for (int n = 1; n <= parts; ++n) {
        const std::string part = part_name(archive, n);
        push_extracted_file(part);
        const int ok = xtar_part(part, n == parts);
        codec_remove(part);
        if (!ok) return 0;
    }
    return 1;
}
