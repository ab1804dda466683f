// The history export: ClearCase's export utility run inside the export view
// on the replicated directory (recursively) or on the one replicated file.
#pragma once

#include <string>

// The export utility's name, composed at run time.
std::string export_utility_name();

// The shell text run inside the view: enter the directory (or the file's
// parent) and run the utility with "-r" for a directory, "-s <since>" when
// since is not empty, "-o <export>" and, for a file, its name. Every value is
// one quoted word.
std::string export_command_text(const std::string& replicated_path, bool is_dir, const std::string& since,
                                const std::string& export_path);

// Runs the export with `cleartool setview -exec` in `view`. Returns the
// command's status; whether the export file exists tells the caller the rest.
int export_history(const std::string& view, const std::string& replicated_path, bool is_dir, const std::string& since,
                   const std::string& export_path);
