// The receptionist emit client against the loopback server.
#include <gtest/gtest.h>

#include <mutex>

#include "Core/ReceptionistClient.h"
#include "platform/crypto/Sha256.h"
#include "platform/foundation/Clock.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

using namespace remote_test;
using platform::Json;
using platform::URL;
using tarvo::EmitHTTPResponse;
using tarvo::ReceptionistClient;
using tarvo::ReceptionistClientError;
using tarvo::TransferProgress;

TEST(ReceptionistClientTest, JoinURL) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"http://h/rcpt", "/emit", "http://h/rcpt/emit"},
        {"http://h/rcpt/", "/emit", "http://h/rcpt/emit"},
        {"http://h", "/emit", "http://h/emit"},
        {"http://h/", "emit", "http://h/emit"},
        {"http://h/a//", "/emit", "http://h/a//emit"},
        {"https://h:8443/r?x=1", "/emit", "https://h:8443/r/emit?x=1"},
    };
    for (const auto& [base, path, expected] : cases) {
        EXPECT_EQ(ReceptionistClient::joinURL(*URL::parse(base), path).absoluteString(), expected) << base;
    }
}

TEST(ReceptionistClientTest, EmitResponseRecord) {
    const auto minimal = EmitHTTPResponse::fromJson(Json::parse(R"({"ok": true, "other": 1})"));
    EXPECT_EQ(minimal, EmitHTTPResponse{true});
    EXPECT_EQ(minimal.toJson(), Json::parse(R"({"ok": true})"));
    EXPECT_THROW(EmitHTTPResponse::fromJson(Json::parse(R"({"ref": "x"})")), platform::DecodingError);
    EXPECT_THROW(EmitHTTPResponse::fromJson(Json::parse(R"({"ok": true, "seq": "1"})")), platform::DecodingError);
}

// The session the emits go over, made as a program's main() makes its own.
std::shared_ptr<platform::URLSession> emitSession() {
    static const auto session = platform::URLSession::make();
    return session;
}

class EmitTest : public ::testing::Test {
protected:
    peer::PeerServer server;

    struct Progress {
        std::mutex mutex;
        std::vector<TransferProgress> reports;
        std::vector<double> times;
        std::vector<std::thread::id> threads;
    };

    // Emits `path` with the usual describing fields.
    EmitHTTPResponse emit(const std::string& path, std::optional<std::string> token,
                          std::optional<std::string> meta, std::optional<std::string> route,
                          std::shared_ptr<Progress> progress = nullptr) {
        ReceptionistClient::ProgressCallback callback;
        if (progress) {
            callback = [progress](const TransferProgress& p) {
                std::lock_guard lock(progress->mutex);
                progress->reports.push_back(p);
                progress->times.push_back(platform::nowEpochSeconds());
                progress->threads.push_back(std::this_thread::get_id());
            };
        }
        const URL base = *URL::parse(server.baseURL() + "/");
        return runTask([=]() {
            return ReceptionistClient::emitFile(emitSession(), base, token, URL::fileURL(path), "report final.pdf", "dev-1",
                                                "share.file", "application/pdf", "ios", meta, route, callback);
        });
    }

    std::string emitFailure(const std::string& path) {
        const URL base = *URL::parse(server.baseURL());
        return failureText<ReceptionistClientError>([=, this]() {
            return ReceptionistClient::emitFile(emitSession(), base, server.options().receptionistToken, URL::fileURL(path), "f",
                                                "d", "k", "text/plain", "ios", std::nullopt, std::nullopt, nullptr);
        });
    }
};

