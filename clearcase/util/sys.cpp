#include "clearcase/util/sys.h"

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

// Compact SHA-256 (FIPS 180-4) used to name content-store files.
namespace {
constexpr std::array<uint32_t, 64> K = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
inline uint32_t rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
void block(uint32_t h[8], const unsigned char* p) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = (uint32_t(p[4 * i]) << 24) | (uint32_t(p[4 * i + 1]) << 16) | (uint32_t(p[4 * i + 2]) << 8) |
               uint32_t(p[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[i] + w[i];
        uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        hh = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
}
}  // namespace

std::string sha256_hex(std::string_view data) {
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    size_t n = data.size(), i = 0;
    for (; i + 64 <= n; i += 64) block(h, p + i);
    unsigned char tail[128] = {};
    size_t rem = n - i;
    if (rem) std::memcpy(tail, p + i, rem);
    tail[rem] = 0x80;
    size_t tl = rem + 1 + 8 <= 64 ? 64 : 128;
    uint64_t bits = static_cast<uint64_t>(n) * 8;
    for (int k = 0; k < 8; ++k) tail[tl - 1 - k] = static_cast<unsigned char>(bits >> (8 * k));
    block(h, tail);
    if (tl == 128) block(h, tail + 64);
    char out[65];
    for (int k = 0; k < 8; ++k) std::snprintf(out + 8 * k, 9, "%08x", h[k]);
    return std::string(out, 64);
}

}  // namespace ccsub
