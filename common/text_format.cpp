#include "common/text_format.h"

#include <cstdio>

std::string vfmt_msg(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string fmt_msg(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vfmt_msg(fmt, args);
    va_end(args);
    return out;
}
