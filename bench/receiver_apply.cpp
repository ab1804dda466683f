// Figures for the receiver's application of a VOB packet: the time of each
// step (normalisation, header records, label/attribute/removal sections,
// data-file check, the import utility itself, directory check-ins, the
// requests after the import, the reports) and the receiver's own peak memory,
// for packets of growing size. Needs VOBs and views:
//   build/clearcase/bin/ccsandbox build/bin/bench_receiver_apply [VERSIONS...]
// (default 10000 100000). Each packet is applied twice into a fresh VOB: first
// when none of its versions exists, then again, when every version exists
// and its label requests apply. Each case runs in its own child process, so
// each peak is its own.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "codecs/packet_elements.h"
#include "codecs/packet_post.h"
#include "common/command.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/log.h"
#include "receiver/apply/apply_state.h"
#include "receiver/apply/deploy.h"
#include "receiver/apply/import_report.h"
#include "receiver/apply/normalize.h"
#include "receiver/config/key_lines.h"
#include "receiver/handover/apply_settings_fill.h"
#include "receiver/handover/vob_application.h"
#include "receiver/metadata/metadata_steps.h"
#include "receiver/metadata/type_ops.h"
#include "receiver/versions/directories.h"
#include "receiver/versions/header_records.h"
#include "receiver/versions/import_run.h"
#include "receiver/versions/versions_state.h"

