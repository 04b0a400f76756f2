// Form descriptions as read from runtime/forms/*.json (internal to the runtime).
#pragma once

#include "runtime/form.h"

#include <QColor>
#include <QFont>
#include <QJsonObject>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace rt::detail {

struct ControlDesc {
    QString name;
    Kind kind{};
    QString parent; // container control, empty for the form
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool disabled = false;
    bool tabStop = false;
    int tabOrder = 0;
    QString tag;
    std::map<QString, QString> events; // event name -> handler key
    QJsonObject props;                 // everything, for the kind's own properties
};

struct MenuItemDesc {
    int level = 0;
    QString name;
    QString caption;
    QString shortcut; // one of shortcutChoices(); "" for none
    bool hidden = false;
    bool disabled = false;
    bool checked = false;
    QString handler;
};

struct FormDesc {
    QString name;
    QString caption;
    int left = 50, top = 50, width = 0, height = 0;
    bool framed = false;
    bool minimizeButton = false;
    bool icon = false;
    int position = 0;
    QString enterButton;  // the super button that Enter in a single-line box clicks, "" for none
    QString escapeButton; // the super button that Esc clicks, "" for none
    std::map<QString, QString> events;
    std::vector<ControlDesc> controls;
    std::vector<MenuItemDesc> menu;
};

// Parses and checks one description; on failure returns null and says why in error.
std::shared_ptr<FormDesc> parseFormDescription(const QByteArray& json, QString& error);

// Property readers for the kinds (defaults when absent; the parser has checked the types).
QFont fontFrom(const QJsonObject& props);
std::optional<QColor> colorFrom(const QJsonObject& props, const char* key);
Qt::Alignment alignmentFromText(const QString& align); // "left" (also empty), "center", "right"

} // namespace rt::detail
