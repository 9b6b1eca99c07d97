#pragma once
// What the HTTP exchange and the WebSocket task do alike when they open a connection: the idle
// limit, the checks of the caller's header fields, the request target and Host field, and the
// client side of TLS. Internal to platform/net; no Beast here.
#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl.hpp>
#include <openssl/ssl.h>

#include "platform/foundation/Url.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

namespace platform::net_detail {

inline std::chrono::steady_clock::duration idleLimit(double seconds) {
    if (!(seconds > 0)) seconds = 60;                 // not positive, or not a number
    seconds = std::min(seconds, 365.0 * 24 * 3600);   // keeps the conversion in range
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

inline std::string asciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// What a request head opens: a plain HTTP exchange or a WebSocket upgrade.
enum class RequestHead { http, webSocketUpgrade };

// Fields the connection writes itself and never takes from the caller: the framing of every
// request head, and for an upgrade also the fields of the WebSocket handshake.
inline bool isReservedField(std::string_view name, RequestHead head) {
    const std::string lower = asciiLower(name);
    if (lower == "host" || lower == "content-length" || lower == "transfer-encoding" || lower == "connection")
        return true;
    return head == RequestHead::webSocketUpgrade &&
           (lower == "upgrade" || lower == "sec-websocket-key" || lower == "sec-websocket-version" ||
            lower == "sec-websocket-extensions");
}

// Throws badURL, before anything is sent, for a field that would break the request head.
inline void checkHeaderFields(const std::vector<std::pair<std::string, std::string>>& fields) {
    for (const auto& [name, value] : fields) {
        if (!isValidHeaderFieldName(name)) {
            throw URLError(URLError::badURL, "The request was not sent: \"" + name +
                                                 "\" is not a valid header field name.");
        }
        if (!isValidHeaderFieldValue(value)) {
            throw URLError(URLError::badURL, "The request was not sent: the value of header field \"" +
                                                 name + "\" contains a line break or NUL character.");
        }
    }
}

// The path and query of the request line.
inline std::string requestTarget(const URL& url) {
    std::string target = url.percentEncodedPath();
    if (target.empty()) target = "/";
    if (auto q = url.query()) target += "?" + *q;
    return target;
}

// The Host field: IPv6 literals in brackets, the port only when it is not the scheme's own.
inline std::string hostHeaderValue(const std::string& host, int port, bool secure) {
    std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (port != (secure ? 443 : 80)) h += ":" + std::to_string(port);
    return h;
}

inline URLError untrustedCertificateError(const std::string& host) {
    return URLError(URLError::serverCertificateUntrusted,
                    "The certificate for this server is invalid. You might be "
                    "connecting to a server that is pretending to be \u201c" +
                        host +
                        "\u201d which could put your confidential information "
                        "at risk.");
}

// A TLS 1.2 or later client context that trusts the system's roots and `extraRoots`. Throws
// secureConnectionFailed when a root file cannot be loaded.
inline void makeClientTlsContext(std::optional<boost::asio::ssl::context>& context,
                                 const std::vector<std::string>& extraRoots) {
    try {
        context.emplace(boost::asio::ssl::context::tls_client);
        context->set_default_verify_paths();
        for (const auto& file : extraRoots) context->load_verify_file(file);
        SSL_CTX_set_min_proto_version(context->native_handle(), TLS1_2_VERSION);
    } catch (const boost::system::system_error&) {
        throw URLError(URLError::secureConnectionFailed);
    }
}

// Names the server (for names, never for address literals) and checks its certificate against
// `host`; a rejected certificate sets `rejected`, which must outlive the handshake. False when
// the name cannot be set.
template <class SslStream>
bool prepareClientTls(SslStream& tls, const std::string& host, bool& rejected) {
    boost::system::error_code parseEc;
    boost::asio::ip::make_address(host, parseEc);
    if (parseEc && !SSL_set_tlsext_host_name(tls.native_handle(), host.c_str())) return false;
    tls.set_verify_mode(boost::asio::ssl::verify_peer);
    tls.set_verify_callback([&rejected, verifier = boost::asio::ssl::host_name_verification(host)](
                                bool preverified, boost::asio::ssl::verify_context& ctx) mutable {
        const bool ok = verifier(preverified, ctx);
        if (!ok) rejected = true;
        return ok;
    });
    return true;
}

}  // namespace platform::net_detail
