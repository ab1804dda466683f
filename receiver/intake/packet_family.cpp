#include "receiver/intake/packet_family.h"

#include <sys/stat.h>

#include <cctype>

namespace {

// A location name as it appears in a packet name: printable, no blank, no
// dot (the parts are cut at dots), no directory character.
bool is_location_part(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (!std::isgraph(c) || c == '.' || c == '/' || c == '\\') return false;
    return true;
}

bool is_vob_id_part(const std::string& s) {
    if (s.size() < 3 || s.size() > 4) return false;
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

// True for "epoc.<NNN>.<R>.<L>".
bool is_family_base(const std::string& base) {
    if (base.rfind("epoc.", 0) != 0) return false;
    std::string rest = base.substr(5);
    std::size_t a = rest.find('.');
    if (a == std::string::npos) return false;
    std::size_t b = rest.find('.', a + 1);
    if (b == std::string::npos) return false;
    return is_vob_id_part(rest.substr(0, a)) && is_location_part(rest.substr(a + 1, b - a - 1)) &&
           is_location_part(rest.substr(b + 1));
}

}  // namespace

EntryKind classify_receiving_entry(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.compare(dot, 5, ".pack") != 0) return EntryKind::Unrelated;
    std::string suffix = name.substr(dot);
    std::string base = name.substr(0, dot);
    if (!is_family_base(base)) return EntryKind::Foreign;
    if (suffix == ".pack") return EntryKind::Descriptor;
    if (suffix == ".pack_pending") return EntryKind::LeftoverPending;
    return EntryKind::Foreign;
}

EntryKind classify_receiving_entry(const std::string& dir, const std::string& name) {
    EntryKind kind = classify_receiving_entry(name);
    if (kind != EntryKind::Descriptor && kind != EntryKind::LeftoverPending) return kind;
    struct stat st;
    const std::string path = dir + "/" + name;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return EntryKind::Foreign;
    return kind;
}

PacketFamily packet_family(const std::string& dir, const std::string& entry) {
    PacketFamily f;
    f.dir = dir;
    f.base = dir + "/" + entry.substr(0, entry.rfind('.'));
    f.descriptor = f.base + ".pack";
    f.pending = f.base + ".pack_pending";
    f.data = f.base + ".crc";
    f.decrypting = f.base + ".crc_pending";
    f.decrypted = f.base + ".crz";
    f.archive = f.base + ".xtar";
    f.unorm = f.base + ".unorm";
    f.pre = f.base + ".pre";
    f.post = f.base + ".post";
    f.dhist = f.base + ".dhist";
    f.nele = f.base + ".nele";
    f.zeb = f.base + ".zeb";
    f.config_spec = dir + "/receiver.cs";
    f.confirmation = f.base + ".epoc";
    return f;
}
