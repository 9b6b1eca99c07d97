// Feeds arbitrary stored settings to the rules the share screen's start-up applies to them:
// the server list, the draft store, the stored modes, the remembered selections and ids, the
// default reply-to and the payload's type key. The input is split at the byte 0x1E into those
// fields, in that order; a field that parses as JSON is stored as that value, else as text.
// Whatever is stored, start-up picks a configured server or none, selects only configured
// servers, and the screen's draft reads back from the screen as itself and survives its store.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftBinding.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Text.h"

namespace {

using namespace tarvo;
using namespace tarvo::share;
using platform::PropertyList;

// A stored value as the defaults would hold it: a plain JSON value, else the text itself. The
// defaults refuse text that is not UTF-8, so such a field stands for a missing key.
std::optional<PropertyList> stored(std::string_view field) {
    if (field.empty() || !platform::text::isValidUTF8(field)) return std::nullopt;
    try {
        if (auto value = PropertyList::fromPlainJson(platform::parseJson(field))) return value;
    } catch (const std::exception&) {
    }
    return PropertyList(std::string(field));
}

// What the defaults' string read gives: strings, and the text of numbers.
std::optional<std::string> storedString(const std::optional<PropertyList>& value) {
    if (!value) return std::nullopt;
    if (const std::string* s = value->asString()) return *s;
    if (value->isString()) return std::nullopt;
    const platform::Json json = value->toPlainJson();
    if (json.is_number()) return json.dump();
    return std::nullopt;
}

ServerDraftStore loadStore(std::string_view text) {
    try {
        return ServerDraftStore::fromJson(platform::parseJson(text));
    } catch (const std::exception&) {
        return {};
    }
}

// Stops the run on a broken invariant, naming the line.
void checkAt(bool condition, int line) {
    if (condition) return;
    std::fprintf(stderr, "ShareStartupFuzzer.cpp:%d: invariant broken\n", line);
    std::abort();
}
#define check(condition) checkAt((condition), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\x1e') {
            fields.push_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.resize(10);
    const auto& [serversText, draftsText, serverModeText, dispatchText, multiIdsText, singleText, lastText,
                 activeText, replyToText, typeKeyText] =
        std::tie(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8],
                 fields[9]);

    const Servers servers = SharedServerConfig::decodeServers(serversText);
    const ServerDraftStore store = platform::text::isValidUTF8(draftsText) ? loadStore(draftsText) : ServerDraftStore{};
    const ServerMode mode = storedServerMode(storedString(stored(serverModeText)));
    (void)storedMultiDispatchMode(storedString(stored(dispatchText)));
    const std::string typeKey(typeKeyText);

    const std::string id = startupServerID(servers, storedString(stored(lastText)).value_or(""),
                                           storedString(stored(activeText)).value_or(""));
    // A stored profile may carry an empty id; it is still a configured server and may be picked.
    check(servers.empty() ? id.empty() : isConfiguredServer(servers, id));
    auto priorOf = [&](const std::string& serverID) -> std::optional<Draft> {
        auto it = store.byServer.find(serverID);
        if (it == store.byServer.end()) return std::nullopt;
        return it->second;
    };
    const std::string replyTo = platform::text::trimmed(storedString(stored(replyToText)).value_or(""));
    Draft draft = freshInvocationDraft(id, replyTo, priorOf(id), typeKey, servers);

    const std::set<std::string> selected =
        rememberedSelectedServerIDs(std::nullopt, stored(multiIdsText), draft.serverId, servers);
    for (const auto& s : selected) check(isConfiguredServer(servers, s));
    const auto single = rememberedSingleServerID(std::nullopt, storedString(stored(singleText)),
                                                 storedString(stored(lastText)), servers);
    check(!single || isConfiguredServer(servers, *single));

    if (mode == ServerMode::single && single && *single != draft.serverId) {
        draft = carryingIntent(freshInvocationDraft(*single, draft.replyTo, priorOf(*single), typeKey, servers), draft,
                               typeKey);
    } else if (mode == ServerMode::multi) {
        if (const ServerProfile* first = firstSelectedServer(servers, selected); first && !selected.count(draft.serverId)) {
            draft = carryingIntent(freshInvocationDraft(first->id, draft.replyTo, priorOf(first->id), typeKey, servers),
                                   draft, typeKey);
        }
    }

    // The screen reads its own draft back unchanged once it has read it once.
    const Draft shown = snapshotDraft(draft, screenValues(draft), "", {});
    check(snapshotDraft(shown, screenValues(shown), "", {}) == shown);
    // What the screen stores reads back equal.
    ServerDraftStore next = store;
    if (!shown.serverId.empty()) next.byServer[shown.serverId] = shown;
    check(loadStore(platform::encodeCompact(next.toJson())) == next);
    return 0;
}
