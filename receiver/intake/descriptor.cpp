#include "receiver/intake/descriptor.h"

#include <cstdio>
#include <cstdlib>

#include "codecs/packet_integrity.h"

DescriptorFacts parse_packet_descriptor(const std::string& text) {
    DescriptorFacts facts;
    facts.read = true;
    facts.text = text;
    const std::string fields = text.substr(0, DESCRIPTOR_FIELDS_MAX);
    std::size_t open = fields.find('[');
    if (open != std::string::npos) facts.versions = std::atol(fields.c_str() + open + 1);
    std::size_t lt = fields.find('<');
    if (lt != std::string::npos) {
        std::size_t gt = fields.find('>', lt);
        std::size_t slash = fields.find('/', lt);
        if (gt != std::string::npos && slash != std::string::npos && slash < gt)
            facts.vob_tag = fields.substr(slash, gt - slash);
    }
    return facts;
}

DescriptorFacts read_packet_descriptor(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string text(MAX_TRAILER_BYTES, '\0');
    std::size_t n = std::fread(text.data(), 1, text.size(), f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return {};
    text.resize(n);
    return parse_packet_descriptor(text);
}
