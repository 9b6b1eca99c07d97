// Feeds arbitrary bytes to the emit client as the receptionist's reply, with a status picked by
// the first byte (-1 standing for a reply that is not HTTP). Only a 201 whose body is a record
// succeeds, and the record survives its own JSON form unchanged; everything else fails with the
// HTTP error that carries the status and the body as a person can read it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Core/DisplayText.h"
#include "Core/ReceptionistClient.h"
#include "fuzz/FuzzCheck.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"

namespace {

using fuzzing::require;

constexpr std::array<int, 8> kStatuses{201, 200, 202, 400, 401, 413, 500, -1};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    if (size == 0) return 0;
    const int status = kStatuses[data[0] % kStatuses.size()];
    const std::vector<std::uint8_t> body(data + 1, data + size);
    try {
        const EmitHTTPResponse record = ReceptionistClient::decodeEmitReply(status, body);
        require(status == 201);
        require(EmitHTTPResponse::fromJson(platform::parseJson(platform::encodeCompact(record.toJson()))) == record);
    } catch (const ReceptionistClientError& e) {
        require(e.kind() == ReceptionistClientError::Kind::http && e.statusCode() == status);
        // The text is what the server said, as a person can read it (nothing when it is not text).
        const std::string bodyText(body.begin(), body.end());
        require(e.text() == displayText(platform::text::isValidUTF8(bodyText) ? bodyText : std::string()));
        fuzzing::requireReadable(e.text());
        fuzzing::requireReadable(e.errorDescription());
        require(e.errorDescription().find(std::to_string(status)) != std::string::npos);
    }
    return 0;
}
