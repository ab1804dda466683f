// The proxy file: three lines that name the transfer program, the local
// directory and the remote location's passkey. Lines after the third are
// comment; empty lines do not count.
#pragma once

#include <string>
#include <string_view>

#include "codecs/scramble.h"

inline constexpr std::size_t PROXY_FILE_PATH_MAX = 512;
inline constexpr std::size_t PROXY_FILE_READ_MAX = 4095;

// The transfer programs the relay speaks to: an ftp client (script on
// standard input, "-in") or lftp (script named with "-f").
enum class RelayKind { Ftp, Lftp };

struct ProxyMap {
    std::string TRANSPORT_PROGRAM;
    RelayKind kind = RelayKind::Ftp;
    std::string request_lcd;  // the local directory
    PasskeyWords remote;      // machine, user, password and remote directory
};

// The kind named by the program's base name (text after the last "/"): a
// name beginning with "lftp" or "ftp". False for any other program.
bool relay_kind_of(std::string_view program, RelayKind& kind);

// Parses the text of a proxy file. Returns -1 when it is good, else the
// number of the bad line for the "incomplete/invalid" message (0 program,
// 1 local directory, 2 no "]", 3 no "[", 4 passkey without four words).
int parse_proxy_text(std::string_view text, ProxyMap& map);

// Checks that every value can go into a transfer script (names in double
// quotes, one command per line) and onto the command line as itself.
// Returns 1, or 0 with the reason (never quoting the password).
int check_proxy_values(const ProxyMap& map, std::string& reason);

// Reads and checks the proxy file. Returns 1, or 0 after printing the
// reason (log class 'e').
int read_proxy_file(const std::string& path, ProxyMap& map);
