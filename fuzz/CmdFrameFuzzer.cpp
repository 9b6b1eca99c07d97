// Feeds arbitrary bytes to the command-stream frame decoder, as a text and as a binary message.
// A message either decodes (to a frame or to nothing) or is refused with the JSON reader's error;
// both kinds of message decode alike. The bytes also go through the working-directory rule,
// whose result is always relative, free of empty, "." and ".." pieces, and stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "TarvoShareExtension/Remote/CmdStreamFrame.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"

namespace {

std::optional<std::optional<tarvo::CmdStreamFrame>> decode(const tarvo::StreamMessage& message) {
    try {
        return tarvo::decodeCmdFrame(message);
    } catch (const platform::JsonParseError&) {
        return std::nullopt;
    }
}

void checkPath(const std::string& input) {
    const std::string p = tarvo::normalizeCommandPath(input);
    if (!p.empty() && (p.front() == '/' || p.back() == '/')) std::abort();
    for (const auto& piece : platform::text::components(p, "/")) {
        if (p.empty()) break;
        if (piece.empty() || piece == "." || piece == "..") std::abort();
    }
    if (tarvo::normalizeCommandPath(p) != p) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto asData = decode(tarvo::StreamMessage::data(bytes));
    if (platform::text::isValidUTF8(bytes)) {
        if (decode(tarvo::StreamMessage::string(bytes)) != asData) std::abort();
    }
    if (asData && *asData) {
        const tarvo::CmdStreamFrame& frame = **asData;
        if (frame.kind == tarvo::CmdStreamFrame::Kind::runMeta && platform::text::trimmed(frame.runID).empty()) {
            std::abort();
        }
        tarvo::CmdStreamOutput output;
        output.append(frame);
        if (output.failureDetail().empty()) std::abort();
    }
    checkPath(bytes);
    return 0;
}
