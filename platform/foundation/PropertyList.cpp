#include "platform/foundation/PropertyList.h"

#include <cmath>
#include <limits>

#include "platform/foundation/Base64.h"

namespace platform {
namespace {

[[noreturn]] void corrupted() { throw DecodingError(DecodingError::Kind::dataCorrupted, ""); }

}  // namespace

PropertyList::Type PropertyList::type() const {
    switch (v_.index()) {
        case 0: return Type::string;
        case 1: return Type::integer;
        case 2: return Type::real;
        case 3: return Type::boolean;
        case 4: return Type::data;
        case 5: return Type::date;
        case 6: return Type::array;
        default: return Type::dictionary;
    }
}

Json PropertyList::toTaggedJson() const {
    Json j = Json::object();
    switch (type()) {
        case Type::string:
            j["t"] = "string";
            j["v"] = *asString();
            break;
        case Type::integer:
            j["t"] = "integer";
            j["v"] = *asInteger();
            break;
        case Type::real: {
            j["t"] = "real";
            double d = *asReal();
            // JSON has no NaN or infinity; keep them as text so they come back unchanged.
            if (std::isnan(d))
                j["v"] = "nan";
            else if (std::isinf(d))
                j["v"] = d > 0 ? "inf" : "-inf";
            else
                j["v"] = d;
            break;
        }
        case Type::boolean:
            j["t"] = "bool";
            j["v"] = *asBool();
            break;
        case Type::data:
            j["t"] = "data";
            j["v"] = base64Encode(*asData());
            break;
        case Type::date:
            j["t"] = "date";
            j["v"] = asDate()->secondsSince1970;
            break;
        case Type::array: {
            j["t"] = "array";
            Json items = Json::array();
            for (const auto& item : *asArray()) items.push_back(item.toTaggedJson());
            j["v"] = std::move(items);
            break;
        }
        case Type::dictionary: {
            j["t"] = "dict";
            Json entries = Json::object();
            for (const auto& [k, item] : *asDictionary()) entries[k] = item.toTaggedJson();
            j["v"] = std::move(entries);
            break;
        }
    }
    return j;
}

PropertyList PropertyList::fromTaggedJson(const Json& j) {
    if (!j.is_object() || j.size() != 2) corrupted();
    auto t = j.find("t");
    auto v = j.find("v");
    if (t == j.end() || v == j.end() || !t->is_string()) corrupted();
    const std::string& tag = t->get_ref<const std::string&>();
    if (tag == "string") {
        if (!v->is_string()) corrupted();
        return PropertyList(v->get<std::string>());
    }
    if (tag == "integer") {
        if (!v->is_number_integer()) corrupted();
        if (v->is_number_unsigned() &&
            v->get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            corrupted();
        return PropertyList(v->get<std::int64_t>());
    }
    if (tag == "real") {
        if (v->is_number()) return PropertyList(v->get<double>());
        if (v->is_string()) {
            const std::string& s = v->get_ref<const std::string&>();
            if (s == "nan") return PropertyList(std::numeric_limits<double>::quiet_NaN());
            if (s == "inf") return PropertyList(std::numeric_limits<double>::infinity());
            if (s == "-inf") return PropertyList(-std::numeric_limits<double>::infinity());
        }
        corrupted();
    }
    if (tag == "bool") {
        if (!v->is_boolean()) corrupted();
        return PropertyList(v->get<bool>());
    }
    if (tag == "data") {
        if (!v->is_string()) corrupted();
        auto bytes = base64Decode(v->get_ref<const std::string&>());
        if (!bytes) corrupted();
        return PropertyList(std::move(*bytes));
    }
    if (tag == "date") {
        if (!v->is_number()) corrupted();
        return PropertyList(Date{v->get<double>()});
    }
    if (tag == "array") {
        if (!v->is_array()) corrupted();
        Array items;
        items.reserve(v->size());
        for (const auto& item : *v) items.push_back(fromTaggedJson(item));
        return PropertyList(std::move(items));
    }
    if (tag == "dict") {
        if (!v->is_object()) corrupted();
        Dictionary entries;
        for (const auto& [k, item] : v->items()) entries[k] = fromTaggedJson(item);
        return PropertyList(std::move(entries));
    }
    corrupted();
}

Json PropertyList::toPlainJson() const {
    switch (type()) {
        case Type::string: return *asString();
        case Type::integer: return *asInteger();
        case Type::real: {
            double d = *asReal();
            if (!std::isfinite(d)) return Json(nullptr);
            return d;
        }
        case Type::boolean: return *asBool();
        case Type::data: return base64Encode(*asData());
        case Type::date: return asDate()->secondsSince1970;
        case Type::array: {
            Json items = Json::array();
            for (const auto& item : *asArray()) items.push_back(item.toPlainJson());
            return items;
        }
        case Type::dictionary: {
            Json entries = Json::object();
            for (const auto& [k, item] : *asDictionary()) entries[k] = item.toPlainJson();
            return entries;
        }
    }
    return Json(nullptr);
}

std::optional<PropertyList> PropertyList::fromPlainJson(const Json& j) {
    switch (j.type()) {
        case Json::value_t::string: return PropertyList(j.get<std::string>());
        case Json::value_t::boolean: return PropertyList(j.get<bool>());
        case Json::value_t::number_integer: return PropertyList(j.get<std::int64_t>());
        case Json::value_t::number_unsigned: {
            auto u = j.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return PropertyList(static_cast<double>(u));
            return PropertyList(static_cast<std::int64_t>(u));
        }
        case Json::value_t::number_float: return PropertyList(j.get<double>());
        case Json::value_t::array: {
            Array items;
            items.reserve(j.size());
            for (const auto& item : j) {
                auto p = fromPlainJson(item);
                if (!p) return std::nullopt;
                items.push_back(std::move(*p));
            }
            return PropertyList(std::move(items));
        }
        case Json::value_t::object: {
            Dictionary entries;
            for (const auto& [k, item] : j.items()) {
                auto p = fromPlainJson(item);
                if (!p) return std::nullopt;
                entries[k] = std::move(*p);
            }
            return PropertyList(std::move(entries));
        }
        default: return std::nullopt;
    }
}

}  // namespace platform
