// The kernel operations that need the window system: events and the screen.
#include "runtime/display.h"
#include "runtime/kernel.h"
#include "runtime/qt/access.h"
#include "runtime/qt/conversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

namespace rt {

QString nativePath(const Text& path) {
    return QString::fromStdString(fileSystemPath(path));
}

// ---- events and screen ----

void processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void delay(int ms) {
    if (ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    int passes = 0;
    do {
        processEvents();
        ++passes;
    } while (timer.elapsed() < ms || passes < 2);
}

int screenWidth() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int screenHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

namespace {
QRect& availableForTests() {
    static QRect area;
    return area;
}
} // namespace

Rect availableArea(int x, int y) {
    QScreen* s = QGuiApplication::screenAt(QPoint(x, y));
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return {};
    const QRect& panels = availableForTests();
    return qt::rect(panels.isEmpty() ? s->availableGeometry() : s->availableGeometry() & panels);
}

void setAvailableAreaForTests(const Rect& area) {
    availableForTests() = qt::rect(area);
}

} // namespace rt
