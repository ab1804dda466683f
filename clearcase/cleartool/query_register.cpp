// Registers the read-only commands with cleartool's dispatcher.
#include "clearcase/cleartool/dispatch.h"
#include "clearcase/cleartool/query_commands.h"

namespace ccsub {
namespace {

CLEARTOOL_COMMAND("describe", query::cmd_describe);
CLEARTOOL_COMMAND("lstype", query::cmd_lstype);
CLEARTOOL_COMMAND("lslock", query::cmd_lslock);
CLEARTOOL_COMMAND("find", query::cmd_find);
CLEARTOOL_COMMAND("lscheckout", query::cmd_lsco);
CLEARTOOL_COMMAND("lsco", query::cmd_lsco);
CLEARTOOL_COMMAND("ls", query::cmd_ls);
CLEARTOOL_COMMAND("diff", query::cmd_diff);
CLEARTOOL_COMMAND("lshistory", query::cmd_lshistory);
CLEARTOOL_COMMAND("lsvtree", query::cmd_lsvtree);

}  // namespace
}  // namespace ccsub
