// Loaded into the real program by the app tests (QT_QPA_GENERIC_PLUGINS=ledrimodriver): plays the
// user without a user. It reports on stderr every window as it appears ("shown: <title>"), and
// every 50 ms it answers the message box on screen ("box: <title>|<text>"); it can log in or press
// 退出 on the login window, and ask a window to close. What it does comes from the test, in
// environment variables read by this plugin only:
//   LEDRIMO_DRIVE_ANSWERS  answers to the boxes in order, "ok" or "cancel" separated by commas;
//                          "ok" once the list is used up
//   LEDRIMO_DRIVE_LEAVE    "now": press 退出 as soon as the login window has been shown for 300 ms;
//                          a file path: press it once that file exists
//   LEDRIMO_DRIVE_LOGIN    "NAME/PASSWORD": once the login window has been shown for 300 ms, type
//                          them into its two boxes and press 登录 ("clicked: 登  录"); the next
//                          window to appear (the main window) is asked to close once when it has
//                          been shown for 300 ms ("closing: <title>")
//   LEDRIMO_DRIVE_CLOSE    a window title: ask that window to close at every round, as the close
//                          box or Alt+F4 would ("closing: <title>")
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <cstdio>

namespace {

void report(const char* what, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", what, text.toUtf8().constData());
    std::fflush(stderr);
}

class Driver : public QObject {
public:
    Driver() {
        const QString answers = qEnvironmentVariable("LEDRIMO_DRIVE_ANSWERS");
        if (!answers.isEmpty())
            answers_ = answers.split(QLatin1Char(','));
        leave_ = qEnvironmentVariable("LEDRIMO_DRIVE_LEAVE");
        loginAs_ = qEnvironmentVariable("LEDRIMO_DRIVE_LOGIN");
        close_ = qEnvironmentVariable("LEDRIMO_DRIVE_CLOSE");
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { round(); });
        timer_.start();
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    // Windows are reported the moment they are shown: the splash may be on screen for a few
    // milliseconds only.
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            if (w->isWindow() && !qobject_cast<QMessageBox*>(w) && !w->windowTitle().isEmpty() &&
                !shown_.contains(w)) {
                // A window made later may get the address of one already gone (the main window
                // that of the splash): a window leaves the set when it is destroyed.
                shown_.insert(w);
                QObject::connect(w, &QObject::destroyed, this, [this, w] { shown_.remove(w); });
                report("shown", w->windowTitle());
                if (w->windowTitle() == QStringLiteral("用户登录-Ledrimo")) {
                    login_ = w;
                    loginShown_.start();
                } else if (loggedIn_ && !afterLogin_) {
                    afterLogin_ = w;
                    afterLoginShown_.start();
                }
            }
        }
        return false;
    }

private:
    void round() {
        if (busy_)
            return; // a round that pressed a button is still running the program's handler
        busy_ = true;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box && box->isVisible())
            answer(box);
        if (!close_.isEmpty())
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == close_) {
                    report("closing", w->windowTitle());
                    w->close();
                }
        maybeLogIn();
        maybeLeave();
        busy_ = false;
    }

    void answer(QMessageBox* box) {
        report("box", box->windowTitle() + QLatin1Char('|') + box->text());
        const QString a = answers_.isEmpty() ? QStringLiteral("ok") : answers_.takeFirst().trimmed();
        QAbstractButton* b =
            box->button(a == QLatin1String("cancel") ? QMessageBox::Cancel : QMessageBox::Ok);
        if (b)
            b->click();
        else
            box->close();
    }

    void maybeLogIn() {
        // The close request runs after this round, so the round after it can answer the question
        // it asks.
        if (afterLogin_ && !afterLoginClosed_ && afterLogin_->isVisible() &&
            afterLoginShown_.elapsed() >= 300) {
            afterLoginClosed_ = true;
            report("closing", afterLogin_->windowTitle());
            QMetaObject::invokeMethod(afterLogin_, &QWidget::close, Qt::QueuedConnection);
        }
        if (loginAs_.isEmpty() || !login_ || !login_->isVisible() || loggedIn_ || loginShown_.elapsed() < 300)
            return;
        const QString name = loginAs_.section(QLatin1Char('/'), 0, 0);
        const QString password = loginAs_.section(QLatin1Char('/'), 1);
        for (QLineEdit* e : login_->findChildren<QLineEdit*>())
            e->setText(e->echoMode() == QLineEdit::Password ? password : name);
        for (QAbstractButton* b : login_->findChildren<QAbstractButton*>()) {
            if (b->text() == QStringLiteral("登  录")) {
                loggedIn_ = true;
                report("clicked", b->text());
                b->click();
                return;
            }
        }
    }

    void maybeLeave() {
        if (leave_.isEmpty() || !login_ || !login_->isVisible() || left_)
            return;
        if (leave_ == QLatin1String("now") ? loginShown_.elapsed() < 300 : !QFile::exists(leave_))
            return;
        for (QAbstractButton* b : login_->findChildren<QAbstractButton*>()) {
            if (b->text() == QStringLiteral("退  出")) {
                left_ = true;
                report("clicked", b->text());
                b->click();
                return;
            }
        }
    }

    QTimer timer_;
    QStringList answers_;
    QString leave_, loginAs_, close_;
    QSet<QWidget*> shown_;
    QPointer<QWidget> login_, afterLogin_;
    QElapsedTimer loginShown_, afterLoginShown_;
    bool left_ = false;
    bool loggedIn_ = false;
    bool afterLoginClosed_ = false;
    bool busy_ = false;
};

} // namespace

class DriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver_plugin.json")

public:
    QObject* create(const QString&, const QString&) override {
        return new Driver; // Qt deletes what create() returns
    }
};

#include "driver_plugin.moc"
