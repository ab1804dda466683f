// The packet descriptor (the trailer the shipper sends last): the number of
// element versions "[N]", the receiving VOB tag "<tag>" and, from newer
// shippers, the integrity line of the packet files.
#pragma once

#include <string>

// Bytes of the descriptor in which the count and the tag are looked for.
inline constexpr std::size_t DESCRIPTOR_FIELDS_MAX = 1023;

struct DescriptorFacts {
    bool read = false;    // the descriptor could be read
    long versions = -1;   // -1 when the count field is absent
    std::string vob_tag;  // empty when the tag field is absent
    std::string text;     // the text read (at most MAX_TRAILER_BYTES)
};

// Reads at most MAX_TRAILER_BYTES of the descriptor.
DescriptorFacts read_packet_descriptor(const std::string& path);
// The fields of descriptor text.
DescriptorFacts parse_packet_descriptor(const std::string& text);
