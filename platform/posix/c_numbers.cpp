#include "platform/c_numbers.h"

#include <locale.h>

namespace platform {

CNumbersInThisThread::CNumbersInThisThread() {
    locale_t c = nullptr;
    if (locale_t base = ::duplocale(LC_GLOBAL_LOCALE)) {
        c = ::newlocale(LC_NUMERIC_MASK, "C", base); // takes `base` over when it succeeds
        if (!c)
            ::freelocale(base);
    }
    if (c) {
        c_ = c;
        before_ = ::uselocale(c);
    }
}

CNumbersInThisThread::~CNumbersInThisThread() {
    if (c_) {
        ::uselocale(static_cast<locale_t>(before_));
        ::freelocale(static_cast<locale_t>(c_));
    }
}

} // namespace platform
