#include "shipper/pass/request_check.h"

#include <charconv>

#include "codecs/scramble.h"
#include "common/cc_query.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/pass/pass_messages.h"

RequestRead read_request_words(const std::string& path, std::vector<std::string>& words) {
    words.clear();
    shipper_config::FileText file = shipper_config::read_bounded_file(path, REQUEST_READ_MAX);
    if (file.status == shipper_config::ReadStatus::missing || file.status == shipper_config::ReadStatus::unreadable)
        return RequestRead::unreadable;
    words = shipper_config::split_words(file.text);
    return RequestRead::ok;
}

std::string check_request_words(const std::vector<std::string>& words, const std::string& packet_name) {
    if (words.size() < 3) return fmt_msg(pass_msg::HEADER_EMPTY, packet_name.c_str());
    if (words.size() > 3)
        return fmt_msg(pass_msg::HEADER_CORRUPT, words[0].c_str(), words[1].c_str(), words[2].c_str(), words[3].c_str(),
                       packet_name.c_str());
    return {};
}

std::string check_replication_key(const std::string& word, const std::string& db_id, const std::string& vob_tag,
                                  const std::string& packet_name) {
    std::string expected;
    if (db_id != VOB_DB_ID_UNKNOWN && scramble_replication_text(db_id.c_str(), expected) && expected == word) return {};
    if (db_id == VOB_DB_ID_UNKNOWN) return fmt_msg(pass_msg::NO_DBID, vob_tag.c_str(), packet_name.c_str());
    return fmt_msg(pass_msg::INCOMPATIBLE, packet_name.c_str());
}

std::string check_request_time(const std::string& word, std::time_t now, const char* program,
                               const std::string& this_location, const std::string& receiving_location,
                               const std::string& packet_name) {
    std::string text;
    long seconds = 0;
    if (unscramble_replication_text(word.c_str(), text)) {
        // The time is the text up to an optional "_" (the writer's mark).
        const std::string digits = text.substr(0, text.find('_'));
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
        if (error != std::errc() || end != digits.data() + digits.size()) seconds = 0;
    }
    if (seconds <= REQUEST_TIME_FLOOR) return fmt_msg(pass_msg::STALE, program, packet_name.c_str());
    if (seconds > static_cast<long>(now))
        return fmt_msg(pass_msg::TOO_FRESH, this_location.c_str(), receiving_location.c_str(), packet_name.c_str());
    return {};
}
