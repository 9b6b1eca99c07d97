#pragma once
// Each run of a program gets a temporary folder of its own, private to the user:
//
//   <$TMPDIR or /tmp>/tarvo-<uid>/             the user's folder, 0700, owned by the user
//   <$TMPDIR or /tmp>/tarvo-<uid>/run-<pid>-<random>/   this run's folder, 0700, made fresh
//
// A folder that another user owns, or a link where a folder should be, is refused with an
// error instead of being used: someone who made it first could read or swap what we copy
// there. Each run folder holds a record of the process that made it ("owner": pid and start
// time), so that a later run of the same user can remove the folders of runs that were killed
// before they could clean up, and leave those of runs still going.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The record's file name inside a run folder.
inline constexpr const char* kRunFolderOwnerRecord = "owner";

// Removes the run folders in userFolder that belong to owner and whose recorded process is
// gone (or is another process with the same pid). Returns how many were removed. Never throws:
// a folder it cannot judge or remove is left.
std::size_t sweepStaleRunFolders(const std::string& userFolder, std::uint32_t owner);

// A new run folder for this process in the user folder for owner under base: the stale folders
// are swept first, then a fresh folder is made (never one that already existed) with this
// process's record in it. Throws NSError when the user folder is refused or nothing can be
// made.
std::string makeRunTemporaryFolder(const std::string& base, std::uint32_t owner);

// The process's run folder under $TMPDIR (or /tmp) for the effective user, made on the first
// call and removed at normal process exit. Throws NSError when it is refused.
std::string runTemporaryFolder();

// Removes the process's run folder and everything in it, now; a later runTemporaryFolder()
// makes a new one. Safe to call at any time, more than once, and when no folder was made: the
// end of a share (completed, cancelled, failed or closed) and a program's exit path call it.
void removeRunTemporaryFolder();

// The current run folder, if one was made and not yet removed.
std::optional<std::string> currentRunTemporaryFolder();

// The effective user id of this process.
std::uint32_t currentUserID();

}  // namespace platform
