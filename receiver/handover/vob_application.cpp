#include "receiver/handover/vob_application.h"

#include <unistd.h>

#include "codecs/extract.h"
#include "common/text_format.h"
#include "receiver/apply/apply_state.h"
#include "receiver/config/receiver_state.h"
#include "receiver/metadata/metadata_steps.h"
#include "receiver/versions/import_run.h"
#include "receiver/versions/versions_messages.h"
#include "receiver/versions/versions_state.h"

using receiver_metadata::MetadataPacket;
using receiver_metadata::MetadataSettings;

namespace {

// The metadata permission flag of each option family of a receiver key line.
struct FamilyFlag {
    Family family;
    int receiver_metadata::ReceiverKeyPermissions::*flag;
};
using Allow = receiver_metadata::ReceiverKeyPermissions;
constexpr FamilyFlag FAMILY_FLAGS[] = {
    {RMBRANCH, &Allow::ALLOW_RMBRANCH_FROM_REMOTE},         {RMVER, &Allow::ALLOW_RMVER_FROM_REMOTE},
    {RMLBTYPE, &Allow::ALLOW_RMLBTYPE_FROM_REMOTE},         {RMBRTYPE, &Allow::ALLOW_RMBRTYPE_FROM_REMOTE},
    {RMATTYPE, &Allow::ALLOW_RMATTYPE_FROM_REMOTE},         {RNLBTYPE, &Allow::ALLOW_RNLBTYPE_FROM_REMOTE},
    {RNBRTYPE, &Allow::ALLOW_RNBRTYPE_FROM_REMOTE},         {RNATTYPE, &Allow::ALLOW_RNATTYPE_FROM_REMOTE},
    {LBTYPE_LOCKS, &Allow::ALLOW_LBTYPE_LOCKS_FROM_REMOTE}, {BRTYPE_LOCKS, &Allow::ALLOW_BRTYPE_LOCKS_FROM_REMOTE},
    {ATTYPE_LOCKS, &Allow::ALLOW_ATTYPE_LOCKS_FROM_REMOTE}, {ELEMENT_LOCKS, &Allow::ALLOW_ELEMENT_LOCKS_FROM_REMOTE},
    {BRANCH_LOCKS, &Allow::ALLOW_BRANCH_LOCKS_FROM_REMOTE},
};

}  // namespace

MetadataSettings metadata_settings_for(const ReceivedPacket& packet) {
    MetadataSettings s;
    const ReceiverKeyLine& key = *packet.key_line;
    receiver_metadata::ReceiverKeyPermissions& a = s.allow;
    a.ALLOW_RMELEM_DIR_FROM_REMOTE = key.rmelem == RmelemAllowed::Dir || key.rmelem == RmelemAllowed::All;
    a.ALLOW_RMELEM_FILE_FROM_REMOTE = key.rmelem == RmelemAllowed::File || key.rmelem == RmelemAllowed::All;
    for (const FamilyFlag& f : FAMILY_FLAGS) a.*(f.flag) = key.allowed[f.family] ? 1 : 0;
    const ApplySettings& S = APPLY_SETTINGS;
    s.ignore.ignore_received_label_data = S.read_ignore_received_label_data;
    s.ignore.ignore_received_branch_data = S.read_ignore_received_branch_data;
    s.ignore.ignore_received_attribute_data = S.read_ignore_received_attribute_data;
    s.vob_tag = packet.vob_tag;
    s.view = S.IMPORT_VIEW;
    s.vob_path = packet.vob_path;
    s.location = UNDEFINED_LOCATION;
    s.user = receiving_user();
    return s;
}

namespace {

// The section file that cannot be read, named in the message that tosses
// the packet.
const std::string& unreadable_section(const ReceivedPacket& packet) {
    return ::access(packet.post.c_str(), R_OK) != 0 ? packet.post : packet.dhist;
}

}  // namespace

ApplyOutcome apply_vob_packet(const ReceivedPacket& packet, MetadataSettings& settings, MetadataPacket& metadata) {
    ApplyOutcome outcome;
    settings.location = VERSIONS_PACKET.location;
    if (!receiver_metadata::metadata_before_import(packet.post, packet.dhist, settings, metadata)) {
        outcome.failure = fmt_msg(MSG_50, unreadable_section(packet).c_str(), packet.data_path.c_str());
        return outcome;
    }
    const int imported = import_element_versions(packet.receiving_dir, packet.zeb, packet.data_path, packet.vob_tag,
                                                 packet.vob_path, packet.nele, EXTRACT.XTAR_IMPORT_I,
                                                 [&] { receiver_metadata::metadata_after_import(settings, metadata); });
    if (!imported) {
        // finish_import logged why; the shipper sees the pending descriptor
        // until the next pass tosses it, then sends the packet again.
        outcome.keep_pending = true;
        return outcome;
    }
    outcome.applied = true;
    return outcome;
}
