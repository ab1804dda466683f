#include "shiptest/report.h"

#include "common/text_format.h"
#include "shiptest/shiptest_messages.h"

namespace {

const char* or_none(const shipper_config::TriggerScript& script) {
    return script.configured() ? script.name.c_str() : "(none)";
}

}  // namespace

std::string configuration_text(const shipper_config::ShipperSettings& s, const char* encryption,
                               const std::string& class_digit, const std::string& test_location, int meg) {
    std::string text = fmt_msg(SHIPTEST_STATIC_VARIABLES, s.DURATION, s.EXPORT_VIEW.c_str(), s.THIS_LOCATION.c_str(),
                               s.UTC_OFFSET.c_str(), s.TRANSPORT_PROGRAM.c_str(), encryption, s.IMPORT_ID.c_str(),
                               or_none(s.pre_ship), or_none(s.post_ship), or_none(s.startup), or_none(s.shutdown),
                               class_digit.empty() ? "(none)" : class_digit.c_str());
    if (s.SLINK_SCALE != 1) text += fmt_msg(SHIPTEST_SLINK_SCALE, s.SLINK_SCALE);
    if (s.POSTP_SCALE != 1) text += fmt_msg(SHIPTEST_POSTP_SCALE, s.POSTP_SCALE);
    if (s.DURATION_SCALE != "minute") text += fmt_msg(SHIPTEST_DURATION_SCALE, s.DURATION_SCALE.c_str());
    if (s.TRANSPORT_TIME_LIMIT != shipper_config::TRANSPORT_TIME_LIMIT_DEFAULT)
        text += fmt_msg(SHIPTEST_TRANSPORT_TIME_LIMIT, s.TRANSPORT_TIME_LIMIT);
    if (class_digit.empty()) {
        for (int digit = 0; digit < 10; ++digit)
            text +=
                fmt_msg(SHIPTEST_CLASS_STATE, digit,
                        s.DEFINED_ADDITIONAL_CLASSES.test(static_cast<std::size_t>(digit)) ? "enabled" : "disabled");
    }
    text += fmt_msg(SHIPTEST_EVALUATING, s.THIS_LOCATION.c_str(), test_location.c_str(), meg);
    return text;
}

std::string bandwidth_box(int meg, const std::string& test_location, int seconds) {
    if (seconds < 1) seconds = 1;
    std::string text = SHIPTEST_BOX_LINE;
    text += fmt_msg(SHIPTEST_BOX_SENT, meg, test_location.c_str(), seconds, seconds == 1 ? "" : "s");
    text += SHIPTEST_BOX_EMPTY;
    float bandwidth = static_cast<float>(meg) / static_cast<float>(seconds);
    text += fmt_msg(SHIPTEST_BOX_BANDWIDTH, static_cast<double>(bandwidth));
    text += SHIPTEST_BOX_LINE;
    return text;
}
