#pragma once
// A notification's content as a service extension sees it: title, subtitle, body, the push's
// user info (a JSON object) and the sound. The request's content is read-only; an extension
// rewrites a mutable copy.
#include <optional>
#include <string>

#include "platform/foundation/Json.h"
#include "platform/usernotifications/UNNotificationSound.h"

namespace platform {

class UNMutableNotificationContent;

class UNNotificationContent {
public:
    UNNotificationContent() = default;
    virtual ~UNNotificationContent() = default;
    UNNotificationContent(const UNNotificationContent&) = default;
    UNNotificationContent& operator=(const UNNotificationContent&) = default;

    const std::string& title() const noexcept { return title_; }
    const std::string& subtitle() const noexcept { return subtitle_; }
    const std::string& body() const noexcept { return body_; }
    // Always a JSON object (empty when the push had no user info).
    const Json& userInfo() const noexcept { return userInfo_; }
    // Empty: the notification is silent.
    const std::optional<UNNotificationSound>& sound() const noexcept { return sound_; }

    UNMutableNotificationContent mutableCopy() const;

protected:
    std::string title_;
    std::string subtitle_;
    std::string body_;
    Json userInfo_ = Json::object();
    std::optional<UNNotificationSound> sound_;
};

class UNMutableNotificationContent : public UNNotificationContent {
public:
    UNMutableNotificationContent() = default;

    void setTitle(std::string title) { title_ = std::move(title); }
    void setSubtitle(std::string subtitle) { subtitle_ = std::move(subtitle); }
    void setBody(std::string body) { body_ = std::move(body); }
    // Throws std::invalid_argument unless userInfo is a JSON object.
    void setUserInfo(Json userInfo);
    void setSound(std::optional<UNNotificationSound> sound) { sound_ = std::move(sound); }
};

class UNNotificationRequest {
public:
    UNNotificationRequest(std::string identifier, UNNotificationContent content)
        : identifier_(std::move(identifier)), content_(std::move(content)) {}

    const std::string& identifier() const noexcept { return identifier_; }
    const UNNotificationContent& content() const noexcept { return content_; }

private:
    std::string identifier_;
    UNNotificationContent content_;
};

}  // namespace platform
