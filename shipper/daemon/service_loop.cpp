#include "shipper/daemon/service_loop.h"

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"
#include "shipper/config/config_pass.h"
#include "shipper/daemon/shipper_state.h"
#include "shipper/daemon/shipping_pass.h"
#include "shipper/daemon/trigger_scripts.h"

namespace {

constexpr char RUNTIME_CLASS_MSG[] = "## Runtime %s of Shipper Class %c ##";

// The shipper's view of one pass: logs what the walk reports and hands each
// valid VOB key line's locations to the shipping pass.
class ShipperPass : public shipper_config::PassVisitor {
public:
    explicit ShipperPass(const ShippingPass& pass) : pass_(pass) {}

    void class_declared(int digit) override {
        auto d = static_cast<std::size_t>(digit);
        SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES.set(d);
        if (!SHIPPER.LAST_DEFINED_ADDITIONAL_CLASSES.test(d))
            log_it('n', fmt_msg(RUNTIME_CLASS_MSG, "addition", static_cast<char>('0' + digit)));
    }

    bool problem(char cls, const std::string& message) override {
        log_it(cls, message);
        return true;
    }

    bool key_line(const shipper_config::PassLine& line) override {
        stop_if_queued_to_stop();
        shipper_config::VobKey& key = SHIPPER.CURRENT_KEY;
        std::string message = shipper_config::check_vob_key(line.text, {SHIPPER_SELF, line.file}, key);
        if (!message.empty()) {
            log_it('e', message);
            return true;
        }
        for (const std::string& location : key.locations) {
            EXTRACTED_FILES.clear();
            SHIPPER.LOST_RACE = false;
            if (pass_(key.vob_id, key.vob_tag, key.destination, key.orig_portion, key.dest_portion, location,
                      key.is_deployment) != 0)
                continue;
            if (SHIPPER.LOST_RACE)
                log_it('n', fmt_msg("Package (mship.%03d.%s) processed by another shipper...", key.vob_id,
                                    location.c_str()));
            else
                log_it('n', fmt_msg("Completed with error (mship.%03d.%s)", key.vob_id, location.c_str()));
        }
        return true;
    }

private:
    const ShippingPass& pass_;
};

template <const char* Format>
[[noreturn]] void config_vanished() {
    log_it('e', fmt_msg(Format, READ_FAILED, SHIPPER_SELF, SHIPPER.CONF.c_str()));
    the_last_words(CONFIG_VANISHED);
}

void sleep_between_passes() {
    const shipper_config::ShipperSettings& s = SHIPPER.settings;
    if (s.DURATION == 0) {
        zeb_sleep(1);
        return;
    }
    long seconds = static_cast<long>(s.DURATION) * s.DURATION_SCALE_X;
    for (long i = 0; i < seconds; ++i) {
        stop_if_queued_to_stop();
        zeb_sleep(1);
    }
}

}  // namespace

void run_config_pass(const std::string& text, const ShippingPass& pass) {
    ShipperPass visitor(pass);
    shipper_config::walk_pass(CONF_DIR, SHIPPER.CONF, text, SHIPPER.is_main_shipper(),
                              shipper_config::SHIPPER_PASS_RULES, visitor);
}

void reread_configuration() {
    shipper_config::FileText read = shipper_config::read_bounded_file(SHIPPER.CONF, shipper_config::SHIPPER_CONFIG_MAX);
    switch (read.status) {
        case shipper_config::ReadStatus::ok:
            break;
        case shipper_config::ReadStatus::missing:
        case shipper_config::ReadStatus::unreadable:
            config_vanished<shipper_config::CONFIG_CANNOT_READ_MSG>();
        case shipper_config::ReadStatus::empty:
            config_vanished<shipper_config::CONFIG_EMPTY_MSG>();
    }
    if (read.truncated) {
        log_it('w', fmt_msg(shipper_config::CONFIG_TRUNCATED_MSG, "WARNING", SHIPPER_SELF, SHIPPER.CONF.c_str(),
                            static_cast<long>(shipper_config::SHIPPER_CONFIG_MAX)));
        shipper_config::drop_partial_last_line(read.text);
    }
    SHIPPER.CONFIG_BUFFER = std::move(read.text);
    SHIPPER.CONFIG_BUFFER.push_back('\n');
}

void roll_class_declarations() {
    if (!SHIPPER.is_main_shipper()) return;
    std::bitset<10>& current = SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES;
    for (int d = 0; d <= 9; ++d) {
        auto i = static_cast<std::size_t>(d);
        if (SHIPPER.LAST_DEFINED_ADDITIONAL_CLASSES.test(i) && !current.test(i))
            log_it('n', fmt_msg(RUNTIME_CLASS_MSG, "removal", static_cast<char>('0' + d)));
    }
    SHIPPER.LAST_DEFINED_ADDITIONAL_CLASSES = current;
    current.reset();
}

void body(bool one_pass) {
    SHIPPER.LAST_DEFINED_ADDITIONAL_CLASSES = SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES;
    FRAME.shutdown_script = run_shutdown_trigger_for_last_words;
    if (execute_startup_shutdown_trigger_script('-', SHIPPER.settings.THIS_LOCATION) != 0) {
        log_it('e', "Startup denied by startup trigger...");
        the_last_words(ORDERLY_SHUTDOWN);
    }
    const ShippingPass pass = make_package_if_reqired;
    for (;;) {
        stop_if_queued_to_stop();
        mark_time();
        run_config_pass(SHIPPER.CONFIG_BUFFER, pass);
        if (one_pass) {
            stop_if_queued_to_stop();
            the_last_words(STOP_HONORED);
        }
        sleep_between_passes();
        reread_configuration();
        roll_class_declarations();
    }
}
