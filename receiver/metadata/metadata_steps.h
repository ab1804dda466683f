// The two calls the packet road makes for a VOB packet: one before the
// import, one after it.
//
//   MetadataSettings settings = ...;   // key permissions, ignore settings, VOB, view, location, user
//   MetadataPacket packet;             // fresh for every packet
//   if (!metadata_before_import(post, dhist, settings, packet)) toss the packet;
//   ... import the element versions, check the directories in ...
//   metadata_after_import(settings, packet);
#pragma once

#include <string>

#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// Reads the label and attribute section file and queues its commands, then
// handles the removal and lock section file (pass an empty path for a packet
// that has none, such as a deployment). Returns 0 when a named file cannot be
// read.
int metadata_before_import(const std::string& post_path, const std::string& dhist_path,
                           const MetadataSettings& settings, MetadataPacket& packet);

// Runs the queued label and attribute commands, then applies the deferred
// locks and unlocks, so that labels are attached before their types lock.
void metadata_after_import(const MetadataSettings& settings, MetadataPacket& packet);

}  // namespace receiver_metadata
