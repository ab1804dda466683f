// The tree description of a deployment: deployments carry plain files, not
// history, so instead of the export utility the shipping pass describes the
// directory (or the one file) to deploy in the export text's own grammar,
// with the real byte length of every value.
#pragma once

#include <string>

// Writes `export_path` for the directory or file `view_path` of the export
// view ("/view/<view><path>"): "ExportFromDir" with the view path of the
// directory, a "DIR_BEGIN"/"DirName"/"DIR_END" block per directory and an
// "ELEMENT_BEGIN"/"Name"/"ExtractFile"/"ELEMENT_END" block per file, names
// relative to that directory ("./sub/a.txt" as `cleartool find` lists
// them). The two listings "<export>_d" and "<export>_f" are removed after
// use. Returns 1, or 0 with a reason in `error` (the export is then removed).
int describe_deployment_tree(const std::string& view_path, bool is_dir, const std::string& export_path,
                             std::string& error);
