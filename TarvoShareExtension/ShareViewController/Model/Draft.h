#pragma once
// The editable send settings of one server (`Draft`) and the persistent store of the last draft
// used with each server (`ServerDraftStore`), kept as JSON text in the app group under
// "share.serverDrafts.json" so that the next share to that server starts from the same choices.
//
// Reading is lenient about missing keys (each takes its default) and strict about what is
// there: a key of the wrong JSON type or a choice text that is not one of its cases fails the
// draft, and one failing draft empties the whole store on load. Dropping every remembered
// draft together is deliberate: the Tarvo app and this extension never see half a store.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ShareRunContract.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo::share {

struct Draft {
    std::string serverId;                // the ServerProfile id the draft belongs to
    ShareAction action = ShareAction::emit;
    std::string kind = "clipboard";      // event kind of an emit
    std::string replyTo;                 // reply-to route text of an emit, as typed
    std::string onlyAgents;              // only-agents route text of an emit, as typed
    std::string destFolder;              // remote folder of an upload, as typed
    bool openOnNextLaunch = false;       // ask the Tarvo app to open the result next time
    PostUploadAction postUploadAction = PostUploadAction::none;
    PostUploadWorkingDirectory deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    std::string deployCustomWorkingDirectory;  // may start with "{extract}/"
    std::string deployCommand;                 // one command a line
    std::vector<std::string> selectedScriptPaths;  // scripts chosen in the shared project
    ShareExpectedLifetime expectedLifetime = ShareExpectedLifetime::finite;
    ShareRunNotificationPolicy notificationPolicy = defaultNotificationPolicy(ShareExpectedLifetime::finite);
    bool notificationPolicyCustomized = false;
    ShareReadinessRule readinessRule = defaultReadinessRule(ShareExpectedLifetime::finite);

    // The normalising initialiser: every field as given, then, in this order,
    // W: extractedFolder only for an action that unzips (else uploadFolder);
    // S: the script paths through normalizedScriptPathList;
    // P: a persistent draft whose readiness kind is none gets "survived for 3 seconds".
    // Field-by-field assignment elsewhere leaves a draft as it is, like the decoder does.
    static Draft normalized(Draft fields);

    // The events a draft notifies when nothing was chosen: waiting_for_input, degraded and
    // failed; a persistent run also stopped_unexpectedly and lost.
    static ShareRunNotificationPolicy defaultNotificationPolicy(ShareExpectedLifetime lifetime);
    // No readiness check for a finite run; "survived for 3 seconds" for a persistent one; the
    // expected status is 200 in both.
    static ShareReadinessRule defaultReadinessRule(ShareExpectedLifetime lifetime);
    // The "survived for 3 seconds" rule rule P puts in place of none.
    static ShareReadinessRule persistentReadinessDefault();

    // All sixteen keys, in field order, also when empty or false; the choices as their string
    // values, the policy as {"events": [...]}, the readiness rule in its camelCase form.
    platform::Json toJson() const;
    // Every key read only if present (absent or null takes the default above; the working
    // directory, policy and readiness defaults follow the action and lifetime read). The custom
    // directory loses NULs and surrounding blanks, the script paths are normalised; rule P is
    // not applied. Throws platform::DecodingError for a wrong type or an unknown choice.
    static Draft fromJson(const platform::Json& json);

    // All sixteen fields; the notification events compare as a set.
    bool operator==(const Draft&) const = default;
};

struct ServerDraftStore {
    static constexpr std::string_view defaultsKey = "share.serverDrafts.json";
    static constexpr std::int64_t currentSchema = 1;

    std::int64_t schema = currentSchema;  // taken as read from a stored store
    std::map<std::string, Draft> byServer;  // by server id (the draft's own serverId)

    // {"schema": n, "byServer": {id: draft, ...}}.
    platform::Json toJson() const;
    // "schema" (an integer) and "byServer" (an object of drafts) are both required; other keys
    // are ignored. Throws platform::DecodingError.
    static ServerDraftStore fromJson(const platform::Json& json);

    // The store held as a string under defaultsKey. A missing key, a value that is not a
    // string, text that is not JSON or does not decode (one bad draft is enough) all give the
    // empty store (schema 1, no drafts). Never fails and writes nothing back.
    static ServerDraftStore load(const platform::UserDefaults& defaults);
    // Stores the compact JSON text under defaultsKey as a string. A store that cannot be
    // encoded leaves the stored text as it was; nothing is reported.
    void save(platform::UserDefaults& defaults) const;

    bool operator==(const ServerDraftStore&) const = default;
};

// Saves a store the way ServerDraftStore::save does, to the same text, while encoding again only
// the drafts that changed since its last save: the screen saves the whole store on every edit,
// and an edit changes one draft of many.
class ServerDraftStoreWriter {
public:
    // The text save stores: the compact JSON of the store.
    std::string encode(const ServerDraftStore& store);
    void save(const ServerDraftStore& store, platform::UserDefaults& defaults);

private:
    struct Encoded {
        Draft draft;
        std::string text;  // "<id>":{...}
    };
    std::map<std::string, Encoded> byServer_;
};

std::size_t hashValue(const Draft& draft);

}  // namespace tarvo::share

template <>
struct std::hash<tarvo::share::Draft> {
    std::size_t operator()(const tarvo::share::Draft& v) const { return tarvo::share::hashValue(v); }
};
