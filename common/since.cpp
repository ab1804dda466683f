#include "common/since.h"

#include <cstdio>

#include "common/log.h"

SinceTimes SINCE_TIMES;

const std::string& calc_since(std::time_t t, std::string_view utc_offset) {
    std::tm local{};
    ::tzset();  // follow TZ as localtime() would
    if (::localtime_r(&t, &local) == nullptr) local = std::tm{};
    int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%d-%s-%d.%d:%d:%d UTC ", local.tm_mday, MONTHS[month].data(),
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    std::string since = stamp;
    since.append(utc_offset);
    if (since.size() > SINCE_MAX) since.resize(SINCE_MAX);
    SINCE_TIMES.SINCE = std::move(since);
    set_local_since();
    return SINCE_TIMES.SINCE;
}

const std::string& calc_since(std::time_t t) {
    return calc_since(t, UTC_OFFSET);
}

void set_local_since() {
    const std::string& since = SINCE_TIMES.SINCE;
    SINCE_TIMES.SINCE_LOCAL = since.substr(0, since.find(" UTC"));
}

void init_since() {
    SINCE_TIMES.SINCE.clear();
    SINCE_TIMES.SINCE_LOCAL.clear();
}
