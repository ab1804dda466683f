// What the shipping pass asks of the transport and of the history pieces,
// in the pass's own terms. The pass calls only these; their bodies hand the
// work to the transport and history libraries.
#pragma once

#include <string>
#include <vector>

#include "shipper/config/shipper_settings.h"
#include "shipper/config/vob_key.h"
#include "shipper/pass/pass_names.h"

// ---- History.

// Selects the key's branches, labels and attributes and the symbolic-link
// settings for the history passes.
void pass_select_metadata(const shipper_config::VobKey& key, int slink_scale, bool slink_override);

// Whether symbolic links are gathered (slink_scale not 0, override off).
bool pass_slinks_on();

// Gathers the symbolic links below the replicated directory of the view
// into the pass's list. 1, or 0 after logging why (the packet is tossed).
int pass_gather_slinks(const std::string& view_path, const std::string& listing, bool replicated_is_vob_top);

// A deployment's own tree description written to `export_path`. 1, or 0
// with a reason.
int pass_describe_deployment(const std::string& view_path, bool is_dir, const std::string& export_path,
                             std::string& error);

// The metadata passes over the export, in order. On failure `failed` names
// the pass: 's' slinks, 'm' merges, or the kind 'B', 'L', 'A' with
// `pass_number` 1 (excluded/restricted) or 2 (unused).
struct MetadataFailure {
    char failed = 0;
    int pass_number = 0;
};
int pass_metadata_passes(const std::string& export_path, MetadataFailure& failure);

// What the conversion needs to know of the packet.
struct PassConversion {
    const PassNames* names = nullptr;
    const shipper_config::VobKey* key = nullptr;
    std::string location;         // the receiving location
    std::string receiver_bay;     // its bay directory (from the host map; empty for held packets)
    std::string view;             // the export view
    std::string replicated_path;  // <vob tag>/<orig portion>
    std::string view_path;        // /view/<view><replicated path>
    bool is_dir = true;
    std::string since;  // empty: all history
    bool do_lshistory = true;
    bool post_label_processing = false;
    bool destructive_processing = false;
    std::string ship_dir;  // holds the destruction files
    std::string tmp_dir;
};
// Converts the export into <E>.crxi and its parts. 1, or 0 after logging.
int pass_convert(const PassConversion& conversion);
long pass_versions_in_packet();
std::string pass_file_working_on();

// ---- Transport.

// Prepares the transport of this process (program, kind, directories).
void pass_set_transport(const shipper_config::ShipperSettings& settings, const std::string& hostmaps_dir,
                        const std::string& epocs_dir);
// Reads the location's host map; 1, or 0 after logging why.
int pass_read_host_map(const std::string& location);
// The receiver's bay directory from the host map last read.
std::string pass_receiver_directory();

enum class Confirmation { confirmed, receiver_busy, no_confirmation, script_not_written };
Confirmation pass_fetch_confirmation(const PassNames& names, const std::string& location);

// Writes the trailer of `packet` (and its parts) as `trailer`: the epoch
// text, for a replication the destination VOB and the version count, and
// the integrity line. 1, or 0 after logging.
int pass_write_trailer(const std::string& trailer, const std::string& epoch_text, bool is_deployment,
                       const std::string& vob_destination, long versions, const std::string& packet, int parts);

// Writes the sending script. 1, or 0 after logging.
int pass_make_instructions(const PassNames& names, int parts);
// Runs the sending script. 1 when the session worked.
int pass_follow_instructions(const PassNames& names, const std::string& location);
