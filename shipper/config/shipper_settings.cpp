#include "shipper/config/shipper_settings.h"

#include <sys/stat.h>

#include <cctype>

#include "codecs/key_file.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"

namespace shipper_config {

namespace {

std::string first_word_of(const std::string& value) {
    return std::string(first_word(value));
}

// A whole decimal number (optionally signed); false for anything else.
bool parse_int(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size()) return false;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        v = v * 10 + (text[i] - '0');
    }
    value = static_cast<int>(text[0] == '-' ? -v : v);
    return true;
}

struct Checker {
    const std::string& kept;
    const SettingsContext& c;
    ShipperSettings& s;

    template <const char* Format, typename... Args>
    std::string msg(Args... args) const {
        return fmt_msg(Format, START_FAILED, c.program, c.config_path.c_str(), args...);
    }

    std::string shipper_id() {
        s.IMPORT_ID = first_word_of(key_value(kept, "shipper_id="));
        if (s.IMPORT_ID.empty()) return msg<NO_SHIPPER_ID_MSG>();
        STRING_LOWER(s.IMPORT_ID);
        if (s.IMPORT_ID != c.calculated_user)
            return msg<WRONG_SHIPPER_ID_MSG>(s.IMPORT_ID.c_str(), c.calculated_user.c_str());
        return {};
    }

    std::string view() {
        s.EXPORT_VIEW = first_word_of(key_value(kept, "view="));
        if (s.EXPORT_VIEW.empty()) return msg<NO_VIEW_MSG>();
        int state = c.check_view ? c.check_view(s.EXPORT_VIEW) : 1;
        if (state == 0) return msg<VIEW_NOT_EXIST_MSG>(s.EXPORT_VIEW.c_str());
        if (state < 0) return msg<VIEW_NOT_START_MSG>(s.EXPORT_VIEW.c_str());
        return {};
    }

    std::string location() {
        s.THIS_LOCATION = first_word_of(key_value(kept, "location_name="));
        if (s.THIS_LOCATION.empty()) return msg<NO_LOCATION_MSG>();
        return {};
    }

    std::string transport() {
        std::string value = key_value(kept, "transport_program=");
        s.TRANSPORT_PROGRAM = c.allow_spaces_in_transport ? value : first_word_of(value);
        const std::string& p = s.TRANSPORT_PROGRAM;
        if (p.empty() || p.back() == '/') return msg<NO_TRANSPORT_MSG>();
        if (p.size() > TRANSPORT_PROGRAM_MAX || !transport_kind_of_program(p, s.transport_kind))
            return msg<BAD_TRANSPORT_MSG>("ftp", "sftp", "psftpk", "psftpp", "ssftp", "lftp");
        return {};
    }

    // The value of an optional numeric key, a whole number from low to high,
    // into out; an absent key leaves out as it is. False when the key is
    // there with anything else (blank included).
    bool whole_number(const char* key, int low, int high, int& out) const {
        bool found = false;
        std::string value = first_word_of(key_value(kept, key, &found));
        if (!found) return true;
        int n = 0;
        if (!parse_int(value, n) || n < low || n > high) return false;
        out = n;
        return true;
    }

    std::string transport_time_limit() {
        if (!whole_number("transport_time_limit=", TRANSPORT_TIME_LIMIT_MIN, TRANSPORT_TIME_LIMIT_MAX,
                          s.TRANSPORT_TIME_LIMIT))
            return msg<BAD_TRANSPORT_TIME_LIMIT_MSG>(TRANSPORT_TIME_LIMIT_MIN, TRANSPORT_TIME_LIMIT_MAX);
        return {};
    }

    std::string trigger(const char* key, const char* setting, TriggerScript& script) {
        script = TriggerScript{};
        std::string name = key_value(kept, key);
        if (name.empty()) return {};
        if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
            return fmt_msg(COMMON_MSG_04, START_FAILED, c.program, c.config_path.c_str(), setting, name.c_str());
        std::string path = c.trigger_dir + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return fmt_msg(COMMON_MSG_03, START_FAILED, c.program, c.config_path.c_str(), setting, name.c_str(),
                           c.trigger_dir.c_str());
        script.name = name;
        script.path = path;
        return {};
    }

