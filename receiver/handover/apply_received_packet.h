// The hand-over from the packet road to normalisation and application. The
// road has decrypted, uncompressed and extracted the packet, checked the
// receiving VOB and set the import view's config spec; what remains is to
// normalise the element description and apply the packet to its VOB or
// deployment directory.
#pragma once

#include <string>

#include "receiver/config/key_lines.h"

struct ReceivedPacket {
    std::string data_path;       // <base>.crc, as named in messages
    std::string receiving_dir;   // the receiving directory
    std::string unorm;           // element description
    std::string pre;             // header records
    std::string post;            // label and attribute section
    std::string dhist;           // removal and lock section
    std::string nele;            // new-element records
    std::string zeb;             // where the normalised packet goes
    std::string vob_tag;         // receiving VOB (replication packets)
    std::string vob_path;        // VOB path below the view root
    std::string deployment_dir;  // deployment directory (deployment packets)
    bool is_deployment = false;
    std::string target_dir;  // /view/<view><vob path>, or the deployment directory
    long versions = -1;      // element versions announced, -1 unknown
    const ReceiverKeyLine* key_line = nullptr;
};

struct ApplyOutcome {
    bool applied = false;
    // The message the packet is tossed with; empty when the failing step
    // logged its own messages already.
    std::string failure;
    bool keep_pending = false;  // leave the pending descriptor for the next pass
};

// Normalises the element description into the .zeb file, then writes a
// deployment package into its directory or applies a VOB packet to its
// VOB. The per-packet state of the application steps starts afresh here.
// A failed normalisation tosses the packet; a failed deployment or import
// leaves it unconfirmed with its pending descriptor (keep_pending).
ApplyOutcome apply_received_packet(const ReceivedPacket& packet);
