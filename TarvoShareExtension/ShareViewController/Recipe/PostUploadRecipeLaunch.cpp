#include "TarvoShareExtension/ShareViewController/Recipe/PostUploadRecipeLaunch.h"

#include <utility>

#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"

namespace tarvo::share {

namespace {

// The server answered the submission with "no such service": it has no job API.
bool meansNoJobAPI(const RemoteFailure& failure) {
    const auto& transport = failure.transportError();
    return failure.kind() == RemoteFailure::Kind::transport && transport &&
           transport->kind() == TransportError::Kind::httpStatus &&
           (transport->statusCode() == 404 || transport->statusCode() == 405);
}

}  // namespace

platform::Async<PostUploadRecipeLaunch> startSinglePostUploadRecipe(RemoteAPI api, ServerProfile server, Draft draft,
                                                                    std::string remotePath, std::string filename,
                                                                    PostUploadRecipeContext context) {
    if (draft.postUploadAction == PostUploadAction::none) co_return PostUploadRecipeLaunch{};
    if (auto refusal = postUploadRecipeRefusal(draft.postUploadAction, filename, remotePath)) {
        throw RemoteTransferError::uploadFailed(std::move(*refusal));
    }
    PostUploadRecipe recipe = makePostUploadRecipe(server, draft, remotePath, filename, context);

    // 1. Register the job; the server starts the run itself.
    try {
        ShareJobSubmitResponse reply = co_await api.submitJob(recipe.payload);
        PostUploadRecipeLaunch launch;
        launch.jobID = std::move(reply.jobID);
        launch.runID = std::move(reply.runID);
        co_return launch;
    } catch (const RemoteFailure& failure) {
        if (!meansNoJobAPI(failure)) throw;
    }

    // 2. No job API: the same shell line as a detached run, from the file root.
    std::string cwd;
    RemoteCommandLaunchResult started = co_await api.startCommandDetached(
        std::move(recipe.shellLine), std::move(cwd), std::move(recipe.environment), std::move(recipe.runPolicy),
        std::move(recipe.llm));
    PostUploadRecipeLaunch launch;
    launch.runID = std::move(started.runID);
    co_return launch;
}

}  // namespace tarvo::share
