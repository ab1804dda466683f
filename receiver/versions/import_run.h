// The import of a VOB packet's element versions: the data files the element
// description names are checked, the import utility runs in the import view
// with its outputs collected, and then the prepared directories are checked
// in, the directory protections applied and the outcome judged.
#pragma once

#include <functional>
#include <string>

#include "common/command.h"

// Every version of the element description (the normalised <base>.zeb)
// whose "ExtractFile" names anything but a data file of this packet
// ("zeb.NNNN" below data_files, a regular file in receiving_dir) is left out
// of the import with a warning, so that no version is made with an empty or
// foreign content; such a version stays on the new-version list and is
// reported as not replicated. An element left without versions is left out.
// data_files: the number of data files the extraction wrote
// (EXTRACT.XTAR_IMPORT_I), or -1 to accept any number.
// Returns 1 when the file was checked (and rewritten when needed), 0 when it
// could not be read or written (logged with class 'e').
int check_data_files(const std::string& zeb_path, const std::string& receiving_dir, const std::string& data_path,
                     long data_files);

// The names of the import output files of this process in receiving_dir.
struct ImportOutputs {
    std::string catcho;  // standard output
    std::string catche;  // error output
};
ImportOutputs import_output_names(const std::string& receiving_dir);

// The command that runs the import utility on zeb_path inside the import
// view, in the VOB path, appending its outputs to the two files.
Command import_command(const std::string& zeb_path, const std::string& vob_path, const ImportOutputs& outputs);

// Creates both output files empty (on the clean-up list) and runs the
// import. Returns the import's exit
// status (COMMAND_NOT_STARTED when it could not be started).
int run_import(const std::string& receiving_dir, const std::string& zeb_path, const std::string& vob_path,
               ImportOutputs& outputs);

// The whole import step of a VOB packet after its header records were
// applied (apply_header_records) and the label, attribute, removal, type and
// lock requests were handled: the end of the table of contents, the data
// file check, the import, the
// directory check-ins and protections, then `after_import` (the queued
// label, attribute and lock commands of the metadata operations), then the
// reports and the outcome (finish_import). Returns finish_import's result:
// 1 when the packet may be confirmed, 0 when the import failed.
int import_element_versions(const std::string& receiving_dir, const std::string& zeb_path, const std::string& data_path,
                            const std::string& vob_tag, const std::string& vob_path, const std::string& nele_path,
                            long data_files, const std::function<void()>& after_import = {});
