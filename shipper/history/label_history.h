// The label and attribute section: label and attribute events from the
// VOB's history since the packet's since time that the exported versions do
// not already carry (a label on a version whose content travels is in the
// element description), newest first, each label or attribute on an object
// once, with back-references for repeated names, objects and values.
#pragma once

#include <string>
#include <unordered_set>

#include "shipper/history/packet_streams.h"

struct HistoryScope {
    std::string vob_tag;    // "/vobs/src"
    std::string repl_dir;   // replicated directory, VOB-tag-rooted ("/vobs/src/lib")
    std::string view_root;  // "/view/<view>"
    // The versions of the export, as view paths ("/view/v/vobs/src/a.c@@/main/2").
    const std::unordered_set<std::string>* exported_versions = nullptr;
    // The packet carries the VOB's whole history: labels and attributes of
    // versions travel with the exported versions, so only the attributes
    // that elements and branches hold now are written (the newest event of
    // each decides; one removed since is simply left out).
    bool whole_history = false;
};

// Runs `cleartool lshistory -minor` (recursively in the export view for a
// directory, on the view path for a single file) since `since_local` (empty
// or one character: all history) into `history_file`, created privately.
// 0 when the command cannot be run or fails.
int gather_label_history(const std::string& view_tag, const std::string& repl_dir, const std::string& view_path,
                         bool is_dir, const std::string& since_local, const std::string& history_file);

// Appends the label records, then the attribute records, of the history in
// `history_file` to the head file (for a whole history only the element and
// branch attribute records). Returns 0 when a record cannot be
// written, or when a label or attribute event names no object (logged
// "failed ctar on step 10 (<head>) : unexpected history (<line>)").
int write_label_and_attribute_records(const std::string& history_file, const HistoryScope& scope, HeadFile& head);
