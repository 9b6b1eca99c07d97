#pragma once
// Tickets as NVK Ostrel writes them, for the linked-deployment tests: a deployment ticket with
// three targets (two approvable, one waiting) and a reply ticket, both valid until kExpiresAtMs.
#include <fstream>
#include <string>

#include "platform/foundation/Json.h"

namespace share_test {

// The tests' present: 2025-12-10 23:30:00.5 UTC.
inline constexpr double kNowSeconds = 1765409400.5;
inline constexpr std::int64_t kNowMs = 1765409400500;
inline constexpr std::int64_t kExpiresAtMs = kNowMs + 3'600'000;

inline platform::Json nvkTarget(const std::string& id, const std::string& serverName, bool canApprove,
                                const std::string& state = "pending") {
    platform::Json execution = platform::Json::object();
    execution["destination"] = "apps/" + id;
    execution["action"] = "deploy";
    execution["command"] = "  ./deploy.sh --exact\n";
    execution["expectedLifetime"] = "finite";
    platform::Json t = platform::Json::object();
    t["id"] = id;
    t["label"] = "Target " + id;
    t["serverId"] = "srv-" + id;
    t["serverName"] = serverName;
    t["serverURL"] = "https://" + id + ".example";
    t["required"] = id == "t1";
    t["state"] = state;
    t["canApprove"] = canApprove;
    t["execution"] = execution;
    return t;
}

inline platform::Json nvkDeploymentTicket(const std::string& capabilityURL = "https://ostrel.example/nvk/approve/cap-1") {
    platform::Json d = platform::Json::object();
    d["schema"] = "nvk.deployment.shareTicket.v1";
    d["changeId"] = "chg-42";
    d["projectId"] = "proj-7";
    d["projectName"] = "Shop";
    d["batchId"] = "batch-9";
    d["profileDigest"] = "sha256:abc";
    d["strategy"] = "rolling";
    d["submissionMode"] = "exact";
    d["targets"] = platform::Json::array(
        {nvkTarget("t1", "Alpha", true), nvkTarget("t2", "Beta", true), nvkTarget("t3", "Gamma", false, "blocked")});
    d["issuedAtMs"] = kNowMs - 60'000;
    d["expiresAtMs"] = kExpiresAtMs;
    d["capabilityURL"] = capabilityURL;
    return d;
}

inline platform::Json nvkReplyTicket() {
    platform::Json r = platform::Json::object();
    r["schema"] = "nvk.interaction.reply-ticket.v1";
    r["targetId"] = "browser-3";
    r["targetLabel"] = "NVK Browser";
    r["artifactName"] = "shop.zip";
    r["projection"] = platform::Json::object({{"view", "compact"}, {"lang", "en"}});
    r["issuedAtMs"] = kNowMs - 60'000;
    r["expiresAtMs"] = kExpiresAtMs;
    r["capabilityURL"] = "https://ostrel.example/nvk/reply/r-1";
    return r;
}

inline void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

}  // namespace share_test
