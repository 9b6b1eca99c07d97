#include "platform/net/URLSessionWebSocketTask.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <condition_variable>
#include <mutex>

#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/bind_executor.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core/bind_handler.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <openssl/ssl.h>

#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/detail/AsyncCondition.h"
#include "platform/net/URLError.h"
#include "platform/net/detail/ClientFrames.h"
#include "platform/net/detail/ConnectionHelpers.h"

namespace platform {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Message = URLSessionWebSocketMessage;
using CloseCode = URLSessionWebSocketCloseCode;
using net_detail::asciiLower;
using net_detail::idleLimit;

namespace {

constexpr std::int64_t kDefaultMaximumMessageSize = std::int64_t(16) << 20;
// The reader stops reading while this much waits unreceived, so a server that floods a client
// which is busy sending cannot exhaust its memory; TCP then holds the server back.
constexpr std::size_t kInboxMessageLimit = 1024;
constexpr std::size_t kInboxByteLimit = std::size_t(8) << 20;
constexpr std::size_t kCloseReasonLimit = 123;

enum class Phase { resolve, connect, tls, handshake };

std::exception_ptr socketNotConnected() {
    return std::make_exception_ptr(NSError(kPOSIXErrorDomain, 57, "Socket is not connected"));
}

std::exception_ptr cancelledError() { return std::make_exception_ptr(URLError(URLError::cancelled)); }

// The TCP stream under every connection. Its rate policy sets no limits; it only carries what the
// end of the connection needs to know: whether a closing handshake is under way.
struct ClosingState {
    // Not an aggregate: the stream must never take its executor argument for a policy.
    ClosingState() = default;

    // A close frame came from the server, or we began the close: the end of the connection
    // waits for the server (under the task's closing limit). Otherwise Beast is failing the
    // connection (an invalid frame, a message over the limit) and waits for nobody.
    bool handshake = false;

    std::size_t available_read_bytes() const noexcept { return std::numeric_limits<std::size_t>::max(); }
    std::size_t available_write_bytes() const noexcept { return std::numeric_limits<std::size_t>::max(); }
    void transfer_read_bytes(std::size_t) const noexcept {}
    void transfer_write_bytes(std::size_t) const noexcept {}
    void on_timer() const noexcept {}
};
using PlainStream = beast::basic_stream<tcp, asio::any_io_executor, ClosingState>;
using TlsStream = beast::ssl_stream<PlainStream>;

// Beast ends every connection it fails with a teardown that waits for the server to hang up,
// and only then reports the failure, so a server that sends an invalid frame and keeps the
// connection open would hold a pending receive for good. These overloads (found by Beast through
// the stream types) wait only after a closing handshake; a connection Beast fails is dropped
// as soon as its close frame is out, and the read reports the failure at once.
void dropSocket(tcp::socket& socket) {
    error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
}

template <class Handler>
void async_teardown(beast::role_type role, PlainStream& stream, Handler&& handler) {
    if (stream.rate_policy().handshake) {
        beast::async_teardown(role, stream, std::forward<Handler>(handler));
        return;
    }
    dropSocket(stream.socket());
    asio::post(stream.get_executor(), beast::bind_front_handler(std::forward<Handler>(handler), error_code{}));
}

template <class Handler>
void async_teardown(beast::role_type role, TlsStream& stream, Handler&& handler) {
    if (stream.next_layer().rate_policy().handshake) {
        beast::async_teardown(role, stream, std::forward<Handler>(handler));
        return;
    }
    dropSocket(stream.next_layer().socket());
    asio::post(stream.get_executor(), beast::bind_front_handler(std::forward<Handler>(handler), error_code{}));
}

// Messages are framed and masked by our own code and written a batch at a time (see
// ClientFrames.h); Beast still writes its handshake, pongs and close frames. This layer under the
// WebSocket stream keeps the two from interleaving on the socket: while a batch is being written,
// a Beast write waits for the next frame boundary, and a batch waits for a Beast write under way. Beast writes
// one frame with one composed write whose next piece starts inside the completion of the last,
// on the same strand, so counting its writes in flight is enough to see it busy.
template <class Next>
class GatedStream {
public:
    using executor_type = typename Next::executor_type;
    using next_layer_type = Next;

    template <class... Args>
    explicit GatedStream(Args&&... args) : next_(std::forward<Args>(args)...), wake_(next_.get_executor()) {}

