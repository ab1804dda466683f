#include "shipout/vob_id.h"

#include "common/cc_query.h"

namespace shipout {

std::string vob_database_id(const std::string& vob_tag) {
    const std::string& id = get_VOB_db_id(vob_tag);
    if (id == VOB_DB_ID_UNKNOWN) return std::string();
    return id;
}

}  // namespace shipout
