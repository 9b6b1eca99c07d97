// RemoteAPI's command-stream operations: opening with the path fallback, running one command to
// its end, creating a folder, and starting a detached run.
#include <functional>
#include <stdexcept>

#include "TarvoShareExtension/Remote/CmdStream.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "platform/concurrency/Task.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using platform::Async;
using platform::Json;
using platform::URLQueryItem;

namespace {

const char* const kCmdStreamPaths[] = {"/ws/cmd", "/api/ws/cmd"};
const char* const kOutputTooLongText = "command output is longer than 64 KiB";
static_assert(CmdStreamOutput::kKeptBytes == 64 * 1024, "the text names the bound");

bool hasEntries(const Json& value, const char* what) {
    if (value.is_null()) return false;
    if (!value.is_object()) throw std::invalid_argument(std::string(what) + " must be a JSON object.");
    return !value.empty();
}

Async<std::shared_ptr<StreamChannel>> openWSCall(RemoteAPI api, std::vector<std::string> paths,
                                                 std::vector<URLQueryItem> query) {
    if (!api.streams) throw std::logic_error("RemoteAPI has no stream transport");
    std::optional<TransportError> firstFailure;
    std::shared_ptr<StreamChannel> channel;
    for (const auto& path : paths) {
        StreamRequest request{api.buildWSURL(path, query), api.authHeader()};
        std::exception_ptr failure;
        try {
            channel = co_await api.streams->open(std::move(request));
        } catch (...) {
            failure = std::current_exception();
        }
        if (channel) break;
        try {
            std::rethrow_exception(failure);
        } catch (const RemoteFailure&) {
            throw;
        } catch (const TransportError& e) {
            if (!firstFailure) firstFailure = e;
        } catch (const std::exception& e) {
            if (!firstFailure) firstFailure = TransportError::network(platform::describeError(e));
        }
    }
    if (channel) co_return channel;
    if (!firstFailure) throw RemoteFailure::transport(TransportError::network("WebSocket open failed."));
    throw RemoteFailure::transport(*firstFailure);
}

Async<std::string> runCommandCall(RemoteAPI api, std::string cmd, std::vector<std::string> args, std::string cwd) {
    const std::string command = platform::text::trimmed(cmd);
    if (command.empty()) throw RemoteFailure::server("Missing command.");
    auto channel = co_await api.openCmdStream();
    const platform::Executor here = co_await platform::currentExecutor();
    ChannelCloseGuard closer(channel, here);

    const std::string start = encodeCmdFrame(cmdStartFrame(command, args, cwd, false));
    co_await channel->send(start);

    CmdStreamWait wait{api.cmdStreamLimits.receiveSeconds, api.cmdStreamLimits.commandSeconds, "Command timed out."};
    CmdStreamOutput output;
    std::function<bool(const StreamMessage&)> take = [&output](const StreamMessage& message) {
        const bool exited = takeFrameUntilExit(message, output);
        // Once the front of the output is gone, what is left is no result: the caller would
        // take the tail for the whole. Waiting for the end would only read more of it.
        if (!output.stdoutWhole()) throw RemoteTransferError::uploadFailed(kOutputTooLongText);
        return exited;
    };
    co_await receiveCmdFramesUntil(channel, std::move(wait), std::move(take));
    co_return output.stdoutText;
}

Async<void> createDirectoryCall(RemoteAPI api, std::string path) {
    const std::string p = normalizeCommandPath(path);
    if (p.empty()) throw RemoteTransferError::invalidDestination();
    std::vector<std::string> args{"-p", "--", p};
    co_await api.runCommandAndWait("mkdir", std::move(args), "");
}

Async<RemoteCommandLaunchResult> startDetachedCall(RemoteAPI api, std::string shellLine, std::string cwd,
                                                   std::map<std::string, std::string> env, Json runPolicy,
                                                   Json llm) {
    const std::string line = platform::text::trimmed(shellLine);
    if (line.empty()) throw RemoteFailure::server("Missing command.");
    const bool sendPolicy = hasEntries(runPolicy, "A run policy");
    const bool sendLLM = hasEntries(llm, "Language-model settings");
    auto channel = co_await api.openCmdStream();
    const platform::Executor here = co_await platform::currentExecutor();
    ChannelCloseGuard closer(channel, here);

    Json frame = cmdStartFrame("bash", {}, cwd, false);
    frame["shell"] = true;
    frame["shell_line"] = line;
    frame["persist"] = true;
    frame["from_beginning"] = true;
    if (!env.empty()) {
        frame["env"] = Json::object();
        for (const auto& [k, v] : env) frame["env"][k] = v;
    }
    if (sendPolicy) frame["run_policy"] = runPolicy;
    if (sendLLM) frame["llm"] = llm;
    const std::string start = encodeCmdFrame(frame);
    co_await channel->send(start);

    std::string lastOutput;
    std::optional<RemoteCommandLaunchResult> launched;
    CmdStreamWait wait{api.cmdStreamLimits.receiveSeconds, api.cmdStreamLimits.runMetadataSeconds,
                       "Timed out waiting for durable run metadata."};
    std::function<bool(const StreamMessage&)> take = [&lastOutput, &launched](const StreamMessage& message) {
        auto frame = decodeCmdFrame(message);
        if (!frame) return false;
        switch (frame->kind) {
            case CmdStreamFrame::Kind::standardOutput:
            case CmdStreamFrame::Kind::standardError:
            case CmdStreamFrame::Kind::meta: {
                std::string t = platform::text::trimmed(frame->text);
                // Only its end can reach the error below.
                if (!t.empty()) lastOutput = platform::text::shortenedKeepingEnd(t, CmdStreamOutput::kDetailCharacters);
                return false;
            }
            case CmdStreamFrame::Kind::runMeta:
                launched = RemoteCommandLaunchResult{frame->runID, frame->logPath};
                return true;
            case CmdStreamFrame::Kind::error: throw RemoteFailure::server(frame->text);
            case CmdStreamFrame::Kind::exit:
                throw RemoteTransferError::uploadFailed("command exited before run metadata arrived (exit " +
                                                        std::to_string(frame->code) + "): " + lastOutput);
        }
        return false;
    };
    co_await receiveCmdFramesUntil(channel, std::move(wait), std::move(take));
    co_return *launched;
}

}  // namespace

Async<std::shared_ptr<StreamChannel>> RemoteAPI::openWS(std::vector<std::string> paths,
                                                        std::vector<URLQueryItem> query) const {
    return openWSCall(*this, std::move(paths), std::move(query));
}

Async<std::shared_ptr<StreamChannel>> RemoteAPI::openCmdStream() const {
    return openWSCall(*this, std::vector<std::string>(std::begin(kCmdStreamPaths), std::end(kCmdStreamPaths)),
                      {URLQueryItem{"token", cfg.token}});
}

Async<std::string> RemoteAPI::runCommandAndWait(std::string cmd, std::vector<std::string> args, std::string cwd) const {
    return runCommandCall(*this, std::move(cmd), std::move(args), std::move(cwd));
}

Async<void> RemoteAPI::createDirectory(std::string path) const { return createDirectoryCall(*this, std::move(path)); }

Async<RemoteCommandLaunchResult> RemoteAPI::startCommandDetached(std::string shellLine, std::string cwd,
                                                                 std::map<std::string, std::string> env,
                                                                 Json runPolicy, Json llm) const {
    return startDetachedCall(*this, std::move(shellLine), std::move(cwd), std::move(env), std::move(runPolicy),
                             std::move(llm));
}

}  // namespace tarvo
