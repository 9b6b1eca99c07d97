#pragma once
// Holds back the server stack's rebuilds for the length of one change: a rebuild asked for
// meanwhile happens once, when the outermost batch ends. Nothing inside a change reads the
// stack's rows, so only the last build is ever seen.
#include <exception>

#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

namespace tarvo {

class ServerStackBatch {
public:
    explicit ServerStackBatch(ShareViewController& c) : c_(c), unwinding_(std::uncaught_exceptions()) {
        ++c_.serverStackBatchDepth;
    }
    // Rebuilding may throw like any build of the screen; while an exception already unwinds the
    // change, the rebuild stays pending for the next one instead.
    ~ServerStackBatch() noexcept(false) {
        if (--c_.serverStackBatchDepth > 0 || !c_.serverStackRebuildPending) return;
        if (std::uncaught_exceptions() > unwinding_) return;
        c_.rebuildMultiServerStack();
    }
    ServerStackBatch(const ServerStackBatch&) = delete;
    ServerStackBatch& operator=(const ServerStackBatch&) = delete;

private:
    ShareViewController& c_;
    int unwinding_;
};

}  // namespace tarvo
