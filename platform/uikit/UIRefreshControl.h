#pragma once
#include <memory>

#include "platform/uikit/UIControl.h"

namespace platform {

// Pull-to-refresh: a person's pull starts refreshing and sends value-changed; the owner calls
// endRefreshing() when the reload is done.
class UIRefreshControl : public UIControl {
public:
    static std::shared_ptr<UIRefreshControl> make() { return std::make_shared<UIRefreshControl>(); }
    std::string_view kindName() const override { return "RefreshControl"; }

    bool isRefreshing() const { return refreshing_; }
    void beginRefreshing() { refreshing_ = true; }
    void endRefreshing() { refreshing_ = false; }
    // What a person's pull does: starts refreshing and sends value-changed (nothing while one
    // is already running).
    void pull() {
        if (refreshing_) return;
        refreshing_ = true;
        sendActions(UIControlEvents::valueChanged);
    }

private:
    bool refreshing_ = false;
};

}  // namespace platform
