// Figures for the shipper's history passes and conversion: the time and the
// peak memory of turning an export of N versions into a packet, for growing
// N and for large version contents. Needs VOBs and views:
//   build/clearcase/bin/ccsandbox build/bin/bench_history_conversion
// Each case runs in its own child process, so each peak is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/multipart.h"
#include "codecs/packet_elements.h"
#include "common/command.h"
#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "shipper/history/conversion.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/pass/pass_services.h"

namespace {

constexpr char VOB[] = "/vobs/bench";
constexpr char VIEW[] = "bench";
constexpr int VERSIONS_PER_ELEMENT = 5;
constexpr int DIRS = 100;

struct Case {
    long versions;
    long content_bytes;
};

// Writes the contents and the export text naming them. Every second version
// repeats its predecessor's bytes (one data file for both). The contents lie
// in a plain folder below the sandbox's /view, named by a view-path
// "ExportFromDir" (as a deployment's is), since the view itself keeps only
// what its VOB holds.
void generate(const std::string& work, const std::string& group, const Case& c) {
    const std::string root = "/view/bench_contents/" + group;
    std::ofstream out(work + "/p.crx", std::ios::binary);
    out << format_value_line("ExportFromDir", root);
    out << "BRTYPE_BEGIN\n" << format_value_line("BrType", "main") << "TypeScope 8:ordinary\nBRTYPE_END\n";
    out << "LBTYPE_BEGIN\n" << format_value_line("LbType", "REL") << "TypeScope 8:ordinary\nLBTYPE_END\n";
    out << "DIR_BEGIN\nDirName 1:.\nDIR_END\n";
    for (int d = 0; d < DIRS; ++d) {
        std::filesystem::create_directories(root + "/d" + std::to_string(d));
        out << "DIR_BEGIN\n" << format_value_line("DirName", "d" + std::to_string(d)) << "DIR_END\n";
    }
    std::string content(static_cast<std::size_t>(c.content_bytes), 'x');
    const long elements = c.versions / VERSIONS_PER_ELEMENT;
    for (long e = 0; e < elements; ++e) {
        const std::string name = "d" + std::to_string(e % DIRS) + "/e" + std::to_string(e) + ".c";
        out << "ELEMENT_BEGIN\n" << format_value_line("Name", name) << "ElType 9:text_file\n";
        for (int v = 2; v < 2 + VERSIONS_PER_ELEMENT; ++v) {
            const std::string vid = "/main/" + std::to_string(v);
            if (v % 2 == 0) {
                const std::string stamp = std::to_string(e) + ":" + std::to_string(v);
                content.replace(0, stamp.size(), stamp);
            }
            std::filesystem::create_directories(root + "/" + name + "@@/main");
            std::ofstream(root + "/" + name + "@@" + vid, std::ios::binary) << content;
            out << "VERSION_BEGIN\n"
                << format_value_line("VersionId", vid) << "OnBranch 4:main\n"
                << (v == 3 ? "Label 3:REL\n" : "") << format_value_line("ExtractFile", name + "@@" + vid)
                << "VERSION_END\n";
        }
        out << "ELEMENT_END\n";
    }
}

std::string read_log(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double convert_once(const std::string& work) {
    METADATA_SELECTION.BRANCHES.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.BRANCHES.patterns = {"tmp*"};
    METADATA_SELECTION.LABELS.designator = DESIGNATOR_EXCLUDE;
    METADATA_SELECTION.LABELS.patterns = {"X*"};
    std::ofstream(work + "/1.cs") << "element * CHECKEDOUT\nelement * /main/LATEST\n";
    ConversionRequest rq;
    rq.export_path = work + "/p.crx";
    rq.head_path = work + "/p.crxi";
    rq.nele_path = work + "/p.nele";
    rq.config_spec_path = work + "/1.cs";
    rq.destruction_path = work + "/none";
    rq.tmp_dir = work;
    rq.vob_tag = VOB;
    rq.repl_dir = VOB;
    rq.orig_portion = ".";
    rq.view_tag = VIEW;
    rq.view_path = std::string("/view/") + VIEW + rq.repl_dir;
    rq.location = "r";
    rq.bay_dir = "/depot/m_bay/r";
    rq.requires_post_label_processing = true;
    rq.requires_destructive_commands_processing = true;
    rq.do_lshistory = false;
    LOG_FILES.LOG_FILE = work + "/log.txt";
    const auto start = std::chrono::steady_clock::now();
    // The passes as the shipping pass runs them, then the conversion.
    MetadataFailure failure;
    bool ok = pass_metadata_passes(rq.export_path, failure) && convert_file(rq);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "conversion failed:\n%s\n", read_log(work + "/log.txt").c_str());
        std::exit(1);
    }
    return seconds;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/bench_history_XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string work = pattern;
    if (Command(CLEARTOOL).args("mkvob", "-tag", VOB, "-nc", work + "/vob.vbs").trash_all().run() != 0 ||
        Command(CLEARTOOL).args("mkview", "-tag", VIEW, work + "/view.vws").trash_all().run() != 0) {
        std::fprintf(stderr, "cannot make a VOB and a view: run inside ccsandbox\n");
        return 1;
    }
    const Case cases[] = {{10000, 64}, {100000, 64}, {50, 4 << 20}};
    std::printf("%10s %12s %10s %12s %14s\n", "versions", "content B", "seconds", "parts", "peak RSS KiB");
    int n = 0;
    for (const Case& c : cases) {
        const std::string group = "g" + std::to_string(++n);
        const std::string dir = work + "/" + group;
        std::filesystem::create_directories(dir);
        generate(dir, group, c);
        std::fflush(stdout);
        const pid_t child = ::fork();
        if (child == 0) {
            const double s = convert_once(dir);
            std::printf("%10ld %12ld %10.2f %12d", c.versions, c.content_bytes, s, MULTIPART.XTRA_PACKET_PARTS);
            std::fflush(stdout);
            std::_Exit(0);
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(child, &status, 0, &usage);
        std::printf(" %14ld\n", usage.ru_maxrss);
        std::filesystem::remove_all(dir);
        std::filesystem::remove_all("/view/bench_contents/" + group);
    }
    std::filesystem::remove_all(work);
    return 0;
}
