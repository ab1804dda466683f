#include "clearcase/exchange/view_context.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "clearcase/util/sys.h"

namespace ccx {

bool resolve_view_context(const std::string& cwd, const std::string& view_root, const std::string& clearcase_root,
                          ViewContext& out, std::string& err) {
    const std::string here = ccsub::normalize_path(cwd);
    const std::string root = ccsub::normalize_path(view_root);
    if (ccsub::path_within(here, root) && here != root) {
        // /view/<tag>/<vob path...>
        const std::string rest = here.substr(root.size() + 1);
        const size_t slash = rest.find('/');
        out.view_tag = rest.substr(0, slash);
        out.dir = slash == std::string::npos ? "/" : ccsub::normalize_path(rest.substr(slash));
        return true;
    }
    if (!clearcase_root.empty()) {
        const std::string croot = ccsub::normalize_path(clearcase_root);
        out.view_tag = ccsub::basename_of(croot);
        out.dir = here;
        if (!out.view_tag.empty()) return true;
    }
    err = "Not in a view: \"" + cwd + "\" (no view is set)";
    return false;
}

bool current_view_context(ViewContext& out, std::string& err) {
    std::vector<char> buf(4096);
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (buf.size() > (1u << 20)) {
            err = "Unable to determine the current directory";
            return false;
        }
        buf.resize(buf.size() * 2);
    }
    const char* croot = std::getenv("CLEARCASE_ROOT");
    return resolve_view_context(buf.data(), ccsub::view_root(), croot ? croot : "", out, err);
}

std::string operand_to_vob_path(const std::string& operand, const ViewContext& ctx, const std::string& view_root) {
    if (!operand.empty() && operand.front() == '/') {
        const std::string p = ccsub::normalize_path(operand);
        const std::string prefix = ccsub::normalize_path(view_root) + "/" + ctx.view_tag;
        if (ccsub::path_within(p, prefix)) return p == prefix ? "/" : p.substr(prefix.size());
        return p;
    }
    return ccsub::normalize_path(ctx.dir + "/" + operand);
}

std::string relative_to(const std::string& path, const std::string& dir) {
    if (path == dir) return ".";
    if (!ccsub::path_within(path, dir)) return {};
    if (dir == "/") return path.substr(1);
    return path.substr(dir.size() + 1);
}

}  // namespace ccx
