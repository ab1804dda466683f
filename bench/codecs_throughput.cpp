// Throughput of the packet codec stages next to a plain file copy measured
// in the same run, and the peak resident memory of the process.
//
//   bench_codecs_throughput [SIZE_MIB [SCRATCH_DIR]]
//
// SIZE_MIB defaults to 256; the scratch directory defaults to $TMPDIR or
// /tmp and is removed afterwards. The input mixes source-like text (with
// indentation runs) and binary stretches (random bytes and zero runs).
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "codecs/codec_io.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/extract.h"
#include "codecs/file_break.h"
#include "codecs/multipart.h"

namespace {

constexpr std::size_t MIB = std::size_t{1} << 20;

const char* const SOURCE_LINES[] = {
    "#include <stdio.h>\n",
    "static int frobnicate(struct widget *w, const char *name)\n",
    "{\n",
    "    if (w == NULL || name == NULL)\n",
    "        return -1;\n",
    "        for (i = 0; i < w->count; ++i) {\n",
    "            total += w->items[i].weight * factor;\n",
    "        }\n",
    "    /* keep the list sorted by name so lookups stay logarithmic */\n",
    "}\n",
    "\n",
};

// Writes size bytes of mixed content, one buffer at a time.
void make_input(const std::string& path, std::size_t size, std::size_t piece_seed) {
    std::mt19937 rng(static_cast<unsigned>(piece_seed));
    ByteWriter out;
    out.create_private(path);
    std::vector<unsigned char> block(MIB);
    std::size_t written = 0;
    while (written < size) {
        std::size_t n = 0;
        while (n < block.size()) {
            const int kind = static_cast<int>(rng() % 10);
            if (kind < 6) {  // source text
                for (int l = 0; l < 40 && n < block.size(); ++l) {
                    const char* line = SOURCE_LINES[rng() % (sizeof SOURCE_LINES / sizeof *SOURCE_LINES)];
                    for (const char* c = line; *c && n < block.size(); ++c) block[n++] = static_cast<unsigned char>(*c);
                }
            } else if (kind < 8) {  // random binary
                for (int i = 0; i < 2048 && n < block.size(); ++i) block[n++] = static_cast<unsigned char>(rng());
            } else {  // zero runs, as in object files
                for (int i = 0; i < 1500 && n < block.size(); ++i) block[n++] = 0;
            }
        }
        const std::size_t take = std::min(block.size(), size - written);
        out.write(block.data(), take);
        written += take;
    }
    out.close();
}

double cpu_seconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and CPU seconds of one stage; CPU time stays meaningful on a
// machine shared with other work.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing timed(const std::function<bool()>& stage, bool& ok) {
    const double c0 = cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    ok = stage();
    const auto t1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), cpu_seconds() - c0};
}

bool plain_copy(const std::string& src, const std::string& dst) {
    ByteReader in;
    ByteWriter out;
    if (!in.open(src) || !out.create_private(dst)) return false;
    for (;;) {
        std::size_t avail = 0;
        const unsigned char* p = in.peek(avail);
        if (avail == 0) break;
        out.write(p, avail);
        in.consume(avail);
    }
    return out.close() && !in.failed();
}

long peak_rss_kib() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t size_mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    if (size_mib == 0) {
        std::fprintf(stderr, "usage: %s [SIZE_MIB [SCRATCH_DIR]]\n", argv[0]);
        return 2;
    }
    const char* tmp = argc > 2 ? argv[2] : std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vandrel_bench_XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::size_t size = size_mib * MIB;
    const std::string input = dir + "/input";
    make_input(input, size, 1);

    struct Row {
        const char* stage;
        Timing t;
        bool ok;
    };
    std::vector<Row> rows;
    auto run = [&](const char* name, const std::function<bool()>& stage) {
        bool ok = false;
        const Timing t = timed(stage, ok);
        rows.push_back({name, t, ok});
    };

    run("plain copy", [&] { return plain_copy(input, dir + "/copy"); });
    // The head is always run-encoded; a part of this input is stored.
    plain_copy(input, dir + "/copy2");
    run("compress (head, run form)", [&] { return compress_file(dir + "/copy2", dir + "/hz", "v", "p", "-") == 1; });
    run("uncompress (head)", [&] {
        std::string v, p, d;
        return uncompress_file(dir + "/hz", dir + "/hu", v, p, d) == 1;
    });
    std::filesystem::remove(dir + "/hz");
    std::filesystem::remove(dir + "/hu");
    run("compress (part)", [&] { return compress_part(dir + "/copy", dir + "/z") == 1; });
    run("uncompress (part)", [&] { return uncompress_part(dir + "/z", dir + "/u") == 1; });
    run("crypt", [&] { return crypt_file(dir + "/u", dir + "/c") == 1; });
    run("decrypt", [&] { return decrypt_file(dir + "/c", dir + "/d") == 1; });
    std::filesystem::remove(dir + "/z");
    std::filesystem::remove(dir + "/u");
    std::filesystem::remove(dir + "/c");

    // Multipart: 16 data files in parts of a quarter of the input.
    std::vector<std::string> files;
    for (int i = 0; i < 16; ++i) {
        files.push_back(dir + "/data" + std::to_string(i));
        make_input(files.back(), size / 16, static_cast<std::size_t>(i) + 2);
    }
    std::filesystem::remove(dir + "/copy");
    std::filesystem::remove(dir + "/d");
    set_part_size_limit_for_tests(static_cast<std::int64_t>(size / 4 + MIB));
    const std::string head = dir + "/packet.xtar";
    {
        ByteWriter w;
        w.create_private(head);
        const std::string sections = std::string("ELEMENT_BEGIN\n") + ZEB_FILE_BREAK + "element * /main/LATEST\n" +
                                     ZEB_FILE_BREAK + "l:west;" + ZEB_FILE_BREAK + "POST>" + ZEB_FILE_BREAK +
                                     "DESTROY>" + ZEB_FILE_BREAK + "" + ZEB_FILE_BREAK + ZEB_FILE_BREAK;
        w.write(sections);
        w.close();
    }
    run("multipart split", [&] { return ctar_data_files(head, files) == 1; });
    for (const auto& f : files) std::filesystem::remove(f);
    const std::string out = dir + "/x";
    run("extract", [&] {
        return xtar_multipart_file(head, out + ".unorm", out + ".cs", out + ".pre", out + ".post", out + ".dhist",
                                   out + ".nele") == 1;
    });

    const double mib = static_cast<double>(size) / MIB;
    const double copy_wall = mib / rows[0].t.wall;
    const double copy_cpu = mib / rows[0].t.cpu;
    std::printf("input %zu MiB, %d extra parts\n", size_mib, static_cast<int>(MULTIPART.XTRA_PACKET_PARTS));
    std::printf("| stage | MB/s (wall) | x plain copy | MB/s (CPU) | x plain copy |\n|---|---|---|---|---|\n");
    bool all_ok = true;
    for (const Row& r : rows) {
        const double wall = mib / r.t.wall;
        const double cpu = mib / r.t.cpu;
        std::printf("| %s%s | %.0f | %.2f | %.0f | %.2f |\n", r.stage, r.ok ? "" : " (FAILED)", wall, copy_wall / wall,
                    cpu, copy_cpu / cpu);
        all_ok = all_ok && r.ok;
    }
    std::printf("peak RSS: %ld KiB\n", peak_rss_kib());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return all_ok ? 0 : 1;
}
