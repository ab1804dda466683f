#include "shipper/daemon/shipping_pass.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "codecs/key_file.h"
#include "codecs/multipart.h"
#include "common/cc_query.h"
#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/since.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/daemon/shipper_state.h"
#include "shipper/daemon/trigger_scripts.h"
#include "shipper/history/conversion.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/pass/config_spec_edit.h"
#include "shipper/pass/epoch_word.h"
#include "shipper/pass/history_export.h"
#include "shipper/pass/pass_messages.h"
#include "shipout/mship.h"
#include "shipper/pass/pass_names.h"
#include "shipper/pass/pass_services.h"
#include "shipper/pass/request_check.h"
#include "shipper/pass/vob_checks.h"

using namespace pass_msg;

namespace {

// How often opening the request for appending is retried, one second apart.
constexpr int REQUEST_OPEN_RETRIES = 5;
// The epoch file is one short line; more is never read.
constexpr std::size_t EPOC_READ_MAX = 4096;

// One pass for one VOB key and receiving location.
class ShippingPass {
public:
    ShippingPass(const shipper_config::VobKey& key, int vob_id, const std::string& vob_tag,
                 const std::string& destination, const std::string& orig_portion, const std::string& dest_portion,
                 const std::string& location, bool is_deployment)
        : key_(key),
          vob_id_(vob_id),
          vob_tag_(vob_tag),
          destination_(destination),
          orig_portion_(orig_portion),
          dest_portion_(dest_portion),
          location_(location),
          is_deployment_(is_deployment),
          settings_(SHIPPER.settings),
          names_(form_pass_names({SHIP_DIR, THE_EPOCS_DIR, HOLD_DIR, CSPECS_DIR}, vob_id, location,
                                 SHIPPER.settings.THIS_LOCATION, static_cast<long>(::getpid()))) {}

    int run();
    const PassNames& names() const { return names_; }

private:
    int take_request();
    int validate_request();
    int check_vob();
    void remove_leftovers();
    int fetch_confirmation();
    int hold_confirmation();
    int read_since();
    int export_tree();
    int gather_slinks();
    int metadata_passes();
    int convert();
    int compress_and_encrypt();
    int hold_packet();
    int send_packet();

    // Logs the failure (class 'e'), runs the post-ship trigger when asked,
    // and returns 0 for the pass.
    int fail(const std::string& message, bool post_ship);
    // The same for the messages that end "for (<packet>) <location> with
    // <errno>: <its text>".
    int fail_errno(bool post_ship, const char* format, int error) __attribute__((format(printf, 3, 0)));
    void post_ship();
    int completed();
    // Puts the consumed request back (unless a newer one is already there),
    // so that the next pass tries again: used when the packet could not go
    // out although the history is fine (the receiver still busy with the
    // previous packet, the transport failing).
    void keep_request_for_retry();

    const std::string& packet() const { return names_.packet_name; }
    bool holding() const { return key_.personality == 'H'; }

    const shipper_config::VobKey& key_;
    int vob_id_;
    std::string vob_tag_;
    std::string destination_;
    std::string orig_portion_;
    std::string dest_portion_;
    std::string location_;
    bool is_deployment_;
    const shipper_config::ShipperSettings& settings_;
    PassNames names_;

