// The import of a packet's element versions and the steps around it.
#include "receiver/versions/import_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "codecs/codec_io.h"
#include "codecs/packet_elements.h"
#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/apply/apply_state.h"
#include "receiver/apply/import_report.h"
#include "receiver/apply/normalize.h"
#include "receiver/apply/packet_lines.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/versions/directories.h"
#include "receiver/versions/symbolic_links.h"
#include "receiver/versions/versions_messages.h"
#include "receiver/versions/versions_state.h"

namespace {

inline constexpr char MSG_DATA_CHECK_FAILED[] =
    "-- Could not check the data files named by (%s) for (%s)...  The import is not run...";

bool is_packet_data_file(std::string_view name, const std::string& receiving_dir, long data_files) {
    std::size_t end = name.find_last_not_of(" \r");
    name = name.substr(0, end == std::string_view::npos ? 0 : end + 1);
    if (!name.starts_with(DATA_FILE_PREFIX)) return false;
    std::string_view digits = name.substr(DATA_FILE_PREFIX.size());
    if (digits.size() < 4 || digits.size() > 9) return false;
    long number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (data_files >= 0 && number >= data_files) return false;
    struct stat st;
    std::string path = receiving_dir + "/" + std::string(name);
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies the element description, holding one element at a time so that a
// version with a foreign data file (and an element left without versions)
// can be left out.
class DataFileCheck {
public:
    DataFileCheck(ByteWriter& out, const std::string& receiving_dir, const std::string& data_path, long data_files)
        : out_(out), receiving_dir_(receiving_dir), packet_(packet_file_name(data_path)), data_files_(data_files) {}

    void record(const std::string& record, std::string_view first_line);
    void finish() { flush_element(); }
    bool dropped() const { return dropped_; }

private:
    void flush_element() {
        element_ += version_;
        version_.clear();
        out_.write(element_);
        element_.clear();
        in_element_ = in_version_ = false;
    }

    ByteWriter& out_;
    const std::string& receiving_dir_;
    std::string packet_;
    long data_files_;
    bool in_element_ = false;
    bool in_version_ = false;
    bool bad_version_ = false;
    bool dropped_ = false;
    int versions_ = 0;
    int kept_ = 0;
    std::string element_;
    std::string version_;
    std::string name_;
    std::string version_id_;
    std::string data_file_;
};

void DataFileCheck::record(const std::string& record, std::string_view first_line) {
    std::string text = record + "\n";
    if (first_line == ELEMENT_BEGIN) {
        if (in_element_) flush_element();
        in_element_ = true;
        element_ = text;
        versions_ = kept_ = 0;
        name_.clear();
        return;
    }
    if (!in_element_) {
        out_.write(text);
        return;
    }
    ValueLine value;
    bool is_value = parse_value_line(first_line, value) != 0;
    if (in_version_) {
        version_ += text;
        if (is_value && value.tag == "VersionId") version_id_ = std::string(value.value);
        // An "ExtractFile" line of any shape (an empty value included) must
        // name a data file of this packet.
        if (first_line.starts_with(TAG_EXTRACT_FILE)) {
            std::string_view named = is_value && value.tag == TAG_EXTRACT_FILE ? value.value : std::string_view();
            if (!is_packet_data_file(named, receiving_dir_, data_files_)) {
                bad_version_ = true;
                data_file_ = std::string(named);
            }
        }
        if (first_line != VERSION_END) return;
        in_version_ = false;
        ++versions_;
        if (bad_version_) {
            dropped_ = true;
            log_it('w', fmt_msg(MSG_MISSING_DATA_FILE, data_file_.c_str(), name_.c_str(), version_id_.c_str(),
                                packet_.c_str()));
        } else {
            element_ += version_;
            ++kept_;
        }
        version_.clear();
        return;
    }
    if (first_line == VERSION_BEGIN) {
        in_version_ = true;
        bad_version_ = false;
        version_ = text;
        version_id_.clear();
        return;
    }
    if (is_value && value.tag == "Name") name_ = std::string(value.value);
    element_ += text;
    if (first_line != ELEMENT_END) return;
    if (versions_ > 0 && kept_ == 0) {
        element_.clear();
        in_element_ = false;
        return;
    }
    flush_element();
}

}  // namespace

int check_data_files(const std::string& zeb_path, const std::string& receiving_dir, const std::string& data_path,
                     long data_files) {
    FilePtr in(std::fopen(zeb_path.c_str(), "rb"));
    ByteWriter out;
    std::string temp;
    if (!in || !out.create_unique(zeb_path, temp)) {
        log_it('e', fmt_msg(MSG_DATA_CHECK_FAILED, zeb_path.c_str(), data_path.c_str()));
        return 0;
    }
    PacketLineReader reader(in.get());
    DataFileCheck check(out, receiving_dir, data_path, data_files);
    std::string record;
    std::size_t first_line_end = 0;
    while (reader.next_record(record, first_line_end))
        check.record(record, std::string_view(record).substr(0, first_line_end));
    check.finish();
    if (reader.failed() || !out.close()) {
        unlink_remove(temp);
        log_it('e', fmt_msg(MSG_DATA_CHECK_FAILED, zeb_path.c_str(), data_path.c_str()));
        return 0;
    }
    if (!check.dropped()) {
        unlink_remove(temp);
        return 1;
    }
    if (std::rename(temp.c_str(), zeb_path.c_str()) != 0) {
        unlink_remove(temp);
        log_it('e', fmt_msg(MSG_DATA_CHECK_FAILED, zeb_path.c_str(), data_path.c_str()));
        return 0;
    }
    return 1;
}

ImportOutputs import_output_names(const std::string& receiving_dir) {
    std::string pid = std::to_string(::getpid());
    return {receiving_dir + "/catcho." + pid, receiving_dir + "/catche." + pid};
}

Command import_command(const std::string& zeb_path, const std::string& vob_path, const ImportOutputs& outputs) {
    std::string inside = "cd " + shell_quote(vob_path) + " && " + shell_quote(IMPORT_UTILITY_NAME) + " -c " +
                         shell_quote(receiver_metadata::IMPORT_COMMENT);
    if (!VERSIONS_SETTINGS.label_directories) inside += std::string(" ") + LABEL_DIRECTORIES_OFF;
    inside += " -master -i " + shell_quote(zeb_path);
    Command setview = cleartool(CT_SETVIEW);
    setview.args("-exec", inside, APPLY_SETTINGS.IMPORT_VIEW).append_out(outputs.catcho).append_err(outputs.catche);
    return setview;
}

int run_import(const std::string& receiving_dir, const std::string& zeb_path, const std::string& vob_path,
               ImportOutputs& outputs) {
    outputs = import_output_names(receiving_dir);
    // Fresh files of this run: an earlier run's output or a planted link at
    // the name is removed, never written through.
    for (const std::string& path : {outputs.catcho, outputs.catche}) {
        unlink_remove(path);
        push_extracted_file(path);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    return import_command(zeb_path, vob_path, outputs).run();
}

int import_element_versions(const std::string& receiving_dir, const std::string& zeb_path, const std::string& data_path,
                            const std::string& vob_tag, const std::string& vob_path, const std::string& nele_path,
                            long data_files, const std::function<void()>& after_import) {
    log_text('t', fmt_msg(E_O_TOC, BANNER, BANNER));
    ImportOutputs outputs = import_output_names(receiving_dir);
    if (check_data_files(zeb_path, receiving_dir, data_path, data_files)) {
        run_import(receiving_dir, zeb_path, vob_path, outputs);
        make_deferred_slinks(vob_tag);
    } else {
        // No import ran: empty outputs make the outcome a failure.
        for (const std::string& path : {outputs.catcho, outputs.catche}) unlink_remove(path);
    }
    checkin_replicated_dirs();
    apply_protected_dirs();
    if (after_import) after_import();
    std::string target = "/view/" + APPLY_SETTINGS.IMPORT_VIEW + vob_path;
    return finish_import(outputs.catcho, outputs.catche, target, data_path, vob_tag, vob_path, nele_path);
}
