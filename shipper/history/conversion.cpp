#include "shipper/history/conversion.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "codecs/file_break.h"
#include "codecs/multipart.h"
#include "codecs/packet_elements.h"
#include "codecs/packet_format.h"
#include "codecs/packet_header.h"
#include "common/cc_query.h"
#include "common/cc_type_cache.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/since.h"
#include "common/text_format.h"
#include "shipper/history/destruction.h"
#include "shipper/history/export_text.h"
#include "shipper/history/header_records.h"
#include "shipper/history/history_messages.h"
#include "shipper/history/label_history.h"
#include "shipper/history/since_time.h"
#include "shipper/history/slink_list.h"

ConversionState CONVERSION;

namespace {

using namespace history_msg;

constexpr char PACKET_DESCRIPTION[] = "[packet_decription]";
constexpr std::size_t EXPORT_MIN_BYTES = 10;

// The value of a value line with trailing blanks and control characters
// removed.
std::string clean_value(const std::string& record) {
    ValueLine v;
    if (!parse_value_line(record, v)) return {};
    std::string_view value = v.value;
    while (!value.empty() && (value.back() == ' ' || static_cast<unsigned char>(value.back()) < 0x20))
        value.remove_suffix(1);
    return std::string(value);
}

std::string trim_line_end(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string skip_dot_slash(std::string value) {
    if (value.starts_with("./")) value.erase(0, 2);
    return value;
}

bool is_lost_and_found_top(std::string_view value) {
    return value == "lost+found" || value.starts_with("lost+found/") || value.starts_with("lost+found\\");
}

int step_failed(int step, const std::string& file, int err) {
    log_it('e', fmt_msg(MSG_00, step, file.c_str(), std::strerror(err ? err : EIO)));
    return 0;
}

// The TOC line that counts what the packet carries.
std::string count_line(long n, const char* what) {
    return fmt_msg("   =======+ there %s %ld %s%s contained in the packet: +=======\n", n == 1 ? "is" : "are", n, what,
                   n == 1 ? "" : "s");
}

int command_failed(const Command& command) {
    log_it('e', fmt_msg("-- command failed: %s", command.line().c_str()));
    return 0;
}

class Converter {
public:
    explicit Converter(const ConversionRequest& request)
        : rq_(request), view_root_("/view/" + request.view_tag), pre_path_(request.head_path + ".pre") {}

    int run();

private:
    int prepare();
    int element_description();
    int extract_file_line(const std::string& record);
    int new_element(const std::string& value, const std::string& full);
    int dir_name_line(const std::string& record);
    int deployment_file(const std::string& value);
    int links_and_checkouts();
    int assemble();
    int label_section();

    // The view path of a name of the export.
    std::string in_view(const std::string& name) const {
        if (name.empty() || name == ".") return export_view_dir_;
        return export_view_dir_ + "/" + name;
    }
    bool write_pre(int made, const std::string& record) {
        if (!made) {
            log_it('w', fmt_msg("-- header record for (%s) cannot be carried in a packet: left out", record.c_str()));
            return true;
        }
        return pre_.append(record);
    }

    const ConversionRequest& rq_;
    const std::string view_root_;
    const std::string pre_path_;
    HeadFile head_, pre_, nele_;
    TocLog toc_;
    // The export directory in the view: its "ExportFromDir" is a
    // VOB-tag-rooted path, or already a view path (deployments).
    std::string export_view_dir_ = view_root_;
    long data_counter_ = 0;
    std::string current_data_;  // data file of the last carried content
    std::string last_carried_;  // its view path
    std::string last_new_element_;
    std::string last_name_;  // deployments: the last "Name" value
    std::unordered_set<std::string> dir_records_;
    std::unordered_set<std::string> exported_versions_;
};

int Converter::prepare() {
    CONVERSION.CURRENT_VERSION_FILE_WORKING_ON = PACKET_DESCRIPTION;
    CONVERSION.VERSIONS_IN_PACKET = 0;
    MULTIPART.XTRA_PACKET_PARTS = 0;
    reset_type_cache();
    LISTED_FILES.clear();
    if (file_size_or_zero(rq_.export_path) < static_cast<std::int64_t>(EXPORT_MIN_BYTES)) return 0;
    remove_template_files(rq_.head_path);
    if (!touch_file(rq_.head_path, "", ATTR_SECRET) || !touch_file(rq_.nele_path, "", ATTR_SECRET) ||
        !touch_file(pre_path_, "", ATTR_SECRET))
        return 0;
    push_ship_file(rq_.nele_path);
    push_ship_file(pre_path_);
    if (!head_.open(rq_.head_path) || !nele_.open(rq_.nele_path) || !pre_.open(pre_path_)) return 0;

    std::string records;
    append_location_record(records, rq_.location);
    append_packet_type_record(records, rq_.is_deployment, rq_.deploy_location);
    append_format_version_record(records);
    append_personality_record(records, rq_.is_deployment);
    if (!pre_.append(records)) return 0;
    if (rq_.is_deployment) return 1;
    if (!write_eltype_records(pre_, rq_.vob_tag)) {
        log_it('e', fmt_msg("-- element types of (%s) could not be listed", rq_.vob_tag.c_str()));
        return 0;
    }
    return write_type_records(pre_, rq_.vob_tag);
}

int Converter::new_element(const std::string& value, const std::string& full) {
    const std::string plus = value + "+";
    if (plus.find("@@/main/0+") == std::string::npos && plus.find("@@/main/1+") == std::string::npos) return 1;
    const std::string element = full.substr(0, full.find("@@"));
    if (element == last_new_element_) return 1;
    last_new_element_ = element;
    Command describe = cleartool(CT_DESCRIBE).args("-fmt", "%[owner]p|%[group]p|%[permissions]p", element + "@@");
    std::string answer;
    int status = 0;
    if (!describe.capture(answer, CC_ANSWER_SIZE - 1, &status) || status != 0) return command_failed(describe);
    const std::size_t a = answer.find('|');
    const std::size_t b = a == std::string::npos ? a : answer.find('|', a + 1);
    if (b == std::string::npos) return command_failed(describe);
    std::string record;
    if (!append_new_element_record(record, value.substr(0, value.find("@@")), answer.substr(0, a),
                                   answer.substr(a + 1, b - a - 1), trim_line_end(answer.substr(b + 1)))) {
        log_it('w', fmt_msg("-- new element (%s) cannot be carried in a packet: left out", value.c_str()));
        return 1;
    }
    if (!nele_.append(record)) return step_failed(3, rq_.nele_path, nele_.error());
    return 1;
}

int Converter::extract_file_line(const std::string& record) {
    std::string value = clean_value(record);
    if (rq_.is_deployment) return deployment_file(skip_dot_slash(value));
    // The top's lost+found holds nothing another site needs.
    if (rq_.orig_portion == "." && is_lost_and_found_top(value))
        return head_.append(format_value_line(TAG_EXTRACT_FILE, ZEB_EMPTY_FILE));
    const std::string full = in_view(value);
    // Only the label and attribute history asks which versions travel.
    if (rq_.do_lshistory && rq_.requires_post_label_processing) exported_versions_.insert(full);
    std::string data;
    if (file_is_empty(full)) {
        data = ZEB_EMPTY_FILE;
    } else if (!last_carried_.empty() && cmp_files(full, last_carried_)) {
        data = current_data_;  // the same bytes as the previous content: one data file
    } else {
        current_data_ = data_file_name(++data_counter_);
        last_carried_ = full;
        push_listed_file(full);
        data = current_data_;
    }
    toc_.add("   " + value + "\n");
    ++CONVERSION.VERSIONS_IN_PACKET;
    if (!head_.append(format_value_line(TAG_EXTRACT_FILE, data))) return 0;
    return new_element(value, full);
}

int Converter::deployment_file(const std::string& value) {
    const std::string full = in_view(value);
    const std::string& name = last_name_.empty() ? value : last_name_;
    // A file is listed only together with its "F:" line: the receiver pairs
    // them by their order.
    if (under_lost_and_found(value) || !_is_visible(full)) return 1;
    if (!rq_.hard_deployment && file_is_empty(full)) {
        log_text('d', fmt_msg("%s>%s%c%s\n", "ignore 0k", rq_.deploy_location.c_str(), '/', name.c_str()));
        return 1;
    }
    std::string line;
    if (!append_deploy_file_line(line, name)) return 1;
    push_listed_file(full);
    ++data_counter_;
    log_text('d', fmt_msg("%s>%s%c%s\n", "file", rq_.deploy_location.c_str(), '/', name.c_str()));
    return head_.append(line);
}

int Converter::dir_name_line(const std::string& record) {
    const std::string value = clean_value(record);
    if (rq_.is_deployment) {
        const std::string dir = skip_dot_slash(value);
        if (value.starts_with("lost+found") || value.find("./lost+found") != std::string::npos || value == "." ||
            dir.empty() || !_is_visible(in_view(dir)))
            return 1;
        std::string line;
        if (!append_deploy_dir_line(line, dir)) return 1;
        log_text('d', fmt_msg("%s>%s%c%s\n", "dir", rq_.deploy_location.c_str(), '/', dir.c_str()));
        return head_.append(line);
    }
    std::string made;
    if (append_directory_record(made, value) && dir_records_.insert(made).second && !pre_.append(made)) return 0;
    if (rq_.preserve_personality) {
        Command describe =
            cleartool(CT_DESCRIBE).args("-fmt", "<%[owner]p>%[group]p+%[permissions]p>", in_view(value) + "@@");
        std::string answer;
        int status = 0;
        if (!describe.capture(answer, CC_ANSWER_SIZE - 1, &status) || status != 0) return command_failed(describe);
        // "<owner>group+permissions>", cut at its last ">".
        const std::size_t last = answer.rfind('>');
        const std::size_t close = answer.find('>');
        const std::size_t plus = answer.rfind('+', last);
        if (answer.empty() || answer[0] != '<' || last == std::string::npos || close == last ||
            plus == std::string::npos || plus < close)
            return command_failed(describe);
        std::string owner_record;
        const int ok = append_dir_owner_record(owner_record, value, answer.substr(1, close - 1),
                                               answer.substr(close + 1, plus - close - 1),
                                               answer.substr(plus + 1, last - plus - 1));
        if (ok && dir_records_.insert(owner_record).second && !pre_.append(owner_record)) return 0;
    }
    return head_.append(record + "\n");
}

int Converter::element_description() {
    ExportReader in(rq_.export_path);
    if (!in.is_open()) return 0;
    std::string record;
    while (in.next(record)) {
        if (is_value_line_of(record, "ExportFromDir")) {
            const std::string dir = clean_value(record);
            export_view_dir_ = dir.starts_with("/view/") ? dir : view_root_ + dir;
            if (!rq_.is_deployment && !head_.append(format_value_line("ExportFromDir", rq_.bay_dir))) return 0;
        } else if (is_value_line_of(record, "ExtractFile")) {
            if (!extract_file_line(record)) return 0;
        } else if (is_value_line_of(record, "DirName")) {
            if (!dir_name_line(record)) return 0;
        } else if (rq_.is_deployment) {
            if (is_value_line_of(record, "Name")) last_name_ = skip_dot_slash(clean_value(record));
        } else if (!head_.append(record + "\n")) {
            return 0;
        }
    }
    return in.failed() ? 0 : 1;
}

int Converter::links_and_checkouts() {
    if (rq_.is_deployment) return 1;
    toc_.add(count_line(CONVERSION.VERSIONS_IN_PACKET, "element version"));
    if (!slink_processing_on()) {
        toc_.add(NO_SLINKS_GATHERED);
    } else {
        toc_.add(HEADER_LINKS_FOLLOW);
        for (const SlinkEntry& link : SLINKS.LIST) {
            std::string record;
            const int made = append_slink_record(record, link.path, link.text);
            if (!write_pre(made, made ? record : link.path)) return 0;
            toc_.add("   " + link.path + " --> " + link.text + "\n");
        }
        toc_.add(count_line(static_cast<long>(SLINKS.LIST.size()), "symbolic link"));
    }
    if (!write_checkedout_records(pre_, rq_.view_path, rq_.is_dir)) {
        log_it('e', fmt_msg("-- checkouts below (%s) could not be listed", rq_.view_path.c_str()));
        return 0;
    }
    return 1;
}

int Converter::label_section() {
    const std::string keyword = rq_.requires_post_label_processing ? "POST>" : "NONE>";
    if (!head_.append(keyword)) return portion_failed(10, POST_PROCESS, head_);
    if (!rq_.requires_post_label_processing) return 1;
    const std::string history = fmt_msg("%s/lshist.%d.txt", rq_.tmp_dir.c_str(), static_cast<int>(::getpid()));
    const std::string since_local = rq_.since.substr(0, rq_.since.find(" UTC"));
    if (!gather_label_history(rq_.view_tag, rq_.repl_dir, rq_.view_path, rq_.is_dir, since_local, history)) {
        unlink_remove(history);
        log_it('e', fmt_msg("-- label and attribute history of (%s) could not be read", rq_.view_path.c_str()));
        return 0;
    }
    HistoryScope scope;
    scope.vob_tag = rq_.vob_tag;
    scope.repl_dir = rq_.repl_dir;
    scope.view_root = view_root_;
    scope.exported_versions = &exported_versions_;
    scope.whole_history = !rq_.do_lshistory;
    const int ok = write_label_and_attribute_records(history, scope, head_);
    unlink_remove(history);
    return ok;
}

int Converter::assemble() {
    if (!this_file_exists(rq_.config_spec_path)) return step_failed(1, rq_.config_spec_path, ENOENT);
    if (!head_.append(ZEB_FILE_BREAK)) return step_failed(2, rq_.config_spec_path, head_.error());
    if (!head_.append_file(rq_.config_spec_path)) return step_failed(3, rq_.config_spec_path, head_.error());
    if (!pre_.close()) return step_failed(10, pre_path_, pre_.error());
    if (!head_.append(ZEB_FILE_BREAK)) return step_failed(9, pre_path_, head_.error());
    if (!head_.append_file(pre_path_)) return step_failed(10, pre_path_, head_.error());
    if (!head_.append(ZEB_FILE_BREAK)) return portion_failed(9, POST_PROCESS, head_);
    if (!label_section()) return 0;

    if (!head_.append(ZEB_FILE_BREAK)) return portion_failed(9, DESTRUCT_PROCESS, head_);
    const bool destructive = rq_.requires_destructive_commands_processing;
    if (!head_.append(destructive ? "DESTROY>" : "NONE>")) return portion_failed(10, DESTRUCT_PROCESS, head_);
    if (destructive) {
        toc_.add(rq_.do_lshistory ? HEADER_RMELEM_FOLLOW : HEADER_RMELEM_SKIP);
        if (!write_destruction_requests(rq_.destruction_path, time_of(rq_.since),
                                        rq_.do_lshistory ? EventWindow::SinceTime : EventWindow::WholeHistory, head_,
                                        toc_))
            return 0;
    }

    if (!nele_.close()) return step_failed(3, rq_.nele_path, nele_.error());
    if (!this_file_exists(rq_.nele_path)) return step_failed(1, rq_.nele_path, ENOENT);
    if (!head_.append(ZEB_FILE_BREAK)) return step_failed(2, rq_.nele_path, head_.error());
    if (!head_.append_file(rq_.nele_path)) return step_failed(3, rq_.nele_path, head_.error());
    if (!rq_.is_deployment) {
        // The empty data file "zeb.0000".
        if (!head_.append(ZEB_FILE_BREAK) || !head_.append(ZEB_FILE_BREAK))
            return step_failed(6, rq_.head_path, head_.error());
    }
    if (!head_.close()) return step_failed(8, rq_.head_path, head_.error());
    CONVERSION.CURRENT_VERSION_FILE_WORKING_ON = "??";
    return ctar_data_files(rq_.head_path, LISTED_FILES);
}

int Converter::run() {
    if (!prepare()) return 0;
    if (!element_description()) return 0;
    if (!links_and_checkouts()) return 0;
    if (!assemble()) return 0;
    toc_.flush();
    return 1;
}

}  // namespace

int convert_file(const ConversionRequest& request) {
    int ok = 0;
    {
        Converter converter(request);
        ok = converter.run();
    }
    if (!ok) {
        remove_ship_files();
        remove_template_files(request.head_path);
    }
    return ok;
}
