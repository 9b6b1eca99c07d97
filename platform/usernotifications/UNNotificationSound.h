#pragma once
// A notification's sound: the system's default sound or a named sound file among the program's
// resources. No sound at all (silence) is an empty std::optional<UNNotificationSound>.
#include <string>
#include <string_view>
#include <utility>

namespace platform {

class UNNotificationSound {
public:
    enum class Kind { defaultSound, named };

    static UNNotificationSound defaultSound() { return UNNotificationSound(Kind::defaultSound, {}); }
    // The file name as the program asked for it, extension included.
    static UNNotificationSound soundNamed(std::string name) {
        return UNNotificationSound(Kind::named, std::move(name));
    }

    Kind kind() const noexcept { return kind_; }
    const std::string& name() const noexcept { return name_; }
    // "default", or "named:" followed by the file name.
    std::string description() const;

    bool operator==(const UNNotificationSound&) const = default;

private:
    UNNotificationSound(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
    Kind kind_;
    std::string name_;
};

}  // namespace platform
