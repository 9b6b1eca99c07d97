#pragma once
// Runs one push through NotificationService the way the platform calls it.
#include <string>

#include "TarvoNotificationExtension/NotificationService.h"
#include "platform/foundation/Json.h"

namespace notifytest {

struct Push {
    std::string title;
    std::string subtitle;
    std::string body;
    platform::Json userInfo = platform::Json::object();
};

struct Delivered {
    platform::UNNotificationContent content;
    int handlerCalls = 0;
    std::string sound() const { return content.sound() ? content.sound()->description() : "none"; }
};

inline Delivered receive(const Push& push) {
    platform::UNMutableNotificationContent content;
    content.setTitle(push.title);
    content.setSubtitle(push.subtitle);
    content.setBody(push.body);
    content.setUserInfo(push.userInfo);
    Delivered out;
    tarvo::NotificationService service;
    service.didReceive(platform::UNNotificationRequest("test", content),
                       [&](const platform::UNNotificationContent& delivered) {
                           ++out.handlerCalls;
                           out.content = delivered;
                       });
    return out;
}

}  // namespace notifytest
