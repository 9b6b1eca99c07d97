#include "platform/net/detail/HttpExchange.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "platform/net/URLError.h"
#include "platform/net/detail/ConnectionHelpers.h"

namespace platform::net_detail {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr std::size_t kBodyChunkBytes = 256 * 1024;
constexpr std::uint32_t kHeaderLimitBytes = 64 * 1024;

enum class Phase { resolve, connect, tls, send, receive };

// Closes a file descriptor when the exchange ends, however it ends.
struct FileHandle {
    int fd = -1;
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

struct HttpExchange::Impl {
    Impl(asio::any_io_executor strand, HttpExchangePlan s, BodyProgress p)
        : executor(std::move(strand)),
          plan(std::move(s)),
          progress(std::move(p)),
          resolver(executor),
          resolveTimer(executor) {}

    asio::any_io_executor executor;
    HttpExchangePlan plan;
    BodyProgress progress;
    tcp::resolver resolver;
    asio::steady_timer resolveTimer;
    std::optional<asio::ssl::context> tlsContext;
    std::optional<beast::tcp_stream> plainStream;
    std::optional<beast::ssl_stream<beast::tcp_stream>> secureStream;
    bool cancelled = false;
    bool resolveTimedOut = false;
    // When the whole exchange must have ended (set when run() starts).
    std::chrono::steady_clock::time_point resourceDeadline = std::chrono::steady_clock::time_point::max();
    bool certificateRejected = false;
    std::string host;

    // The one handler type of the resolve watchdog.
    struct ResolveWatchdog {
        Impl* self;
        void operator()(const error_code& ec) const {
            if (ec) return;  // re-armed or cancelled
            self->resolveTimedOut = true;
            self->resolver.cancel();
        }
    };

    // The end of the next wait: its own idle limit, or the resource deadline when that comes
    // first. A wait cut short by the deadline fails as a time-out like any other.
    std::chrono::steady_clock::time_point nextExpiry(std::chrono::steady_clock::duration idle) const {
        const auto now = std::chrono::steady_clock::now();
        if (resourceDeadline - now <= idle) return resourceDeadline;
        return now + idle;
    }

    void closeStreams() {
        error_code ignored;
        if (plainStream) plainStream->socket().close(ignored);
        if (secureStream) beast::get_lowest_layer(*secureStream).socket().close(ignored);
    }

    URLError failure(const error_code& ec, Phase phase) const {
        if (cancelled) return URLError(URLError::cancelled);
        if (ec == beast::error::timeout || (phase == Phase::resolve && resolveTimedOut)) {
            return URLError(URLError::timedOut);
        }
        switch (phase) {
            case Phase::resolve: return URLError(URLError::cannotFindHost);
            case Phase::connect: return URLError(URLError::cannotConnectToHost);
            case Phase::tls:
                if (certificateRejected) return untrustedCertificateError(host);
                return URLError(URLError::secureConnectionFailed);
            case Phase::send: return URLError(URLError::networkConnectionLost);
            case Phase::receive:
                if (ec == http::error::body_limit) return URLError(URLError::dataLengthExceedsMaximum);
                if (ec.category() == http::make_error_code(http::error::end_of_stream).category() &&
                    ec != http::error::end_of_stream && ec != http::error::partial_message) {
                    return URLError(URLError::cannotParseResponse);
                }
                return URLError(URLError::networkConnectionLost);
        }
        return URLError(URLError::unknown);
    }

    void check(const error_code& ec, Phase phase) const {
        if (cancelled) throw URLError(URLError::cancelled);
        if (ec) throw failure(ec, phase);
    }

