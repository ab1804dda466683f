// The transport: the shipper reaches a receiving location only through an
// external file-transfer program, run with a generated script. This header
// holds what every step shares: the transport kinds, the settings a caller
// fills in (from its configuration), and the connection record read from a
// location's host map.
//
// Log lines go through common/log.h, so the caller sets LOG_STATE (log
// files and UTC offset) before using the transport.
//
// A shipping pass (ship personality) uses it like this, with <E> the epoch
// base <epocs dir>/epoc.<NNN>.<R>.<L>:
//   Transport t{settings, {}};                 // settings from the configuration
//   get_receiver_data(t, R);                   // host map -> t.receiver
//   fetch_confirmation(t, E, script, out, err, R);   // confirmation.h
//   ... build <E>.crc and its parts ...
//   make_instructions(t, script, E + ".crc", parts, E + ".pack", E + ".holla");
//   write_packet_trailer(E + ".pack", epoch, is_deployment, vob, versions, E + ".crc", parts);
//   follow_instructions(t, script, out, err, E + ".holla", R, true);
// The hold personality writes only the trailer (for <H>.crc).
#pragma once

#include <string>
#include <string_view>

// The transfer program kinds, numbered as the log line "program class %d"
// shows them.
enum class TransportKind : int {
    Ftp = 0,     // ftp -in machine < script; login in the script
    Sftp = 1,    // sftp -B script user@machine
    Psftpk = 2,  // psftp with a private key file <hostmaps>/<location>.pk
    Ssftp = 3,   // like sftp, with "rm" and "lrm" as delete words
    Psftpp = 4,  // psftp with the password on the command line
    Lftp = 5,    // lftp -f script; login in the script
};

// "ftp", "sftp", "psftpk", "ssftp", "psftpp" or "lftp".
const char* transport_kind_name(TransportKind kind);
inline int transport_kind_number(TransportKind kind) {
    return static_cast<int>(kind);
}

// Chooses the kind from the program's base name (the text after the last
// '/', or the whole value), by prefix, tested in the order lftp, sftp,
// psftpk, psftpp, ssftp, ftp. Returns 1, or 0 when the base name is empty
// or matches none of them.
int transport_kind_of_program(std::string_view program, TransportKind& kind);

// What a caller provides. Everything here comes from the caller's
// configuration and depot layout.
struct TransportSettings {
    std::string program;                      // transport_program= as written (a path is allowed)
    TransportKind kind = TransportKind::Ftp;  // from transport_kind_of_program
    std::string hostmaps_dir;                 // <config dir>/hostmaps: <location>.hostmap and .pk
    std::string local_dir;                    // where the scripts' local files live (the shipper's epocs dir)
    unsigned session_seconds = 7200;          // hard limit of one transfer run; 0 = none
    // Written into every lftp script so that a server that does not answer
    // ends the session instead of being retried for ever.
    unsigned lftp_max_retries = 3;
    unsigned lftp_timeout_seconds = 60;
    unsigned lftp_reconnect_interval_base = 10;
};

// A receiving location's connection values, unscrambled from its passkey.
struct ConnectionRecord {
    std::string machine;    // host name or address (at most 511 characters)
    std::string user;       // login name (at most 511)
    std::string password;   // its password (at most 511)
    std::string directory;  // the receiver's bay directory (at most 1023; may hold blanks)
};

// The state of the transport for one caller: its settings and the
// connection record of the last host map read.
struct Transport {
    TransportSettings settings;
    ConnectionRecord receiver;
};

// The 11-character text written into every probe file.
inline constexpr char PROBE_TEXT[] = "holla probe";

// Checks that the connection values can go into a transfer script and a
// command line without being read as anything but themselves. Returns 1,
// or 0 with a reason (naming the field, never quoting the password).
int check_connection_record(const ConnectionRecord& record, std::string& reason);

// Checks one name that goes into a script as a local or remote file name:
// a base name of letters, digits, '.', '_', '-' and '+' that does not
// begin with '-' or '.'. Returns 1, or 0 with a reason.
int check_script_name(std::string_view name, std::string& reason);

// Checks a local directory that goes into a script (in double quotes):
// no control character, '"' or '\'. Returns 1, or 0 with a reason.
int check_script_directory(std::string_view dir, const char* what, std::string& reason);
