#pragma once
// The push sound settings the Tarvo app stores in the app group, and the built-in sound map
// used while the user has stored none.
#include <map>
#include <string>

namespace tarvo {

// A JSON object in a text value: sound key or push kind -> sound token.
inline constexpr const char* kPushSoundMapJSONKey = "push.soundMapJSON";
// The sound token of a push that nothing else decides.
inline constexpr const char* kPushSoundDefaultKey = "push.soundDefault";

struct PushSoundDefaults {
    // Created once, on first use (safe under concurrent first use), and never changed.
    static const std::map<std::string, std::string>& defaultSoundMap();
};

}  // namespace tarvo
