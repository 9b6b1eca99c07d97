#pragma once
// JSON on nlohmann/json. Objects keep insertion order (like a Codable encoder writes fields);
// encodeSorted() gives the sorted-keys form. Integers, floats and booleans stay distinct.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/ErrorInfo.h"

namespace platform {

using Json = nlohmann::ordered_json;

// Nesting deeper than this is refused with a parse error.
inline constexpr int kJsonMaxDepth = 512;

// The reader's failure: NSCocoaErrorDomain 3840, "The data couldn't be read because it isn't
// in the correct format." (the detail is appended to what() only).
class JsonParseError : public NSError {
public:
    explicit JsonParseError(std::string detail);
    const std::string& detail() const noexcept { return detail_; }
    const char* what() const noexcept override;

private:
    std::string detail_;
    std::string what_;
};

// Parses text (which must be UTF-8 JSON; any top-level value). Throws JsonParseError.
Json parseJson(std::string_view text);
// The same, with the parser's callback deciding what is kept: a value (or a whole array or
// object, at its start) for which keep() returns false is dropped as it is read and never held.
Json parseJson(std::string_view text, const Json::parser_callback_t& keep);
std::optional<Json> tryParseJson(std::string_view text) noexcept;

// Like the platform's encoder, a double without fraction (below 2^53) is written as an
// integer ("2", not "2.0"); strings with invalid UTF-8 get U+FFFD instead of failing.
std::string encodeCompact(const Json& value);   // keys in insertion order, no spaces
std::string encodeSorted(const Json& value);    // keys sorted by byte order at every level
std::string encodePretty(const Json& value);    // sorted, indented by 2

// ---- Decoding, the way a Codable decoder reports failures.
// The decoder's failure: NSCocoaErrorDomain 4864, "The data couldn't be read because it is
// missing." (key or value not found) or "The data couldn't be read because it isn't in the
// correct format." (type mismatch, corrupted data).
class DecodingError : public NSError {
public:
    enum class Kind { keyNotFound, valueNotFound, typeMismatch, dataCorrupted };
    DecodingError(Kind kind, std::string path);
    Kind kind() const noexcept { return kind_; }
    const std::string& path() const noexcept { return path_; }

private:
    Kind kind_;
    std::string path_;
};

namespace json {

// Typed reads of one value. Integers accept only JSON integers that fit (a float with no
// fraction is accepted, like the platform's decoder); doubles accept any number; bools only
// true/false; strings only strings. Throws DecodingError::typeMismatch otherwise.
std::string asString(const Json& v, std::string_view path = "");
std::int64_t asInt(const Json& v, std::string_view path = "");
double asDouble(const Json& v, std::string_view path = "");
bool asBool(const Json& v, std::string_view path = "");
const Json& asObject(const Json& v, std::string_view path = "");
const Json& asArray(const Json& v, std::string_view path = "");
// An array of strings; element i is reported as "<path>[i]".
std::vector<std::string> asStringArray(const Json& v, std::string_view path = "");

// Strict: key present (else keyNotFound), not null (else valueNotFound), right type.
std::string requireString(const Json& obj, std::string_view key);
std::int64_t requireInt(const Json& obj, std::string_view key);
double requireDouble(const Json& obj, std::string_view key);
bool requireBool(const Json& obj, std::string_view key);
const Json& requireObject(const Json& obj, std::string_view key);
const Json& requireArray(const Json& obj, std::string_view key);
std::vector<std::string> requireStringArray(const Json& obj, std::string_view key);

// Lenient presence: missing or null gives nullopt; present with the wrong type throws
// typeMismatch (decodeIfPresent semantics).
std::optional<std::string> optionalString(const Json& obj, std::string_view key);
std::optional<std::int64_t> optionalInt(const Json& obj, std::string_view key);
std::optional<double> optionalDouble(const Json& obj, std::string_view key);
std::optional<bool> optionalBool(const Json& obj, std::string_view key);
const Json* optionalObject(const Json& obj, std::string_view key);
const Json* optionalArray(const Json& obj, std::string_view key);

// Lenient with default: missing or null gives def; wrong type throws typeMismatch.
std::string stringOr(const Json& obj, std::string_view key, std::string def);
std::int64_t intOr(const Json& obj, std::string_view key, std::int64_t def);
double doubleOr(const Json& obj, std::string_view key, double def);
bool boolOr(const Json& obj, std::string_view key, bool def);

}  // namespace json
}  // namespace platform
