// The file-break marker that separates the files inside packet files, and a
// streaming scanner that finds every occurrence of it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

inline constexpr char ZEB_FILE_BREAK_LEFT[] = "+=_=#ZEB-";
inline constexpr char ZEB_FILE_BREAK_MIDDLE[] = "=_+F.I.L.E+=-";
inline constexpr char ZEB_FILE_BREAK_RIGHT[] = "BREAK#=_=+";
inline constexpr char ZEB_FILE_BREAK[] = "+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+";
inline constexpr std::size_t ZEB_FILE_BREAK_LEN = 32;
static_assert(sizeof(ZEB_FILE_BREAK) - 1 == ZEB_FILE_BREAK_LEN);
// Room planned per marker when the size of a part is worked out.
inline constexpr std::size_t ZEB_FILE_BREAK_SIZE_PLUS_SAFETY_NET = 45;
// The data file that stands for every empty version content.
inline constexpr char ZEB_EMPTY_FILE[] = "zeb.0000";

// The marker assembled from its three parts, as every program that reads or
// writes packets builds it at start-up.
std::string build_zeb_file_break();

// Splits a byte stream fed in chunks of any size into data and markers. The
// sink gets data(p, n) for every run of bytes that is not part of a marker
// and marker() for every marker, in stream order. Every marker is found,
// including one that starts inside a partly matched sequence and one that
// spans chunk boundaries; bytes that may still begin a marker are held back
// until the next chunk (at most 31) and handed out by finish().
class MarkerScanner {
public:
    template <typename Sink>
    void feed(const unsigned char* p, std::size_t n, Sink& sink);
    template <typename Sink>
    void finish(Sink& sink) {
        if (held_len_ > 0) sink.data(held_, held_len_);
        held_len_ = 0;
    }
    void reset() { held_len_ = 0; }
    // How many bytes are held back as a possible start of a marker.
    std::size_t held() const { return held_len_; }

private:
    template <typename Sink>
    void scan(const unsigned char* p, std::size_t n, Sink& sink);

    unsigned char held_[ZEB_FILE_BREAK_LEN * 2] = {};
    std::size_t held_len_ = 0;
};

namespace file_break_detail {
const unsigned char* find_marker(const unsigned char* p, std::size_t n);
// Length of the longest suffix of p[0..n) that is a proper prefix of the marker.
std::size_t marker_prefix_suffix(const unsigned char* p, std::size_t n);
}  // namespace file_break_detail

template <typename Sink>
void MarkerScanner::scan(const unsigned char* p, std::size_t n, Sink& sink) {
    using namespace file_break_detail;
    std::size_t off = 0;
    while (off < n) {
        const unsigned char* hit = find_marker(p + off, n - off);
        if (hit == nullptr) break;
        const std::size_t at = static_cast<std::size_t>(hit - p);
        if (at > off) sink.data(p + off, at - off);
        sink.marker();
        off = at + ZEB_FILE_BREAK_LEN;
    }
    const std::size_t keep = marker_prefix_suffix(p + off, n - off);
    if (n - off > keep) sink.data(p + off, n - off - keep);
    std::memcpy(held_, p + n - keep, keep);
    held_len_ = keep;
}

template <typename Sink>
void MarkerScanner::feed(const unsigned char* p, std::size_t n, Sink& sink) {
    using namespace file_break_detail;
    if (n == 0) return;
    if (held_len_ == 0) {
        scan(p, n, sink);
        return;
    }
    if (n < ZEB_FILE_BREAK_LEN) {
        // Short chunk: join it to the held bytes and scan the whole.
        unsigned char joined[ZEB_FILE_BREAK_LEN * 2];
        std::memcpy(joined, held_, held_len_);
        std::memcpy(joined + held_len_, p, n);
        const std::size_t len = held_len_ + n;
        held_len_ = 0;
        scan(joined, len, sink);
        return;
    }
    // A marker that starts in the held bytes ends within the first 31 bytes
    // of this chunk: look for it in held + that window.
    unsigned char window[ZEB_FILE_BREAK_LEN * 2];
    std::memcpy(window, held_, held_len_);
    std::memcpy(window + held_len_, p, ZEB_FILE_BREAK_LEN - 1);
    const std::size_t held = held_len_;
    held_len_ = 0;
    const unsigned char* hit = find_marker(window, held + ZEB_FILE_BREAK_LEN - 1);
    const std::size_t at = hit ? static_cast<std::size_t>(hit - window) : held;
    if (at < held) {
        if (at > 0) sink.data(window, at);
        sink.marker();
        const std::size_t skip = at + ZEB_FILE_BREAK_LEN - held;
        scan(p + skip, n - skip, sink);
    } else {
        sink.data(window, held);
        scan(p, n, sink);
    }
}
