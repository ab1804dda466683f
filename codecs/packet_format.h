// Packet content format: the constants shared by the shipper, which writes
// packet content, and the receiver, which reads it back.
//
// A packet's head file holds six text sections separated by the file-break
// marker (codecs/file_break.h):
//   1 element description   2 config spec   3 header records
//   4 label and attribute section   5 removal and lock section
//   6 new-element records
// followed, in replication packets, by two more markers (the empty data file
// "zeb.0000") and, when the packet has no part files, by the final marker.
// The record writers and readers of each section live in
//   codecs/packet_header.h    section 3
//   codecs/packet_post.h      section 4
//   codecs/packet_destroy.h   section 5
//   codecs/packet_elements.h  sections 1 and 6, data file names
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// ZEB_ATTR_VALUE_LF "(^LF^)", the stand-in for a line break inside an
// attribute value, is shared with the ClearCase query layer and defined
// there.
#include "common/cc_query.h"

// Format version written by every shipper and required by the receiver.
inline constexpr std::string_view PACKET_FORMAT_VERSION = "12.0";
inline constexpr std::string_view MIN_SENDER_VERSION = "12.0";

// Section 3: header records, each "<letter>:<value>;".
inline constexpr char HEADER_RECORD_END = ';';
inline constexpr char HEADER_LETTER_SEPARATOR = ':';
inline constexpr char HDR_LOCATION = 'l';
inline constexpr char HDR_PACKET_TYPE = 'D';
inline constexpr char HDR_DEPLOY_LOCATION = 'B';
inline constexpr char HDR_FORMAT_VERSION = 'V';
inline constexpr char HDR_PERSONALITY = 'n';
inline constexpr char HDR_ELTYPE = 'e';
inline constexpr char HDR_GLOBAL_BRTYPE = 'G';
inline constexpr char HDR_BRTYPE = 'b';
inline constexpr char HDR_GLOBAL_LBTYPE = 'g';
inline constexpr char HDR_GLOBAL_ATTYPE = 'y';
inline constexpr char HDR_DIRECTORY = 'd';
inline constexpr char HDR_DIR_OWNER = 'o';
inline constexpr char HDR_SLINK = 'L';
inline constexpr char HDR_CHECKEDOUT = 'c';

inline constexpr std::string_view PACKET_TYPE_VOB = "vob";
inline constexpr std::string_view PACKET_TYPE_FLAT = "flat";
inline constexpr std::string_view PERSONALITY_MAIN = "main";
inline constexpr std::string_view PERSONALITY_BRANCH = "branch";
// The "c:" value for the replicated directory itself.
inline constexpr std::string_view CHECKEDOUT_TOP = ".";

// Sections 4 and 5 begin with a keyword and ">"; records end with ">".
inline constexpr char SECTION_RECORD_END = '>';
inline constexpr std::string_view POST_KEYWORD = "POST";
inline constexpr std::string_view DESTROY_KEYWORD = "DESTROY";
inline constexpr std::string_view NONE_KEYWORD = "NONE";

// Section 4 field rules.
inline constexpr char POST_FIELD_SEPARATOR = '|';
inline constexpr char TYPE_BACK_REFERENCE = '=';    // "=%d"
inline constexpr char OBJECT_BACK_REFERENCE = '<';  // "<%d"
inline constexpr std::size_t ATTR_VALUE_MAX = 5109;
inline constexpr std::size_t BACK_REFERENCE_TABLE_MAX = 20480;

// Section 5: the object text of a removal request holds no ">"; each is
// written as a blank.
inline constexpr char DESTROY_FIELD_SEPARATOR = '|';

// Section 6: "path|owner|group|permissions;".
inline constexpr char NELE_FIELD_SEPARATOR = '|';
inline constexpr char NELE_RECORD_END = ';';

// Data files: "zeb.%04d" from one running number; number 0 is the empty file.
inline constexpr std::string_view DATA_FILE_PREFIX = "zeb.";
std::string data_file_name(long number);

// Suffixes of the receiver's section files, added to the packet base name.
inline constexpr std::string_view HEADER_RECORDS_SUFFIX = ".pre";
inline constexpr std::string_view POST_SECTION_SUFFIX = ".post";
inline constexpr std::string_view DESTROY_SECTION_SUFFIX = ".dhist";
inline constexpr std::string_view NEW_ELEMENTS_SUFFIX = ".nele";
// The receiver puts this line before the packet's config spec.
inline constexpr std::string_view RECEIVER_CS_PREFIX = "element * CHECKEDOUT\n";

// Section 1: tags of the element description. Value lines read
// "<tag> <length>:<value>\n"; the tags below include their blank where the
// export text has one directly after the tag word.
inline constexpr std::string_view TAG_EXPORT_FROM_DIR = "ExportFromDir";
inline constexpr std::string_view TAG_EXTRACT_FILE = "ExtractFile";
inline constexpr std::string_view TAG_DIR_NAME = "DirName ";
inline constexpr std::string_view TAG_NAME = "Name ";
inline constexpr std::string_view TAG_EL_TYPE = "ElType ";
inline constexpr std::string_view TAG_TARGET_NAME = "TargetName ";
inline constexpr std::string_view TAG_VERSION_ID = "VersionId ";
inline constexpr std::string_view TAG_SUB_BRANCH = "SubBranch ";
inline constexpr std::string_view TAG_ON_BRANCH = "OnBranch ";
inline constexpr std::string_view TAG_MERGE = "Merge ";
inline constexpr std::string_view TAG_FMERGE = "FMerge ";
inline constexpr std::string_view TAG_LABEL = "Label ";
inline constexpr std::string_view TAG_ATTRIB = "Attrib ";
inline constexpr std::string_view TAG_BR_TYPE = "BrType ";
inline constexpr std::string_view TAG_LB_TYPE = "LbType ";
inline constexpr std::string_view TAG_ATTR_TYPE = "AttrType ";

inline constexpr std::string_view ELEMENT_BEGIN = "ELEMENT_BEGIN";
inline constexpr std::string_view ELEMENT_END = "ELEMENT_END";
inline constexpr std::string_view VERSION_BEGIN = "VERSION_BEGIN";
inline constexpr std::string_view VERSION_END = "VERSION_END";
inline constexpr std::string_view DIR_BEGIN = "DIR_BEGIN";
inline constexpr std::string_view DIR_END = "DIR_END";
inline constexpr std::string_view BRTYPE_BEGIN = "BRTYPE_BEGIN";
inline constexpr std::string_view BRTYPE_END = "BRTYPE_END";
inline constexpr std::string_view LBTYPE_BEGIN = "LBTYPE_BEGIN";
inline constexpr std::string_view LBTYPE_END = "LBTYPE_END";
inline constexpr std::string_view ATTYPE_BEGIN = "ATTYPE_BEGIN";
inline constexpr std::string_view ATTYPE_END = "ATTYPE_END";

// Every metadata pass ends its output with one line of this many blanks.
inline constexpr std::size_t METADATA_PASS_PAD = 75;

// Deployment packets: section 1 lists "F:<path>\n" (a file, paired in order
// with the data files) and "D:<path>\n" (a directory to create).
inline constexpr std::string_view DEPLOY_FILE_LINE = "F:";
inline constexpr std::string_view DEPLOY_DIR_LINE = "D:";

// Whether a path carried in a packet stays below the directory it is meant
// for: not empty, relative (no leading "/" or "\"), no ".." component with
// "/" or "\" as separators (the receiver turns "\" into "/"), no NUL or
// newline. "." names the directory itself and is accepted.
bool packet_path_stays_inside(std::string_view path);
