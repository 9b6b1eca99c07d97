#pragma once
// The command stream's rules that do not need a server: the frames the server sends and their
// decoding, the working-directory normalization, the encoding of client frames, the receive
// with a soft time limit, and the hand-off of a channel's close to a task of its own.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "platform/concurrency/Async.h"
#include "platform/foundation/Json.h"

namespace tarvo {

// One decoded server frame.
struct CmdStreamFrame {
    // The C library claims the names stdout and stderr, hence the spelled-out cases.
    enum class Kind { standardOutput, standardError, meta, runMeta, error, exit };

    Kind kind = Kind::meta;
    std::string text;                    // standardOutput, standardError, meta, error
    std::string runID;                   // runMeta, as received (untrimmed)
    std::optional<std::string> logPath;  // runMeta
    std::int64_t code = 0;               // exit

    static CmdStreamFrame standardOutput(std::string text) { return withText(Kind::standardOutput, std::move(text)); }
    static CmdStreamFrame standardError(std::string text) { return withText(Kind::standardError, std::move(text)); }
    static CmdStreamFrame meta(std::string text) { return withText(Kind::meta, std::move(text)); }
    static CmdStreamFrame runMeta(std::string runID, std::optional<std::string> logPath) {
        CmdStreamFrame f;
        f.kind = Kind::runMeta;
        f.runID = std::move(runID);
        f.logPath = std::move(logPath);
        return f;
    }
    static CmdStreamFrame error(std::string text) { return withText(Kind::error, std::move(text)); }
    static CmdStreamFrame exit(std::int64_t code) {
        CmdStreamFrame f;
        f.kind = Kind::exit;
        f.code = code;
        return f;
    }

    bool operator==(const CmdStreamFrame&) const = default;

private:
    static CmdStreamFrame withText(Kind kind, std::string text) {
        CmdStreamFrame f;
        f.kind = kind;
        f.text = std::move(text);
        return f;
    }
};

// The frame a server message carries; nothing for a message that is not a JSON object with a
// "stream" text this client knows. A message that is not JSON throws platform::JsonParseError.
std::optional<CmdStreamFrame> decodeCmdFrame(const StreamMessage& message);

// The exit code of an exit frame's "code" (absent: nullptr). Integers are taken as they are
// (beyond the 64-bit range: clamped), other numbers lose their fraction (clamped), a text is read
// as a decimal integer with an optional sign (anything else, overflow included, gives 0), every
// other value gives 0.
std::int64_t readExitCode(const platform::Json* code);

// The text the platform shows for a parsed JSON value: numbers and texts as themselves, booleans
// as 1 and 0, null as <null>, arrays and objects in the old-style property-list form.
std::string describeJsonValue(const platform::Json& value);

// Trims, drops "/" at both ends, splits at "/", trims each piece and drops empty, "." and ".."
// pieces (".." is dropped, not resolved), then joins with "/". Never absolute.
std::string normalizeCommandPath(std::string_view path);

// A client frame as one text message (compact JSON).
std::string encodeCmdFrame(const platform::Json& frame);

// The next message, or nothing when `seconds` (at least 0.05) ran out first. The channel stays
// open either way. A message that arrives as the time runs out is returned, never dropped.
// Throws the receive's error when the receive fails first.
platform::Async<std::optional<StreamMessage>> receiveCmdFrameWithSoftTimeout(
    std::shared_ptr<StreamChannel> channel, double seconds);

// What a command printed, gathered frame by frame (chunks joined with nothing between them).
struct CmdStreamOutput {
    std::string stdoutText;
    std::string stderrText;
    std::string meta;

    // Adds an output, meta or run-meta frame ("run_id=<id>" plus " log=<path>" when there is
    // one); ignores the others.
    void append(const CmdStreamFrame& frame);
    // The first of stderr, stdout and meta that is not blank, trimmed; "unknown" when none is.
    std::string failureDetail() const;
};

// Starts the channel's close in a task of its own that nobody awaits.
void closeChannelDetached(std::shared_ptr<StreamChannel> channel);

// Closes a channel (without waiting) when the operation that owns it ends, however it ends.
class ChannelCloseGuard {
public:
    explicit ChannelCloseGuard(std::shared_ptr<StreamChannel> channel) : channel_(std::move(channel)) {}
    ~ChannelCloseGuard() { closeChannelDetached(std::move(channel_)); }
    ChannelCloseGuard(const ChannelCloseGuard&) = delete;
    ChannelCloseGuard& operator=(const ChannelCloseGuard&) = delete;

private:
    std::shared_ptr<StreamChannel> channel_;
};

}  // namespace tarvo
