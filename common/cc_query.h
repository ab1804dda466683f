// Questions to ClearCase and the capture of command output.
//
// The programs never link against ClearCase: every question is a `cleartool`
// command line run through the command layer (common/command.h), with each
// operand (type names, VOB tags, paths) passed as a quoted word.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/command.h"

// The program name used in every ClearCase command line, found through PATH.
inline constexpr char CLEARTOOL[] = "cleartool";

// The subcommand words, named through this table in command lines.
enum CleartoolCommand : int {
    CT_STARTVIEW,
    CT_LSVOB,
    CT_MOUNT,
    CT_SETCS,
    CT_LSVIEW,
    CT_DESCRIBE,
    CT_SETVIEW,
    CT_LSTYPE,
    CT_LSCO,
    CT_MKELTYPE,
    CT_MKDIR,
    CT_CHECKOUT,
    CT_LS,
    CT_RMTYPE,
    CT_MKATTYPE,
    CT_MKATTR,
    CT_CHECKIN,
    CT_PROTECT,
    CT_DIFF,
    CT_UNCHECKOUT,
    CT_FIND,
    CT_LN,
    CT_MKBRTYPE,
    CT_LSHISTORY,
    CT_MKLABEL,
    CT_RMLABEL,
    CT_RMELEM,
    CT_MKLBTYPE,
    CT_LOCK,
    CT_UNLOCK,
    CT_RMATTR,
    CT_RENAME,
    CT_RMMERGE,
    CT_RMBRANCH,
    CT_RMVER,
    CT_COMMAND_COUNT
};

inline constexpr std::array<std::string_view, CT_COMMAND_COUNT> CLEARTOOL_COMMANDS = {
    "startview", "lsvob",      "mount",    "setcs",  "lsview",   "describe",  "setview",  "lstype",  "lsco",
    "mkeltype",  "mkdir",      "checkout", "ls",     "rmtype",   "mkattype",  "mkattr",   "checkin", "protect",
    "diff",      "uncheckout", "find",     "ln",     "mkbrtype", "lshistory", "mklabel",  "rmlabel", "rmelem",
    "mklbtype",  "lock",       "unlock",   "rmattr", "rename",   "rmmerge",   "rmbranch", "rmver"};

// Redirections appended to command lines (as raw shell text).
inline constexpr char TRASH_OUT[] = "> /dev/null";
inline constexpr char TRASH_ERR[] = "2> /dev/null";
inline constexpr char TRASH_ALL[] = "> /dev/null 2> /dev/null";

// Type kinds and the generic words for them.
inline constexpr char BRTYPE[] = "brtype";
inline constexpr char LBTYPE[] = "lbtype";
inline constexpr char ATTYPE[] = "attype";
inline constexpr char LABEL[] = "label";
inline constexpr char BRANCH[] = "branch";
inline constexpr char ATTRIBUTE[] = "attribute";

// Stands for a line break inside an attribute value in packet text.
inline constexpr char ZEB_ATTR_VALUE_LF[] = "(^LF^)";

// Size of the buffer that get_command_output fills (one byte for the NUL).
inline constexpr std::size_t LAST_COMMAND_RESULT_SIZE = 6144;
// Size of the answers read by is_global_type and get_VOB_db_id.
inline constexpr std::size_t CC_ANSWER_SIZE = 512;
// Longest VOB database id kept.
inline constexpr std::size_t VOB_DB_ID_MAX = 99;
inline constexpr char VOB_DB_ID_UNKNOWN[] = "??????";

// The process-wide results of the queries.
struct ClearCaseAnswers {
    std::string LAST_COMMAND_RESULT;            // output of the last get_command_output
    std::string VOB_DB_ID = VOB_DB_ID_UNKNOWN;  // set by get_VOB_db_id
};
extern ClearCaseAnswers CC_ANSWERS;

// `cleartool <subcommand>`, ready for operands.
Command cleartool(CleartoolCommand subcommand);

// The type selector kind:name@vob as one word.
std::string type_selector(std::string_view kind, std::string_view name, std::string_view vob);

// Runs `command` and keeps at most size - 1 bytes of its standard output in
// `buffer`. Returns 1 when the command could be started, 0 otherwise; the
// exit status is not looked at.
int get_results(const Command& command, std::string& buffer, std::size_t size);
int get_stdout_of_command(const Command& command, std::string& buffer, std::size_t size);

// The same into CC_ANSWERS.LAST_COMMAND_RESULT (at most 6143 bytes).
int get_command_output(const Command& command);

// Reads at most size - 1 bytes of a file into `buffer` (all of it with
// Command::NO_LIMIT); an unreadable file leaves `buffer` empty. Always 1.
int get_file_results(const std::string& path, std::string& buffer, std::size_t size);

// A daemon's view: 1 when `cleartool lsview -s` knows it and `startview`
// starts it, 0 when it does not exist, -1 when it would not start. A tag
// holding "/" counts as not existing: the tag is also part of the view
// lock's file name.
int check_view(std::string_view view);

// 1 when `cleartool lstype kind:name@vob` succeeds, else 0.
int type_exists(std::string_view kind, std::string_view name, std::string_view vob);

// 1 when `cleartool describe -fmt %[type_scope]p kind:name@vob` answers with
// a text that begins with "global", else 0.
int is_global_type(std::string_view kind, std::string_view name, std::string_view vob);

// Asks ClearCase for the database id of a VOB; "??????" when none results.
const std::string& get_VOB_db_id(std::string_view vob_tag);

// The number after "Attrib " at the start of a packet line; 0 for any other
// line, and for a count that is not a plain non-negative number that fits.
int read_att_value_length(std::string_view line);
