#include "shipout/ship_dir.h"

#include "common/depot.h"

#include <sys/stat.h>

namespace shipout {

bool relocate_ship_dir(std::string& ship_dir, std::string& message) {
    std::string token = ship_dir + "/" + RELOCATED_TOKEN;
    struct stat st {};
    if (::stat(token.c_str(), &st) != 0) return true;
    RedirectionResult result =
        try_read_redirection_dir("vandrel_shipout", token.c_str(), "REPLICATION DENIED", "_ship_out");
    if (!result.ok) {
        message = result.message;
        return false;
    }
    ship_dir = result.path;
    return true;
}

}  // namespace shipout
