// vandrel_proxy: one run of the relay of one hop of a proxy chain.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/console_frame.h"
#include "common/frame.h"
#include "common/text_format.h"
#include "proxy/manual.h"
#include "proxy/private_dir.h"
#include "proxy/proxy_file.h"
#include "proxy/proxy_messages.h"
#include "proxy/relay.h"
#include "shipper/config/config_file.h"

namespace {

constexpr int EXIT_USAGE = 36;
constexpr int EXIT_PATH_TOO_LONG = 37;
constexpr int EXIT_NO_PROXY_FILE = 39;

void on_terminal_signal(int sig) {
    remove_private_dirs();
    blast_words(sig);
}

void install_signals() {
    for (int sig : {SIGABRT, SIGFPE, SIGILL, SIGINT, SIGSEGV, SIGTERM}) std::signal(sig, on_terminal_signal);
}

}  // namespace

int main(int argc, char** argv) {
    set_identity(PROXY_SELF, "");
    std::srand(static_cast<unsigned>(::getpid()));
    handle_version_switch(argc, argv);
    if (argc != 2) {
        std::printf(PROXY_USAGE, argv[0]);
        return EXIT_USAGE;
    }
    const std::string arg = argv[1];
    if (arg == "-help") {
        std::printf(PROXY_USAGE, argv[0]);
        return 0;
    }
    if (arg == "-man") {
        print_manual(argv[0]);
        return 0;
    }
    if (arg.size() > PROXY_FILE_PATH_MAX) {
        std::printf(PROXY_PATH_TOO_LONG, "START_FAILED", static_cast<int>(PROXY_FILE_PATH_MAX));
        return EXIT_PATH_TOO_LONG;
    }
    if (::access(arg.c_str(), R_OK) != 0) {
        std::printf("%s\n", fmt_msg(PROXY_FILE_MISSING, "START_FAILED", arg.c_str()).c_str());
        return EXIT_NO_PROXY_FILE;
    }
    install_signals();
    blog_it('s', fmt_msg(PROXY_START, PROXY_SELF, CONTINUE_LINE, arg.c_str()));
    transfer(arg);
    blog_it('s', fmt_msg(PROXY_END, PROXY_SELF, CONTINUE_LINE, arg.c_str()));
    one_exit(0);
}
