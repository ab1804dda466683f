#include "codecs/file_break.h"

#include <string.h>

std::string build_zeb_file_break() {
    return std::string(ZEB_FILE_BREAK_LEFT) + ZEB_FILE_BREAK_MIDDLE + ZEB_FILE_BREAK_RIGHT;
}

namespace file_break_detail {

const unsigned char* find_marker(const unsigned char* p, std::size_t n) {
    if (n < ZEB_FILE_BREAK_LEN) return nullptr;
    return static_cast<const unsigned char*>(memmem(p, n, ZEB_FILE_BREAK, ZEB_FILE_BREAK_LEN));
}

std::size_t marker_prefix_suffix(const unsigned char* p, std::size_t n) {
    std::size_t len = n < ZEB_FILE_BREAK_LEN - 1 ? n : ZEB_FILE_BREAK_LEN - 1;
    for (; len > 0; --len)
        if (std::memcmp(p + n - len, ZEB_FILE_BREAK, len) == 0) return len;
    return 0;
}

}  // namespace file_break_detail
