#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/port/Subscription.h"

namespace kelvra {

// A plain signal: listeners are called in subscription order, synchronously.
template <class... Args>
class Signal {
public:
    Subscription connect(std::function<void(const Args&...)> listener) {
        auto id = next_++;
        (*listeners_)[id] = std::move(listener);
        std::weak_ptr<Listeners> weak = listeners_;
        return Subscription([weak, id] {
            if (auto l = weak.lock()) l->erase(id);
        });
    }
    void emit(const Args&... args) const {
        // Copy so that listeners may subscribe or unsubscribe while being called.
        auto snapshot = *listeners_;
        for (auto& [id, fn] : snapshot) {
            if (listeners_->count(id)) fn(args...);
        }
    }

private:
    using Listeners = std::map<uint64_t, std::function<void(const Args&...)>>;
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
    uint64_t next_ = 1;
};

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
