// The import utility's output files ("catcho.<pid>", "catche.<pid>") of a
// receiver run that was killed before the end of its packet stay in the
// receiving directory; this sweep removes them once their process is gone.
#pragma once

#include <string>

// Removes from `receiving_dir` every regular file or symbolic link named
// exactly "catcho.<pid>" or "catche.<pid>" whose process is not running and
// is not this one; a link is removed as a name, never followed. Logs one
// line per removed file; returns how many were removed.
int remove_stale_import_outputs(const std::string& receiving_dir);
