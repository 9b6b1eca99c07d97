#pragma once
// The command stream's rules that need no server and no task runtime: the frames the server
// sends and their decoding, what a command printed, the working-directory rule and the encoding
// of client frames.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/net/URLSessionWebSocketMessage.h"

namespace tarvo {

// One WebSocket message as the platform delivers it: text or bytes.
using StreamMessage = platform::URLSessionWebSocketMessage;

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
// as 1 and 0, null as <null>, arrays and objects in the old-style property-list form. Indentation
// grows with depth, so a deeply nested value of a few MiB would describe into gigabytes: the text
// stops at maxBytes (at a character boundary) followed by "…", and the work stops with it.
inline constexpr std::size_t kDescriptionBytes = 64 * 1024;
std::string describeJsonValue(const platform::Json& value, std::size_t maxBytes = kDescriptionBytes);

// Trims, drops "/" at both ends, splits at "/", trims each piece and drops empty, "." and ".."
// pieces (".." is dropped, not resolved), then joins with "/". Never absolute.
std::string normalizeCommandPath(std::string_view path);

// The keys every start frame carries, in this order: "cmd", "args", "cwd" (made relative by
// normalizeCommandPath; empty means the server's default folder), "paths" (none), "insert_token"
// ("{sel}"), "append_paths" (false), "stdin" (empty) and "interactive". Detached runs and uploads
// add their own keys after these.
platform::Json cmdStartFrame(std::string_view command, const std::vector<std::string>& args, std::string_view cwd,
                             bool interactive);

// A client frame as one text message (compact JSON).
std::string encodeCmdFrame(const platform::Json& frame);

// What a command printed, gathered frame by frame (chunks joined with nothing between them).
// A command may print without end, and all that is ever read of its output is a short result or
// the last lines of a failure, so each text keeps only its last kKeptBytes bytes (cut at a
// character boundary, with "…" in front once anything was dropped). stdoutWhole() tells a
// result from such a tail.
struct CmdStreamOutput {
    static constexpr std::size_t kKeptBytes = 64 * 1024;
    // Characters of a failing command's output quoted in its error: the end, where a failing
    // program says why, short enough that the whole error stays within kDisplayTextLimit.
    static constexpr std::size_t kDetailCharacters = 400;

    std::string stdoutText;
    std::string stderrText;
    std::string meta;
    // Every byte of standard output received, kept or not.
    std::uint64_t stdoutBytes = 0;

    // Whether stdoutText is all the command printed (nothing was cut from its front).
    bool stdoutWhole() const { return stdoutBytes <= kKeptBytes; }

    // Adds an output, meta or run-meta frame ("run_id=<id>" plus " log=<path>" when there is
    // one); ignores the others.
    void append(const CmdStreamFrame& frame);
    // The first of stderr, stdout and meta that is not blank, trimmed, and cut to its last
    // kDetailCharacters with "…" in front; "unknown" when none is.
    std::string failureDetail() const;
};

// Appends more to text, keeping only the last CmdStreamOutput::kKeptBytes bytes (see there).
void appendKeepingEnd(std::string& text, std::string_view more);

}  // namespace tarvo
