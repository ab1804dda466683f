// Normalisation of a received element description.
#include "receiver/apply/normalize.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/packet_elements.h"
#include "codecs/packet_format.h"
#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "receiver/apply/apply_messages.h"
#include "receiver/apply/apply_state.h"
#include "receiver/apply/email_digest.h"
#include "receiver/apply/packet_lines.h"
#include "receiver/apply/type_lock.h"

namespace {

// The tags whose value lines make up the table of contents.
bool is_toc_line(std::string_view line) {
    if (line.find(':') == std::string_view::npos) return false;
    if (line.starts_with(DEPLOY_DIR_LINE) || line.starts_with(DEPLOY_FILE_LINE)) return true;
    for (std::string_view tag : {TAG_VERSION_ID, TAG_NAME, TAG_ON_BRANCH, TAG_DIR_NAME}) {
        if (line.size() > tag.size() && line.starts_with(tag) && line[tag.size()] >= '1' && line[tag.size()] <= '9')
            return true;
    }
    return false;
}

// One type kind of the element description.
struct TypeKind {
    char letter;                // 'B', 'L', 'A'
    std::string_view begin;     // "BRTYPE_BEGIN"
    std::string_view prefix;    // "BRTYPE": the block's end line begins with it
    std::string_view name_tag;  // "BrType "
    std::string_view selector;  // "brtype"
    const char* word;           // "branch", "label", "attribute"
    // The receiver's settings for received data of this kind, and the
    // packet's list of types of this kind found locked.
    int ApplySettings::*ignored;
    int ApplySettings::*suppressed;
    std::unordered_set<std::string> ApplyPacket::*locked;
};
constexpr TypeKind TYPE_KINDS[] = {
    {'B', BRTYPE_BEGIN, "BRTYPE", TAG_BR_TYPE, BRTYPE, BRANCH, &ApplySettings::read_ignore_received_branch_data,
     &ApplySettings::read_suppress_locked_branch_checking, &ApplyPacket::LOCKED_BRTYPES},
    {'L', LBTYPE_BEGIN, "LBTYPE", TAG_LB_TYPE, LBTYPE, LABEL, &ApplySettings::read_ignore_received_label_data,
     &ApplySettings::read_suppress_locked_label_checking, &ApplyPacket::LOCKED_LBTYPES},
    {'A', ATTYPE_BEGIN, "ATTYPE", TAG_ATTR_TYPE, ATTYPE, ATTRIBUTE, &ApplySettings::read_ignore_received_attribute_data,
     &ApplySettings::read_suppress_locked_attribute_checking, &ApplyPacket::LOCKED_ATTYPES},
};

class Normalizer {
public:
    Normalizer(PacketLineReader& in, RewindableOutput& out, const std::string& data_path,
               const std::string& receiving_dir, const std::string& vob_tag, const std::string& vob_path)
        : in_(in),
          out_(out),
          packet_(packet_file_name(data_path)),
          receiving_dir_(receiving_dir),
          vob_tag_(vob_tag),
          vob_path_(vob_path),
          user_(receiving_user()) {}

    void run() {
        std::string record;
        std::size_t first_end = 0;
        while (out_.ok() && in_.next_record(record, first_end)) treat(record, first_end);
    }

private:
    const ApplySettings& S = APPLY_SETTINGS;
    ApplyPacket& P = APPLY_PACKET;

    void treat(std::string& record, std::size_t first_end) {
        std::string_view line(record.data(), first_end);
        if (is_toc_line(line)) {
            std::replace(record.begin(), record.end(), '\\', '/');
            line = std::string_view(record.data(), first_end);
            if (!toc_started_) start_toc(line);
        }
        if (line == ELEMENT_BEGIN) {
            in_element_ = true;
            element_pos_ = out_.tell();
            kept_versions_ = 0;
            out_.write_line(record);
            return;
        }
        if (line == VERSION_BEGIN) {
            in_version_ = true;
            version_pos_ = out_.tell();
            version_added_new_ = false;
            out_.write_line(record);
            return;
        }
        if (line == VERSION_END) {
            in_version_ = false;
            ++kept_versions_;
            out_.write_line(record);
            return;
        }
        if (line == ELEMENT_END) {
            end_element(record);
            return;
        }
        for (const TypeKind& kind : TYPE_KINDS) {
            if (line == kind.begin) {
                type_block(kind);
                return;
            }
        }
        if (line.starts_with(TAG_EXPORT_FROM_DIR)) {
            out_.write(format_value_line(TAG_EXPORT_FROM_DIR, receiving_dir_));
            return;
        }
        ValueLine v;
        if (!parse_value_line(line, v)) {
            out_.write_line(record);
            return;
        }
        std::string_view value = trim_trailing_blanks(v.value);
        std::string tag_blank = std::string(v.tag) + ' ';
        if (tag_blank == TAG_NAME) {
            name_.assign(value);
        } else if (tag_blank == TAG_VERSION_ID && !P.IS_DEPLOYMENT) {
            if (!version_id(value)) return;
        } else if (tag_blank == TAG_ON_BRANCH) {
            std::string_view branch =
                value.substr(value.rfind('/') == std::string_view::npos ? 0 : value.rfind('/') + 1);
            if (P.LOCKED_BRTYPES.contains(std::string(branch))) {
                log_it('w', fmt_msg(MSG_79, std::string(branch).c_str(), vob_tag_.c_str(), name_.c_str(),
                                    version_id_.c_str()));
                drop_version();
                return;
            }
        } else if (tag_blank == TAG_SUB_BRANCH) {
            if (S.read_ignore_received_branch_data || P.LOCKED_BRTYPES.contains(std::string(value))) return;
        } else if (tag_blank == TAG_MERGE || tag_blank == TAG_FMERGE) {
            if (record.find(":CHECKEDOUT.") != std::string::npos) return;
        } else if (tag_blank == TAG_LABEL) {
            if (S.read_ignore_received_label_data || P.LOCKED_LBTYPES.contains(std::string(value))) return;
        } else if (tag_blank == TAG_ATTRIB) {
            std::string type(v.value.substr(0, v.value.find('=')));
            // The whole record goes, continuation lines of the value included.
            if (S.read_ignore_received_attribute_data || P.LOCKED_ATTYPES.contains(type)) return;
        }
        out_.write_line(record);
    }

