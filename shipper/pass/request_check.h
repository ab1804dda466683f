// The shipping request: three blank-separated words, the VOB's scrambled
// replication key, the writer's tag word and the scrambled request time.
// Each check returns an empty text when the request passes, otherwise the
// message the pass fails with.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// The request file is small; more than this is never read.
inline constexpr std::size_t REQUEST_READ_MAX = 4096;
// Requests written before this moment cannot come from this system.
inline constexpr long REQUEST_TIME_FLOOR = 1113437876L;

enum class RequestRead { ok, unreadable };

// Reads the words of the request file (at most REQUEST_READ_MAX bytes).
RequestRead read_request_words(const std::string& path, std::vector<std::string>& words);

// Exactly three words.
std::string check_request_words(const std::vector<std::string>& words, const std::string& packet_name);

// Word 1 against the replication key of the VOB's database id (db_id is
// "??????" when it could not be read).
std::string check_replication_key(const std::string& word, const std::string& db_id, const std::string& vob_tag,
                                  const std::string& packet_name);

// Word 3: the scrambled request time, not before REQUEST_TIME_FLOOR and not
// after now.
std::string check_request_time(const std::string& word, std::time_t now, const char* program,
                               const std::string& this_location, const std::string& receiving_location,
                               const std::string& packet_name);
