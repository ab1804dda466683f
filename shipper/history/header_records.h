// Header records that come from questions to ClearCase: element types with
// their supertypes, the branch, label and attribute types the packet uses,
// and the elements checked out in the export view.
#pragma once

#include <string>

#include "shipper/history/packet_streams.h"

// "e:<type>:<supertype>;" for each element type of the VOB that has a
// supertype, oldest first. 0 when the type listing cannot be run.
int write_eltype_records(HeadFile& pre, const std::string& vob_tag);

// "G:"/"b:" for every branch type in REPLICATED_TYPES, "g:" and "y:" for the
// global label and attribute types. 0 when a record cannot be written.
int write_type_records(HeadFile& pre, const std::string& vob_tag);

// "c:" records for the checkouts below the replicated item: the element
// path relative to the replicated directory with "@@" and the branch path,
// "c:.;" for the replicated directory itself. `view_path` is the replicated
// item in the export view; for a single file the replicated directory is
// its parent. 0 when the listing cannot be run or a record not written.
int write_checkedout_records(HeadFile& pre, const std::string& view_path, bool is_dir);

// Turns one checkout name ("<pname>@@<branch>/CHECKEDOUT") into its record
// value relative to `repl_view_dir`; false when it lies outside it. The
// replicated directory itself gives "" (written as "c:.;").
bool checkedout_value(const std::string& name, const std::string& repl_view_dir, std::string& value);
