#include "receiver/intake/packet_road.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <string>
#include <vector>

#include "codecs/codec_status.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/extract.h"
#include "codecs/multipart.h"
#include "codecs/packet_integrity.h"
#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "receiver/config/receiver_messages.h"
#include "receiver/config/receiver_state.h"
#include "receiver/apply/apply_state.h"
#include "receiver/handover/apply_received_packet.h"
#include "receiver/intake/descriptor.h"
#include "receiver/intake/vob_checks.h"
#include "receiver/triggers/receiver_triggers.h"

namespace {

// Largest data file accepted (one byte below the file size ceiling).
constexpr std::int64_t LARGEST_DATA_FILE = FILE_SIZE_CEILING - 1;

struct PacketState {
    PacketState(const ReceiverKeyLine& line, const PacketFamily& family) : key(line), f(family) {}
    const ReceiverKeyLine& key;
    const PacketFamily& f;
    DescriptorFacts descriptor;
    int PACKET_END_STATUS = PACKET_NOT_COMPLETED;
    std::string CURRENT_RECEIVING_DEST_DIR;
    bool is_deployment = false;
    bool owns_packet_files = true;  // tossing removes the packet file and its parts
    bool email_collected = false;   // the application wrote e-mail digest text for this packet
};

PacketTriggerFacts trigger_facts(const PacketState& p) {
    PacketTriggerFacts facts;
    facts.package_path = p.f.descriptor;
    facts.receiving_line = p.key.line;
    facts.deployment = p.is_deployment;
    facts.destination = p.CURRENT_RECEIVING_DEST_DIR;
    facts.status = p.PACKET_END_STATUS;
    facts.has_email = p.email_collected;
    if (facts.has_email) facts.email_file = LOG_FILES.MLOG_FILE;
    return facts;
}

// Logs the message (none when the failing step logged its own), removes every file of the packet and tells the
// post-receive trigger (unless the pre-receive trigger refused it).
PacketEnd toss(PacketState& p, const std::string& message, bool run_post_trigger = true) {
    if (!message.empty()) log_it('e', message);
    remove_extracted_files();
    if (p.owns_packet_files) remove_template_files(p.f.data);
    if (run_post_trigger)
        execute_trigger_script(TRIGGER_POST_RECEIVE, RECEIVER.settings.THIS_LOCATION, trigger_facts(p));
    return PacketEnd::Tossed;
}

// The announcement of a packet: what it is and under which permissions it
// is applied.
void log_packet_intro(const PacketState& p) {
    const ReceiverKeyLine& key = p.key;
    log_it('n', fmt_msg(MSG_01, p.f.descriptor.c_str()));
    log_it('n', fmt_msg(COMMON_MSG_26, ENCRYPTION.USING_ENCRYPTION, "decryption"));
    switch (key.protection) {
        case Protection::Preserve:
            log_it('n', MSG_01a);
            break;
        case Protection::Exactly:
            log_it('n', fmt_msg(MSG_01b, key.exact_user.c_str(), key.exact_group.c_str()));
            break;
        default:
            log_it('n', MSG_01c);
            break;
    }
    log_it('n', fmt_msg(MSG_01e, rmelem_word(key.rmelem)));
    for (int family = 0; family < FAMILY_COUNT; ++family)
        log_it('n', fmt_msg(MSG_01f, key.option_in_force(Family(family)).c_str()));
    log_it('n', fmt_msg(MSG_01f, key.label_dir ? "label_dir" : "no_label_dir"));
    long n = p.descriptor.versions;
    if (n >= 0) log_it('n', fmt_msg(MSG_01d, n, n == 1 ? "" : "s"));
}

// Blanks as wide as the time stamp of a log line, so that a continuation
// line starts under the text of the line above.
std::string log_time_tab() {
    mark_time();
    return std::string(CURRENT_TIME_STRING.size() + UTC_OFFSET.size() + std::char_traits<char>::length(UTC_BARK) + 3,
                       ' ');
}

// Takes one name off the clean-up list, so that it survives the packet.
void forget_extracted_file(const std::string& name) {
    std::vector<std::string> kept;
    for (const std::string& listed : EXTRACTED_FILES)
        if (listed != name) kept.push_back(listed);
    EXTRACTED_FILES.clear();
    for (const std::string& listed : kept) EXTRACTED_FILES.push(listed);
}

// An empty private file, created afresh: never through a link that someone
// else left under its name.
void create_marker(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
}

bool is_regular_file(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A VOB path that climbs out of the view root cannot name a VOB.
bool leaves_view_root(const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

bool absent_field(const std::string& field) {
    return field.empty() || field == "-";
}

// Decryption, uncompression and the classification of the packet; an empty
// text on success, else the message that tosses it.
std::string open_packet(PacketState& p, std::string& vob_tag, std::string& vob_path, std::string& deploy_dir) {
    const PacketFamily& f = p.f;
    push_extracted_file(f.decrypted);
    for (const std::string* name : {&f.decrypting, &f.decrypted, &f.archive, &f.unorm, &f.pre, &f.post, &f.dhist,
                                    &f.nele, &f.zeb, &f.config_spec})
        unlink_remove(*name);
    create_marker(f.decrypting);
    if (!decrypt_multipart_file(f.data, f.decrypted)) return fmt_msg(MSG_06, f.data.c_str());
    attr_file(f.decrypted, ATTR_SECRET);
    unlink_remove(f.decrypting);

    push_extracted_file(f.archive);
    if (!uncompress_multipart_file(f.decrypted, f.archive, vob_tag, vob_path, deploy_dir))
        return fmt_msg(MSG_07, f.data.c_str());
    attr_file(f.archive, ATTR_SECRET);
    remove_template_files(f.decrypted);
    if (absent_field(vob_tag)) vob_tag.clear();
    if (absent_field(vob_path)) vob_path.clear();
    if (absent_field(deploy_dir)) deploy_dir.clear();
    return {};
}

// Confirmation: the pending descriptor becomes <base>.epoc, stamped now.
PacketEnd confirm(PacketState& p) {
    const PacketFamily& f = p.f;
    p.PACKET_END_STATUS = HAS_WARNINGS ? PACKET_COMPLETED_WITH_WARNINGS : PACKET_COMPLETED;
    unlink_remove(f.confirmation);
    if (!move_file(f.pending, f.confirmation, ATTR_LEAVE)) {
        p.PACKET_END_STATUS = PACKET_NOT_COMPLETED;
        return toss(p, fmt_msg(MSG_03, f.descriptor.c_str()));
    }
    utime(f.confirmation.c_str(), nullptr);
    remove_extracted_files();
    log_it('n', fmt_msg(MSG_17, f.data.c_str()));
    execute_trigger_script(TRIGGER_POST_RECEIVE, RECEIVER.settings.THIS_LOCATION, trigger_facts(p));
    return PacketEnd::Confirmed;
}

}  // namespace

PacketEnd process_received_packet(const ReceiverKeyLine& key, const PacketFamily& f, LockedVobMemory& locked) {
    PacketState p(key, f);
    const ReceiverSettings& settings = RECEIVER.settings;
    const bool test_mode = RECEIVER.IN_MATRIX_MODE;

    p.descriptor = read_packet_descriptor(f.descriptor);
    if (!test_mode) {
        const std::string& tag = p.descriptor.vob_tag;
        if (p.descriptor.read && !tag.empty()) {
            if (vob_is_locked_for(tag, DEPOT_PATHS._CALCULATED_USER)) {
                if (locked.note_locked(tag, std::time(nullptr))) {
                    log_it('w', fmt_msg(MSG_LOCKED_VOB, f.descriptor.c_str(), tag.c_str(), log_time_tab().c_str()));
                }
                return PacketEnd::Skipped;
            }
            locked.note_unlocked(tag);
        }
        for (const std::string* name : {&f.descriptor, &f.data, &f.decrypting, &f.pending}) push_extracted_file(*name);
    } else {
        // Nothing is put on the clean-up list: a test run changes no file.
        log_it('n', COMMON_MSG_13);
    }
    log_packet_intro(p);
    if (test_mode) {
        log_it('n', TEST_PACKET_END);
        return PacketEnd::Announced;
    }

    unlink_remove(f.pending);
    if (execute_trigger_script(TRIGGER_PRE_RECEIVE, settings.THIS_LOCATION, trigger_facts(p)) != 0)
        return toss(p, MSG_PRE_RECEIVE_DENIED, false);

    if (!move_file(f.descriptor, f.pending, ATTR_LEAVE)) return toss(p, fmt_msg(MSG_03, f.descriptor.c_str()));
    utime(f.pending.c_str(), nullptr);

    if (!is_regular_file(f.data)) return toss(p, fmt_msg(MSG_04, f.descriptor.c_str(), f.data.c_str()));
    if (file_size_or_zero(f.data) > LARGEST_DATA_FILE)
        return toss(p, fmt_msg(MSG_76, f.descriptor.c_str(), f.data.c_str()));

    // A packet whose trailer names its parts and their digests is opened
    // only when exactly those parts arrived whole.
    std::string detail;
    DescriptorFacts pending = read_packet_descriptor(f.pending);
    if (check_packet_integrity(pending.text, f.data, detail) == PacketIntegrity::Damaged)
        return toss(p, fmt_msg(MSG_INCOMPLETE, f.descriptor.c_str(), f.data.c_str(), detail.c_str()));

    std::string vob_tag, vob_path, deploy_dir;
    std::string trouble = open_packet(p, vob_tag, vob_path, deploy_dir);
    if (!trouble.empty()) return toss(p, trouble);

    ReceivedPacket packet;
    packet.data_path = f.data;
    packet.receiving_dir = f.dir;
    packet.versions = p.descriptor.versions;
    packet.key_line = &key;
    if (!deploy_dir.empty()) {
        p.is_deployment = true;
        p.CURRENT_RECEIVING_DEST_DIR = deploy_dir;
    } else if (!vob_tag.empty()) {
        p.CURRENT_RECEIVING_DEST_DIR = vob_tag;
        if (vob_tag[0] != '/' && vob_tag[0] != '\\') return toss(p, fmt_msg(MSG_68, f.data.c_str()));
        if (leaves_view_root(vob_path)) return toss(p, fmt_msg(MSG_BAD_VOB_PATH, vob_path.c_str(), f.data.c_str()));
        trouble = check_receiving_vob(vob_tag, f.data);
        if (!trouble.empty()) return toss(p, trouble);
    } else {
        return toss(p, fmt_msg(MSG_68, f.data.c_str()));
    }

    for (const std::string* name : {&f.config_spec, &f.unorm, &f.pre, &f.post, &f.dhist, &f.nele})
        push_extracted_file(*name);
    if (!xtar_multipart_file(f.archive, f.unorm, f.config_spec, f.pre, f.post, f.dhist, f.nele))
        return toss(p, fmt_msg(MSG_13, f.data.c_str()));
    push_extracted_file(f.zeb);

    if (p.is_deployment) {
        packet.target_dir = deploy_dir;
    } else {
        if (!set_import_config_spec(settings.IMPORT_VIEW, f.config_spec))
            return toss(p, fmt_msg(MSG_15, settings.IMPORT_VIEW.c_str()));
        unlink_remove(f.config_spec);
        packet.target_dir = "/view/" + settings.IMPORT_VIEW + vob_path;
        if (!is_directory(packet.target_dir))
            return toss(p, fmt_msg(MSG_16, "import", packet.target_dir.c_str(), f.data.c_str()));
    }

    packet.unorm = f.unorm;
    packet.pre = f.pre;
    packet.post = f.post;
    packet.dhist = f.dhist;
    packet.nele = f.nele;
    packet.zeb = f.zeb;
    packet.vob_tag = vob_tag;
    packet.vob_path = vob_path;
    packet.deployment_dir = deploy_dir;
    packet.is_deployment = p.is_deployment;
    ApplyOutcome outcome = apply_received_packet(packet);
    p.email_collected = APPLY_PACKET.EMAIL_IS_POPULATED != 0;
    if (!outcome.applied) {
        if (outcome.keep_pending) forget_extracted_file(f.pending);
        return toss(p, outcome.failure);
    }
    return confirm(p);
}

PacketEnd toss_leftover_pending(const ReceiverKeyLine& key, const PacketFamily& f) {
    PacketState p(key, f);
    p.owns_packet_files = false;
    log_it('n', fmt_msg(MSG_01, f.pending.c_str()));
    if (RECEIVER.IN_MATRIX_MODE) {
        log_it('n', COMMON_MSG_13);
        log_it('n', TEST_PACKET_END);
        return PacketEnd::Announced;
    }
    // The toss below says "Missing package" (the interrupted run had moved
    // the data on): say first what happened.
    log_it('w', fmt_msg(MSG_LEFTOVER_PENDING, f.pending.c_str()));
    // The receiver's own working files of the interrupted run go with it;
    // the delivered packet files are left for the shipper's next delivery
    // to replace.
    push_extracted_file(f.pending);
    push_extracted_file(f.decrypting);
    for (const std::string* name : {&f.unorm, &f.pre, &f.post, &f.dhist, &f.nele, &f.zeb}) push_extracted_file(*name);
    remove_template_files(f.decrypted);
    remove_template_files(f.archive);
    return toss(p, fmt_msg(MSG_04, f.pending.c_str(), f.decrypting.c_str()));
}
