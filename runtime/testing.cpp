// What the user's hands do with the event loop and the forms alone, the same on every backend.
#include "runtime/testing.h"

#include "runtime/kernel.h"
#include "runtime/program.h"

#include <chrono>
#include <memory>

namespace rt::testing {

namespace {
using Clock = std::chrono::steady_clock;
}

bool whileModal(const Text& form, const std::function<void()>& open, const std::function<void()>& body,
                int timeLimitMs) {
    // Shared with the polls still queued when this returns: they find `over` and stop.
    struct State {
        bool ran = false;
        bool over = false;
        Clock::time_point end;
    };
    auto state = std::make_shared<State>();
    state->end = Clock::now() + std::chrono::milliseconds(timeLimitMs);
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weakPoll = poll;
    *poll = [state, weakPoll, form, &body] {
        if (state->over)
            return;
        if (!state->ran && isLoaded(form) && rt::form(form).isModal()) {
            state->ran = true;
            body();
            if (isLoaded(form))
                rt::form(form).destroy();
            return;
        }
        if (Clock::now() >= state->end) {
            if (isLoaded(form))
                rt::form(form).destroy();
            return;
        }
        if (auto self = weakPoll.lock())
            singleShot(1, *self);
    };
    singleShot(0, *poll);
    open();
    state->over = true;
    return state->ran;
}

} // namespace rt::testing
