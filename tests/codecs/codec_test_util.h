// Random content and byte helpers for the codec tests (scratch folders and
// whole-file helpers come from the shared test support).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../support/scratch_dir.h"

namespace codec_test {

using ::exists;
using ::read_file;
using ::ScratchDir;
using ::write_file;

inline std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// Random content with long runs, text and binary stretches, and pieces of
// the file-break marker (never the whole marker unless allow_marker).
inline std::string random_content(std::mt19937& rng, std::size_t size, bool allow_marker = false) {
    static const std::string marker = "+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+";
    std::string s;
    s.reserve(size + 300);
    std::uniform_int_distribution<int> kind(0, 9), byte(0, 255), len(1, 300);
    while (s.size() < size) {
        switch (kind(rng)) {
            case 0:
            case 1:
                s.append(static_cast<std::size_t>(len(rng)), static_cast<char>(byte(rng)));
                break;
            case 2:
                s.append(marker.substr(0, static_cast<std::size_t>(len(rng)) % 32));
                if (!s.empty() && s.back() == '+') s.push_back('x');
                break;
            case 3:
                if (allow_marker) s.append(marker);
                break;
            case 4:
            case 5:
                s.append("element * /main/LATEST\nint main() { return 0; }\n");
                break;
            default:
                for (int i = len(rng); i > 0; --i) s.push_back(static_cast<char>(byte(rng)));
        }
    }
    s.resize(size);
    if (!allow_marker) {
        // Pieces may join into a whole marker; break every one, and a
        // trailing first 31 characters, which the next marker would complete.
        for (std::size_t hit = s.find(marker); hit != std::string::npos; hit = s.find(marker, hit)) s[hit + 4] = 'Q';
        if (s.size() >= 31 && s.compare(s.size() - 31, 31, marker, 0, 31) == 0) s.back() = 'Q';
    }
    return s;
}

}  // namespace codec_test
