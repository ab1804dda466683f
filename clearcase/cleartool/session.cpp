#include "clearcase/cleartool/session.h"

#include "clearcase/store/mutate.h"
#include "clearcase/view/materialise.h"

namespace ccsub {

bool Session::open(bool writer) {
    writer_ = writer;
    if (!st.open(writer)) {
        cc_error(st.error());
        return false;
    }
    if (writer) in_txn_ = st.db().exec("BEGIN IMMEDIATE");
    return true;
}

void Session::begin_operand() {
    if (!in_txn_) return;
    st.db().exec("SAVEPOINT operand");
    trig_mark_ = st.pending_triggers().size();
}

void Session::end_operand(bool ok) {
    if (!in_txn_) return;
    if (!ok) {
        st.db().exec("ROLLBACK TO operand");
        st.pending_triggers().resize(trig_mark_);
    }
    st.db().exec("RELEASE operand");
}

int Session::finish(int status) {
    if (!writer_) return status;
    if (in_txn_) {
        if (!st.db().exec("COMMIT")) {
            cc_error("Unable to commit the change: " + st.db().error());
            st.db().exec("ROLLBACK");
            return 1;
        }
        in_txn_ = false;
    }
    refresh_views(st);
    st.unlock();
    run_pending_triggers(st);
    return status;
}

std::string comment_of(const ParsedOpts& o) {
    return o.has("comment") ? o.get("comment") : std::string();
}

}  // namespace ccsub
