// 时钟: a timer of the form's window (WM_TIMER with the control's own id), ticking while its
// interval is above 0.
#include "runtime/loader.h"
#include "runtime/win32/state.h"

namespace rt {

namespace {

struct TimerData {
    int interval = 0; // 0: stopped
};

TimerData& dataOf(detail::ControlState& st) {
    if (!st.kindData)
        st.kindData = std::make_shared<TimerData>();
    return *static_cast<TimerData*>(st.kindData.get());
}

HWND windowOf(const Control& c) {
    return detail::FormState::of(c.form()).window;
}

} // namespace

void Timer::build() {
    // The control's address: unique among the form's timers, never 0.
    st_->timerId = reinterpret_cast<UINT_PTR>(this);
    st_->onParentMessage = [this](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_TIMER)
            return std::nullopt;
        raise("tick");
        return 0;
    };
    dataOf(*st_);
    if (const int ms = props().interval; ms > 0) {
        dataOf(*st_).interval = ms;
        SetTimer(windowOf(*this), st_->timerId, UINT(ms), nullptr);
    }
}

void Timer::unbuild() {
    if (st_->timerId)
        KillTimer(windowOf(*this), st_->timerId);
}

int Timer::interval() {
    ensureLoaded();
    return st_->kindData ? dataOf(*st_).interval : 0;
}

void Timer::setInterval(int ms) {
    ensureLoaded();
    TimerData& data = dataOf(*st_);
    if (ms <= 0) {
        KillTimer(windowOf(*this), st_->timerId);
        data.interval = 0;
    } else if (data.interval != ms) {
        // Setting the same id again restarts it with the new interval.
        SetTimer(windowOf(*this), st_->timerId, UINT(ms), nullptr);
        data.interval = ms;
    }
}

} // namespace rt
