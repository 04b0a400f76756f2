// The registry of form descriptions, loaded forms and event handlers.
#include "runtime/carried.h"
#include "runtime/form.h"
#include "runtime/form_registry.h"
#include "runtime/loader.h"
#include "runtime/program.h"

#include <cstdio>
#include <set>

namespace rt {

// ---------------------------------------------------------------------------------------------
// Registry of descriptions, forms and handlers

namespace {

struct Registry {
    std::map<Text, std::unique_ptr<Form>> forms;
    std::vector<Text> order; // form names in the order their descriptions were read
    std::map<std::string, HandlerFn> handlers; // by UTF-8 key, as descriptions name them
    std::vector<Form*> loaded;
    PopupMenuHook popupHook;
    Picture icon;
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
    for (std::string_view file : runtime::carriedFiles(":/forms/")) {
        if (!file.ends_with(".json"))
            continue;
        const std::string_view json = runtime::carriedFile(file);
        const Text error = addFormDescription(Bytes(json));
        if (!error.empty())
            std::fprintf(stderr, "form description %.*s: %s\n", int(file.size()), file.data(),
                         error.toUtf8().c_str());
    }
}

} // namespace

namespace detail {

std::vector<Form*>& loadedForms() {
    return registry().loaded;
}

std::optional<bool> dispatchHandler(const std::string& key, Event& e) {
    if (key.empty())
        return std::nullopt;
    auto it = registry().handlers.find(key);
    if (it == registry().handlers.end() || !it->second)
        return std::nullopt;
    HandlerFn fn = it->second; // the handler may replace itself while it runs
    return fn(e);
}

const PopupMenuHook& popupMenuHook() {
    return registry().popupHook;
}

} // namespace detail

void registerHandlerFn(const Text& key, HandlerFn fn) {
    registry().handlers[key.toUtf8()] = std::move(fn);
}
void unregisterHandler(const Text& key) {
    registry().handlers.erase(key.toUtf8());
}
bool hasHandler(const Text& key) {
    return registry().handlers.count(key.toUtf8()) != 0;
}

std::vector<Text> boundHandlers() {
    readDescriptions();
    std::vector<Text> keys;
    std::set<std::string> seen;
    auto add = [&](const std::string& utf8) {
        if (!utf8.empty() && seen.insert(utf8).second)
            keys.push_back(Text::fromUtf8(utf8));
    };
    for (const Text& name : registry().order) {
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

std::vector<Text> missingHandlers() {
    std::vector<Text> missing;
    for (const Text& k : boundHandlers())
        if (!hasHandler(k))
            missing.push_back(k);
    return missing;
}

std::vector<Text> formNames() {
    readDescriptions();
    return registry().order;
}

bool isLoaded(const Text& formName) {
    readDescriptions();
    auto it = registry().forms.find(formName);
    return it != registry().forms.end() && it->second->isLoaded();
}

Form& form(const Text& name) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end() || !it->second->isLoaded())
        runtimeError(kFormNotLoaded);
    return *it->second;
}

bool loadForm(const Text& name, Form* owner, bool modal) {
    readDescriptions();
    auto it = registry().forms.find(name);
    if (it == registry().forms.end())
        return false;
    return it->second->load(owner, modal);
}

int loadedFormCount() {
    return int(registry().loaded.size());
}

Text addFormDescription(const Bytes& json) {
    std::string error;
    std::shared_ptr<detail::FormDesc> desc = detail::parseFormDescription(json, error);
    if (!desc)
        return Text::fromUtf8(error);
    Registry& r = registry();
    const Text name = Text::fromUtf8(desc->name);
    auto it = r.forms.find(name);
    if (it != r.forms.end() && it->second->isLoaded())
        return name + " is loaded";
    if (it == r.forms.end())
        r.order.push_back(name);
    r.forms[name] = std::unique_ptr<Form>(new Form(desc));
    return {};
}

void setProgramIcon(const Picture& icon) {
    registry().icon = icon;
}
Picture programIcon() {
    return registry().icon;
}

PopupMenuHook setPopupMenuHook(PopupMenuHook hook) {
    PopupMenuHook previous = std::move(registry().popupHook);
    registry().popupHook = std::move(hook);
    return previous;
}

} // namespace rt
