// Shipping requests: the mship files the shipper consumes.
#pragma once

#include <string>

namespace shipout {

// "<ship dir>/mship.<NNN>.<location>"
std::string mship_path(const std::string& ship_dir, int vob_id, const std::string& location);

// The request's one line: "<scrambled key> VLso_12.1_l <scrambled time>",
// without a final newline.
std::string mship_content(const std::string& scrambled_key, const std::string& scrambled_time);

enum class MshipResult { Created, AlreadyThere, DanglingLink, WriteError };

// Creates the request atomically when it does not exist yet: the content is
// written to a temporary file in the same directory, made mode 0666 and
// hard-linked to the final name, so a reader never sees a half-written
// request and a request that already exists is never rewritten, even when
// several triggers fire at once.
MshipResult write_mship_if_absent(const std::string& path, const std::string& content);

}  // namespace shipout
