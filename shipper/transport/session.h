// Running a transfer script with the transport program and judging the
// session from the probe, the output file and the error file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/command.h"
#include "shipper/transport/transport.h"

// How many bytes of the error file are examined.
inline constexpr std::size_t ERROR_TEXT_EXAMINED = 3596;

// The command line of the transport kind, every value one quoted word:
//   ftp     program -in machine < script >> output 2>> errors
//   sftp    program -B script user@machine >> output 2>> errors (ssftp alike)
//   psftpk  program -b script -i <hostmaps>/<location>.pk -be -batch user@machine ...
//   psftpp  program -b script -pw password -be -batch user@machine ...
//   lftp    program -f script >> output 2>> errors
// bounded by settings.session_seconds.
Command transport_command(const Transport& transport, const std::string& script, const std::string& output,
                          const std::string& errors, const std::string& location);

// What the error file says about a session.
enum class ErrorVerdict {
    Clean,       // nothing, or only what the kind is known to print on success
    Unexpected,  // lines the kind does not print on success: `shown` holds them
    Errors,      // anything at all, for the kinds that print nothing on success
};
struct ErrorJudgement {
    ErrorVerdict verdict = ErrorVerdict::Clean;
    std::string shown;  // for Unexpected: the text to put into the error log
};

// Judges the (first ERROR_TEXT_EXAMINED bytes of the) error text:
// - ssftp, psftpk, psftpp: a text that begins with the line
//   Using username "<user>". and is at most 3 characters longer is clean;
//   anything else is unexpected (shown without that leading line);
// - lftp in check mode: lines beginning with "get: Access failed:" or
//   "rm: Access failed:" (a missing epoch, busy flag or stale packet) are
//   clean; any other line is unexpected;
// - ftp, sftp, and lftp with check mode off: any text is an error.
ErrorJudgement judge_error_text(TransportKind kind, const std::string& user, bool check_mode, std::string_view text);

// An ftp client goes on after a failed command and prints the server's
// refusal on its standard output: the number of reply lines (4xx or 5xx)
// in `output` that are not explained by the script's downloads and remote
// deletes, which may fail with 550 when the file is not there. A failed
// upload makes this non-zero.
int unexplained_ftp_refusals(std::string_view output, int tolerated_not_found);

// An ftp client goes on after a failed upload, and a script on its standard
// input gets its terse mode, where a refusal shows without its reply code
// (4xx replies not at all). The transfer scripts therefore turn on its
// verbose mode, in which the ftp clients of UNIX systems announce each
// transfer with "local: <name> remote: <name>" and report a finished one
// with "<n> bytes sent in ...". The names of the script's uploads without
// that report; none when `output` announces no transfer at all (a client
// that does not speak so is judged by the other rules).
std::vector<std::string> unconfirmed_ftp_uploads(std::string_view script, std::string_view output);

// psftp goes on after a failed command (its -be switch) and reports the
// failure on its standard output only, where every upload it made shows as
// "local:<name> => remote:<path>". The names of the script's uploads
// (`put "<name>"` lines) that have no such line in `output`.
std::vector<std::string> unconfirmed_psftp_uploads(std::string_view script, std::string_view output);

// Runs the script and judges the session; returns 1 when it worked, 0
// otherwise (after logging why). The output and error files are created
// empty and the probe written with PROBE_TEXT before the run; the script is
// removed as soon as the program has returned; output, errors and probe are
// removed before returning. A run that outlives settings.session_seconds is
// ended with its whole process group and judged failed. The shipper always
// passes check mode on.
int follow_instructions(const Transport& transport, const std::string& script, const std::string& output,
                        const std::string& errors, const std::string& probe, const std::string& location,
                        bool check_mode);
