// The two transfer scripts: the confirmation script, which proves the
// session with the probe and fetches the receiver's confirmed epoch and busy
// flag, and the sending script, which uploads a packet and its trailer.
//
// Scripts are plain text, one command per line, every file name a base name
// in double quotes, relative to the local directory (settings.local_dir)
// and the receiver directory. They hold the password for the ftp and lftp
// kinds, so they are created private (0600), exclusively, and registered
// for removal at the end of the pass (push_ship_file).
#pragma once

#include <string>

#include "shipper/transport/transport.h"

// Writes the confirmation script: log in, enter both directories, upload the
// probe, delete the local probe, download remote_epoch_name and the busy
// flag, download the probe, delete the remote probe, end the session. The
// base names of `probe` and `busy_flag` are used. An existing script is
// replaced. Returns 1, or 0 after logging why.
int make_verify_up_to_date_instructions(const Transport& transport, const std::string& script,
                                        const std::string& remote_epoch_name, const std::string& probe,
                                        const std::string& busy_flag);

// Writes the sending script: log in, enter both directories, upload the
// probe, delete the stale remote trailer, packet and the part after this
// packet's last one, delete the local probe, upload the packet and its
// `extra_parts` parts <packet>_1 .. <packet>_<n>, then the trailer, download
// the probe, delete the remote probe, end the session. lftp scripts stop at
// the first failing upload, so that a packet with a missing part is never
// followed by its trailer. The script must not exist yet. Returns 1, or 0
// after logging why ("---- instruction creation failed...." when it exists
// or cannot be created).
int make_instructions(const Transport& transport, const std::string& script, const std::string& packet, int extra_parts,
                      const std::string& trailer, const std::string& probe);

// The base name of a path (the text after its last '/').
std::string transport_base_name(const std::string& path);
