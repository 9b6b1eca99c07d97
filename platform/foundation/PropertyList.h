#pragma once
// A property-list value: what a defaults store holds. Data and String stay distinct; Integer,
// Double and Bool stay distinct; Date is seconds since 1970.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Json.h"

namespace platform {

class PropertyList {
public:
    struct Date {
        double secondsSince1970 = 0;
        bool operator==(const Date&) const = default;
    };
    using Data = std::vector<std::uint8_t>;
    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList>;
    enum class Type { string, integer, real, boolean, data, date, array, dictionary };

    PropertyList() : v_(std::string()) {}
    PropertyList(std::string s) : v_(std::move(s)) {}
    PropertyList(const char* s) : v_(std::string(s)) {}
    PropertyList(std::int64_t i) : v_(i) {}
    PropertyList(int i) : v_(static_cast<std::int64_t>(i)) {}
    PropertyList(double d) : v_(d) {}
    PropertyList(bool b) : v_(b) {}
    PropertyList(Data d) : v_(std::move(d)) {}
    PropertyList(Date d) : v_(d) {}
    PropertyList(Array a) : v_(std::move(a)) {}
    PropertyList(Dictionary d) : v_(std::move(d)) {}

    Type type() const;
    bool isString() const { return type() == Type::string; }
    const std::string* asString() const { return std::get_if<std::string>(&v_); }
    const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&v_); }
    const double* asReal() const { return std::get_if<double>(&v_); }
    const bool* asBool() const { return std::get_if<bool>(&v_); }
    const Data* asData() const { return std::get_if<Data>(&v_); }
    const Date* asDate() const { return std::get_if<Date>(&v_); }
    const Array* asArray() const { return std::get_if<Array>(&v_); }
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&v_); }

    bool operator==(const PropertyList& o) const { return v_ == o.v_; }

    // Lossless, type-tagged JSON form used for storage: {"t":"string","v":...}.
    Json toTaggedJson() const;
    // Throws DecodingError on anything that is not a tagged value.
    static PropertyList fromTaggedJson(const Json& j);

    // Plain JSON view (data as base64 text, dates as numbers); used by tools and tests.
    Json toPlainJson() const;
    // From plain JSON: strings, integers, doubles, bools, arrays, objects. null is refused
    // (nullopt), like a property list that cannot hold it.
    static std::optional<PropertyList> fromPlainJson(const Json& j);

private:
    std::variant<std::string, std::int64_t, double, bool, Data, Date, Array, Dictionary> v_;
};

}  // namespace platform
