// Feeds arbitrary bytes to the client as the messages a server sends on the command stream, one
// message a line, the first byte choosing text or binary messages. They go both to a command run
// to its end and to a detached start waiting for its run's identity, until each wait is over.
// Whatever the bytes, each wait ends in one of its documented ways: done (with a run identity
// that is not blank, for a detached start), more to wait for, or one of its errors, whose text a
// person can read; and what a command printed stays within its kept size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/Remote/CmdStreamReplies.h"
#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "fuzz/FuzzCheck.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"

namespace {

using namespace tarvo;
using fuzzing::require;
using fuzzing::requireReadable;

void requireKept(const std::string& text) {
    require(text.size() <= CmdStreamOutput::kKeptBytes + std::string_view("\u2026").size());
}

enum class Outcome { waiting, done, failed };

// One wait: the messages in order until take() is done or throws.
template <class Take>
Outcome wait(const std::vector<StreamMessage>& messages, Take take) {
    for (const auto& message : messages) {
        try {
            if (take(message)) return Outcome::done;
        } catch (const RemoteFailure& failure) {
            require(failure.kind() == RemoteFailure::Kind::server);
            requireReadable(failure.errorDescription());
            return Outcome::failed;
        } catch (const RemoteTransferError& failure) {
            require(failure.kind() == RemoteTransferError::Kind::uploadFailed);
            requireReadable(failure.errorDescription());
            return Outcome::failed;
        } catch (const platform::JsonParseError&) {
            return Outcome::failed;
        }
    }
    return Outcome::waiting;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool binary = data[0] & 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<StreamMessage> messages;
    for (std::size_t start = 0; start <= rest.size();) {
        std::size_t end = rest.find('\n', start);
        if (end == std::string_view::npos) end = rest.size();
        const std::string text(rest.substr(start, end - start));
        if (binary) {
            messages.push_back(StreamMessage::data(text));
        } else if (platform::text::isValidUTF8(text)) {
            messages.push_back(StreamMessage::string(text));
        }
        start = end + 1;
    }

    CmdStreamOutput output;
    wait(messages, [&output](const StreamMessage& m) { return takeFrameUntilExit(m, output); });
    requireKept(output.stdoutText);
    requireKept(output.stderrText);
    requireKept(output.meta);
    require(platform::text::isValidUTF8(output.stdoutText) && platform::text::isValidUTF8(output.stderrText) &&
            platform::text::isValidUTF8(output.meta));

    DetachedRunReplies detached;
    const Outcome outcome = wait(messages, [&detached](const StreamMessage& m) { return detached.take(m); });
    require((outcome == Outcome::done) == detached.launched().has_value());
    if (const auto& launched = detached.launched()) {
        require(!platform::text::trimmed(launched->runID).empty());
        require(platform::text::isValidUTF8(launched->runID));
        if (launched->logPath) require(platform::text::isValidUTF8(*launched->logPath));
    }
    return 0;
}
