#include "receiver/metadata/metadata_steps.h"

#include "receiver/metadata/deferred_locks.h"
#include "receiver/metadata/destroy_requests.h"
#include "receiver/metadata/post_requests.h"

namespace receiver_metadata {

int metadata_before_import(const std::string& post_path, const std::string& dhist_path,
                           const MetadataSettings& settings, MetadataPacket& packet) {
    if (!process_post_section(post_path, settings, packet)) return 0;
    if (dhist_path.empty()) return 1;
    return process_destroy_section(dhist_path, settings, packet);
}

void metadata_after_import(const MetadataSettings& settings, MetadataPacket& packet) {
    run_commands_to_repeat(settings, packet);
    apply_deferred_locks(settings, packet);
}

}  // namespace receiver_metadata
