#pragma once
// The client of one user server: its base URL and token with the two transports, and every
// operation the share extension asks of a server. A plain value, copied freely; building one
// does no input or output, and operations keep no state between calls.
//
// REST calls share one pattern: the URL is built from the base URL, the bearer authorization is
// added, the reply is judged by throwIfServerError (RemoteReply.h) and decoded. Failures are
// RemoteFailure values (a transport failure arrives as RemoteFailure::transport), except a
// payload that is not a JSON object, which is refused before anything is sent.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "TarvoShareExtension/Remote/CmdStreamLimits.h"
#include "TarvoShareExtension/Remote/DirListResponse.h"
#include "TarvoShareExtension/Remote/HTTPTransport.h"
#include "TarvoShareExtension/Remote/RemoteCommandLaunchResult.h"
#include "TarvoShareExtension/Remote/RemoteConfig.h"
#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "TarvoShareExtension/Remote/ShareJobSubmitResponse.h"
#include "platform/concurrency/Async.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Url.h"

namespace tarvo {

class StreamTransport;  // the WebSocket side, used by the command stream
class StreamChannel;

class RemoteAPI {
public:
    RemoteAPI(RemoteConfig cfg, std::shared_ptr<const HTTPTransport> http,
              std::shared_ptr<const StreamTransport> streams)
        : cfg(std::move(cfg)), http(std::move(http)), streams(std::move(streams)) {}

    RemoteConfig cfg;
    std::shared_ptr<const HTTPTransport> http;
    std::shared_ptr<const StreamTransport> streams;

    // {"Authorization": "Bearer " + token}, the token exactly as stored.
    std::map<std::string, std::string> authHeader() const;

    // The base URL's path and an API path joined (platform::joinURLPath).
    static std::string joinPath(std::string_view base, std::string_view rel);
    // The base URL with the API path joined to its path and, when query is not empty, query in
    // place of the base URL's own. Throws RemoteFailure::badURL.
    platform::URL buildURL(std::string_view path, const std::vector<platform::URLQueryItem>& query = {}) const;
    // The same with "https" mapped to "wss" and "http" to "ws" (other schemes unchanged).
    platform::URL buildWSURL(std::string_view path, const std::vector<platform::URLQueryItem>& query = {}) const;

    // GET "/api/list" with the query item "path".
    platform::Async<DirListResponse> list(std::string path) const;
    // GET "/api/stat" with the query item "path".
    platform::Async<FileStatResponse> stat(std::string path) const;

    // POST "/api/jobs/submit" with the payload (a JSON object) as its body.
    platform::Async<ShareJobSubmitResponse> submitJob(platform::Json payload) const;
    // POST "/api/jobs/artifact-observation"; any 2xx is success, the reply body is not read.
    platform::Async<void> recordArtifactObservation(platform::Json payload) const;
    // POST "/api/jobs/recommend" with the signature, the candidates and the destination.
    platform::Async<ArtifactRecommendationResponse> artifactRecommendations(
        ArtifactProjectSignature signature, std::vector<ArtifactShellCandidate> candidates,
        std::string destination) const;

    // The body of a recommendation request.
    static platform::Json recommendationRequestBody(const ArtifactProjectSignature& signature,
                                                    const std::vector<ArtifactShellCandidate>& candidates,
                                                    const std::string& destination);

    // ---- The command stream (RemoteAPICmdStream.cpp, library tarvo_cmdstream).
    // Each operation owns one channel from its open to its end and starts the channel's close,
    // without waiting for it, on every way out.

    // Time limits of the command-stream operations.
    CmdStreamLimits cmdStreamLimits;

    // Opens the first of the API paths that accepts a WebSocket (query items on each URL, the
    // bearer header on each request). Throws RemoteFailure: badURL at once, or transport with
    // the first path's failure once every path has failed.
    platform::Async<std::shared_ptr<StreamChannel>> openWS(std::vector<std::string> paths,
                                                           std::vector<platform::URLQueryItem> query) const;
    // "/ws/cmd", else "/api/ws/cmd", with the token also as the query item "token".
    platform::Async<std::shared_ptr<StreamChannel>> openCmdStream() const;
    // Runs one command and returns its whole standard output once it exits with 0. The output
    // may be at most CmdStreamOutput::kKeptBytes (64 KiB): a command that prints more fails, as
    // soon as it does, with RemoteTransferError::uploadFailed("command output is longer than
    // 64 KiB"); other failures are those of takeFrameUntilExit.
    platform::Async<std::string> runCommandAndWait(std::string cmd, std::vector<std::string> args,
                                                   std::string cwd) const;
    // "mkdir -p -- <path>" with the path made relative; an empty one is an invalid destination.
    platform::Async<void> createDirectory(std::string path) const;
    // Starts the shell line as a durable run under bash and returns once the server has named
    // it. env, runPolicy and llm are sent only when not empty (runPolicy and llm: JSON objects,
    // or null for none).
    platform::Async<RemoteCommandLaunchResult> startCommandDetached(std::string shellLine, std::string cwd,
                                                                    std::map<std::string, std::string> env,
                                                                    platform::Json runPolicy,
                                                                    platform::Json llm) const;
};

}  // namespace tarvo
