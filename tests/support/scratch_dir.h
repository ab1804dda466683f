// Shared test support: a fresh scratch folder per test, removed with its
// content when the test ends, and small whole-file helpers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vandrel_test_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

inline unsigned mode_of(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

// "Www Mmm dd hh:mm:ss yyyy" as asctime writes it (day padded with a blank).
inline bool looks_like_asctime(const std::string& t) {
    const char* shape = "AAA AAA #9 99:99:99 9999";
    if (t.size() != 24) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        switch (shape[i]) {
            case 'A':
                if (!std::isalpha(c)) return false;
                break;
            case '9':
                if (!std::isdigit(c)) return false;
                break;
            case '#':
                if (c != ' ' && !std::isdigit(c)) return false;
                break;
            default:
                if (t[i] != shape[i]) return false;
        }
    }
    return true;
}
