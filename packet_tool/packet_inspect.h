// Extraction into a directory and the readable summary of an extracted
// packet, for the packet tool's "extract" and "inspect".
#pragma once

#include <ostream>
#include <string>

struct ExtractedNames {
    std::string unorm, config_spec, pre, post, dhist, nele;
};
// The section file names inside outdir.
ExtractedNames extracted_names(const std::string& outdir);

// Extracts a decrypted, uncompressed head file and its parts (head_1, ...)
// into outdir, working on copies unless consume is set (then the head and
// its parts, which must lie in outdir, are used up). 1 on success, else 0
// with a reason.
int extract_into(const std::string& head, const std::string& outdir, std::string& why, bool consume = false);

struct HeaderFields {
    std::string dest_vob, dest_path, deploy_location;
};
// Prints the summary of a packet extracted into outdir. 1 on success, else 0
// with a reason (a section that does not read).
int print_packet_summary(std::ostream& out, const std::string& outdir, const HeaderFields& fields, std::string& why);
