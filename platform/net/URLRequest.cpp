#include "platform/net/URLRequest.h"

#include <algorithm>

namespace platform {
namespace {

bool equalsAsciiIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto la = static_cast<unsigned char>(a[i]);
        auto lb = static_cast<unsigned char>(b[i]);
        if (la >= 'A' && la <= 'Z') la = static_cast<unsigned char>(la - 'A' + 'a');
        if (lb >= 'A' && lb <= 'Z') lb = static_cast<unsigned char>(lb - 'A' + 'a');
        if (la != lb) return false;
    }
    return true;
}

template <class Fields>
auto findField(Fields& fields, std::string_view name) {
    return std::find_if(fields.begin(), fields.end(),
                        [&](const auto& f) { return equalsAsciiIgnoringCase(f.first, name); });
}

}  // namespace

URLRequest::URLRequest(URL u, CachePolicy policy, double timeout)
    : url(std::move(u)), cachePolicy(policy), timeoutInterval(timeout) {}

void URLRequest::setValue(std::string value, std::string_view field) {
    auto it = findField(headers_, field);
    if (it != headers_.end()) {
        it->second = std::move(value);
    } else {
        headers_.emplace_back(std::string(field), std::move(value));
    }
}

void URLRequest::addValue(std::string_view value, std::string_view field) {
    auto it = findField(headers_, field);
    if (it != headers_.end()) {
        it->second.append(", ").append(value);
    } else {
        headers_.emplace_back(std::string(field), std::string(value));
    }
}

std::optional<std::string> URLRequest::value(std::string_view field) const {
    auto it = findField(headers_, field);
    if (it == headers_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> HTTPURLResponse::value(std::string_view field) const {
    auto it = findField(allHeaderFields, field);
    if (it == allHeaderFields.end()) return std::nullopt;
    return it->second;
}

bool isValidHeaderFieldName(std::string_view name) {
    if (name.empty()) return false;
    static constexpr std::string_view kTokenPunctuation = "!#$%&'*+-.^_`|~";
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               kTokenPunctuation.find(c) != std::string_view::npos;
    });
}

bool isValidHeaderFieldValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace platform
