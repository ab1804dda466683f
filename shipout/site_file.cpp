#include "shipout/site_file.h"

#include "shipout/shipout_messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"

#include <fstream>

namespace shipout {

bool read_site_file(const std::string& path, SiteFile& site, std::string& message) {
    std::ifstream in(path);
    if (!in) {
        message = fmt_msg(SITE_FILE_UNREADABLE, path.c_str());
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::string text = stripped_copy(line);
        if (text.empty() || text[0] == '#') continue;
        std::size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        if (stripped_copy(text.substr(0, eq)) == "depot") site.depot = stripped_copy(text.substr(eq + 1));
    }
    if (in.bad()) {
        message = fmt_msg(SITE_FILE_UNREADABLE, path.c_str());
        return false;
    }
    if (site.depot.empty()) {
        message = fmt_msg(SITE_FILE_NO_DEPOT, path.c_str());
        return false;
    }
    return true;
}

}  // namespace shipout
