#pragma once
// The notification centre of a window: observers register for a notification name and are
// called, in the order they registered, on the thread that posts (the main queue here). An
// observation ends when its token is destroyed or cancelled, also from inside a callback.
//
// The keyboard posts its will-change-frame and will-hide notifications with the duration,
// curve and end frame (in window coordinates) under the keys of UIKeyboard. User-info values are
// loosely typed as on the platform: a reader asks for a number or a rectangle and gets nothing
// when the key is absent or holds something else.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/uikit/Geometry.h"

namespace platform {

using UserInfoValue = std::variant<double, CGRect, std::string>;

struct Notification {
    std::string name;
    std::map<std::string, UserInfoValue> userInfo;

    std::optional<double> number(const std::string& key) const;
    std::optional<CGRect> rect(const std::string& key) const;
};

struct UIKeyboard {
    static constexpr const char* willChangeFrameNotification = "UIKeyboardWillChangeFrameNotification";
    static constexpr const char* willHideNotification = "UIKeyboardWillHideNotification";
    static constexpr const char* animationDurationKey = "UIKeyboardAnimationDurationUserInfoKey";
    static constexpr const char* animationCurveKey = "UIKeyboardAnimationCurveUserInfoKey";
    static constexpr const char* frameEndKey = "UIKeyboardFrameEndUserInfoKey";
};

class NotificationCenter {
    struct Registry;

public:
    // Removes its observer when destroyed or cancelled. Safe to outlive the centre.
    class Observation {
    public:
        Observation() = default;
        Observation(Observation&&) noexcept = default;
        Observation& operator=(Observation&& other) noexcept;
        ~Observation();
        void cancel();
        bool active() const;

    private:
        friend class NotificationCenter;
        Observation(std::weak_ptr<Registry> registry, std::size_t id) : registry_(std::move(registry)), id_(id) {}
        std::weak_ptr<Registry> registry_;
        std::size_t id_ = 0;
    };

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    [[nodiscard]] Observation addObserver(std::string name, std::function<void(const Notification&)> callback);
    void post(const Notification& notification);
    std::size_t observerCount(const std::string& name) const;

private:
    std::shared_ptr<Registry> registry_;
};

}  // namespace platform
