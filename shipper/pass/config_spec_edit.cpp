#include "shipper/pass/config_spec_edit.h"

#include <fcntl.h>
#include <unistd.h>

#include <string_view>

#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/pass/pass_messages.h"
#include "shipper/transport/transport.h"

namespace {

bool contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// Writes text to a new private file, never following a link or reusing one.
bool write_new_private_file(const std::string& path, const std::string& text) {
    unlink_remove(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = write_whole(fd, text);
    if (::close(fd) != 0) ok = false;
    if (!ok) unlink_remove(path);
    return ok;
}

}  // namespace

ConfigSpecEdit edit_config_spec(const std::string& text, const std::string& file) {
    ConfigSpecEdit edit;
    const char* f = file.c_str();
    if (text.size() > CONFIG_SPEC_WORK_MAX) {
        edit.error = fmt_msg(pass_msg::CS_TOO_LONG, CONFIG_SPEC_STEP, f, static_cast<long>(CONFIG_SPEC_WORK_MAX));
        return edit;
    }
    for (std::string_view line : shipper_config::split_lines(text)) {
        const std::string_view word = shipper_config::first_word(line);
        if (word.empty()) continue;
        if (word == "include" || word == "load") {
            edit.error = fmt_msg(pass_msg::CS_ILLEGAL_RULE, CONFIG_SPEC_STEP, f, std::string(word).c_str());
            return edit;
        }
        // Comments never reach setcs, so what they mention does not count.
        if (word.front() == '#') continue;
        if (contains(line, " CHECKEDOUT") || contains(line, "\tCHECKEDOUT")) {
            edit.error = fmt_msg(pass_msg::CS_ILLEGAL_RULE, CONFIG_SPEC_STEP, f, "CHECKEDOUT");
            return edit;
        }
        for (const char* selector : {"-config", "-error", "-time"}) {
            if (contains(line, selector)) {
                edit.error = fmt_msg(pass_msg::CS_ILLEGAL_SELECTOR, CONFIG_SPEC_STEP, f, selector);
                return edit;
            }
        }
        std::string kept(line);
        constexpr std::string_view nocheckout = " -nocheckout";
        for (std::size_t at = kept.find(nocheckout); at != std::string::npos; at = kept.find(nocheckout, at))
            kept.replace(at, nocheckout.size(), nocheckout.size(), ' ');
        edit.kept += kept;
        edit.kept += '\n';
    }
    return edit;
}

std::string set_export_config_spec(const std::string& file, const std::string& edited, const std::string& view) {
    const std::string not_set = fmt_msg(pass_msg::CS_NOT_SET, view.c_str());
    shipper_config::FileText read = shipper_config::read_bounded_file(file, CONFIG_SPEC_READ_MAX);
    if (read.status != shipper_config::ReadStatus::ok || read.text.size() <= CONFIG_SPEC_MIN) return not_set;
    if (read.truncated)
        return fmt_msg(pass_msg::CS_TOO_LONG, CONFIG_SPEC_STEP, file.c_str(), static_cast<long>(CONFIG_SPEC_READ_MAX));
    ConfigSpecEdit edit = edit_config_spec(read.text, file);
    if (!edit.error.empty()) return edit.error;
    if (!write_new_private_file(edited, edit.kept)) return not_set;
    int status = cleartool(CT_SETCS).args("-tag", view, edited).trash_all().run();
    unlink_remove(edited);
    return status == 0 ? std::string() : not_set;
}
