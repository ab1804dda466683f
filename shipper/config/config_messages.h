// Messages of the shipper's configuration reader. Texts are kept exactly as
// operators and log readers know them, spelling included.
#pragma once

namespace shipper_config {

// First "%s" of the VOB key line refusals.
inline constexpr char REPLICATION_DENIED_[] = "REPLICATION DENIED: ";
inline constexpr char DEPLOYMENT_DENIED_[] = "DEPLOYMENT DENIED: ";

// Reading the file: START_FAILED/READ_FAILED, program, path.
inline constexpr char CONFIG_NOT_EXIST_MSG[] = "%s: %s Config. File (%s) does not exist or cannot be read";
inline constexpr char CONFIG_CANNOT_READ_MSG[] = "%s: %s Config. File (%s) cannot be read";
inline constexpr char CONFIG_EMPTY_MSG[] = "%s: %s Config. File (%s) does cannot be read or is empty";
// A file longer than the reader takes: the rest is not read.
inline constexpr char CONFIG_TRUNCATED_MSG[] =
    "%s: %s Config. File (%s) is longer than %ld bytes: the text beyond was not read";

// Global keys: START_FAILED, program, configuration path, then the values.
inline constexpr char NO_SHIPPER_ID_MSG[] = "%s: %s Config. File (%s) has Required shipper_id not defined.";
inline constexpr char WRONG_SHIPPER_ID_MSG[] =
    "%s: %s Config. File (%s) has Required Shipper ID (%s) defined as proper runner not userid (%s)...";
inline constexpr char NO_VIEW_MSG[] = "%s: %s Config. File (%s) has Required replica view not defined";
inline constexpr char VIEW_NOT_EXIST_MSG[] =
    "%s: %s Config. File (%s): defined replication view (%s) does not exist...";
inline constexpr char VIEW_NOT_START_MSG[] =
    "%s: %s Config. File (%s): defined replication view (%s) would not start...";
inline constexpr char NO_LOCATION_MSG[] = "%s: %s Config. File (%s) has Required Location name not defined";
inline constexpr char NO_TRANSPORT_MSG[] = "%s: %s Config. File (%s) has required Transport Program not defined";
inline constexpr char BAD_TRANSPORT_MSG[] =
    "%s: %s Config. File (%s) has TRANSPORT_PROGRAM not program from [%s, %s, %s, %s, %s, %s]";
inline constexpr char BAD_TRANSPORT_TIME_LIMIT_MSG[] =
    "%s: %s Config. File (%s) has TRANSPORT_TIME_LIMIT out of range [%d..%d] seconds";
inline constexpr char NO_UTC_OFFSET_MSG[] = "%s: %s Config. File (%s) has Required UTC_offset not defined";
inline constexpr char BAD_DURATION_SCALE_MSG[] =
    "%s: %s Config. File (%s) has DURATION_SCALE out of range [%s, %s, %s]";
inline constexpr char SCALE_OUT_OF_RANGE_MSG[] = "%s: %s Config. File (%s) has %s out of range [%d..%d]";
inline constexpr char BAD_DURATION_MSG[] = "%s: %s Config. File (%s) has DURATION out of range [%d..%d] %ss";
inline constexpr char CLASS_IN_CLASS_FILE_MSG[] =
    "%s: %s Config. File (%s) has illegal ADDITIONAL CLASS(ES) defined in shipping class file (%c)";
inline constexpr char CLASS_TWICE_MSG[] = "%s: %s Config. File (%s) has ADDITIONAL CLASS (%c) defined twice";
inline constexpr char CLASS_OUT_OF_RANGE_MSG[] = "%s: %s Config. File (%s) has ADDITIONAL CLASS out of range [%c..%c]";

// VOB key lines: REPLICATION DENIED/DEPLOYMENT DENIED, program, path, ..., the key.
inline constexpr char VOB_ID_RANGE_MSG[] = "%s%s Config. File (%s) had VOB_ID out of range [%d..%d] for VOB key (%s)";
inline constexpr char BAD_UNIX_TAG_MSG[] = "%s%s Config. File (%s) has invalid Unix VOB_TAG for VOB key (%s)";
inline constexpr char BAD_WINDOWS_TAG_MSG[] = "%s%s Config. File (%s) has invalid Windows VOB_TAG for VOB key (%s)";
inline constexpr char MISSING_ORIG_MSG[] = "%s%s Config. File (%s) had missing VOB_ORIG_PORTION for VOB key (%s)";
inline constexpr char BAD_ORIG_MSG[] = "%s%s Config. File (%s) had invalid VOB_ORIG_PORTION for VOB key (%s)";
inline constexpr char ABSOLUTE_ORIG_MSG[] =
    "%s%s Config. File (%s) had invalid absolute VOB_ORIG_PORTION for VOB key (%s)";
inline constexpr char RELATIVE_ORIG_MSG[] =
    "%s%s Config. File (%s) had invalid relative VOB_ORIG_PORTION for VOB key (%s)";
inline constexpr char TRAILING_ORIG_MSG[] =
    "%s%s Config. File (%s) had invalid trailing char in VOB_ORIG_PORTION for VOB key (%s)";
inline constexpr char MISSING_DEST_MSG[] =
    "%s%s Config. File (%s) had missing VOB_DESTINATION or DEPLOYMENT_MARKER for VOB key (%s)";
inline constexpr char BAD_DEST_MSG[] = "%s%s Config. File (%s) had invalid VOB_DESTINATION for VOB key (%s)";
inline constexpr char MIXED_DEST_MSG[] =
    "%s%s Config. File (%s) had invalid VOB_DESTINATION for VOB key (%s). Contains mixed Windows '\\' and Unix '/' "
    "style characters..";
inline constexpr char RELATIVE_DEST_MSG[] =
    "%s%s Config. File (%s) had invalid relative VOB_DESTINATION for VOB key (%s)";
inline constexpr char MISSING_DEPLOY_MSG[] = "%s%s Config. File (%s) had missing DEPLOYMENT_LOCATION for VOB key (%s)";
inline constexpr char BAD_DEPLOY_MSG[] = "%s%s Config. File (%s) had invalid DEPLOYMENT_LOCATION for VOB key (%s)";
inline constexpr char UNC_SUFFIX[] = ".  UNC paths not supported in this field.";
inline constexpr char RELATIVE_DEPLOY_MSG[] =
    "%s%s Config. File (%s) had invalid relative DEPLOYMENT_LOCATION for VOB key (%s)";
inline constexpr char MISSING_DEST_PORTION_MSG[] =
    "%s%s Config. File (%s) had missing VOB_DEST_PORTION for VOB key (%s)";
inline constexpr char BAD_DEST_PORTION_MSG[] = "%s%s Config. File (%s) had invalid VOB_DEST_PORTION for VOB key (%s)";
inline constexpr char ABSOLUTE_DEST_PORTION_MSG[] =
    "%s%s Config. File (%s) had invalid absolute VOB_DEST_PORTION for VOB key (%s)";
inline constexpr char RELATIVE_DEST_PORTION_MSG[] =
    "%s%s Config. File (%s) had invalid relative VOB_DEST_PORTION for VOB key (%s)";
inline constexpr char BAD_PERSONALITY_MSG[] =
    "%s%s Config. File (%s) had invalid SHIPPING_PERSONALITY for VOB key (%s). Value not \"%s\" or \"%s\".";
inline constexpr char BAD_DESIGNATOR_MSG[] =
    "%s%s Config. File (%s) had invalid %s for VOB key (%s). must be \"[E]:\" or \"[O]:\"";
inline constexpr char DESIGNATOR_COUNT_MSG[] =
    "%s%s Config. File (%s) had too many %s for VOB key (%s). %s must between 1 and %d";
inline constexpr char MAIN_EXCLUDED_MSG[] =
    "%s%s Config. File (%s) had invalid BRANCH EXCLUSION of (main) for VOB key (%s).";
// A receiving location name must stay a plain part of a file name.
inline constexpr char BAD_LOCATION_MSG[] =
    "%s%s Config. File (%s) had invalid receiving location (%s) for VOB key (%s)";

// Include files: REPLICATION DENIED, path, ...
inline constexpr char INCLUDE_CANNOT_READ_MSG[] = "%s Config. Include File (%s) cannot be read";
inline constexpr char INCLUDE_VOB_ID_RANGE_MSG[] =
    "%s Config. Include File (%s) had VOB_ID out of range [%d..%d] for VOB key (%s)";
inline constexpr char INCLUDE_BAD_NAME_MSG[] =
    "%s Config. Include File (%s) has Illegal name.  No dir char '/' allowed: only files of the config. directory "
    "are included";
inline constexpr char INCLUDE_TRUNCATED_MSG[] =
    "%s Config. Include File (%s) is longer than %ld bytes: the text beyond was not read";
inline constexpr char PASS_TEXT_FULL_MSG[] =
    "%s Config. File (%s) with its include files exceeds %ld bytes in one pass: the lines beyond were not read";

}  // namespace shipper_config
