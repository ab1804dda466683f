// Extraction of a received packet (decrypted and uncompressed) into the
// receiver's working files: the element description, the import view's
// config spec, the header records, the label and attribute section, the
// removal and lock section, the new-element records, and the data files
// "zeb.%04d" in the directory of the archive.
//
// Inside the data region every file-break marker begins a data file; the
// marker that ends the last file of the packet, followed directly by the end
// of the input, closes the packet and begins nothing. So a replication packet
// without version contents gives just the empty zeb.0000, and an empty data
// file at the end of a part that is not the last one is kept. In a
// deployment packet ("D:flat;") with parts, the end of the head file also
// ends section 6: its head stops right after the new-element records then.
//
// A failed extraction leaves the files it finished (they are on the
// extracted-files list) but no half-written one.
#pragma once

#include <string>

// "\nelement * %cmain%cLATEST\n" filled with "/".
inline constexpr char XTAR_CS_LATEST_RULE[] = "\nelement * /main/LATEST\n";
inline constexpr char XTAR_CS_CHECKEDOUT_RULE[] = "element * CHECKEDOUT\n";
inline constexpr char XTAR_CS_HEADER[] =
    "##################################\n# received/converted config. spec. \n"
    "##################################\n\n";
// The config spec read back for rewriting holds at most this many bytes; a
// larger one fails the extraction rather than being cut short.
inline constexpr std::size_t XTAR_CS_MAX = 199500;

struct ExtractState {
    int XTAR_IMPORT_I = 0;  // number of the next data file
};
extern ExtractState EXTRACT;

// Extracts the six sections of the head file and the data files after them.
// Whether parts follow is seen from the existence of "<archive>_1".
int xtar_file(const std::string& archive, const std::string& unorm, const std::string& config_spec,
              const std::string& pre, const std::string& post, const std::string& dhist, const std::string& nele);
// Extracts the data files of one part, continuing the numbering. last_part
// tells whether the final marker of the packet is expected at its end.
int xtar_part(const std::string& part, bool last_part = true);
// xtar_file on the archive (deleted after success), then xtar_part on every
// part "<archive>_<n>" found by probing, each put on the extracted-files list
// and deleted after its attempt.
int xtar_multipart_file(const std::string& archive, const std::string& unorm, const std::string& config_spec,
                        const std::string& pre, const std::string& post, const std::string& dhist,
                        const std::string& nele);

// Rewrites a config spec file in place: lines holding " -none" are dropped
// and the banner of a received config spec is put before the rest. 0 when the file holds
// 9 bytes or fewer, cannot be read, or is larger than XTAR_CS_MAX.
int rewrite_received_config_spec(const std::string& path);