    executor_type get_executor() noexcept { return next_.get_executor(); }
    Next& next_layer() noexcept { return next_; }
    const Next& next_layer() const noexcept { return next_; }

    template <class MutableBuffers, class Token>
    auto async_read_some(const MutableBuffers& buffers, Token&& token) {
        return next_.async_read_some(buffers, std::forward<Token>(token));
    }

    template <class ConstBuffers, class Token>
    auto async_write_some(const ConstBuffers& buffers, Token&& token) {
        return asio::async_initiate<Token, void(error_code, std::size_t)>(
            [this](auto handler, const ConstBuffers& b) {
                if (!batch_) {
                    startLibraryWrite(b, std::move(handler));
                    return;
                }
                auto held = std::make_shared<decltype(handler)>(std::move(handler));
                deferred_ = [this, b, held] { startLibraryWrite(b, std::move(*held)); };
            },
            token, buffers);
    }

    // Waits until no Beast write is under way, then holds new ones back until endBatch().
    asio::awaitable<void> beginBatch() {
        while (libraryWrites_ > 0) {
            wake_.expires_at(asio::steady_timer::time_point::max());
            error_code ignored;
            co_await wake_.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
        }
        batch_ = true;
    }

    bool hasDeferred() const { return static_cast<bool>(deferred_); }

    void endBatch() {
        batch_ = false;
        if (!deferred_) return;
        auto start = std::move(deferred_);
        deferred_ = nullptr;
        start();
    }

private:
    template <class ConstBuffers, class Handler>
    void startLibraryWrite(const ConstBuffers& buffers, Handler handler) {
        ++libraryWrites_;
        auto ex = asio::get_associated_executor(handler, next_.get_executor());
        next_.async_write_some(buffers, asio::bind_executor(ex, [this, handler = std::move(handler)](
                                                                    error_code ec, std::size_t n) mutable {
            if (--libraryWrites_ == 0) wake_.cancel();
            std::move(handler)(ec, n);
        }));
    }

    Next next_;
    asio::steady_timer wake_;
    std::size_t libraryWrites_ = 0;
    bool batch_ = false;
    std::function<void()> deferred_;
};

template <class Next, class Handler>
void async_teardown(beast::role_type role, GatedStream<Next>& stream, Handler&& handler) {
    async_teardown(role, stream.next_layer(), std::forward<Handler>(handler));
}

// What the task's writer lends a batch write: its idle watchdog, and whether to stop after the
// message being written.
struct BatchWriteHooks {
    std::function<void()> arm;
    std::function<void()> disarm;
    std::function<bool()> stop;
};

// The Beast side of one connection, plain or TLS. Every operation runs on the task's strand
// and reports through its error code.
class Connection {
public:
    virtual ~Connection() = default;
    virtual asio::awaitable<error_code> connect(const tcp::resolver::results_type& endpoints) = 0;
    virtual asio::awaitable<error_code> secure(const std::string& host) = 0;
    virtual asio::awaitable<error_code> handshake(const std::string& hostField, const std::string& target,
                                                  std::vector<std::pair<std::string, std::string>> headers,
                                                  std::uint64_t maximumMessageSize) = 0;
    virtual asio::awaitable<error_code> read(beast::flat_buffer& buffer, bool& text) = 0;
    // Writes the messages in order, one frame each, and stops after the message being written
    // once hooks.stop() says so.
    virtual asio::awaitable<error_code> write(const std::vector<Message>& messages, const BatchWriteHooks& hooks) = 0;
    virtual asio::awaitable<error_code> close(int code, const std::optional<std::string>& reason) = 0;
    virtual void abort() = 0;
    virtual std::pair<int, std::optional<std::string>> peerCloseReason() const = 0;
    bool certificateRejected = false;
    // Called on the strand the moment a close frame from the server has been read, before the
    // reply goes out (which may wait behind a message being written).
    std::function<void()> onPeerClose;
};

template <class Next>
class ConnectionOver final : public Connection {
public:
    template <class... Args>
    explicit ConnectionOver(Args&&... args) : ws_(std::forward<Args>(args)...) {}

    asio::awaitable<error_code> connect(const tcp::resolver::results_type& endpoints) override {
        error_code ec;
        co_await beast::get_lowest_layer(ws_).async_connect(endpoints,
                                                            asio::redirect_error(asio::use_awaitable, ec));
        co_return ec;
    }

