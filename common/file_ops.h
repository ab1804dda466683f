// Whole-file primitives: every file the system writes goes through these,
// with a one-character attribute code applied at the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/name_list.h"

// Appending, concatenating, compressing and encrypting refuse to produce a
// file that would reach this size (2^31 - 1025 bytes).
inline constexpr std::int64_t FILE_SIZE_CEILING = 2147482623LL;

// Attribute codes.
inline constexpr char ATTR_PUBLIC = 'P';   // mode 0666
inline constexpr char ATTR_PRIVATE = 'p';  // mode 0600
inline constexpr char ATTR_SECRET = 's';   // private, then hidden
inline constexpr char ATTR_HIDDEN = 'h';   // no effect on UNIX
inline constexpr char ATTR_VISIBLE = 'v';  // no effect on UNIX
inline constexpr char ATTR_LEAVE = 'l';    // nothing

void attr_file(const std::string& path, char code);
void make_private(const std::string& path);
void make_public(const std::string& path);
void make_hidden(const std::string& path);
void make_visible(const std::string& path);

// Results: 1 success, 0 failure (reported once at log class 'e').
int touch_file(const std::string& path, const char* text, char attr);
int append_file(const std::string& path, const char* text, char attr);
int append_file_b(const std::string& path, const char* text, char attr);
int concat_file(const std::string& src, const std::string& dst, char attr);
int copy_file(const std::string& src, const std::string& dst, char attr);
int move_file(const std::string& src, const std::string& dst, char attr);
int cmp_files(const std::string& a, const std::string& b);

void unlink_remove(const std::string& path);
// Writes all of `text` to the descriptor, resuming after interruptions;
// false on an error (errno tells which).
bool write_whole(int fd, std::string_view text);

int this_file_exists(const std::string& path);
int _is_visible(const std::string& path);
int file_is_empty(const std::string& path);
// Size of the file, 0 when it does not exist.
std::int64_t file_size_or_zero(const std::string& path);

// The files a process must remove at the end of a pass or at exit, and the
// data files carried in the packet being built.
struct FileLists {
    NameList EXTRACTED_FILES;
    NameList LISTED_FILES;
};
extern FileLists FILE_LISTS;
inline NameList& EXTRACTED_FILES = FILE_LISTS.EXTRACTED_FILES;
inline NameList& LISTED_FILES = FILE_LISTS.LISTED_FILES;

void push_extracted_file(const std::string& name);
void push_ship_file(const std::string& name);
void push_listed_file(const std::string& name);
int is_listed_file(const std::string& name);
// Closes the open package streams, removes every listed file and empties the list.
void remove_extracted_files();
void remove_ship_files();
// Removes base_1, base_2, ... while the next exists, then base itself.
void remove_template_files(const std::string& base);
