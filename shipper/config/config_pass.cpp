#include "shipper/config/config_pass.h"

#include <deque>

#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"
#include "shipper/config/vob_key.h"

namespace shipper_config {

namespace {

constexpr std::string_view ADD_CLASS = "add_class=";
constexpr std::string_view INCLUDE_FILE = "include_file=";

// The number at the start of a word, -1 when it is above 9999.
int leading_number(std::string_view word) {
    long value = 0;
    for (char ch : word) {
        if (ch < '0' || ch > '9') break;
        value = value * 10 + (ch - '0');
        if (value > VOB_ID_MAX) return -1;
    }
    return static_cast<int>(value);
}

class Pass {
public:
    Pass(const std::string& conf_dir, const std::string& file, const PassRules& rules, PassVisitor& visitor)
        : conf_dir_(conf_dir), file_(file), rules_(rules), visitor_(visitor) {}

    void run(std::string_view text, bool is_main) {
        for (std::string_view line : split_lines(text)) {
            if (!take(line.size() + 1)) break;
            pending_.push_back({line, &file_, false});
        }
        while (!pending_.empty()) {
            Pending line = pending_.front();
            pending_.pop_front();
            if (!handle(line, is_main)) return;
        }
    }

private:
    struct Pending {
        std::string_view text;
        const std::string* file;
        bool included;
    };

    // Counts bytes against the pass's working text; reports once when full.
    bool take(std::size_t bytes) {
        if (full_) return false;
        if (used_ + bytes > rules_.pass_text_max) {
            full_ = true;
            keep_going_ = visitor_.problem('e', fmt_msg(PASS_TEXT_FULL_MSG, rules_.denied, file_.c_str(),
                                                        static_cast<long>(rules_.pass_text_max)));
            return false;
        }
        used_ += bytes;
        return true;
    }

    bool handle(const Pending& line, bool is_main) {
        if (!keep_going_) return false;
        std::string_view word = first_word(line.text);
        if (is_main && !line.included && word.size() == 11 && word.starts_with(ADD_CLASS) && word[10] >= '0' &&
            word[10] <= '9') {
            visitor_.class_declared(word[10] - '0');
            return true;
        }
        if (!line.included && word.starts_with(INCLUDE_FILE) && word.size() > INCLUDE_FILE.size()) {
            include(word.substr(INCLUDE_FILE.size()));
            return keep_going_;
        }
        if (!is_vob_key_line(line.text)) return true;
        return visitor_.key_line(PassLine{line.text, *line.file, line.included});
    }

    void include(std::string_view name) {
        std::string path = conf_dir_ + "/" + std::string(name);
        if (full_) return;
        if (!is_valid_include_name(name)) {
            keep_going_ = visitor_.problem('e', fmt_msg(INCLUDE_BAD_NAME_MSG, rules_.denied, path.c_str()));
            return;
        }
        FileText read = read_bounded_file(path, rules_.include_max);
        if (read.status != ReadStatus::ok) {
            keep_going_ = visitor_.problem('e', fmt_msg(INCLUDE_CANNOT_READ_MSG, rules_.denied, path.c_str()));
            return;
        }
        if (read.truncated) {
            keep_going_ = visitor_.problem('w', fmt_msg(INCLUDE_TRUNCATED_MSG, rules_.denied, path.c_str(),
                                                        static_cast<long>(rules_.include_max)));
            if (!keep_going_) return;
        }
        files_.push_back(path);
        if (read.truncated) drop_partial_last_line(read.text);
        for (std::string_view line : split_lines(read.text)) {
            std::string_view word = first_word(line);
            if (word.empty() || word[0] == '#' || word.find('>') == std::string_view::npos || word[0] < '0' ||
                word[0] > '9')
                continue;
            if (leading_number(word) < 0) {
                std::string key = stripped_copy(line);
                keep_going_ = visitor_.problem('e', fmt_msg(INCLUDE_VOB_ID_RANGE_MSG, rules_.denied, path.c_str(),
                                                            VOB_ID_MIN, VOB_ID_MAX, key.c_str()));
                if (!keep_going_) return;
                continue;
            }
            if (!take(line.size() + 1)) return;
            included_lines_.emplace_back(line);
            pending_.push_back({included_lines_.back(), &files_.back(), true});
        }
    }

    const std::string& conf_dir_;
    const std::string& file_;
    const PassRules& rules_;
    PassVisitor& visitor_;
    std::deque<Pending> pending_;
    // Only the included lines taken are kept; deques never move their
    // elements, so the pending views stay valid.
    std::deque<std::string> included_lines_;
    std::deque<std::string> files_;
    std::size_t used_ = 0;
    bool full_ = false;
    bool keep_going_ = true;
};

}  // namespace

bool is_valid_include_name(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos && name != "." && name != "..";
}

void walk_pass(const std::string& conf_dir, const std::string& file, std::string_view text, bool is_main,
               const PassRules& rules, PassVisitor& visitor) {
    Pass(conf_dir, file, rules, visitor).run(text, is_main);
}

}  // namespace shipper_config