    std::string utc_offset() {
        s.UTC_OFFSET = first_word_of(key_value(kept, "UTC_offset="));
        if (s.UTC_OFFSET.empty()) return msg<NO_UTC_OFFSET_MSG>();
        return {};
    }

    std::string duration_scale() {
        bool found = false;
        std::string value = first_word_of(key_value(kept, "duration_scale=", &found));
        if (!found) return {};
        STRING_LOWER(value);
        struct Scale {
            const char* word;
            int seconds;
            int max;
        };
        for (const Scale& scale : {Scale{"minute", 60, 1440}, Scale{"second", 1, 60}, Scale{"hour", 3600, 24}}) {
            if (value != scale.word) continue;
            s.DURATION_SCALE = scale.word;
            s.DURATION_SCALE_X = scale.seconds;
            s.DURATION_MAX = scale.max;
            return {};
        }
        return msg<BAD_DURATION_SCALE_MSG>("second", "minute", "hour");
    }

    std::string scale(const char* key, const char* word, int low, int high, int& out) {
        if (!whole_number(key, low, high, out)) return msg<SCALE_OUT_OF_RANGE_MSG>(word, low, high);
        return {};
    }

    std::string duration() {
        if (!whole_number("duration=", 0, s.DURATION_MAX, s.DURATION))
            return msg<BAD_DURATION_MSG>(0, s.DURATION_MAX, s.DURATION_SCALE.c_str());
        return {};
    }

    std::string add_classes() {
        std::size_t at = 0;
        while ((at = kept.find("add_class=", at)) != std::string::npos) {
            std::string value = first_word_of(yank_value(kept.c_str() + at));
            at += 1;
            if (c.class_file) return msg<CLASS_IN_CLASS_FILE_MSG>(c.class_digit);
            if (value.size() != 1 || value[0] < '0' || value[0] > '9') return msg<CLASS_OUT_OF_RANGE_MSG>('0', '9');
            std::size_t digit = static_cast<std::size_t>(value[0] - '0');
            if (s.DEFINED_ADDITIONAL_CLASSES.test(digit)) return msg<CLASS_TWICE_MSG>(value[0]);
            s.DEFINED_ADDITIONAL_CLASSES.set(digit);
        }
        return {};
    }
};

}  // namespace

std::string read_global_settings(const std::string& kept, const SettingsContext& context, ShipperSettings& settings) {
    settings = ShipperSettings{};
    Checker check{kept, context, settings};
    std::string m;
    if (!(m = check.shipper_id()).empty()) return m;
    if (!(m = check.view()).empty()) return m;
    if (!(m = check.location()).empty()) return m;
    if (!(m = check.transport()).empty()) return m;
    if (!(m = check.transport_time_limit()).empty()) return m;
    if (!(m = check.trigger("pre_ship_trigger=", "PRE_SHIP_TRIGGER_SCRIPT", settings.pre_ship)).empty()) return m;
    if (!(m = check.trigger("post_ship_trigger=", "POST_SHIP_TRIGGER_SCRIPT", settings.post_ship)).empty()) return m;
    if (!(m = check.trigger("startup_trigger=", "STARTUP_TRIGGER_SCRIPT", settings.startup)).empty()) return m;
    if (!(m = check.trigger("shutdown_trigger=", "SHUTDOWN_TRIGGER_SCRIPT", settings.shutdown)).empty()) return m;
    if (!(m = check.utc_offset()).empty()) return m;
    if (!(m = check.duration_scale()).empty()) return m;
    if (!(m = check.scale("slink_scale=", "SLINK_SCALE", 0, 3, settings.SLINK_SCALE)).empty()) return m;
    settings.REAL_SLINK_MAX = settings.SLINK_SCALE * SLINKS_PER_SCALE;
    if (!(m = check.scale("postp_scale=", "POSTP_SCALE", 1, 3, settings.POSTP_SCALE)).empty()) return m;
    if (!(m = choose_encryption(context.program, context.config_path, kept, context.key_path)).empty()) return m;
    if (!(m = check.duration()).empty()) return m;
    return check.add_classes();
}

}  // namespace shipper_config
