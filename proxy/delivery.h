// Fetched packages wait in the staging directory until they are known whole;
// only then are they moved into the local directory, data first and the
// trailer last, so a reader of the local directory never sees a trailer
// whose data are incomplete.
#pragma once

#include <string>
#include <string_view>

#include "proxy/remote_listing.h"

// Decides whether the package staged in `staging` is whole. With an
// integrity line in its trailer, the digests decide (parts fetched beyond
// the count it names are strays of another packet and are dropped first).
// A trailer without one is accepted only after a session that reported no
// error, with the data file and parts 1..n all present. On true, `parts` is
// the package's number of extra parts; on false `reason` says why.
bool staged_package_whole(const std::string& staging, const RemotePackage& package, bool session_ok, int& parts,
                          std::string& reason);

// Moves the data file and parts 1..parts, then the trailer, from `staging`
// into `local`; parts of the same name beyond the package's last are removed
// from `local` first (leftovers of an earlier packet). On false `reason`
// says why; the trailer is then not moved.
bool deliver_package(const std::string& staging, const std::string& local, const RemotePackage& package, int parts,
                     std::string& reason);

// True when the local directory still holds the package's trailer or the
// receiver's busy flag for it: a fetch would overwrite files in use.
bool package_waiting_locally(const std::string& local, const RemotePackage& package);
