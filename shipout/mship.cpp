#include "shipout/mship.h"

#include "common/file_ops.h"
#include "common/text_format.h"

#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shipout {

namespace {

// Removes the temporary file on every way out.
struct TempFile {
    std::string path;
    int fd = -1;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
    }
};

// What stands at path, if anything: a symbolic link to nothing (a request
// is never written through it) or an existing request.
std::optional<MshipResult> existing_request(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) return std::nullopt;
    struct stat target {};
    if (S_ISLNK(link.st_mode) && ::stat(path.c_str(), &target) != 0) return MshipResult::DanglingLink;
    return MshipResult::AlreadyThere;
}

}  // namespace

std::string mship_path(const std::string& ship_dir, int vob_id, const std::string& location) {
    return fmt_msg("%s%s%s.%03d.%s", ship_dir.c_str(), "/", "mship", vob_id, location.c_str());
}

std::string mship_content(const std::string& scrambled_key, const std::string& scrambled_time) {
    return fmt_msg("%s VLso_%s%s ", scrambled_key.c_str(), "12.1", "_l") + scrambled_time;
}

MshipResult write_mship_if_absent(const std::string& path, const std::string& content) {
    if (std::optional<MshipResult> there = existing_request(path)) return *there;

    std::string dir = path.substr(0, path.rfind('/'));
    TempFile temp;
    for (int attempt = 0; attempt < 100 && temp.fd < 0; ++attempt) {
        std::string candidate = fmt_msg("%s/.mship_tmp.%ld.%d", dir.c_str(), static_cast<long>(::getpid()), attempt);
        temp.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (temp.fd >= 0)
            temp.path = candidate;
        else if (errno != EEXIST)
            return MshipResult::WriteError;
    }
    if (temp.fd < 0) return MshipResult::WriteError;
    if (!write_whole(temp.fd, content) || ::fchmod(temp.fd, 0666) != 0 || ::close(temp.fd) != 0) {
        temp.fd = -1;
        return MshipResult::WriteError;
    }
    temp.fd = -1;
    if (::link(temp.path.c_str(), path.c_str()) != 0) {
        if (errno != EEXIST) return MshipResult::WriteError;
        return existing_request(path).value_or(MshipResult::AlreadyThere);
    }
    return MshipResult::Created;
}

}  // namespace shipout
