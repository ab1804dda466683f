// Normalisation of a received element description (<base>.unorm) into the
// file the import utility reads (<base>.zeb): the export directory points at
// the receiving directory, ignored branch, label and attribute data and
// everything that refers to types locked in the receiving VOB are left out,
// elements left without versions are dropped, the table of contents goes to
// the TOC log, and versions are sorted into new ones (APPLY_PACKET's
// new-version list) and existing ones (reported to the e-mail digest and the
// warnings log).
//
// The input streams through in constant memory; dropped versions and
// elements are cut off the output by moving back and truncating.
#pragma once

#include <string>

// data_path: the packet's data file (its last component names the packet);
// in_path: the element description; out_path: the normalised file (created
// anew, private); receiving_dir: where the extracted data files lie;
// vob_tag and vob_path: the receiving VOB and its path below the view root.
// Returns 1 on success, 0 on failure (logged with class 'e').
int normalize_file(const std::string& data_path, const std::string& in_path, const std::string& out_path,
                   const std::string& receiving_dir, const std::string& vob_tag, const std::string& vob_path);
int normalize_file_(const std::string& data_path, const std::string& in_path, const std::string& out_path,
                    const std::string& receiving_dir, const std::string& vob_tag, const std::string& vob_path);

// The last path component of a packet data file path.
std::string packet_file_name(const std::string& data_path);
