// File helpers of the packet tool: it never hands its own inputs to a codec
// (the codecs delete their inputs), only copies.
#pragma once

#include <string>

// Copies src to dst (created private, put in place only when complete).
// 1 on success.
int tool_copy_file(const std::string& src, const std::string& dst);
// Copies src to a new private file with a name of its own in the directory
// of `beside` (created exclusively, so nothing planted there is followed);
// its name goes to `copy`. 1 on success.
int tool_copy_beside(const std::string& src, const std::string& beside, std::string& copy);
// Copies base and its parts base_1, base_2, ... to dst, dst_1, ...; returns
// the number of parts copied, or -1 on failure (reason in why).
int tool_copy_multipart(const std::string& base, const std::string& dst, std::string& why);
// Removes base and every part name base_1 ... base_127 that is a file: a
// stage that failed halfway may have consumed some parts and not others.
void tool_remove_packet_files(const std::string& base);
// A fresh private directory under $TMPDIR (or /tmp); empty on failure.
std::string tool_make_temp_dir();
void tool_remove_tree(const std::string& dir);
// 1 when dir is an existing directory, or could be created.
int tool_ensure_dir(const std::string& dir);
