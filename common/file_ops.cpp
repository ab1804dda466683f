#include "common/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/frame.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"

FileLists FILE_LISTS;

void make_private(const std::string& path) {
    chmod(path.c_str(), 0600);
}
void make_public(const std::string& path) {
    chmod(path.c_str(), 0666);
}
// The hidden/visible attribute exists only on Windows.
void make_hidden(const std::string&) {}
void make_visible(const std::string&) {}

void attr_file(const std::string& path, char code) {
    switch (code) {
        case ATTR_PUBLIC:
            make_public(path);
            break;
        case ATTR_PRIVATE:
            make_private(path);
            break;
        case ATTR_SECRET:
            make_private(path);
            make_hidden(path);
            break;
        case ATTR_HIDDEN:
            make_hidden(path);
            break;
        case ATTR_VISIBLE:
            make_visible(path);
            break;
        default:
            break;
    }
}

int this_file_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? 1 : 0;
}

int _is_visible(const std::string& path) {
    return this_file_exists(path);
}

int file_is_empty(const std::string& path) {
    struct stat st;
    return (stat(path.c_str(), &st) == 0 && st.st_size == 0) ? 1 : 0;
}

std::int64_t file_size_or_zero(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_size);
}

void unlink_remove(const std::string& path) {
    unlink(path.c_str());
    std::remove(path.c_str());
}

int touch_file(const std::string& path, const char* text, char attr) {
    FILE* f = std::fopen(path.c_str(), "w+");
    if (!f) {
        int err = errno;
        log_it('e', fmt_msg("#1 Could not touch (%s) with %d: %s", path.c_str(), err, std::strerror(err)));
        return 0;
    }
    if (text) std::fputs(text, f);
    std::fclose(f);
    attr_file(path, attr);
    return 1;
}

namespace {

int append_with_mode(const std::string& path, const char* text, char attr, const char* mode, bool trailing_blank) {
    if (this_file_exists(path)) {
        std::int64_t size = file_size_or_zero(path);
        std::int64_t add = text ? static_cast<std::int64_t>(std::strlen(text)) : 0;
        if (size >= FILE_SIZE_CEILING || size + add + 1 >= FILE_SIZE_CEILING) {
            log_it('e', fmt_msg(COMMON_MSG_09, "Appending", "append"));
            return 0;
        }
    }
    FILE* f = std::fopen(path.c_str(), mode);
    if (!f) {
        int err = errno;
        std::string msg = fmt_msg("#1 Could not append (%s) with %d: %s", path.c_str(), err, std::strerror(err));
        if (trailing_blank) msg.push_back(' ');
        log_it('e', msg);
        return 0;
    }
    if (text) std::fputs(text, f);
    std::fclose(f);
    attr_file(path, attr);
    return 1;
}

}  // namespace

int append_file(const std::string& path, const char* text, char attr) {
    return append_with_mode(path, text, attr, "a+", true);
}

int append_file_b(const std::string& path, const char* text, char attr) {
    return append_with_mode(path, text, attr, "a+b", false);
}

int concat_file(const std::string& src, const std::string& dst, char attr) {
    if (file_size_or_zero(src) + file_size_or_zero(dst) >= FILE_SIZE_CEILING) {
        log_it('e', fmt_msg(COMMON_MSG_09, "Concating", "concat"));
        return 0;
    }
    FILE* out = std::fopen(dst.c_str(), "ab");
    if (!out) {
        int err = errno;
        log_it('e', fmt_msg("#1 Could not concat (%s) to (%s) with %d: %s", src.c_str(), dst.c_str(), err,
                            std::strerror(err)));
        return 0;
    }
    // A source that cannot be opened counts as empty. Copy in blocks, in
    // constant memory, and no more than the source held when the copy began:
    // a file concatenated to itself would otherwise grow without end.
    if (FILE* in = std::fopen(src.c_str(), "rb")) {
        std::int64_t left = file_size_or_zero(src);
        char block[65536];
        while (left > 0) {
            size_t want = left < static_cast<std::int64_t>(sizeof block) ? static_cast<size_t>(left) : sizeof block;
            size_t n = std::fread(block, 1, want, in);
            if (n == 0 || std::fwrite(block, 1, n, out) != n) break;
            left -= static_cast<std::int64_t>(n);
        }
        std::fclose(in);
    }
    std::fclose(out);
    attr_file(dst, attr);
    return 1;
}

namespace {
// True when both paths name one existing file.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
}  // namespace

int copy_file(const std::string& src, const std::string& dst, char attr) {
    // Removing the destination first would destroy a source that is the
    // same file.
    if (same_file(src, dst)) {
        attr_file(dst, attr);
        return 1;
    }
    unlink_remove(dst);
    if (!touch_file(dst, nullptr, attr)) return 0;
    return concat_file(src, dst, attr);
}

int move_file(const std::string& src, const std::string& dst, char attr) {
    if (same_file(src, dst)) {
        attr_file(dst, attr);
        return 1;
    }
    // A missing source is a failed move, not an empty destination (and the
    // destination is left alone).
    if (!this_file_exists(src)) {
        log_it('e', fmt_msg("moved failed from (%s) to (%s)", src.c_str(), dst.c_str()));
        return 0;
    }
    unlink_remove(dst);
    if (std::rename(src.c_str(), dst.c_str()) != 0) {
        if (!copy_file(src, dst, attr)) {
            log_it('e', fmt_msg("moved failed from (%s) to (%s)", src.c_str(), dst.c_str()));
            return 0;
        }
        unlink_remove(src);
    }
    attr_file(dst, attr);
    return 1;
}

int cmp_files(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return 0;
    if (sa.st_size != sb.st_size || sa.st_size == 0) return 0;
    FILE* fa = std::fopen(a.c_str(), "rb");
    if (!fa) return 0;
    FILE* fb = std::fopen(b.c_str(), "rb");
    if (!fb) {
        std::fclose(fa);
        return 0;
    }
    int same = 1;
    char ba[32768], bb[32768];
    for (;;) {
        size_t na = std::fread(ba, 1, sizeof ba, fa);
        size_t nb = std::fread(bb, 1, sizeof bb, fb);
        if (na != nb || std::memcmp(ba, bb, na) != 0) {
            same = 0;
            break;
        }
        if (na == 0) break;
    }
    std::fclose(fa);
    std::fclose(fb);
    return same;
}

void push_extracted_file(const std::string& name) {
    FILE_LISTS.EXTRACTED_FILES.push(name);
}
void push_ship_file(const std::string& name) {
    FILE_LISTS.EXTRACTED_FILES.push(name);
}
void push_listed_file(const std::string& name) {
    FILE_LISTS.LISTED_FILES.push(name);
}
int is_listed_file(const std::string& name) {
    return FILE_LISTS.LISTED_FILES.contains(name) ? 1 : 0;
}

void remove_extracted_files() {
    FRAME.CONVERTED_STREAM = fclose_(FRAME.CONVERTED_STREAM);
    FRAME.PACKAGE_STREAM = fclose_(FRAME.PACKAGE_STREAM);
    for (const std::string& name : FILE_LISTS.EXTRACTED_FILES) unlink_remove(name);
    FILE_LISTS.EXTRACTED_FILES.clear();
}

void remove_ship_files() {
    FRAME.CONVERTED_STREAM = fclose_(FRAME.CONVERTED_STREAM);
    remove_extracted_files();
}

void remove_template_files(const std::string& base) {
    for (int i = 1;; ++i) {
        std::string part = base + "_" + std::to_string(i);
        if (!this_file_exists(part)) break;
        unlink_remove(part);
    }
    unlink_remove(base);
}

bool write_whole(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
