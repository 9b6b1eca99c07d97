#pragma once
// The URL-session stand-in: HTTP and HTTPS data and upload tasks over real sockets.
//
// Each session runs its network work and its delegate callbacks on an executor of its own (a
// strand on the network threads), so a caller on the main thread never does I/O and never
// receives a callback. Awaiting a task from a coroutine that is cancelled cancels the task
// promptly; it then fails with URLError cancelled. Redirects are never followed: a 3xx comes
// back as a reply, so credentials never travel to another host. Failures are URLError values.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include "platform/foundation/Url.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"
#include "platform/net/URLSessionConfiguration.h"
#include "platform/net/URLSessionDelegate.h"

namespace platform {

struct URLSessionDataResult {
    std::vector<std::uint8_t> data;
    // Absent for a reply that is not HTTP (never the case for the schemes served here).
    std::optional<HTTPURLResponse> response;
};

class URLSession : public std::enable_shared_from_this<URLSession> {
public:
    // The process-wide session with the default configuration.
    static std::shared_ptr<URLSession> shared();
    static std::shared_ptr<URLSession> make(URLSessionConfiguration configuration = {});

    ~URLSession();
    URLSession(const URLSession&) = delete;
    URLSession& operator=(const URLSession&) = delete;

    const URLSessionConfiguration& configuration() const noexcept { return configuration_; }
    // Where delegate callbacks run.
    boost::asio::any_io_executor delegateExecutor() const;

    // Sends the request with its body and returns the whole reply, whatever its status.
    boost::asio::awaitable<URLSessionDataResult> data(
        URLRequest request, std::shared_ptr<URLSessionTaskDelegate> delegate = nullptr);
    // Sends the request with the contents of a local file as its body, read piece by piece
    // (never held in memory), reporting progress to the delegate.
    boost::asio::awaitable<URLSessionDataResult> upload(
        URLRequest request, URL fromFile, std::shared_ptr<URLSessionTaskDelegate> delegate = nullptr);

    // Cancels every running task; tasks started later fail with cancelled.
    void invalidateAndCancel();
    bool isInvalidated() const noexcept { return invalidated_.load(); }

private:
    struct Private;
    explicit URLSession(URLSessionConfiguration configuration);
    boost::asio::awaitable<URLSessionDataResult> perform(
        URLRequest request, std::optional<URL> bodyFile,
        std::shared_ptr<URLSessionTaskDelegate> delegate);

    URLSessionConfiguration configuration_;
    std::atomic<bool> invalidated_{false};
    std::unique_ptr<Private> p_;
};

}  // namespace platform
