#include "proxy/remote_listing.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "shipper/config/config_file.h"
#include "shipper/transport/transport.h"

bool relay_name_ok(std::string_view name) {
    std::string reason;
    return check_script_name(name, reason) == 1;
}

bool listing_says_none(std::string_view output) {
    return output.find("No such") != std::string_view::npos || output.find("None found") != std::string_view::npos;
}

std::vector<std::string> listed_names(std::string_view output) {
    std::vector<std::string> names;
    for (std::string_view line : shipper_config::split_lines(output)) {
        std::vector<std::string> words = shipper_config::split_words(line);
        if (words.empty()) continue;
        std::string name = words.back();
        std::size_t slash = name.rfind('/');
        if (slash != std::string::npos) name.erase(0, slash + 1);
        if (relay_name_ok(name)) names.push_back(std::move(name));
    }
    return names;
}

namespace {

constexpr std::string_view EPOC_PREFIX = "epoc.";
constexpr std::string_view PACK_SUFFIX = ".pack";
constexpr std::string_view DATA_SUFFIX = ".crc";

}  // namespace

bool is_package_base(std::string_view base) {
    if (!base.starts_with(EPOC_PREFIX)) return false;
    std::string_view rest = base.substr(EPOC_PREFIX.size());
    int fields = 0;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t dot = rest.find('.', start);
        std::size_t end = dot == std::string_view::npos ? rest.size() : dot;
        if (end == start) return false;
        ++fields;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return fields >= 3;
}

namespace {

// "<n>" of a part name: digits without a leading zero.
bool part_number(std::string_view digits, int& n) {
    if (digits.empty() || digits.size() > 6 || digits[0] == '0') return false;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return ec == std::errc() && end == digits.data() + digits.size();
}

}  // namespace

std::vector<RemotePackage> select_packages(std::string_view output) {
    std::vector<std::string> names = listed_names(output);
    std::vector<RemotePackage> packages;
    std::map<std::string, std::size_t, std::less<>> by_base;
    for (const std::string& name : names) {
        std::string_view n = name;
        if (!n.ends_with(PACK_SUFFIX)) continue;
        std::string_view base = n.substr(0, n.size() - PACK_SUFFIX.size());
        if (!is_package_base(base) || by_base.count(base)) continue;
        by_base.emplace(std::string(base), packages.size());
        packages.push_back(RemotePackage{std::string(base), false, {}});
    }
    std::vector<std::vector<int>> parts(packages.size());
    for (const std::string& name : names) {
        std::string_view n = name;
        std::size_t at = n.rfind(DATA_SUFFIX);
        if (at == std::string_view::npos) continue;
        auto it = by_base.find(n.substr(0, at));
        if (it == by_base.end()) continue;
        std::string_view tail = n.substr(at + DATA_SUFFIX.size());
        int number = 0;
        if (tail.empty())
            packages[it->second].data_listed = true;
        else if (tail[0] == '_' && part_number(tail.substr(1), number))
            parts[it->second].push_back(number);
    }
    for (std::size_t i = 0; i < packages.size(); ++i) {
        std::sort(parts[i].begin(), parts[i].end());
        parts[i].erase(std::unique(parts[i].begin(), parts[i].end()), parts[i].end());
        packages[i].parts = std::move(parts[i]);
    }
    return packages;
}
