#include "shipper/history/packet_streams.h"

#include <cerrno>
#include <cstring>

#include "common/log.h"
#include "common/text_format.h"
#include "shipper/history/history_messages.h"

namespace {
constexpr std::size_t TOC_BLOCK = 1 << 16;
}

HeadFile::~HeadFile() {
    if (file_) std::fclose(file_);
}

bool HeadFile::open(const std::string& path) {
    if (file_) std::fclose(file_);
    path_ = path;
    errno_ = 0;
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) {
        errno_ = errno ? errno : EIO;
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    return true;
}

bool HeadFile::append(std::string_view text) {
    if (!file_ || errno_ != 0) {
        if (errno_ == 0) errno_ = EBADF;
        return false;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        errno_ = errno ? errno : EIO;
        return false;
    }
    return true;
}

bool HeadFile::append_file(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    char block[1 << 16];
    bool ok = true;
    std::size_t n;
    while (ok && (n = std::fread(block, 1, sizeof block, in)) > 0) ok = append(std::string_view(block, n));
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    return ok;
}

bool HeadFile::close() {
    if (!file_) return errno_ == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && errno_ == 0) errno_ = errno ? errno : EIO;
    return errno_ == 0;
}

int portion_failed(int step, const char* portion, const HeadFile& head) {
    log_it('e', fmt_msg(history_msg::MSG_00e, step, portion, head.path().c_str(),
                        std::strerror(head.error() ? head.error() : EIO)));
    return 0;
}

void TocLog::add(std::string_view text) {
    pending_.append(text);
    if (keep_) all_.append(text);
    if (pending_.size() >= TOC_BLOCK) flush();
}

void TocLog::flush() {
    if (pending_.empty()) return;
    log_text('t', pending_);
    pending_.clear();
}
