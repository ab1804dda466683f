#include "proxy/delivery.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "codecs/packet_integrity.h"
#include "shipper/config/config_file.h"

namespace {

bool present(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool regular_non_empty(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

bool staged_package_whole(const std::string& staging, const RemotePackage& package, bool session_ok, int& parts,
                          std::string& reason) {
    const std::string trailer = staging + "/" + package.trailer();
    if (!regular_non_empty(trailer)) {
        reason = "its trailer did not arrive";
        return false;
    }
    shipper_config::FileText text = shipper_config::read_bounded_file(trailer, MAX_TRAILER_BYTES);
    if (text.status != shipper_config::ReadStatus::ok) {
        reason = "its trailer cannot be read";
        return false;
    }
    int named = integrity_part_count(text.text);
    if (named >= 0) {
        for (int n : package.parts)
            if (n > named) ::unlink((staging + "/" + package.part(n)).c_str());
    }
    std::string detail;
    switch (check_packet_integrity(text.text, staging + "/" + package.data(), detail)) {
        case PacketIntegrity::Whole:
            parts = named;
            return true;
        case PacketIntegrity::Damaged:
            reason = detail;
            return false;
        case PacketIntegrity::Absent:
            break;
    }
    if (!session_ok) {
        reason = "the fetch reported errors and the trailer holds no integrity line";
        return false;
    }
    for (std::size_t i = 0; i < package.parts.size(); ++i) {
        if (package.parts[i] != static_cast<int>(i) + 1) {
            reason = "its parts are not numbered 1 to " + std::to_string(package.parts.size());
            return false;
        }
    }
    if (!regular_non_empty(staging + "/" + package.data())) {
        reason = "its data file did not arrive";
        return false;
    }
    for (int n : package.parts) {
        if (!regular_non_empty(staging + "/" + package.part(n))) {
            reason = "its part " + package.part(n) + " did not arrive";
            return false;
        }
    }
    parts = static_cast<int>(package.parts.size());
    return true;
}

bool deliver_package(const std::string& staging, const std::string& local, const RemotePackage& package, int parts,
                     std::string& reason) {
    // Leftover parts of the same name beyond this packet's last one.
    const std::string prefix = package.data() + "_";
    if (DIR* d = ::opendir(local.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string_view name = e->d_name;
            if (!name.starts_with(prefix)) continue;
            std::string_view digits = name.substr(prefix.size());
            int n = 0;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (ec == std::errc() && end == digits.data() + digits.size() && n > parts)
                ::unlink((local + "/" + std::string(name)).c_str());
        }
        ::closedir(d);
    }
    auto move = [&](const std::string& name) {
        if (std::rename((staging + "/" + name).c_str(), (local + "/" + name).c_str()) == 0) return true;
        int err = errno;
        reason = name + ": " + std::strerror(err);
        return false;
    };
    if (!move(package.data())) return false;
    for (int n = 1; n <= parts; ++n)
        if (!move(package.part(n))) return false;
    return move(package.trailer());
}

bool package_waiting_locally(const std::string& local, const RemotePackage& package) {
    return present(local + "/" + package.trailer()) || present(local + "/" + package.base + ".pack_pending");
}
