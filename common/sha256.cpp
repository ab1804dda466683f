#include "common/sha256.h"

#include <fcntl.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace {

struct DigestContext {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    DigestContext() = default;
    DigestContext(const DigestContext&) = delete;
    DigestContext& operator=(const DigestContext&) = delete;
    ~DigestContext() { EVP_MD_CTX_free(ctx); }
};

std::string to_hex(const unsigned char* digest, unsigned length) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned i = 0; i < length; ++i) {
        hex.push_back(DIGITS[digest[i] >> 4]);
        hex.push_back(DIGITS[digest[i] & 0x0f]);
    }
    return hex;
}

std::string finish(DigestContext& context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context.ctx, digest, &length) != 1) return {};
    return to_hex(digest, length);
}

}  // namespace

std::string sha256_hex(std::string_view data) {
    DigestContext context;
    if (context.ctx == nullptr || EVP_DigestInit_ex(context.ctx, EVP_sha256(), nullptr) != 1) return {};
    if (EVP_DigestUpdate(context.ctx, data.data(), data.size()) != 1) return {};
    return finish(context);
}

bool sha256_file(const std::string& path, std::string& hex) {
    hex.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    DigestContext context;
    if (context.ctx == nullptr || EVP_DigestInit_ex(context.ctx, EVP_sha256(), nullptr) != 1) return false;
    std::vector<char> block(1 << 20);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        if (EVP_DigestUpdate(context.ctx, block.data(), static_cast<std::size_t>(got)) != 1) return false;
    }
    hex = finish(context);
    return !hex.empty();
}

bool is_sha256_hex(std::string_view text) {
    if (text.size() != SHA256_HEX_LENGTH) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}
