// Reading one extracted section file of a packet, with the size limit of the
// buffer it was designed for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace receiver_metadata {

// Reads at most `limit` bytes of the file into `text`; `cut` tells whether
// the file held more. Returns 0 when the file cannot be opened or read.
int read_section_file(const std::string& path, std::size_t limit, std::string& text, bool& cut);

// Branches below "main" on the branch path of an extended name (the text
// after "@@"; for a version without its version number): 0 for
// "f@@/main/3" and "f@@/main", 1 for "f@@/main/dev/3" and "f@@/main/dev",
// 0 for a name without "@@".
int branches_below_main(std::string_view xpn, bool is_version);

}  // namespace receiver_metadata
