// printf-style formatting into a std::string, used to fill message formats.
#pragma once

#include <cstdarg>
#include <string>

std::string fmt_msg(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vfmt_msg(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
