// The integrity line of a packet trailer.
//
// The trailer (<base>.pack) that announces a packet ends with one more line
// after its "<VOB>" and "[count]" fields:
//
//     sha256 N D0 D1 ... DN
//
// N is the number of extra parts, D0 the SHA-256 (64 lower-case hex digits)
// of the packet file <base>.crc as sent and Di that of its part <base>.crc_i.
// The line holds no "<", ">", "[", "]" or "/", so a receiver that does not
// know it reads the trailer's other fields as before. A receiver that knows
// it applies a packet only when exactly the named parts are present and
// every digest matches: a packet that lost a part, gained a stray one, or
// arrived cut or changed is never decrypted.
#pragma once

#include <string>
#include <string_view>

// How many bytes of a trailer a reader takes in to find the line: a packet
// of the largest number of extra parts fits with room to spare.
inline constexpr std::size_t MAX_TRAILER_BYTES = 16384;

// Builds the line (without a newline) for the packet file `data_file` and its
// `extra_parts` parts data_file_1 .. data_file_N. Returns false, with the
// reason in `error`, when a file cannot be read or the count is out of range.
bool make_packet_integrity_line(const std::string& data_file, int extra_parts, std::string& line, std::string& error);

// The number of extra parts N that the integrity line of `trailer_text`
// names; -1 when there is no such line or N is not a whole number.
int integrity_part_count(std::string_view trailer_text);

enum class PacketIntegrity {
    Absent,   // the trailer has no integrity line: read as an older trailer
    Whole,    // every named part is present, none more, every digest matches
    Damaged,  // a part is missing, unexpected, or differs; `detail` says which
};

// Checks the packet file `data_file` and its parts against the integrity
// line in `trailer_text`, if there is one.
PacketIntegrity check_packet_integrity(std::string_view trailer_text, const std::string& data_file,
                                       std::string& detail);
