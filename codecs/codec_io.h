// Buffered whole-file streams for the packet codecs. Every codec reads and
// writes through large buffers (CODEC_BUFFER_SIZE) so that packets close to
// the file size ceiling stream through in constant memory at disk speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline constexpr std::size_t CODEC_BUFFER_SIZE = std::size_t{1} << 20;

// Reads a file sequentially. get() returns the next byte or -1 at the end of
// the file (and on a read error, which failed() then reports).
class ByteReader {
public:
    ByteReader() = default;
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }
    // Size of the open file from fstat.
    std::int64_t size() const { return size_; }
    bool failed() const { return failed_; }

    int get() {
        if (pos_ == len_ && !refill()) return -1;
        return buf_[pos_++];
    }
    // The bytes still buffered; refills when empty. Empty at the end.
    // consume(n) marks n of them as used.
    const unsigned char* peek(std::size_t& available);
    void consume(std::size_t n) { pos_ += n; }
    // Reads up to n bytes; returns how many were read (less only at the end).
    std::size_t read(unsigned char* dst, std::size_t n);

private:
    bool refill();

    int fd_ = -1;
    std::int64_t size_ = 0;
    bool failed_ = false;
    std::vector<unsigned char> buf_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
};

// Writes a file sequentially through a buffer. A file made by
// create_private or create_unique is written under a fresh name of its own
// (created exclusively, mode 0600, in the target's directory) and appears at
// its name only when close() succeeds; a writer destroyed before that, or
// whose close() fails, leaves nothing behind. A file opened for appending is
// flushed and closed by the destructor.
class ByteWriter {
public:
    ByteWriter() = default;
    ~ByteWriter();
    ByteWriter(const ByteWriter&) = delete;
    ByteWriter& operator=(const ByteWriter&) = delete;

    // Replaces path on close(): whatever lay there (a file, or a symbolic
    // link, which is replaced and never followed) gives way to the complete
    // new file. Refuses a path naming a directory, a device or a FIFO.
    bool create_private(const std::string& path);
    // A new private file with a name of its own beside `beside` (same
    // directory); close() keeps it under that name, which `name` receives.
    bool create_unique(const std::string& beside, std::string& name);
    // Opens an existing regular file for appending (never through a symbolic
    // link) and makes it private, or creates it private when missing.
    bool append_private(const std::string& path);
    // Flushes and finishes the file; false when any byte did not reach it
    // (a created file is then discarded as by abandon()).
    bool close();
    // Gives up the file: a created one is removed together with whatever lay
    // at its name before, so that nothing half-made remains there; a file
    // opened for appending is closed as it is.
    void abandon();
    bool is_open() const { return fd_ >= 0; }
    bool failed() const { return failed_; }

    void put(unsigned char c) {
        if (len_ == buf_.size()) flush();
        buf_[len_++] = c;
    }
    // Room for n bytes (n <= CODEC_BUFFER_SIZE) to fill directly; commit(k)
    // then keeps the first k of them.
    unsigned char* reserve(std::size_t n) {
        if (buf_.size() - len_ < n) flush();
        return buf_.data() + len_;
    }
    void commit(std::size_t n) { len_ += n; }
    void put_run(unsigned char c, std::size_t n) {
        if (buf_.size() - len_ >= n) {
            if (n == 1)
                buf_[len_] = c;
            else
                std::memset(buf_.data() + len_, c, n);
            len_ += n;
            return;
        }
        put_run_slow(c, n);
    }
    void write(const unsigned char* src, std::size_t n);
    void write(const std::string& s) { write(reinterpret_cast<const unsigned char*>(s.data()), s.size()); }
    // Bytes handed to this writer since it was opened.
    std::uint64_t written() const { return written_ + len_; }

private:
    bool open_temp(const std::string& beside);
    void reset_buffer();
    // Removes the created file and whatever lay at its target's name.
    void discard_temp();
    void put_run_slow(unsigned char c, std::size_t n);
    void flush();

    int fd_ = -1;
    std::string temp_;    // the created file's own name, empty when appending
    std::string target_;  // the name close() gives it, empty to keep temp_
    bool failed_ = false;
    std::vector<unsigned char> buf_;
    std::size_t len_ = 0;
    std::uint64_t written_ = 0;
};

// 1 when path names an existing file (stat succeeds).
int codec_path_exists(const std::string& path);
// "%s_%d": the name of part k of a multipart file.
std::string part_name(const std::string& base, int k);
// Removes a regular file or symbolic link; anything else (a missing file,
// a directory, a device) is left alone.
void codec_remove(const std::string& path);
