// SHA-256 digests of files and byte strings, as lower-case hex text.
//
// The digests come from the system's libcrypto, which uses the processor's
// SHA instructions where it has them; files are read in large blocks, so
// memory stays constant whatever their size.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::size_t SHA256_HEX_LENGTH = 64;

// The digest of `data`.
std::string sha256_hex(std::string_view data);

// The digest of the whole content of the file at `path`. Returns false (and
// leaves `hex` empty) when the file cannot be opened or read.
bool sha256_file(const std::string& path, std::string& hex);

// True when `text` is 64 lower-case hex digits.
bool is_sha256_hex(std::string_view text);
