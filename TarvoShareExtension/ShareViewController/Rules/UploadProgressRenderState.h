#pragma once
// What the share screen shows while an upload runs: the overall fraction, the detail line and
// the status line. Built on whatever thread reports progress (a plain value, no controls
// touched); the controller applies it on the main thread.
#include <optional>
#include <string>
#include <string_view>

#include "Core/TransferProgress.h"

namespace tarvo::share {

struct UploadProgressRenderState {
    float fraction = 0;   // overall progress of the whole upload, 0 ... 1
    std::string detail;   // "Overall 31% · item 2/4 · file 25% · 50 bytes / 200 bytes · app.zip"
    std::string status;   // "Uploading 2/4…"

    bool operator==(const UploadProgressRenderState&) const = default;
};

// The detail line the upload starts with, before any item.
inline constexpr std::string_view kPreparingUploadDetail = "Preparing upload\u2026";

// Item itemIndex (from 0) of itemCount (taken as at least 1), its file name and the transfer
// report when there is one. Out-of-range counts and byte totals are clamped, never trusted.
UploadProgressRenderState makeUploadProgressState(long long itemIndex, long long itemCount,
                                                  const std::optional<std::string>& filename,
                                                  const std::optional<TransferProgress>& progress);

// After completedItems of itemCount have been uploaded and verified.
UploadProgressRenderState uploadCompletionState(long long completedItems, long long itemCount,
                                                const std::optional<std::string>& filename);

}  // namespace tarvo::share
