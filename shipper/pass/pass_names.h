// The names one shipping pass works with, formed once at its start from the
// VOB key, the receiving location and this location.
#pragma once

#include <string>

struct PassDirs {
    std::string ship_dir;    // shipping requests
    std::string epocs_dir;   // the packet's files and the local confirmation copies
    std::string hold_dir;    // held packets
    std::string cspecs_dir;  // config specs <NNN>.cs
};

struct PassNames {
    std::string request;       // <ship dir>/mship.<NNN>.<R>
    std::string request_name;  // mship.<NNN>.<R>
    std::string packet_name;   // mship.<NNN>.<R>.<L>
    std::string lock_name;     // reading.<NNN>.<R>.<L> (the daemon directory's request lock)

    std::string base;       // <E> = <epocs dir>/epoc.<NNN>.<R>.<L>
    std::string held_base;  // <H> = <hold dir>/epoc.<NNN>.<R>.<L>

    std::string building;      // <E>.bld
    std::string epoc;          // <E>.epoc
    std::string busy_flag;     // <E>.pack_pending
    std::string probe;         // <E>.holla
    std::string history;       // <E>.crx
    std::string new_elements;  // <E>.nele
    std::string slink_scan;    // <E>.crxs
    std::string content;       // <E>.crxi (and its parts)
    std::string compressed;    // <E>.crz (and its parts)
    std::string encrypted;     // <E>.crc (and its parts)
    std::string trailer;       // <E>.pack

    std::string held_packet;     // <H>.crc (and its parts)
    std::string held_trailer;    // <H>.pack
    std::string held_epoc;       // <H>.epoc
    std::string held_busy_flag;  // <H>.pack_pending

    std::string config_spec;         // <cspecs dir>/<NNN>.cs
    std::string edited_config_spec;  // <ship dir>/__vl_<pid>_<NNN>.cs

    std::string script;  // <E>.<80 random><20 random>, and its output and error files
    std::string output;
    std::string errors;
};

// The length of the random part shared by one pass's transport files, and
// of each file's own tail.
inline constexpr int TRANSPORT_NAME_SHARED = 80;
inline constexpr int TRANSPORT_NAME_TAIL = 20;

// Forms every name; the transport file names take fresh random parts.
PassNames form_pass_names(const PassDirs& dirs, int vob_id, const std::string& receiving_location,
                          const std::string& this_location, long pid);

// True for a file name in the epocs directory that is a transport script,
// output or error file of some pass of <E> (base name of <E>, ".", then 100
// characters of the random pool).
bool is_transport_file_of(const std::string& base_name, const std::string& name);
