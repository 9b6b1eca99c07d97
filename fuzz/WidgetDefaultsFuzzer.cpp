// Feeds arbitrary bytes to the widget as the feed's value in the app group's defaults, with no
// feed file beside it. The first byte picks how the value was stored: as a text, as data, or as
// any value the store can hold, read from the rest as its tagged or plain JSON form. Whatever was
// stored, the widget gets the feed that the value's text decodes to, or else the empty feed; a
// value stored as data is never used.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "Core/WidgetEventStore.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzHome.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"

namespace {

using namespace tarvo;
using fuzzing::require;

std::optional<platform::PropertyList> storedValue(std::uint8_t selector, std::string_view rest) {
    switch (selector % 4) {
        case 0: return platform::PropertyList(std::string(rest));
        case 1: return platform::PropertyList(platform::PropertyList::Data(rest.begin(), rest.end()));
        case 2: {
            auto json = platform::tryParseJson(rest);
            if (!json) return std::nullopt;
            try {
                return platform::PropertyList::fromTaggedJson(*json);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
        default: {
            auto json = platform::tryParseJson(rest);
            if (!json) return std::nullopt;
            return platform::PropertyList::fromPlainJson(*json);
        }
    }
}

bool isEmptyFeed(const WidgetFeedSnapshot& feed) { return feed.schema == 1 && feed.events.empty(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::fuzzHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto value = storedValue(data[0], std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    if (!value) return 0;
    auto defaults = platform::UserDefaults::suite(WidgetEventStore::kFallbackAppGroupID);
    require(defaults != nullptr);
    const bool stored = defaults->trySet(WidgetEventStore::kFeedDefaultsKey, *value);

    // What the widget may show: the feed of the value's text, when it has one that reads.
    std::optional<WidgetFeedSnapshot> expected;
    if (stored) {
        if (auto text = defaults->string(WidgetEventStore::kFeedDefaultsKey)) {
            expected = decodeWidgetFeedSnapshot(*text);
            require(!value->asData());
        }
    }
    const WidgetFeedSnapshot shown = WidgetEventStore::loadSnapshot();
    if (expected) {
        require(shown == *expected);
    } else {
        require(isEmptyFeed(shown));
    }
    require(defaults->tryRemoveObject(WidgetEventStore::kFeedDefaultsKey));
    return 0;
}
