#include "shipper/history/export_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "codecs/packet_elements.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipper/history/history_messages.h"

namespace {

bool is_attribute_tag(std::string_view tag) {
    return tag == "Attrib" || tag == "ElementAttrib" || tag == "BranchAttrib";
}

// Opens a new private file for writing: a leftover is removed first, the
// file is created exclusively and a link is never followed. -1 when it
// cannot be made.
int open_new_private_file(const std::string& path) {
    ::unlink(path.c_str());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace

ExportReader::ExportReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}

ExportReader::~ExportReader() {
    if (file_) std::fclose(file_);
    std::free(buffer_);
}

bool ExportReader::failed() const {
    return file_ == nullptr || std::ferror(file_) != 0;
}

bool ExportReader::next_line(std::string& line) {
    if (!file_) return false;
    ssize_t n = ::getline(&buffer_, &capacity_, file_);
    if (n < 0) return false;
    std::size_t len = static_cast<std::size_t>(n);
    if (len > 0 && buffer_[len - 1] == '\n') --len;
    line.assign(buffer_, len);
    return true;
}

bool ExportReader::next(std::string& record) {
    if (!next_line(record)) return false;
    ValueLine v;
    if (!parse_value_line(record, v) || !is_attribute_tag(v.tag)) return true;
    // The value's length counts its bytes, line breaks included.
    std::size_t have = v.value.size();
    const std::size_t want = static_cast<std::size_t>(v.length);
    std::string more;
    while (have < want && next_line(more)) {
        record += '\n';
        record += more;
        have += 1 + more.size();
    }
    return true;
}

bool under_lost_and_found(std::string_view name) {
    return name.starts_with("lost+found") || name.find("/lost+found") != std::string_view::npos;
}

std::string_view tag_value(std::string_view record, std::string_view tag_with_blank) {
    if (!record.starts_with(tag_with_blank)) return {};
    std::size_t colon = record.find(':', tag_with_blank.size());
    if (colon == std::string_view::npos) return {};
    return trim_trailing_blanks(record.substr(colon + 1));
}

ExportRewrite::ExportRewrite(const std::string& export_path) : export_path_(export_path), path_(export_path + ".cv") {
    const int fd = open_new_private_file(path_);
    if (fd < 0) {
        log_it('e', fmt_msg(history_msg::DEBUG_00, path_.c_str(), "created"));
        return;
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(path_.c_str());
        log_it('e', fmt_msg(history_msg::DEBUG_00, path_.c_str(), "created"));
        return;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

ExportRewrite::~ExportRewrite() {
    discard();
}

void ExportRewrite::raw(std::string_view text) {
    if (!file_ || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) write_failed_ = true;
}

void ExportRewrite::line(std::string_view text) {
    raw(text);
    raw("\n");
}

int ExportRewrite::commit() {
    if (!file_) return 0;
    raw(std::string(METADATA_PASS_PAD, ' '));
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (write_failed_ || !closed) {
        log_it('e', fmt_msg(history_msg::DEBUG_00, path_.c_str(), "populated"));
        ::unlink(path_.c_str());
        return 0;
    }
    if (!move_file(path_, export_path_, ATTR_SECRET)) {
        ::unlink(path_.c_str());
        return 0;
    }
    return 1;
}

void ExportRewrite::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    ::unlink(path_.c_str());
}

bool open_export_for_pass(const std::string& export_path, ExportReader& reader) {
    if (!this_file_exists(export_path)) {
        log_it('e', fmt_msg(history_msg::DEBUG_00, export_path.c_str(), "found"));
        return false;
    }
    if (!reader.is_open()) {
        log_it('e', fmt_msg(history_msg::DEBUG_00, export_path.c_str(), "opened"));
        return false;
    }
    if (file_size_or_zero(export_path) == 0) {
        log_it('e', fmt_msg(history_msg::DEBUG_00, export_path.c_str(), "populated"));
        return false;
    }
    return true;
}

bool create_private_file(const std::string& path) {
    const int fd = open_new_private_file(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
