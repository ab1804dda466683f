// One transfer session of the relay: its private work files, the command
// line of its transfer program, and the judgement of the run by the
// connection probe, the program's status and its error output.
#pragma once

#include <string>

#include "common/command.h"
#include "proxy/private_dir.h"
#include "proxy/proxy_file.h"

// Every session ends after this many seconds unless the environment sets
// VANDREL_PROXY_SESSION_SECONDS (0: no limit).
inline constexpr unsigned RELAY_SESSION_SECONDS = 7200;
inline constexpr char RELAY_SESSION_SECONDS_ENV[] = "VANDREL_PROXY_SESSION_SECONDS";
unsigned relay_session_seconds();

// The 11-character text of the connection probe.
inline constexpr char RELAY_PROBE_TEXT[] = "holla probe";

// The places of one run: the script, output and error files in a private
// directory of the temporary directory, and a private staging directory
// inside the local directory, which holds the probe and every fetched file
// until it is known whole (a rename then moves it into place).
struct RelayWork {
    ProxyMap map;
    std::string proxy_file;
    std::string stem;  // "<program>_<pid>"
    PrivateDir work;
    PrivateDir staging;
    std::string probe_name;  // base name of the probe, in the staging directory
    unsigned seconds = RELAY_SESSION_SECONDS;

    // Makes both directories; 0 after printing why.
    int prepare();
    std::string script() const { return work / (stem + ".shipins"); }
    std::string output() const { return work / (stem + ".shipout"); }
    std::string errors() const { return work / (stem + ".shiperr"); }
    std::string probe() const { return staging / probe_name; }
};

// The command line of a session:
//   ftp  program -in machine < script >> output 2>> errors
//   lftp program -f script >> output 2>> errors
// bounded to `seconds` (0: no bound): then the program's whole process
// group is ended.
Command relay_command(const ProxyMap& map, const std::string& script, const std::string& output,
                      const std::string& errors, unsigned seconds);

enum class SessionOutcome {
    Ok,
    Failed,      // the program ran and the session did not work (already printed)
    NotWritten,  // the script or the probe could not be written (already printed)
};

// Writes the script, runs it and judges the session: the program must have
// started and ended within its time, the probe must have come back and the
// error output must be empty; for an ftp client, its output must hold no
// refusal of the server beyond `tolerated_not_found` "550" replies (files
// that may rightly be missing). On success a non-empty `summary` is printed
// (class 'n').
// When `output` is given it receives the program's standard output (at most
// LISTING_READ_MAX bytes); `output_read` tells whether it could be read.
// The script, output, error and probe files are removed before returning.
SessionOutcome follow_instructions_(RelayWork& work, const std::string& script_text, const std::string& summary,
                                    std::string* output = nullptr, bool* output_read = nullptr,
                                    int tolerated_not_found = 0);
