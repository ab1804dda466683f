// -fmt facts and listing details of resolved pnames: labels, attributes and
// hyperlinks of versions, branches and elements, read over the store schema.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "clearcase/cleartool/query_pname.h"
#include "clearcase/fmt/fmt.h"

namespace ccsub {
class Store;
}

namespace ccsub::query {

std::vector<std::string> labels_of_version(Store& store, int64_t version_id);
// Attributes of an object ('element' | 'branch' | 'version'): name, value as shown.
std::vector<std::pair<std::string, std::string>> attributes_of(Store& store, const std::string& obj_kind,
                                                               int64_t obj_id);

struct HyperlinkRec {
    std::string type;   // hyperlink type name ("Merge")
    bool incoming;      // the arrow points at the described version
    std::string other;  // vid of the version at the other end
};
std::vector<HyperlinkRec> hyperlinks_of_version(Store& store, int64_t version_id);

// Extended name of what `r` names: "<given base>@@<vid>" for versions and
// checkouts, "@@<branch path>" for branches, "@@" for elements, the name
// itself for symbolic links.
std::string extended_name(Store& store, const Resolved& r);
// Version id (or branch path) of what `r` names; "" for elements and links.
std::string version_id_of(Store& store, const Resolved& r);

ObjectFacts object_facts(Store& store, const Resolved& r);

// First line of a plain describe: `version "f.c@@/main/3"`, `symbolic link "l" -> text`, ...
std::string describe_first_line(Store& store, const Resolved& r);

}  // namespace ccsub::query
