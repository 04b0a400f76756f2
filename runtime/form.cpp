// Forms as handlers see them, without a window: their parts, lookups and events.
#include "runtime/form.h"
#include "runtime/data_access.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
#include "runtime/program.h"

#include <algorithm>

namespace rt {

Text kindName(Kind k) {
    return Text(kindText(k));
}

const std::vector<Text>& shortcutChoices() {
    static const std::vector<Text> choices = [] {
        std::vector<Text> c;
        for (const std::string& s : detail::shortcutTexts())
            c.push_back(Text::fromUtf8(s));
        return c;
    }();
    return choices;
}

// ---------------------------------------------------------------------------------------------
// Form

void Form::createParts() {
    for (const detail::ControlDesc& c : desc_->controls) {
        std::unique_ptr<Control> ctl;
        switch (c.kind) {
        case Kind::EditBox:
            ctl.reset(new EditBox(*this, c));
            break;
        case Kind::DateBox:
            ctl.reset(new DateBox(*this, c));
            break;
        case Kind::Label:
            ctl.reset(new Label(*this, c));
            break;
        case Kind::SuperButton:
            ctl.reset(new SuperButton(*this, c));
            break;
        case Kind::GraphicButton:
            ctl.reset(new GraphicButton(*this, c));
            break;
        case Kind::PictureBox:
            ctl.reset(new PictureBox(*this, c));
            break;
        case Kind::ShapeBox:
            ctl.reset(new ShapeBox(*this, c));
            break;
        case Kind::StatusBar:
            ctl.reset(new StatusBar(*this, c));
            break;
        case Kind::ListView:
            ctl.reset(new ListView(*this, c));
            break;
        case Kind::Timer:
            ctl.reset(new Timer(*this, c));
            break;
        case Kind::TrayIcon:
            ctl.reset(new TrayIcon(*this, c));
            break;
        case Kind::MenuStyle:
            ctl.reset(new MenuStyle(*this, c));
            break;
        case Kind::Connection:
            ctl.reset(new ConnectionControl(*this, c));
            break;
        case Kind::RecordSet:
            ctl.reset(new RecordSetControl(*this, c));
            break;
        case Kind::Chart:
            ctl.reset(new Chart(*this, c));
            break;
        }
        controls_.push_back(std::move(ctl));
    }
    for (const detail::MenuItemDesc& m : desc_->menu)
        menuItems_.push_back(std::unique_ptr<MenuItem>(new MenuItem(*this, m)));
    MenuItem* top = nullptr;
    for (auto& m : menuItems_) {
        if (m->level() == 0)
            top = m.get();
        else
            m->parent_ = top;
    }
}

void Form::ensureLoaded() const {
    if (!isLoaded())
        runtimeError(kFormNotLoaded);
}

Control* Form::findControl(const Text& name) const {
    for (const auto& c : controls_)
        if (c->name() == name)
            return c.get();
    return nullptr;
}

bool Form::hasControl(const Text& name) const {
    return findControl(name) != nullptr;
}

Control& Form::control(const Text& name) {
    ensureLoaded();
    Control* c = findControl(name);
    if (!c)
        runtimeError(kFormNotLoaded);
    return *c;
}

template <class T> T& Form::controlAs(const Text& name, Kind kind) {
    Control& c = control(name);
    if (c.kind() != kind)
        runtimeError(kFormNotLoaded);
    return static_cast<T&>(c);
}

EditBox& Form::editBox(const Text& name) {
    return controlAs<EditBox>(name, Kind::EditBox);
}
DateBox& Form::dateBox(const Text& name) {
    return controlAs<DateBox>(name, Kind::DateBox);
}
SuperButton& Form::button(const Text& name) {
    return controlAs<SuperButton>(name, Kind::SuperButton);
}
GraphicButton& Form::graphicButton(const Text& name) {
    return controlAs<GraphicButton>(name, Kind::GraphicButton);
}
PictureBox& Form::pictureBox(const Text& name) {
    return controlAs<PictureBox>(name, Kind::PictureBox);
}
StatusBar& Form::statusBar(const Text& name) {
    return controlAs<StatusBar>(name, Kind::StatusBar);
}
ListView& Form::listView(const Text& name) {
    return controlAs<ListView>(name, Kind::ListView);
}
Chart& Form::chart(const Text& name) {
    return controlAs<Chart>(name, Kind::Chart);
}
Timer& Form::timer(const Text& name) {
    return controlAs<Timer>(name, Kind::Timer);
}
TrayIcon& Form::trayIcon(const Text& name) {
    return controlAs<TrayIcon>(name, Kind::TrayIcon);
}
CommonConnection& Form::connection(const Text& name) {
    return controlAs<ConnectionControl>(name, Kind::Connection).object();
}
RecordSet& Form::recordSet(const Text& name) {
    return controlAs<RecordSetControl>(name, Kind::RecordSet).object();
}

MenuItem& Form::menuItem(const Text& name) {
    ensureLoaded();
    for (auto& m : menuItems_)
        if (m->name() == name)
            return *m;
    runtimeError(kFormNotLoaded);
}

std::vector<Control*> Form::controls() {
    ensureLoaded();
    std::vector<Control*> out;
    for (auto& c : controls_)
        out.push_back(c.get());
    return out;
}

// The outer window on the screen, as the backend measures it (outerRect).
int Form::left() {
    ensureLoaded();
    return outerRect().left;
}

int Form::top() {
    ensureLoaded();
    return outerRect().top;
}

int Form::width() {
    ensureLoaded();
    return outerRect().width;
}

int Form::height() {
    ensureLoaded();
    return outerRect().height;
}

void Form::move(int l, int t, int w, int h) {
    ensureLoaded();
    const Rect outer = outerRect();
    const Rect r = detail::movedRect(outer, l, t, w, h);
    if (r != outer)
        placeOuter(r, outer);
}

int Form::position() {
    ensureLoaded();
    return position_;
}

int Form::transparency() {
    ensureLoaded();
    return alpha_;
}

// ---- loading and unloading: what is the same on every window system ----

void Form::beginLoad(Form* owner, bool modal) {
    owner_ = owner && owner->isLoaded() ? owner : nullptr;
    modal_ = modal;
    alpha_ = 255;
    position_ = desc_->position;
    visibleProperty_ = true;
    destroyPending_ = false;
    creating_ = true;
}

bool Form::beginUnload() {
    if (!isLoaded() || unloading_)
        return false;
    unloading_ = true;
    // Windows owned by this one go with it.
    std::vector<Form*> owned;
    for (Form* f : detail::loadedForms())
        if (f->owner_ == this)
            owned.push_back(f);
    for (Form* f : owned)
        f->unload();
    return true;
}

void Form::endUnload() {
    auto& loaded = detail::loadedForms();
    loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
    owner_ = nullptr;
    unloading_ = false;
    destroyPending_ = false;
}

std::vector<Control*> Form::findControls(const Text& prefix, const Text& kind, int min, int max) {
    ensureLoaded();
    std::vector<Control*> out;
    for (auto& c : controls_) {
        // Whole characters: a text's bytes decode the same from its start, so a prefix of bytes
        // is a prefix of characters.
        if (!c->name().bytes().starts_with(prefix.bytes()))
            continue;
        if (!kind.empty() && kindName(c->kind()) != kind)
            continue;
        double tag = toNumber(c->tag_);
        if (tag < min || tag > max)
            continue;
        out.push_back(c.get());
    }
    return out;
}

void Form::onCloseRequested(bool& accept) {
    if (!isLoaded() || unloading_ || destroyPending_)
        return;
    std::optional<bool> answer = raise("closeRequested");
    accept = !(answer && !*answer);
    if (accept && isLoaded())
        unload();
}

std::optional<bool> Form::raise(const Text& event, Control* control, MenuItem* item, int row) {
    std::string key;
    if (control) {
        auto it = control->desc_.events.find(event.bytes()); // event names are ASCII
        if (it != control->desc_.events.end())
            key = it->second;
    } else if (item) {
        key = item->desc_.handler;
    } else {
        auto it = desc_->events.find(event.bytes());
        if (it != desc_->events.end())
            key = it->second;
    }
    if (key.empty())
        return std::nullopt;
    Event e{*this, control, item, event, row};
    return detail::dispatchHandler(key, e);
}

void Form::setBackground(const Bytes& imageData) {
    setBackground(Picture::fromBytes(imageData));
}

void Form::setIcon(const Bytes& imageData) {
    setIcon(Picture::fromBytes(imageData));
}

} // namespace rt
