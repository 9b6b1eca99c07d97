#pragma once
// Running the client's asynchronous operations from a test, and the loopback-server plumbing
// the remote tests share.
#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "platform/concurrency/Concurrency.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/net/URLSession.h"
#include "tests/peer/PeerServer.h"
#include "tests/support/RunTask.h"

namespace remote_test {

using namespace std::chrono_literals;

inline constexpr auto kTestLimit = tarvo_test::kTaskLimit;
using tarvo_test::runTask;
using tarvo_test::testQueue;

// Runs body() and returns the text of what it threw; fails the test when it succeeds or throws
// something other than E.
template <class E, class F>
std::string failureText(F body) {
    try {
        runTask(std::move(body));
    } catch (const std::exception& e) {
        // One handler, so that E may be std::exception itself.
        if constexpr (std::is_same_v<E, std::exception>) {
            return platform::describeError(e);
        } else if (dynamic_cast<const E*>(&e) != nullptr) {
            return platform::describeError(e);
        }
        ADD_FAILURE() << "unexpected exception: " << platform::describeError(e);
        return "";
    }
    ADD_FAILURE() << "no exception";
    return "";
}

// The exception body() throws, as E (nullopt and a test failure for anything else).
template <class E, class F>
std::optional<E> captureFailure(F body) {
    try {
        runTask(std::move(body));
    } catch (const E& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << platform::describeError(e);
        return std::nullopt;
    }
    ADD_FAILURE() << "no exception";
    return std::nullopt;
}

inline std::shared_ptr<platform::URLSession> sessionWithTimeout(double seconds) {
    platform::URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = seconds;
    return platform::URLSession::make(configuration);
}

inline tarvo::RemoteAPI makeAPI(const std::string& baseURL, const std::string& token,
                                std::shared_ptr<platform::URLSession> session = platform::URLSession::make()) {
    return tarvo::RemoteAPI(tarvo::RemoteConfig{*platform::URL::parse(baseURL), token},
                            std::make_shared<tarvo::URLSessionHTTPTransport>(std::move(session)), nullptr);
}

inline tarvo::RemoteAPI makeAPI(const peer::PeerServer& server,
                                std::shared_ptr<platform::URLSession> session = platform::URLSession::make()) {
    return makeAPI(server.baseURL(), server.options().token, std::move(session));
}

// The value of a header in a recorded request (names compared ignoring case).
inline std::optional<std::string> recordedHeader(const platform::Json& request, const std::string& name) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    for (const auto& h : request.at("headers")) {
        if (lower(h.at(0).get<std::string>()) == lower(name)) return h.at(1).get<std::string>();
    }
    return std::nullopt;
}

// A file of `size` pseudo-random bytes under dir; returns its path.
inline std::string writePatternFile(const std::string& path, std::size_t size, std::uint32_t seed = 7) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 16);
    std::uint32_t x = seed;
    std::size_t left = size;
    while (left > 0) {
        const std::size_t n = std::min(left, chunk.size());
        for (std::size_t i = 0; i < n; ++i) {
            x = x * 1664525u + 1013904223u;
            chunk[i] = static_cast<char>(x >> 24);
        }
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    return path;
}

}  // namespace remote_test
