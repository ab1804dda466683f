// Throughput of the packet codec stages next to a plain file copy measured
// in the same run, and the peak resident memory of the process.
//
//   bench_codecs_throughput [SIZE_MIB [SCRATCH_DIR [RUNS]]]
//
// SIZE_MIB defaults to 256; the scratch directory defaults to $TMPDIR or
// /tmp and is removed afterwards. With RUNS (default 1) every stage runs
// that many times and the median is reported, which steadies the figures on
// a machine shared with other work. Before each stage the written files are
// synced (untimed, the scratch file system only), so that every stage, the copy included, starts from the
// same state of the page cache. The input mixes source-like text (with
// indentation runs) and binary stretches (random bytes and zero runs).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
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

// User and system CPU seconds of the process so far.
struct CpuTimes {
    double user = 0;
    double sys = 0;
};

CpuTimes cpu_times() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    auto seconds = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
    };
    return {seconds(ru.ru_utime), seconds(ru.ru_stime)};
}

// Wall-clock and CPU seconds of one stage; CPU time stays meaningful on a
// machine shared with other work, and its split shows how much of a stage is
// the codec itself and how much the kernel's file work.
struct Timing {
    double wall = 0;
    double user = 0;
    double sys = 0;
    double cpu() const { return user + sys; }
};

Timing timed(const std::function<bool()>& stage, bool& ok) {
    const CpuTimes c0 = cpu_times();
    const auto t0 = std::chrono::steady_clock::now();
    ok = stage();
    const auto t1 = std::chrono::steady_clock::now();
    const CpuTimes c1 = cpu_times();
    return {std::chrono::duration<double>(t1 - t0).count(), c1.user - c0.user, c1.sys - c0.sys};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
    const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
    if (size_mib == 0 || runs < 1) {
        std::fprintf(stderr, "usage: %s [SIZE_MIB [SCRATCH_DIR [RUNS]]]\n", argv[0]);
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
    // Multipart: 16 data files in parts of a quarter of the input.
    std::vector<std::string> originals;
    std::vector<std::string> files;
    for (int i = 0; i < 16; ++i) {
        originals.push_back(dir + "/original" + std::to_string(i));
        files.push_back(dir + "/data" + std::to_string(i));
        make_input(originals.back(), size / 16, static_cast<std::size_t>(i) + 2);
    }
    set_part_size_limit_for_tests(static_cast<std::int64_t>(size / 4 + MIB));

    const int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct Row {
        const char* stage;
        std::vector<Timing> t;
        bool ok = true;
    };
    std::vector<Row> rows;
    auto run = [&](std::size_t& index, const char* name, const std::function<bool()>& stage) {
        if (rows.size() <= index) rows.push_back({name, {}, true});
        // Every stage starts with the files of the stages before it written
        // out, so that on a disk no stage pays for another's writeback.
        if (dir_fd >= 0) syncfs(dir_fd);
        bool ok = false;
        rows[index].t.push_back(timed(stage, ok));
        rows[index].ok = rows[index].ok && ok;
        ++index;
    };

    // Every round runs every stage once on fresh copies of the same input;
    // the median over the rounds is reported.
    for (int round = 0; round < runs; ++round) {
        std::size_t i = 0;
        run(i, "plain copy", [&] { return plain_copy(input, dir + "/copy"); });
        // The head is always run-encoded; a part of this input is stored.
        plain_copy(input, dir + "/copy2");
        run(i, "compress (head, run form)",
            [&] { return compress_file(dir + "/copy2", dir + "/hz", "v", "p", "-") == 1; });
        run(i, "uncompress (head)", [&] {
            std::string v, p, d;
            return uncompress_file(dir + "/hz", dir + "/hu", v, p, d) == 1;
        });
        std::filesystem::remove(dir + "/hz");
        std::filesystem::remove(dir + "/hu");
        run(i, "compress (part)", [&] { return compress_part(dir + "/copy", dir + "/z") == 1; });
        run(i, "uncompress (part)", [&] { return uncompress_part(dir + "/z", dir + "/u") == 1; });
        run(i, "crypt", [&] { return crypt_file(dir + "/u", dir + "/c") == 1; });
        run(i, "decrypt", [&] { return decrypt_file(dir + "/c", dir + "/d") == 1; });
        for (const char* name : {"/copy", "/z", "/u", "/c", "/d"}) std::filesystem::remove(dir + name);

        for (std::size_t f = 0; f < files.size(); ++f) plain_copy(originals[f], files[f]);
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
        run(i, "multipart split", [&] { return ctar_data_files(head, files) == 1; });
        for (const auto& f : files) std::filesystem::remove(f);
        const std::string out = dir + "/x";
        run(i, "extract", [&] {
            return xtar_multipart_file(head, out + ".unorm", out + ".cs", out + ".pre", out + ".post", out + ".dhist",
                                       out + ".nele") == 1;
        });
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "input" && name.rfind("original", 0) != 0) std::filesystem::remove(entry.path());
        }
    }

    const double mib = static_cast<double>(size) / MIB;
    auto med = [](const Row& r, double (*field)(const Timing&)) {
        std::vector<double> v;
        for (const Timing& t : r.t) v.push_back(field(t));
        return median(v);
    };
    auto wall_of = [](const Timing& t) { return t.wall; };
    auto cpu_of = [](const Timing& t) { return t.cpu(); };
    auto user_of = [](const Timing& t) { return t.user; };
    auto sys_of = [](const Timing& t) { return t.sys; };
    const double copy_wall = med(rows[0], wall_of);
    const double copy_cpu = med(rows[0], cpu_of);
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("input %zu MiB, %d extra parts, median of %d run%s, load average %.2f\n", size_mib,
                static_cast<int>(MULTIPART.XTRA_PACKET_PARTS), runs, runs == 1 ? "" : "s", load[0]);
    std::printf(
        "| stage | MB/s (wall) | x plain copy | MB/s (CPU) | x plain copy | user s | system s |\n"
        "|---|---|---|---|---|---|---|\n");
    bool all_ok = true;
    for (const Row& r : rows) {
        const double wall = med(r, wall_of);
        const double cpu = med(r, cpu_of);
        std::printf("| %s%s | %.0f | %.2f | %.0f | %.2f | %.3f | %.3f |\n", r.stage, r.ok ? "" : " (FAILED)",
                    mib / wall, wall / copy_wall, mib / cpu, cpu / copy_cpu, med(r, user_of), med(r, sys_of));
        all_ok = all_ok && r.ok;
    }
    std::printf("peak RSS: %ld KiB\n", peak_rss_kib());
    if (dir_fd >= 0) close(dir_fd);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return all_ok ? 0 : 1;
}
