#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace halvane {

// A listener's place on a signal: while it lives, the listener is told; once it is destroyed
// (or ended), the listener is not told any more. So a listener that goes before the signal
// takes its place with it, and one that outlives the signal is simply not told again.
class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> end) : end_(std::move(end)) {}
    Subscription(Subscription&& other) noexcept : end_(std::exchange(other.end_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            end();
            end_ = std::exchange(other.end_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { end(); }

    void end() {
        if (auto end = std::exchange(end_, nullptr)) end();
    }

  private:
    std::function<void()> end_;
};

// How a subsystem tells of a change: any number of listeners, each told in the order it
// subscribed. Subscribing again adds a listener and never replaces one. A listener may subscribe
// others or end subscriptions while it is told: those it ends are not told any more, those it
// adds are told from the next change on.
template <typename... Args>
class Signal {
  public:
    using Listener = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    ~Signal() {
        for (const auto& slot : *slots_) slot->live = false;
    }

    [[nodiscard]] Subscription subscribe(Listener listener) {
        auto slot = std::make_shared<Slot>(Slot{std::move(listener), true});
        slots_->push_back(slot);
        return Subscription(
            [list = std::weak_ptr<Slots>(slots_), weak = std::weak_ptr<Slot>(slot)] {
                const std::shared_ptr<Slot> ended = weak.lock();
                if (!ended) return;
                ended->live = false;
                if (const std::shared_ptr<Slots> all = list.lock())
                    all->erase(std::remove(all->begin(), all->end(), ended), all->end());
            });
    }

    void notify(Args... args) const {
        // A copy: the listeners may change the list while they are told.
        const Slots told = *slots_;
        for (const auto& slot : told) {
            if (slot->live) slot->listener(args...);
        }
    }

    bool has_listeners() const { return !slots_->empty(); }

  private:
    struct Slot {
        Listener listener;
        bool live = false;
    };
    using Slots = std::vector<std::shared_ptr<Slot>>;

    std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

}  // namespace halvane
