#include "shiptest/communication.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/console_frame.h"
#include "common/frame.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/host_map.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/session.h"
#include "shipper/transport/transfer_script.h"
#include "shiptest/printed_log.h"
#include "shiptest/report.h"
#include "shiptest/shiptest_messages.h"

TestFiles test_file_names(const std::string& dir, const std::string& test_location, const std::string& this_location,
                          long pid) {
    const char* t = test_location.c_str();
    const char* l = this_location.c_str();
    std::string first = random_string(80);
    std::string second = random_string(20);
    std::string script_head = random_string(1 + std::rand() % 30);
    std::string script_tail = random_string(80);
    TestFiles files;
    files.data = dir + "/" + fmt_msg("vl_ping_test.data.%s.%s.%s%s.%ld", t, l, first.c_str(), second.c_str(), pid);
    files.probe = dir + "/" + fmt_msg("vl_ping_test.conf.%s.%s.%ld", t, l, pid);
    files.output = dir + "/" + fmt_msg("vl_ping_test.out.%s.%s.%ld", t, l, pid);
    files.errors = dir + "/" + fmt_msg("vl_ping_test.err.%s.%s.%ld", t, l, pid);
    files.script = dir + "/" + script_head + script_tail;
    return files;
}

int write_test_data(const std::string& path, int meg) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    push_extracted_file(path);
    std::string line(TEST_LINE_BLANKS, ' ');
    line += '\n';
    std::string one_meg;
    one_meg.reserve(static_cast<std::size_t>(TEST_BYTES_PER_MEG));
    for (int i = 0; i < TEST_LINES_PER_MEG; ++i) one_meg += line;
    bool ok = true;
    for (int m = 0; ok && m < meg; ++m) ok = write_whole(fd, one_meg);
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        int err = errno;
        unlink_remove(path);
        errno = err;
    }
    return ok ? 1 : 0;
}

std::string test_script_text(const Transport& transport, const TestFiles& files) {
    const std::string probe = transport_base_name(files.probe);
    const std::string data = transport_base_name(files.data);
    TransferScript script(transport);
    // lftp: a failed command (a receiver directory that cannot be entered
    // above all) ends the session rather than sending elsewhere.
    script.stop_at_failures();
    script.open_session();
    script.put(probe);
    script.put(data);
    script.local_delete(probe);
    script.local_delete(data);
    script.get(probe);
    script.remote_delete(data);
    script.remote_delete(probe);
    script.quit();
    return script.text();
}

namespace {

void remove_test_files(const TestFiles& files) {
    for (const std::string* path : {&files.output, &files.errors, &files.probe, &files.script, &files.data})
        unlink_remove(*path);
}

int send_failed(const TestFiles& files) {
    int err = errno;
    remove_test_files(files);
    std::printf("%s.\n", fmt_msg(SHIPTEST_SEND_FAILED, files.data.c_str(), "...", err, std::strerror(err)).c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

volatile std::sig_atomic_t SHIPTEST_TERMINAL_SIGNAL = 0;

void end_if_signalled() {
    if (const int sig = SHIPTEST_TERMINAL_SIGNAL) single_exit(sig);
}

int run_communication_test(Transport& transport, const std::string& test_location, const std::string& this_location,
                           int meg, const std::string& shipper_error_log) {
    PrintedLog printed(shipper_error_log);
    if (!get_receiver_data(transport, test_location)) {
        printed.print();
        print_it('e', fmt_msg(SHIPTEST_NOT_READ, test_location.c_str(),
                              hostmap_path(transport.settings, test_location).c_str()));
        return 0;
    }
    TestFiles files =
        test_file_names(transport.settings.local_dir, test_location, this_location, static_cast<long>(::getpid()));
    for (const std::string* path : {&files.output, &files.errors, &files.probe, &files.script})
        push_extracted_file(*path);

    std::printf(SHIPTEST_CREATING, meg, files.data.c_str());
    std::fflush(stdout);
    if (!check_transfer_script_values(transport, files.script,
                                      {transport_base_name(files.probe), transport_base_name(files.data)})) {
        printed.print();
        return send_failed(files);
    }
    end_if_signalled();
    if (!write_test_data(files.data, meg)) return send_failed(files);
    end_if_signalled();
    if (write_transfer_script(files.script, test_script_text(transport, files), false) != ScriptWrite::Written) {
        printed.print();
        return send_failed(files);
    }

    std::printf(SHIPTEST_ATTEMPTING, test_location.c_str());
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    errno = 0;
    // Every error line counts (no lftp line is taken as normal here); an ftp
    // client, which goes on after a refused upload, is judged by the
    // server's refusals on its output as well.
    const bool check_mode = transport.settings.kind == TransportKind::Ftp;
    int ok = follow_instructions(transport, files.script, files.output, files.errors, files.probe, test_location,
                                 check_mode);
    auto elapsed = std::chrono::steady_clock::now() - start;
    end_if_signalled();
    printed.print();
    if (!ok) return send_failed(files);

    remove_test_files(files);
    int seconds = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
    std::printf(SHIPTEST_SUCCESS, test_location.c_str());
    std::printf("\n\n%s", bandwidth_box(meg, test_location, seconds).c_str());
    std::fflush(stdout);
    return 1;
}
