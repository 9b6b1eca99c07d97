#pragma once
// Security-scoped access to a URL handed over by another program. This platform runs the
// extension without a sandbox, so there is never a scope to open: start reports that no
// access was granted (nothing to stop later) and files are reached with the process's own
// permissions.
#include <utility>

#include "platform/foundation/Url.h"

namespace platform {

inline bool startAccessingSecurityScopedResource(const URL&) { return false; }
inline void stopAccessingSecurityScopedResource(const URL&) {}

// Asks for the access when made and, when it was granted, ends it when destroyed, however the
// work in between ends.
class SecurityScopedAccess {
public:
    explicit SecurityScopedAccess(URL url) : url_(std::move(url)), granted_(startAccessingSecurityScopedResource(url_)) {}
    ~SecurityScopedAccess() {
        if (granted_) stopAccessingSecurityScopedResource(url_);
    }
    SecurityScopedAccess(const SecurityScopedAccess&) = delete;
    SecurityScopedAccess& operator=(const SecurityScopedAccess&) = delete;

    bool granted() const noexcept { return granted_; }

private:
    URL url_;
    bool granted_;
};

}  // namespace platform