    asio::awaitable<error_code> secure(const std::string& host) override {
        if constexpr (std::is_same_v<Next, PlainStream>) {
            co_return error_code{};
        } else {
            auto& tls = ws_.next_layer().next_layer();
            if (!net_detail::prepareClientTls(tls, host, certificateRejected)) {
                co_return make_error_code(asio::error::invalid_argument);
            }
            error_code ec;
            co_await tls.async_handshake(asio::ssl::stream_base::client,
                                         asio::redirect_error(asio::use_awaitable, ec));
            co_return ec;
        }
    }

    asio::awaitable<error_code> handshake(const std::string& hostField, const std::string& target,
                                          std::vector<std::pair<std::string, std::string>> headers,
                                          std::uint64_t maximumMessageSize) override {
        ws_.set_option(websocket::stream_base::decorator(
            [headers = std::move(headers)](websocket::request_type& req) {
                bool hasUserAgent = false;
                for (const auto& [name, value] : headers) {
                    if (net_detail::isReservedField(name, net_detail::RequestHead::webSocketUpgrade)) continue;
                    hasUserAgent = hasUserAgent || asciiLower(name) == "user-agent";
                    req.set(name, value);
                }
                if (!hasUserAgent) req.set(beast::http::field::user_agent, "Tarvo (Linux) platform-net/1");
            }));
        ws_.read_message_max(maximumMessageSize);
        ws_.auto_fragment(false);
        ws_.control_callback([this](websocket::frame_type kind, beast::string_view) {
            if (kind != websocket::frame_type::close) return;
            beast::get_lowest_layer(ws_).rate_policy().handshake = true;
            if (onPeerClose) onPeerClose();
        });
        error_code ec;
        websocket::response_type response;
        co_await ws_.async_handshake(response, hostField, target,
                                     asio::redirect_error(asio::use_awaitable, ec));
        co_return ec;
    }

    asio::awaitable<error_code> read(beast::flat_buffer& buffer, bool& text) override {
        error_code ec;
        co_await ws_.async_read(buffer, asio::redirect_error(asio::use_awaitable, ec));
        text = ws_.got_text();
        co_return ec;
    }

    asio::awaitable<error_code> write(const std::vector<Message>& messages, const BatchWriteHooks& hooks) override {
        std::vector<net_detail::ClientFrameStager::Message> views;
        views.reserve(messages.size());
        std::size_t wanted = 256;
        for (const Message& m : messages) {
            views.push_back({m.payload, m.kind == Message::Kind::string});
            wanted += m.payload.size() + net_detail::kMaxClientFrameHeader;
        }
        // Grown to what the batches need, up to the limit: a channel that only sends a command
        // keeps a small buffer.
        wanted = std::min(wanted, kStagingBytes);
        if (stagingSize_ < wanted) {
            staging_.reset(new unsigned char[wanted]);  // uninitialised on purpose
            stagingSize_ = wanted;
        }
        net_detail::ClientFrameStager stager(std::move(views), staging_.get(), stagingSize_, keys_);
        auto& gate = ws_.next_layer();
        hooks.arm();
        co_await gate.beginBatch();
        hooks.disarm();
        error_code ec;
        while (!ec && stager.fill()) {
            std::size_t sent = 0;
            for (;;) {
                if (!stager.stopped() && hooks.stop()) stager.stopAfterCurrent(sent);
                if (sent >= stager.size()) break;
                // A pong or close reply that Beast holds ready goes out at the next frame
                // boundary, not after the whole batch: its read waits for it meanwhile.
                std::size_t until = stager.size();
                if (gate.hasDeferred()) {
                    until = std::min(until, stager.boundaryFrom(sent));
                    if (until == sent) {
                        gate.endBatch();
                        hooks.arm();
                        co_await gate.beginBatch();
                        hooks.disarm();
                        continue;
                    }
                }
                hooks.arm();
                const std::size_t n = co_await gate.next_layer().async_write_some(
                    asio::buffer(stager.data() + sent, until - sent), asio::redirect_error(asio::use_awaitable, ec));
                hooks.disarm();
                if (ec) break;
                sent += n;
            }
        }
        gate.endBatch();
        co_return ec;
    }

