#pragma once

#include <functional>
#include <utility>

#include "base/Signal.h"

namespace kelvra {

// An observable value. Every assignment notifies the owner first (will-change),
// stores the value, runs the owner's did-set hook, then emits the new value to
// subscribers. Subscribing does not replay the current value.
template <class T>
class Published {
  public:
    explicit Published(T initial = T{}) : value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }
    const T& operator()() const { return value_; }

    void set(T v) {
        if (willChange_) willChange_();
        value_ = std::move(v);
        if (didSet_) didSet_();
        changed_.emit(value_);
    }

    Subscription sink(std::function<void(const T&)> listener) {
        return changed_.connect(std::move(listener));
    }

    // Owner hooks.
    void setWillChange(std::function<void()> fn) { willChange_ = std::move(fn); }
    void setDidSet(std::function<void()> fn) { didSet_ = std::move(fn); }
    // Sets without hooks or notifications (used while loading).
    void setQuietly(T v) { value_ = std::move(v); }

  private:
    T value_;
    std::function<void()> willChange_;
    std::function<void()> didSet_;
    Signal<T> changed_;
};

}  // namespace kelvra
