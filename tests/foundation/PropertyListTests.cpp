#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/foundation/PropertyList.h"

using platform::Json;
using platform::PropertyList;

namespace {

PropertyList everyType() {
    PropertyList::Dictionary inner{{"n", PropertyList(std::int64_t{-7})}, {"s", PropertyList("x")}};
    return PropertyList(PropertyList::Dictionary{
        {"string", PropertyList("héllo")},
        {"int", PropertyList(std::int64_t{9007199254740993})},  // not exact as a double
        {"real", PropertyList(0.1)},
        {"bool", PropertyList(true)},
        {"data", PropertyList(PropertyList::Data{0, 1, 0xFF})},
        {"date", PropertyList(PropertyList::Date{1700000000.25})},
        {"array", PropertyList(PropertyList::Array{PropertyList(1), PropertyList("1"), PropertyList(1.0)})},
        {"dict", PropertyList(inner)},
    });
}

TEST(PropertyList, TaggedJsonIsLossless) {
    PropertyList v = everyType();
    PropertyList back = PropertyList::fromTaggedJson(platform::parseJson(platform::encodeCompact(v.toTaggedJson())));
    EXPECT_EQ(back, v);
    const auto& d = *back.asDictionary();
    EXPECT_EQ(d.at("data").type(), PropertyList::Type::data);
    EXPECT_EQ(d.at("date").type(), PropertyList::Type::date);
    EXPECT_EQ(d.at("array").asArray()->at(1).type(), PropertyList::Type::string);
    EXPECT_EQ(d.at("array").asArray()->at(2).type(), PropertyList::Type::real);

    for (double special : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        PropertyList p(special);
        EXPECT_EQ(PropertyList::fromTaggedJson(p.toTaggedJson()), p);
    }
    EXPECT_TRUE(std::isnan(
        *PropertyList::fromTaggedJson(PropertyList(std::nan("")).toTaggedJson()).asReal()));
}

TEST(PropertyList, MalformedTaggedJsonIsRefused) {
    const char* bad[] = {
        R"("x")", R"({"t":"string"})", R"({"t":"string","v":1})", R"({"t":"integer","v":1.5})",
        R"({"t":"data","v":"!!"})", R"({"t":"bool","v":1})", R"({"t":"array","v":[1]})",
        R"({"t":"dict","v":{"a":{"t":"nope","v":1}}})", R"({"t":"string","v":"a","x":1})",
        R"({"t":"integer","v":18446744073709551615})", R"({"t":"real","v":"NaNx"})",
    };
    for (const char* text : bad)
        EXPECT_THROW(PropertyList::fromTaggedJson(platform::parseJson(text)), platform::DecodingError) << text;
}

TEST(PropertyList, PlainJsonConversion) {
    auto p = PropertyList::fromPlainJson(platform::parseJson(R"({"a":[1,2.5,true,"s"],"b":{"c":18446744073709551615}})"));
    ASSERT_TRUE(p);
    const auto& a = *p->asDictionary()->at("a").asArray();
    EXPECT_EQ(a[0].type(), PropertyList::Type::integer);
    EXPECT_EQ(a[1].type(), PropertyList::Type::real);
    EXPECT_EQ(a[2].type(), PropertyList::Type::boolean);
    EXPECT_EQ(p->asDictionary()->at("b").asDictionary()->at("c").type(), PropertyList::Type::real);
    EXPECT_FALSE(PropertyList::fromPlainJson(platform::parseJson("null")));
    EXPECT_FALSE(PropertyList::fromPlainJson(platform::parseJson(R"({"a":[null]})")));
    EXPECT_EQ(platform::encodeCompact(PropertyList(PropertyList::Data{'h', 'i'}).toPlainJson()), R"("aGk=")");
}

}  // namespace
