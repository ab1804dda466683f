// Process-wide state of the packet application steps.
#include "receiver/apply/apply_state.h"

#include "common/depot.h"

ApplySettings APPLY_SETTINGS;
ApplyPacket APPLY_PACKET;

void reset_apply_packet() {
    APPLY_PACKET = ApplyPacket{};
}

void free_lock_types() {
    APPLY_PACKET.LOCKED_BRTYPES.clear();
    APPLY_PACKET.LOCKED_LBTYPES.clear();
    APPLY_PACKET.LOCKED_ATTYPES.clear();
}

void add_versioned_file(const std::string& view_path) {
    if (APPLY_PACKET.VERSIONED_FILE_SET.insert(view_path).second) APPLY_PACKET.VERSIONED_FILE_LIST.push_back(view_path);
}

std::string receiving_user() {
    if (!APPLY_SETTINGS.RECEIVER_USER.empty()) return APPLY_SETTINGS.RECEIVER_USER;
    const char* user = calculated_user();
    return user ? user : "";
}

std::string view_path_of(const std::string& vob_path, const std::string& name) {
    return "/view/" + APPLY_SETTINGS.IMPORT_VIEW + vob_path + "/" + name;
}
