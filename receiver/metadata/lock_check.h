// Whether a type is locked against the receiver, decided from the text that
// `cleartool lslock -fmt %c` prints (never from its exit status alone: a
// command that lists nothing may still succeed).
#pragma once

#include <string>
#include <string_view>

#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// 1 when the first line of an lslock answer locks `user` out: "Locked for
// all ..." or "Locked except for users: ..." without `user` in the list.
int lock_answer_locks_out(std::string_view answer, std::string_view user);

// 1 when the label type (attribute type) name@T is locked for the receiver.
// The last name asked and its answer are remembered in the packet, so a
// repeated question for the same name runs no command.
int quick_label_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet);
int quick_attribute_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet);

}  // namespace receiver_metadata
