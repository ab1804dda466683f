// Reports and re-protection after the import utility has run.
#include "receiver/apply/import_report.h"

#include <sys/stat.h>

#include <new>
#include <string_view>

#include "codecs/packet_elements.h"
#include "codecs/packet_format.h"
#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/apply/apply_messages.h"
#include "receiver/apply/apply_state.h"
#include "receiver/apply/email_digest.h"
#include "receiver/apply/normalize.h"
#include "receiver/apply/protection.h"

namespace {

// Longest error line copied into the warnings log.
constexpr std::size_t ERROR_LINE_MAX = 1023;
// An import output larger than this is not read.
constexpr std::size_t IMPORT_OUTPUT_MAX = 256u << 20;

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t at; (at = text.find(from, pos)) != std::string::npos; pos = at + from.size()) {
        out.append(text, pos, at - pos);
        out.append(to);
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

}  // namespace

int report_missing_versions(const std::string& data_path, const std::string& vob_tag) {
    int missing = 0;
    for (const std::string& path : APPLY_PACKET.VERSIONED_FILE_LIST.paths()) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0) continue;
        if (missing++ == 0) {
            start_digest_report(fmt_msg(MSG_86, packet_file_name(data_path).c_str(), vob_tag.c_str()));
            log_to_digest_and_warnings(fmt_msg(MSG_85, LOG_FILES.WLOG_FILE.c_str()));
        }
        log_to_digest_and_warnings("   " + path + "\n");
    }
    return missing;
}

std::string rewrite_import_words(std::string text) {
    std::string name(IMPORT_UTILITY_NAME);
    replace_all(text, name + ":", "Vandrel");
    replace_all(text, name, "replicating");
    replace_all(text, ENCOUNTERED_IMPORTING, std::string(TRAVERSED_REPLICATIN) + "g");
    replace_all(text, TROUBLE_IMPORTING, std::string(ERROR_REPLICATIN) + "g");
    return text;
}

int post_any_needed_warnings(const std::string& path) {
    if (!this_file_exists(path) || file_is_empty(path)) return 0;
    std::string text;
    if (static_cast<std::size_t>(file_size_or_zero(path)) > IMPORT_OUTPUT_MAX) {
        log_it('w', fmt_msg(MSG_63, path.c_str()));
        return 0;
    }
    try {
        get_file_results(path, text, Command::NO_LIMIT);
        text = rewrite_import_words(std::move(text));
    } catch (const std::bad_alloc&) {
        log_it('w', fmt_msg(MSG_63, path.c_str()));
        return 0;
    }
    if (text.find(CLOSING_DIRECTORIES) != std::string::npos) APPLY_PACKET.found_string_Closing_directories = 1;

    std::size_t at = text.find(TST_01);
    if (at != std::string::npos) {
        log_it('w', MSG_44);
        for (; at != std::string::npos; at = text.find(TST_01, at + 1)) {
            std::size_t end = text.find('\n', at);
            std::size_t len = (end == std::string::npos ? text.size() : end) - at;
            log_text('w', text.substr(at, std::min(len, ERROR_LINE_MAX)) + "\n");
        }
        log_it('w', MSG_45);
    }
    at = text.find(TST_00);
    if (at != std::string::npos) {
        log_it('w', MSG_46);
        log_it('w', MSG_48);
        log_text('w', text.substr(at));
        log_it('w', MSG_47);
    }
    return 0;
}

int reprotect_new_elements(const std::string& nele_path, const std::string& vob_path) {
    if (!this_file_exists(nele_path) || file_is_empty(nele_path)) {
        log_it('w', fmt_msg(MSG_64, nele_path.c_str(), vob_path.c_str()));
        return 0;
    }
    std::string text;
    get_file_results(nele_path, text, Command::NO_LIMIT);
    if (text.empty()) {
        log_it('w', fmt_msg(MSG_65, nele_path.c_str(), vob_path.c_str()));
        return 0;
    }
    // A packet without new elements carries a bare line break.
    if (text.find_first_not_of(" \t\r\n") == std::string::npos || text.size() < 10) return 1;

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(NELE_RECORD_END, pos);
        if (end == std::string::npos) break;  // the line break after the last record
        std::string_view record = std::string_view(text).substr(pos, end - pos);
        pos = end + 1;
        std::size_t lead = record.find_first_not_of(" \t\r\n");
        if (lead == std::string_view::npos) continue;
        record.remove_prefix(lead);
        std::string single = std::string(record) + NELE_RECORD_END;
        std::vector<NewElement> parsed;
        std::string error;
        if (!read_new_element_records(single, parsed, error) || parsed.size() != 1 ||
            !packet_path_stays_inside(parsed[0].path)) {
            log_it('w', fmt_msg(MSG_62, std::string(record).c_str(), "", ""));
            continue;
        }
        const NewElement& e = parsed[0];
        protect_as_key_line_says(view_path_of(vob_path, e.path) + "@@", e.owner, e.group, e.permissions);
    }
    return 1;
}

int finish_import(const std::string& catcho, const std::string& catche, const std::string& target_dir,
                  const std::string& data_path, const std::string& vob_tag, const std::string& vob_path,
                  const std::string& nele_path) {
    report_missing_versions(data_path, vob_tag);
    APPLY_PACKET.found_string_Closing_directories = 0;
    post_any_needed_warnings(catche);
    post_any_needed_warnings(catcho);
    if (!APPLY_PACKET.found_string_Closing_directories) {
        log_it('e', fmt_msg(MSG_33, target_dir.c_str(), data_path.c_str()));
        return 0;
    }
    const ApplySettings& S = APPLY_SETTINGS;
    if (S.protection == PROTECTION_PRESERVE || S.protection == PROTECTION_EXACTLY) {
        if (!reprotect_new_elements(nele_path, vob_path)) log_it('w', fmt_msg(MSG_59, vob_path.c_str()));
    }
    unlink_remove(nele_path);
    return 1;
}
