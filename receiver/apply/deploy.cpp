// Deployment packages.
#include "receiver/apply/deploy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "codecs/packet_format.h"
#include "common/command.h"
#include "common/depot.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "common/unique_fd.h"
#include "receiver/apply/apply_messages.h"
#include "receiver/apply/normalize.h"
#include "receiver/apply/packet_lines.h"

namespace {

constexpr char REFUSED_OUTSIDE[] = "its path is absolute, climbs out with \"..\" or holds a line break";
constexpr char REFUSED_LINK[] = "a symbolic link lies on its way";
constexpr char REFUSED_NO_NAME[] = "it names no file";
constexpr char TEMP_PREFIX[] = ".vandrel_deploy.";

// Logged paths show "/./" as "/" (first occurrence).
std::string shown_path(std::string path) {
    std::size_t at = path.find("/./");
    if (at != std::string::npos) path.erase(at, 2);
    return path;
}

void log_twice(const std::string& text) {
    log_it('d', text);
    log_it('e', text);
}

void log_ack(const char* word, const char* status, const std::string& path) {
    log_text('d', fmt_msg(COMMON_MSG_08, word, status, shown_path(path).c_str()));
}

struct Deployment {
    const std::string& target;
    const std::string& package;
    UniqueFd target_fd;
    std::string data_dir;
    long next_data_file = 0;
    // One copy buffer for every file of the package: a deployment of many
    // small files does not allocate and clear a large buffer per file.
    std::vector<char> copy_buffer;

    void trouble(int number, const char* what, const std::string& path) const {
        log_twice(fmt_msg(MSG_69, number, what, shown_path(path).c_str(), package.c_str()));
    }
    void refuse(const char* word, const char* what, const std::string& path, const char* reason, int number) const {
        log_twice(fmt_msg(MSG_69_REFUSED, what, shown_path(path).c_str(), reason, target.c_str(), package.c_str()));
        log_ack(word, NACK, path);
        trouble(number, what, path);
    }

