// The quick lock checks of the label and attribute commands run after the
// import: a command that failed on a type locked here says so. The answers
// are read as the normaliser reads them (receiver/apply/type_lock.h).
#pragma once

#include <string>

#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// 1 when the label type (attribute type) name@T is locked for the receiver.
// The last name asked and its answer are remembered in the packet, so a
// repeated question for the same name runs no command.
int quick_label_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet);
int quick_attribute_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet);

}  // namespace receiver_metadata
