#include "proxy/private_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string>& dirs_in_use() {
    static std::vector<std::string> dirs;
    return dirs;
}

void empty_and_remove(const std::string& path) {
    if (DIR* d = ::opendir(path.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            ::unlink((path + "/" + name).c_str());
        }
        ::closedir(d);
    }
    ::rmdir(path.c_str());
}

}  // namespace

PrivateDir::~PrivateDir() {
    if (path_.empty()) return;
    empty_and_remove(path_);
    auto& dirs = dirs_in_use();
    dirs.erase(std::remove(dirs.begin(), dirs.end(), path_), dirs.end());
}

bool PrivateDir::make(const std::string& parent, const std::string& prefix) {
    std::string pattern = parent + "/" + prefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return false;
    path_ = pattern;
    dirs_in_use().push_back(path_);
    return true;
}

void remove_private_dirs() {
    for (const std::string& path : dirs_in_use()) empty_and_remove(path);
    dirs_in_use().clear();
}

std::string temp_parent_dir() {
    const char* tmp = std::getenv("TMPDIR");
    struct stat st;
    if (tmp && *tmp && ::stat(tmp, &st) == 0 && S_ISDIR(st.st_mode)) return tmp;
    return "/tmp";
}
