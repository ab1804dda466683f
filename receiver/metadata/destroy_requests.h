// The removal, type and lock requests of a packet (its removal and lock
// section), handled before the import. Each request is allowed or refused by
// the receiver key's permission flags and the process's ignore settings and
// is listed in the table of contents with the reason when it is not carried
// out. Locks are only noted here (and the objects unlocked so that the import
// can use them); apply_deferred_locks applies them after the import.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "codecs/packet_destroy.h"
#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// Reads the section file and handles every request in it. A section longer
// than `limit` bytes is cut there (MSG_115). Returns 0 when the file cannot
// be read (the packet is then tossed by the caller), 1 otherwise.
int process_destroy_section(const std::string& dhist_path, const MetadataSettings& settings, MetadataPacket& packet,
                            std::size_t limit);
int process_destroy_section(const std::string& dhist_path, const MetadataSettings& settings, MetadataPacket& packet);

// Handles the requests of a section text ("DESTROY>" and records; any other
// text carries none), after writing HEADER_RMELE_RMTYPES_FOLLOW.
void process_destroy_text(std::string_view text, const MetadataSettings& settings, MetadataPacket& packet);

// One request of a given kind; unknown kinds are ignored.
void process_destroy_record(const DestroyRecord& record, const MetadataSettings& settings, MetadataPacket& packet);

// The requests, one per kind. Objects are paths relative to the replicated
// directory as the packet gives them.
void process_element_removal(const MetadataSettings& settings, bool directory, const std::string& object);
void process_branch_or_version_removal(const MetadataSettings& settings, bool branch, const std::string& object);
void process_type_removal(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                          const std::string& name);
// "mktype" or, with `modify`, "modtype": both make or replace the type.
void process_type_creation_or_modification(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                           bool modify, const std::string& record);
void process_type_rename(const MetadataSettings& settings, TypeKind kind, const std::string& object);
void process_type_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind, bool lock,
                                 const std::string& name);
void process_element_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, bool lock,
                                    const std::string& object);
void process_branch_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, bool lock,
                                   const std::string& object);
void process_merge_arrow_removal(const MetadataSettings& settings, MetadataPacket& packet, const std::string& object);

}  // namespace receiver_metadata
