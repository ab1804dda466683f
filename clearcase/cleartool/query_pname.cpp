// Resolution of pnames for the read-only commands (see query_pname.h).
#include "clearcase/cleartool/query_pname.h"

#include <cstdlib>
#include <filesystem>

#include "clearcase/cleartool/query_common.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sqlite.h"
#include "clearcase/util/sys.h"

namespace ccsub::query {
namespace {

// The materialised selection of one VOB path in a view.
struct MatRow {
  int64_t eid = 0;
  std::string sel;
};

std::optional<MatRow> mat_row(Store& store, int64_t view_id, const std::string& vob_path) {
  Stmt s(store.db(), "SELECT eid, sel FROM mat WHERE view_id=? AND path=?");
  s.bind(1, view_id).bind(2, vob_path);
  if (!s.step()) return std::nullopt;
  return MatRow{s.i64(0), s.text(1)};
}

bool all_digits(const std::string& s) {
  return !s.empty() && s.size() < 19 && s.find_first_not_of("0123456789") == std::string::npos;
}

// Fills version/branch/checkout from the view's selection of the element.
bool apply_selection(Store& store, const MatRow& row, Resolved& r) {
  if (r.element.is_slink() || row.sel == "slink") {
    r.names = "slink";
    return true;
  }
  if (row.sel.rfind("co:", 0) == 0 && all_digits(row.sel.substr(3))) {
    r.checkout = store.checkout_by_id(std::stoll(row.sel.substr(3)));
    if (!r.checkout) return false;
    r.branch = store.branch(r.checkout->branch_id);
    r.version = store.version(r.checkout->pred_vid);
    r.names = "checkout";
    return true;
  }
  std::optional<VersionRec> v;
  if (all_digits(row.sel))
    v = store.version(std::stoll(row.sel));
  else
    v = store.version_by_vid(r.element.id, row.sel);
  if (!v) return false;
  r.version = v;
  r.branch = store.branch(v->branch_id);
  r.names = "version";
  return true;
}

// Interprets the part after "@@": "", "/main/dev", "/main/dev/3",
// "/main/dev/LATEST", "/main/dev/CHECKEDOUT".
bool apply_extension(Store& store, const std::string& ext, Resolved& r) {
  if (ext.empty() || ext == "/") {
    r.names = "element";
    return true;
  }
  if (r.element.is_slink()) return false;
  if (auto br = store.branch_by_path(r.element.id, ext)) {
    r.branch = br;
    r.names = "branch";
    return true;
  }
  size_t k = ext.rfind('/');
  if (k == std::string::npos || k == 0) return false;
  std::string leaf = ext.substr(k + 1);
  if (leaf == "CHECKEDOUT") {
    auto br = store.branch_by_path(r.element.id, ext.substr(0, k));
    if (!br || !r.view) return false;
    auto co = store.checkout_in_view(r.element.id, r.view->id);
    if (!co || co->branch_id != br->id) return false;
    r.checkout = co;
    r.branch = br;
    r.version = store.version(co->pred_vid);
    r.names = "checkout";
    return true;
  }
  auto v = store.version_by_vid(r.element.id, ext);
  if (!v) return false;
  r.version = v;
  r.branch = store.branch(v->branch_id);
  r.names = "version";
  return true;
}

}  // namespace

std::string absolute_of(const std::string& operand) {
  if (!operand.empty() && operand[0] == '/') return operand;
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  if (ec) return operand;
  if (operand.empty() || operand == ".") return cwd;
  return cwd + "/" + operand;
}

bool split_view_path(const std::string& abs_path, std::string& view_tag, std::string& vob_path) {
  std::string root = view_root();
  std::string p = abs_path;
  // /view/W/view/... is the whole view root again, as under the real file system.
  for (int depth = 0; depth < 8 && path_within(p, root) && p.size() > root.size() + 1; ++depth) {
    std::string below = p.substr(root.size() + 1);
    size_t slash = below.find('/');
    view_tag = below.substr(0, slash);
    vob_path = slash == std::string::npos ? "/" : below.substr(slash);
    if (!path_within(vob_path, root)) return true;
    p = vob_path;
  }
  if (path_within(p, root)) return false;
  const char* set_root = std::getenv("CLEARCASE_ROOT");
  if (set_root && path_within(set_root, root) && std::string(set_root).size() > root.size() + 1) {
    view_tag = basename_of(set_root);
    vob_path = p;
    return true;
  }
  return false;
}

std::string checkout_vid(Store& store, const CheckoutRec& co) {
  return store.branch_path(co.branch_id) + "/CHECKEDOUT";
}

bool resolve_operand(Store& store, const std::string& operand, Resolved& r, bool quiet) {
  auto fail = [&](const std::string& why) {
    if (!quiet) print_error(why);
    return false;
  };
  r = Resolved{};
  r.given = operand;
  size_t at = operand.find("@@");
  std::string ext;
  r.given_base = operand.substr(0, at);
  if (at != std::string::npos) {
    r.extended = true;
    ext = operand.substr(at + 2);
  }
  if (r.given_base.empty()) return fail("Unable to access \"" + operand + "\": No such file or directory.");
  std::string abs = normalize_path(absolute_of(r.given_base));
  std::string view_tag;
  if (!split_view_path(abs, view_tag, r.vob_path))
    return fail("Pathname is not within a VOB: \"" + operand + "\"");
  r.vob_path = normalize_path(r.vob_path);
  auto vob = store.vob_for_path(r.vob_path);
  if (!vob) return fail("Pathname is not within a VOB: \"" + operand + "\"");
  r.vob = *vob;
  r.view = store.view_by_tag(view_tag);
  if (!r.view) return fail("Unable to access \"" + operand + "\": No such view \"" + view_tag + "\".");
  auto row = mat_row(store, r.view->id, r.vob_path);
  if (!row && r.vob_path == vob->tag && vob->root_eid) {
    auto main = store.main_branch(vob->root_eid);
    std::optional<VersionRec> latest;
    if (main) latest = store.latest_version(main->id);
    if (latest) row = MatRow{vob->root_eid, std::to_string(latest->id)};
  }
  if (!row) return fail("Unable to access \"" + operand + "\": No such file or directory.");
  auto el = store.element(row->eid);
  if (!el) return fail("Unable to access \"" + operand + "\": No such file or directory.");
  r.element = *el;
  bool ok = r.extended ? apply_extension(store, ext, r) : apply_selection(store, *row, r);
  if (!ok) return fail("Unable to access \"" + operand + "\": No such file or directory.");
  return true;
}

}  // namespace ccsub::query
