// The relay's transfer scripts, in the words of its transfer program: one
// command per line, every name in double quotes. Values must have passed
// check_proxy_values and names relay_name_ok first.
#pragma once

#include <string>
#include <string_view>

#include "proxy/proxy_file.h"

class RelayScript {
public:
    explicit RelayScript(const ProxyMap& map) : map_(map) {}

    // ftp: "user <user> <password>"; lftp: the session limits, "set
    // xfer:clobber on" and "open -u <user>,<password> <machine>".
    void login();
    void ascii();   // ftp only
    void binary();  // ftp only
    void cd(std::string_view remote_dir);
    void lcd(std::string_view local_dir);
    void put(std::string_view name);
    void get(std::string_view name);
    void remote_delete(std::string_view name);  // "del" (ftp), "rm" (lftp)
    void local_delete(std::string_view name);   // the shell escape "!rm"
    // ls of a pattern: ftp "ls", lftp "cls -1" (which globs on the client
    // side, so every protocol lists alike).
    void list(std::string_view pattern);
    // The connection probe: put, delete locally, get back, delete remotely.
    void probe(std::string_view name);
    void quit();

    const std::string& text() const { return text_; }

private:
    void line(std::string_view word, std::string_view name);

    const ProxyMap& map_;
    std::string text_;
};
