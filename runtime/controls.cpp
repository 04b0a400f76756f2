// The kinds' operations that need no window: pictures from bytes, the date box's value, the
// data-access controls.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/loader.h"

namespace rt {

bool EditBox::isMultiLine() const {
    return props().multiLine;
}

double DateBox::value() {
    ensureLoaded();
    return value_;
}

Text DateBox::readText() {
    return dateText(value_);
}

void SuperButton::setPicture(Picture which, const Bytes& imageData) {
    setPicture(which, rt::Picture::fromBytes(imageData));
}

void SuperButton::setPictures(const rt::Picture& normal, const rt::Picture& hover, const rt::Picture& disabled) {
    setPicture(Normal, normal);
    setPicture(Hover, hover);
    setPicture(Disabled, disabled);
}

void GraphicButton::setPicture(Picture which, const Bytes& imageData) {
    setPicture(which, rt::Picture::fromBytes(imageData));
}

void PictureBox::setPicture(const Bytes& imageData) {
    setPicture(Picture::fromBytes(imageData));
}

void TrayIcon::setIcon(const Bytes& imageData) {
    setIcon(Picture::fromBytes(imageData));
}

// ---- data-access controls ----

void ConnectionControl::build() {
    object_ = std::make_unique<CommonConnection>();
}

void ConnectionControl::unbuild() {
    object_.reset();
}

CommonConnection& ConnectionControl::object() {
    ensureLoaded();
    return *object_;
}

void RecordSetControl::build() {
    object_ = std::make_unique<RecordSet>();
}

void RecordSetControl::unbuild() {
    object_.reset();
}

RecordSet& RecordSetControl::object() {
    ensureLoaded();
    return *object_;
}

} // namespace rt
