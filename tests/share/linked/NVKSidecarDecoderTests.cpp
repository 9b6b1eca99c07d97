// Ticket decoding and validation against a fixed present: expiry, the size limit (with the
// bounded read for files whose size is not reported), capability URLs, required and unknown
// keys, empty and blank identifiers, and the name that picks the kind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "tests/share/linked/NVKTicketFixtures.h"
#include "tests/support/TempHome.h"

namespace share_test {
namespace {

using namespace tarvo::share;
using platform::Json;

constexpr const char* kDeployName = "batch.nvk-deploy.json";
constexpr const char* kReplyName = "reply.nvk-return.json";

bool decodes(const std::string& name, const Json& ticket, std::int64_t now = kNowMs) {
    return decodeNVKSidecarContents(name, platform::encodeCompact(ticket), now).has_value();
}

struct Case {
    const char* what;
    std::function<void(Json&)> change;
    bool accepted;
};

TEST(NVKSidecarDecoder, DeploymentTicketRules) {
    const std::vector<Case> cases = {
        {"as written", [](Json&) {}, true},
        {"expires at the present millisecond", [](Json& t) { t["expiresAtMs"] = kNowMs; }, false},
        {"expires one millisecond later", [](Json& t) { t["expiresAtMs"] = kNowMs + 1; }, true},
        {"scheme in capitals", [](Json& t) { t["capabilityURL"] = "HTTPS://ostrel.example/x"; }, true},
        {"scheme in mixed case, http", [](Json& t) { t["capabilityURL"] = "hTtP://127.0.0.1:9/x#frag"; }, true},
        {"ftp scheme", [](Json& t) { t["capabilityURL"] = "ftp://ostrel.example/x"; }, false},
        {"user name", [](Json& t) { t["capabilityURL"] = "https://me@ostrel.example/x"; }, false},
        {"user and password", [](Json& t) { t["capabilityURL"] = "https://me:pw@ostrel.example/x"; }, false},
        {"password only", [](Json& t) { t["capabilityURL"] = "https://:pw@ostrel.example/x"; }, false},
        {"relative URL", [](Json& t) { t["capabilityURL"] = "/nvk/approve/x"; }, false},
        {"not a URL", [](Json& t) { t["capabilityURL"] = "https://exa mple/ x"; }, false},
        {"unknown key", [](Json& t) { t["comment"] = Json::array({1, 2}); }, true},
        {"unknown key in a target", [](Json& t) { t["targets"][0]["zone"] = "eu"; }, true},
        {"schema in another case", [](Json& t) { t["schema"] = "NVK.deployment.shareTicket.v1"; }, false},
        {"empty changeId", [](Json& t) { t["changeId"] = ""; }, false},
        {"blank changeId", [](Json& t) { t["changeId"] = " "; }, true},
        {"empty batchId", [](Json& t) { t["batchId"] = ""; }, false},
        {"blank batchId", [](Json& t) { t["batchId"] = "\n"; }, true},
        {"no targets", [](Json& t) { t["targets"] = Json::array(); }, false},
        {"no approvable target", [](Json& t) { for (auto& x : t["targets"]) x["canApprove"] = false; }, true},
        {"time as integral float", [](Json& t) { t["issuedAtMs"] = 5.0; }, true},
        {"time with a fraction", [](Json& t) { t["issuedAtMs"] = 5.5; }, false},
        {"time beyond 64 bits", [](Json& t) { t["expiresAtMs"] = 18446744073709551615ULL; }, false},
        {"time as text", [](Json& t) { t["expiresAtMs"] = std::to_string(kExpiresAtMs); }, false},
        {"boolean as number", [](Json& t) { t["targets"][1]["canApprove"] = 1; }, false},
        {"target not an object", [](Json& t) { t["targets"][1] = "t2"; }, false},
        {"top level not an object", [](Json& t) { t = Json::array({t}); }, false},
    };
    for (const auto& c : cases) {
        Json ticket = nvkDeploymentTicket();
        c.change(ticket);
        EXPECT_EQ(decodes(kDeployName, ticket), c.accepted) << c.what;
    }
}

// Every key of every record is required: missing, null and of another JSON type each fail.
TEST(NVKSidecarDecoder, EveryKeyIsRequiredWithItsType) {
    const Json base = nvkDeploymentTicket();
    std::vector<std::vector<std::string>> paths;
    for (auto it = base.begin(); it != base.end(); ++it) paths.push_back({it.key()});
    for (auto it = base["targets"][0].begin(); it != base["targets"][0].end(); ++it) paths.push_back({"targets", it.key()});
    for (auto it = base["targets"][0]["execution"].begin(); it != base["targets"][0]["execution"].end(); ++it) {
        paths.push_back({"targets", "execution", it.key()});
    }
    auto at = [](Json& ticket, const std::vector<std::string>& path) -> Json& {
        Json* node = &ticket;
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            node = path[i] == "targets" ? &(*node)["targets"][0] : &(*node)[path[i]];
        }
        return *node;
    };
    for (const auto& path : paths) {
        const std::string& key = path.back();
        SCOPED_TRACE(key);
        Json missing = base;
        at(missing, path).erase(key);
        EXPECT_FALSE(decodes(kDeployName, missing)) << "missing";
        Json null = base;
        at(null, path)[key] = nullptr;
        EXPECT_FALSE(decodes(kDeployName, null)) << "null";
        Json mistyped = base;
        Json& value = at(mistyped, path)[key];
        value = value.is_string() ? Json(7) : Json("7");
        EXPECT_FALSE(decodes(kDeployName, mistyped)) << "wrong type";
    }
}

TEST(NVKSidecarDecoder, ReplyTicketRules) {
    const std::vector<Case> cases = {
        {"as written", [](Json&) {}, true},
        {"expires at the present millisecond", [](Json& t) { t["expiresAtMs"] = kNowMs; }, false},
        {"expires one millisecond later", [](Json& t) { t["expiresAtMs"] = kNowMs + 1; }, true},
        {"empty targetId", [](Json& t) { t["targetId"] = ""; }, false},
        {"blank targetId", [](Json& t) { t["targetId"] = "  "; }, true},
        {"empty label", [](Json& t) { t["targetLabel"] = ""; }, true},
        {"empty projection", [](Json& t) { t["projection"] = Json::object(); }, true},
        {"projection value not text", [](Json& t) { t["projection"]["n"] = 3; }, false},
        {"user in capability URL", [](Json& t) { t["capabilityURL"] = "http://u@host/"; }, false},
        {"other schema", [](Json& t) { t["schema"] = "nvk.deployment.shareTicket.v1"; }, false},
        {"missing artifactName", [](Json& t) { t.erase("artifactName"); }, false},
        {"missing projection", [](Json& t) { t.erase("projection"); }, false},
    };
    for (const auto& c : cases) {
        Json ticket = nvkReplyTicket();
        c.change(ticket);
        EXPECT_EQ(decodes(kReplyName, ticket), c.accepted) << c.what;
    }
}

// The name the item travels under picks the kind, in any letter case; a ticket under the other
// kind's name is no ticket at all.
TEST(NVKSidecarDecoder, NameDecidesTheKind) {
    const Json deployment = nvkDeploymentTicket();
    const Json reply = nvkReplyTicket();
    const std::string deploymentText = platform::encodeCompact(deployment);
    auto decoded = decodeNVKSidecarContents("Batch.NVK-Deploy.JSON", deploymentText, kNowMs);
    ASSERT_TRUE(decoded && std::holds_alternative<tarvo::share::NVKLinkedDeployment>(*decoded));
    const auto& d = std::get<tarvo::share::NVKLinkedDeployment>(*decoded);
    EXPECT_EQ(d.changeId, "chg-42");
    ASSERT_EQ(d.targets.size(), 3u);
    EXPECT_EQ(d.targets[0].execution.command, "  ./deploy.sh --exact\n") << "kept as written";
    EXPECT_EQ(encodeJson(d), deployment) << "the record carries every field unchanged";

    auto r = decodeNVKSidecarContents("x.NVK-RETURN.json", platform::encodeCompact(reply), kNowMs);
    ASSERT_TRUE(r && std::holds_alternative<tarvo::share::NVKInteractionReplyTicket>(*r));
    // The projection is a map: its key order carries no meaning.
    EXPECT_EQ(nlohmann::json::parse(encodeJson(std::get<tarvo::share::NVKInteractionReplyTicket>(*r)).dump()),
              nlohmann::json::parse(reply.dump()));

    EXPECT_FALSE(decodeNVKSidecarContents(kReplyName, deploymentText, kNowMs)) << "not tried as the other kind";
    EXPECT_FALSE(decodeNVKSidecarContents("batch.json", deploymentText, kNowMs));
    EXPECT_FALSE(decodeNVKSidecarContents("batch.nvk-deploy.json.txt", deploymentText, kNowMs));
    EXPECT_FALSE(decodeNVKSidecarContents(kDeployName, "{\"schema\":", kNowMs)) << "malformed";
    EXPECT_FALSE(decodeNVKSidecarContents(kDeployName, "", kNowMs));
}

TEST(NVKSidecarDecoder, NowIsTruncatedMilliseconds) {
    EXPECT_EQ(epochMilliseconds(kNowSeconds), kNowMs);
    EXPECT_EQ(epochMilliseconds(1.0009), 1000);
    EXPECT_EQ(epochMilliseconds(-1.0009), -1000) << "toward zero";
    EXPECT_EQ(epochMilliseconds(1e300), INT64_MAX);
    EXPECT_EQ(epochMilliseconds(std::nan("")), 0);
}

class NVKSidecarFileTest : public ::testing::Test {
protected:
    // The ticket padded with spaces after its closing brace to exactly `size` bytes.
    tarvo::TempItem ticketFile(const std::string& name, std::size_t size) {
        std::string text = platform::encodeCompact(nvkDeploymentTicket());
        text.resize(size, ' ');
        const std::string path = (dir / name).string();
        writeFile(path, text);
        return tarvo::TempItem{platform::URL::fileURL(path), name, "application/json"};
    }
    tarvo_test::TempDir dir{"nvk"};
};

TEST_F(NVKSidecarFileTest, SizeLimitIsOneMebibyte) {
    EXPECT_TRUE(decodeNVKSidecar(ticketFile("at.nvk-deploy.json", 1'048'576), kNowMs)) << "exactly at the limit";
    EXPECT_FALSE(decodeNVKSidecar(ticketFile("over.nvk-deploy.json", 1'048'577), kNowMs)) << "one byte over";
    // The travelling name counts, not the file's own.
    tarvo::TempItem renamed = ticketFile("0A1B.bin", 2000);
    EXPECT_FALSE(decodeNVKSidecar(renamed, kNowMs));
    renamed.filename = "site.nvk-deploy.json";
    EXPECT_TRUE(decodeNVKSidecar(renamed, kNowMs));
}

TEST_F(NVKSidecarFileTest, UnreadableFilesAreNoTicket) {
    tarvo::TempItem missing{platform::URL::fileURL((dir / "gone.nvk-deploy.json").string()), "gone.nvk-deploy.json", ""};
    EXPECT_FALSE(decodeNVKSidecar(missing, kNowMs));
    std::filesystem::create_directory(dir / "folder.nvk-deploy.json");
    tarvo::TempItem folder{platform::URL::fileURL((dir / "folder.nvk-deploy.json").string()), "folder.nvk-deploy.json", ""};
    EXPECT_FALSE(decodeNVKSidecar(folder, kNowMs));
}

// A file whose size the file system does not report (a device here) is read no further than one
// byte past the limit and refused: an endless source costs a mebibyte, not all memory.
TEST_F(NVKSidecarFileTest, UnreportedSizeIsReadOnlyOnePastTheLimit) {
    for (const char* device : {"/dev/zero", "/dev/urandom"}) {
        tarvo::TempItem endless{platform::URL::fileURL(device), "endless.nvk-deploy.json", ""};
        EXPECT_FALSE(decodeNVKSidecar(endless, kNowMs)) << device;
    }
    tarvo::TempItem empty{platform::URL::fileURL("/dev/null"), "empty.nvk-return.json", ""};
    EXPECT_FALSE(decodeNVKSidecar(empty, kNowMs));
}

}  // namespace
}  // namespace share_test
