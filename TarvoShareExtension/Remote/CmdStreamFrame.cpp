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

std::string describeAt(const Json& value, int depth, bool nested);

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

std::string describeAt(const Json& value, int depth, bool nested) {
    const std::string pad(static_cast<std::size_t>(depth) * 4, ' ');
    const std::string inner(static_cast<std::size_t>(depth + 1) * 4, ' ');
    if (value.is_string()) return nested ? quotedIfNeeded(value.get<std::string>()) : value.get<std::string>();
    if (value.is_array()) {
        std::string out = "(\n";
        for (std::size_t i = 0; i < value.size(); ++i) {
            out += inner + describeAt(value[i], depth + 1, true);
            if (i + 1 < value.size()) out += ",";
            out += "\n";
        }
        return out + pad + ")";
    }
    if (value.is_object()) {
        std::string out = "{\n";
        for (const auto& [key, item] : value.items()) {
            out += inner + quotedIfNeeded(key) + " = " + describeAt(item, depth + 1, true) + ";\n";
        }
        return out + pad + "}";
    }
    return describeScalar(value);
}

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

std::string describeJsonValue(const Json& value) { return describeAt(value, 0, false); }

std::optional<CmdStreamFrame> decodeCmdFrame(const StreamMessage& message) {
    const Json parsed = platform::parseJson(message.payload);
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

void CmdStreamOutput::append(const CmdStreamFrame& frame) {
    switch (frame.kind) {
        case CmdStreamFrame::Kind::standardOutput: stdoutText += frame.text; break;
        case CmdStreamFrame::Kind::standardError: stderrText += frame.text; break;
        case CmdStreamFrame::Kind::meta: meta += frame.text; break;
        case CmdStreamFrame::Kind::runMeta:
            meta += "run_id=" + frame.runID;
            if (frame.logPath && !frame.logPath->empty()) meta += " log=" + *frame.logPath;
            break;
        default: break;
    }
}

std::string CmdStreamOutput::failureDetail() const {
    for (const std::string* text : {&stderrText, &stdoutText, &meta}) {
        std::string t = platform::text::trimmed(*text);
        if (!t.empty()) return t;
    }
    return "unknown";
}

}  // namespace tarvo
