// The layout of a packet head file, assembled in memory from its six
// sections. The shipper's conversion appends the same pieces to the head
// file step by step; this form serves small packets built whole (tests,
// tools) and documents the order in one place.
#pragma once

#include <string>

struct HeadSections {
    std::string element_description;  // 1: lines each ending "\n"
    std::string config_spec;          // 2: copied byte for byte
    std::string header_records;       // 3: "l:..;D:..;V:12.0;..."
    std::string post_section;         // 4: "POST>..." or "NONE>"
    std::string destroy_section;      // 5: "DESTROY>..." or "NONE>"
    std::string new_elements;         // 6: "path|owner|group|perms;..."
};

// Sections 1..6 separated by the file-break marker; a replication packet
// adds two markers (the empty data file "zeb.0000"); a packet without part
// files ends with the final marker here (otherwise the last part does).
std::string assemble_head_text(const HeadSections& sections, bool replication, bool has_parts);