    asio::awaitable<error_code> close(int code, const std::optional<std::string>& reason) override {
        websocket::close_reason why(static_cast<std::uint16_t>(code));
        if (reason) why.reason.assign(reason->data(), std::min(reason->size(), kCloseReasonLimit));
        beast::get_lowest_layer(ws_).rate_policy().handshake = true;
        error_code ec;
        co_await ws_.async_close(why, asio::redirect_error(asio::use_awaitable, ec));
        co_return ec;
    }

    void abort() override {
        error_code ignored;
        beast::get_lowest_layer(ws_).socket().close(ignored);
    }

    std::pair<int, std::optional<std::string>> peerCloseReason() const override {
        const auto& r = ws_.reason();
        std::optional<std::string> text;
        if (!r.reason.empty()) text = std::string(r.reason.data(), r.reason.size());
        return {static_cast<int>(r.code), text};
    }

private:
    // A batch is masked into this buffer a piece at a time; it is kept for the connection's life.
    static constexpr std::size_t kStagingBytes = std::size_t(1) << 20;

    websocket::stream<GatedStream<Next>> ws_;
    std::unique_ptr<unsigned char[]> staging_;
    std::size_t stagingSize_ = 0;
    net_detail::MaskKeySource keys_;
};

}  // namespace

namespace {

// The connections that were started and have not ended, process-wide.
struct Unfinished {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};

Unfinished& unfinished() {
    static auto* instance = new Unfinished();  // used by network threads until exit
    return *instance;
}

}  // namespace

struct URLSessionWebSocketTask::Core : std::enable_shared_from_this<Core> {
    // One send() call: its messages go out in order, one WebSocket message each.
    struct PendingSend {
        std::vector<Message> messages;
        bool done = false;  // guarded by condition->mutex
        std::exception_ptr error;
    };

    Core(std::shared_ptr<URLSession> s, URLRequest r, std::shared_ptr<URLSessionWebSocketDelegate> d)
        : session(std::move(s)),
          delegate(std::move(d)),
          strand(session->delegateExecutor()),
          request(std::move(r)),
          resolver(strand),
          watchdog(strand) {}

    const std::shared_ptr<URLSession> session;
    const std::shared_ptr<URLSessionWebSocketDelegate> delegate;
    const asio::any_io_executor strand;
    const URLRequest request;
    std::weak_ptr<URLSessionWebSocketTask> owner;

    // Shared with callers on any thread; guarded by condition->mutex.
    const std::shared_ptr<detail::AsyncCondition> condition = detail::AsyncCondition::create();
    State state = State::suspended;
    std::deque<Message> inbox;
    std::size_t inboxBytes = 0;
    bool readerPaused = false;
    std::exception_ptr endError;  // set once nothing more will arrive or go out
    std::deque<std::shared_ptr<PendingSend>> outbox;
    int peerCloseCode = 0;
    std::optional<std::string> peerCloseReason;
    std::int64_t maximumMessageSize = kDefaultMaximumMessageSize;

    // Only on the strand.
    tcp::resolver resolver;
    asio::steady_timer watchdog;
    std::optional<asio::ssl::context> tlsContext;
    std::unique_ptr<Connection> connection;
    bool resumed = false;
    bool open = false;
    bool writing = false;
    bool aborted = false;      // cancel() or the last handle gone: everything stops
    bool closing = false;      // our close frame is queued or out
    // The connection is ending in a closing handshake, ours or the server's: waiters have been
    // told, and the watchdog belongs to the handshake's limit.
    bool ending = false;
    std::shared_ptr<PendingSend> inFlight;  // the send being written
    bool watchdogFired = false;
    std::uint64_t watchdogGeneration = 0;  // a handler of an earlier arming does nothing
    bool completed = false;
    std::optional<std::pair<int, std::optional<std::string>>> closeRequest;
    bool counted = false;  // among the unfinished connections

    ~Core() { countEnded(); }
    void countStarted() {
        if (counted) return;
        counted = true;
        std::lock_guard lock(unfinished().mutex);
        ++unfinished().count;
    }
    void countEnded() {
        if (!counted) return;
        counted = false;
        {
            std::lock_guard lock(unfinished().mutex);
            --unfinished().count;
        }
        unfinished().ended.notify_all();
    }

    // ---- helpers (strand)

