#include "receiver/handover/apply_received_packet.h"

#include "common/file_ops.h"
#include "common/text_format.h"
#include "receiver/apply/deploy.h"
#include "receiver/apply/normalize.h"
#include "receiver/handover/apply_settings_fill.h"
#include "receiver/handover/handover_messages.h"

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

// The element versions, their metadata and the import are applied by the
// steps that follow normalisation; until they are part of this build the
// normalised packet is accepted without touching the VOB.
ApplyOutcome apply_to_vob(const ReceivedPacket&) {
    return applied();
}

}  // namespace

ApplyOutcome apply_received_packet(const ReceivedPacket& packet) {
    begin_packet_application(*packet.key_line, packet.versions);
    if (!normalize_file(packet.data_path, packet.unorm, packet.zeb, packet.receiving_dir, packet.vob_tag,
                        packet.vob_path))
        return tossed(fmt_msg(MSG_14, packet.data_path.c_str()));
    unlink_remove(packet.unorm);
    if (packet.is_deployment) return deploy(packet);
    return apply_to_vob(packet);
}
