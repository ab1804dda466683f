#include "shipout/config_walk.h"

#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipout/shipout_messages.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_pass.h"
#include "shipper/config/vob_key.h"

namespace shipout {

namespace {

// Include files are bounded like the main file; one walk takes the main
// file and included lines up to twice that.
constexpr shipper_config::PassRules SHIPOUT_PASS_RULES{2 * MAX_CONFIG_BYTES, MAX_CONFIG_BYTES, REPLICATION_DENIED};

// Hands the requested VOB keys of one configuration file to the handler;
// the first failure ends the walk.
class KeyFinder : public shipper_config::PassVisitor {
public:
    KeyFinder(bool is_main, RequestedKeys& keys, std::bitset<10>& classes, const KeyHandler& handle)
        : is_main_(is_main), keys_(keys), classes_(classes), handle_(handle) {}

    void class_declared(int digit) override {
        if (is_main_) classes_.set(static_cast<std::size_t>(digit));
    }

    bool problem(char, const std::string& message) override {
        result.message = message;
        return false;
    }

    bool key_line(const shipper_config::PassLine& line) override {
        std::string key = stripped_copy(line.text);
        std::vector<std::string> fields = shipper_config::split_fields(key);
        int vob_id = -1;
        if (!shipper_config::parse_vob_id(fields[0], vob_id)) {
            result.message = line.included ? fmt_msg(INCLUDE_VOB_ID_OUT_OF_RANGE, REPLICATION_DENIED, line.file.c_str(),
                                                     MIN_KEY, MAX_KEY, key.c_str())
                                           : fmt_msg(VOB_ID_OUT_OF_RANGE, REPLICATION_DENIED, line.file.c_str(),
                                                     MIN_KEY, MAX_KEY, key.c_str());
            return false;
        }
        if (!keys_.wanted(vob_id)) return true;
        if (fields.size() < 7) {
            result.message = fmt_msg(INCOMPLETE_VOB_KEY, REPLICATION_DENIED, line.file.c_str(), key.c_str());
            return false;
        }
        VobKey vob;
        vob.vob_id = vob_id;
        vob.vob_tag = stripped_copy(fields[1]);
        vob.locations = shipper_config::split_words(fields[6]);
        vob.key = key;
        vob.file = line.file;
        StepResult step = handle_(vob);
        if (!step.message.empty()) {
            result = step;
            return false;
        }
        if (keys_.done(vob_id)) {
            result.stop = true;
            return false;
        }
        return true;
    }

    StepResult result;

private:
    bool is_main_;
    RequestedKeys& keys_;
    std::bitset<10>& classes_;
    const KeyHandler& handle_;
};

}  // namespace

bool read_configuration(const std::string& path, std::string& text, std::string& message) {
    shipper_config::FileText read = shipper_config::read_bounded_file(path, MAX_CONFIG_BYTES);
    switch (read.status) {
        case shipper_config::ReadStatus::ok:
            text = std::move(read.text);
            // A line cut at the limit is not read as if it were whole.
            if (read.truncated) shipper_config::drop_partial_last_line(text);
            return true;
        case shipper_config::ReadStatus::missing:
            message = fmt_msg(CONFIG_NOT_EXIST, REPLICATION_DENIED, path.c_str());
            return false;
        case shipper_config::ReadStatus::unreadable:
            message = fmt_msg(CONFIG_CANNOT_READ, REPLICATION_DENIED, path.c_str());
            return false;
        case shipper_config::ReadStatus::empty:
            break;
    }
    message = fmt_msg(CONFIG_EMPTY, REPLICATION_DENIED, path.c_str());
    return false;
}

StepResult walk_configuration(const std::string& conf_dir, const std::string& file, const std::string& text,
                              bool is_main, RequestedKeys& keys, std::bitset<10>& classes, const KeyHandler& handle) {
    KeyFinder finder(is_main, keys, classes, handle);
    shipper_config::walk_pass(conf_dir, file, text, is_main, SHIPOUT_PASS_RULES, finder);
    return finder.result;
}

}  // namespace shipout
