#include "receiver/daemon/service_loop.h"

#include <dirent.h>

#include <ctime>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "receiver/config/config_text.h"
#include "receiver/config/key_lines.h"
#include "receiver/config/receiver_messages.h"
#include "receiver/config/receiver_state.h"
#include "receiver/handover/apply_settings_fill.h"
#include "receiver/intake/locked_vobs.h"
#include "receiver/intake/packet_family.h"
#include "receiver/intake/packet_road.h"
#include "receiver/intake/stale_outputs.h"
#include "receiver/triggers/receiver_triggers.h"

namespace {

// Seconds of the pause between two passes; a stop request is looked for
// every second.
constexpr int PASS_PAUSE_SECONDS = 3;

struct LoopState {
    LockedVobMemory locked;
    bool inactive = false;
    // Texts already logged once: warnings about the configuration and
    // foreign names in receiving directories repeat at every pass.
    std::unordered_set<std::string> told;
};

void log_once(LoopState& state, const std::string& text) {
    if (state.told.insert(text).second) log_it('w', text);
}

// The names of a receiving directory that end in ".pack..." (directory order).
std::vector<std::string> descriptor_entries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (classify_receiving_entry(name) != EntryKind::Unrelated) names.push_back(name);
    }
    closedir(d);
    return names;
}

void receive_from(LoopState& state, const ReceiverKeyLine& key) {
    const std::string& dir = key.receiving_dir;
    if (dir.empty() || !is_directory(dir)) return;
    // A receiver killed during an import (kill -9, a crash) never removed
    // its import output files; every pass looks for such leftovers, so a
    // restart cleans up. A test run changes nothing.
    if (!RECEIVER.IN_MATRIX_MODE) remove_stale_import_outputs(dir);
    for (const std::string& name : descriptor_entries(dir)) {
        stop_if_queued_to_stop();
        switch (classify_receiving_entry(dir, name)) {
            case EntryKind::Descriptor:
                process_received_packet(key, packet_family(dir, name), state.locked);
                break;
            case EntryKind::LeftoverPending:
                toss_leftover_pending(key, packet_family(dir, name));
                break;
            default:
                log_once(state, fmt_msg(MSG_FOREIGN_NAME, name.c_str(), dir.c_str()));
                break;
        }
    }
}

// Enters or leaves the inactivity window; true while inactive.
bool inactive_now(LoopState& state) {
    const InactivityWindow& window = RECEIVER.settings.inactivity;
    const bool inside = in_inactive_time(window, std::time(nullptr)) == 1;
    if (!state.inactive && inside) {
        state.inactive = true;
        touch_file(LOCKS.files.inactive, window.text.c_str(), ATTR_PRIVATE);
        log_it('n', fmt_msg(MSG_119, window.text.c_str()));
    } else if (state.inactive && !inside) {
        state.inactive = false;
        unlink_remove(LOCKS.files.inactive);
        log_it('n', fmt_msg(MSG_120, window.text.c_str()));
    }
    return state.inactive;
}

void one_pass(LoopState& state) {
    mark_time();
    HAS_WARNINGS = 0;
    ReceiverKeyLines keys = read_receiver_key_lines(RECEIVER.CONFIG_TEXT, RECEIVER.CONF);
    for (const std::string& warning : keys.warnings) log_once(state, warning);
    for (const ReceiverKeyLine& key : keys.lines) receive_from(state, key);
}

void reread_configuration() {
    switch (read_config_file(RECEIVER.CONF, RECEIVER.CONFIG_TEXT)) {
        case ConfigRead::cannot_open:
            log_it('e', fmt_msg(MSG_18, READ_FAILED, RECEIVER_SELF, RECEIVER.CONF.c_str()));
            the_last_words(CONFIG_VANISHED);
        case ConfigRead::empty_or_failed:
            log_it('e', fmt_msg(MSG_19, READ_FAILED, RECEIVER_SELF, RECEIVER.CONF.c_str()));
            the_last_words(CONFIG_VANISHED);
        case ConfigRead::ok:
            break;
    }
}

}  // namespace

void body(bool once) {
    LoopState state;
    fill_apply_settings(RECEIVER.settings, DEPOT_PATHS._CALCULATED_USER);
    if (execute_startup_shutdown_trigger_script(TRIGGER_STARTUP, RECEIVER.settings.THIS_LOCATION) != 0) {
        log_it('e', MSG_STARTUP_DENIED);
        the_last_words(ORDERLY_SHUTDOWN);
    }
    for (;;) {
        remove_extracted_files();
        stop_if_queued_to_stop();
        if (once && in_inactive_time(RECEIVER.settings.inactivity, std::time(nullptr))) {
            // A single pass inside the window has nothing to do.
            log_it('n', fmt_msg(MSG_119, RECEIVER.settings.inactivity.text.c_str()));
            break;
        }
        if (!once && inactive_now(state)) {
            zeb_sleep(1);
            continue;
        }
        one_pass(state);
        if (once) break;
        for (int i = 0; i < PASS_PAUSE_SECONDS; ++i) {
            zeb_sleep(1);
            stop_if_queued_to_stop();
        }
        reread_configuration();
    }
    stop_if_queued_to_stop();
    the_last_words(STOP_HONORED);
}
