#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"

#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;
using platform::URLQueryItem;

namespace {

std::string trimmedOfSlashes(std::string_view path) { return text::trimmingCharacters(text::trimmed(path), "/"); }

ShareLaunchHandoff handoffRecord(const ServerProfile& server, const platform::URL& url, std::string title,
                                 std::string kind, std::string path) {
    ShareLaunchHandoff record;  // a fresh id and the current time
    record.schema = 1;
    record.serverId = server.id;
    record.serverIdentity = serverIdentityDigest(server);
    record.urlString = url.absoluteString();
    record.title = std::move(title);
    record.kind = std::move(kind);
    record.path = std::move(path);
    return record;
}

}  // namespace

std::string serverIdentityDigest(const ServerProfile& server) {
    const std::optional<platform::URL> url = server.urlValue();
    if (!url) return "";
    const std::string tokenDigest = shareSHA256Hex(text::trimmed(server.token)).substr(0, 12);
    return shareSHA256Hex(url->absoluteString() + "|" + tokenDigest);
}

std::optional<URLQueryItem> serverIdentityQueryItem(const ServerProfile& server) {
    if (!server.urlValue()) return std::nullopt;
    return URLQueryItem{"sid", serverIdentityDigest(server)};
}

std::optional<platform::URL> makeTarvoURL(std::string_view action, const std::vector<URLQueryItem>& items,
                                          const ServerProfile* server) {
    platform::URLComponents components;
    components.scheme = "tarvo";
    components.host = "x";
    std::vector<URLQueryItem> query = {URLQueryItem{"action", std::string(action)}};
    query.insert(query.end(), items.begin(), items.end());
    if (server != nullptr) {
        if (auto sid = serverIdentityQueryItem(*server)) query.push_back(std::move(*sid));
    }
    components.queryItems = std::move(query);
    return components.url();
}

std::optional<platform::URL> makeOpenEventURL(const std::optional<std::string>& ref, const ServerProfile* server) {
    const std::string trimmed = ref ? text::trimmed(*ref) : std::string();
    if (trimmed.empty()) return std::nullopt;
    return makeTarvoURL("open_event", {URLQueryItem{"ref", trimmed}}, server);
}

std::optional<platform::URL> makeOpenDirURL(std::string_view path, const ServerProfile* server) {
    const std::string folder = trimmedOfSlashes(path);
    if (folder.empty()) return makeTarvoURL("open_tab", {URLQueryItem{"tab", "files"}}, server);
    return makeTarvoURL("open_dir", {URLQueryItem{"path", folder}}, server);
}

std::string handoffTitle(const ServerProfile& server, std::string_view path) {
    return "Open " + server.displayLabel() + " /" + trimmedOfSlashes(path);
}

std::optional<ShareLaunchHandoff> emitLaunchHandoff(const ServerProfile& server,
                                                    const std::optional<std::string>& lastReference) {
    if (auto url = makeOpenEventURL(lastReference, &server)) {
        return handoffRecord(server, *url, "Continue in Tarvo", "open_event", *lastReference);
    }
    auto url = makeTarvoURL("open_tab", {URLQueryItem{"tab", "events"}}, &server);
    if (!url) return std::nullopt;
    return handoffRecord(server, *url, "Continue in Tarvo", "open_tab", "events");
}

std::string uploadHandoffPath(std::string_view folder, const std::optional<std::string>& lastRemotePath) {
    if (!folder.empty()) return std::string(folder);
    if (lastRemotePath) return parentFolder(*lastRemotePath);
    return "";
}

std::optional<ShareLaunchHandoff> uploadLaunchHandoff(const ServerProfile& server, std::string_view path) {
    auto url = makeOpenDirURL(path, &server);
    if (!url) return std::nullopt;
    if (path.empty()) return handoffRecord(server, *url, handoffTitle(server, path), "open_tab", "files");
    return handoffRecord(server, *url, handoffTitle(server, path), "open_dir", std::string(path));
}

}  // namespace tarvo::share
