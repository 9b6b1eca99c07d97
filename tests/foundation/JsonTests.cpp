#include <functional>

#include <gtest/gtest.h>

#include "platform/foundation/Json.h"

using platform::DecodingError;
using platform::Json;
using platform::JsonParseError;
namespace json = platform::json;

namespace {

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(Json, KeepsIntegersFloatsAndBooleansApart) {
    Json j = platform::parseJson(R"({"i":1,"f":1.0,"b":true,"n":-3,"big":18446744073709551615,"e":1e2})");
    EXPECT_TRUE(j["i"].is_number_integer());
    EXPECT_TRUE(j["f"].is_number_float());
    EXPECT_TRUE(j["b"].is_boolean());
    EXPECT_TRUE(j["e"].is_number_float());
    EXPECT_EQ(json::asInt(j["n"]), -3);
    EXPECT_THROW(json::asInt(j["b"]), DecodingError);   // a bool is not a number
    EXPECT_THROW(json::asBool(j["i"]), DecodingError);  // nor a number a bool
    EXPECT_THROW(json::asInt(j["big"]), DecodingError); // does not fit
    EXPECT_EQ(json::asInt(j["f"]), 1);                  // a float without fraction is accepted
    EXPECT_EQ(json::asDouble(j["i"]), 1.0);
}

TEST(Json, RefusesNestingBeyondTheLimit) {
    EXPECT_NO_THROW(platform::parseJson(nested(platform::kJsonMaxDepth)));
    EXPECT_THROW(platform::parseJson(nested(platform::kJsonMaxDepth + 1)), JsonParseError);
    // Deep enough to overflow a recursive reader or destructor if it got through.
    EXPECT_THROW(platform::parseJson(std::string(200000, '[')), JsonParseError);
    EXPECT_THROW(platform::parseJson(std::string(200000, '{')), JsonParseError);
    // Brackets inside strings are text, not nesting.
    std::string inString = "[\"" + std::string(1000, '[') + "\\\"" + std::string(1000, '{') + "\"]";
    EXPECT_NO_THROW(platform::parseJson(inString));
}

TEST(Json, ParseErrorsAreCocoa3840) {
    const std::string bad[] = {"", "{", "[1,]", "{'a':1}", "[1] x", "nul", "\"\xFF\"", "[NaN]", "// c\n1", "1e999", "[-1e400]"};
    for (const auto& text : bad) {
        try {
            platform::parseJson(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const JsonParseError& e) {
            EXPECT_EQ(e.domain(), "NSCocoaErrorDomain");
            EXPECT_EQ(e.code(), 3840);
            EXPECT_EQ(e.localizedDescription(), "The data couldn't be read because it isn't in the correct format.");
            EXPECT_EQ(platform::describeError(e), e.localizedDescription());
        }
        EXPECT_FALSE(platform::tryParseJson(text).has_value());
    }
    EXPECT_EQ(platform::parseJson("  \"x\" ").get<std::string>(), "x");  // any top-level value
}

TEST(Json, EncodersKeepOrderOrSortAndDoNotEscapeSlashes) {
    Json j = platform::parseJson(R"({"z":1,"a":{"y":"a/b","b":[{"d":1,"c":2}]},"B":null})");
    EXPECT_EQ(platform::encodeCompact(j), R"({"z":1,"a":{"y":"a/b","b":[{"d":1,"c":2}]},"B":null})");
    EXPECT_EQ(platform::encodeSorted(j), R"({"B":null,"a":{"b":[{"c":2,"d":1}],"y":"a/b"},"z":1})");
    EXPECT_EQ(platform::encodePretty(platform::parseJson(R"({"b":1,"a":[]})")), "{\n  \"a\": [],\n  \"b\": 1\n}");
    // Sorting is by bytes: "é" (0xC3...) after "z".
    EXPECT_EQ(platform::encodeSorted(platform::parseJson(R"({"é":1,"z":2})")), R"({"z":2,"é":1})");
}

TEST(Json, WholeDoublesAreWrittenAsIntegersLikeThePlatform) {
    Json j = platform::parseJson(R"({"a":2.0,"b":[0.5,-3.0,1e300],"c":1700000000.25})");
    j["z"] = -0.0;
    EXPECT_EQ(platform::encodeCompact(j), R"({"a":2,"b":[0.5,-3,1e+300],"c":1700000000.25,"z":-0.0})");
    EXPECT_EQ(platform::encodeSorted(j), R"({"a":2,"b":[0.5,-3,1e+300],"c":1700000000.25,"z":-0.0})");
    EXPECT_TRUE(j["a"].is_number_float());  // the value itself is left alone
}

TEST(Json, EncodersReplaceInvalidUtf8InsteadOfThrowing) {
    Json j = Json::object();
    j["k"] = std::string("a\xFF" "b");
    EXPECT_EQ(platform::encodeCompact(j), "{\"k\":\"a\xEF\xBF\xBD" "b\"}");
    EXPECT_NO_THROW(platform::encodeSorted(j));
    EXPECT_NO_THROW(platform::encodePretty(j));
}

TEST(Json, StrictDecodingReportsWhatIsWrong) {
    Json obj = platform::parseJson(R"({"s":"x","n":null,"i":5,"o":{},"a":[]})");
    EXPECT_EQ(json::requireString(obj, "s"), "x");
    EXPECT_EQ(json::requireInt(obj, "i"), 5);
    EXPECT_TRUE(json::requireObject(obj, "o").is_object());
    EXPECT_TRUE(json::requireArray(obj, "a").is_array());
    struct Case {
        std::function<void()> call;
        DecodingError::Kind kind;
        std::string description;
    };
    const std::string missing = "The data couldn't be read because it is missing.";
    const std::string format = "The data couldn't be read because it isn't in the correct format.";
    const Case cases[] = {
        {[&] { json::requireString(obj, "absent"); }, DecodingError::Kind::keyNotFound, missing},
        {[&] { json::requireString(obj, "n"); }, DecodingError::Kind::valueNotFound, missing},
        {[&] { json::requireString(obj, "i"); }, DecodingError::Kind::typeMismatch, format},
        {[&] { json::requireInt(obj, "s"); }, DecodingError::Kind::typeMismatch, format},
        {[&] { json::requireBool(obj, "i"); }, DecodingError::Kind::typeMismatch, format},
        {[&] { json::requireArray(obj, "o"); }, DecodingError::Kind::typeMismatch, format},
        {[&] { json::requireString(Json::array(), "s"); }, DecodingError::Kind::typeMismatch, format},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no error";
        } catch (const DecodingError& e) {
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_EQ(e.domain(), "NSCocoaErrorDomain");
            EXPECT_EQ(e.localizedDescription(), c.description);
        }
    }
}

TEST(Json, LenientDecodingTakesDefaultsForMissingOrNull) {
    Json obj = platform::parseJson(R"({"s":"x","n":null,"i":5,"d":2.5,"b":false})");
    EXPECT_EQ(json::stringOr(obj, "absent", "def"), "def");
    EXPECT_EQ(json::stringOr(obj, "n", "def"), "def");
    EXPECT_EQ(json::stringOr(obj, "s", "def"), "x");
    EXPECT_EQ(json::intOr(obj, "i", 0), 5);
    EXPECT_EQ(json::doubleOr(obj, "i", 0), 5.0);
    EXPECT_EQ(json::doubleOr(obj, "d", 0), 2.5);
    EXPECT_EQ(json::boolOr(obj, "b", true), false);
    EXPECT_EQ(json::boolOr(obj, "absent", true), true);
    EXPECT_FALSE(json::optionalInt(obj, "n").has_value());
    EXPECT_EQ(json::optionalObject(obj, "absent"), nullptr);
    // Present with the wrong type is still an error.
    EXPECT_THROW(json::intOr(obj, "s", 0), DecodingError);
    EXPECT_THROW(json::optionalBool(obj, "i"), DecodingError);
    EXPECT_THROW(json::intOr(obj, "d", 0), DecodingError);  // 2.5 has a fraction
}

}  // namespace
