#pragma once
// Which server a share starts on, which servers are pre-selected for a multi-server send, and
// what a server's draft holds when it is first needed in a share. Pure functions over the
// values the controller reads (its servers, the stored drafts, the payload's type key and the
// remembered settings); the controller reads the defaults and keeps the results.
//
// Every id read from settings is trimmed and then compared character for character with the
// `id` of a configured server; an id that names no configured server is ignored.
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ShareRunContract.h"
#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "platform/foundation/PropertyList.h"

namespace tarvo::share {

using Servers = std::vector<ServerProfile>;

// The event kind an emit of this payload gets when none is typed, by the lower-cased type key:
// image "photo", video "video", audio "voice", url "links", text "clipboard", pdf, file and
// mixed "media", zip "archive", anything else "clipboard".
std::string defaultKind(std::string_view typeKey);

// The profile whose id equals id exactly, or nullptr.
const ServerProfile* findServer(const Servers& servers, std::string_view id);
bool isConfiguredServer(const Servers& servers, std::string_view id);

// A destination folder as drafts keep it: trimmed, then every leading and trailing "/" removed.
std::string cleanedDestinationFolder(std::string_view text);

// The server a share starts on: the trimmed last server id when configured, else the trimmed
// active server id when configured, else the first server's id, else "".
std::string startupServerID(const Servers& servers, std::string_view lastServerId, std::string_view activeServerId);

// The run events a draft notifies while its policy is not customised, from the server's push
// settings: none without the server or with its run-completion pushes off; otherwise by the
// lifetime and the failures-only switch.
ShareRunNotificationPolicy derivedNotificationPolicy(const ServerProfile* server, ShareExpectedLifetime lifetime);

// The draft a server starts with in this share, from its remembered draft (the prior; absent
// when nothing is stored for it): the prior cleaned up (folder, command, working directory and
// script paths normalised), the action forced to upload unless the payload is text or a link,
// a blank kind replaced by the payload's default, the notification events derived from the
// server's push settings unless the prior customised them. Built by the normalising initialiser.
Draft freshInvocationDraft(std::string_view serverID, std::string_view replyTo, const std::optional<Draft>& prior,
                           std::string_view typeKey, const Servers& servers);

// The intent of the share follows the user to another server: the fresh draft of the target
// takes the action, the kind (the screen's, untrimmed, unless it is blank: then the payload's
// default) and the open-on-next-launch choice of the draft on the screen.
Draft carryingIntent(Draft fresh, const Draft& onScreen, std::string_view typeKey);

// A stored server-id list: the configured ids among its trimmed elements. A value that is not
// an array, or an array holding anything but strings, counts as empty.
std::set<std::string> configuredServerIDs(const std::optional<platform::PropertyList>& stored, const Servers& servers);

// The servers pre-selected for a multi-server send, the first non-empty of: the project's
// remembered list, the global "share.multiServerIds", the trimmed fallback id when configured.
std::set<std::string> rememberedSelectedServerIDs(const std::optional<platform::PropertyList>& projectMultiServerIds,
                                                  const std::optional<platform::PropertyList>& multiServerIds,
                                                  std::string_view fallbackServerID, const Servers& servers);

// The remembered single server: the project's choice when configured; else "share.singleServerId",
// or only when that key is absent "share.lastServerId", when configured; else nothing. A present
// single-server id that names a removed server gives nothing.
std::optional<std::string> rememberedSingleServerID(const std::optional<std::string>& projectSingleServerId,
                                                    const std::optional<std::string>& singleServerId,
                                                    const std::optional<std::string>& lastServerId,
                                                    const Servers& servers);

// "share.project." + name + "." + the trimmed exact digest of the project; nothing while the
// payload has no project signature or its digest is blank.
std::optional<std::string> projectScopedShareKey(std::string_view name,
                                                 const std::optional<ArtifactProjectSignature>& signature);

// The first server, in list order, whose id is selected; nullptr when none is.
const ServerProfile* firstSelectedServer(const Servers& servers, const std::set<std::string>& selected);

}  // namespace tarvo::share
