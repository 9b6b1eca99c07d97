#pragma once
// Starting a draft's post-upload recipe on the server, right after the file was uploaded and
// verified: the recipe is registered as a job that the server runs itself; a server without a
// job API (HTTP 404 or 405 to the submission) is given the same shell line as a detached run
// over the command stream instead.
#include <optional>
#include <string>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "platform/concurrency/Async.h"

namespace tarvo::share {

struct PostUploadRecipeLaunch {
    std::optional<std::string> jobID;  // present when the server registered a job
    std::string runID;                 // empty when nothing was started

    bool operator==(const PostUploadRecipeLaunch&) const = default;
};

// Starts the recipe for the file the upload returned as remotePath (filename: the local item's
// name). Action none: returns at once, nothing sent. A recipe that must not start (see
// postUploadRecipeRefusal) fails with RemoteTransferError::uploadFailed before anything is
// sent. Every other failure of the submission (authentication, server, decoding, network,
// cancellation) and every failure of the detached start pass through unchanged.
platform::Async<PostUploadRecipeLaunch> startSinglePostUploadRecipe(RemoteAPI api, ServerProfile server, Draft draft,
                                                                    std::string remotePath, std::string filename,
                                                                    PostUploadRecipeContext context);

}  // namespace tarvo::share
