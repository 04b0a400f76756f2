// Loaded into the real program by the app test (QT_QPA_GENERIC_PLUGINS): closes every window the
// way a close box does, once it has been on screen for a moment, and reports what it closed.
#include <QGenericPlugin>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstdio>

class CloserPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "closer_plugin.json")

public:
    QObject* create(const QString&, const QString&) override {
        auto* timer = new QTimer; // Qt deletes what create() returns
        timer->setInterval(300);
        QObject::connect(timer, &QTimer::timeout, [] {
            for (QWindow* w : QGuiApplication::topLevelWindows()) {
                if (!w->isVisible() || w->type() == Qt::ToolTip)
                    continue;
                std::fprintf(stderr, "closing: %s\n", qPrintable(w->title()));
                std::fflush(stderr);
                w->close();
            }
        });
        timer->start();
        return timer;
    }
};

#include "closer_plugin.moc"
