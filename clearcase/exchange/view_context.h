// Where an export or import runs: the view and the VOB-tag-rooted directory.
//
// Both utilities run inside "cleartool setview -exec": the current directory
// is either a real directory below /view/<tag>/..., or (in setview's private
// namespace) a VOB-tag-rooted path such as /vobs/src/a, with CLEARCASE_ROOT
// naming the view.
#pragma once

#include <string>

namespace ccx {

struct ViewContext {
    std::string view_tag;
    std::string dir;  // VOB-tag-rooted, normalised: "/vobs/src/a"
};

// Resolves `cwd` (a physical path) with the view root and the value of
// CLEARCASE_ROOT (may be empty). Returns false with a reason in `err`.
bool resolve_view_context(const std::string& cwd, const std::string& view_root, const std::string& clearcase_root,
                          ViewContext& out, std::string& err);

// Same, from the process's own working directory and environment.
bool current_view_context(ViewContext& out, std::string& err);

// Turns an operand into a VOB-tag-rooted path: absolute view paths lose their
// "/view/<tag>" prefix, relative ones are joined to `dir`.
std::string operand_to_vob_path(const std::string& operand, const ViewContext& ctx, const std::string& view_root);

// "a/b" for "/vobs/src/a/b" below "/vobs/src"; "." for the directory itself;
// empty when `path` is not within `dir`.
std::string relative_to(const std::string& path, const std::string& dir);

}  // namespace ccx