    struct Watchdog {
        std::shared_ptr<Core> self;
        std::uint64_t generation;
        void operator()(const error_code& ec) const {
            // Re-armed or stopped; a handler already queued when that happened is stale too.
            if (ec || generation != self->watchdogGeneration) return;
            self->watchdogFired = true;
            self->resolver.cancel();
            if (self->connection) self->connection->abort();
        }
    };

    void arm(std::chrono::steady_clock::duration limit) {
        watchdog.expires_after(limit);
        watchdog.async_wait(Watchdog{shared_from_this(), ++watchdogGeneration});
    }
    void disarm() {
        ++watchdogGeneration;
        watchdog.cancel();
    }

    double idleSeconds() const {
        const double r = request.timeoutInterval > 0 ? request.timeoutInterval : 60;
        const double s = session->configuration().timeoutIntervalForRequest > 0
                             ? session->configuration().timeoutIntervalForRequest
                             : 60;
        return std::min(r, s);
    }

    URLError failure(const error_code& ec, Phase phase, const std::string& host) const {
        if (aborted) return URLError(URLError::cancelled);
        if (watchdogFired) return URLError(URLError::timedOut);
        switch (phase) {
            case Phase::resolve: return URLError(URLError::cannotFindHost);
            case Phase::connect: return URLError(URLError::cannotConnectToHost);
            case Phase::tls:
                if (connection && connection->certificateRejected) {
                    return net_detail::untrustedCertificateError(host);
                }
                return URLError(URLError::secureConnectionFailed);
            case Phase::handshake: {
                // A server that hangs up without answering lost the connection; one that answers
                // with anything but a valid upgrade (a refusal with 403, say) answered badly.
                const bool hungUp = ec == beast::http::error::end_of_stream ||
                                    ec == beast::http::error::partial_message ||
                                    ec == asio::error::eof || ec == asio::error::connection_reset;
                if (!hungUp && (ec == websocket::condition::handshake_failed ||
                                ec.category() == beast::http::make_error_code(beast::http::error::bad_target).category())) {
                    return URLError(URLError::badServerResponse);
                }
                return URLError(URLError::networkConnectionLost);
            }
        }
        return URLError(URLError::unknown);
    }

    void check(const error_code& ec, Phase phase, const std::string& host) const {
        if (aborted) throw URLError(URLError::cancelled);
        if (ec) throw failure(ec, phase, host);
    }

    template <class Fn>
    void withOwner(Fn fn) {
        if (!delegate) return;
        if (auto task = owner.lock()) fn(*task);
    }

    // Ends the task once: fails what waits, tells the delegate.
    void complete(std::exception_ptr error, std::exception_ptr forWaiters) {
        if (completed) return;
        completed = true;
        disarm();
        resolver.cancel();
        if (connection) connection->abort();
        countEnded();
        std::deque<std::shared_ptr<PendingSend>> failed;
        {
            std::lock_guard lock(condition->mutex);
            state = State::completed;
            if (!endError) endError = forWaiters;
            failed.swap(outbox);
            if (inFlight) failed.push_back(inFlight);
            for (auto& op : failed) {
                if (op->done) continue;
                op->done = true;
                op->error = endError;
            }
        }
        condition->notifyAll();
        withOwner([&](URLSessionWebSocketTask& task) { delegate->didCompleteWithError(*session, task, error); });
    }

    std::chrono::steady_clock::duration closingLimit() const {
        return idleLimit(session->configuration().closingHandshakeTimeout);
    }

    // The server's close frame has been read. Everything waiting ends now, with the messages that
    // had arrived still to be received; the reply and the server's end of the connection get the
    // closing limit, whatever is being written meanwhile.
    void peerClosing() {
        if (completed || aborted || ending) return;
        ending = true;
        auto [code, reason] = connection->peerCloseReason();
        std::deque<std::shared_ptr<PendingSend>> failed;
        {
            std::lock_guard lock(condition->mutex);
            peerCloseCode = code;
            peerCloseReason = reason;
            if (!endError) endError = socketNotConnected();
            failed.swap(outbox);
            if (inFlight) failed.push_back(inFlight);
            for (auto& op : failed) {
                if (op->done) continue;
                op->done = true;
                op->error = endError;
            }
        }
        condition->notifyAll();
        withOwner([&, code = code, reason = reason](URLSessionWebSocketTask& task) {
            delegate->didCloseWith(*session, task, static_cast<CloseCode>(code), reason);
        });
        arm(closingLimit());
    }

    // ---- opening (strand)

