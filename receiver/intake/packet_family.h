// The files of one received packet. Every name is formed from the name of
// its descriptor, and only from a descriptor name of the family's own form
// "epoc.<NNN>.<R>.<L>.pack", so every file stays inside its receiving
// directory.
#pragma once

#include <string>

enum class EntryKind {
    Unrelated,        // not a descriptor name at all (no ".pack" suffix)
    Descriptor,       // epoc.<NNN>.<R>.<L>.pack
    LeftoverPending,  // epoc.<NNN>.<R>.<L>.pack_pending, left by an interrupted run
    Foreign,          // a ".pack..." name without the family's form: left alone
};

// Sorts an entry of a receiving directory. Names whose text from the last
// "." does not begin with ".pack" are Unrelated.
EntryKind classify_receiving_entry(const std::string& name);
// As above, and a descriptor that is not a regular file (a link, a
// directory) is Foreign: it is never read, moved or confirmed.
EntryKind classify_receiving_entry(const std::string& dir, const std::string& name);

struct PacketFamily {
    std::string dir;           // the receiving directory
    std::string base;          // <dir>/epoc.<NNN>.<R>.<L>
    std::string descriptor;    // .pack
    std::string pending;       // .pack_pending
    std::string data;          // .crc (parts .crc_1, ...)
    std::string decrypting;    // .crc_pending
    std::string decrypted;     // .crz
    std::string archive;       // .xtar
    std::string unorm;         // element description
    std::string pre;           // header records
    std::string post;          // label and attribute section
    std::string dhist;         // removal and lock section
    std::string nele;          // new-element records
    std::string zeb;           // normalised packet
    std::string config_spec;   // <dir>/receiver.cs
    std::string confirmation;  // .epoc
};

// The family of a Descriptor or LeftoverPending entry of dir.
PacketFamily packet_family(const std::string& dir, const std::string& entry);
