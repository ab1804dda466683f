// The label and attribute requests of a packet (its label and attribute
// section): read and prepared before the import, run after it, when the
// imported versions exist.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/packet_post.h"
#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// Reads the section file, notes the label and attribute types it names that
// the VOB lacks (make_reference_lists) and queues one command per record
// whose object exists in the import view (packet.COMMANDS_TO_REPEAT). A
// section longer than `limit` bytes is cut there (MSG_113). Returns 0 when
// the file cannot be read (the packet is then tossed by the caller).
int process_post_section(const std::string& post_path, const MetadataSettings& settings, MetadataPacket& packet,
                         std::size_t limit);
int process_post_section(const std::string& post_path, const MetadataSettings& settings, MetadataPacket& packet);

// The same for a section text ("POST>" and records; any other text carries
// none). `table_limit` is the size of each back-reference numbering.
void process_post_text(std::string_view text, const MetadataSettings& settings, MetadataPacket& packet,
                       std::size_t table_limit = BACK_REFERENCE_TABLE_MAX);

// Notes every label type and attribute type that the records name and the
// VOB lacks (unless that data is ignored) as made for this packet, to be
// made after the import (make_missing_types).
void make_reference_lists(const std::vector<PostRecord>& records, const MetadataSettings& settings,
                          MetadataPacket& packet);

// Queues the command of one record; returns 1 when queued.
int queue_post_record(const PostRecord& record, const MetadataSettings& settings, MetadataPacket& packet);

// After the import: makes, in the packet's VOB, the noted types that the
// import did not bring (plain types, as the records give no definition).
void make_missing_types(const MetadataSettings& settings, MetadataPacket& packet);

// After the import: makes the missing types, then runs each queued command; a failure logs its trouble
// message and, for a label (attribute) whose type is locked here, that the
// type is locked locally.
void run_commands_to_repeat(const MetadataSettings& settings, MetadataPacket& packet);

}  // namespace receiver_metadata
