// Process-wide state of applying element versions.
#include "receiver/versions/versions_state.h"

#include "common/frame.h"
#include "receiver/metadata/type_ops.h"

VersionsSettings VERSIONS_SETTINGS;
VersionsPacket VERSIONS_PACKET;

void reset_versions_packet() {
    VERSIONS_PACKET = VersionsPacket{};
    VERSIONS_PACKET.new_dir_personality = VERSIONS_SETTINGS.new_dir_personality;
}

std::string reserved_attribute_name() {
    return std::string(PROTECTED_VANDREL_ATTRIBUTE) + VERSIONS_PACKET.location;
}

int create_type_if_missing(const std::string& kind, const std::string& scope, const std::string& name,
                           const std::string& vob, const std::string& location) {
    if (VERSIONS_SETTINGS.create_type) return VERSIONS_SETTINGS.create_type(kind, scope, name, vob, location);
    receiver_metadata::MetadataSettings settings;
    settings.program = SELF;
    receiver_metadata::MetadataPacket made;
    return receiver_metadata::create_needed_type(settings, made, kind, scope, name, vob, location);
}

bool is_plain_type_name(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.front() == '-') return false;
    for (unsigned char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '.' || c == '-' || c >= 0x80;
        if (!plain) return false;
    }
    return true;
}
