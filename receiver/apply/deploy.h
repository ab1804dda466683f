// Deployment packages: the files and directories of a "flat" packet are
// written as plain files into the deployment directory of this site, and
// every entry is acknowledged in the deployment log.
//
// Entries can never reach outside the deployment directory: a path that is
// absolute or climbs out with "..", or whose way passes through a symbolic
// link, is refused and ends the deployment. Each file is written under a
// temporary name created exclusively in its directory and renamed into
// place, so a reader never sees half a file and a link planted at the name
// is replaced, never written through.
#pragma once

#include <string>

// listing: the normalised packet (lines "D:<dir>" and "F:<file>", relative
// to the target); the data files zeb.0000, zeb.0001, ... lie next to it and
// pair with the "F:" lines in order. target: the deployment directory.
// package: the packet's data file path, named in messages.
// Returns 0 on success, -1 on failure; entries written before a failure stay.
int deploy_package(const std::string& listing, const std::string& target, const std::string& package);

// The deployment step of the service loop: logs the start, calls
// deploy_package and logs the end, complete or incomplete. Returns the
// result of deploy_package (-1: the packet must not be confirmed).
int run_deployment(const std::string& listing, const std::string& target, const std::string& package);
