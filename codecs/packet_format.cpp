// Packet content format: shared helpers (see packet_format.h).
#include "codecs/packet_format.h"

#include <cstdio>

std::string data_file_name(long number) {
    char name[32];
    std::snprintf(name, sizeof name, "zeb.%04ld", number);
    return name;
}

bool packet_path_stays_inside(std::string_view path) {
    if (path.empty()) return false;
    if (path.front() == '/' || path.front() == '\\') return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view component = path.substr(start, end - start);
        if (component == "..") return false;
        start = end + 1;
    }
    return path.find_first_of(std::string_view("\0\n\r", 3)) == std::string_view::npos;
}
