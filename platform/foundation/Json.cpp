#include "platform/foundation/Json.h"

#include <cmath>
#include <limits>

namespace platform {
namespace {

constexpr const char* kNotCorrectFormat = "The data couldn't be read because it isn't in the correct format.";
constexpr const char* kMissing = "The data couldn't be read because it is missing.";

// Finds nesting deeper than the limit before the parser sees the text, so no later step
// (building, copying, dumping, destroying) ever meets an unbounded depth.
bool nestingWithinLimit(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
            case '"': inString = true; break;
            case '[':
            case '{':
                if (++depth > kJsonMaxDepth) return false;
                break;
            case ']':
            case '}':
                if (depth > 0) --depth;
                break;
            default: break;
        }
    }
    return true;
}

[[noreturn]] void mismatch(std::string_view path) {
    throw DecodingError(DecodingError::Kind::typeMismatch, std::string(path));
}

const Json& objectOrThrow(const Json& obj) {
    if (!obj.is_object()) throw DecodingError(DecodingError::Kind::typeMismatch, "");
    return obj;
}

// nullptr when missing or null.
const Json* presentValue(const Json& obj, std::string_view key) {
    const Json& o = objectOrThrow(obj);
    auto it = o.find(key);
    if (it == o.end() || it->is_null()) return nullptr;
    return &*it;
}

const Json& requiredValue(const Json& obj, std::string_view key) {
    const Json& o = objectOrThrow(obj);
    auto it = o.find(key);
    if (it == o.end()) throw DecodingError(DecodingError::Kind::keyNotFound, std::string(key));
    if (it->is_null()) throw DecodingError(DecodingError::Kind::valueNotFound, std::string(key));
    return *it;
}

// The platform's encoder writes a double with no fraction as an integer ("2", not "2.0");
// readers accept either, but texts compared or hashed elsewhere must match.
template <class J>
bool hasWholeDouble(const J& v) {
    switch (v.type()) {
        case nlohmann::json::value_t::number_float: {
            double d = v.template get<double>();
            return std::trunc(d) == d && std::fabs(d) < 9007199254740992.0 && !(d == 0 && std::signbit(d));
        }
        case nlohmann::json::value_t::array:
        case nlohmann::json::value_t::object:
            for (const auto& item : v)
                if (hasWholeDouble(item)) return true;
            return false;
        default:
            return false;
    }
}

template <class J>
void writeWholeDoublesAsIntegers(J& v) {
    if (v.is_number_float()) {
        double d = v.template get<double>();
        if (std::trunc(d) == d && std::fabs(d) < 9007199254740992.0 && !(d == 0 && std::signbit(d)))
            v = static_cast<std::int64_t>(d);
    } else if (v.is_structured()) {
        for (auto& item : v) writeWholeDoublesAsIntegers(item);
    }
}

template <class J>
std::string dumpAsPlatform(const J& value, int indent) {
    if (!hasWholeDouble(value)) return value.dump(indent, ' ', false, J::error_handler_t::replace);
    J copy = value;
    writeWholeDoublesAsIntegers(copy);
    return copy.dump(indent, ' ', false, J::error_handler_t::replace);
}

}  // namespace

JsonParseError::JsonParseError(std::string detail)
    : NSError(kCocoaErrorDomain, 3840, kNotCorrectFormat),
      detail_(std::move(detail)),
      what_(std::string(kNotCorrectFormat) + " (" + detail_ + ")") {}

const char* JsonParseError::what() const noexcept { return what_.c_str(); }

DecodingError::DecodingError(Kind kind, std::string path)
    : NSError(kCocoaErrorDomain, 4864,
              (kind == Kind::keyNotFound || kind == Kind::valueNotFound) ? kMissing : kNotCorrectFormat),
      kind_(kind),
      path_(std::move(path)) {}

Json parseJson(std::string_view text) { return parseJson(text, nullptr); }

Json parseJson(std::string_view text, const Json::parser_callback_t& keep) {
    if (!nestingWithinLimit(text))
        throw JsonParseError("nesting deeper than " + std::to_string(kJsonMaxDepth) + " levels");
    try {
        return Json::parse(text.begin(), text.end(), keep);
    } catch (const Json::exception& e) {
        // Not only parse_error: a number beyond a double's range ("1e999") is out_of_range.
        throw JsonParseError(e.what());
    }
}

