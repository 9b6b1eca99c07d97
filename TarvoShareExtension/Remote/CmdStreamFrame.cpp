#include "TarvoShareExtension/Remote/CmdStreamFrame.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>

#include "platform/foundation/Text.h"

namespace tarvo {

using platform::Json;

namespace {

std::string textOrEmpty(const Json& object, const char* key) {
    auto it = object.find(key);
    if (it != object.end() && it->is_string()) return it->get<std::string>();
    return "";
}

// Swift's Int(text): an optional sign and ASCII digits only; nothing on overflow.
std::optional<std::int64_t> parseDecimal(std::string_view s) {
    if (s.empty()) return std::nullopt;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    // Accumulated negatively so that the most negative value parses too.
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value < (std::numeric_limits<std::int64_t>::min() + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
        value = -value;
    }
    return value;
}

bool isPlainWord(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '.' || c == '$' || c == '/' || c >= 0x80;
        if (!plain) return false;
    }
    return true;
}

std::string quotedIfNeeded(const std::string& s) {
    if (isPlainWord(s)) return s;
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out.push_back(c);
        }
    }
    return out + "\"";
}

std::string describeScalar(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null: return "<null>";
        case Json::value_t::boolean: return value.get<bool>() ? "1" : "0";
        case Json::value_t::number_integer: return std::to_string(value.get<std::int64_t>());
        case Json::value_t::number_unsigned: return std::to_string(value.get<std::uint64_t>());
        case Json::value_t::number_float: {
            const double d = value.get<double>();
            char buf[64];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
            if (ec != std::errc()) return "0";
            return std::string(buf, end);
        }
        default: return "";
    }
}

// The description, written into one text that refuses to grow past its limit. Once full, the
// walk stops: the work done is bounded by the limit, not by the value (its depth is bounded by
// the parser).
class Description {
public:
    explicit Description(std::size_t limit) : limit_(limit) {}

    bool full() const { return full_; }

    void put(std::string_view s) {
        if (full_) return;
        if (out_.size() + s.size() <= limit_) {
            out_.append(s);
            return;
        }
        // Cut before the character that crosses the limit, never inside it.
        std::size_t keep = limit_ - out_.size();
        while (keep > 0 && (static_cast<unsigned char>(s[keep]) & 0xC0) == 0x80) --keep;
        out_.append(s.substr(0, keep));
        full_ = true;
    }
    void indent(int depth) {
        if (full_) return;
        const std::size_t n = static_cast<std::size_t>(depth) * 4;
        if (out_.size() + n <= limit_) {
            out_.append(n, ' ');
            return;
        }
        out_.append(limit_ - out_.size(), ' ');
        full_ = true;
    }

    void value(const Json& v, int depth, bool nested) {
        if (full_) return;
        if (v.is_string()) {
            if (nested) {
                put(quotedIfNeeded(v.get_ref<const std::string&>()));
            } else {
                put(v.get_ref<const std::string&>());
            }
            return;
        }
        if (v.is_array()) {
            put("(\n");
            for (std::size_t i = 0; i < v.size() && !full_; ++i) {
                indent(depth + 1);
                value(v[i], depth + 1, true);
                if (i + 1 < v.size()) put(",");
                put("\n");
            }
            indent(depth);
            put(")");
            return;
        }
        if (v.is_object()) {
            put("{\n");
            for (auto it = v.begin(); it != v.end() && !full_; ++it) {
                indent(depth + 1);
                put(quotedIfNeeded(it.key()));
                put(" = ");
                value(it.value(), depth + 1, true);
                put(";\n");
            }
            indent(depth);
            put("}");
            return;
        }
        put(describeScalar(v));
    }

    std::string take() {
        if (full_) out_ += "\u2026";
        return std::move(out_);
    }

private:
    std::string out_;
    std::size_t limit_;
    bool full_ = false;
};

}  // namespace

