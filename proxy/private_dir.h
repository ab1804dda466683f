// Private work directories: made with mkdtemp (mode 0700, a name nobody can
// take first), emptied and removed when their owner goes, and also when a
// terminal signal ends the relay (remove_private_dirs).
#pragma once

#include <string>

class PrivateDir {
public:
    PrivateDir() = default;
    ~PrivateDir();
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;

    // Makes <parent>/<prefix>XXXXXX. Returns false with errno set.
    bool make(const std::string& parent, const std::string& prefix);
    const std::string& path() const { return path_; }
    // <path>/<name>.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Empties and removes every private directory still in use (a flat
// directory: its files, then itself).
void remove_private_dirs();

// The system's temporary directory: $TMPDIR when it names a directory, else /tmp.
std::string temp_parent_dir();
