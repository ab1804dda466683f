#include "codecs/codec_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ByteReader::~ByteReader() {
    close();
}

bool ByteReader::open(const std::string& path) {
    close();
    failed_ = false;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    size_ = st.st_size;
    if (buf_.size() != CODEC_BUFFER_SIZE) buf_.resize(CODEC_BUFFER_SIZE);
    pos_ = len_ = 0;
    return true;
}

void ByteReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pos_ = len_ = 0;
}

bool ByteReader::refill() {
    if (fd_ < 0) return false;
    pos_ = len_ = 0;
    for (;;) {
        ssize_t n = ::read(fd_, buf_.data(), buf_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed_ = true;
        if (n <= 0) return false;
        len_ = static_cast<std::size_t>(n);
        return true;
    }
}

const unsigned char* ByteReader::peek(std::size_t& available) {
    if (pos_ == len_ && !refill()) {
        available = 0;
        return nullptr;
    }
    available = len_ - pos_;
    return buf_.data() + pos_;
}

std::size_t ByteReader::read(unsigned char* dst, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        std::size_t avail = 0;
        const unsigned char* p = peek(avail);
        if (avail == 0) break;
        std::size_t take = std::min(avail, n - done);
        std::memcpy(dst + done, p, take);
        consume(take);
        done += take;
    }
    return done;
}

ByteWriter::~ByteWriter() {
    if (fd_ >= 0) {
        flush();
        ::close(fd_);
    }
}

bool ByteWriter::open_with(const std::string& path, int flags) {
    if (fd_ >= 0) close();
    failed_ = false;
    len_ = 0;
    written_ = 0;
    // Outputs are regular files: never block on a FIFO or change the mode
    // of a device such as /dev/null.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    // Never through a symbolic link: outputs are written into directories
    // that others can write to (a receiving directory), where a planted link
    // would otherwise redirect the output onto any file.
    fd_ = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return false;
    // An existing file keeps its mode on open: make it private explicitly.
    if (fchmod(fd_, 0600) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    if (buf_.size() != CODEC_BUFFER_SIZE) buf_.resize(CODEC_BUFFER_SIZE);
    return true;
}

bool ByteWriter::create_private(const std::string& path) {
    return open_with(path, O_TRUNC);
}

bool ByteWriter::append_private(const std::string& path) {
    return open_with(path, O_APPEND);
}

void ByteWriter::flush() {
    std::size_t off = 0;
    while (off < len_ && !failed_) {
        ssize_t n = ::write(fd_, buf_.data() + off, len_ - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        off += static_cast<std::size_t>(n);
    }
    written_ += len_;
    len_ = 0;
}

void ByteWriter::put_run_slow(unsigned char c, std::size_t n) {
    while (n > 0) {
        if (len_ == buf_.size()) flush();
        std::size_t take = std::min(n, buf_.size() - len_);
        std::memset(buf_.data() + len_, c, take);
        len_ += take;
        n -= take;
    }
}

void ByteWriter::write(const unsigned char* src, std::size_t n) {
    if (n >= buf_.size()) {
        flush();
        std::size_t off = 0;
        while (off < n && !failed_) {
            ssize_t w = ::write(fd_, src + off, n - off);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                failed_ = true;
                break;
            }
            off += static_cast<std::size_t>(w);
        }
        written_ += n;
        return;
    }
    if (len_ + n > buf_.size()) flush();
    std::memcpy(buf_.data() + len_, src, n);
    len_ += n;
}

bool ByteWriter::close() {
    if (fd_ < 0) return !failed_;
    flush();
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
}

int codec_path_exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? 1 : 0;
}

std::string part_name(const std::string& base, int k) {
    return base + "_" + std::to_string(k);
}

void codec_remove(const std::string& path) {
    // Only files (or links) are removed: a device or FIFO given as an output
    // name, such as /dev/null, must survive.
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) ::unlink(path.c_str());
}
