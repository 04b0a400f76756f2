// Menu items as handlers see them, without a window: names, state kept by the item, choosing.
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/loader.h"

namespace rt {

const Text& MenuItem::name() const {
    return name_;
}
int MenuItem::level() const {
    return desc_.level;
}
Text MenuItem::shortcut() const {
    return Text::fromUtf8(desc_.shortcut);
}

Text MenuItem::caption() {
    form_.ensureLoaded();
    return caption_;
}

bool MenuItem::visible() {
    form_.ensureLoaded();
    return !hidden_;
}

bool MenuItem::disabled() {
    form_.ensureLoaded();
    return disabled_;
}

bool MenuItem::checked() {
    form_.ensureLoaded();
    return checked_;
}

bool MenuItem::shownInParent() {
    if (hidden_ || disabled_)
        return false;
    return !parent_ || !parent_->disabled_;
}

bool MenuItem::choose() {
    form_.ensureLoaded();
    if (desc_.level != 1 || desc_.caption == "-" || !shownInParent())
        return false;
    form_.raise("chosen", nullptr, this);
    return true;
}

bool Form::menuAnsweredByHook(MenuItem& top, const Text& menuName, Point pos) {
    const PopupMenuHook& hook = detail::popupMenuHook();
    if (!hook)
        return false;
    const Text chosen = hook(*this, menuName, pos);
    if (!chosen.empty() && isLoaded())
        for (auto& m : menuItems_)
            if (m->name() == chosen && m->parent_ == &top)
                m->choose();
    return true;
}

} // namespace rt
