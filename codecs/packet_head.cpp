// Packet head file layout (see packet_head.h).
#include "codecs/packet_head.h"

#include "codecs/file_break.h"

std::string assemble_head_text(const HeadSections& s, bool replication, bool has_parts) {
    const std::string_view marker(ZEB_FILE_BREAK, ZEB_FILE_BREAK_LEN);
    std::string head;
    head.reserve(s.element_description.size() + s.config_spec.size() + s.header_records.size() + s.post_section.size() +
                 s.destroy_section.size() + s.new_elements.size() + 8 * marker.size());
    head += s.element_description;
    for (const std::string* section :
         {&s.config_spec, &s.header_records, &s.post_section, &s.destroy_section, &s.new_elements}) {
        head += marker;
        head += *section;
    }
    if (replication) {
        head += marker;
        head += marker;
    }
    if (!has_parts) head += marker;
    return head;
}
