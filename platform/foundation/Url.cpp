#include "platform/foundation/Url.h"

#include <boost/url/parse.hpp>
#include <boost/url/url_view.hpp>
// Boost.URL is used header-only; its implementation is compiled here, once.
#include <boost/url/src.hpp>

#include "platform/foundation/Text.h"

namespace platform {
namespace {

namespace urls = boost::urls;

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool isSubDelim(unsigned char c) {
    switch (c) {
        case '!': case '$': case '&': case '\'': case '(': case ')':
        case '*': case '+': case ',': case ';': case '=':
            return true;
        default:
            return false;
    }
}

bool isPathChar(unsigned char c) { return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@'; }

// Query values travel to servers that decode forms, where "+" means a space and "&", "="
// split pairs, so those stay encoded even though RFC 3986 allows them in a query.
bool isQueryItemChar(unsigned char c) {
    if (c == '+' || c == '&' || c == '=') return false;
    return isPathChar(c) || c == '/' || c == '?';
}

bool isFragmentChar(unsigned char c) { return isPathChar(c) || c == '/' || c == '?'; }

template <class Allowed>
std::string encode(std::string_view s, Allowed allowed) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (allowed(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::optional<urls::url_view> view(std::string_view text) {
    if (text.empty()) return std::nullopt;
    auto r = urls::parse_uri_reference(urls::string_view(text.data(), text.size()));
    if (!r) return std::nullopt;
    return *r;
}

std::string decodedOrRaw(std::string_view s) {
    auto d = percentDecode(s);
    return d ? *d : std::string(s);
}

std::string hostOf(const urls::url_view& u) {
    if (u.host_type() == urls::host_type::ipv6 || u.host_type() == urls::host_type::ipvfuture)
        return std::string(u.encoded_host_address());
    return decodedOrRaw(u.encoded_host());
}

std::optional<int> portOf(const urls::url_view& u) {
    if (!u.has_port()) return std::nullopt;
    auto p = u.port();
    if (p.empty() || p.size() > 5) return std::nullopt;
    int v = 0;
    for (char c : p) v = v * 10 + (c - '0');
    if (v > 65535) return std::nullopt;
    return v;
}

std::string lastComponentOfPath(const std::string& path) {
    if (path.empty()) return "";
    if (path == "/") return "/";
    std::string_view p(path);
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    auto slash = p.rfind('/');
    return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}

// Replaces the path of a URL text, keeping every other part.
std::string withEncodedPath(std::string_view text, std::string_view newPath) {
    auto u = view(text);
    if (!u) return std::string(text);
    std::string out;
    if (u->has_scheme()) {
        out += u->scheme();
        out += ':';
    }
    if (u->has_authority()) {
        out += "//";
        out += u->encoded_authority();
    }
    out += newPath;
    if (u->has_query()) {
        out += '?';
        out += u->encoded_query();
    }
    if (u->has_fragment()) {
        out += '#';
        out += u->encoded_fragment();
    }
    return out;
}

bool validScheme(std::string_view s) {
    if (s.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!alpha(s[0])) return false;
    for (char c : s)
        if (!(alpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return false;
    return true;
}

std::string encodeQueryItems(const std::vector<URLQueryItem>& items) {
    std::string out;
    bool first = true;
    for (const auto& item : items) {
        if (!first) out += '&';
        first = false;
        out += encode(item.name, isQueryItemChar);
        if (item.value) {
            out += '=';
            out += encode(*item.value, isQueryItemChar);
        }
    }
    return out;
}

}  // namespace

// ---- URL

std::optional<URL> URL::parse(std::string_view text) {
    if (!view(text)) return std::nullopt;
    return URL(std::string(text));
}

URL URL::fileURL(std::string_view absolutePath, bool isDirectory) {
    std::string path = encode(absolutePath, [](unsigned char c) { return isPathChar(c) || c == '/'; });
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    if (isDirectory && path.back() != '/') path.push_back('/');
    return URL("file://" + path);
}

std::string URL::scheme() const {
    auto u = view(text_);
    if (!u || !u->has_scheme()) return "";
    return text::lowercased(u->scheme());
}

std::string URL::host() const {
    auto u = view(text_);
    if (!u || !u->has_authority()) return "";
    return hostOf(*u);
}

std::optional<int> URL::port() const {
    auto u = view(text_);
    if (!u) return std::nullopt;
    return portOf(*u);
}

std::string URL::path() const {
    auto u = view(text_);
    if (!u) return "";
    return decodedOrRaw(u->encoded_path());
}

std::string URL::percentEncodedPath() const {
    auto u = view(text_);
    if (!u) return "";
    return std::string(u->encoded_path());
}

std::optional<std::string> URL::query() const {
    auto u = view(text_);
    if (!u || !u->has_query()) return std::nullopt;
    return std::string(u->encoded_query());
}

std::optional<std::string> URL::fragment() const {
    auto u = view(text_);
    if (!u || !u->has_fragment()) return std::nullopt;
    return std::string(u->encoded_fragment());
}

std::string URL::lastPathComponent() const { return lastComponentOfPath(path()); }

std::string URL::pathExtension() const {
    std::string last = lastPathComponent();
    auto dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return "";
    return last.substr(dot + 1);
}

URL URL::appendingPathComponent(std::string_view component, bool isDirectory) const {
    std::string path = percentEncodedPath();
    auto u = view(text_);
    if (path.empty() ? (u && u->has_authority()) : path.back() != '/') path.push_back('/');
    std::string_view comp = component;
    if (!path.empty() && path.back() == '/')
        while (!comp.empty() && comp.front() == '/') comp.remove_prefix(1);
    path += encode(comp, [](unsigned char c) { return isPathChar(c) || c == '/'; });
    if (isDirectory && (path.empty() || path.back() != '/')) path.push_back('/');
    return URL(withEncodedPath(text_, path));
}

URL URL::deletingLastPathComponent() const {
    std::string path = percentEncodedPath();
    if (path.empty() || path == "/") return *this;
    std::string_view p(path);
    while (!p.empty() && p.back() == '/') p.remove_suffix(1);
    auto slash = p.rfind('/');
    std::string newPath = slash == std::string_view::npos ? std::string() : std::string(p.substr(0, slash + 1));
    return URL(withEncodedPath(text_, newPath));
}

// ---- URLComponents

std::optional<URLComponents> URLComponents::parse(std::string_view text) {
    auto u = view(text);
    if (!u) {
        // An empty reference is valid and has no parts.
        if (text.empty()) return URLComponents();
        return std::nullopt;
    }
    URLComponents c;
    if (u->has_scheme()) c.scheme = std::string(u->scheme());
    if (u->has_authority()) {
        c.host = hostOf(*u);
        if (u->has_userinfo()) {
            c.user = decodedOrRaw(u->encoded_user());
            if (u->has_password()) c.password = decodedOrRaw(u->encoded_password());
        }
        c.port = portOf(*u);
    }
    c.path = decodedOrRaw(u->encoded_path());
    if (u->has_query()) {
        std::vector<URLQueryItem> items;
        std::string_view q = u->encoded_query();
        if (!q.empty()) {
            for (const std::string& piece : text::components(q, "&")) {
                auto eq = piece.find('=');
                if (eq == std::string::npos) {
                    items.push_back({decodedOrRaw(piece), std::nullopt});
                } else {
                    items.push_back({decodedOrRaw(std::string_view(piece).substr(0, eq)),
                                     decodedOrRaw(std::string_view(piece).substr(eq + 1))});
                }
            }
        }
        c.queryItems = std::move(items);
    }
    if (u->has_fragment()) c.fragment = decodedOrRaw(u->encoded_fragment());
    return c;
}

URLComponents URLComponents::fromURL(const URL& url) {
    auto c = parse(url.absoluteString());
    return c ? std::move(*c) : URLComponents();
}

std::optional<std::string> URLComponents::percentEncodedQuery() const {
    if (!queryItems) return std::nullopt;
    return encodeQueryItems(*queryItems);
}

std::optional<std::string> URLComponents::string() const {
    std::string out;
    if (scheme) {
        if (!validScheme(*scheme)) return std::nullopt;
        out += *scheme;
        out += ':';
    }
    const bool hasAuthority = host || user || password || port;
    if (hasAuthority) {
        if (port && (*port < 0 || *port > 65535)) return std::nullopt;
        out += "//";
        if (user || password) {
            auto userChar = [](unsigned char c) { return isUnreserved(c) || (isSubDelim(c)); };
            out += encode(user.value_or(""), userChar);
            if (password) {
                out += ':';
                out += encode(*password, userChar);
            }
            out += '@';
        }
        const std::string& h = host ? *host : std::string();
        if (h.find(':') != std::string::npos) {
            // An IP literal; the parse below rejects anything that is not one.
            out += '[';
            out += h;
            out += ']';
        } else {
            out += encode(h, [](unsigned char c) { return isUnreserved(c) || isSubDelim(c); });
        }
        if (port) {
            out += ':';
            out += std::to_string(*port);
        }
    }
    if (hasAuthority && !path.empty() && path.front() != '/') return std::nullopt;
    if (!hasAuthority && text::hasPrefix(path, "//")) return std::nullopt;
    if (!scheme && !hasAuthority) {
        // A colon in the first segment would be read back as a scheme.
        auto firstSlash = path.find('/');
        if (path.substr(0, firstSlash).find(':') != std::string::npos) return std::nullopt;
    }
    out += encode(path, [](unsigned char c) { return isPathChar(c) || c == '/'; });
    if (queryItems) {
        out += '?';
        out += encodeQueryItems(*queryItems);
    }
    if (fragment) {
        out += '#';
        out += encode(*fragment, isFragmentChar);
    }
    if (!out.empty() && !view(out)) return std::nullopt;
    return out;
}

std::optional<URL> URLComponents::url() const {
    auto s = string();
    if (!s) return std::nullopt;
    return URL::parse(*s);
}

std::string joinURLPath(std::string_view basePath, std::string_view path) {
    std::string b(basePath);
    if (!b.empty() && b.back() == '/') b.pop_back();
    std::string r(path);
    if (r.empty() || r.front() != '/') r.insert(r.begin(), '/');
    if (b.empty() || b == "/") return r;
    return b + r;
}

std::string percentEncodeUnreserved(std::string_view s) { return encode(s, isUnreserved); }

std::optional<std::string> percentDecode(std::string_view s) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int hi = hex(s[i + 1]);
        int lo = hex(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return out;
}

}  // namespace platform