    std::time_t pass_time_ = 0;
    std::vector<std::string> request_words_;  // the consumed request
    std::string since_;                       // empty: all history
    bool do_lshistory_ = true;
    std::string replicated_path_;
    std::string view_path_;
    bool is_dir_ = true;
};

int ShippingPass::fail(const std::string& message, bool post_ship_run) {
    log_it('e', message);
    if (post_ship_run) {
        SHIPPER.PACKET_END_STATUS = "NOK";
        post_ship();
    }
    return 0;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
int ShippingPass::fail_errno(bool post_ship_run, const char* format, int error) {
    return fail(fmt_msg(format, packet().c_str(), location_.c_str(), error, std::strerror(error)), post_ship_run);
}
#pragma GCC diagnostic pop

void ShippingPass::post_ship() {
    execute_trigger_script('>', settings_.THIS_LOCATION, packet(), vob_id_, location_, vob_tag_);
}

int ShippingPass::completed() {
    log_it('n', fmt_msg(COMPLETED, names_.request_name.c_str()));
    SHIPPER.PACKET_END_STATUS = "OK";
    SHIPPER.PACKET_BUILT = true;
    post_ship();
    return 1;
}

// Steps 1-3: the request exists, this process owns it, and the building
// marker names this process's class.
int ShippingPass::take_request() {
    if (!get_temp_lock(names_.lock_name.c_str(), SHIPPER.MY_CLASS)) {
        SHIPPER.LOST_RACE = true;
        return 0;
    }
    if (!this_file_exists(names_.request)) return 0;
    // Let every contender that saw the request append its class first.
    zeb_sleep(1);
    const char marker[2] = {SHIPPER.MY_CLASS, '\0'};
    touch_file(names_.building, marker, ATTR_PUBLIC);
    // The trigger program may still hold the request open on some systems.
    for (int attempt = 0; attempt <= REQUEST_OPEN_RETRIES; ++attempt) {
        FILE* request = std::fopen(names_.request.c_str(), "a");
        if (request != nullptr) {
            std::fclose(request);
            break;
        }
        if (attempt < REQUEST_OPEN_RETRIES) zeb_sleep(1);
    }
    return 1;
}

void ShippingPass::keep_request_for_retry() {
    if (SHIPPER.TEST_MODE || request_words_.size() != 3) return;
    const std::string text = shipout::mship_content(request_words_[0], request_words_[2]);
    switch (shipout::write_mship_if_absent(names_.request, text)) {
        case shipout::MshipResult::Created:
            log_it('n', fmt_msg(REQUEST_KEPT, packet().c_str()));
            break;
        case shipout::MshipResult::AlreadyThere:
            break;  // a newer request covers this history too
        case shipout::MshipResult::DanglingLink:
        case shipout::MshipResult::WriteError:
            log_it('e', fmt_msg(REQUEST_NOT_KEPT, packet().c_str()));
            break;
    }
}

// Steps 6-7.
int ShippingPass::validate_request() {
    std::vector<std::string> words;
    if (read_request_words(names_.request, words) != RequestRead::ok)
        return fail(fmt_msg(NOT_READ, packet().c_str()), false);
    std::string problem = check_request_words(words, packet());
    if (!problem.empty()) return fail(problem, false);
    if (!SHIPPER.TEST_MODE) unlink_remove(names_.request);
    request_words_ = words;

    problem = check_replication_key(words[0], get_VOB_db_id(vob_tag_), vob_tag_, packet());
    if (problem.empty())
        problem = check_request_time(words[2], std::time(nullptr), SHIPPER_SELF, settings_.THIS_LOCATION, location_,
                                     packet());
    return problem.empty() ? 1 : fail(problem, false);
}

// Steps 8-9.
int ShippingPass::check_vob() {
    if (!vob_has_trigger_types(vob_tag_)) return fail(fmt_msg(NOT_APPLIED, vob_tag_.c_str()), false);
    switch (check_view_and_vob(settings_.EXPORT_VIEW, vob_tag_)) {
        case VobState::ready:
            return 1;
        case VobState::view_not_started:
            return fail(fmt_msg(VIEW_NOT_STARTED, settings_.EXPORT_VIEW.c_str()), false);
        case VobState::not_accessible:
            return fail(fmt_msg(VOB_NOT_ACCESSIBLE, vob_tag_.c_str()), true);
        case VobState::lsvob_failed:
            return fail(fmt_msg(LSVOB_FAILED, vob_tag_.c_str()), false);
        case VobState::gone:
            log_it('w', fmt_msg(VOB_GONE, vob_tag_.c_str()));
            return 0;
        case VobState::mount_failed:
            return fail(fmt_msg(MOUNT_FAILED, vob_tag_.c_str()), false);
    }
    return 0;
}

// Step 12: what an earlier pass of this VOB and location left behind.
void ShippingPass::remove_leftovers() {
    for (const std::string* path :
         {&names_.probe, &names_.busy_flag, &names_.history, &names_.new_elements, &names_.slink_scan, &names_.trailer,
          &names_.held_trailer, &names_.script, &names_.output, &names_.errors})
        unlink_remove(*path);
    unlink_remove(names_.history + "_d");
    unlink_remove(names_.history + "_f");
    for (const std::string* base : {&names_.compressed, &names_.encrypted, &names_.held_packet, &names_.content})
        remove_template_files(*base);
    // Transport files of a pass that ended abruptly carry random names.
    const std::string base_name = names_.base.substr(names_.base.rfind('/') + 1);
    if (DIR* dir = ::opendir(THE_EPOCS_DIR.c_str())) {
        std::vector<std::string> stale;
        while (const dirent* entry = ::readdir(dir))
            if (is_transport_file_of(base_name, entry->d_name)) stale.emplace_back(entry->d_name);
        ::closedir(dir);
        for (const std::string& name : stale) unlink_remove(THE_EPOCS_DIR + "/" + name);
    }
}

// Step 14: the ship personality asks the receiver.
int ShippingPass::fetch_confirmation() {
    if (!pass_read_host_map(location_)) return fail(fmt_msg(NO_HOST_MAP, packet().c_str(), location_.c_str()), true);
    const Confirmation outcome = pass_fetch_confirmation(names_, location_);
    switch (outcome) {
        case Confirmation::confirmed:
            log_it('n', fmt_msg(CONFIRMED, packet().c_str(), location_.c_str()));
            break;
        case Confirmation::receiver_busy:
            unlink_remove(names_.script);
            unlink_remove(names_.busy_flag);
            log_it('w', RECEIVER_BUSY);
            keep_request_for_retry();
            post_ship();
            return 0;
        case Confirmation::no_confirmation:
            log_it('n', fmt_msg(NO_CONFIRMATION, packet().c_str(), location_.c_str()));
            break;
        case Confirmation::script_not_written:
            log_it('n', fmt_msg(NO_CONFIRMATION_SCRIPT, packet().c_str(), location_.c_str()));
            break;
    }
    unlink_remove(names_.script);
    unlink_remove(names_.busy_flag);
    pass_time_ = std::time(nullptr);
    return 1;
}

// Step 15: the hold personality reads what the outside carrier left.
int ShippingPass::hold_confirmation() {
    if (file_size_or_zero(names_.held_busy_flag) > 0) {
        unlink_remove(names_.script);
        log_it('w', HELD_BUSY);
        keep_request_for_retry();
        post_ship();
        return 0;
    }
    pass_time_ = std::time(nullptr);
    if (file_size_or_zero(names_.held_epoc) > 0) copy_file(names_.held_epoc, names_.epoc, ATTR_PUBLIC);
    log_it('n', fmt_msg(HOLD_EPOC, packet().c_str(), location_.c_str()));
    return 1;
}

// Step 16: the confirmed epoch bounds the history of this packet.
int ShippingPass::read_since() {
    const std::string& epoc = holding() ? names_.held_epoc : names_.epoc;
    since_.clear();
    do_lshistory_ = true;
    if (file_size_or_zero(epoc) == 0) {
        unlink_remove(epoc);
        log_it('n', fmt_msg(ALL_DATA, packet().c_str(), location_.c_str()));
        do_lshistory_ = false;
        return 1;
    }
    shipper_config::FileText text = shipper_config::read_bounded_file(epoc, EPOC_READ_MAX);
    if (text.status == shipper_config::ReadStatus::missing || text.status == shipper_config::ReadStatus::unreadable)
        return fail(EPOC_UNREADABLE, true);
    const std::string word(shipper_config::first_word(text.text));
    // Only a date-time word may bound the export: anything else (a damaged
    // or foreign file) would make every later export fail.
    if (!is_since_word(word)) {
        log_it('w', EPOC_INVALID);
        log_it('n', fmt_msg(ALL_DATA, packet().c_str(), location_.c_str()));
        do_lshistory_ = false;
        return 1;
    }
    since_ = word;
    pass_time_ = std::time(nullptr);
    log_it('n', fmt_msg(DATA_SINCE, since_.c_str(), packet().c_str(), location_.c_str()));
    return 1;
}

// Step 17: the history export (or a deployment's tree description).
int ShippingPass::export_tree() {
    replicated_path_ = orig_portion_ == "." ? vob_tag_ : vob_tag_ + "/" + orig_portion_;
    view_path_ = "/view/" + settings_.EXPORT_VIEW + replicated_path_;
    struct stat st {};
    if (::stat(view_path_.c_str(), &st) != 0)
        return fail(fmt_msg(NO_REPLICATION_DIR, view_path_.c_str(), packet().c_str(), location_.c_str()), true);
    is_dir_ = S_ISDIR(st.st_mode);
    switch (is_a_slink_or_error(view_path_)) {
        case -1:
            return fail(fmt_msg(DESCRIBE_FAILED, view_path_.c_str()), true);
        case 1:
            return fail(fmt_msg(TOP_IS_SLINK, is_dir_ ? "directory" : "file", view_path_.c_str(), packet().c_str(),
                                location_.c_str()),
                        true);
        default:
            break;
    }
    if (is_deployment_) {
        std::string error;
        if (!pass_describe_deployment(view_path_, is_dir_, names_.history, error))
            return fail(fmt_msg(BUILD_FAILED, packet().c_str(), location_.c_str(), ENOENT, error.c_str()), true);
    } else {
        export_history(settings_.EXPORT_VIEW, replicated_path_, is_dir_, since_, names_.history);
    }
    if (!this_file_exists(names_.history)) return fail_errno(true, BUILD_FAILED, ENOENT);
    return 1;
}

// Step 18: the symbolic links of a replicated directory.
int ShippingPass::gather_slinks() {
    if (is_deployment_ || !is_dir_ || !pass_slinks_on()) return 1;
    if (pass_gather_slinks(view_path_, names_.slink_scan, orig_portion_ == ".")) return 1;
    unlink_remove(names_.slink_scan);
    unlink_remove(names_.history);
    return 0;
}

// Step 20.
int ShippingPass::metadata_passes() {
    MetadataFailure failure;
    errno = 0;
    if (pass_metadata_passes(names_.history, failure)) return 1;
    const int error = errno;
    unlink_remove(names_.history);
    if (failure.failed == 's') return fail_errno(true, SLINK_PASS_FAILED, error);
    if (failure.failed == 'm') return fail_errno(true, MERGE_PASS_FAILED, error);
    const char* kind = failure.failed == 'B' ? "branch" : failure.failed == 'L' ? "label" : "attribute";
    return fail(fmt_msg(METADATA_PASS_FAILED, failure.pass_number, kind, packet().c_str(), location_.c_str(), error,
                        std::strerror(error)),
                true);
}

// Steps 21-22.
int ShippingPass::convert() {
    if (!is_deployment_) {
        log_it('t', fmt_msg(TOC_BANNER, "replication", packet().c_str(), location_.c_str()));
        log_text('t', HEADER_VERSIONS_FOLLOW);
    }
    PassConversion c;
    c.names = &names_;
    c.key = &key_;
    c.location = location_;
    c.receiver_bay = holding() ? std::string() : pass_receiver_directory();
    c.view = settings_.EXPORT_VIEW;
    c.replicated_path = replicated_path_;
    c.view_path = view_path_;
    c.is_dir = is_dir_;
    c.since = since_;
    c.do_lshistory = do_lshistory_;
    c.post_label_processing = !is_deployment_;
    c.destructive_processing = !is_deployment_;
    c.ship_dir = SHIP_DIR;
    c.tmp_dir = VL_TMP_DIR;
    errno = 0;
    const int ok = pass_convert(c);
    const int error = errno;
    unlink_remove(names_.history);
    if (!ok) {
        log_it('e', fmt_msg(ERROR_PROCESSING, pass_file_working_on().c_str()));
        remove_template_files(names_.content);
        return fail_errno(true, CONVERSION_FAILED, error);
    }
    if (is_deployment_) {
        log_it('d', fmt_msg(DEPLOY_ENDED, packet().c_str()));
        log_it('n', fmt_msg(DEPLOY_ENDED, packet().c_str()));
    } else {
        log_text('t', fmt_msg(E_O_TOC, BANNER, BANNER));
    }
    remove_ship_files();
    return 1;
}

// Step 23.
int ShippingPass::compress_and_encrypt() {
    const std::string dest_path = dest_portion_ == "." ? destination_ : destination_ + "/" + dest_portion_;
    const std::string deploy = is_deployment_ ? key_.deployment_location : "-";
    errno = 0;
    if (!compress_multipart_file(names_.content, names_.compressed, destination_, dest_path, deploy)) {
        const int error = errno;
        remove_template_files(names_.content);
        remove_template_files(names_.compressed);
        return fail_errno(true, COMPRESSION_FAILED, error);
    }
    remove_template_files(names_.content);
    errno = 0;
    if (!crypt_multipart_file(names_.compressed, names_.encrypted)) {
        const int error = errno;
        remove_template_files(names_.compressed);
        remove_template_files(names_.encrypted);
        return fail_errno(true, ENCRYPTION_FAILED, error);
    }
    remove_template_files(names_.compressed);
    unlink_remove(names_.building);
    return 1;
}

// Step 24: the packet is left in the hold directory for an outside carrier.
int ShippingPass::hold_packet() {
    log_it('n', fmt_msg(HOLDING, packet().c_str(), location_.c_str()));
    const int parts = MULTIPART.XTRA_PACKET_PARTS;
    errno = 0;
    bool moved = move_file(names_.encrypted, names_.held_packet, ATTR_LEAVE) != 0;
    for (int i = 1; moved && i <= parts; ++i)
        moved = move_file(fmt_msg("%s_%d", names_.encrypted.c_str(), i),
                          fmt_msg("%s_%d", names_.held_packet.c_str(), i), ATTR_LEAVE) != 0;
    const std::string epoch = calc_since(pass_time_, settings_.UTC_OFFSET);
    if (!moved || !pass_write_trailer(names_.held_trailer, epoch, is_deployment_, destination_,
                                      pass_versions_in_packet(), names_.held_packet, parts)) {
        const int error = errno;
        remove_template_files(names_.encrypted);
        remove_template_files(names_.held_packet);
        unlink_remove(names_.held_trailer);
        return fail_errno(true, HOLD_FAILED, error);
    }
    if (is_deployment_) {
        log_it('d', fmt_msg(DEPLOY_DONE, "HELD", packet().c_str()));
        log_it('n', fmt_msg(DEPLOY_DONE, "HELD", packet().c_str()));
    }
    return completed();
}

// Step 25: the packet travels with the transport program.
int ShippingPass::send_packet() {
    log_it('n', fmt_msg(SENDING, packet().c_str(), location_.c_str()));
    if (settings_.transport_kind != TransportKind::Ftp)
        log_it('n', fmt_msg(USING_PROGRAM, transport_kind_name(settings_.transport_kind),
                            transport_kind_number(settings_.transport_kind)));
    const int parts = MULTIPART.XTRA_PACKET_PARTS;
    errno = 0;
    if (!pass_make_instructions(names_, parts)) {
        const int error = errno;
        remove_template_files(names_.encrypted);
        return fail_errno(true, INSTRUCTIONS_FAILED, error);
    }
    const std::string epoch = calc_since(pass_time_, settings_.UTC_OFFSET);
    int sent = pass_write_trailer(names_.trailer, epoch, is_deployment_, destination_, pass_versions_in_packet(),
                                  names_.encrypted, parts);
    if (sent) sent = pass_follow_instructions(names_, location_);
    const int error = errno;
    remove_template_files(names_.encrypted);
    unlink_remove(names_.script);
    unlink_remove(names_.trailer);
    if (!sent) {
        keep_request_for_retry();
        return fail_errno(true, SENDING_FAILED, error);
    }
    unlink_remove(names_.output);
    unlink_remove(names_.errors);
    remove_template_files(names_.content);
    if (is_deployment_) {
        log_it('d', fmt_msg(DEPLOY_DONE, "SENT", packet().c_str()));
        log_it('n', fmt_msg(DEPLOY_DONE, "SENT", packet().c_str()));
    }
    return completed();
}

int ShippingPass::run() {
    if (!this_file_exists(names_.request)) return 1;
    if (!take_request()) return 0;
    if (SHIPPER.TEST_MODE) log_it('n', TEST_ONLY);

    log_it('n', fmt_msg(PROCESSING, names_.request_name.c_str(), settings_.THIS_LOCATION.c_str()));
    log_encryption_in_use();
    pass_select_metadata(key_, settings_.SLINK_SCALE, SHIPPER.VANDREL_SLINK_PROCESSING_OVERRIDE_ON);
    log_requested_selection(packet());

    if (!validate_request()) return 0;
    if (!check_vob()) return 0;
    if (SHIPPER.TEST_MODE) return 1;

    if (execute_trigger_script('<', settings_.THIS_LOCATION, packet(), vob_id_, location_, vob_tag_) != 0) {
        log_it('n', DENIED_BY_PRE_SHIP);
        return 0;
    }
    SHIPPER.PACKET_END_STATUS = "NOK";
    remove_leftovers();

    std::string problem = set_export_config_spec(names_.config_spec, names_.edited_config_spec, settings_.EXPORT_VIEW);
    if (!problem.empty()) return fail(problem, true);

    pass_set_transport(settings_, HOSTMAPS_DIR, THE_EPOCS_DIR);
    if (!(holding() ? hold_confirmation() : fetch_confirmation())) return 0;
    if (!read_since()) return 0;
    if (!export_tree()) return 0;
    if (!gather_slinks()) return 0;
    if (is_deployment_) {
        const std::string text =
            fmt_msg(DEPLOY_STARTED, packet().c_str(), is_dir_ ? "directory" : "file", view_path_.c_str());
        log_it('d', text);
        log_it('n', text);
    } else if (!metadata_passes()) {
        return 0;
    }
    if (!convert()) return 0;
    if (!compress_and_encrypt()) return 0;
    return holding() ? hold_packet() : send_packet();
}

}  // namespace

int make_package_if_reqired(int vob_id, const std::string& vob_tag, const std::string& destination,
                            const std::string& orig_portion, const std::string& dest_portion,
                            const std::string& location, bool is_deployment) {
    SHIPPER.LOST_RACE = false;
    SHIPPER.PACKET_BUILT = false;
    SHIPPER.PACKET_END_STATUS = "NOK";
    init_since();
    ShippingPass pass(SHIPPER.CURRENT_KEY, vob_id, vob_tag, destination, orig_portion, dest_portion, location,
                      is_deployment);
    unlink_remove(pass.names().building);
    int result = pass.run();
    unlink_remove(pass.names().building);
    remove_ship_files();
    release_and_remove_temp_lock();
    // Packet time stamps have a one-second grain: the next packet must not
    // share this one's second. A pass with nothing to do costs no sleep.
    if (result == 1 && SHIPPER.PACKET_BUILT) zeb_sleep(1);
    return result;
}
