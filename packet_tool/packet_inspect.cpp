#include "packet_tool/packet_inspect.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/extract.h"
#include "codecs/packet_destroy.h"
#include "codecs/packet_elements.h"
#include "codecs/packet_format.h"
#include "codecs/packet_header.h"
#include "codecs/packet_post.h"
#include "packet_tool/display_text.h"
#include "packet_tool/tool_files.h"

namespace {

// After a deployed entry whose path would leave the deployment directory.
constexpr char DEPLOY_ENTRY_LEAVES[] = "   <- leaves the deployment directory";

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Extraction ends sections 3 to 6 with a newline that is not part of them.
std::string read_section(const std::string& path) {
    std::string text = read_text(path);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// Tags are kept with their trailing blank; value lines give the bare word.
bool tag_is(std::string_view word, std::string_view tag) {
    if (!tag.empty() && tag.back() == ' ') tag.remove_suffix(1);
    return word == tag;
}

struct ElementVersion {
    std::string element;
    std::string version;
};

// Walks the element description: element names and the versions in them.
void scan_elements(const std::string& text, long& elements, long& versions, std::vector<ElementVersion>& listed) {
    std::string current;
    bool in_element = false;
    bool in_version = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line == ELEMENT_BEGIN) {
            ++elements;
            in_element = true;
            current.clear();
        } else if (line == ELEMENT_END) {
            in_element = false;
        } else if (line == VERSION_BEGIN) {
            ++versions;
            in_version = true;
        } else if (line == VERSION_END) {
            in_version = false;
        } else {
            ValueLine value;
            if (!parse_value_line(line, value)) continue;
            if (in_element && !in_version && tag_is(value.tag, TAG_NAME) && current.empty())
                current = std::string(value.value);
            else if (in_version && tag_is(value.tag, TAG_VERSION_ID))
                listed.push_back({current, std::string(value.value)});
        }
    }
}

}  // namespace

ExtractedNames extracted_names(const std::string& outdir) {
    return {outdir + "/unorm", outdir + "/receiver.cs", outdir + "/pre",
            outdir + "/post",  outdir + "/dhist",       outdir + "/nele"};
}

int extract_into(const std::string& head, const std::string& outdir, std::string& why, bool consume) {
    if (!tool_ensure_dir(outdir)) {
        why = "cannot create directory " + outdir;
        return 0;
    }
    const ExtractedNames names = extracted_names(outdir);
    // The section files are appended to: start them afresh.
    for (const std::string* p : {&names.pre, &names.post, &names.dhist, &names.nele}) std::filesystem::remove(*p);
    std::string archive = head;
    if (!consume) {
        archive = outdir + "/.vandrel_packet_archive";
        if (tool_copy_multipart(head, archive, why) < 0) {
            tool_remove_packet_files(archive);
            return 0;
        }
    }
    EXTRACT.XTAR_IMPORT_I = 0;
    if (!xtar_multipart_file(archive, names.unorm, names.config_spec, names.pre, names.post, names.dhist, names.nele)) {
        why = "extraction failed: " + codec_last_error();
        // Nothing of a failed extraction may pass for a result: the section
        // files, the data files finished so far and what is left of the
        // archive go.
        for (const std::string* p :
             {&names.unorm, &names.config_spec, &names.pre, &names.post, &names.dhist, &names.nele})
            codec_remove(*p);
        for (int n = 0; n < EXTRACT.XTAR_IMPORT_I; ++n) codec_remove(outdir + "/" + data_file_name(n));
        tool_remove_packet_files(archive);
        return 0;
    }
    return 1;
}

int print_packet_summary(std::ostream& out, const std::string& outdir, const HeaderFields& fields, std::string& why) {
    const ExtractedNames names = extracted_names(outdir);
    // Everything that comes from the packet is shown escaped (display_text).
    out << "destination VOB:     " << display_text(fields.dest_vob) << "\n"
        << "destination path:    " << display_text(fields.dest_path) << "\n"
        << "deployment location: " << display_text(fields.deploy_location) << "\n";

    std::vector<HeaderRecord> records;
    if (!read_header_records(read_section(names.pre), records, why)) {
        why = "header records: " + why;
        return 0;
    }
    out << "header records:\n";
    for (const auto& r : records)
        out << "  " << display_text(std::string(1, r.letter)) << ":" << display_text(r.value) << "\n";

    long elements = 0, versions = 0;
    std::vector<ElementVersion> listed;
    const std::string unorm = read_text(names.unorm);
    scan_elements(unorm, elements, versions, listed);

    // The data files of this extraction, whatever else the directory holds.
    const long data_files = EXTRACT.XTAR_IMPORT_I;
    std::uintmax_t data_bytes = 0;
    std::error_code ec;
    for (long n = 0; n < data_files; ++n) {
        const std::uintmax_t size = std::filesystem::file_size(outdir + "/" + data_file_name(n), ec);
        if (!ec) data_bytes += size;
    }

    std::vector<PostRecord> post;
    if (!read_post_section(read_section(names.post), post, why)) {
        why = "label and attribute section: " + why;
        return 0;
    }
    std::vector<DestroyRecord> destroy;
    if (!read_destroy_section(read_section(names.dhist), destroy, why)) {
        why = "removal and lock section: " + why;
        return 0;
    }
    std::vector<NewElement> new_elements;
    if (!read_new_element_records(read_section(names.nele), new_elements, why)) {
        why = "new-element records: " + why;
        return 0;
    }

    out << "elements:            " << elements << "\n"
        << "versions:            " << versions << "\n"
        << "data files:          " << data_files << " (" << data_bytes << " bytes)\n"
        << "label/attribute records: " << post.size() << "\n"
        << "removal/lock records:    " << destroy.size() << "\n"
        << "new elements:        " << new_elements.size() << "\n";

    // Every entry is shown, and one whose path would leave the deployment
    // directory is marked: that is the entry an operator must see.
    std::vector<DeployEntry> deployed;
    if (elements == 0) list_deploy_entries(unorm, deployed);
    if (!deployed.empty()) {
        out << "deployed entries:\n";
        for (const auto& d : deployed) {
            out << "  " << (d.is_file ? "F:" : "D:") << display_text(d.path);
            if (!d.stays_inside) out << DEPLOY_ENTRY_LEAVES;
            out << "\n";
        }
    }
    out << "element versions:\n";
    for (const auto& v : listed) {
        out << "  " << display_text(v.element) << "@@" << (v.version.empty() || v.version[0] != '/' ? "/" : "")
            << display_text(v.version) << "\n";
    }
    return 1;
}
