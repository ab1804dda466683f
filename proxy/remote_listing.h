// Reading the remote listing: which complete packages wait on the remote
// side, and which data files belong to each.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// At most this much of the listing's output is read.
inline constexpr std::size_t LISTING_READ_MAX = 51249;

// A package on the remote side: its trailer <base>.pack marks it complete;
// its data are <base>.crc and the parts <base>.crc_<n> the listing shows.
struct RemotePackage {
    std::string base;          // epoc.<NNN>.<R>.<L>
    bool data_listed = false;  // <base>.crc was in the listing
    std::vector<int> parts;    // the n of each <base>.crc_<n> listed, ascending
    std::string trailer() const { return base + ".pack"; }
    std::string data() const { return base + ".crc"; }
    std::string part(int n) const { return data() + "_" + std::to_string(n); }
};

// A name the relay moves: letters, digits, '.', '_', '-' and '+', not
// beginning with '.' or '-'. Anything else could reach a script as more
// than a name.
bool relay_name_ok(std::string_view name);

// True when the listing says that nothing matched ("No such" or "None
// found" anywhere in it).
bool listing_says_none(std::string_view output);

// epoc.<NNN>.<R>.<L>: "epoc." and at least three more non-empty fields.
bool is_package_base(std::string_view base);

// The names of a listing: the last blank-separated word of each line (so a
// name list and a long listing read alike), after its last '/'; names that
// are not relay names are left out.
std::vector<std::string> listed_names(std::string_view output);

// The complete packages of a listing, in the order of their trailers, with
// the data files listed for each.
std::vector<RemotePackage> select_packages(std::string_view output);
