// Header records (section 3 of a packet head file): one line of records
// "<letter>:<value>;", written by the shipper in a fixed order and read by
// the receiver in file order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "codecs/packet_format.h"

struct HeaderRecord {
    char letter = 0;
    std::string value;
};

// Writers. Each returns 1 and appends the record to `out`, or returns 0 and
// leaves `out` unchanged when a value cannot be carried: empty where a value
// is needed, or holding the record terminator ";" (which would cut the
// record and let the rest read as further records), a NUL or a newline.
int append_header_record(std::string& out, char letter, std::string_view value);
int append_location_record(std::string& out, std::string_view location);
// "D:vob;" or, for a deployment, "D:flat;B:<location>;".
int append_packet_type_record(std::string& out, bool deployment, std::string_view deploy_location);
int append_format_version_record(std::string& out);                // "V:12.0;"
int append_personality_record(std::string& out, bool deployment);  // "n:main;" / "n:branch;"
// "e:<type>:<supertype>;" (the type name holds no ":").
int append_eltype_record(std::string& out, std::string_view type, std::string_view supertype);
int append_brtype_record(std::string& out, std::string_view name, bool global);  // G: / b:
int append_global_lbtype_record(std::string& out, std::string_view name);        // g:
int append_global_attype_record(std::string& out, std::string_view name);        // y:
int append_directory_record(std::string& out, std::string_view dir);             // d:
// "o:<dir><<owner>><group>+<permissions>;" (owner, group and permissions
// hold none of "<", ">", "+").
int append_dir_owner_record(std::string& out, std::string_view dir, std::string_view owner, std::string_view group,
                            std::string_view permissions);
// "L:<path>><link text>;" (the path holds no ">").
int append_slink_record(std::string& out, std::string_view path, std::string_view link_text);
// "c:<element@@branch>;", "c:.;" for an empty name (the replicated directory).
int append_checkedout_record(std::string& out, std::string_view name);

// Reads a header-record text into its records, in file order. Returns 1 when
// every record was well formed: a letter, ":", a value, ";". Returns 0 at the
// first malformed or unterminated record, with the records before it in
// `records` and a one-line reason in `error`.
int read_header_records(std::string_view text, std::vector<HeaderRecord>& records, std::string& error);

// Field readers for the structured values.
struct DirOwner {
    std::string dir;
    std::string owner;
    std::string group;
    std::string permissions;
};
int parse_eltype_value(std::string_view value, std::string& type, std::string& supertype);
// Split from the right, so a directory holding "<", ">" or "+" still parses.
int parse_dir_owner_value(std::string_view value, DirOwner& out);
int parse_slink_value(std::string_view value, std::string& path, std::string& link_text);

// The header of one packet, gathered from its records.
struct PacketHeader {
    std::string location = "____undefined____";
    std::string packet_type;                                   // "vob" or "flat"
    std::string deploy_location;                               // "B:" value, surrounding blanks removed
    std::string format_version;                                // "V:" value, empty when missing
    std::string personality;                                   // "n:" value
    std::vector<std::pair<std::string, std::string>> eltypes;  // type, supertype
    std::vector<std::pair<std::string, bool>> brtypes;         // name, global
    std::vector<std::string> global_lbtypes;
    std::vector<std::string> global_attypes;
    std::vector<std::string> directories;
    std::vector<DirOwner> dir_owners;
    std::vector<std::pair<std::string, std::string>> slinks;  // path, link text
    std::vector<std::string> checkedouts;
    std::vector<HeaderRecord> records;    // every record in file order
    std::vector<HeaderRecord> malformed;  // "e:", "o:", "L:" records whose value does not parse

    bool is_deployment() const { return packet_type == PACKET_TYPE_FLAT; }
    bool version_accepted() const { return format_version == MIN_SENDER_VERSION; }
};

// Reads and sorts the records; unknown letters are kept in `records` only,
// structured values that do not parse go to `malformed` (the receiver warns
// about them and goes on). Returns 0 with a reason when the record framing
// itself is broken (see read_header_records).
int read_packet_header(std::string_view text, PacketHeader& header, std::string& error);