    template <class Stream>
    asio::awaitable<URLSessionDataResult> exchangeOver(Stream& stream,
                                                       const tcp::resolver::results_type& endpoints,
                                                       int port, bool secure, int bodyFd,
                                                       std::int64_t fileSize);
    asio::awaitable<URLSessionDataResult> run();
};

template <class Stream>
asio::awaitable<URLSessionDataResult> HttpExchange::Impl::exchangeOver(
    Stream& stream, const tcp::resolver::results_type& endpoints, int port, bool secure,
    int bodyFd, std::int64_t fileSize) {
    auto& lowest = beast::get_lowest_layer(stream);
    const auto limit = idleLimit(plan.idleTimeoutSeconds);
    error_code ec;

    lowest.expires_at(nextExpiry(limit));
    co_await lowest.async_connect(endpoints, asio::redirect_error(asio::use_awaitable, ec));
    check(ec, Phase::connect);

    if constexpr (!std::is_same_v<Stream, beast::tcp_stream>) {
        if (!prepareClientTls(stream, host, certificateRejected)) {
            throw URLError(URLError::secureConnectionFailed);
        }
        lowest.expires_at(nextExpiry(limit));
        co_await stream.async_handshake(asio::ssl::stream_base::client,
                                        asio::redirect_error(asio::use_awaitable, ec));
        check(ec, Phase::tls);
    }

    // ---- request head
    http::request<http::empty_body> head;
    head.method_string(plan.method);
    head.target(requestTarget(plan.url));
    head.version(11);
    head.set(http::field::host, hostHeaderValue(host, port, secure));
    bool hasAccept = false;
    bool hasUserAgent = false;
    for (const auto& [name, value] : plan.headers) {
        if (isReservedField(name, RequestHead::http)) continue;
        const std::string lower = asciiLower(name);
        hasAccept = hasAccept || lower == "accept";
        hasUserAgent = hasUserAgent || lower == "user-agent";
        head.insert(name, value);
    }
    if (!hasAccept) head.set(http::field::accept, "*/*");
    if (!hasUserAgent) head.set(http::field::user_agent, "Tarvo (Linux) platform-net/1");

    std::int64_t bodyLength = -1;
    if (plan.body) {
        bodyLength = static_cast<std::int64_t>(plan.body->size());
    } else if (bodyFd >= 0) {
        bodyLength = fileSize;
    } else {
        const std::string m = asciiLower(plan.method);
        if (m == "post" || m == "put" || m == "patch") bodyLength = 0;
    }
    if (bodyLength >= 0) head.set(http::field::content_length, std::to_string(bodyLength));

    http::request_serializer<http::empty_body> serializer(head);
    lowest.expires_at(nextExpiry(limit));
    co_await http::async_write_header(stream, serializer,
                                      asio::redirect_error(asio::use_awaitable, ec));
    check(ec, Phase::send);

    // ---- request body, piece by piece so progress is reported and the time limit is per piece
    error_code sendError;
    std::int64_t sent = 0;
    if (plan.body && !plan.body->empty()) {
        const auto& bytes = *plan.body;
        while (sent < bodyLength) {
            const std::size_t n = std::min<std::size_t>(kBodyChunkBytes,
                                                        static_cast<std::size_t>(bodyLength - sent));
            lowest.expires_at(nextExpiry(limit));
            co_await asio::async_write(stream, asio::buffer(bytes.data() + sent, n),
                                       asio::redirect_error(asio::use_awaitable, ec));
            if (cancelled) throw URLError(URLError::cancelled);
            if (ec) {
                sendError = ec;
                break;
            }
            sent += static_cast<std::int64_t>(n);
            if (progress) progress(static_cast<std::int64_t>(n), sent, bodyLength);
        }
    } else if (bodyFd >= 0 && bodyLength > 0) {
        std::vector<std::uint8_t> buffer(kBodyChunkBytes);
        while (sent < bodyLength) {
            const std::size_t want = std::min<std::size_t>(
                buffer.size(), static_cast<std::size_t>(bodyLength - sent));
            ssize_t got;
            do {
                got = ::read(bodyFd, buffer.data(), want);
            } while (got < 0 && errno == EINTR);
            if (got < 0) {
                throw URLError(URLError::noPermissionsToReadFile,
                               std::string("The file could not be read: ") + std::strerror(errno));
            }
            if (got == 0) {
                // The announced length can no longer be honoured; end rather than send a
                // truncated body the server would take as complete.
                throw URLError(URLError::unknown, "The file became shorter while it was being sent.");
            }
            lowest.expires_at(nextExpiry(limit));
            co_await asio::async_write(stream, asio::buffer(buffer.data(), static_cast<std::size_t>(got)),
                                       asio::redirect_error(asio::use_awaitable, ec));
            if (cancelled) throw URLError(URLError::cancelled);
            if (ec) {
                sendError = ec;
                break;
            }
            sent += got;
            if (progress) progress(got, sent, bodyLength);
        }
    }
    if (sendError == beast::error::timeout) throw failure(sendError, Phase::send);

    // ---- reply. A server may answer (401, 413...) and close before taking the whole body; its
    // reply is then still read and returned, and only without one is the send failure reported.
    beast::flat_buffer buffer;
    std::optional<http::response_parser<http::vector_body<std::uint8_t>>> parser;
    for (;;) {
        parser.emplace();
        parser->header_limit(kHeaderLimitBytes);
        parser->body_limit(static_cast<std::uint64_t>(std::max<std::int64_t>(0, plan.maximumResponseBodyBytes)));
        if (asciiLower(plan.method) == "head") parser->skip(true);
        lowest.expires_at(nextExpiry(limit));
        co_await http::async_read_header(stream, buffer, *parser,
                                         asio::redirect_error(asio::use_awaitable, ec));
        if (cancelled) throw URLError(URLError::cancelled);
        if (ec && sendError) throw failure(sendError, Phase::send);
        check(ec, Phase::receive);
        const unsigned status = parser->get().result_int();
        if (status >= 100 && status < 200 && status != 101) continue;  // interim reply
        break;
    }
    while (!parser->is_done()) {
        lowest.expires_at(nextExpiry(limit));
        co_await http::async_read_some(stream, buffer, *parser,
                                       asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::ssl::error::stream_truncated && parser->need_eof()) {
            // A TLS peer that ends a close-delimited body without close_notify.
            ec = {};
            parser->put_eof(ec);
        }
        check(ec, Phase::receive);
    }
    lowest.expires_never();
    closeStreams();

    auto& message = parser->get();
    HTTPURLResponse response(plan.url);
    response.statusCode = static_cast<int>(message.result_int());
    for (const auto& field : message) {
        const std::string name(field.name_string());
        const std::string value(field.value());
        auto it = std::find_if(response.allHeaderFields.begin(), response.allHeaderFields.end(),
                               [&](const auto& f) { return asciiLower(f.first) == asciiLower(name); });
        if (it != response.allHeaderFields.end()) {
            it->second += ", " + value;
        } else {
            response.allHeaderFields.emplace_back(name, value);
        }
    }
    if (auto len = message.payload_size()) {
        response.expectedContentLength = static_cast<std::int64_t>(*len);
    } else if (auto cl = message.find(http::field::content_length); cl != message.end()) {
        response.expectedContentLength = std::strtoll(std::string(cl->value()).c_str(), nullptr, 10);
    }
    URLSessionDataResult result;
    result.data = std::move(message.body());
    result.response = std::move(response);
    co_return result;
}

asio::awaitable<URLSessionDataResult> HttpExchange::Impl::run() {
    const std::string scheme = plan.url.scheme();
    if (scheme != "http" && scheme != "https") throw URLError(URLError::unsupportedURL);
    const bool secure = scheme == "https";
    host = plan.url.host();
    if (host.empty()) throw URLError(URLError::badURL);
    const int port = plan.url.port().value_or(secure ? 443 : 80);
    if (port < 1 || port > 65535) throw URLError(URLError::badURL);
    if (plan.method.empty() || !isValidHeaderFieldName(plan.method)) {
        throw URLError(URLError::badURL, "The request was not sent: the method \"" + plan.method +
                                             "\" is not a valid HTTP method.");
    }
    checkHeaderFields(plan.headers);

    FileHandle file;
    std::int64_t fileSize = 0;
    if (plan.bodyFilePath) {
        file.fd = ::open(plan.bodyFilePath->c_str(), O_RDONLY | O_CLOEXEC);
        if (file.fd < 0) {
            if (errno == EACCES || errno == EPERM) throw URLError(URLError::noPermissionsToReadFile);
            throw URLError(URLError::fileDoesNotExist);
        }
        struct stat st {};
        if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            throw URLError(URLError::fileDoesNotExist);
        }
        fileSize = static_cast<std::int64_t>(st.st_size);
    }

