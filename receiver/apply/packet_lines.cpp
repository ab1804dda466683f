// Streaming record reader and rewindable output of the normaliser.
#include "receiver/apply/packet_lines.h"

#include <unistd.h>

#include <cstring>

#include "codecs/packet_elements.h"

bool PacketLineReader::next_line(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (pos_ == len_) {
            if (eof_) return any;
            len_ = std::fread(buf_.data(), 1, buf_.size(), in_);
            pos_ = 0;
            if (len_ == 0) {
                eof_ = true;
                if (std::ferror(in_)) {
                    failed_ = true;
                    read_error_ = true;
                    return false;
                }
                return any;
            }
        }
        any = true;
        const char* start = buf_.data() + pos_;
        const void* nl = std::memchr(start, '\n', len_ - pos_);
        std::size_t take = nl ? static_cast<const char*>(nl) - start : len_ - pos_;
        if (line.size() + take > LINE_MAX_BYTES) {
            failed_ = true;
            return false;
        }
        line.append(start, take);
        pos_ += take;
        if (nl) {
            ++pos_;
            return true;
        }
    }
}

bool PacketLineReader::next_record(std::string& record, std::size_t& first_line_end) {
    if (failed_ || !next_line(record)) return false;
    first_line_end = record.size();
    ValueLine v;
    if (!parse_value_line(record, v)) return true;
    // Bytes of the value still to come on the following lines.
    long missing = v.length - static_cast<long>(v.value.size());
    std::string more;
    while (missing > 0) {
        if (!next_line(more)) break;
        if (record.size() + 1 + more.size() > RECORD_MAX_BYTES) {
            failed_ = true;
            return false;
        }
        record += '\n';
        record += more;
        missing -= 1 + static_cast<long>(more.size());
    }
    return !failed_;
}

void RewindableOutput::write(std::string_view bytes) {
    if (!ok_) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size()) ok_ = false;
    pos_ += static_cast<off_t>(bytes.size());
}

void RewindableOutput::write_line(std::string_view line) {
    write(line);
    write("\n");
}

void RewindableOutput::rewind_to(off_t position) {
    if (!ok_ || position >= pos_) return;
    if (std::fflush(out_) != 0 || ::ftruncate(fileno(out_), position) != 0 || fseeko(out_, position, SEEK_SET) != 0) {
        ok_ = false;
        return;
    }
    pos_ = position;
}
