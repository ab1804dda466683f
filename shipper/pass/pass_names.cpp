#include "shipper/pass/pass_names.h"

#include <cstring>

#include "common/log.h"
#include "common/text_format.h"

namespace {

std::string random_part(int n) {
    return std::string(random_string(n));
}

}  // namespace

PassNames form_pass_names(const PassDirs& dirs, int vob_id, const std::string& receiving_location,
                          const std::string& this_location, long pid) {
    PassNames n;
    const char* r = receiving_location.c_str();
    const char* l = this_location.c_str();
    n.request_name = fmt_msg("mship.%03d.%s", vob_id, r);
    n.request = dirs.ship_dir + "/" + n.request_name;
    n.packet_name = fmt_msg("mship.%03d.%s.%s", vob_id, r, l);
    n.lock_name = fmt_msg("reading.%03d.%s.%s", vob_id, r, l);

    const std::string epoch_name = fmt_msg("epoc.%03d.%s.%s", vob_id, r, l);
    n.base = dirs.epocs_dir + "/" + epoch_name;
    n.held_base = dirs.hold_dir + "/" + epoch_name;

    n.building = n.base + ".bld";
    n.epoc = n.base + ".epoc";
    n.busy_flag = n.base + ".pack_pending";
    n.probe = n.base + ".holla";
    n.history = n.base + ".crx";
    n.new_elements = n.base + ".nele";
    n.slink_scan = n.base + ".crxs";
    n.content = n.base + ".crxi";
    n.compressed = n.base + ".crz";
    n.encrypted = n.base + ".crc";
    n.trailer = n.base + ".pack";

    n.held_packet = n.held_base + ".crc";
    n.held_trailer = n.held_base + ".pack";
    n.held_epoc = n.held_base + ".epoc";
    n.held_busy_flag = n.held_base + ".pack_pending";

    n.config_spec = fmt_msg("%s/%03d.cs", dirs.cspecs_dir.c_str(), vob_id);
    n.edited_config_spec = fmt_msg("%s/__vl_%ld_%03d.cs", dirs.ship_dir.c_str(), pid, vob_id);

    const std::string shared = n.base + "." + random_part(TRANSPORT_NAME_SHARED);
    n.script = shared + random_part(TRANSPORT_NAME_TAIL);
    n.output = shared + random_part(TRANSPORT_NAME_TAIL);
    n.errors = shared + random_part(TRANSPORT_NAME_TAIL);
    return n;
}

bool is_transport_file_of(const std::string& base_name, const std::string& name) {
    const std::size_t tail = TRANSPORT_NAME_SHARED + TRANSPORT_NAME_TAIL;
    if (name.size() != base_name.size() + 1 + tail) return false;
    if (name.compare(0, base_name.size(), base_name) != 0 || name[base_name.size()] != '.') return false;
    for (std::size_t i = base_name.size() + 1; i < name.size(); ++i)
        if (std::strchr(CHAR_POOL, name[i]) == nullptr || name[i] == '\0') return false;
    return true;
}
