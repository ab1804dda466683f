// What the importer needs from the VOB it imports into. The import logic
// (import_engine.h) talks only to this interface, so that it can be tested
// against an in-memory double and run against the store in production.
//
// Paths are relative to the import's target directory ("." is the target
// itself, "lib/foo.c" below it). Version ids are "/main/dev/3". Every
// operation returns false with a short reason in `err` (no trailing period).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "clearcase/exchange/export_data.h"

namespace ccx {

enum class ObjectKind { none, file, directory, symlink };

class ImportTarget {
public:
    virtual ~ImportTarget() = default;

    // Kind of the element the view shows at `rel` (none when nothing is there).
    virtual ObjectKind lookup(const std::string& rel) = 0;

    // Types. A missing type is created from the block's properties (ordinary,
    // string-valued when the block carries none); an existing one is left as it is.
    virtual bool ensure_type(const ExportType& type, std::string& err) = 0;
    virtual bool ensure_element_type(const std::string& name, const std::string& supertype, std::string& err) = 0;

    // Directory elements and links; the parent must exist. The parent is
    // checked out as needed (and checked in again by finish()).
    virtual bool make_directory(const std::string& rel, const std::string& comment, std::string& err) = 0;
    virtual bool make_symlink(const std::string& rel, const std::string& text, const std::string& comment,
                              std::string& err) = 0;
    // A file element with its /main/0; owner/group/permissions when not empty.
    virtual bool make_file_element(const std::string& rel, const std::string& eltype, const std::string& owner,
                                   const std::string& group, const std::string& permissions, const std::string& comment,
                                   std::string& err) = 0;

    // Branches and versions of the file element at `rel`.
    virtual bool branch_exists(const std::string& rel, const std::string& branch_path) = 0;
    virtual bool version_exists(const std::string& rel, const std::string& vid) = 0;
    // Highest version number on the branch (nullopt when the branch is absent).
    virtual std::optional<long> latest_number(const std::string& rel, const std::string& branch_path) = 0;
    // Creates the branch (with its version 0) at `origin_vid`.
    virtual bool make_branch(const std::string& rel, const std::string& branch_path, const std::string& origin_vid,
                             const std::string& comment, std::string& err) = 0;
    // Creates version `number` on the branch with the bytes of `data_file`.
    virtual bool make_version(const std::string& rel, const std::string& branch_path, long number,
                              const std::string& data_file, const std::string& comment, std::string& err) = 0;

    // Metadata, with replace semantics. `object` is "" for the element, a branch
    // path or a vid. A missing label or attribute type is created ordinary.
    virtual bool set_label(const std::string& rel, const std::string& vid, const std::string& label,
                           std::string& err) = 0;
    virtual bool set_attribute(const std::string& rel, const std::string& object, const std::string& name,
                               const std::string& value, std::string& err) = 0;
    // Merge arrow from one version to another of the same element; an arrow
    // that is already there is left alone.
    virtual bool make_merge(const std::string& rel, const std::string& from_vid, const std::string& to_vid,
                            std::string& err) = 0;

    // Checks in the directories this run checked out (those found checked out
    // stay so). Returns false with a reason when one could not be checked in.
    virtual bool finish(std::string& err) = 0;
    // Makes the run's changes permanent. False means nothing was imported.
    virtual bool commit(std::string& err) {
        (void)err;
        return true;
    }
};

}  // namespace ccx
