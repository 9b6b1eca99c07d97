#include "platform/uikit/NotificationCenter.h"

#include <algorithm>

namespace platform {

std::optional<double> Notification::number(const std::string& key) const {
    auto it = userInfo.find(key);
    if (it == userInfo.end()) return std::nullopt;
    if (const double* d = std::get_if<double>(&it->second)) return *d;
    return std::nullopt;
}

std::optional<CGRect> Notification::rect(const std::string& key) const {
    auto it = userInfo.find(key);
    if (it == userInfo.end()) return std::nullopt;
    if (const CGRect* r = std::get_if<CGRect>(&it->second)) return *r;
    return std::nullopt;
}

struct NotificationCenter::Registry {
    struct Entry {
        std::size_t id;
        std::string name;
        std::function<void(const Notification&)> callback;
    };
    std::vector<Entry> entries;
    std::size_t nextId = 1;

    bool contains(std::size_t id) const {
        return std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == id; });
    }
    void remove(std::size_t id) {
        entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == id; }),
                      entries.end());
    }
};

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        cancel();
        registry_ = std::move(other.registry_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

NotificationCenter::Observation::~Observation() { cancel(); }

void NotificationCenter::Observation::cancel() {
    if (auto r = registry_.lock(); r && id_) r->remove(id_);
    registry_.reset();
    id_ = 0;
}

bool NotificationCenter::Observation::active() const {
    auto r = registry_.lock();
    return r && id_ && r->contains(id_);
}

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Registry>()) {}
NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Observation NotificationCenter::addObserver(
    std::string name, std::function<void(const Notification&)> callback) {
    const std::size_t id = registry_->nextId++;
    registry_->entries.push_back({id, std::move(name), std::move(callback)});
    return Observation(registry_, id);
}

void NotificationCenter::post(const Notification& notification) {
    // Observers may come and go while the notification is delivered: deliver to those that
    // were registered when it was posted and are still registered when their turn comes.
    const auto registry = registry_;
    std::vector<std::size_t> ids;
    for (const auto& e : registry->entries) {
        if (e.name == notification.name) ids.push_back(e.id);
    }
    for (std::size_t id : ids) {
        auto it = std::find_if(registry->entries.begin(), registry->entries.end(),
                               [&](const Registry::Entry& e) { return e.id == id; });
        if (it == registry->entries.end()) continue;
        const auto callback = it->callback;  // a copy: the callback may cancel itself
        callback(notification);
    }
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    return static_cast<std::size_t>(std::count_if(registry_->entries.begin(), registry_->entries.end(),
                                                  [&](const Registry::Entry& e) { return e.name == name; }));
}

}  // namespace platform
