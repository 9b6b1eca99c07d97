// The receptionist's replies and errors, apart from the upload that fetches them.
#include "Core/ReceptionistClient.h"

#include <exception>

#include "Core/DisplayText.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using platform::Json;

ReceptionistClientError::ReceptionistClientError(Kind kind, int statusCode, std::string text,
                                                 const std::string& description)
    : LocalizedError(description), kind_(kind), statusCode_(statusCode), text_(std::move(text)) {}

ReceptionistClientError ReceptionistClientError::invalidBaseURL(std::string text) {
    text = displayText(text);
    const std::string description = "Invalid receptionist base URL: " + text;
    return ReceptionistClientError(Kind::invalidBaseURL, 0, std::move(text), description);
}

ReceptionistClientError ReceptionistClientError::http(int statusCode, std::string bodyText) {
    bodyText = displayText(bodyText);
    const std::string description = "Receptionist HTTP " + std::to_string(statusCode) + ": " + bodyText;
    return ReceptionistClientError(Kind::http, statusCode, std::move(bodyText), description);
}

EmitHTTPResponse EmitHTTPResponse::fromJson(const Json& json) {
    using namespace platform::json;
    asObject(json);
    EmitHTTPResponse r;
    r.ok = requireBool(json, "ok");
    r.schema = optionalInt(json, "schema");
    r.ts = optionalString(json, "ts");
    r.via = optionalString(json, "via");
    r.kind = optionalString(json, "kind");
    r.device = optionalString(json, "device");
    r.eventID = optionalString(json, "event_id");
    r.eventDir = optionalString(json, "event_dir");
    r.ref = optionalString(json, "ref");
    r.seq = optionalInt(json, "seq");
    r.bytes = optionalInt(json, "bytes");
    r.basename = optionalString(json, "basename");
    return r;
}

Json EmitHTTPResponse::toJson() const {
    Json j = Json::object();
    j["ok"] = ok;
    auto put = [&j](const char* key, const auto& value) {
        if (value) j[key] = *value;
    };
    put("schema", schema);
    put("ts", ts);
    put("via", via);
    put("kind", kind);
    put("device", device);
    put("event_id", eventID);
    put("event_dir", eventDir);
    put("ref", ref);
    put("seq", seq);
    put("bytes", bytes);
    put("basename", basename);
    return j;
}

EmitHTTPResponse ReceptionistClient::decodeEmitReply(int status, const std::vector<std::uint8_t>& body) {
    std::string text(reinterpret_cast<const char*>(body.data()), body.size());
    if (!platform::text::isValidUTF8(text)) text.clear();
    if (status != 201) throw ReceptionistClientError::http(status, text);
    try {
        return EmitHTTPResponse::fromJson(platform::parseJson(text));
    } catch (const std::exception&) {
        throw ReceptionistClientError::http(201, text);
    }
}

}  // namespace tarvo
