// The registry of form descriptions, loaded forms and event handlers.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/loader.h"
#include "runtime/qt/description.h"
#include "runtime/program.h"
#include "runtime/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDateEdit>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

namespace rt {

// ---------------------------------------------------------------------------------------------
// Registry of descriptions, forms and handlers

namespace {

struct Registry {
    std::map<QString, std::unique_ptr<Form>> forms;
    QStringList order; // form names in the order their descriptions were read
    std::map<QString, HandlerFn> handlers;
    std::vector<Form*> loaded;
    PopupMenuHook popupHook;
    ImageDecoder decoder;
    QIcon icon;
    bool descriptionsRead = false;
};

Registry& registry() {
    static Registry r;
    return r;
}

void readDescriptions() {
    Registry& r = registry();
    if (r.descriptionsRead)
        return;
    r.descriptionsRead = true;
    QDir dir(QStringLiteral(":/forms"));
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        QFile file(dir.filePath(f));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("form description %s cannot be read", qPrintable(f));
            continue;
        }
        QString error = addFormDescription(file.readAll());
        if (!error.isEmpty())
            qWarning("form description %s: %s", qPrintable(f), qPrintable(error));
    }
}

std::optional<bool> dispatch(const QString& key, Event& e) {
    if (key.isEmpty())
        return std::nullopt;
    auto it = registry().handlers.find(key);
    if (it == registry().handlers.end() || !it->second)
        return std::nullopt;
    HandlerFn fn = it->second; // the handler may replace itself while it runs
    return fn(e);
}

} // namespace

namespace detail {

std::vector<Form*>& loadedForms() {
    return registry().loaded;
}

std::optional<bool> dispatchHandler(const QString& key, Event& e) {
    return dispatch(key, e);
}

const PopupMenuHook& popupMenuHook() {
    return registry().popupHook;
}

bool offscreenPlatform() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

} // namespace detail

void registerHandlerFn(const QString& key, HandlerFn fn) {
    registry().handlers[key] = std::move(fn);
}
void unregisterHandler(const QString& key) {
    registry().handlers.erase(key);
}
bool hasHandler(const QString& key) {
    return registry().handlers.count(key) != 0;
}

QStringList boundHandlers() {
    readDescriptions();
    QStringList keys;
    auto add = [&](const std::string& utf8) {
        const QString k = detail::qs(utf8);
        if (!k.isEmpty() && !keys.contains(k))
            keys << k;
    };
    for (const QString& name : registry().order) {
        const detail::FormDesc& d = registry().forms.at(name)->description();
        for (const auto& [event, key] : d.events)
            add(key);
        for (const detail::ControlDesc& c : d.controls)
            for (const auto& [event, key] : c.events)
                add(key);
        for (const detail::MenuItemDesc& m : d.menu)
            add(m.handler);
    }
    return keys;
}

QStringList missingHandlers() {
    QStringList missing;
    for (const QString& k : boundHandlers())
        if (!hasHandler(k))
            missing << k;
    return missing;
}

QStringList formNames() {
    readDescriptions();
    return registry().order;
}

bool isLoaded(const QString& formName) {
    readDescriptions();
    auto it = registry().forms.find(formName);
    return it != registry().forms.end() && it->second->isLoaded();
}

Form& form(const QString& name) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end() || !it->second->isLoaded())
        runtimeError(kFormNotLoaded);
    return *it->second;
}

bool loadForm(const QString& name, Form* owner, bool modal) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end())
        return false;
    return it->second->load(owner, modal);
}

int loadedFormCount() {
    return int(registry().loaded.size());
}

QString addFormDescription(const QByteArray& json) {
    std::string error;
    std::shared_ptr<detail::FormDesc> desc =
        detail::parseFormDescription(std::string_view(json.constData(), size_t(json.size())), error);
    if (!desc)
        return detail::qs(error);
    Registry& r = registry();
    const QString name = detail::qs(desc->name);
    auto it = r.forms.find(name);
    if (it != r.forms.end() && it->second->isLoaded())
        return QStringLiteral("%1 is loaded").arg(name);
    if (it == r.forms.end())
        r.order << name;
    r.forms[name] = std::unique_ptr<Form>(new Form(desc));
    return {};
}

void setProgramIcon(const QIcon& icon) {
    registry().icon = icon;
}
QIcon programIcon() {
    return registry().icon;
}

void setImageDecoder(ImageDecoder decoder) {
    registry().decoder = std::move(decoder);
}

QImage imageFromBytes(const Bytes& bytes) {
    if (bytes.empty())
        return {};
    if (registry().decoder) {
        QImage img = registry().decoder(bytes);
        if (!img.isNull())
            return img;
    }
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

PopupMenuHook setPopupMenuHook(PopupMenuHook hook) {
    PopupMenuHook previous = std::move(registry().popupHook);
    registry().popupHook = std::move(hook);
    return previous;
}

} // namespace rt
