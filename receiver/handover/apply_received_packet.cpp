#include "receiver/handover/apply_received_packet.h"

// Normalisation and application are not part of this build yet: a
// replication packet is accepted as it is, without touching its VOB, so that
// the road to the confirmation is complete; a deployment package is refused,
// since writing its files is what it is sent for.
ApplyOutcome apply_received_packet(const ReceivedPacket& packet) {
    ApplyOutcome outcome;
    if (packet.is_deployment) {
        outcome.failure = "-- DEPLOYMENT packages are not applied by this receiver build. Pass Aborted for package (" +
                          packet.data_path + ")...";
        return outcome;
    }
    outcome.applied = true;
    return outcome;
}
