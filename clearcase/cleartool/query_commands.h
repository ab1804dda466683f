// Entry points of the read-only cleartool commands. Each takes the words
// after the command name and returns the exit status.
#pragma once

#include <string>
#include <vector>

namespace ccsub::query {

int cmd_lstype(const std::vector<std::string>& args);
int cmd_lslock(const std::vector<std::string>& args);
int cmd_describe(const std::vector<std::string>& args);
int cmd_find(const std::vector<std::string>& args);
int cmd_lsco(const std::vector<std::string>& args);
int cmd_ls(const std::vector<std::string>& args);
int cmd_diff(const std::vector<std::string>& args);
int cmd_lshistory(const std::vector<std::string>& args);
int cmd_lsvtree(const std::vector<std::string>& args);

}  // namespace ccsub::query