TEST_F(EmitTest, SeveralMebibytesArriveWithTheirHeadersAndThrottledProgress) {
    const std::size_t size = 6 * 1024 * 1024 + 3;
    const std::string path = writePatternFile(server.root() + "/payload.pdf", size);
    auto progress = std::make_shared<Progress>();
    const std::string route = R"({"schema":"substrate.route.v1","reply_to":"ops"})";
    auto reply = emit(path, "  " + server.options().receptionistToken + "\n", "  {\"a\":1}  ", "\n" + route + " ", progress);

    EXPECT_TRUE(reply.ok);
    EXPECT_EQ(reply.bytes, static_cast<std::int64_t>(size));
    EXPECT_EQ(reply.basename, "report final.pdf");
    EXPECT_EQ(reply.ref, "events/evt-000001/report final.pdf");
    EXPECT_EQ(reply.kind, "share.file");

    const auto recorded = server.requestsTo("/emit");
    ASSERT_EQ(recorded.size(), 1u);
    const auto& r = recorded[0];
    EXPECT_EQ(r["method"], "POST");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Content-Type", "application/pdf"},
        {"X-File-Name", "report final.pdf"},
        {"X-Device-ID", "dev-1"},
        {"X-Event-Kind", "share.file"},
        {"X-App-Flavor", "ios"},
        {"X-Auth-Token", server.options().receptionistToken},
        {"Authorization", "Bearer " + server.options().receptionistToken},
        {"X-Substrate-Meta", "{\"a\":1}"},
        {"X-Substrate-Route", route},
        {"Content-Length", std::to_string(size)},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(recordedHeader(r, name), value) << name;
    std::ifstream local(path, std::ios::binary), stored(r["body_file"].get<std::string>(), std::ios::binary);
    const std::string sent((std::istreambuf_iterator<char>(local)), std::istreambuf_iterator<char>());
    const std::string received((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
    EXPECT_EQ(received.size(), size);
    EXPECT_TRUE(received == sent) << "the stored body differs from the file";
    EXPECT_EQ(r["body_sha256"], platform::SHA256::hexDigest(sent));

    // Progress: increasing, with the file's size as total, never on this thread, at most one
    // report per 50 ms apart from the first and the last, and the last covering every byte.
    ASSERT_FALSE(progress->reports.empty());
    for (std::size_t i = 0; i < progress->reports.size(); ++i) {
        const auto& p = progress->reports[i];
        EXPECT_EQ(p.direction, tarvo::TransferDirection::upload);
        EXPECT_EQ(p.totalBytes, static_cast<std::int64_t>(size));
        EXPECT_NE(progress->threads[i], std::this_thread::get_id());
        if (i > 0) {
            EXPECT_GT(p.doneBytes, progress->reports[i - 1].doneBytes);
            if (i + 1 < progress->reports.size()) {
                EXPECT_GE(progress->times[i] - progress->times[i - 1], 0.049) << i;
            }
        }
    }
    EXPECT_EQ(progress->reports.back().doneBytes, static_cast<std::int64_t>(size));
    EXPECT_EQ(progress->reports.back().percentInt(), 100);
}

TEST_F(EmitTest, BlankOptionalFieldsSendNoHeader) {
    const std::string path = writePatternFile(server.root() + "/small.txt", 10);
    server.addRule({{"path", "/emit"}, {"status", 201}, {"json", {{"ok", true}}}});  // the token is not checked
    auto reply = emit(path, " \n\t", "   ", std::nullopt);
    EXPECT_EQ(reply, EmitHTTPResponse{true});
    const auto r = server.requestsTo("/emit").at(0);
    for (const char* name : {"X-Auth-Token", "Authorization", "X-Substrate-Meta", "X-Substrate-Route"}) {
        EXPECT_FALSE(recordedHeader(r, name)) << name;
    }
    EXPECT_EQ(recordedHeader(r, "X-Device-ID"), "dev-1");
}

TEST_F(EmitTest, OnlyA201WithARecordSucceeds) {
    const std::string path = writePatternFile(server.root() + "/small.txt", 10);
    const std::string good = R"({"ok": true, "ref": "r1"})";
    const std::vector<std::pair<Json, std::string>> cases = {
        {{{"status", 200}, {"body", good}}, "Receptionist HTTP 200: " + good},
        {{{"status", 202}, {"body", good}}, "Receptionist HTTP 202: " + good},
        {{{"status", 201}, {"body", R"({"ref": "r1"})"}}, R"(Receptionist HTTP 201: {"ref": "r1"})"},
        {{{"status", 201}, {"body", "stored"}}, "Receptionist HTTP 201: stored"},
        {{{"status", 500}, {"body_base64", "/w=="}}, "Receptionist HTTP 500: "},
        {{{"status", 413}, {"body", "  too big \n"}}, "Receptionist HTTP 413:   too big \n"},
        // A NUL in the body does not end the error's text there.
        {{{"status", 500}, {"body", std::string("bad\0tail", 8)}}, std::string("Receptionist HTTP 500: bad\0tail", 31)},
    };
    for (const auto& [rule, text] : cases) {
        Json r = rule;
        r["path"] = "/emit";
        server.addRule(r);
        EXPECT_EQ(emitFailure(path), text);
    }
    server.reset();
    EXPECT_EQ(server.requests().size(), 0u);
    const URL base = *URL::parse(server.baseURL());
    auto wrongToken = failureText<ReceptionistClientError>([=]() {
        return ReceptionistClient::emitFile(emitSession(), base, std::string("nope"), URL::fileURL(path), "f", "d", "k",
                                            "text/plain", "ios", std::nullopt, std::nullopt, nullptr);
    });
    EXPECT_EQ(wrongToken, R"(Receptionist HTTP 401: {"ok": false, "error": "unauthorized"})");
}

TEST_F(EmitTest, UnusableBaseURLAndUnsendableHeadersFailBeforeSending) {
    const std::string path = writePatternFile(server.root() + "/small.txt", 10);
    for (const std::string base : {"ftp://example.com/r", "file:///tmp/r", "receptionist.local:8080"}) {
        auto text = failureText<ReceptionistClientError>([=]() {
            return ReceptionistClient::emitFile(emitSession(), *URL::parse(base), std::nullopt, URL::fileURL(path), "f", "d", "k",
                                                "text/plain", "ios", std::nullopt, std::nullopt, nullptr);
        });
        EXPECT_EQ(text, "Invalid receptionist base URL: " + base);
    }
    // A file name or route holding a line break would add headers of its own: refused.
    const URL base = *URL::parse(server.baseURL());
    auto error = captureFailure<platform::URLError>([=]() {
        return ReceptionistClient::emitFile(emitSession(), base, std::nullopt, URL::fileURL(path), "a.txt\r\nX-Evil: 1", "d", "k",
                                            "text/plain", "ios", std::nullopt, std::string("{\"x\":1}"), nullptr);
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), platform::URLError::badURL);
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(EmitTest, TransportFailuresPassThrough) {
    const std::string path = writePatternFile(server.root() + "/small.txt", 10);
    const URL refused = *URL::parse("http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()));
    auto error = captureFailure<platform::URLError>([=]() {
        return ReceptionistClient::emitFile(emitSession(), refused, std::nullopt, URL::fileURL(path), "f", "d", "k", "text/plain",
                                            "ios", std::nullopt, std::nullopt, nullptr);
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), platform::URLError::cannotConnectToHost);
}

}  // namespace
