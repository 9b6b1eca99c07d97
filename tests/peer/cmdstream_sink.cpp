// A sink for uploads, for benchmarks and the tests that drive it: it takes the command-stream
// upload of the upload engine (and of any client of the same protocol) and the receptionist emit
// as fast as they come, checks every frame, and keeps only counts and a CRC-32 of what arrived.
// The loopback server runs a real writer process per upload and cannot keep up with a fast
// client; this one never writes a file, so a benchmark measures the client.
//
//     cmdstream_sink
//
// Listens on a free port of 127.0.0.1 and prints "SINK_LISTENING <port>" once it does; ends
// when its standard input closes. One thread per connection, plain blocking sockets.
//
// What it serves:
// - GET /ws/cmd, /api/ws/cmd (WebSocket): the first message must be the writer's start frame
//   ("cmd" python3, four "args" with the destination last, "interactive" true, "persist"
//   false); every later message up to the end line must be exactly {"stdin":"<base64>\n"}
//   with valid padded base64; {"stdin":"__END__\n"} ends the upload. The sink answers with
//   {"stream":"stdout","data":"ok\n"} and {"stream":"exit","code":0}, or, after any frame that
//   breaks these rules, {"stream":"stderr","data":<why>} and exit code 1 (frames after a fault
//   are still read, not checked). Client frames must be masked.
// - GET /api/stat?path=P: {"ok":true,"path":P,"type":"file","size":N} for an upload that ended
//   well at P, else 404.
// - POST /emit: the body (Content-Length or chunked) counted and checksummed; 201 with
//   {"ok":true,"bytes":N,...}.
// - GET /_sink/uploads: every upload and emit so far, oldest first: {"kind":"upload"|"emit",
//   "path", "ok", "error", "bytes", "frames", "crc32"}.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/sha.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "TarvoShareExtension/Intake/Crc32.h"

namespace {

using Json = nlohmann::json;

struct Record {
    std::string kind;
    std::string path;
    bool ok = false;
    std::string error;
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    std::uint32_t crc = 0;
};

Record makeRecord(std::string kind) {
    Record r;
    r.kind = std::move(kind);
    return r;
}

std::mutex recordsMutex;
std::vector<Record> records;

void addRecord(Record r) {
    std::lock_guard lock(recordsMutex);
    records.push_back(std::move(r));
}

// ---- socket I/O

class Connection {
public:
    explicit Connection(int fd) : fd_(fd), buffer_(std::size_t(4) << 20) {}
    ~Connection() { ::close(fd_); }

    // Bytes received but not consumed yet.
    std::string_view pending() const { return {buffer_.data() + begin_, end_ - begin_}; }
    void consume(std::size_t n) { begin_ += n; }

