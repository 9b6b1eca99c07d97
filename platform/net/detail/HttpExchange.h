#pragma once
// One HTTP(S) request and its reply over a fresh connection. Internal to platform/net: this
// header keeps Beast out of everything that includes it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include "platform/foundation/Url.h"
#include "platform/net/URLSession.h"

namespace platform::net_detail {

struct HttpExchangePlan {
    explicit HttpExchangePlan(URL u) : url(std::move(u)) {}
    URL url;
    std::string method;
    std::vector<std::pair<std::string, std::string>> headers;
    std::optional<std::vector<std::uint8_t>> body;
    std::optional<std::string> bodyFilePath;
    double idleTimeoutSeconds = 60;
    // The whole exchange's limit, counted from run(); every wait ends by it at the latest.
    double resourceTimeoutSeconds = 7 * 24 * 3600;
    std::int64_t maximumResponseBodyBytes = 0;
    std::vector<std::string> trustedCertificateFiles;
};

// (bytes sent now, bytes sent so far, bytes expected)
using BodyProgress = std::function<void(std::int64_t, std::int64_t, std::int64_t)>;

class HttpExchange {
public:
    HttpExchange(boost::asio::any_io_executor strand, HttpExchangePlan plan, BodyProgress progress);
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    // Runs on the strand; throws URLError.
    boost::asio::awaitable<URLSessionDataResult> run();
    // On the strand: ends the exchange at once; run() then throws URLError cancelled.
    void cancel();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::net_detail
