// Building transfer scripts in the words of one transport kind. The
// confirmation and sending scripts (instructions.h) are made with it; the
// communication test and the proxy relay can make theirs the same way.
//
// A script is plain text, one command per line, every name in double
// quotes. Names and values must have been checked first
// (check_transfer_script_values), or a value could add a command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shipper/transport/transport.h"

class TransferScript {
public:
    explicit TransferScript(const Transport& transport);

    // The login line (ftp: "user <user> <password>", verbose and ascii; lftp: the
    // session limits, "set xfer:clobber on" and "open -u <user>,<password>
    // <machine>"; nothing for the others), then cd to the receiver directory
    // and lcd to settings.local_dir.
    void open_session();
    void ascii();             // ftp only
    void binary();            // ftp only
    void stop_at_failures();  // lftp only: "set cmd:fail-exit yes"
    void put(std::string_view name);
    void get(std::string_view name);
    void remote_delete(std::string_view name);  // "rm" for ssftp and lftp, "del" for the others
    void local_delete(std::string_view name);   // "lrm" for ssftp, "!rm" for the others
    void quit();
    // Any other command: `word "argument"` (or the word alone when the
    // argument is empty). The argument must have been checked.
    void command(std::string_view word, std::string_view argument = {});

    const std::string& text() const { return text_; }

private:
    const Transport& transport_;
    TransportKind kind_;
    std::string text_;
};

// Checks the connection record, the local directory and every name; logs
// "---- transfer script (<script>) not written: <reason>" (class 'e') and
// returns 0 on refusal.
int check_transfer_script_values(const Transport& transport, const std::string& script,
                                 const std::vector<std::string>& names);

enum class ScriptWrite { Written, NotCreated, NotWritten };

// Creates the script exclusively and privately (0600; it may hold the
// password), never through a symbolic link, registers it for removal
// (push_ship_file) and writes the text. An existing file is replaced only
// when `replace` is set. A half-written script is removed.
ScriptWrite write_transfer_script(const std::string& script, const std::string& text, bool replace);
