#include "platform/c_numbers.h"

#include <clocale>
#include <locale.h>

namespace platform {

CNumbersInThisThread::CNumbersInThisThread() {
    // setlocale changes only this thread once the thread has its own locale.
    mode_ = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    if (const char* now = std::setlocale(LC_NUMERIC, nullptr))
        numeric_ = now;
    std::setlocale(LC_NUMERIC, "C");
}

CNumbersInThisThread::~CNumbersInThisThread() {
    if (!numeric_.empty())
        std::setlocale(LC_NUMERIC, numeric_.c_str());
    if (mode_ != -1)
        _configthreadlocale(mode_);
}

} // namespace platform
