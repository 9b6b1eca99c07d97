#pragma once
// Errors the way the platform reports them: a domain, an integer code and a text meant for
// people, plus the base class for the system's own failure enumerations.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

struct ErrorInfo {
    std::string domain;
    std::int64_t code = 0;
    std::string localizedDescription;
};

// A platform failure (network, file system, JSON, cancellation): carries its ErrorInfo.
class NSError : public std::runtime_error {
public:
    explicit NSError(ErrorInfo info);
    NSError(std::string domain, std::int64_t code, std::string description);
    const ErrorInfo& info() const noexcept { return info_; }
    const std::string& domain() const noexcept { return info_.domain; }
    std::int64_t code() const noexcept { return info_.code; }
    const std::string& localizedDescription() const noexcept { return info_.localizedDescription; }

private:
    ErrorInfo info_;
};

// Base of every failure enumeration of the system: each case has one fixed text, returned by
// errorDescription() (what() returns the same text, up to its first NUL if it holds one: a
// server's text quoted in an error may, and the description keeps all of it).
class LocalizedError : public std::runtime_error {
public:
    explicit LocalizedError(const std::string& description)
        : std::runtime_error(description), description_(std::make_shared<const std::string>(description)) {}
    std::string errorDescription() const { return *description_; }

private:
    // Shared, so that copying the error (as throwing does) cannot fail.
    std::shared_ptr<const std::string> description_;
};

// The text a caller shows for any exception: the fixed text of a LocalizedError, the
// localized description of an NSError, or what() otherwise.
std::string describeError(const std::exception& e);

// Well-known domains.
inline constexpr const char* kCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* kURLErrorDomain = "NSURLErrorDomain";
inline constexpr const char* kPOSIXErrorDomain = "NSPOSIXErrorDomain";

}  // namespace platform
