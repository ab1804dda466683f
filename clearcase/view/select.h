// Version selection: which version of an element a view shows, by its
// config spec (first matching rule that yields a version wins).
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "clearcase/store/store.h"
#include "clearcase/view/configspec.h"

namespace ccsub {

struct Selection {
    int64_t version_id = 0;  // checked-in version shown
    int64_t co_id = 0;       // checkout shown (CHECKEDOUT rule)
    int rule = -1;           // index of the rule that selected it
    bool slink = false;      // symbolic links need no version
    bool visible() const { return version_id || co_id || slink; }
};

// A view with its parsed config spec; caches type lookups by name.
class ViewCtx {
public:
    ViewCtx(Store& st, const ViewRec& view);
    Store& store() { return st_; }
    const ViewRec& view() const { return view_; }
    const ConfigSpec& spec() const { return cs_; }
    bool spec_ok() const { return cs_ok_; }
    // Selection for an element at the given VOB-tag-rooted path.
    Selection select(const ElementRec& e, const std::string& path);
    // The first rule matching the element, whatever it yields (-1 if none).
    int matching_rule(const ElementRec& e, const std::string& path) const;
    int64_t type_id(int64_t vob_id, const std::string& kind, const std::string& name);

private:
    Store& st_;
    ViewRec view_;
    ConfigSpec cs_;
    bool cs_ok_ = false;
    std::map<std::string, int64_t> type_cache_;
};

}  // namespace ccsub