namespace {

constexpr char VIEW[] = "imp";
constexpr int VERSIONS_PER_ELEMENT = 5;
constexpr int DIRS = 100;
// One label request per this many elements.
constexpr int LABEL_REQUEST_EVERY = 10;

// The receiver's own peak resident memory so far (children not counted).
long peak_kib() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

// The extracted files of one packet, as the intake leaves them in the
// receiving directory: the element description (as the shipper's conversion
// writes it), the header records, the label and attribute section, the removal and lock section, the new-element
// records and the data files "zeb.NNNN". Every version but the first of an
// element has its own data file; the last carries a label, the second an
// attribute; every tenth element gets a label request.
long write_packet(const std::string& dir, long versions) {
    std::ofstream unorm(dir + "/p.unorm", std::ios::binary);
    unorm << format_value_line("ExportFromDir", "/view/dev/vobs/src");
    unorm << "BRTYPE_BEGIN\n" << format_value_line("BrType", "main") << "TypeScope 8:ordinary\nBRTYPE_END\n";
    unorm << "LBTYPE_BEGIN\n" << format_value_line("LbType", "REL") << "TypeScope 8:ordinary\nLBTYPE_END\n";
    unorm << "ATTYPE_BEGIN\n"
          << format_value_line("AttrType", "Status") << "TypeScope 8:ordinary\nValueType 6:string\nATTYPE_END\n";
    for (int d = 0; d < DIRS; ++d)
        unorm << "DIR_BEGIN\n" << format_value_line("DirName", "d" + std::to_string(d)) << "DIR_END\n";
    std::ofstream(dir + "/" + data_file_name(0), std::ios::binary);
    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    std::string nele;
    long files = 0;
    const long elements = versions / VERSIONS_PER_ELEMENT;
    for (long e = 0; e < elements; ++e) {
        const std::string name = "d" + std::to_string(e % DIRS) + "/e" + std::to_string(e) + ".c";
        unorm << "ELEMENT_BEGIN\n" << format_value_line("Name", name) << "ElType 9:text_file\n";
        for (int v = 0; v < VERSIONS_PER_ELEMENT; ++v) {
            std::string data = data_file_name(0);
            if (v > 0) {
                data = data_file_name(++files);
                std::ofstream(dir + "/" + data, std::ios::binary)
                    << "element " << name << " version " << v << "\nsecond line of " << name << "\n";
            }
            unorm << "VERSION_BEGIN\n"
                  << format_value_line("VersionId", "/main/" + std::to_string(v)) << "OnBranch 4:main\n"
                  << (v == VERSIONS_PER_ELEMENT - 1 ? "Label 3:REL\n" : "")
                  << (v == 1 ? format_value_line("Attrib", "Status=\"built\"") : "")
                  << format_value_line("ExtractFile", data) << "VERSION_END\n";
        }
        unorm << "ELEMENT_END\n";
        if (e % LABEL_REQUEST_EVERY == 0)
            writer.make_label(post, "REL2", name + "@@/main/" + std::to_string(VERSIONS_PER_ELEMENT - 1));
        nele += name + "|root|root|r--r--r--;";
    }
    std::ofstream(dir + "/p.pre", std::ios::binary) << "l:east;D:vob;V:12.0;n:main;g:REL;y:Status;";
    std::ofstream(dir + "/p.post", std::ios::binary) << post;
    std::ofstream(dir + "/p.dhist", std::ios::binary) << "DESTROY>rmtype.L|OLD>lock.L|REL>";
    std::ofstream(dir + "/p.nele", std::ios::binary) << nele << "\n";
    return files + 1;
}

// Processor time of the receiver itself (user and system), children not
// counted: what the receiver's own code costs, apart from the programs it
// runs.
double own_cpu_seconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Stopwatch {
public:
    // Wall and own processor seconds since the last lap.
    std::pair<double, double> lap() {
        const auto now = std::chrono::steady_clock::now();
        const double cpu = own_cpu_seconds();
        std::pair<double, double> spent{std::chrono::duration<double>(now - last_).count(), cpu - last_cpu_};
        last_ = now;
        last_cpu_ = cpu;
        return spent;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    double last_cpu_ = own_cpu_seconds();
};

struct Phase {
    const char* name;
    double seconds = 0;
    double own_cpu = 0;
    long peak = 0;
};

// One application of the packet, step by step as the hand-over runs it.
bool apply_once(const std::string& dir, const std::string& vob, long versions, long data_files,
                std::vector<Phase>& phases) {
    ReceivedPacket packet;
    packet.data_path = dir + "/p.crc";
    packet.receiving_dir = dir;
    packet.unorm = dir + "/p.unorm";
    packet.pre = dir + "/p.pre";
    packet.post = dir + "/p.post";
    packet.dhist = dir + "/p.dhist";
    packet.nele = dir + "/p.nele";
    packet.zeb = dir + "/p.zeb";
    packet.vob_tag = vob;
    packet.vob_path = vob;
    packet.target_dir = std::string("/view/") + VIEW + vob;
    packet.versions = versions;
    std::string warning;
    const ReceiverKeyLine key = parse_receiver_key_line(dir + " > receiver > allow_lbtype_locks", warning);
    packet.key_line = &key;

    Stopwatch clock;
    auto mark = [&](const char* name) {
        const auto [wall, cpu] = clock.lap();
        phases.push_back({name, wall, cpu, peak_kib()});
    };
    begin_packet_application(key, packet.versions);
    if (!normalize_file(packet.data_path, packet.unorm, packet.zeb, packet.receiving_dir, vob, vob)) return false;
    mark("normalisation");
    receiver_metadata::MetadataSettings settings = metadata_settings_for(packet);
    receiver_metadata::MetadataPacket metadata;
    VERSIONS_SETTINGS.create_type = [&](const std::string& kind, const std::string& scope, const std::string& name,
                                        const std::string& in_vob, const std::string& location) {
        return receiver_metadata::create_needed_type(settings, metadata, kind, scope, name, in_vob, location);
    };
    std::string toss;
    if (!apply_header_records(packet.pre, packet.data_path, vob, vob, toss)) return false;
    mark("header records");
    settings.location = VERSIONS_PACKET.location;
    if (!receiver_metadata::metadata_before_import(packet.post, packet.dhist, settings, metadata)) return false;
    mark("label/attribute/removal sections");
    if (!check_data_files(packet.zeb, dir, packet.data_path, data_files)) return false;
    mark("data-file check");
    ImportOutputs outputs;
    run_import(dir, packet.zeb, vob, outputs);
    mark("import utility (child)");
    checkin_replicated_dirs();
    apply_protected_dirs();
    mark("directory check-ins");
    receiver_metadata::metadata_after_import(settings, metadata);
    mark("requests after the import");
    const int done =
        finish_import(outputs.catcho, outputs.catche, packet.target_dir, packet.data_path, vob, vob, packet.nele);
    mark("reports after the import");
    VERSIONS_SETTINGS.create_type = nullptr;
    remove_extracted_files();
    return done == 1;
}

void setup_logs(const std::string& dir) {
    SELF = "vandrel_receiver";
    UTC_OFFSET = "+0";
    LOG_FILES.LOG_FILE = dir + "/all.txt";
    LOG_FILES.ELOG_FILE = dir + "/errors.txt";
    LOG_FILES.WLOG_FILE = dir + "/warnings.txt";
    LOG_FILES.DLOG_FILE = dir + "/deploys.txt";
    LOG_FILES.TLOG_FILE = dir + "/tocs.txt";
    LOG_FILES.SSLOG_FILE = dir + "/startstop.txt";
    LOG_FILES.MLOG_FILE = dir + "/email.txt";
    APPLY_SETTINGS = ApplySettings{};
    APPLY_SETTINGS.IMPORT_VIEW = VIEW;
    APPLY_SETTINGS.RECEIVER_USER = "root";
}

// A deployment package of `files` small files in DIRS directories: the
// wall and own processor seconds run_deployment takes to write them (each
// file is synced).
std::pair<double, double> deploy_once(const std::string& dir, long files) {
    const std::string data = dir + "/deploy";
    std::filesystem::create_directories(data);
    std::ofstream listing(data + "/p.zeb", std::ios::binary);
    for (int d = 0; d < DIRS; ++d) listing << DEPLOY_DIR_LINE << "d" << d << "\n";
    for (long f = 0; f < files; ++f) {
        const std::string name = "d" + std::to_string(f % DIRS) + "/f" + std::to_string(f) + ".txt";
        listing << DEPLOY_FILE_LINE << name << "\n";
        std::ofstream(data + "/" + data_file_name(f), std::ios::binary) << "deployed file " << name << "\n";
    }
    listing.close();
    Stopwatch clock;
    if (run_deployment(data + "/p.zeb", dir + "/deployed", data + "/p.crc") == -1) return {-1, -1};
    return clock.lap();
}

long count_lines(const std::string& path, const std::string& needle) {
    std::ifstream in(path);
    long n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(needle) != std::string::npos) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000};
    char pattern[] = "/tmp/bench_receiver_XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string work = pattern;
    if (Command(CLEARTOOL).args("mkview", "-tag", VIEW, work + "/view.vws").trash_all().run() != 0) {
        std::fprintf(stderr, "cannot make a view: run inside ccsandbox\n");
        return 1;
    }
    int n = 0;
    for (long versions : sizes) {
        const std::string vob = "/vobs/dst" + std::to_string(++n);
        const std::string dir = work + "/r" + std::to_string(n);
        std::filesystem::create_directories(dir);
        if (Command(CLEARTOOL)
                .args("mkvob", "-tag", vob, "-nc", work + "/dst" + std::to_string(n) + ".vbs")
                .trash_all()
                .run() != 0) {
            std::fprintf(stderr, "cannot make %s\n", vob.c_str());
            return 1;
        }
        const long data_files = write_packet(dir, versions);
        std::fflush(stdout);
        const pid_t child = ::fork();
        if (child == 0) {
            setup_logs(dir);
            for (const char* round : {"new versions", "versions exist"}) {
                std::vector<Phase> phases;
                Stopwatch total;
                if (!apply_once(dir, vob, versions, data_files, phases)) {
                    std::fprintf(stderr, "application failed; see %s/errors.txt\n", dir.c_str());
                    std::_Exit(1);
                }
                const auto [seconds, cpu] = total.lap();
                std::printf("\n%ld versions, %s: %.2f s, receiver's own processor time %.2f s, peak %ld KiB\n",
                            versions, round, seconds, cpu, peak_kib());
                std::printf("  %-34s %9s %9s %11s\n", "step", "wall s", "own cpu s", "peak KiB");
                double import_seconds = 0;
                for (const Phase& p : phases) {
                    std::printf("  %-34s %9.2f %9.2f %11ld\n", p.name, p.seconds, p.own_cpu, p.peak);
                    if (std::string(p.name).starts_with("import")) import_seconds = p.seconds;
                }
                std::printf("  %-34s %9.2f\n", "all but the import utility", seconds - import_seconds);
                std::fflush(stdout);
            }
            const long deployed = versions / 10;
            const auto [deploy_wall, deploy_cpu] = deploy_once(dir, deployed);
            std::printf("\ndeployment of %ld files: %.2f s, receiver's own processor time %.2f s\n", deployed,
                        deploy_wall, deploy_cpu);
            std::printf("  TOC lines %ld, digest lines %ld, warnings %ld\n", count_lines(dir + "/tocs.txt", "@@"),
                        count_lines(dir + "/email.txt", "@@"), count_lines(dir + "/warnings.txt", "--"));
            std::fflush(stdout);
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        std::filesystem::remove_all(dir);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    }
    std::filesystem::remove_all(work);
    return 0;
}
