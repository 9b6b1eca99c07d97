#pragma once
// State that belongs to one execution context and is shared with whatever works on it, so it
// outlives whichever of them goes first.
#include <boost/asio/execution_context.hpp>

#include <memory>

namespace platform::detail {

// Made on the first call for a context, and dropped from the context when it is destroyed. A
// context shuts its services down, the most recently added first, before its scheduler drops the
// work still queued: a T with end() is told then.
template <class T>
class ContextSharedService : public boost::asio::execution_context::service {
public:
    static inline boost::asio::execution_context::id id;
    explicit ContextSharedService(boost::asio::execution_context& context)
        : service(context), value(std::make_shared<T>()) {}
    const std::shared_ptr<T> value;

private:
    void shutdown() override {
        if constexpr (requires(T& t) { t.end(); }) value->end();
    }
};

template <class T>
std::shared_ptr<T> sharedWithContext(boost::asio::execution_context& context) {
    return boost::asio::use_service<ContextSharedService<T>>(context).value;
}

}  // namespace platform::detail
