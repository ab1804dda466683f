#include "packet_tool/tool_files.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "codecs/codec_io.h"
#include "codecs/multipart.h"

namespace {

// Copies the rest of reader into writer and finishes it; a failed copy
// leaves nothing behind.
int copy_into(ByteReader& reader, ByteWriter& writer) {
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = reader.peek(avail);
        if (avail == 0) break;
        writer.write(p, avail);
        reader.consume(avail);
    }
    if (reader.failed()) {
        writer.abandon();
        return 0;
    }
    return writer.close() ? 1 : 0;
}

}  // namespace

int tool_copy_file(const std::string& src, const std::string& dst) {
    ByteReader reader;
    if (!reader.open(src)) return 0;
    ByteWriter writer;
    if (!writer.create_private(dst)) return 0;
    return copy_into(reader, writer);
}

int tool_copy_beside(const std::string& src, const std::string& beside, std::string& copy) {
    ByteReader reader;
    if (!reader.open(src)) return 0;
    ByteWriter writer;
    if (!writer.create_unique(beside, copy)) return 0;
    if (copy_into(reader, writer)) return 1;
    copy.clear();
    return 0;
}

int tool_copy_multipart(const std::string& base, const std::string& dst, std::string& why) {
    const int parts = count_existing_parts(base);
    if (parts < 0) {
        why = base + " has more than 127 parts";
        return -1;
    }
    if (!tool_copy_file(base, dst)) {
        why = "cannot copy " + base;
        return -1;
    }
    for (int k = 1; k <= parts; ++k) {
        if (!tool_copy_file(part_name(base, k), part_name(dst, k))) {
            why = "cannot copy " + part_name(base, k);
            return -1;
        }
    }
    return parts;
}

void tool_remove_packet_files(const std::string& base) {
    codec_remove(base);
    for (int k = 1; k <= MAX_XTRA_PACKET_PARTS; ++k) codec_remove(part_name(base, k));
}

std::string tool_make_temp_dir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vandrel_packet_XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) return {};
    return templ;
}

void tool_remove_tree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

int tool_ensure_dir(const std::string& dir) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return 1;
    std::filesystem::create_directories(dir, ec);
    if (ec) return 0;
    ::chmod(dir.c_str(), 0700);
    return 1;
}
