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

bool NewVersionList::add(const std::string& path) {
    if (index_.contains(path)) return false;
    paths_.push_back(path);
    index_.insert(paths_.back());
    return true;
}

void NewVersionList::drop_last() {
    if (paths_.empty()) return;
    index_.erase(paths_.back());
    paths_.pop_back();
}

void NewVersionList::clear() {
    index_.clear();
    paths_.clear();
}

bool add_versioned_file(const std::string& view_path) {
    return APPLY_PACKET.VERSIONED_FILE_LIST.add(view_path);
}

std::string receiving_user() {
    if (!APPLY_SETTINGS.RECEIVER_USER.empty()) return APPLY_SETTINGS.RECEIVER_USER;
    const char* user = calculated_user();
    return user ? user : "";
}

std::string view_path_of(const std::string& vob_path, const std::string& name) {
    return "/view/" + APPLY_SETTINGS.IMPORT_VIEW + vob_path + "/" + name;
}
