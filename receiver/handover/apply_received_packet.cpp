#include "receiver/handover/apply_received_packet.h"

#include "common/file_ops.h"
#include "common/text_format.h"
#include "receiver/apply/deploy.h"
#include "receiver/apply/normalize.h"
#include "receiver/handover/apply_settings_fill.h"
#include "receiver/handover/handover_messages.h"
#include "receiver/handover/vob_application.h"
#include "receiver/metadata/type_ops.h"
#include "receiver/versions/header_records.h"
#include "receiver/versions/versions_state.h"

using receiver_metadata::MetadataPacket;
using receiver_metadata::MetadataSettings;

namespace {

ApplyOutcome applied() {
    ApplyOutcome outcome;
    outcome.applied = true;
    return outcome;
}

ApplyOutcome tossed(std::string message) {
    ApplyOutcome outcome;
    outcome.failure = std::move(message);
    return outcome;
}

// A step that failed after logging its own messages: the packet is not
// confirmed, and its pending descriptor stays for the next pass to toss,
// which the shipper sees as the packet still being handled.
ApplyOutcome left_unconfirmed() {
    ApplyOutcome outcome;
    outcome.keep_pending = true;
    return outcome;
}

ApplyOutcome deploy(const ReceivedPacket& packet) {
    if (run_deployment(packet.zeb, packet.target_dir, packet.data_path) == -1) return left_unconfirmed();
    return applied();
}

// While one packet is applied, the types its header records name are made
// by the metadata requests, so that a removal request of the same packet
// spares them. The creator refers to this packet's state only while the
// guard lives.
class PacketTypeCreator {
public:
    PacketTypeCreator(const MetadataSettings& settings, MetadataPacket& metadata) {
        VERSIONS_SETTINGS.create_type = [&settings, &metadata](const std::string& kind, const std::string& scope,
                                                               const std::string& name, const std::string& vob,
                                                               const std::string& location) {
            return receiver_metadata::create_needed_type(settings, metadata, kind, scope, name, vob, location);
        };
    }
    ~PacketTypeCreator() { VERSIONS_SETTINGS.create_type = nullptr; }
    PacketTypeCreator(const PacketTypeCreator&) = delete;
    PacketTypeCreator& operator=(const PacketTypeCreator&) = delete;
};

}  // namespace

ApplyOutcome apply_received_packet(const ReceivedPacket& packet) {
    begin_packet_application(*packet.key_line, packet.versions);
    if (!normalize_file(packet.data_path, packet.unorm, packet.zeb, packet.receiving_dir, packet.vob_tag,
                        packet.vob_path))
        return tossed(fmt_msg(MSG_14, packet.data_path.c_str()));
    unlink_remove(packet.unorm);

    MetadataSettings settings = metadata_settings_for(packet);
    MetadataPacket metadata;
    PacketTypeCreator creator(settings, metadata);
    std::string toss_message;
    if (!apply_header_records(packet.pre, packet.data_path, packet.is_deployment ? std::string() : packet.vob_tag,
                              packet.vob_path, toss_message))
        return tossed(toss_message);
    if (packet.is_deployment) return deploy(packet);
    return apply_vob_packet(packet, settings, metadata);
}
