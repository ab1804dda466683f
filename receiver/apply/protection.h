// Protections carried in packets ("rw-r--r--" as ClearCase describes an
// element) and the protect commands that give them to elements of the
// receiving VOB.
#pragma once

#include <string>
#include <string_view>

// Eight permission triples, each followed by a blank, and the octal digit at
// the same offset.
inline constexpr char PROTECTION_MATRIX[] = "--- --x -w- -wx r-- r-x rw- rwx ";
inline constexpr char PROTECTION_MAP[] = "0   1   2   3   4   5   6   7   ";
// Permissions of an element whose protection is unknown.
inline constexpr char NO_PROTECTIONS[] = ".";

// Converts nine permission characters into three octal digits; false when
// the text is not nine characters of three known triples.
bool permissions_to_octal(std::string_view permissions, std::string& octal);

// Gives `pname` the sender's protection: the permissions when they convert,
// then owner and group as far as they are known (both, the group alone or
// the owner alone). Every value is one quoted word; outputs are discarded.
void protect_preserving(const std::string& pname, const std::string& owner, const std::string& group,
                        const std::string& permissions);
// Gives `pname` the owner and group of the receiver key line.
void protect_exactly(const std::string& pname, const std::string& owner, const std::string& group);
// Gives `pname` the protection the receiver key line being served chooses
// (APPLY_SETTINGS.protection): the sender's owner, group and permissions for
// "preserve", the key line's owner and group for "exactly", nothing for the
// receiver process's own.
void protect_as_key_line_says(const std::string& pname, const std::string& owner, const std::string& group,
                              const std::string& permissions);