    void start_toc(std::string_view line) {
        toc_started_ = true;
        log_it_banner('t', fmt_msg(MSG_80, packet_.c_str(), vob_tag_.c_str()));
        if (P.VERSIONS_IN_PACKET >= 0)
            log_text('t', fmt_msg(HEADER_VERSIONS_FOLLOW, P.VERSIONS_IN_PACKET, P.VERSIONS_IN_PACKET == 1 ? "" : "s"));
        else
            log_text('t', HEADER_VERSIONS_FOLLOW_UNKNOWN);
        if (line.starts_with(TAG_VERSION_ID))
            P.IS_DEPLOYMENT = 0;
        else if (line.starts_with(DEPLOY_DIR_LINE) || line.starts_with(DEPLOY_FILE_LINE))
            P.IS_DEPLOYMENT = 1;
    }

    // Returns false when the version was dropped.
    bool version_id(std::string_view value) {
        version_id_.assign(value);
        long depth = static_cast<long>(std::count(value.begin(), value.end(), '/')) - 1;
        if (S.read_ignore_received_branch_data && depth >= 2) {
            log_text('t',
                     fmt_msg(TOC_VERSION_IGNORED_LINE, vob_path_.c_str(), '/', name_.c_str(), version_id_.c_str()));
            drop_version();
            return false;
        }
        std::string toc = fmt_msg(TOC_VERSION_LINE, vob_path_.c_str(), '/', name_.c_str(), version_id_.c_str());
        log_text('t', toc);
        std::string path = view_path_of(vob_path_, name_ + "@@" + version_id_);
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) {
            version_added_new_ = add_versioned_file(path);
        } else {
            report_existing(toc);
        }
        return true;
    }

    void report_existing(const std::string& toc) {
        if (!existing_reported_) {
            existing_reported_ = true;
            start_digest_report(fmt_msg(MSG_82, packet_.c_str(), vob_tag_.c_str()));
            log_to_digest_and_warnings(MSG_84);
        }
        log_to_digest_and_warnings(toc);
    }

    // Leaves out the version in hand: the output goes back to its
    // VERSION_BEGIN and the input is skipped past its VERSION_END.
    void drop_version() {
        if (version_added_new_) {
            P.VERSIONED_FILE_LIST.drop_last();
            version_added_new_ = false;
        }
        if (!in_version_) return;
        out_.rewind_to(version_pos_);
        in_version_ = false;
        std::string record;
        std::size_t first_end = 0;
        while (in_.next_record(record, first_end)) {
            std::string_view line(record.data(), first_end);
            if (line == VERSION_END) return;
            // A version never runs past its element.
            if (line == ELEMENT_END) {
                end_element(record);
                return;
            }
        }
    }

    void end_element(const std::string& record) {
        if (in_element_ && kept_versions_ == 0) {
            out_.rewind_to(element_pos_);
        } else {
            out_.write_line(record);
        }
        in_element_ = false;
        in_version_ = false;
    }