    // Opens every directory on the way to the last component of `rel`,
    // refusing symbolic links. `parent` receives the directory that holds
    // the last component, `last` its name (empty when `rel` names the target
    // itself). Returns null on success, else the refusal reason; a missing
    // directory on the way gives success with parent not ok.
    const char* walk(std::string_view rel, UniqueFd& parent, std::string& last) const {
        std::vector<std::string_view> parts;
        std::size_t pos = 0;
        while (pos <= rel.size()) {
            std::size_t end = rel.find('/', pos);
            if (end == std::string_view::npos) end = rel.size();
            std::string_view part = rel.substr(pos, end - pos);
            if (!part.empty() && part != ".") parts.push_back(part);
            pos = end + 1;
        }
        last.clear();
        UniqueFd dir(::dup(target_fd.get()));
        if (!parts.empty()) {
            last.assign(parts.back());
            parts.pop_back();
        }
        for (std::string_view part : parts) {
            std::string name(part);
            struct stat st;
            if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                return REFUSED_LINK;
            UniqueFd next(::openat(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.ok()) {
                if (errno == ELOOP) return REFUSED_LINK;
                parent = UniqueFd();
                return nullptr;
            }
            dir = std::move(next);
        }
        parent = std::move(dir);
        return nullptr;
    }

    int directory(std::string_view rel) {
        std::string path = target + "/" + std::string(rel);
        if (!packet_path_stays_inside(rel)) {
            refuse(DEPLOY_ACK_DIRECTORY, DEPLOY_WORD_DIRECTORY, path, REFUSED_OUTSIDE, 3);
            return -1;
        }
        UniqueFd parent;
        std::string last;
        if (const char* reason = walk(rel, parent, last)) {
            refuse(DEPLOY_ACK_DIRECTORY, DEPLOY_WORD_DIRECTORY, path, reason, 3);
            return -1;
        }
        bool made = false;
        if (parent.ok()) {
            struct stat st;
            if (last.empty()) {
                made = true;
            } else {
                // An existing directory is as good as a new one; what is
                // there afterwards decides.
                ::mkdirat(parent.get(), last.c_str(), 0777);
                if (::fstatat(parent.get(), last.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    if (S_ISLNK(st.st_mode)) {
                        refuse(DEPLOY_ACK_DIRECTORY, DEPLOY_WORD_DIRECTORY, path, REFUSED_LINK, 3);
                        return -1;
                    }
                    made = S_ISDIR(st.st_mode);
                }
            }
        }
        if (!made) {
            log_ack(DEPLOY_ACK_DIRECTORY, NACK, path);
            trouble(3, DEPLOY_WORD_DIRECTORY, path);
            return -1;
        }
        log_ack(DEPLOY_ACK_DIRECTORY, ACK, path);
        return 0;
    }

    int file(std::string rel) {
        strip_surrounding(rel);
        std::string path = target + "/" + rel;
        std::string data = data_dir + "/" + data_file_name(next_data_file++);
        if (!packet_path_stays_inside(rel)) {
            refuse(DEPLOY_ACK_FILE, DEPLOY_WORD_FILE, path, REFUSED_OUTSIDE, 1);
            return -1;
        }
        UniqueFd parent;
        std::string last;
        if (const char* reason = walk(rel, parent, last)) {
            refuse(DEPLOY_ACK_FILE, DEPLOY_WORD_FILE, path, reason, 1);
            return -1;
        }
        if (last.empty()) {
            refuse(DEPLOY_ACK_FILE, DEPLOY_WORD_FILE, path, REFUSED_NO_NAME, 1);
            return -1;
        }
        if (!parent.ok() || !place_file(parent.get(), last, data, copy_buffer)) {
            trouble(1, DEPLOY_WORD_FILE, path);
            return -1;
        }
        ::unlink(data.c_str());
        log_ack(DEPLOY_ACK_FILE, ACK, path);
        return 0;
    }

    // Copies the data file into a fresh temporary file of `dir` and renames
    // it to `name`.
    static bool place_file(int dir, const std::string& name, const std::string& data, std::vector<char>& buf) {
        UniqueFd in(::open(data.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.ok()) return false;
        std::string temp;
        UniqueFd out;
        for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
            temp = std::string(TEMP_PREFIX) + random_string(16);
            out = UniqueFd(::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!out.ok() && errno != EEXIST) return false;
        }
        if (!out.ok()) return false;
        bool ok = copy_bytes(in.get(), out.get(), buf);
        if (ok) ok = ::fsync(out.get()) == 0;
        out.reset();
        if (ok) ok = ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
        if (!ok) ::unlinkat(dir, temp.c_str(), 0);
        return ok;
    }

    static bool copy_bytes(int in, int out, std::vector<char>& buf) {
        for (;;) {
            ssize_t n = ::read(in, buf.data(), buf.size());
            if (n == 0) return true;
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            for (ssize_t done = 0; done < n;) {
                ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return false;
                }
                done += w;
            }
        }
    }
};

}  // namespace

int deploy_package(const std::string& listing, const std::string& target, const std::string& package) {
    log_it('n', fmt_msg(MSG_71, target.c_str()));
    Deployment d{target, package, UniqueFd(), {}, 0, std::vector<char>(1u << 20)};

    // "--": a target that begins with "-" is a name, not an option.
    Command mkdir_target("mkdir");
    mkdir_target.args("--", target).trash_all();
    if (mkdir_target.run() == COMMAND_NOT_STARTED) {
        d.trouble(1, DEPLOY_WORD_DIRECTORY, target);
        return -1;
    }
    d.target_fd = UniqueFd(::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!d.target_fd.ok()) {
        d.trouble(2, DEPLOY_WORD_DIRECTORY, target);
        return -1;
    }

    FilePtr in(std::fopen(listing.c_str(), "rb"));
    if (!in) return -1;
    struct stat st;
    if (::fstat(fileno(in.get()), &st) != 0 || st.st_size == 0) {
        log_it('e', fmt_msg(MSG_70, package.c_str()));
        return -1;
    }
    std::size_t slash = listing.find_last_of('/');
    d.data_dir = slash == std::string::npos ? "." : listing.substr(0, slash);

    PacketLineReader reader(in.get());
    std::string line;
    int result = 0;
    while (result == 0 && reader.next_line(line)) {
        std::string_view entry(line);
        if (entry.starts_with(DEPLOY_DIR_LINE))
            result = d.directory(entry.substr(DEPLOY_DIR_LINE.size()));
        else if (entry.starts_with(DEPLOY_FILE_LINE))
            result = d.file(std::string(entry.substr(DEPLOY_FILE_LINE.size())));
    }
    if (result == 0 && reader.failed()) {
        log_it('e', fmt_msg(MSG_70, package.c_str()));
        result = -1;
    }
    return result;
}

int run_deployment(const std::string& listing, const std::string& target, const std::string& package) {
    std::string name = packet_file_name(package);
    std::string started = fmt_msg(MSG_72, name.c_str(), target.c_str());
    log_it('d', started);
    log_it('n', started);
    int result = deploy_package(listing, target, package);
    if (result != -1) {
        std::string ended = fmt_msg(MSG_73, name.c_str());
        log_it('d', ended);
        log_it('n', ended);
    } else {
        log_twice(fmt_msg(MSG_74, name.c_str()));
    }
    return result;
}