std::int64_t readExitCode(const Json* code) {
    if (!code) return 0;
    switch (code->type()) {
        case Json::value_t::number_integer: return code->get<std::int64_t>();
        case Json::value_t::number_unsigned: {
            const std::uint64_t u = code->get<std::uint64_t>();
            constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            return u > max ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(u);
        }
        case Json::value_t::number_float: {
            const double d = std::trunc(code->get<double>());
            if (std::isnan(d)) return 0;
            // 2^63 is exact as a double; anything at or beyond it is out of range.
            if (d >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
            if (d < -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
            return static_cast<std::int64_t>(d);
        }
        case Json::value_t::string: return parseDecimal(code->get<std::string>()).value_or(0);
        default: return 0;
    }
}

std::string describeJsonValue(const Json& value, std::size_t maxBytes) {
    Description d(maxBytes);
    d.value(value, 0, false);
    return d.take();
}

namespace {

// The frame's members are read whole, but of what lies below them only the first values of
// "data" are kept: nothing else below a member is ever read, and every value described costs at
// least 6 bytes of description, so a "data" with more values than this describes into a full
// description long before the values dropped would have been shown. A frame of a few MiB can
// no longer become hundreds of MiB of parsed values.
constexpr std::size_t kKeptDataValues = kDescriptionBytes;

Json parseFrame(std::string_view payload) {
    using Event = Json::parse_event_t;
    std::size_t kept = 0;
    bool frameIsObject = false;
    bool inData = false;
    auto keep = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (depth == 1 && event == Event::key) inData = frameIsObject && parsed == "data";
        if (event != Event::object_start && event != Event::array_start && event != Event::value) return true;
        if (depth == 0) {
            frameIsObject = event == Event::object_start;
            return true;
        }
        if (depth == 1 && frameIsObject) return true;
        return inData && ++kept <= kKeptDataValues;
    };
    return platform::parseJson(payload, keep);
}

}  // namespace

std::optional<CmdStreamFrame> decodeCmdFrame(const StreamMessage& message) {
    const Json parsed = parseFrame(message.payload);
    if (!parsed.is_object()) return std::nullopt;
    auto streamIt = parsed.find("stream");
    if (streamIt == parsed.end() || !streamIt->is_string()) return std::nullopt;
    const std::string stream = streamIt->get<std::string>();

    if (stream == "stdout") return CmdStreamFrame::standardOutput(textOrEmpty(parsed, "data"));
    if (stream == "stderr") return CmdStreamFrame::standardError(textOrEmpty(parsed, "data"));
    if (stream == "meta") {
        auto runIt = parsed.find("run_id");
        if (runIt != parsed.end() && runIt->is_string() &&
            !platform::text::trimmed(runIt->get<std::string>()).empty()) {
            std::optional<std::string> logPath;
            auto logIt = parsed.find("log_path");
            if (logIt != parsed.end() && logIt->is_string()) logPath = logIt->get<std::string>();
            return CmdStreamFrame::runMeta(runIt->get<std::string>(), std::move(logPath));
        }
        auto dataIt = parsed.find("data");
        if (dataIt == parsed.end()) return CmdStreamFrame::meta("");
        if (dataIt->is_string()) return CmdStreamFrame::meta(dataIt->get<std::string>());
        return CmdStreamFrame::meta(describeJsonValue(*dataIt));
    }
    if (stream == "error") {
        auto dataIt = parsed.find("data");
        if (dataIt != parsed.end() && dataIt->is_string()) return CmdStreamFrame::error(dataIt->get<std::string>());
        return CmdStreamFrame::error("unknown error");
    }
    if (stream == "exit") {
        auto codeIt = parsed.find("code");
        return CmdStreamFrame::exit(readExitCode(codeIt == parsed.end() ? nullptr : &*codeIt));
    }
    return std::nullopt;
}

std::string normalizeCommandPath(std::string_view path) {
    const std::string outer = platform::text::trimmingCharacters(platform::text::trimmed(path), "/");
    std::string out;
    for (const auto& raw : platform::text::components(outer, "/")) {
        const std::string piece = platform::text::trimmed(raw);
        if (piece.empty() || piece == "." || piece == "..") continue;
        if (!out.empty()) out += "/";
        out += piece;
    }
    return out;
}

Json cmdStartFrame(std::string_view command, const std::vector<std::string>& args, std::string_view cwd,
                   bool interactive) {
    Json frame = Json::object();
    frame["cmd"] = std::string(command);
    frame["args"] = Json::array();
    for (const auto& a : args) frame["args"].push_back(a);
    frame["cwd"] = normalizeCommandPath(cwd);
    frame["paths"] = Json::array();
    frame["insert_token"] = "{sel}";
    frame["append_paths"] = false;
    frame["stdin"] = "";
    frame["interactive"] = interactive;
    return frame;
}

std::string encodeCmdFrame(const Json& frame) {
    std::string text = platform::encodeCompact(frame);
    if (!platform::text::isValidUTF8(text)) return "{}";
    return text;
}

void appendKeepingEnd(std::string& text, std::string_view more) {
    constexpr std::size_t kept = CmdStreamOutput::kKeptBytes;
    auto boundaryFrom = [](std::string_view s, std::size_t i) {
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        return i;
    };
    if (text.size() + more.size() <= kept) {
        text.append(more);
        return;
    }
    if (more.size() >= kept) {
        // Nothing before it survives: copy only what is kept of it.
        text = "\u2026";
        text.append(more.substr(boundaryFrom(more, more.size() - kept)));
        return;
    }
    // Drop the front (with any earlier mark) up to a character boundary, and mark the cut.
    text.append(more);
    text.replace(0, boundaryFrom(text, text.size() - kept), "\u2026");
}

void CmdStreamOutput::append(const CmdStreamFrame& frame) {
    switch (frame.kind) {
        case CmdStreamFrame::Kind::standardOutput:
            stdoutBytes += frame.text.size();
            appendKeepingEnd(stdoutText, frame.text);
            break;
        case CmdStreamFrame::Kind::standardError: appendKeepingEnd(stderrText, frame.text); break;
        case CmdStreamFrame::Kind::meta: appendKeepingEnd(meta, frame.text); break;
        case CmdStreamFrame::Kind::runMeta: {
            std::string text = "run_id=" + frame.runID;
            if (frame.logPath && !frame.logPath->empty()) text += " log=" + *frame.logPath;
            appendKeepingEnd(meta, text);
            break;
        }
        default: break;
    }
}

std::string CmdStreamOutput::failureDetail() const {
    for (const std::string* text : {&stderrText, &stdoutText, &meta}) {
        std::string t = platform::text::trimmed(*text);
        if (!t.empty()) return platform::text::shortenedKeepingEnd(t, kDetailCharacters);
    }
    return "unknown";
}

}  // namespace tarvo
