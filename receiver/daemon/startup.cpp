#include "receiver/daemon/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "codecs/crypt.h"
#include "codecs/key_file.h"
#include "common/cc_query.h"
#include "common/daemon_control.h"
#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/signals.h"
#include "common/text_format.h"
#include "receiver/config/config_text.h"
#include "receiver/config/receiver_messages.h"
#include "receiver/config/receiver_state.h"
#include "receiver/triggers/receiver_triggers.h"

namespace {

// Longest instance name: its field holds 256 characters with the NUL.
constexpr std::size_t WHICH_MAX = 255;

struct CommandLine {
    std::string depot;
    DaemonMode mode = DaemonMode::Unknown;
    std::string which;
    bool sticky = false;
};

// The daemon file stem; FRAME.DAEMON points into it for the life of the process.
std::string DAEMON_STEM;

[[noreturn]] void usage(const char* invoked, int code) {
    std::printf(RECEIVER_USAGE, RECEIVER_SELF, invoked, "-start", "-once", "-stop", "-restart", "-reonce",
                "-queue_stop", "-dequeue_stop", "-wait");
    std::fflush(stdout);
    std::exit(code);
}

CommandLine parse_command_line(int argc, char** argv) {
    const int words = argc - 1;
    if (words == 1) {
        handle_version_switch(argc, argv);
        usage(argv[0], 35);
    }
    if (words < 1 || words > 4) usage(argv[0], 37);
    CommandLine line;
    line.depot = argv[1];
    line.mode = parse_daemon_mode(argv[2]);
    if (line.mode == DaemonMode::Unknown) usage(argv[0], 36);
    if (words == 3) {
        if (std::strcmp(argv[3], "-wait") == 0)
            line.sticky = true;
        else
            line.which = argv[3];
    } else if (words == 4) {
        if (std::strcmp(argv[4], "-wait") != 0) usage(argv[0], 36);
        line.which = argv[3];
        line.sticky = true;
    }
    // The instance name becomes part of file names in the depot: it must
    // fit its field whole and name no other directory.
    if (line.which.size() > WHICH_MAX)
        print_and_exit(
            fmt_msg(MSG_WHICH_TOO_LONG, START_FAILED, RECEIVER_SELF, line.which.c_str(), static_cast<int>(WHICH_MAX)),
            36);
    if (line.which.find_first_of("/\\ \t\n") != std::string::npos || (!line.which.empty() && line.which[0] == '.'))
        print_and_exit(fmt_msg(MSG_WHICH_ILLEGAL, START_FAILED, RECEIVER_SELF, line.which.c_str()), 36);
    return line;
}

// The receiver's part of the depot walk: the depot, its bay, the daemon
// directory and the log directory (the steps the shipper walks too), or the
// configuration directory.
std::vector<DepotWalkStep> receiver_depot_walk(bool config_part) {
    const std::vector<std::string> wanted =
        config_part ? std::vector<std::string>{"config"} : std::vector<std::string>{"depot", "m_bay", "daemon", "logs"};
    std::vector<DepotWalkStep> steps;
    for (DepotWalkStep& step : shipper_depot_walk(RECEIVER_SELF, config_part))
        for (const std::string& name : wanted)
            if (name == step.literal_name) steps.push_back(step);
    return steps;
}

// Failure text of a log file that cannot be created.
template <const char* Format>
std::string log_failure(const std::string& path) {
    return fmt_msg(Format, START_FAILED, RECEIVER_SELF, path.c_str());
}

void create_log_files() {
    const LogFileSet& f = LOG_FILES;
    const struct {
        const std::string& path;
        std::string (*message)(const std::string& path);
        int code;
    } logs[] = {
        {f.LOG_FILE, log_failure<MSG_23>, 41},   {f.ELOG_FILE, log_failure<MSG_24>, 42},
        {f.DLOG_FILE, log_failure<MSG_24>, 44},  {f.MLOG_FILE, log_failure<MSG_24b>, 48},
        {f.WLOG_FILE, log_failure<MSG_25>, 43},  {f.TLOG_FILE, log_failure<MSG_25b>, 43},
        {f.SSLOG_FILE, log_failure<MSG_26>, 63},
    };
    for (const auto& log : logs)
        if (!create_log_file_if_missing(log.path)) print_and_exit(log.message(log.path) + "\n", log.code);
    // The e-mail digest exists only while a packet has e-mail text.
    unlink_remove(f.MLOG_FILE);
}

// The configuration file: present, readable, not empty.
std::string read_configuration() {
    const std::string& conf = RECEIVER.CONF;
    if (!this_file_exists(conf)) log_and_bail(fmt_msg(MSG_29, START_FAILED, RECEIVER_SELF, conf.c_str()));
    std::string text;
    bool cut = false;
    switch (read_config_file(conf, text, &cut)) {
        case ConfigRead::cannot_open:
            log_and_bail(fmt_msg(MSG_30, START_FAILED, RECEIVER_SELF, conf.c_str()));
        case ConfigRead::empty_or_failed:
            log_and_bail(fmt_msg(MSG_31, START_FAILED, RECEIVER_SELF, conf.c_str()));
        case ConfigRead::ok:
            break;
    }
    if (cut)
        log_it('w', fmt_msg(MSG_CONFIG_CUT, RECEIVER_SELF, conf.c_str(), static_cast<int>(RECEIVER_CONFIG_BUFFER - 1)));
    return text;
}

// The import view must exist and start.
std::string check_import_view(const std::string& view) {
    switch (check_view(view)) {
        case 0:
            return fmt_msg(MSG_34, START_FAILED, RECEIVER_SELF, RECEIVER.CONF.c_str(), view.c_str());
        case -1:
            return fmt_msg(MSG_36, START_FAILED, RECEIVER_SELF, RECEIVER.CONF.c_str(), view.c_str());
        default:
            return {};
    }
}

const char* yes_no(bool flag) {
    return flag ? "yes" : "no";
}

const char* name_or_none(const TriggerSetting& t) {
    return t.configured() ? t.name.c_str() : "(none)";
}

std::string start_banner(DaemonMode mode) {
    const ReceiverSettings& s = RECEIVER.settings;
    std::string b = fmt_msg(START_PROCESS_HEADER, RECEIVER_SELF, RECEIVER_VERSION, run_mode_words(mode));
    b += REQUIRED_SUBHEADER;
    b += fmt_msg(HEADER_STRING_VALUE, "view", s.IMPORT_VIEW.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "location_name", s.THIS_LOCATION.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "UTC_offset", s.UTC_OFFSET.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "receiver_id", s.IMPORT_ID.c_str());
    b += OPTIONAL_SUBHEADER;
    b += fmt_msg(HEADER_STRING_VALUE, "pre_receive_trigger", name_or_none(s.pre_receive));
    b += fmt_msg(HEADER_STRING_VALUE, "post_receive_trigger", name_or_none(s.post_receive));
    b += fmt_msg(HEADER_STRING_VALUE, "startup_trigger", name_or_none(s.startup));
    b += fmt_msg(HEADER_STRING_VALUE, "shutdown_trigger", name_or_none(s.shutdown));
    b += fmt_msg(HEADER_STRING_VALUE, "scheduled_inactivity",
                 s.inactivity.defined ? s.inactivity.text.c_str() : "(none)");
    b += fmt_msg(HEADER_STRING_VALUE, "new_dir_personality", s.new_dir_personality ? "main" : "branch");
    b += fmt_msg(HEADER_STRING_VALUE, "encryption", ENCRYPTION.USING_ENCRYPTION);
    b += fmt_msg(HEADER_STRING_VALUE, "ignore_received_slinks", yes_no(s.yes_no[IGNORE_RECEIVED_SLINKS]));
    for (int k = 0; k < IGNORE_RECEIVED_SLINKS; ++k) {
        std::string key = yes_no_key(YesNoKey(k));
        key.pop_back();  // the "="
        b += fmt_msg(HEADER_STRING_VALUE, key.c_str(), yes_no(s.yes_no[k]));
    }
    b += RECEIVER_END_HEADER;
    return b;
}

// The receiver's part of its last words: the inactivity marker tells of a
// running receiver only, and the site's shutdown script runs.
void receiver_last_words(int) {
    unlink_remove(LOCKS.files.inactive);
    execute_startup_shutdown_trigger_script(TRIGGER_SHUTDOWN, RECEIVER.settings.THIS_LOCATION);
}

}  // namespace