std::optional<Json> tryParseJson(std::string_view text) noexcept {
    try {
        return parseJson(text);
    } catch (...) {
        return std::nullopt;
    }
}

std::string encodeCompact(const Json& value) { return dumpAsPlatform(value, -1); }

// nlohmann::json keeps objects in a std::map, whose keys compare bytewise.
std::string encodeSorted(const Json& value) { return dumpAsPlatform(nlohmann::json(value), -1); }

std::string encodePretty(const Json& value) { return dumpAsPlatform(nlohmann::json(value), 2); }

namespace json {

std::string asString(const Json& v, std::string_view path) {
    if (!v.is_string()) mismatch(path);
    return v.get<std::string>();
}

std::int64_t asInt(const Json& v, std::string_view path) {
    if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
    if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) mismatch(path);
        return static_cast<std::int64_t>(u);
    }
    if (v.is_number_float()) {
        double d = v.get<double>();
        // 2^63 is exactly representable; anything at or above it does not fit.
        if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return static_cast<std::int64_t>(d);
    }
    mismatch(path);
}

double asDouble(const Json& v, std::string_view path) {
    if (!v.is_number()) mismatch(path);
    return v.get<double>();
}

bool asBool(const Json& v, std::string_view path) {
    if (!v.is_boolean()) mismatch(path);
    return v.get<bool>();
}

const Json& asObject(const Json& v, std::string_view path) {
    if (!v.is_object()) mismatch(path);
    return v;
}

const Json& asArray(const Json& v, std::string_view path) {
    if (!v.is_array()) mismatch(path);
    return v;
}

std::vector<std::string> asStringArray(const Json& v, std::string_view path) {
    const Json& array = asArray(v, path);
    std::vector<std::string> out;
    out.reserve(array.size());
    const std::string prefix(path);
    for (std::size_t i = 0; i < array.size(); ++i) {
        out.push_back(asString(array[i], prefix + "[" + std::to_string(i) + "]"));
    }
    return out;
}

std::string requireString(const Json& obj, std::string_view key) { return asString(requiredValue(obj, key), key); }
std::int64_t requireInt(const Json& obj, std::string_view key) { return asInt(requiredValue(obj, key), key); }
double requireDouble(const Json& obj, std::string_view key) { return asDouble(requiredValue(obj, key), key); }
bool requireBool(const Json& obj, std::string_view key) { return asBool(requiredValue(obj, key), key); }
const Json& requireObject(const Json& obj, std::string_view key) { return asObject(requiredValue(obj, key), key); }
const Json& requireArray(const Json& obj, std::string_view key) { return asArray(requiredValue(obj, key), key); }
std::vector<std::string> requireStringArray(const Json& obj, std::string_view key) {
    return asStringArray(requiredValue(obj, key), key);
}

std::optional<std::string> optionalString(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return std::nullopt;
    return asString(*v, key);
}

std::optional<std::int64_t> optionalInt(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return std::nullopt;
    return asInt(*v, key);
}

std::optional<double> optionalDouble(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return std::nullopt;
    return asDouble(*v, key);
}

std::optional<bool> optionalBool(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return std::nullopt;
    return asBool(*v, key);
}

const Json* optionalObject(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return nullptr;
    return &asObject(*v, key);
}

const Json* optionalArray(const Json& obj, std::string_view key) {
    const Json* v = presentValue(obj, key);
    if (!v) return nullptr;
    return &asArray(*v, key);
}

std::string stringOr(const Json& obj, std::string_view key, std::string def) {
    auto v = optionalString(obj, key);
    return v ? std::move(*v) : std::move(def);
}

std::int64_t intOr(const Json& obj, std::string_view key, std::int64_t def) { return optionalInt(obj, key).value_or(def); }
double doubleOr(const Json& obj, std::string_view key, double def) { return optionalDouble(obj, key).value_or(def); }
bool boolOr(const Json& obj, std::string_view key, bool def) { return optionalBool(obj, key).value_or(def); }

}  // namespace json
}  // namespace platform