    void type_block(const TypeKind& kind) {
        std::string record, name_line, definition;
        std::size_t first_end = 0;
        bool have_name = false;
        while (in_.next_record(record, first_end)) {
            std::string_view line(record.data(), first_end);
            if (!have_name && line.starts_with(kind.name_tag)) {
                have_name = true;
                name_line = record;
            } else if (line.starts_with(kind.prefix)) {
                break;
            } else if (have_name) {
                // The lines that define the type go to the import with it.
                definition.append(record).append("\n");
            }
        }
        if (!have_name) return;
        ValueLine v;
        std::string name(parse_value_line(name_line, v)
                             ? trim_trailing_blanks(v.value)
                             : trim_trailing_blanks(std::string_view(name_line).substr(name_line.find(':') + 1)));
        if (S.*kind.ignored) return;
        if (S.*kind.suppressed) {
            bool& suppression_logged = suppression_logged_[&kind - TYPE_KINDS];
            if (!suppression_logged) {
                suppression_logged = true;
                log_it('w', fmt_msg(MSG_123, kind.word, kind.word));
            }
            out_.write(format_type_block(kind.letter, name_line, definition));
            return;
        }
        LockAnswer answer = ask_type_lock(kind.selector, name, vob_tag_, user_);
        if (!locks_out_receiver(answer)) {
            out_.write(format_type_block(kind.letter, name_line, definition));
            return;
        }
        (P.*kind.locked).insert(name);
        bool for_all = answer == LockAnswer::LOCKED_FOR_ALL;
        if (kind.letter == 'B') {
            log_it('w',
                   fmt_msg(MSG_78, name.c_str(), vob_tag_.c_str(), for_all ? "for all users" : "for replication ID"));
        } else {
            log_it('w', fmt_msg(MSG_66, kind.letter == 'L' ? "Label" : "Attribute", name.c_str(), vob_tag_.c_str(),
                                for_all ? "all users" : "replication ID", kind.word));
        }
    }

    PacketLineReader& in_;
    RewindableOutput& out_;
    std::string packet_;
    const std::string& receiving_dir_;
    const std::string& vob_tag_;
    const std::string& vob_path_;
    std::string user_;

    bool toc_started_ = false;
    bool existing_reported_ = false;
    bool suppression_logged_[3] = {false, false, false};
    bool in_element_ = false;
    bool in_version_ = false;
    bool version_added_new_ = false;
    off_t element_pos_ = 0;
    off_t version_pos_ = 0;
    long kept_versions_ = 0;
    std::string name_;
    std::string version_id_;
};

void log_etc_error(const char* what, int err) {
    log_it('e', fmt_msg(MSG_88, what, err, std::strerror(err)));
}

}  // namespace

std::string packet_file_name(const std::string& data_path) {
    std::size_t slash = data_path.find_last_of('/');
    return slash == std::string::npos ? data_path : data_path.substr(slash + 1);
}

int normalize_file(const std::string& data_path, const std::string& in_path, const std::string& out_path,
                   const std::string& receiving_dir, const std::string& vob_tag, const std::string& vob_path) {
    free_lock_types();
    int result = normalize_file_(data_path, in_path, out_path, receiving_dir, vob_tag, vob_path);
    free_lock_types();
    return result;
}

int normalize_file_(const std::string& data_path, const std::string& in_path, const std::string& out_path,
                    const std::string& receiving_dir, const std::string& vob_tag, const std::string& vob_path) {
    ApplyPacket& P = APPLY_PACKET;
    P.EMAIL_IS_POPULATED = 0;
    P.VERSIONED_FILE_LIST.clear();
    if (!LOG_FILES.MLOG_FILE.empty()) unlink_remove(LOG_FILES.MLOG_FILE);

    FilePtr in(std::fopen(in_path.c_str(), "rb"));
    if (!in) {
        log_etc_error("file not found", errno);
        return 0;
    }
    struct stat st;
    if (::fstat(fileno(in.get()), &st) != 0) {
        log_etc_error("file not read", errno);
        return 0;
    }
    if (st.st_size == 0) {
        log_etc_error("file unexpectedly empty", 0);
        return 0;
    }
    // A fresh file of our own: whatever lay at the output name (an old run's
    // output, a planted link) is removed, not written through.
    unlink_remove(out_path);
    std::vector<char> out_buffer(1u << 20);
    int fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    FilePtr out(fd >= 0 ? ::fdopen(fd, "wb") : nullptr);
    if (!out) {
        if (fd >= 0) ::close(fd);
        log_it('e', MSG_77);
        return 0;
    }
    attr_file(out_path, ATTR_SECRET);
    std::setvbuf(out.get(), out_buffer.data(), _IOFBF, out_buffer.size());

    PacketLineReader reader(in.get());
    RewindableOutput output(out.get());
    Normalizer(reader, output, data_path, receiving_dir, vob_tag, vob_path).run();

    bool written = output.ok() && std::fflush(out.get()) == 0;
    int close_status = std::fclose(out.release());
    if (reader.failed()) {
        log_etc_error(reader.read_error() ? "file not read" : MSG_88_VALUE_TOO_LONG, reader.read_error() ? EIO : 0);
        return 0;
    }
    if (!written || close_status != 0) {
        log_etc_error("file not written", errno);
        return 0;
    }
    return 1;
}
