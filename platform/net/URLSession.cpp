#include "platform/net/URLSession.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "platform/net/detail/HttpExchange.h"
#include "platform/net/detail/NetRuntime.h"

namespace platform {

namespace asio = boost::asio;
using net_detail::HttpExchange;

struct URLSession::Private {
    asio::any_io_executor strand;
    std::mutex mutex;
    std::vector<std::weak_ptr<HttpExchange>> running;

    void track(const std::shared_ptr<HttpExchange>& exchange) {
        std::lock_guard lock(mutex);
        std::erase_if(running, [](const auto& w) { return w.expired(); });
        running.push_back(exchange);
    }
};

namespace {

// Starts an exchange on the session's strand and completes the awaiting coroutine on its own
// executor. The awaiting coroutine's cancellation is carried over to the strand by a post that
// holds the exchange alive, so a cancellation racing with completion touches nothing freed.
struct StartExchange {
    std::shared_ptr<HttpExchange> exchange;
    asio::any_io_executor strand;

    template <class Handler>
    void operator()(Handler handler) {
        auto slot = asio::get_associated_cancellation_slot(handler);
        if (slot.is_connected()) {
            slot.assign([ex = exchange, strand = strand](asio::cancellation_type) {
                asio::post(strand, [ex] { ex->cancel(); });
            });
        }
        auto handlerExecutor = asio::get_associated_executor(handler, strand);
        asio::co_spawn(strand, exchange->run(),
                       [h = std::move(handler), handlerExecutor, keep = exchange](
                           std::exception_ptr error, URLSessionDataResult result) mutable {
                           asio::post(handlerExecutor, [h = std::move(h), error,
                                                        result = std::move(result)]() mutable {
                               asio::get_associated_cancellation_slot(h).clear();
                               std::move(h)(error, std::move(result));
                           });
                       });
    }
};

}  // namespace

URLSession::URLSession(URLSessionConfiguration configuration)
    : configuration_(std::move(configuration)), p_(std::make_unique<Private>()) {
    p_->strand = net_detail::makeSessionStrand();
}

URLSession::~URLSession() = default;

std::shared_ptr<URLSession> URLSession::shared() {
    static std::shared_ptr<URLSession>* instance =
        new std::shared_ptr<URLSession>(make(URLSessionConfiguration::defaultConfiguration()));
    return *instance;
}

std::shared_ptr<URLSession> URLSession::make(URLSessionConfiguration configuration) {
    return std::shared_ptr<URLSession>(new URLSession(std::move(configuration)));
}

asio::any_io_executor URLSession::delegateExecutor() const { return p_->strand; }

asio::awaitable<URLSessionDataResult> URLSession::data(
    URLRequest request, std::shared_ptr<URLSessionTaskDelegate> delegate) {
    return perform(std::move(request), std::nullopt, std::move(delegate));
}

asio::awaitable<URLSessionDataResult> URLSession::upload(
    URLRequest request, URL fromFile, std::shared_ptr<URLSessionTaskDelegate> delegate) {
    return perform(std::move(request), std::move(fromFile), std::move(delegate));
}

asio::awaitable<URLSessionDataResult> URLSession::perform(
    URLRequest request, std::optional<URL> bodyFile,
    std::shared_ptr<URLSessionTaskDelegate> delegate) {
    auto cancellation = co_await asio::this_coro::cancellation_state;
    if (cancellation.cancelled() != asio::cancellation_type::none || invalidated_.load()) {
        throw URLError(URLError::cancelled);
    }

    net_detail::HttpExchangePlan plan(request.url);
    plan.method = request.httpMethod;
    plan.headers = request.allHTTPHeaderFields();
    if (bodyFile) {
        if (!bodyFile->isFileURL()) throw URLError(URLError::unsupportedURL);
        plan.bodyFilePath = bodyFile->path();
    } else {
        plan.body = std::move(request.httpBody);
    }
    const double requestLimit = request.timeoutInterval > 0 ? request.timeoutInterval : 60;
    const double sessionLimit = configuration_.timeoutIntervalForRequest > 0
                                    ? configuration_.timeoutIntervalForRequest
                                    : 60;
    plan.idleTimeoutSeconds = std::min(requestLimit, sessionLimit);
    plan.resourceTimeoutSeconds = configuration_.timeoutIntervalForResource;
    plan.maximumResponseBodyBytes = configuration_.maximumResponseBodyBytes;
    plan.trustedCertificateFiles = configuration_.additionalTrustedCertificateFiles;

    net_detail::BodyProgress progress;
    if (delegate) {
        progress = [self = shared_from_this(), delegate](std::int64_t sent, std::int64_t total,
                                                         std::int64_t expected) {
            delegate->didSendBodyData(*self, sent, total, expected);
        };
    }
    auto exchange = std::make_shared<HttpExchange>(p_->strand, std::move(plan), std::move(progress));
    p_->track(exchange);
    if (invalidated_.load()) throw URLError(URLError::cancelled);

    // A named initiation, not a braced temporary: g++ 12 destroys an aggregate temporary inside a
    // co_await expression twice.
    StartExchange start{exchange, p_->strand};
    co_return co_await asio::async_initiate<const asio::use_awaitable_t<>,
                                            void(std::exception_ptr, URLSessionDataResult)>(
        std::move(start), asio::use_awaitable);
}

void URLSession::invalidateAndCancel() {
    invalidated_.store(true);
    std::vector<std::shared_ptr<HttpExchange>> live;
    {
        std::lock_guard lock(p_->mutex);
        for (auto& w : p_->running) {
            if (auto e = w.lock()) live.push_back(std::move(e));
        }
        p_->running.clear();
    }
    for (auto& e : live) {
        asio::post(p_->strand, [e] { e->cancel(); });
    }
}

}  // namespace platform
