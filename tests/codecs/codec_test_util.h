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
#include <vector>

#include <gtest/gtest.h>

#include "../support/scratch_dir.h"
#include "codecs/wide_path.h"

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

// A small generator whose sequence is the same with every compiler and
// library, so that content made from it can be pinned by digests.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number in [0, n).
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    char byte() { return static_cast<char>(next() & 0xFF); }

private:
    std::uint64_t state_;
};

// Turns the codecs' wide path back on when a test that switched it ends,
// also when an assertion ends the test early.
struct WidePathRestorer {
    WidePathRestorer() = default;
    WidePathRestorer(const WidePathRestorer&) = delete;
    WidePathRestorer& operator=(const WidePathRestorer&) = delete;
    ~WidePathRestorer() { set_wide_codec_path_for_tests(true); }
};

struct CorpusCase {
    std::string name;
    std::string content;
};

// Inputs that reach every path of a byte codec working through large
// buffers and several bytes at a time: tiny sizes around word widths, runs
// of every length near the 100-byte pair limit, text, binary, zero stretches,
// near break-even content for the part form, and files that cross the 1 MiB
// read buffer with runs and single bytes on its edge.
inline std::vector<CorpusCase> codec_corpus() {
    const std::size_t mib = std::size_t{1} << 20;
    SplitMix rng(20261210);
    auto random_bytes = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s.push_back(rng.byte());
        return s;
    };
    auto runs = [&](std::size_t n) {
        static const std::size_t lengths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 99, 100, 101, 199, 200, 201, 250};
        std::string s;
        char value = 0;
        while (s.size() < n) {
            const std::size_t len = rng.below(3) == 0 ? 1 + rng.below(300) : lengths[rng.below(16)];
            // Now and then the same value again, so that runs meet.
            if (rng.below(5) != 0) value = rng.byte();
            s.append(len, value);
        }
        s.resize(n);
        return s;
    };
    auto text = [&](std::size_t n) {
        static const char* const lines[] = {
            "#include <stdio.h>\n",
            "static int frobnicate(struct widget *w, const char *name)\n",
            "{\n",
            "    if (w == NULL || name == NULL)\n",
            "        return -1;\n",
            "\t\tfor (i = 0; i < w->count; ++i) {\n",
            "            total += w->items[i].weight * factor;\n",
            "element * /main/LATEST\r\n",
            "\n\n\n",
            "}\n",
        };
        std::string s;
        while (s.size() < n) s += lines[rng.below(10)];
        s.resize(n);
        return s;
    };
    auto mixed = [&](std::size_t n) {
        std::string s;
        while (s.size() < n) {
            switch (rng.below(4)) {
                case 0:
                    s += text(1 + rng.below(3000));
                    break;
                case 1:
                    s += random_bytes(1 + rng.below(3000));
                    break;
                case 2:
                    s.append(1 + rng.below(2000), '\0');
                    break;
                default:
                    s += runs(1 + rng.below(3000));
            }
        }
        s.resize(n);
        return s;
    };
    // Two letters in short runs: the run form is about as large as the input.
    auto break_even = [&](std::size_t n) {
        std::string s;
        while (s.size() < n) s.append(1 + rng.below(3), static_cast<char>('a' + rng.below(2)));
        s.resize(n);
        return s;
    };
    std::string all_values;
    for (int i = 0; i < 256 * 3; ++i) all_values.push_back(static_cast<char>(i % 256));
    std::string edge_run = mixed(mib - 150);
    edge_run.append(300, 'z');
    edge_run += mixed(5000);
    std::string edge_singles = runs(mib - 40);
    edge_singles += random_bytes(80);
    edge_singles += runs(3000);
    std::string edge_exact = random_bytes(mib - 100);
    edge_exact.append(100, '\x01');
    edge_exact += random_bytes(33);

    std::vector<CorpusCase> corpus = {
        {"empty", ""},
        {"one byte", "Q"},
        {"two equal", "QQ"},
    };
    for (std::size_t n : {7u, 8u, 9u, 15u, 16u, 17u, 31u, 33u})
        corpus.push_back({"random " + std::to_string(n), random_bytes(n)});
    for (std::size_t n : {1u, 99u, 100u, 101u, 200u, 201u, 1000u})
        corpus.push_back({"run " + std::to_string(n), std::string(n, '\xAB')});
    corpus.push_back({"runs", runs(200000)});
    corpus.push_back({"text", text(100000)});
    corpus.push_back({"binary", random_bytes(70000)});
    corpus.push_back({"all byte values", all_values});
    corpus.push_back({"break even", break_even(5000)});
    corpus.push_back({"mixed", mixed(300000)});
    corpus.push_back({"run across the buffer edge", edge_run});
    corpus.push_back({"singles across the buffer edge", edge_singles});
    corpus.push_back({"run ending at the buffer edge", edge_exact});
    corpus.push_back({"mixed over two buffers", mixed(2 * mib + 37)});
    return corpus;
}

}  // namespace codec_test
