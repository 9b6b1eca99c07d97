#pragma once
// Gives the running program's bundle an info dictionary for one scope and then puts the previous
// one back.
#include <utility>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"

namespace tarvo_test {

class ScopedBundleInfo {
public:
    explicit ScopedBundleInfo(platform::Json info) : old_(platform::Bundle::main().infoDictionary()) {
        set(std::move(info));
    }
    ~ScopedBundleInfo() { platform::Bundle::main().setInfoDictionaryForTesting(std::move(old_)); }
    ScopedBundleInfo(const ScopedBundleInfo&) = delete;
    ScopedBundleInfo& operator=(const ScopedBundleInfo&) = delete;

    // Replaces the dictionary again within the same scope.
    static void set(platform::Json info) { platform::Bundle::main().setInfoDictionaryForTesting(std::move(info)); }

private:
    platform::Json old_;
};

}  // namespace tarvo_test