bool receiver_startup(int argc, char** argv) {
    set_identity(RECEIVER_SELF, "");
    RECEIVER.STARTED_AT = std::time(nullptr);
    std::srand(static_cast<unsigned>(getpid()));
    if (!calculated_user()) print_and_exit(fmt_msg(MSG_NO_USER, RECEIVER_SELF), 33);

    CommandLine line = parse_command_line(argc, argv);
    RECEIVER.WHICH_RECEIVER_CONFIG = line.which;
    RECEIVER.IN_MATRIX_MODE = line.mode == DaemonMode::TestOnce;
    const std::string inst = line.which.empty() ? std::string() : "_" + line.which;
    DAEMON_STEM = std::string(RECEIVER_SELF) + inst + ".daemon";
    set_identity(RECEIVER_SELF, DAEMON_STEM.c_str());

    check_depot_length(line.depot, RECEIVER_SELF, ".daemon", 38);
    Command version(CLEARTOOL);
    version.arg("-ver").raw(TRASH_ALL);
    if (version.run() != 0) print_and_exit(fmt_msg(MSG_57, START_FAILED, RECEIVER_SELF), 137);

    set_depot(line.depot);
    walk_depot(receiver_depot_walk(false), RECEIVER_SELF);
    set_daemon_files(THE_DAEMON_DIR, DAEMON_STEM);
    set_log_files(LOG_DIR, "receiver", line.which, true);
    create_log_files();

    walk_depot(receiver_depot_walk(true), RECEIVER_SELF);
    RECEIVER.CONF = CONF_DIR + (line.which.empty() ? "/receiver.conf" : "/receiver_" + line.which + ".conf");
    RECEIVER.CONFIG_TEXT = read_configuration();
    const std::string filtered = filter_configuration(RECEIVER.CONFIG_TEXT);

    SettingsContext context;
    context.program = RECEIVER_SELF;
    context.config_path = RECEIVER.CONF;
    context.trigger_dir = TRIGGER_DIR;
    context.calculated_user = DEPOT_PATHS._CALCULATED_USER;
    context.view_check = check_import_view;
    const std::string key_path = key_file_path(DEPOT, false, line.which);
    context.encryption_check = [&] { return choose_encryption(RECEIVER_SELF, RECEIVER.CONF, filtered, key_path); };
    std::string failure = read_receiver_settings(filtered, context, RECEIVER.settings);
    if (!failure.empty()) log_and_bail(failure);
    UTC_OFFSET = RECEIVER.settings.UTC_OFFSET;
    const std::string& view = RECEIVER.settings.IMPORT_VIEW;
    set_view_lock_file(DEPOT + "/daemon/" + view + ".viewlock");

    if (is_control_mode(line.mode)) run_control_mode(RECEIVER_DAEMON, line.mode);
    start_daemon(RECEIVER_DAEMON, argc, argv, view.c_str(), line.sticky);

    install_terminal_signal_handlers();
    prepare_fault_exit();
    unlink_remove(LOCKS.files.inactive);
    log_it_banner('s', start_banner(line.mode));
    enter_service();
    FRAME.shutdown_script = receiver_last_words;
    return line.mode == DaemonMode::Once || line.mode == DaemonMode::Reonce || line.mode == DaemonMode::TestOnce;
}
