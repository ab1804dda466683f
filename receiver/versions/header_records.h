// The header records of a received packet (location, packet type, format
// version, element types, the types the versions use, directories and their
// protections, symbolic links, remote checkouts), applied in file order to
// the receiving VOB before the import.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "codecs/packet_header.h"

// Splits header-record text into its records in file order. Records end
// with ";"; a record that is not "<letter>:<value>" and text after the last
// ";" (the line break that extraction appends) are skipped.
void split_header_records(std::string_view text, std::vector<HeaderRecord>& records);

// Reads and applies the header-records file (<base>.pre) of a packet:
//   - resets the packet's directory and protection lists;
//   - takes the location, packet type ("flat" makes a deployment, which
//     also forces the "main" personality and sets APPLY_PACKET.IS_DEPLOYMENT)
//     and format version;
//   - refuses a packet whose format version is not the one this receiver
//     reads, before anything in the VOB is changed;
//   - for a VOB packet, applies the records in file order: renews the
//     reserved attribute type of the location, creates missing element
//     types and the branch, label and attribute types the versions use,
//     prepares directories on the branch personality, records directory
//     protections, makes symbolic links and marks remote checkouts.
// data_path names the packet in warnings; vob_tag and vob_path are the
// receiving VOB (empty for a deployment).
// Returns 1 when the packet goes on; 0 when it is to be tossed, with the
// message in `toss_message` (MSG_50: the file cannot be read; MSG_81: the
// format version), which the caller logs while tossing the packet. A
// packet tossed later, after this returned 1, still needs
// checkin_replicated_dirs() (directories.h), so that no directory is left
// checked out in the import view.
int apply_header_records(const std::string& pre_path, const std::string& data_path, const std::string& vob_tag,
                         const std::string& vob_path, std::string& toss_message);
