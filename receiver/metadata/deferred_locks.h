// The lock and unlock requests of a packet, applied after the import so that
// locked objects do not stop it.
#pragma once

#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// Locks, in this order, the label types, branch types and attribute types
// (each still governed by its kind's ignore setting and type-lock permission;
// the pseudo label CHECKEDOUT is skipped), then the elements and branches
// noted for locking; then unlocks the objects noted for unlocking in the same
// order.
void apply_deferred_locks(const MetadataSettings& settings, const MetadataPacket& packet);

}  // namespace receiver_metadata
