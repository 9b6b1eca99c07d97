#pragma once
// Links into the Tarvo app ("tarvo://x?action=...&sid=...") and the launch hand-off records
// the send flows leave for it. The extension never opens the app; the app reads the record on
// its next launch. A server is named in a link by its identity digest, which ties the link to
// one server (its address and token) without revealing the token.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "Shared/ShareLaunchHandoff.h"
#include "platform/foundation/Url.h"

namespace tarvo::share {

// SHA-256 hex of the server URL's absolute text, "|" and the first 12 hex digits of the
// SHA-256 of the trimmed token (the empty token included); "" for a server without a valid URL.
std::string serverIdentityDigest(const ServerProfile& server);
// The "sid" item of that digest; nothing for a server without a valid URL.
std::optional<platform::URLQueryItem> serverIdentityQueryItem(const ServerProfile& server);

// tarvo://x with "action" first, then the items in order, then "sid" when the server has one.
// Nothing only when the components do not form a URL.
std::optional<platform::URL> makeTarvoURL(std::string_view action, const std::vector<platform::URLQueryItem>& items,
                                          const ServerProfile* server);
// "open_event" with "ref" = the trimmed reference; nothing for an absent or blank reference.
std::optional<platform::URL> makeOpenEventURL(const std::optional<std::string>& ref, const ServerProfile* server);
// "open_dir" with "path" = the path trimmed of blanks and then of "/"; "open_tab" with
// "tab" = "files" when nothing is left.
std::optional<platform::URL> makeOpenDirURL(std::string_view path, const ServerProfile* server);

// "Open <server label> /<path trimmed of blanks and "/">" ("... /" for an empty path).
std::string handoffTitle(const ServerProfile& server, std::string_view path);

// The record an emit leaves after a fully successful run: the event of the last reference
// (kind "open_event", path the reference), else the events tab (kind "open_tab", path
// "events"); titled "Continue in Tarvo". Nothing when no link can be formed.
std::optional<ShareLaunchHandoff> emitLaunchHandoff(const ServerProfile& server,
                                                    const std::optional<std::string>& lastReference);
// The folder an upload's record opens: the upload folder when it is not empty, else the parent
// folder of the last remote path, else "".
std::string uploadHandoffPath(std::string_view folder, const std::optional<std::string>& lastRemotePath);
// The record an upload leaves: the folder (kind "open_dir", path the folder), or the files tab
// for an empty path (kind "open_tab", path "files"), titled by handoffTitle. Nothing when no
// link can be formed.
std::optional<ShareLaunchHandoff> uploadLaunchHandoff(const ServerProfile& server, std::string_view path);

}  // namespace tarvo::share
