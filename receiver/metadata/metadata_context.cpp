#include "receiver/metadata/metadata_context.h"

#include "common/cc_query.h"
#include "common/log.h"

namespace receiver_metadata {

MetadataSink MetadataSink::logs() {
    MetadataSink sink;
    sink.toc = [](const std::string& text) { log_text('t', text); };
    sink.warn = [](const std::string& line) { log_it('w', line); };
    return sink;
}

void warn(const MetadataSettings& settings, const std::string& line) {
    if (settings.sink.warn) settings.sink.warn(line);
}

void toc(const MetadataSettings& settings, const std::string& text) {
    if (settings.sink.toc) settings.sink.toc(text);
}

namespace {

struct KindNames {
    std::string_view word;
    std::string_view keyword;
    std::string_view plural;
    std::string_view capitals;
};
// In the order of TypeKind.
constexpr KindNames KIND_NAMES[] = {
    {"label", LBTYPE, "Labels", "LABEL"},
    {"branch", BRTYPE, "Branches", "BRANCH"},
    {"attribute", ATTYPE, "Attributes", "ATTRIBUTE"},
};

const KindNames& names_of(TypeKind kind) {
    return KIND_NAMES[static_cast<std::size_t>(kind)];
}

}  // namespace

std::string_view kind_word(TypeKind kind) {
    return names_of(kind).word;
}

std::string_view type_keyword(TypeKind kind) {
    return names_of(kind).keyword;
}

std::string_view kind_plural(TypeKind kind) {
    return names_of(kind).plural;
}

std::string_view kind_capitals(TypeKind kind) {
    return names_of(kind).capitals;
}

int ignored_by_process(const MetadataSettings& settings, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return settings.ignore.ignore_received_label_data;
        case TypeKind::Branch:
            return settings.ignore.ignore_received_branch_data;
        case TypeKind::Attribute:
            return settings.ignore.ignore_received_attribute_data;
    }
    return 0;
}

NameList& replicated_list(MetadataPacket& packet, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return packet.REPLICATED_LABELS;
        case TypeKind::Branch:
            return packet.REPLICATED_BRANCHES;
        case TypeKind::Attribute:
            break;
    }
    return packet.REPLICATED_ATTRIBUTES;
}

std::string get_long_element_version(const MetadataSettings& settings, std::string_view name) {
    std::string path = "/view/";
    path += settings.view;
    path += settings.vob_path;
    path += '/';
    path += name;
    return path;
}

std::string get_middle_element_version(const MetadataSettings& settings, std::string_view name) {
    std::string path = settings.vob_path;
    path += '/';
    path += name;
    return path;
}

bool object_stays_inside(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) return false;
    std::size_t pos = 0;
    while (pos <= name.size()) {
        std::size_t end = name.find('/', pos);
        if (end == std::string_view::npos) end = name.size();
        std::string_view part = name.substr(pos, end - pos);
        // "f@@" and "..@@" are element names; only a bare ".." climbs, but an
        // element name "..@@" would read the parent directory's history.
        if (part == ".." || part == "..@@") return false;
        pos = end + 1;
    }
    return true;
}

bool type_name_acceptable(std::string_view name) {
    return !name.empty() && name.front() != '-' &&
           name.find_first_of(std::string_view("@\0", 2)) == std::string_view::npos;
}

}  // namespace receiver_metadata