    asio::awaitable<void> openConnection() {
        if (aborted) throw URLError(URLError::cancelled);
        const URL& url = request.url;
        const std::string scheme = url.scheme();
        if (scheme != "ws" && scheme != "wss" && scheme != "http" && scheme != "https") {
            throw URLError(URLError::unsupportedURL);
        }
        const bool secure = scheme == "wss" || scheme == "https";
        const std::string host = url.host();
        if (host.empty()) throw URLError(URLError::badURL);
        const int port = url.port().value_or(secure ? 443 : 80);
        if (port < 1 || port > 65535) throw URLError(URLError::badURL);
        net_detail::checkHeaderFields(request.allHTTPHeaderFields());
        const std::string target = net_detail::requestTarget(url);
        const std::string hostField = net_detail::hostHeaderValue(host, port, secure);
        const auto limit = idleLimit(idleSeconds());

        error_code ec;
        arm(limit);
        auto endpoints = co_await resolver.async_resolve(host, std::to_string(port), tcp::resolver::numeric_service,
                                                         asio::redirect_error(asio::use_awaitable, ec));
        disarm();
        check(ec, Phase::resolve, host);
        if (endpoints.empty()) throw URLError(URLError::cannotFindHost);

        if (secure) {
            net_detail::makeClientTlsContext(tlsContext, session->configuration().additionalTrustedCertificateFiles);
            connection = std::make_unique<ConnectionOver<TlsStream>>(strand, *tlsContext);
        } else {
            connection = std::make_unique<ConnectionOver<PlainStream>>(strand);
        }

        arm(limit);
        ec = co_await connection->connect(endpoints);
        disarm();
        check(ec, Phase::connect, host);

        arm(limit);
        ec = co_await connection->secure(host);
        disarm();
        check(ec, Phase::tls, host);

        std::int64_t maxSize;
        {
            std::lock_guard lock(condition->mutex);
            maxSize = maximumMessageSize;
        }
        arm(limit);
        ec = co_await connection->handshake(hostField, target, request.allHTTPHeaderFields(),
                                            static_cast<std::uint64_t>(std::max<std::int64_t>(1, maxSize)));
        disarm();
        check(ec, Phase::handshake, host);
    }

    asio::awaitable<void> run() {
        auto self = shared_from_this();
        std::exception_ptr failed;
        try {
            co_await openConnection();
        } catch (...) {
            failed = std::current_exception();
        }
        if (aborted) failed = cancelledError();
        if (failed) {
            complete(failed, failed);
            co_return;
        }
        open = true;
        connection->onPeerClose = [this] { peerClosing(); };
        withOwner([&](URLSessionWebSocketTask& task) { delegate->didOpenWithProtocol(*session, task, std::nullopt); });
        startWriter();
        co_await readLoop();
    }

    // ---- reading (strand)

    asio::awaitable<void> readLoop() {
        auto self = shared_from_this();
        for (;;) {
            if (completed) co_return;
            {
                std::lock_guard lock(condition->mutex);
                if (inbox.size() >= kInboxMessageLimit || inboxBytes >= kInboxByteLimit) {
                    readerPaused = true;  // receive() starts the reader again
                    co_return;
                }
            }
            beast::flat_buffer buffer;
            bool text = false;
            const error_code ec = co_await connection->read(buffer, text);
            if (ec) {
                readEnded(ec);
                co_return;
            }
            Message m{text ? Message::Kind::string : Message::Kind::data, beast::buffers_to_string(buffer.data())};
            {
                std::lock_guard lock(condition->mutex);
                inboxBytes += m.payload.size();
                inbox.push_back(std::move(m));
            }
            condition->notifyAll();
        }
    }

    void readEnded(const error_code& ec) {
        if (aborted || closing) {
            complete(cancelledError(), cancelledError());
            return;
        }
        if (ending) {
            // The server's close, told at once; the handshake has now ended or run out of time.
            complete(nullptr, socketNotConnected());
            return;
        }
        if (watchdogFired) {
            auto e = std::make_exception_ptr(URLError(URLError::timedOut));
            complete(e, e);
            return;
        }
        if (ec == websocket::error::closed) {  // a close that was not seen on its way in
            peerClosing();
            complete(nullptr, socketNotConnected());
            return;
        }
        if (ec == websocket::error::message_too_big) {
            auto e = std::make_exception_ptr(NSError(kPOSIXErrorDomain, 40, "Message too long"));
            complete(e, e);
            return;
        }
        auto e = std::make_exception_ptr(URLError(URLError::networkConnectionLost));
        complete(e, e);
    }

