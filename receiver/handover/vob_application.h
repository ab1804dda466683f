// Applying a normalised VOB packet to its VOB: the header records, the
// label, attribute, removal, type and lock requests, the import of the
// element versions with the reports after it, and the deferred label and
// lock commands.
#pragma once

#include "receiver/handover/apply_received_packet.h"
#include "receiver/metadata/metadata_context.h"

// The settings of the metadata requests for one packet: the permissions of
// its receiver key line, the process's ignore settings, the receiving VOB,
// the import view and the receiving user. The location is filled once the
// header records named it.
receiver_metadata::MetadataSettings metadata_settings_for(const ReceivedPacket& packet);

// Applies the packet after its header records were read (the location is
// known). A failed import leaves the packet unconfirmed with its pending
// descriptor; an unreadable section file tosses it.
ApplyOutcome apply_vob_packet(const ReceivedPacket& packet, receiver_metadata::MetadataSettings& settings,
                              receiver_metadata::MetadataPacket& metadata);
