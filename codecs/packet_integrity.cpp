#include "codecs/packet_integrity.h"

#include "codecs/multipart.h"
#include "common/sha256.h"

#include <sys/stat.h>

#include <charconv>
#include <vector>

namespace {

constexpr std::string_view LINE_WORD = "sha256";

std::string part_name(const std::string& data_file, int part) {
    return part == 0 ? data_file : data_file + "_" + std::to_string(part);
}

bool present(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The words of the first line of `text` that starts with "sha256 ".
bool find_line(std::string_view text, std::vector<std::string_view>& words) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > LINE_WORD.size() && line.substr(0, LINE_WORD.size()) == LINE_WORD &&
            line[LINE_WORD.size()] == ' ') {
            words.clear();
            std::size_t w = 0;
            while (w < line.size()) {
                while (w < line.size() && line[w] == ' ') ++w;
                std::size_t e = w;
                while (e < line.size() && line[e] != ' ') ++e;
                if (e > w) words.push_back(line.substr(w, e - w));
                w = e;
            }
            return true;
        }
        pos = end + 1;
    }
    return false;
}

// N of a found line's words, or -1.
int part_count_of(const std::vector<std::string_view>& words) {
    if (words.size() < 2) return -1;
    int extra_parts = -1;
    const std::string_view count = words[1];
    const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), extra_parts);
    if (ec != std::errc() || end != count.data() + count.size() || extra_parts < 0) return -1;
    return extra_parts;
}

}  // namespace

int integrity_part_count(std::string_view trailer_text) {
    std::vector<std::string_view> words;
    return find_line(trailer_text, words) ? part_count_of(words) : -1;
}

bool make_packet_integrity_line(const std::string& data_file, int extra_parts, std::string& line, std::string& error) {
    line.clear();
    if (extra_parts < 0 || extra_parts > MAX_XTRA_PACKET_PARTS) {
        error = "the packet has " + std::to_string(extra_parts) + " extra parts";
        return false;
    }
    std::string text = std::string(LINE_WORD) + " " + std::to_string(extra_parts);
    for (int part = 0; part <= extra_parts; ++part) {
        std::string digest;
        const std::string name = part_name(data_file, part);
        if (!sha256_file(name, digest)) {
            error = "cannot read " + name;
            return false;
        }
        text += " " + digest;
    }
    line = std::move(text);
    return true;
}

PacketIntegrity check_packet_integrity(std::string_view trailer_text, const std::string& data_file,
                                       std::string& detail) {
    detail.clear();
    std::vector<std::string_view> words;
    if (!find_line(trailer_text, words)) return PacketIntegrity::Absent;
    const int extra_parts = part_count_of(words);
    if (extra_parts < 0 || extra_parts > MAX_XTRA_PACKET_PARTS ||
        words.size() != static_cast<std::size_t>(extra_parts) + 3) {
        detail = "the trailer's integrity line is malformed";
        return PacketIntegrity::Damaged;
    }
    for (int part = 0; part <= extra_parts; ++part) {
        const std::string_view expected = words[static_cast<std::size_t>(part) + 2];
        if (!is_sha256_hex(expected)) {
            detail = "the trailer's integrity line is malformed";
            return PacketIntegrity::Damaged;
        }
        const std::string name = part_name(data_file, part);
        std::string digest;
        if (!present(name) || !sha256_file(name, digest)) {
            detail = "packet file " + name + " is missing";
            return PacketIntegrity::Damaged;
        }
        if (digest != expected) {
            detail = "packet file " + name + " does not match the digest it was sent with";
            return PacketIntegrity::Damaged;
        }
    }
    const std::string stray = part_name(data_file, extra_parts + 1);
    if (present(stray)) {
        detail = "packet file " + stray + " was not part of the packet as sent";
        return PacketIntegrity::Damaged;
    }
    return PacketIntegrity::Whole;
}
