// clearimport's logic: reads an export data file and creates in the target
// what is missing there, leaving existing versions alone.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "clearcase/exchange/data_dir.h"
#include "clearcase/exchange/import_target.h"

namespace ccx {

struct ImportOptions {
    std::string comment;
    bool has_comment = false;  // -c given: it overrides the comments of the data file
    bool nolab = false;        // -nolab: never label directory versions
    bool master = false;       // accepted, no effect (no replicas here)
    bool identical = false;    // -i: accepted; versions are created whatever their contents
    bool verbose = false;      // -v: one line per created version
    bool no_op = false;        // -n: accepted, no effect
    std::string target_dir;    // -d: target instead of the current directory
    std::string datafile;      // the last operand
};

// Parses argv without the program name. Accepts "-i <file>" as well (the flag
// followed by the data file as the last operand).
bool parse_import_args(const std::vector<std::string>& args, ImportOptions& opts, std::string& err);

struct ImportCounts {
    long elements = 0, directories = 0, links = 0;
    long versions_created = 0, versions_present = 0;
};

// Exit statuses of the run.
inline constexpr int kImportOk = 0;
inline constexpr int kImportTrouble = 1;
inline constexpr int kImportFatal = 2;

class ImportEngine {
public:
    ImportEngine(ImportTarget& target, const ImportOptions& opts, std::FILE* out, std::FILE* err)
        : target_(target), opts_(opts), out_(out), err_(err) {}

    // Imports from an open data file. Data files are looked for in the
    // directory its ExportFromDir line names, which the rules must accept
    // (else nothing is imported), and in the data file's own directory when
    // it has no such line.
    int run(std::FILE* data, const DataDirRules& rules);

    const ImportCounts& counts() const { return counts_; }

private:
    void import_type(const ExportType& type);
    bool ensure_dir(const std::string& rel, std::string& why);
    void import_dir(const ExportDir& dir);
    void import_element(const ExportElement& element);
    void import_link(const ExportElement& element);
    void import_file(const ExportElement& element);
    // Returns false when the version could not be brought into existence.
    bool import_version(const std::string& rel, const ExportVersion& v,
                        std::vector<std::pair<std::string, std::string>>& origins,
                        std::vector<std::pair<std::string, std::string>>& arrows);
    bool data_file_path(const std::string& extract, std::string& path, std::string& why) const;
    std::string comment_for(const std::vector<ValueLine>& extras) const;
    void trouble(const std::string& rel, const std::string& vid, const std::string& why);
    void error_line(const std::string& text);

    ImportTarget& target_;
    const ImportOptions& opts_;
    std::FILE* out_;
    std::FILE* err_;
    std::string data_dir_;
    std::vector<std::string> store_dirs_;  // resolved version stores
    ImportCounts counts_;
    std::vector<std::string> trouble_elements_;
    bool other_trouble_ = false;
};

// True when `rel` is a safe relative name below the target: no absolute
// path, no "..", no empty component, no version-extended part.
bool safe_relative_name(const std::string& rel);

}  // namespace ccx
