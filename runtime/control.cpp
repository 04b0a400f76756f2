// Controls as handlers see them, without a window: names, tags, events, texts through the kind.
#include "runtime/form.h"
#include "runtime/loader.h"

namespace rt {

const Text& Control::name() const {
    return name_;
}
const detail::KindProps& Control::props() const {
    return desc_.props;
}

void Control::ensureLoaded() const {
    form_.ensureLoaded();
}

std::optional<bool> Control::raise(const Text& event, int row) {
    if (!form_.isLoaded() || form_.unloading_)
        return std::nullopt;
    return form_.raise(event, this, nullptr, row);
}

Text Control::text() {
    ensureLoaded();
    return readText();
}

void Control::setText(const Text& t) {
    ensureLoaded();
    writeText(t);
}

Text Control::tag() {
    ensureLoaded();
    return tag_;
}

void Control::setTag(const Text& t) {
    ensureLoaded();
    tag_ = t;
}

} // namespace rt