    // Makes at least n bytes pending; false at end of stream.
    bool need(std::size_t n) {
        if (end_ - begin_ >= n) return true;
        if (n > buffer_.size()) buffer_.resize(n);
        if (begin_ + n > buffer_.size()) {
            std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        while (end_ - begin_ < n) {
            const ssize_t got = ::recv(fd_, buffer_.data() + end_, buffer_.size() - end_, 0);
            if (got <= 0) return false;
            end_ += static_cast<std::size_t>(got);
        }
        return true;
    }
    char* mutablePending() { return buffer_.data() + begin_; }

    bool sendAll(std::string_view data) {
        while (!data.empty()) {
            const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // One line of an HTTP head (without CRLF); nothing at end of stream.
    std::optional<std::string> line() {
        for (;;) {
            const auto p = pending();
            const auto at = p.find("\r\n");
            if (at != std::string_view::npos) {
                std::string l(p.substr(0, at));
                consume(at + 2);
                return l;
            }
            if (p.size() > 64 * 1024) return std::nullopt;
            if (!need(p.size() + 1)) return std::nullopt;
        }
    }

private:
    int fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

// ---- base64 and masking

struct DecodeTables {
    // Each character's six bits already in place for its position in a 4-character group;
    // a character outside the alphabet sets bit 24 in every table.
    std::uint32_t at[4][256];
    DecodeTables() {
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (auto& t : at) std::fill(std::begin(t), std::end(t), 1u << 24);
        for (std::uint32_t i = 0; i < 64; ++i) {
            const auto c = static_cast<unsigned char>(alphabet[i]);
            at[0][c] = i << 18;
            at[1][c] = i << 12;
            at[2][c] = i << 6;
            at[3][c] = i;
        }
    }
};
const DecodeTables kTables;

// Strict decoding (the length a multiple of 4, padding only at the end) into out; the decoded
// size, or nothing for text that is not base64.
std::optional<std::size_t> decodeBase64(std::string_view text, unsigned char* out) {
    if (text.size() % 4 != 0) return std::nullopt;
    if (text.empty()) return 0;
    std::size_t full = text.size() / 4;
    int padding = 0;
    if (text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    if (padding) --full;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::uint32_t bad = 0;
    unsigned char* o = out;
    for (std::size_t g = 0; g < full; ++g, p += 4, o += 3) {
        const std::uint32_t v = kTables.at[0][p[0]] | kTables.at[1][p[1]] | kTables.at[2][p[2]] | kTables.at[3][p[3]];
        bad |= v;
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
    }
    if (bad >> 24) return std::nullopt;
    if (padding) {
        const std::uint32_t v = kTables.at[0][p[0]] | kTables.at[1][p[1]] |
                                (padding == 1 ? kTables.at[2][p[2]] : 0);
        if (v >> 24) return std::nullopt;
        // Bits below the last character's share must be zero, as strict decoders require.
        if (padding == 2 && (v & 0xFFFF)) return std::nullopt;
        if (padding == 1 && (v & 0xFF)) return std::nullopt;
        *o++ = static_cast<unsigned char>(v >> 16);
        if (padding == 1) *o++ = static_cast<unsigned char>(v >> 8);
    }
    return static_cast<std::size_t>(o - out);
}

void unmask(char* data, std::size_t n, const unsigned char key[4]) {
    std::uint32_t k32;
    std::memcpy(&k32, key, 4);
    const std::uint64_t k64 = (std::uint64_t(k32) << 32) | k32;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        w ^= k64;
        std::memcpy(data + i, &w, 8);
    }
    for (; i < n; ++i) data[i] = static_cast<char>(data[i] ^ key[i & 3]);
}

// ---- WebSocket

std::string acceptKey(const std::string& key) {
    const std::string text = key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (int i = 0; i < 20; i += 3) {
        const std::uint32_t v = (std::uint32_t(digest[i]) << 16) | (i + 1 < 20 ? std::uint32_t(digest[i + 1]) << 8 : 0) |
                                (i + 2 < 20 ? digest[i + 2] : 0);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < 20 ? alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < 20 ? alphabet[v & 63] : '=';
    }
    return out;
}

std::string serverFrame(int opcode, std::string_view payload) {
    std::string f;
    f.push_back(static_cast<char>(0x80 | opcode));
    if (payload.size() < 126) {
        f.push_back(static_cast<char>(payload.size()));
    } else if (payload.size() < 65536) {
        f.push_back(126);
        f.push_back(static_cast<char>(payload.size() >> 8));
        f.push_back(static_cast<char>(payload.size()));
    } else {
        f.push_back(127);
        for (int s = 56; s >= 0; s -= 8) f.push_back(static_cast<char>(std::uint64_t(payload.size()) >> s));
    }
    f.append(payload);
    return f;
}

class UploadCheck {
public:
    // One complete client message; false once the upload has ended (the end line).
    bool take(std::string_view message, bool text) {
        record_.frames++;
        if (!started_) {
            started_ = true;
            start(message, text);
            return true;
        }
        if (!record_.error.empty()) return !isEnd(message);
        if (!text) return fail("binary message");
        if (isEnd(message)) return false;
        static constexpr std::string_view head = "{\"stdin\":\"";
        static constexpr std::string_view tail = "\\n\"}";
        std::string_view b64;
        std::string parsedLine;
        if (message.size() >= head.size() + tail.size() && message.substr(0, head.size()) == head &&
            message.substr(message.size() - tail.size()) == tail) {
            b64 = message.substr(head.size(), message.size() - head.size() - tail.size());
        } else {
            // Another client's serialization (blanks, escapes): the same object, read as JSON.
            const Json frame = Json::parse(message, nullptr, false);
            if (!frame.is_object() || frame.size() != 1 || !frame.contains("stdin") || !frame["stdin"].is_string()) {
                return fail("frame " + std::to_string(record_.frames) + " is not a stdin line");
            }
            parsedLine = frame["stdin"].get<std::string>();
            if (parsedLine == "__END__\n") return false;
            if (parsedLine.empty() || parsedLine.back() != '\n') {
                return fail("frame " + std::to_string(record_.frames) + " is not a stdin line");
            }
            parsedLine.pop_back();
            b64 = parsedLine;
        }
        decoded_.resize(b64.size() / 4 * 3 + 3);
        const auto n = decodeBase64(b64, decoded_.data());
        if (!n) return fail("frame " + std::to_string(record_.frames) + " is not base64");
        record_.crc = tarvo::crc32Update(record_.crc, decoded_.data(), *n);
        record_.bytes += *n;
        return true;
    }

    Record finish(bool ended) {
        if (!ended && record_.error.empty()) record_.error = "the connection ended before __END__";
        record_.ok = record_.error.empty();
        return record_;
    }
    const std::string& error() const { return record_.error; }

private:
    static bool isEnd(std::string_view m) { return m == "{\"stdin\":\"__END__\\n\"}"; }

    bool fail(std::string why) {
        record_.error = std::move(why);
        return true;
    }

    void start(std::string_view message, bool text) {
        const Json frame = Json::parse(message, nullptr, false);
        const bool good = text && frame.is_object() && frame.value("cmd", Json()) == "python3" &&
                          frame.contains("args") && frame["args"].is_array() && frame["args"].size() == 4 &&
                          frame["args"][3].is_string() && frame.value("interactive", Json()) == true &&
                          frame.value("persist", Json()) == false;
        if (!good) {
            fail("the start frame is not the writer's");
            return;
        }
        record_.path = frame["args"][3].get<std::string>();
    }

    bool started_ = false;
    Record record_ = makeRecord("upload");
    std::vector<unsigned char> decoded_;
};

void serveWebSocket(Connection& c) {
    UploadCheck check;
    bool ended = false;
    std::string message;  // a fragmented message being put together
    bool messageText = false;
    bool inMessage = false;
    for (;;) {
        if (!c.need(2)) break;
        const auto* h = reinterpret_cast<const unsigned char*>(c.pending().data());
        const bool fin = h[0] & 0x80;
        const int opcode = h[0] & 0x0F;
        const bool masked = h[1] & 0x80;
        std::uint64_t length = h[1] & 0x7F;
        std::size_t headerSize = 2;
        if (length == 126) headerSize += 2;
        if (length == 127) headerSize += 8;
        headerSize += masked ? 4 : 0;
        if (!c.need(headerSize)) break;
        h = reinterpret_cast<const unsigned char*>(c.pending().data());
        if (length == 126) length = (std::uint64_t(h[2]) << 8) | h[3];
        if (length == 127) {
            length = 0;
            for (int i = 0; i < 8; ++i) length = (length << 8) | h[2 + i];
        }
        if (!masked || length > (std::uint64_t(64) << 20)) {
            c.sendAll(serverFrame(8, std::string("\x03\xea", 2)));  // 1002
            return;
        }
        unsigned char key[4];
        std::memcpy(key, h + headerSize - 4, 4);
        c.consume(headerSize);
        if (!c.need(length)) break;
        char* payload = c.mutablePending();
        unmask(payload, length, key);
        const std::string_view data(payload, length);
        if (opcode == 8) {
            c.sendAll(serverFrame(8, data.substr(0, std::min<std::size_t>(data.size(), 2))));
            c.consume(length);
            break;
        }
        if (opcode == 9) {
            const std::string pong = serverFrame(10, data);
            c.consume(length);
            c.sendAll(pong);
            continue;
        }
        if (opcode == 10) {
            c.consume(length);
            continue;
        }
        bool more = true;
        if (opcode == 1 || opcode == 2) {
            if (fin) {
                more = check.take(data, opcode == 1);
            } else {
                message.assign(data);
                messageText = opcode == 1;
                inMessage = true;
            }
        } else if (opcode == 0 && inMessage) {
            message.append(data);
            if (fin) {
                inMessage = false;
                more = check.take(message, messageText);
            }
        }
        c.consume(length);
        if (!more && !ended) {
            ended = true;
            // Recorded before the answer: a client that has the exit frame may ask at once.
            addRecord(check.finish(true));
            if (check.error().empty()) {
                c.sendAll(serverFrame(1, R"({"stream":"stdout","data":"ok\n"})"));
                c.sendAll(serverFrame(1, R"({"stream":"exit","code":0})"));
            } else {
                c.sendAll(serverFrame(1, Json{{"stream", "stderr"}, {"data", check.error() + "\n"}}.dump()));
                c.sendAll(serverFrame(1, R"({"stream":"exit","code":1})"));
            }
        }
    }
    if (!ended) addRecord(check.finish(false));
}

// ---- HTTP

struct Request {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case
};

std::optional<Request> readHead(Connection& c) {
    auto first = c.line();
    if (!first || first->empty()) return std::nullopt;
    Request r;
    const auto sp1 = first->find(' ');
    const auto sp2 = first->find(' ', sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) return std::nullopt;
    r.method = first->substr(0, sp1);
    r.target = first->substr(sp1 + 1, sp2 - sp1 - 1);
    for (;;) {
        auto l = c.line();
        if (!l) return std::nullopt;
        if (l->empty()) break;
        const auto colon = l->find(':');
        if (colon == std::string::npos) continue;
        std::string name = l->substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
        std::string value = l->substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        r.headers[name] = value;
    }
    return r;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out.push_back(static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i] == '+' ? ' ' : s[i]);
        }
    }
    return out;
}

std::string queryValue(const std::string& target, const std::string& name) {
    const auto q = target.find('?');
    if (q == std::string::npos) return "";
    std::string_view rest(target);
    rest.remove_prefix(q + 1);
    while (!rest.empty()) {
        const auto amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        const auto eq = pair.find('=');
        if (pair.substr(0, eq) == name) return eq == std::string_view::npos ? "" : percentDecoded(pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return "";
}

bool reply(Connection& c, int status, const Json& body) {
    const std::string text = body.dump();
    const char* reason = status == 200 ? "OK" : status == 201 ? "Created" : status == 404 ? "Not Found" : "Bad Request";
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                       "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(text.size()) +
                       "\r\nConnection: keep-alive\r\n\r\n";
    return c.sendAll(head + text);
}

// Reads the body as it comes, 1 MiB at a time, into the CRC; false when the connection ended.
bool readBody(Connection& c, const Request& r, Record& record) {
    auto take = [&](std::uint64_t n) {
        while (n > 0) {
            const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(n, 1 << 20));
            if (!c.need(step)) return false;
            record.crc = tarvo::crc32Update(record.crc, c.pending().data(), step);
            record.bytes += step;
            c.consume(step);
            n -= step;
        }
        return true;
    };
    const auto te = r.headers.find("transfer-encoding");
    if (te != r.headers.end() && te->second.find("chunked") != std::string::npos) {
        for (;;) {
            auto sizeLine = c.line();
            if (!sizeLine) return false;
            const std::uint64_t n = std::stoull(*sizeLine, nullptr, 16);
            if (n == 0) {
                while (true) {  // trailers
                    auto l = c.line();
                    if (!l) return false;
                    if (l->empty()) return true;
                }
            }
            if (!take(n)) return false;
            if (!c.line()) return false;
        }
    }
    const auto cl = r.headers.find("content-length");
    return take(cl == r.headers.end() ? 0 : std::stoull(cl->second));
}

void serveConnection(int fd) {
    Connection c(fd);
    for (;;) {
        const auto r = readHead(c);
        if (!r) return;
        const std::string path = r->target.substr(0, r->target.find('?'));
        if (r->method == "GET" && (path == "/ws/cmd" || path == "/api/ws/cmd")) {
            const auto key = r->headers.find("sec-websocket-key");
            if (key == r->headers.end()) {
                reply(c, 400, Json{{"error", "not a WebSocket upgrade"}});
                return;
            }
            const std::string head = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                     "Sec-WebSocket-Accept: " + acceptKey(key->second) + "\r\n\r\n";
            if (!c.sendAll(head)) return;
            serveWebSocket(c);
            return;
        }
        if (r->method == "GET" && path == "/api/stat") {
            const std::string want = queryValue(r->target, "path");
            std::optional<Record> found;
            {
                std::lock_guard lock(recordsMutex);
                for (const auto& rec : records) {
                    if (rec.kind == "upload" && rec.ok && rec.path == want) found = rec;
                }
            }
            const bool ok = found ? reply(c, 200, Json{{"ok", true}, {"path", want}, {"type", "file"},
                                                        {"size", found->bytes}})
                                  : reply(c, 404, Json{{"detail", "no such file"}});
            if (!ok) return;
            continue;
        }
        if (r->method == "GET" && path == "/_sink/uploads") {
            Json list = Json::array();
            {
                std::lock_guard lock(recordsMutex);
                for (const auto& rec : records) {
                    list.push_back(Json{{"kind", rec.kind}, {"path", rec.path}, {"ok", rec.ok}, {"error", rec.error},
                                        {"bytes", rec.bytes}, {"frames", rec.frames}, {"crc32", rec.crc}});
                }
            }
            if (!reply(c, 200, list)) return;
            continue;
        }
        if (r->method == "POST" && path == "/emit") {
            const auto expect = r->headers.find("expect");
            if (expect != r->headers.end() && expect->second == "100-continue") {
                if (!c.sendAll("HTTP/1.1 100 Continue\r\n\r\n")) return;
            }
            Record rec = makeRecord("emit");
            const auto name = r->headers.find("x-file-name");
            if (name != r->headers.end()) rec.path = name->second;
            if (!readBody(c, *r, rec)) return;
            rec.ok = true;
            const std::uint64_t bytes = rec.bytes;
            addRecord(rec);
            if (!reply(c, 201, Json{{"ok", true}, {"schema", 1}, {"via", "http"}, {"event_id", "sink"}, {"bytes", bytes}})) {
                return;
            }
            continue;
        }
        reply(c, 404, Json{{"detail", "not served by the sink"}});
        return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--help") {
        std::printf("usage: cmdstream_sink\n");
        return 0;
    }
    if (argc > 1) {
        std::fprintf(stderr, "usage: cmdstream_sink\n");
        return 2;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        std::perror("cmdstream_sink: listen");
        return 1;
    }
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::printf("SINK_LISTENING %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    // The fixture closes our standard input to stop us.
    std::thread([] {
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        std::_Exit(0);
    }).detach();

    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread([fd] {
            try {
                serveConnection(fd);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "cmdstream_sink: %s\n", e.what());
            }
        }).detach();
    }
}
