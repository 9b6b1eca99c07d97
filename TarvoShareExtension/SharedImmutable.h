#pragma once
// An optional value that copies as a pointer: for large read-only records (a remembered preset
// with its whole project tree) that are handed from the store to plans, screens and tasks on
// other threads, where copying them item by item would cost more than the work done with them.
// The value never changes once made, so holders on any thread read it without locking.
#include <memory>
#include <optional>
#include <utility>

namespace tarvo {

template <class T>
class SharedImmutable {
public:
    SharedImmutable() = default;
    SharedImmutable(std::nullopt_t) {}
    SharedImmutable(T value) : value_(std::make_shared<const T>(std::move(value))) {}
    // Lends a value that lives inside a larger shared record (the aliasing form of shared_ptr).
    explicit SharedImmutable(std::shared_ptr<const T> value) : value_(std::move(value)) {}

    bool has_value() const { return value_ != nullptr; }
    explicit operator bool() const { return has_value(); }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return value_.get(); }
    const T& value() const {
        if (!value_) throw std::bad_optional_access();
        return *value_;
    }
    void reset() { value_.reset(); }

    // Equal when both are absent or both hold equal values, as for std::optional.
    friend bool operator==(const SharedImmutable& a, const SharedImmutable& b) {
        if (a.value_ == b.value_) return true;
        if (!a.value_ || !b.value_) return false;
        return *a.value_ == *b.value_;
    }
    friend bool operator==(const SharedImmutable& a, std::nullopt_t) { return !a.value_; }

private:
    std::shared_ptr<const T> value_;
};

}  // namespace tarvo