    resourceDeadline = std::chrono::steady_clock::now() + idleLimit(plan.resourceTimeoutSeconds);
    error_code ec;
    resolveTimer.expires_at(nextExpiry(idleLimit(plan.idleTimeoutSeconds)));
    resolveTimer.async_wait(ResolveWatchdog{this});
    // A named service text: g++ 12 destroys a temporary of a full-expression that holds a
    // co_await twice.
    const std::string service = std::to_string(port);
    auto endpoints = co_await resolver.async_resolve(
        host, service, tcp::resolver::numeric_service,
        asio::redirect_error(asio::use_awaitable, ec));
    resolveTimer.cancel();
    check(ec, Phase::resolve);
    if (endpoints.empty()) throw URLError(URLError::cannotFindHost);

    if (secure) {
        makeClientTlsContext(tlsContext, plan.trustedCertificateFiles);
        secureStream.emplace(executor, *tlsContext);
        co_return co_await exchangeOver(*secureStream, endpoints, port, true, file.fd, fileSize);
    }
    plainStream.emplace(executor);
    co_return co_await exchangeOver(*plainStream, endpoints, port, false, file.fd, fileSize);
}

HttpExchange::HttpExchange(asio::any_io_executor strand, HttpExchangePlan plan, BodyProgress progress)
    : impl_(std::make_unique<Impl>(std::move(strand), std::move(plan), std::move(progress))) {}

HttpExchange::~HttpExchange() = default;

asio::awaitable<URLSessionDataResult> HttpExchange::run() { return impl_->run(); }

void HttpExchange::cancel() {
    if (impl_->cancelled) return;
    impl_->cancelled = true;
    impl_->resolver.cancel();
    impl_->resolveTimer.cancel();
    impl_->closeStreams();
}

}  // namespace platform::net_detail
