#pragma once
// The small JSON tickets the maker's deployment tool, NVK Ostrel, shares beside a payload: a
// deployment ticket describing one exact-version batch and its targets, and a reply ticket
// naming where the batch's result goes back to. Plain records with the keys of the ticket
// files as field names.
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::share {

// What runs on one target.
struct NVKLinkedExecution {
    std::string destination;  // remote folder; empty for the server root
    std::string action;
    std::string command;
    std::string expectedLifetime;

    bool operator==(const NVKLinkedExecution&) const = default;
};

// One server the batch may be deployed to.
struct NVKLinkedTarget {
    std::string id;
    std::string label;
    std::string serverId;
    std::string serverName;
    std::string serverURL;
    bool required = false;
    std::string state;        // "succeeded" once deployed
    bool canApprove = false;  // only these are preselected and sent for approval
    NVKLinkedExecution execution;

    bool operator==(const NVKLinkedTarget&) const = default;
};

// A ".nvk-deploy.json" ticket ("nvk.deployment.shareTicket.v1").
struct NVKLinkedDeployment {
    std::string schema;
    std::string changeId;
    std::string projectId;
    std::string projectName;
    std::string batchId;
    std::string profileDigest;
    std::string strategy;
    std::string submissionMode;
    std::vector<NVKLinkedTarget> targets;  // in approval order
    std::int64_t issuedAtMs = 0;
    std::int64_t expiresAtMs = 0;
    std::string capabilityURL;

    bool operator==(const NVKLinkedDeployment&) const = default;
};

// A ".nvk-return.json" ticket ("nvk.interaction.reply-ticket.v1").
struct NVKInteractionReplyTicket {
    std::string schema;
    std::string targetId;
    std::string targetLabel;
    std::string artifactName;
    std::map<std::string, std::string> projection;
    std::int64_t issuedAtMs = 0;
    std::int64_t expiresAtMs = 0;
    std::string capabilityURL;

    bool operator==(const NVKInteractionReplyTicket&) const = default;
};

// One decoded ticket.
using DecodedNVKSidecar = std::variant<NVKLinkedDeployment, NVKInteractionReplyTicket>;

}  // namespace tarvo::share
