#include "clearcase/util/sys.h"

#include "common/sha256.h"

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace ccsub {

std::string registry_dir() {
    const char* e = std::getenv("VANDREL_CCSUB_HOME");
    if (e && *e) return e;
    return kDefaultRegistry;
}

std::string view_root() {
    const char* e = std::getenv("VANDREL_CCSUB_VIEWROOT");
    if (e && *e) return e;
    return "/view";
}

std::string current_user() {
    uid_t uid = geteuid();
    if (struct passwd* pw = getpwuid(uid)) return pw->pw_name;
    return std::to_string(uid);
}

std::string current_group() {
    gid_t gid = getegid();
    if (struct group* gr = getgrgid(gid)) return gr->gr_name;
    return std::to_string(gid);
}

int64_t now_seconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

bool mkdir_p(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    std::string cur;
    size_t i = 0;
    if (path[0] == '/') cur = "/", i = 1;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        if (j > i) {
            if (cur.size() > 1 || (cur.size() == 1 && cur[0] != '/')) cur += '/';
            cur.append(path, i, j - i);
            if (::mkdir(cur.c_str(), mode) != 0 && errno != EEXIST) return false;
        }
        i = j + 1;
    }
    return is_dir(path);
}

static int rm_entry(const char* p, const struct stat*, int flag, struct FTW*) {
    if (flag == FTW_DP || flag == FTW_D) return ::rmdir(p) == 0 || errno == ENOENT ? 0 : -1;
    return ::unlink(p) == 0 || errno == ENOENT ? 0 : -1;
}

bool remove_tree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
    nftw(path.c_str(), rm_entry, 32, FTW_DEPTH | FTW_PHYS);
    return ::lstat(path.c_str(), &st) != 0;
}

bool read_file(const std::string& path, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return n == 0;
}

static bool write_all(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

int create_temp_beside(const std::string& path, std::string& tmp) {
    // "<path>.tmp.XXXXXX" while that fits in one name, else a short hidden
    // name in the same directory; the rename stays within one file system.
    const std::string base = basename_of(path);
    if (base.size() + 11 <= NAME_MAX)
        tmp = path + ".tmp.XXXXXX";
    else
        tmp = join_path(dirname_of(path), ".ccsub-tmp.XXXXXX");
    // mkostemp creates with O_CREAT|O_EXCL and mode 0600: it never opens an
    // existing file or follows a link planted at the name.
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) tmp.clear();
    return fd;
}

bool write_file(const std::string& path, std::string_view data, unsigned mode) {
    std::string tmp;
    int fd = create_temp_beside(path, tmp);
    if (fd < 0) return false;
    bool ok = write_all(fd, data.data(), data.size());
    ok = (::fchmod(fd, mode) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool copy_file(const std::string& from, const std::string& to, unsigned mode) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    std::string tmp;
    int out = create_temp_beside(to, tmp);
    if (out < 0) {
        ::close(in);
        return false;
    }
    char buf[65536];
    ssize_t n;
    bool ok = true;
    while ((n = ::read(in, buf, sizeof buf)) > 0)
        if (!write_all(out, buf, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    if (n < 0) ok = false;
    ::close(in);
    ok = (::fchmod(out, mode) == 0) && ok;
    ok = (::close(out) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), to.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool path_exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool is_dir(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string join_path(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    if (b.empty()) return std::string(a);
    std::string r(a);
    if (r.back() != '/') r += '/';
    while (!b.empty() && b.front() == '/') b.remove_prefix(1);
    r += b;
    return r;
}

std::string dirname_of(std::string_view p) {
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    size_t k = p.rfind('/');
    if (k == std::string_view::npos) return ".";
    if (k == 0) return "/";
    return std::string(p.substr(0, k));
}

std::string basename_of(std::string_view p) {
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    size_t k = p.rfind('/');
    return std::string(k == std::string_view::npos ? p : p.substr(k + 1));
}

std::vector<std::string> split_path(std::string_view p) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string_view::npos) j = p.size();
        if (j > i) out.emplace_back(p.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

std::string normalize_path(std::string_view p) {
    std::vector<std::string> parts;
    for (auto& c : split_path(p)) {
        if (c == ".") continue;
        if (c == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(std::move(c));
    }
    std::string r;
    for (auto& c : parts) r += "/" + c;
    return r.empty() ? "/" : r;
}

bool path_within(std::string_view p, std::string_view prefix) {
    if (prefix == "/") return !p.empty() && p[0] == '/';
    if (p.size() < prefix.size() || p.substr(0, prefix.size()) != prefix) return false;
    return p.size() == prefix.size() || p[prefix.size()] == '/';
}

// Content-store files are named by the SHA-256 of their bytes, computed by
// the system's libcrypto like every other digest in the project.
std::string sha256_hex(std::string_view data) {
    return ::sha256_hex(data);
}

}  // namespace ccsub
