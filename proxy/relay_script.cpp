#include "proxy/relay_script.h"

void RelayScript::line(std::string_view word, std::string_view name) {
    text_ += word;
    if (!name.empty()) {
        text_ += " \"";
        text_ += name;
        text_ += '"';
    }
    text_ += '\n';
}

void RelayScript::login() {
    const PasskeyWords& r = map_.remote;
    if (map_.kind == RelayKind::Ftp) {
        text_ += "user " + r.user + " " + r.password + "\n";
        // Replies with their codes and a report of every transfer, by which
        // the session is judged (the client is terse with a script on its
        // standard input).
        text_ += "verbose\n";
        return;
    }
    // A server that does not answer ends the session instead of being
    // retried for ever.
    text_ += "set net:max-retries 3\nset net:timeout 60\nset net:reconnect-interval-base 10\n";
    // Overwritten files are replaced, not kept under a "~date~" backup name.
    text_ += "set xfer:clobber on\nset xfer:make-backup off\n";
    text_ += "open -u " + r.user + "," + r.password + " " + r.machine + "\n";
}

void RelayScript::ascii() {
    if (map_.kind == RelayKind::Ftp) line("ascii", {});
}

void RelayScript::binary() {
    if (map_.kind == RelayKind::Ftp) line("binary", {});
}

void RelayScript::cd(std::string_view remote_dir) {
    line("cd", remote_dir);
}

void RelayScript::lcd(std::string_view local_dir) {
    line("lcd", local_dir);
}

void RelayScript::put(std::string_view name) {
    line("put", name);
}

void RelayScript::get(std::string_view name) {
    line("get", name);
}

void RelayScript::remote_delete(std::string_view name) {
    line(map_.kind == RelayKind::Ftp ? "del" : "rm", name);
}

void RelayScript::local_delete(std::string_view name) {
    line("!rm", name);
}

void RelayScript::list(std::string_view pattern) {
    line(map_.kind == RelayKind::Ftp ? "ls" : "cls -1", pattern);
}

void RelayScript::probe(std::string_view name) {
    put(name);
    local_delete(name);
    get(name);
    remote_delete(name);
}

void RelayScript::quit() {
    line("quit", {});
}
