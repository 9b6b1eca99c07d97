#pragma once
// The running program's bundle: its info dictionary and its resources. The info dictionary
// is a JSON object in "<executable dir>/<program>.info.json", or in the file that
// $TARVO_BUNDLE_INFO names. A missing or malformed file gives an empty dictionary.
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace platform {

class Bundle {
public:
    static Bundle& main();

    const Json& infoDictionary() const { return info_; }
    std::optional<std::string> bundleIdentifier() const;  // "CFBundleIdentifier" when a string
    // The resource folder: "<executable dir>/<program>.resources" unless overridden.
    std::string resourceDirectory() const;
    // The path of "<name>.<ext>" in the resource folder when it exists; name must be a safe
    // single component.
    std::optional<std::string> pathForResource(std::string_view name, std::string_view ext) const;

    // Where the resources are when the host keeps them elsewhere than beside the executable
    // (tarvo-notify's $TARVO_SOUNDS_DIR, a test's fixture folder).
    void setResourceDirectory(std::string dir);
    // Tests: replace the info dictionary.
    void setInfoDictionaryForTesting(Json info);
    // Re-reads the info file (after the environment changed).
    void reload();

private:
    Bundle();
    Json info_;
    std::string resourceDir_;
};

}  // namespace platform
