// 日期框: the common controls' date picker, showing "yyyy年M月d日" with its calendar, or for the
// month display "yyyy年M月" with arrows that step the part under the caret. Only the user's changes
// raise valueChanged.
#include "runtime/datetime.h"
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>

namespace rt {

namespace {

struct DateData {
    bool settingValue = false; // the program is setting the value: no event
};

DateData& dataOf(detail::ControlState& st) {
    if (!st.kindData)
        st.kindData = std::make_shared<DateData>();
    return *static_cast<DateData*>(st.kindData.get());
}

SYSTEMTIME systemTimeOf(double d) {
    const DateParts p = splitDate(d);
    SYSTEMTIME t{};
    t.wYear = WORD(p.year);
    t.wMonth = WORD(p.month);
    t.wDay = WORD(p.day);
    t.wDayOfWeek = WORD(p.weekday - 1);
    return t;
}

} // namespace

void DateBox::build() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    const bool month = props().display == "month";
    HWND h = CreateWindowExW(0, DATETIMEPICK_CLASSW, L"", WS_CHILD | DTS_SHORTDATEFORMAT | (month ? DTS_UPDOWN : 0), 0,
                             0, 0, 0, st_->parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    st_->hwnd = h;
    detail::attach(h, *this);
    dataOf(*st_);
    SendMessageW(h, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(month ? L"yyyy'年'M'月'" : L"yyyy'年'M'月'd'日'"));
    // The picker's own earliest day is in 1753; the latest is the runtime's.
    SYSTEMTIME range[2] = {systemTimeOf(makeDate(1753, 1, 1)), systemTimeOf(kMaxDate)};
    SendMessageW(h, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    value_ = props().value ? *props().value : datePart(now());
    SYSTEMTIME t = systemTimeOf(value_);
    SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    st_->onParentMessage = [this](UINT msg, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (msg != WM_NOTIFY)
            return std::nullopt;
        const auto* change = reinterpret_cast<const NMDATETIMECHANGE*>(lp);
        if (change->nmhdr.code != DTN_DATETIMECHANGE || change->dwFlags != GDT_VALID || dataOf(*st_).settingValue)
            return std::nullopt;
        const double d = makeDate(change->st.wYear, change->st.wMonth, change->st.wDay);
        if (d == value_)
            return 0;
        value_ = d;
        raise("valueChanged");
        return 0;
    };
}

void DateBox::setValue(double d) {
    ensureLoaded();
    value_ = d;
    if (!st_->hwnd)
        return;
    SYSTEMTIME t = systemTimeOf(d);
    DateData& data = dataOf(*st_);
    data.settingValue = true;
    SendMessageW(st_->hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    data.settingValue = false;
}

void DateBox::writeText(const Text& t) {
    int y = 0, m = 0, d = 0;
    if (std::sscanf(t.toUtf8().c_str(), "%d年%d月%d日", &y, &m, &d) != 3)
        return;
    const double value = makeDate(y, m, d);
    const DateParts p = splitDate(value);
    if (p.year == y && p.month == m && p.day == d) // a day that exists
        setValue(value);
}

} // namespace rt
