#pragma once
// What the command-stream tests share: a RemoteAPI with both transports pointed at the loopback
// server, short time limits, and helpers to script the server's side of a stream.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TarvoShareExtension/Remote/CmdStream.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "TarvoShareExtension/ShareEnvironment.h"
#include "platform/filesystem/FileManager.h"
#include "platform/crypto/Sha256.h"
#include "tests/peer/PeerServer.h"
#include "tests/remote/RemoteTestSupport.h"

namespace cmdstream_test {

using namespace std::chrono_literals;
using platform::Json;
using remote_test::runTask;
using tarvo_test::testQueue;

// The world the tests run the command stream and the upload engine in, built as the share
// program's main() builds its own. Like the test queue it is never destroyed: a network thread
// may still be finishing with the background queue when a test has ended.
inline tarvo::ShareEnvironment& testEnvironment() {
    static auto* background = new platform::BackgroundQueue(2);
    static auto* engine = new tarvo::RemoteTransfer(*background);
    static auto* environment = new tarvo::ShareEnvironment{
        testQueue(), *background, platform::URLSession::make(), *engine, platform::Clock::real(),
        platform::FileManager::defaultManager().temporaryDirectory()};
    return *environment;
}

// Limits short enough that a test never waits long for a time-out it provokes.
inline tarvo::CmdStreamLimits quickLimits() {
    tarvo::CmdStreamLimits limits;
    limits.receiveSeconds = 0.1;
    limits.commandSeconds = 20;
    limits.runMetadataSeconds = 10;
    limits.uploadExitSeconds = 30;
    return limits;
}

// Where a test checks that a limit it shortened (to half a second or less) is the one that ended
// an operation, the operation must end within this: many times the short limit, for sanitizer
// builds on a loaded machine, and below the longer limit that would otherwise have decided (10 s
// or more here).
inline constexpr auto kShortLimitBound = std::chrono::seconds(8);

inline std::shared_ptr<tarvo::URLSessionStreamTransport> streamTransport(double openTimeoutSeconds = 10) {
    auto transport = std::make_shared<tarvo::URLSessionStreamTransport>();
    transport->openTimeoutSeconds = openTimeoutSeconds;
    return transport;
}

inline tarvo::RemoteAPI streamAPI(const std::string& baseURL, const std::string& token,
                                  std::shared_ptr<tarvo::URLSessionStreamTransport> streams = streamTransport()) {
    tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(baseURL), token},
                         std::make_shared<tarvo::URLSessionHTTPTransport>(testEnvironment().urlSession),
                         std::move(streams));
    api.cmdStreamLimits = quickLimits();
    return api;
}

inline tarvo::RemoteAPI streamAPI(const peer::PeerServer& server,
                                  std::shared_ptr<tarvo::URLSessionStreamTransport> streams = streamTransport()) {
    return streamAPI(server.baseURL(), server.options().token, std::move(streams));
}

// A rule that makes the endpoint play these steps in place of running the command.
inline void script(const peer::PeerServer& server, Json steps, const std::string& path = "/ws/cmd") {
    server.addRule(Json{{"path", path}, {"script", std::move(steps)}});
}

inline Json frame(const std::string& stream, Json fields = Json::object()) {
    Json f = Json{{"stream", stream}};
    for (auto& [k, v] : fields.items()) f[k] = v;
    return Json{{"json", f}};
}

// The command-stream connections the server recorded (both endpoints, in arrival order).
inline Json streamRequests(const peer::PeerServer& server) {
    Json out = Json::array();
    for (const auto& r : server.requests()) {
        const std::string path = r.value("path", "");
        if (path.find("/ws/cmd") != std::string::npos) out.push_back(r);
    }
    return out;
}

// The limit of a wait for effects the server completes after the client moved on (such as the
// close that a finished operation leaves to a task of its own): tests run the test queue until
// the effect shows, testQueue().runUntil(pred, kSettleLimit).
inline constexpr auto kSettleLimit = 8000ms;

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The names in a folder, sorted: what a test compares after the server wrote into it.
inline std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string sha256File(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    platform::SHA256 hash;
    std::vector<char> buf(1 << 20);
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        if (in.gcount() > 0) hash.update(buf.data(), static_cast<std::size_t>(in.gcount()));
    }
    return hash.finalizeHex();
}

}  // namespace cmdstream_test
