// The conversion of one packet: the exported history (after the metadata
// passes) becomes the packet's head file and data parts.
//
// The head file holds, separated by the file-break marker: the element
// description (the export text with "ExportFromDir" pointing at the
// receiver's bay and every "ExtractFile" naming its data file "zeb.NNNN"),
// the export view's config spec, the header records, the label and
// attribute section, the removal and lock section and the new-element
// records; the data parts carry the version contents, consecutive identical
// contents once. The TOC log gets the versions, links and removal requests;
// deployment packets log their files to the deployment log instead.
#pragma once

#include <string>

// What the shipping pass knows of the packet being built; it fills this
// from the VOB key line, the host map and its own state.
struct ConversionRequest {
    std::string export_path;       // "<E>.crx", after the metadata passes
    std::string head_path;         // "<E>.crxi"
    std::string nele_path;         // "<E>.nele"
    std::string config_spec_path;  // the export view's config spec ("<NNN>.cs")
    std::string destruction_path;  // destruction_file(ship dir, VOB id, location)
    std::string tmp_dir;           // the process's temporary directory

    std::string vob_tag;       // "/vobs/src"
    std::string repl_dir;      // replicated directory, VOB-tag-rooted (a single file's parent)
    std::string orig_portion;  // the key's origin portion, "." for the whole VOB
    std::string view_tag;      // the export view
    std::string view_path;     // "/view/<view><replicated item>"
    bool is_dir = true;        // the replicated item is a directory

    std::string location;               // the receiving location's name ("l:" record)
    std::string bay_dir;                // its bay directory (the new "ExportFromDir" value)
    bool is_deployment = false;         // a deployment packet (new directories go on main)
    std::string deploy_location;        // "B:" record of a deployment
    bool hard_deployment = false;       // carry empty files too (DEPLOYMENT_IS)
    bool preserve_personality = false;  // "o:" records for directories

    // The pass's flags for this packet.
    bool requires_post_label_processing = false;            // replications: label/attribute history
    bool requires_destructive_commands_processing = false;  // replications: destruction file
    bool do_lshistory = true;  // false when the packet carries everything since VOB creation
    std::string since;         // SINCE text, "6-Dec-2026.7:26:5 UTC -5"; empty for all history
};

// What a conversion leaves behind for the pass.
struct ConversionState {
    long VERSIONS_IN_PACKET = 0;
    std::string CURRENT_VERSION_FILE_WORKING_ON;
};
extern ConversionState CONVERSION;

// TOC texts.
inline constexpr char HEADER_VERSIONS_FOLLOW[] = "   ======== any contained element versions follow:\n";
inline constexpr char HEADER_LINKS_FOLLOW[] = "   ======== any symbolic links follow:\n";
inline constexpr char NO_SLINKS_GATHERED[] = "   ======== as requested, no symbolic link information gathered:\n";

// Converts the export into the head file and its parts (their count in
// MULTIPART.XTRA_PACKET_PARTS). Returns 1 on success and 0 on failure, after
// logging it (class 'e') and removing the files listed for shipping; the
// caller removes the export in any case.
int convert_file(const ConversionRequest& request);
