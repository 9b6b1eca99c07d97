#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"

#include <chrono>
#include <functional>

#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Deadline.h"
#include "platform/concurrency/TaskGroup.h"
#include "platform/foundation/Text.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

namespace tarvo {

using platform::Async;
using platform::URLError;

namespace {

constexpr double kHandshakeRequestTimeoutSeconds = 60;
constexpr double kMinimumOpenWaitSeconds = 0.2;

}  // namespace

TransportError streamTransportError(std::exception_ptr failure, bool callerCancelled) {
    if (callerCancelled || platform::isCancellationError(failure)) return TransportError::cancelled();
    try {
        std::rethrow_exception(failure);
    } catch (const URLError& e) {
        if (e.urlCode() == URLError::cancelled) return TransportError::cancelled();
        return TransportError::network(e.localizedDescription());
    } catch (const TransportError& e) {
        return e;
    } catch (const std::exception& e) {
        return TransportError::network(platform::describeError(e));
    } catch (...) {
        return TransportError::network("An unknown error occurred.");
    }
}

// ---- gate

bool WebSocketOpenGate::isFinished() const {
    std::lock_guard lock(condition_->mutex);
    return finished_;
}

void WebSocketOpenGate::finish(std::exception_ptr error) {
    {
        std::lock_guard lock(condition_->mutex);
        if (finished_) return;
        finished_ = true;
        storedError_ = std::move(error);
    }
    condition_->notifyAll();
}

Async<void> WebSocketOpenGate::waitIndefinitely() {
    auto self = shared_from_this();
    // Named, not a temporary: GCC 12 destroys closures made inside a co_await expression twice.
    std::function<bool()> finished = [this] { return finished_; };
    co_await condition_->waitUntil(std::move(finished));
    std::exception_ptr error;
    {
        std::lock_guard lock(condition_->mutex);
        error = storedError_;
    }
    if (error) std::rethrow_exception(error);
}

Async<void> WebSocketOpenGate::waitOpen(double timeoutSeconds) {
    {
        std::lock_guard lock(condition_->mutex);
        if (finished_) {
            if (storedError_) std::rethrow_exception(storedError_);
            co_return;
        }
    }
    const double seconds = timeoutSeconds >= kMinimumOpenWaitSeconds ? timeoutSeconds : kMinimumOpenWaitSeconds;
    std::weak_ptr<WebSocketOpenGate> weakGate = weak_from_this();
    auto waiter = [](std::weak_ptr<WebSocketOpenGate> weak) -> Async<void> {
        auto gate = weak.lock();
        if (!gate) throw URLError(URLError::cancelled);
        co_await gate->waitIndefinitely();
    };
    auto timer = [](double limit) -> Async<void> {
        co_await platform::sleepFor(std::chrono::duration<double>(limit));
        throw URLError(URLError::timedOut);
    };
    // The first to end decides; its error leaves unchanged.
    co_await platform::race(waiter(weakGate), timer(seconds));
}

// ---- delegate

platform::NSError WebSocketOpenDelegate::closeError(int closeCode, const std::optional<std::string>& reason) {
    std::string reasonText;
    if (reason && platform::text::isValidUTF8(*reason)) reasonText = *reason;
    const std::string message = platform::text::trimmed("Closed (" + std::to_string(closeCode) + ") " + reasonText);
    return platform::NSError("WebSocketClose", closeCode, message);
}

void WebSocketOpenDelegate::didOpenWithProtocol(platform::URLSession&, platform::URLSessionWebSocketTask&,
                                                const std::optional<std::string>&) {
    gate->finish(nullptr);
}

void WebSocketOpenDelegate::didCloseWith(platform::URLSession&, platform::URLSessionWebSocketTask&,
                                         platform::URLSessionWebSocketCloseCode closeCode,
                                         const std::optional<std::string>& reason) {
    gate->finish(std::make_exception_ptr(closeError(static_cast<int>(closeCode), reason)));
}

void WebSocketOpenDelegate::didCompleteWithError(platform::URLSession&, platform::URLSessionWebSocketTask&,
                                                 std::exception_ptr error) {
    if (error) gate->finish(std::move(error));
}

// ---- channel

URLSessionWebSocketChannel::~URLSessionWebSocketChannel() {
    ownerSession->invalidateAndCancel();
    task->cancel();
}

Async<void> URLSessionWebSocketChannel::send(std::string text) {
    auto task = this->task;
    std::exception_ptr failure;
    try {
        co_await task->send(StreamMessage::string(std::move(text)));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) co_return;
    // Awaited on its own: GCC 12 destroys a temporary made in a co_await expression twice.
    const bool cancelled = co_await platform::isCancelled();
    throw streamTransportError(failure, cancelled);
}

Async<void> URLSessionWebSocketChannel::sendAll(std::vector<std::string> texts) {
    auto task = this->task;
    std::vector<StreamMessage> messages;
    messages.reserve(texts.size());
    for (auto& text : texts) messages.push_back(StreamMessage::string(std::move(text)));
    std::exception_ptr failure;
    try {
        co_await task->send(std::move(messages));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) co_return;
    const bool cancelled = co_await platform::isCancelled();
    throw streamTransportError(failure, cancelled);
}

Async<StreamMessage> URLSessionWebSocketChannel::receive() {
    auto task = this->task;
    std::exception_ptr failure;
    std::optional<StreamMessage> message;
    try {
        message.emplace(co_await task->receive());
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        const bool cancelled = co_await platform::isCancelled();
        throw streamTransportError(failure, cancelled);
    }
    co_return std::move(*message);
}

Async<void> URLSessionWebSocketChannel::close() {
    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    ownerSession->invalidateAndCancel();
    co_return;
}

// ---- transport

Async<std::shared_ptr<StreamChannel>> URLSessionStreamTransport::open(StreamRequest request) const {
    platform::URLRequest urlRequest(request.url, platform::URLRequest::CachePolicy::useProtocolCachePolicy,
                                    kHandshakeRequestTimeoutSeconds);
    for (const auto& [name, value] : request.headers) urlRequest.setValue(value, name);

    auto gate = WebSocketOpenGate::make();
    auto delegate = std::make_shared<WebSocketOpenDelegate>(gate);
    auto session = platform::URLSession::make(configuration);
    auto task = platform::URLSessionWebSocketTask::make(session, std::move(urlRequest), delegate);
    task->resume();

    std::exception_ptr failure;
    try {
        co_await gate->waitOpen(openTimeoutSeconds);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) co_return std::make_shared<URLSessionWebSocketChannel>(std::move(task), std::move(session));

    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    session->invalidateAndCancel();
    const bool cancelled = co_await platform::isCancelled();
    throw streamTransportError(failure, cancelled);
}

}  // namespace tarvo