    void restartReader() {
        asio::co_spawn(strand, readLoop(), asio::detached);
    }

    // ---- writing (strand)

    void startWriter() {
        if (!open || writing || completed) return;
        writing = true;
        asio::co_spawn(strand, writeLoop(), asio::detached);
    }

    asio::awaitable<void> writeLoop() {
        auto self = shared_from_this();
        for (;;) {
            std::shared_ptr<PendingSend> op;
            {
                std::lock_guard lock(condition->mutex);
                if (!outbox.empty() && !completed && !ending) {
                    op = outbox.front();
                    outbox.pop_front();
                    inFlight = op;
                }
            }
            if (!op) break;
            // A server that stops taking data would hold the write, and its sender, for good:
            // a write that makes no progress for the idle limit ends the task. (A closing
            // handshake owns the watchdog for its own limit.)
            // A close, a cancel or the task's end stops a batch between two of its messages.
            BatchWriteHooks hooks{[this] {
                                      if (!ending) arm(idleLimit(idleSeconds()));
                                  },
                                  [this] {
                                      if (!ending) disarm();
                                  },
                                  [this] { return ending || completed; }};
            const error_code ec = co_await connection->write(op->messages, hooks);
            std::exception_ptr error;
            if (ec) {
                if (aborted || closing) error = cancelledError();
                else if (watchdogFired) error = std::make_exception_ptr(URLError(URLError::timedOut));
                else error = std::make_exception_ptr(URLError(URLError::networkConnectionLost));
            }
            {
                std::lock_guard lock(condition->mutex);
                inFlight.reset();
                // A close or the task's end may have answered the sender already.
                if (!op->done) {
                    op->done = true;
                    op->error = error;
                }
            }
            condition->notifyAll();
            if (ec) break;
        }
        writing = false;
        if (closeRequest && !completed) {
            auto [code, reason] = *closeRequest;
            closeRequest.reset();
            error_code ignored = co_await connection->close(code, reason);
            (void)ignored;
            // The reader sees the end and completes the task; make sure the socket goes.
            connection->abort();
            // A reader stopped by a full queue sees nothing, so the task ends here.
            bool readerStopped;
            {
                std::lock_guard lock(condition->mutex);
                readerStopped = readerPaused;
            }
            if (readerStopped) complete(cancelledError(), cancelledError());
        }
    }

    // ---- cancelling (strand)

