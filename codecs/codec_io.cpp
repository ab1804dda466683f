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
    // Opened without blocking, so that a FIFO planted under an input's name
    // is refused at once instead of waiting for a writer for ever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return false;
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
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
    if (fd_ < 0) return;
    if (!temp_.empty()) {
        abandon();
        return;
    }
    flush();
    ::close(fd_);
}

namespace {

// Longest part of the target's name kept in the name of its temporary file,
// so that the temporary name stays within the limit of a file name.
constexpr std::size_t TEMP_NAME_KEEP = 200;

// Outputs are regular files (or names still free): never block on a FIFO,
// write into a directory's place or touch a device such as /dev/null. A
// symbolic link is acceptable as a name to replace.
bool replaceable(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
}

}  // namespace

void ByteWriter::reset_buffer() {
    failed_ = false;
    len_ = 0;
    written_ = 0;
    if (buf_.size() != CODEC_BUFFER_SIZE) buf_.resize(CODEC_BUFFER_SIZE);
}

bool ByteWriter::open_temp(const std::string& beside) {
    if (fd_ >= 0) close();
    const std::size_t slash = beside.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : beside.substr(0, slash + 1);
    const std::string base = beside.substr(dir.size());
    if (base.empty()) return false;
    // Hidden, and with a random ending, so that no pattern that looks for a
    // packet's files takes it for one of them.
    std::string templ = dir + "." + base.substr(0, TEMP_NAME_KEEP) + ".XXXXXX";
    fd_ = mkostemp(templ.data(), O_CLOEXEC);
    if (fd_ < 0) return false;
    temp_ = templ;
    target_.clear();
    reset_buffer();
    return true;
}

bool ByteWriter::create_private(const std::string& path) {
    if (fd_ >= 0) close();
    if (!replaceable(path)) return false;
    if (!open_temp(path)) return false;
    target_ = path;
    return true;
}

bool ByteWriter::create_unique(const std::string& beside, std::string& name) {
    if (!open_temp(beside)) return false;
    name = temp_;
    return true;
}

bool ByteWriter::append_private(const std::string& path) {
    if (fd_ >= 0) close();
    if (!replaceable(path)) return false;
    // O_NOFOLLOW refuses a link at the name; O_NONBLOCK keeps a FIFO from
    // blocking the open, and fstat then refuses anything but a regular file.
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd_ < 0) return false;
    struct stat st {};
    // An existing file keeps its mode on open: make it private explicitly.
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || fchmod(fd_, 0600) != 0 || fcntl(fd_, F_SETFL, O_APPEND) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    temp_.clear();
    target_.clear();
    reset_buffer();
    return true;
}

void ByteWriter::abandon() {
    if (fd_ < 0) return;
    if (temp_.empty()) {
        close();
        return;
    }
    ::close(fd_);
    fd_ = -1;
    len_ = 0;
    failed_ = true;
    discard_temp();
}

void ByteWriter::discard_temp() {
    ::unlink(temp_.c_str());
    if (!target_.empty()) codec_remove(target_);
    temp_.clear();
    target_.clear();
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
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) failed_ = true;
    if (temp_.empty()) return !failed_;
    // rename replaces a link at the target itself, never its target.
    if (!failed_ && !target_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) failed_ = true;
    if (failed_) {
        discard_temp();
    } else {
        temp_.clear();
        target_.clear();
    }
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
