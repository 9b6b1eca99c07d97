#include "tests/share/ShareProgramFixture.h"

#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "tests/support/Files.h"

namespace share_test {

namespace {

// The app group the share extension and the Tarvo app have in common.
constexpr const char* kGroup = "group.nolvek.Tarvo";

}  // namespace

std::string binary(const std::string& name) { return std::string(TARVO_BINARY_DIR) + "/" + name; }
std::string source(const std::string& relative) { return std::string(TARVO_SOURCE_DIR) + "/" + relative; }

void ShareProgramFixture::defaults(std::vector<std::string> args) {
    const tarvo_test::ProcessResult r = tarvo_test::runProgram(binary("tarvo-defaults"), std::move(args));
    ASSERT_EQ(r.exitCode, 0) << r.err;
}

void ShareProgramFixture::write(const std::string& key, const std::string& value) {
    defaults({"write", kGroup, key, "--string", value});
}

void ShareProgramFixture::useSampleServers(const std::string& baseURL) {
    std::string servers = tarvo_test::readFile(source("samples/share/servers.json"));
    if (!baseURL.empty()) servers = platform::text::replacingOccurrences(servers, "http://127.0.0.1:9", baseURL);
    write("servers.json", servers);
    write("activeServerId", "staging");
}

void ShareProgramFixture::useSampleDrafts() {
    write("share.serverDrafts.json", tarvo_test::readFile(source("samples/share/drafts.json")));
}

void ShareSampleSendFixture::SetUp() {
    useSampleServers(peer.baseURL());
    useSampleDrafts();
}

std::string ShareProgramFixture::storedJSON(const std::string& key) {
    const tarvo_test::ProcessResult r = tarvo_test::runProgram(binary("tarvo-defaults"), {"read", kGroup, key});
    return r.exitCode == 0 ? platform::text::trimmed(r.out) : "";
}

std::string ShareProgramFixture::stored(const std::string& key) {
    const std::string text = storedJSON(key);
    if (text.empty()) return "";
    const platform::Json value = platform::parseJson(text);
    return value.is_string() ? value.get<std::string>() : value.dump();
}

tarvo_test::ProcessResult ShareProgramFixture::share(std::vector<std::string> args, const std::string& input,
                                                     const std::vector<std::pair<std::string, std::string>>& env) {
    return tarvo_test::runProgram(binary("tarvo-share"), args, input, env);
}

std::vector<std::string> ShareProgramFixture::doSteps(const std::vector<std::string>& steps) {
    std::vector<std::string> args;
    for (const auto& s : steps) {
        args.push_back("--do");
        args.push_back(s);
    }
    return args;
}

}  // namespace share_test
