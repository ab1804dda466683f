// Multipart packets: a head file and zero or more part files "<base>_<k>"
// (k = 1, 2, ...), the same numbering kept through every stage. The routines
// here run compression, encryption, decryption and decompression over all
// files of a packet, and fill the part files with the data files a packet
// carries. All return 1 on success and 0 at the first failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_ops.h"
#include "common/name_list.h"

// A part is closed before it would reach this size (the ceiling less twice
// the room planned per marker); a single data file this large or larger
// cannot be carried.
inline constexpr std::int64_t PART_SIZE_LIMIT = FILE_SIZE_CEILING - 2 * 45;
// The part counter is a signed 8-bit number: at most 127 extra parts.
inline constexpr int MAX_XTRA_PACKET_PARTS = 127;

// Failure texts of the part filling (logged at class 'e'): the step, the
// current part, and the reason; or the step, the current part, the file and
// the limit for a file that is too large.
inline constexpr char CTAR_STEP_FAILED[] = "failed ctar on step %d (%s) : %s";
inline constexpr char CTAR_FILE_TOO_LARGE[] =
    "failed ctar on step %d (%s) - single file (%s) exceeds safe file size (%lu bytes) to replicate.";

struct MultipartState {
    std::int8_t XTRA_PACKET_PARTS = 0;  // extra parts of the packet being built
    std::int64_t part_size_limit = PART_SIZE_LIMIT;
};
extern MultipartState MULTIPART;

// Lowers the part size limit so that tests exercise several parts with small
// files. Only tests call it; a value <= 0 restores the real limit.
void set_part_size_limit_for_tests(std::int64_t limit);

// Shipper: after the head file holds its sections, appends every data file,
// each preceded by the file-break marker, to part files head_1, head_2, ...
// (started as the limit requires; XTRA_PACKET_PARTS counts them), then the
// final marker to the last file written (the head when there are no data
// files). A data file that itself contains the marker is refused, since the
// receiver would cut it in two. Failures are logged with the texts above.
int ctar_data_files(const std::string& head, const std::vector<std::string>& data_files);
int ctar_data_files(const std::string& head, const NameList& data_files);

// Shipper: compress_file on the head, compress_part on parts 1..XTRA_PACKET_PARTS;
// each input is deleted after its own stage succeeded.
int compress_multipart_file(const std::string& in, const std::string& out, const std::string& dest_vob,
                            const std::string& dest_path, const std::string& deploy_location);
// Shipper: crypt_file on the head and on parts 1..XTRA_PACKET_PARTS, deleting
// each input after success.
int crypt_multipart_file(const std::string& in, const std::string& out);
// Receiver: parts found by probing in_1, in_2, ...; every input is deleted
// after its attempt, whatever the result.
int decrypt_multipart_file(const std::string& in, const std::string& out);
// Receiver: uncompress_file on the head (deleted after success), then
// uncompress_part on every part found by probing (each deleted after its
// attempt).
int uncompress_multipart_file(const std::string& in, const std::string& out, std::string& dest_vob,
                              std::string& dest_path, std::string& deploy_location);

// Number of consecutive parts base_1, base_2, ... that exist, or -1 when more
// than MAX_XTRA_PACKET_PARTS do (a damaged or hostile delivery).
int count_existing_parts(const std::string& base);
