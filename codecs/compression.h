// Packet compression: a byte-run encoding of pairs (count 1..100, byte).
//
// The head file of a packet starts with the text header
// "DEST_VOB|DEST_PATH|DEPLOY|" followed by run pairs. Every further part is
// either run pairs or, when that would not be smaller, the byte 0x00
// followed by the input unchanged (the stored form). Empty input gives empty
// output. All routines return 1 on success and 0 on failure and create their
// outputs private (mode 0600); a routine that fails leaves no output.
#pragma once

#include <string>

// Longest header field the receiving side accepts (its buffers hold 1024).
inline constexpr std::size_t HEAD_FIELD_MAX = 1023;
inline constexpr int RUN_COUNT_MAX = 100;

// Writes the head format; deletes in on success. Refuses fields holding "|"
// or longer than HEAD_FIELD_MAX, since they could not be read back.
int compress_file(const std::string& in, const std::string& out, const std::string& dest_vob,
                  const std::string& dest_path, const std::string& deploy_location);
// Run form, or stored form when the run form would not be smaller. Deletes
// in only when it wrote the run form.
int compress_part(const std::string& in, const std::string& out);
// Stored form; leaves in in place.
int fake_compression(const std::string& in, const std::string& out);
// Reads the head format and returns the three header fields, stripped of
// surrounding whitespace, backslashes in the second and third turned into
// "/". Leaves in in place.
int uncompress_file(const std::string& in, const std::string& out, std::string& dest_vob, std::string& dest_path,
                    std::string& deploy_location);
// Reads either part form. Leaves in in place.
int uncompress_part(const std::string& in, const std::string& out);
