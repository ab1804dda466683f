#include "proxy/relay.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "common/console_frame.h"
#include "common/frame.h"
#include "common/text_format.h"
#include "proxy/delivery.h"
#include "proxy/proxy_messages.h"
#include "proxy/relay_script.h"
#include "proxy/remote_listing.h"

namespace {

constexpr std::string_view EPOC_SUFFIX = ".epoc";

// The regular files of the local directory whose names end in ".epoc",
// sorted.
std::vector<std::string> local_epoch_files(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (!std::string_view(name).ends_with(EPOC_SUFFIX)) continue;
            struct stat st;
            if (::lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// epoc.<NNN>.<R>.<L>.epoc, made only of characters a script takes as a name.
bool is_epoch_name(std::string_view name) {
    return relay_name_ok(name) && name.ends_with(EPOC_SUFFIX) &&
           is_package_base(name.substr(0, name.size() - EPOC_SUFFIX.size()));
}

void report_failure(SessionOutcome outcome, int phase, const std::string& proxy_file) {
    if (outcome == SessionOutcome::NotWritten)
        blog_it('e', fmt_msg(MSG_24, phase, proxy_file.c_str()));
    else if (outcome == SessionOutcome::Failed)
        blog_it('e', fmt_msg(MSG_25, phase, proxy_file.c_str()));
}

// Login, both directories: every session starts alike. The local side is the
// staging directory, where the probe lives.
void open_session(RelayScript& script, const RelayWork& work) {
    script.login();
    script.cd(work.map.remote.directory);
    script.lcd(work.staging.path());
}

void close_session(RelayScript& script, const RelayWork& work) {
    script.lcd(work.staging.path());
    script.probe(work.probe_name);
    script.quit();
}

}  // namespace

void push_confirmations(RelayWork& work) {
    std::vector<std::string> pushed;
    for (const std::string& name : local_epoch_files(work.map.request_lcd)) {
        if (is_epoch_name(name))
            pushed.push_back(name);
        else
            blog_it('e', fmt_msg(PROXY_NAME_SKIPPED, name.c_str(), work.map.request_lcd.c_str(),
                                 "not a confirmation name the relay carries"));
    }
    std::string summary = fmt_msg(PROXY_GOOD_PUSH, CONTINUE_LINE, work.proxy_file.c_str());
    if (pushed.empty()) {
        blog_it('n', summary + CONTINUE_LINE + PROXY_NONE_FOUND);
        return;
    }
    RelayScript script(work.map);
    open_session(script, work);
    script.ascii();
    script.lcd(work.map.request_lcd);
    for (const std::string& name : pushed) {
        script.put(name);
        summary += CONTINUE_LINE + name;
    }
    close_session(script, work);
    report_failure(follow_instructions_(work, script.text(), summary), 1, work.proxy_file);
}

namespace {

// The fetch session: every data file and part the listing showed, the
// trailer last, all into the staging directory.
SessionOutcome fetch_packages(RelayWork& work, const std::vector<RemotePackage>& packages) {
    RelayScript script(work.map);
    open_session(script, work);
    std::string summary = fmt_msg(PROXY_GOOD_PULL, CONTINUE_LINE, work.proxy_file.c_str());
    for (const RemotePackage& p : packages) {
        script.binary();
        script.get(p.data());
        for (int n : p.parts) script.get(p.part(n));
        script.ascii();
        script.get(p.trailer());
        summary += std::string(CONTINUE_LINE) + PROXY_SEPARATOR;
        summary += CONTINUE_LINE + p.data();
        summary += CONTINUE_LINE + p.data() + "_* (" + std::to_string(p.parts.size()) + " listed)";
        summary += CONTINUE_LINE + p.trailer();
        summary += std::string(CONTINUE_LINE) + PROXY_SEPARATOR;
    }
    close_session(script, work);
    return follow_instructions_(work, script.text(), summary);
}

// The delete session: only packages that arrived whole, trailer first so a
// listing never shows a trailer without its data.
void delete_delivered(RelayWork& work, const std::vector<RemotePackage>& delivered) {
    if (delivered.empty()) return;
    RelayScript script(work.map);
    open_session(script, work);
    std::string summary = fmt_msg(PROXY_GOOD_DELETE, CONTINUE_LINE, work.proxy_file.c_str());
    for (const RemotePackage& p : delivered) {
        script.remote_delete(p.trailer());
        script.remote_delete(p.data());
        for (int n : p.parts) script.remote_delete(p.part(n));
        summary += CONTINUE_LINE + p.trailer();
    }
    close_session(script, work);
    report_failure(follow_instructions_(work, script.text(), summary), 4, work.proxy_file);
}

}  // namespace

void pull_packages(RelayWork& work) {
    RelayScript script(work.map);
    open_session(script, work);
    script.ascii();
    script.list("epoc.*");
    close_session(script, work);
    std::string listing;
    bool listing_read = false;
    SessionOutcome listed = follow_instructions_(work, script.text(), "", &listing, &listing_read, 1);
    if (listed != SessionOutcome::Ok) {
        report_failure(listed, 2, work.proxy_file);
        return;
    }
    if (!listing_read) {
        blog_it('e', fmt_msg(PROXY_READ_FAILED, "READ_FAILED", 1));
        remove_private_dirs();
        blast_words(CONFIG_VANISHED);
    }

    std::string none =
        fmt_msg(PROXY_GOOD_PULL, CONTINUE_LINE, work.proxy_file.c_str()) + CONTINUE_LINE + PROXY_NONE_FOUND;
    std::vector<RemotePackage> packages;
    if (!listing_says_none(listing)) {
        for (RemotePackage& p : select_packages(listing)) {
            if (!p.data_listed)
                blog_it('e', fmt_msg(PROXY_NOT_WHOLE, p.base.c_str(), "its data file is not in the remote listing"));
            else if (package_waiting_locally(work.map.request_lcd, p))
                blog_it('n', fmt_msg(PROXY_STILL_WAITING, p.base.c_str(), work.map.request_lcd.c_str()));
            else
                packages.push_back(std::move(p));
        }
    }
    if (packages.empty()) {
        blog_it('n', none);
        return;
    }

    SessionOutcome fetched = fetch_packages(work, packages);
    report_failure(fetched, 3, work.proxy_file);
    if (fetched == SessionOutcome::NotWritten) return;

    std::vector<RemotePackage> delivered;
    for (const RemotePackage& p : packages) {
        int parts = 0;
        std::string reason;
        if (!staged_package_whole(work.staging.path(), p, fetched == SessionOutcome::Ok, parts, reason)) {
            blog_it('e', fmt_msg(PROXY_NOT_WHOLE, p.base.c_str(), reason.c_str()));
            continue;
        }
        // Another run may have delivered it meanwhile, and the receiver may be
        // reading it: its files are not replaced under it.
        if (package_waiting_locally(work.map.request_lcd, p)) {
            blog_it('n', fmt_msg(PROXY_STILL_WAITING, p.base.c_str(), work.map.request_lcd.c_str()));
            continue;
        }
        if (!deliver_package(work.staging.path(), work.map.request_lcd, p, parts, reason)) {
            blog_it('e', fmt_msg(PROXY_NOT_DELIVERED, p.base.c_str(), work.map.request_lcd.c_str(), reason.c_str()));
            continue;
        }
        blog_it('n', fmt_msg(PROXY_DELIVERED, p.base.c_str(), work.map.request_lcd.c_str(), parts));
        delivered.push_back(p);
    }
    delete_delivered(work, delivered);
}

void transfer(const std::string& proxy_file) {
    RelayWork work;
    work.proxy_file = proxy_file;
    if (!read_proxy_file(proxy_file, work.map)) {
        blog_it('e', fmt_msg(PROXY_NOT_READ, proxy_file.c_str()));
        return;
    }
    work.stem = fmt_msg("%s_%d", SELF, static_cast<int>(::getpid()));
    work.seconds = relay_session_seconds();
    if (!work.prepare()) return;
    push_confirmations(work);
    pull_packages(work);
}
