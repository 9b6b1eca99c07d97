#pragma once
// What the share screen shows while a shared folder is zipped before its upload: the upload's
// progress bar and detail line, moved by the zip's work, under the item's preparing status.
#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/ShareViewController/Rules/UploadProgressRenderState.h"

namespace tarvo::share {

// Item itemIndex (from 0) of itemCount (taken as at least 1) while its zip has done
// progress.doneBytes of progress.totalBytes; the status is "Preparing d/c…". The byte counts
// shown are those of the archive being prepared: the same share of progress.archiveBytes.
UploadProgressRenderState makeZipProgressState(long long itemIndex, long long itemCount,
                                               const FolderZipProgress& progress);

}  // namespace tarvo::share
