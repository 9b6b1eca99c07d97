#pragma once
// URLs and URL components (RFC 3986, on Boost.URL). No Boost type appears here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An absolute or relative URL reference, kept as its text.
class URL {
public:
    // nullopt when the text is not a valid URI reference (or is empty).
    static std::optional<URL> parse(std::string_view text);
    // A file URL for an absolute path ("file:///a/b%20c").
    static URL fileURL(std::string_view absolutePath, bool isDirectory = false);

    const std::string& absoluteString() const noexcept { return text_; }
    std::string scheme() const;               // lowercased; "" when none
    std::string host() const;                 // decoded; "" when none; IPv6 without brackets
    std::optional<int> port() const;
    std::string path() const;                 // percent-decoded path
    std::string percentEncodedPath() const;
    std::optional<std::string> query() const; // percent-encoded query without "?"
    std::optional<std::string> fragment() const;
    bool isFileURL() const { return scheme() == "file"; }
    std::string lastPathComponent() const;
    std::string pathExtension() const;
    URL appendingPathComponent(std::string_view component, bool isDirectory = false) const;
    URL deletingLastPathComponent() const;

    bool operator==(const URL& o) const { return text_ == o.text_; }

private:
    explicit URL(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

struct URLQueryItem {
    std::string name;
    std::optional<std::string> value;
    bool operator==(const URLQueryItem&) const = default;
};

// Mutable components. Setters take decoded text; encoding happens when the URL is built.
// In query items, besides the characters RFC 3986 requires, "+", "&", "=" and "#" are
// percent-encoded so that a form-decoding server reads the value back unchanged.
class URLComponents {
public:
    URLComponents() = default;
    // nullopt when the text is not a valid URI reference.
    static std::optional<URLComponents> parse(std::string_view text);
    static URLComponents fromURL(const URL& url);

    std::optional<std::string> scheme;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::optional<std::string> host;
    std::optional<int> port;
    std::string path;                                  // decoded
    std::optional<std::vector<URLQueryItem>> queryItems;  // decoded
    std::optional<std::string> fragment;

    // The assembled text, or nullopt when the parts do not form a URL (e.g. a path that does
    // not start with "/" while a host is set).
    std::optional<std::string> string() const;
    std::optional<URL> url() const;
    std::optional<std::string> percentEncodedQuery() const;
};

// A URL's path with an API path joined to it: one trailing "/" of basePath is dropped, path gets
// a leading "/" when it has none, and a base that is then empty or the root gives path alone.
// Inner slashes are untouched: "/srv/" + "api" gives "/srv/api", "//" + "/x" gives "/x".
std::string joinURLPath(std::string_view basePath, std::string_view path);

// Percent-encodes every byte outside RFC 3986 "unreserved".
std::string percentEncodeUnreserved(std::string_view s);
// Decodes %XX; nullopt on a malformed escape. "+" is left as is.
std::optional<std::string> percentDecode(std::string_view s);

}  // namespace platform