    void cancelOnStrand(std::optional<std::pair<int, std::optional<std::string>>> closeFrame) {
        if (completed || closing || aborted) return;
        // The server's close is being answered already: a cancel now drops the connection.
        if (ending) closeFrame.reset();
        std::deque<std::shared_ptr<PendingSend>> failed;
        {
            std::lock_guard lock(condition->mutex);
            state = State::canceling;
            endError = cancelledError();
            inbox.clear();
            inboxBytes = 0;
            failed.swap(outbox);
            if (inFlight) failed.push_back(inFlight);
            for (auto& op : failed) {
                if (op->done) continue;
                op->done = true;
                op->error = endError;
            }
        }
        condition->notifyAll();
        if (!resumed) {
            aborted = true;
            complete(cancelledError(), cancelledError());
            return;
        }
        if (!open || !closeFrame) {
            aborted = true;
            resolver.cancel();
            disarm();
            if (connection) connection->abort();
            if (open) complete(cancelledError(), cancelledError());
            return;
        }
        closing = true;
        ending = true;
        closeRequest = std::move(closeFrame);
        arm(closingLimit());  // a server that never answers the close is dropped
        if (!writing) {
            writing = true;
            asio::co_spawn(strand, writeLoop(), asio::detached);
        }
    }
};

std::shared_ptr<URLSessionWebSocketTask> URLSessionWebSocketTask::make(
    std::shared_ptr<URLSession> session, URLRequest request, std::shared_ptr<URLSessionWebSocketDelegate> delegate) {
    auto core = std::make_shared<Core>(std::move(session), std::move(request), std::move(delegate));
    std::shared_ptr<URLSessionWebSocketTask> task(new URLSessionWebSocketTask(core));
    core->owner = task;
    return task;
}

URLSessionWebSocketTask::~URLSessionWebSocketTask() {
    asio::post(core_->strand, [core = core_] { core->cancelOnStrand(std::nullopt); });
}

void URLSessionWebSocketTask::resume() {
    asio::post(core_->strand, [core = core_] {
        if (core->resumed || core->completed || core->aborted) return;
        core->resumed = true;
        core->countStarted();
        {
            std::lock_guard lock(core->condition->mutex);
            core->state = State::running;
        }
        if (core->session->isInvalidated()) {
            core->aborted = true;
            core->complete(cancelledError(), cancelledError());
            return;
        }
        asio::co_spawn(core->strand, core->run(), asio::detached);
    });
}

asio::awaitable<void> URLSessionWebSocketTask::send(Message message) {
    std::vector<Message> messages;
    messages.push_back(std::move(message));
    co_await send(std::move(messages));
}

asio::awaitable<void> URLSessionWebSocketTask::send(std::vector<Message> messages) {
    auto core = core_;
    auto op = std::make_shared<Core::PendingSend>();
    op->messages = std::move(messages);
    {
        std::lock_guard lock(core->condition->mutex);
        if (core->endError) std::rethrow_exception(core->endError);
        core->outbox.push_back(op);
    }
    asio::post(core->strand, [core] { core->startWriter(); });
    // Named, not a temporary: GCC 12 destroys closures made inside a co_await expression twice.
    std::function<bool()> written = [o = op.get()] { return o->done; };
    co_await core->condition->waitUntil(std::move(written));
    if (op->error) std::rethrow_exception(op->error);
}

asio::awaitable<Message> URLSessionWebSocketTask::receive() {
    auto core = core_;
    std::optional<Message> m;
    while (!m) {
        std::function<bool()> ready = [c = core.get()] { return !c->inbox.empty() || c->endError; };
        co_await core->condition->waitUntil(std::move(ready));
        bool restart = false;
        std::exception_ptr ended;
        {
            std::lock_guard lock(core->condition->mutex);
            if (!core->inbox.empty()) {
                m.emplace(std::move(core->inbox.front()));
                core->inbox.pop_front();
                core->inboxBytes -= m->payload.size();
                if (core->readerPaused && core->inbox.size() < kInboxMessageLimit &&
                    core->inboxBytes < kInboxByteLimit) {
                    core->readerPaused = false;
                    restart = true;
                }
            } else {
                ended = core->endError;
            }
        }
        if (restart) asio::post(core->strand, [core] { core->restartReader(); });
        if (ended) std::rethrow_exception(ended);
    }
    co_return std::move(*m);
}

void URLSessionWebSocketTask::cancel(CloseCode closeCode, std::optional<std::string> reason) {
    asio::post(core_->strand, [core = core_, code = static_cast<int>(closeCode), reason = std::move(reason)]() mutable {
        core->cancelOnStrand(std::make_pair(code, std::move(reason)));
    });
}

void URLSessionWebSocketTask::cancel() {
    asio::post(core_->strand, [core = core_] { core->cancelOnStrand(std::nullopt); });
}

bool URLSessionWebSocketTask::waitUntilAllEnded(std::chrono::milliseconds limit) {
    std::unique_lock lock(unfinished().mutex);
    return unfinished().ended.wait_for(lock, limit, [] { return unfinished().count == 0; });
}

URLSessionWebSocketTask::State URLSessionWebSocketTask::state() const {
    std::lock_guard lock(core_->condition->mutex);
    return core_->state;
}

CloseCode URLSessionWebSocketTask::closeCode() const {
    std::lock_guard lock(core_->condition->mutex);
    return static_cast<CloseCode>(core_->peerCloseCode);
}

std::optional<std::string> URLSessionWebSocketTask::closeReason() const {
    std::lock_guard lock(core_->condition->mutex);
    return core_->peerCloseReason;
}

std::int64_t URLSessionWebSocketTask::maximumMessageSize() const {
    std::lock_guard lock(core_->condition->mutex);
    return core_->maximumMessageSize;
}

void URLSessionWebSocketTask::setMaximumMessageSize(std::int64_t bytes) {
    std::lock_guard lock(core_->condition->mutex);
    core_->maximumMessageSize = bytes;
}

const URLRequest& URLSessionWebSocketTask::originalRequest() const { return core_->request; }

}  // namespace platform
