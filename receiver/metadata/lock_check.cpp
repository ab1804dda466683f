#include "receiver/metadata/lock_check.h"

#include "common/cc_query.h"

namespace receiver_metadata {

int quick_label_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet) {
    return quick_lock_check(packet.LAST_LABEL_LOCK_CHECKED, LBTYPE, name, settings.vob_tag, settings.user);
}

int quick_attribute_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet) {
    return quick_lock_check(packet.LAST_ATTRIBUTE_LOCK_CHECKED, ATTYPE, name, settings.vob_tag, settings.user);
}

}  // namespace receiver_metadata
