// The site file a trigger names: where this site's depot is.
//
// Format: one setting per line, "key=value"; blank lines and lines whose
// first non-blank character is "#" are ignored. The only key read is
//   depot=<absolute path of the depot>
// (the last one wins). Surrounding blanks of the value are removed.
#pragma once

#include <string>

namespace shipout {

struct SiteFile {
    std::string depot;
};

// Reads the site file. On failure returns false and sets `message`.
bool read_site_file(const std::string& path, SiteFile& site, std::string& message);

}  // namespace shipout
