#pragma once
// Security-scoped access to a URL handed over by another program. This platform runs the
// extension without a sandbox, so there is never a scope to open: start reports that no
// access was granted (nothing to stop later) and files are reached with the process's own
// permissions.
#include "platform/foundation/Url.h"

namespace platform {

inline bool startAccessingSecurityScopedResource(const URL&) { return false; }
inline void stopAccessingSecurityScopedResource(const URL&) {}

}  // namespace platform
