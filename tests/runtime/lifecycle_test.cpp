// The program frame: loading and destroying forms, close requests, the event loop and its end,
// the message box contract, the runtime error box and program-wide values.
#include "runtime/qt/painter.h"
#include "runtime/qt/access.h"
#include "runtime/runtime.h"
#include "test_support.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QTextLayout>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

#include <limits>
#include <utility>

using rt::Text;

namespace {

using testing_support::unloadAll;
using testing_support::unregisterAll;

// Answers the next real message box from the event loop.
void answerNextBox(std::function<void(QMessageBox*)> act, QStringList* buttonTexts = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, buttonTexts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (buttonTexts)
            for (QAbstractButton* b : box->buttons())
                *buttonTexts << b->text();
        timer->stop();
        timer->deleteLater();
        act(box);
    });
    timer->start();
}

struct Counted {
    static inline int alive = 0;
    int value = 0;
    Counted() { ++alive; }
    explicit Counted(int v) : value(v) { ++alive; }
    Counted(const Counted& o) : value(o.value) { ++alive; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --alive; }
};

} // namespace

class LifecycleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        rt::initRuntime();
        rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }
    void cleanup() {
        unregisterAll();
        unloadAll();
        QCOMPARE(rt::loadedFormCount(), 0);
    }

    void handlersAreBoundByName() {
        QStringList bound = rt::qt::strings(rt::boundHandlers());
        for (const char* k :
             {"工作时间记录工具.created", "用户登录.closeRequested", "用户登录.登录.clicked",
              "主窗口.destroyed", "主窗口.打开数据库.chosen", "主窗口.时钟1.tick",
              "主窗口.托盘图标1.rightButtonReleased", "列表查看.超级列表框1.currentRowChanged",
              "列表查看.删除所选.chosen", "查询.日期框1.valueChanged", "用户密码设置.确认.clicked"})
            QVERIFY2(bound.contains(QString::fromUtf8(k)), k);
        QCOMPARE(rt::qt::strings(rt::missingHandlers()), bound); // nothing registered yet: every form still loads
        rt::registerHandler("主窗口.关于.chosen", [] {});
        QVERIFY(!rt::qt::strings(rt::missingHandlers()).contains(QStringLiteral("主窗口.关于.chosen")));
        QCOMPARE(rt::qt::strings(rt::missingHandlers()).size(), bound.size() - 1);
        if (!rt::qt::strings(rt::missingHandlers()).isEmpty())
            qInfo("handlers still missing: %s", qPrintable(rt::qt::strings(rt::missingHandlers()).join(QStringLiteral(", "))));
        for (const rt::Text& name : rt::formNames()) {
            QVERIFY(rt::loadForm(name));
            QVERIFY(rt::isLoaded(name));
        }
    }

    void createdRunsBeforeTheLoadReturns() {
        QStringList seen;
        rt::registerHandler("工作时间记录工具.created", [&](rt::Event& e) {
            seen << e.name.toQString();
            QVERIFY(e.form.isLoaded());
            QVERIFY(!e.form.visible()); // shown after the created event
            e.form.control("透明标签1").setText("改");
        });
        QVERIFY(rt::loadForm("工作时间记录工具"));
        QCOMPARE(seen, QStringList{"created"});
        QVERIFY(rt::form("工作时间记录工具").visible());
        QCOMPARE(rt::form("工作时间记录工具").control("透明标签1").text(), Text("改"));
        // A handler may keep the window invisible.
        unloadAll();
        rt::registerHandler("工作时间记录工具.created", [](rt::Event& e) { e.form.setVisible(false); });
        QVERIFY(rt::loadForm("工作时间记录工具"));
        QVERIFY(!rt::form("工作时间记录工具").visible());
        // Loading a loaded form shows it again.
        QVERIFY(rt::loadForm("工作时间记录工具"));
        QVERIFY(rt::form("工作时间记录工具").visible());
        QVERIFY(!rt::loadForm("没有这个窗口"));
    }

    void destroyHappensAfterTheHandlerWithoutCloseRequest() {
        int closeRequests = 0, destroyed = 0;
        bool loadedInside = false;
        rt::registerHandler("主窗口.closeRequested", [&] {
            ++closeRequests;
            return true;
        });
        rt::registerHandler("主窗口.destroyed", [&](rt::Event& e) {
            ++destroyed;
            // The controls are still there for the clean-up.
            e.form.recordSet("记录集1").Close();
            e.form.connection("数据库连接1").Close();
        });
        rt::registerHandler("主窗口.关于.chosen", [&](rt::Event& e) {
            e.form.destroy();
            e.form.destroy(); // twice is once
            loadedInside = e.form.isLoaded();
            e.form.control("姓名编辑框").setText("still here");
        });
        QVERIFY(rt::loadForm("主窗口"));
        QVERIFY(rt::form("主窗口").menuItem("关于").choose());
        QVERIFY(loadedInside);
        QVERIFY(rt::isLoaded("主窗口"));
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded("主窗口"));
        QCOMPARE(closeRequests, 0);
        QCOMPARE(destroyed, 1);
    }

    void closeRequestsAskTheHandler() {
        int destroyed = 0;
        bool keep = true;
        rt::registerHandler("主窗口.closeRequested", [&] { return !keep; });
        rt::registerHandler("主窗口.destroyed", [&] { ++destroyed; });
        QVERIFY(rt::loadForm("主窗口"));
        QWidget* w = rt::qt::window(rt::form("主窗口"));
        w->close(); // the close box
        QVERIFY(rt::isLoaded("主窗口"));
        QVERIFY(w->isVisible());
        keep = false;
        w->close();
        QVERIFY(!rt::isLoaded("主窗口"));
        QCOMPARE(destroyed, 1);

        // The login window refuses every close request.
        rt::registerHandler("用户登录.closeRequested", [] { return false; });
        QVERIFY(rt::loadForm("用户登录"));
        rt::qt::window(rt::form("用户登录"))->close();
        QVERIFY(rt::isLoaded("用户登录"));
        // A form without a close-requested handler closes.
        QVERIFY(rt::loadForm("查询"));
        rt::qt::window(rt::form("查询"))->close();
        QVERIFY(!rt::isLoaded("查询"));
    }

    void ownedFormsGoWithTheirOwner() {
        QStringList destroyed;
        rt::registerHandler("主窗口.destroyed", [&] { destroyed << "主窗口"; });
        rt::registerHandler("列表查看.closeRequested", [&] {
            destroyed << "asked";
            return true;
        });
        QVERIFY(rt::loadForm("主窗口"));
        QVERIFY(rt::loadForm("列表查看", &rt::form("主窗口")));
        QCOMPARE(rt::form("列表查看").owner(), &rt::form("主窗口"));
        QCOMPARE(rt::qt::window(rt::form("列表查看"))->parentWidget(), rt::qt::window(rt::form("主窗口")));
        rt::form("主窗口").destroy();
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded("列表查看"));
        QVERIFY(!rt::isLoaded("主窗口"));
        QCOMPARE(destroyed, QStringList{"主窗口"});
    }

    void modalLoadReturnsWhenTheFormIsGone() {
        QVERIFY(rt::loadForm("主窗口"));
        bool sawModal = false;
        QTimer::singleShot(20, [&] {
            sawModal = rt::isLoaded("查询") && rt::form("查询").isModal() &&
                       rt::qt::window(rt::form("查询"))->windowModality() == Qt::ApplicationModal;
            rt::qt::window(rt::form("查询"))->close();
        });
        QVERIFY(rt::loadForm("查询", nullptr, true));
        QVERIFY(sawModal);
        QVERIFY(!rt::isLoaded("查询"));
        QVERIFY(rt::isLoaded("主窗口"));
    }

    void eventLoopEndsWithTheLastWindow() {
        QVERIFY(rt::loadForm("主窗口"));
        QVERIFY(rt::loadForm("查询"));
        QTimer::singleShot(20, [] { rt::form("查询").destroy(); });
        QTimer::singleShot(60, [] {
            QVERIFY(rt::isLoaded("主窗口"));
            rt::form("主窗口").setVisible(false); // a hidden window still keeps the program alive
        });
        QTimer::singleShot(100, [] { rt::form("主窗口").destroy(); });
        QCOMPARE(rt::runEventLoop(), 0);
        QCOMPARE(rt::loadedFormCount(), 0);
        QVERIFY(!rt::eventLoopRunning());
        // Without a window the loop does not even start.
        QCOMPARE(rt::runEventLoop(), 0);
    }

    void programRunsUntilTheSplashIsClosed() {
        static rt::ProgramValue<Text> lastPassword;
        lastPassword.set("secret");
        QTimer::singleShot(30, [] {
            QVERIFY(rt::isLoaded("工作时间记录工具"));
            rt::qt::window(rt::form("工作时间记录工具"))->close();
        });
        QCOMPARE(rt::runProgram("工作时间记录工具"), 0);
        QVERIFY(!lastPassword.isSet()); // released by the exit clean-up
    }

    void closeRequestedDuringStartupEndsTheProgram() {
        // The start-up routine requests the splash's close before the load returns.
        rt::registerHandler("工作时间记录工具.created", [](rt::Event& e) { e.form.destroy(); });
        QCOMPARE(rt::runProgram("工作时间记录工具"), 0);
        QCOMPARE(rt::loadedFormCount(), 0);
    }

    void firstFormThatCannotBeCreated() {
        rt::ScriptedMessageBoxes boxes;
        try {
            rt::runProgram("不存在的窗口");
            QFAIL("the program went on");
        } catch (const rt::ProgramEnded& end) {
            QCOMPARE(end.code, -1);
        }
        QCOMPARE(boxes.calls().size(), size_t(1));
        QCOMPARE(boxes.calls()[0].text, Text("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
        QCOMPARE(boxes.calls()[0].caption, Text("错误"));
        QCOMPARE(boxes.calls()[0].icon(), rt::MessageBoxIcon::Error);
        rt::runExitCleanup();
    }

    void addressingWhatIsNotLoadedEndsTheProgram() {
        rt::ScriptedMessageBoxes boxes;
        auto expectEnd = [&](const std::function<void()>& f) {
            boxes.clear();
            try {
                f();
                return false;
            } catch (const rt::ProgramEnded& end) {
                return end.code == -1 && boxes.calls().size() == 1 &&
                       boxes.calls()[0].text ==
                           Text("运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n") &&
                       boxes.calls()[0].caption == Text("错误");
            }
        };
        QVERIFY(expectEnd([] { rt::form("列表查看"); }));
        QVERIFY(expectEnd([] { rt::form("没有"); }));
        QVERIFY(rt::loadForm("主窗口"));
        rt::Form& main = rt::form("主窗口");
        rt::Control& name = main.control("姓名编辑框");
        QVERIFY(expectEnd([&] { main.control("没有"); }));
        QVERIFY(expectEnd([&] { main.menuItem("没有"); }));
        QVERIFY(expectEnd([&] { main.listView("姓名编辑框"); }));
        main.destroy();
        QCoreApplication::processEvents();
        // The objects stay valid, but every use of them ends the program.
        QVERIFY(expectEnd([&] { name.text(); }));
        QVERIFY(expectEnd([&] { main.caption(); }));
        QVERIFY(expectEnd([&] { main.handle(); }));
        QVERIFY(expectEnd([&] { name.setFocus(); }));
        QVERIFY(expectEnd([&] { main.recordSet("记录集1"); }));
        main.destroy(); // destroying a form that is gone does nothing

        boxes.clear();
        try {
            rt::runtimeError("坏了", 42);
        } catch (const rt::ProgramEnded&) {
        }
        QCOMPARE(boxes.calls()[0].text, Text("运行时出错!\r\n\r\n错误代码：42\r\n\r\n错误信息：坏了\r\n"));
        boxes.clear();
        try {
            rt::runtimeError("");
        } catch (const rt::ProgramEnded&) {
        }
        QCOMPARE(boxes.calls()[0].text, Text("运行时出错!\r\n\r\n"));
    }

    void messageBoxContract() {
        rt::ScriptedMessageBoxes boxes;
        boxes.answer(rt::MbCancel);
        QCOMPARE(rt::messageBox("数据库文件不存在，需要恢复请确认！", 49, "数据库不存在"), 1);
        QCOMPARE(rt::messageBox("数据库恢复成功!默认用户名密码为：tamsu"), 0); // unscripted: OK
        QVERIFY(rt::loadForm("用户登录"));
        QCOMPARE(rt::messageBox("请输入用户名", 0x30, "错误", &rt::form("用户登录")), 0);
        QCOMPARE(rt::messageBox(rt::toText(12.5), 64), 0);
        QCOMPARE(boxes.calls().size(), size_t(4));
        const rt::MessageBoxCall& a = boxes.calls()[0];
        QCOMPARE(a.text, Text("数据库文件不存在，需要恢复请确认！"));
        QCOMPARE(a.caption, Text("数据库不存在"));
        QCOMPARE(a.icon(), rt::MessageBoxIcon::Warning);
        QCOMPARE(a.buttons(), int(rt::MbOkCancel));
        QVERIFY(a.style & rt::MbTaskModal); // no owner: task-modal
        QCOMPARE(a.owner, nullptr);
        QCOMPARE(boxes.calls()[1].caption, Text("信息："));
        QCOMPARE(boxes.calls()[1].icon(), rt::MessageBoxIcon::None);
        QCOMPARE(boxes.calls()[2].owner, &rt::form("用户登录"));
        QVERIFY(!(boxes.calls()[2].style & rt::MbTaskModal));
        QCOMPARE(boxes.calls()[3].text, Text("12.5"));
        QCOMPARE(boxes.calls()[3].icon(), rt::MessageBoxIcon::Information);
        boxes.answer(rt::MbNo);
        QCOMPARE(rt::messageBox("?", rt::MbYesNo | rt::MbIconQuestion), int(rt::MbNo));
        QCOMPARE(rt::messageBox("?", rt::MbYesNo), int(rt::MbYes));
    }

    // Return on "数据库文件不存在…" closes that box on the press, so its release goes unseen, and
    // "数据库恢复成功…" comes up. A second Return soon after answers it, whether its own release
    // is seen or lost again; a Return held down (repeated as presses alone) answers it never.
    void aQuickSecondReturnAnswersTheNextBoxAHeldOneDoesNot() {
        enum Second { PressAndRelease, PressOnly, Held };
        for (const Second second : {PressAndRelease, PressOnly, Held}) {
            const char* first = "数据库文件不存在，需要恢复请确认！";
            auto send = [](QEvent::Type type, quint64 time) {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QWidget* to = box && box->focusWidget() ? box->focusWidget() : box;
                if (!to)
                    return;
                QKeyEvent e(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                e.setTimestamp(time);
                QSpontaneKeyEvent::setSpontaneous(&e);
                qApp->notify(to, &e); // spontaneous, as from the window system
            };
            // The user, every 10 ms: Return on the first box; on the second one 300 ms later,
            // or held from 500 ms on. A box still up after 1.5 s is the test's to close.
            bool firstPressed = false, secondPressed = false, stayed = false;
            quint64 repeatAt = 5500;
            QElapsedTimer secondUp;
            QTimer user;
            QObject::connect(&user, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                if (box->text() == QString::fromUtf8(first)) {
                    if (!std::exchange(firstPressed, true))
                        send(QEvent::KeyPress, 5000); // its release is never seen
                    return;
                }
                if (!secondUp.isValid())
                    secondUp.start();
                if (secondUp.elapsed() > 1500) {
                    stayed = true;
                    box->button(QMessageBox::Ok)->click();
                } else if (second == Held) {
                    send(QEvent::KeyPress, repeatAt);
                    repeatAt += 40;
                } else if (!std::exchange(secondPressed, true)) {
                    send(QEvent::KeyPress, 5300);
                    if (second == PressAndRelease)
                        send(QEvent::KeyRelease, 5380);
                }
            });
            user.start(10);
            QCOMPARE(rt::messageBox(first, 49, "数据库不存在"), int(rt::MbOk));
            rt::messageBox("数据库恢复成功!默认用户名密码为：tamsu");
            user.stop();
            QVERIFY(firstPressed);
            QVERIFY2(stayed == (second == Held), second == Held ? "held" : "pressed again");
        }
    }

    void realMessageBoxAnswers() {
        QStringList texts;
        answerNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, &texts);
        QCOMPARE(rt::messageBox("Esc", 49), int(rt::MbCancel));
        QCOMPARE(texts, (QStringList{"确定", "取消"})); // the standard buttons speak Chinese
        answerNextBox([](QMessageBox* box) { box->close(); });
        QCOMPARE(rt::messageBox("close box", 49), int(rt::MbCancel));
        answerNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QCOMPARE(rt::messageBox("Enter", 49), int(rt::MbOk));
        answerNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(rt::messageBox("OK only", 16), int(rt::MbOk));
        QString caption, text;
        bool modal = false;
        answerNextBox([&](QMessageBox* box) {
            caption = box->windowTitle();
            text = box->text();
            modal = box->windowModality() == Qt::ApplicationModal;
            box->button(QMessageBox::Ok)->click();
        });
        rt::messageBox("第一行\r\n第二行", 64);
        QCOMPARE(caption, QStringLiteral("信息："));
        QCOMPARE(text, QStringLiteral("第一行\n第二行"));
        QVERIFY(modal);
        // Owned by a window: modal to that window.
        QVERIFY(rt::loadForm("用户登录"));
        QWidget* parent = nullptr;
        answerNextBox([&](QMessageBox* box) {
            parent = box->parentWidget();
            modal = box->windowModality() == Qt::WindowModal;
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(rt::messageBox("请输入用户名", 0x30, "错误", &rt::form("用户登录")), 0);
        QCOMPARE(parent, rt::qt::window(rt::form("用户登录")));
        QVERIFY(modal);
    }

    // A box is wide enough for its caption in a window manager's title bar (buttons and icon
    // included); an owned box stands centred on its owner and breaks its text between words only,
    // so a file path stays on one line.
    void messageBoxesFitCaptionAndStandOnTheirOwner() {
        QFont titleFont = QApplication::font();
        titleFont.setPixelSize(13);
        titleFont.setBold(true);
        int width = 0;
        answerNextBox([&](QMessageBox* box) {
            width = box->width();
            box->button(QMessageBox::Ok)->click();
        });
        rt::messageBox("程序已经运行！", 0, "程序已运行");
        QVERIFY(width >= QFontMetrics(titleFont).horizontalAdvance(QStringLiteral("程序已运行")) + 100);

        QVERIFY(rt::loadForm("用户登录"));
        rt::Form& owner = rt::form("用户登录");
        owner.move(250, 300);
        const QString path = QStringLiteral("/var/lib/ledrimo/工作/记录/db");
        QRect box;
        QStringList lines;
        QString copied;
        answerNextBox([&](QMessageBox* b) {
            box = b->frameGeometry();
            auto* label = b->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QTextLayout layout(label->text(), label->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->contentsRect().width());
                lines << label->text().mid(line.textStart(), line.textLength()).remove(QChar(0x2060));
            }
            layout.endLayout();
            label->setSelection(0, int(label->text().size()));
            QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            b->button(QMessageBox::Ok)->click();
        });
        rt::messageBox("操作错误：无法打开数据库文件：文件不存在，或者没有读写它的权限（文件 " +
                           rt::Text(path) + "）",
                       rt::MbIconError, "错误：", &owner);
        const QPoint centre = rt::qt::window(owner)->frameGeometry().center();
        QVERIFY2(std::abs(box.center().x() - centre.x()) <= 3, qPrintable(QString::number(box.center().x())));
        QVERIFY2(std::abs(box.center().y() - centre.y()) <= 3, qPrintable(QString::number(box.center().y())));
        QVERIFY2(std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(path); }),
                 qPrintable(lines.join(QLatin1Char('|'))));
        // The text selected and copied gives the path as it is, without the characters that keep it on one
        // line.
        QVERIFY2(copied.contains(QStringLiteral("（文件 ") + path + QStringLiteral("）")),
                 qPrintable(copied));
        owner.destroy();
        QCoreApplication::processEvents();
    }

    void windowGeometryIsTheOuterWindow() {
        QVERIFY(rt::loadForm("主窗口"));
        rt::Form& f = rt::form("主窗口");
        const QMargins frame(rt::qt::window(f)->geometry().left() - f.left(), rt::qt::window(f)->geometry().top() - f.top(),
                             f.left() + f.width() - rt::qt::window(f)->geometry().right() - 1,
                             f.top() + f.height() - rt::qt::window(f)->geometry().bottom() - 1);
        QCOMPARE(f.width() - frame.left() - frame.right(), rt::qt::window(f)->width());
        f.move(100, 120);
        QCOMPARE(QPoint(f.left(), f.top()), QPoint(100, 120));
        QCOMPARE(QSize(f.width(), f.height()), QSize(609, 488));
        f.move(rt::kKeep, rt::kKeep, 300, -1);
        QCOMPARE(QSize(f.width(), f.height()), QSize(300, 488));
        QCOMPARE(f.left(), 100);
        f.setWidth(609);
        f.setHeight(0);
        QCOMPARE(f.height(), frame.top() + frame.bottom());
        f.setHeight(488);
        // The client area lies below the menu bar.
        QVERIFY(f.clientHeight() < rt::qt::window(f)->height());
        QCOMPARE(f.clientWidth(), rt::qt::window(f)->width());
        QCOMPARE(rt::qt::point(f.clientOrigin()),
                 rt::qt::window(f)->mapToGlobal(QPoint(0, rt::qt::window(f)->height() - f.clientHeight())));
        // Position 1 centres the window on the screen.
        f.setPosition(1);
        QCOMPARE(f.left(), (rt::screenWidth() - 609) / 2);
        QCOMPARE(f.top(), (rt::screenHeight() - 488) / 2);
        QCOMPARE(f.position(), 1);
        f.setTransparency(128);
        QCOMPARE(f.transparency(), 128);
        f.setTransparency(300);
        QCOMPARE(f.transparency(), 255);
        QVERIFY(f.handle() != 0);
        // Controls move relative to their parent; an unchanged rectangle is left alone.
        rt::Control& name = f.control("姓名编辑框");
        name.move(5, rt::kKeep, 80);
        QCOMPARE(QRect(name.left(), name.top(), name.width(), name.height()), QRect(5, 9, 80, 20));
        name.move(rt::kKeep, rt::kKeep, -1, -1);
        QCOMPARE(name.width(), 80);
    }

    void delayProcessesEvents() {
        int ticks = 0;
        QTimer t;
        QObject::connect(&t, &QTimer::timeout, [&] { ++ticks; });
        t.start(5);
        QElapsedTimer clock;
        clock.start();
        rt::delay(60);
        QVERIFY(clock.elapsed() >= 60);
        QVERIFY(ticks >= 3);
        clock.restart();
        rt::delay(0);
        rt::delay(-5);
        QVERIFY(clock.elapsed() < 50);
        // A posted destroy is carried out inside a delay.
        QVERIFY(rt::loadForm("查询"));
        rt::form("查询").destroy();
        rt::delay(1);
        QVERIFY(!rt::isLoaded("查询"));
    }

    void damagedDescriptionsAreRefused() {
        struct Case {
            const char* json;
            const char* reason;
        } cases[] = {
            {"not json", "not JSON"},
            {"[1]", "JSON object"},
            {R"({"form": "坏", "width": 10})", "missing \"height\""},
            {R"({"form": "坏", "width": 10, "height": 10, "colour": 1})", "unknown property \"colour\""},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "按钮"}]})",
             "unknown kind"},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "编辑框", "left": 1,
                "top": 1, "width": 1, "height": 1, "parent": "b"}]})",
             "parent"},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "编辑框", "left": 1,
                "top": 1, "width": 1, "height": 1, "inputMode": "hex"}]})",
             "inputMode"},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "时钟",
                "events": {"clicked": "x"}}]})",
             "no event \"clicked\""},
            {R"({"form": "坏", "width": 10, "height": 10, "menu": [{"level": 1, "caption": "x"}]})",
             "level-0"},
            {R"({"form": "坏", "width": 10, "height": 10, "menu": [{"level": 0, "caption": "m"},
                {"level": 1, "caption": "x", "shortcut": "Alt+X"}]})",
             "unknown shortcut"},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "透明标签", "left": 1,
                "top": 1, "width": 1, "height": 1, "textColor": [1, 2, 300]}]})",
             "textColor"},
            {R"({"form": "坏", "width": 10, "height": 10, "enterButton": "a", "controls": [{"name": "a",
                "kind": "透明标签", "left": 1, "top": 1, "width": 1, "height": 1}]})",
             "no super button"},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "图表", "left": 1,
                "top": 1, "width": 1, "height": 1, "series": [{"title": "工作日"}]}]})",
             "missing \"color\""},
            {R"({"form": "坏", "width": 10, "height": 10, "controls": [{"name": "a", "kind": "日期框", "left": 1,
                "top": 1, "width": 1, "height": 1, "display": "week"}]})",
             "display"},
        };
        for (const Case& c : cases) {
            const QString error = rt::addFormDescription(c.json).toQString();
            QVERIFY2(error.contains(QString::fromUtf8(c.reason)), qPrintable(error));
        }
        QVERIFY(!rt::qt::strings(rt::formNames()).contains(QStringLiteral("坏")));
        // A sound description loads; one that is loaded cannot be replaced.
        const rt::Bytes good = R"({"form": "好", "width": 120, "height": 60, "border": "none",
            "controls": [{"name": "框", "kind": "图片框", "left": 0, "top": 0, "width": 50, "height": 50},
                         {"name": "字", "kind": "透明标签", "parent": "框", "left": 2, "top": 2, "width": 40,
                          "height": 16, "caption": "里面"}]})";
        QCOMPARE(rt::addFormDescription(good), Text());
        QVERIFY(rt::loadForm("好"));
        QCOMPARE(rt::form("好").control("字").text(), Text("里面"));
        QVERIFY(!rt::addFormDescription(good).empty());
    }

    // The chart kind: bars given by a handler, where each stands, the same picture on any painter,
    // a double click raising doubleClicked with the bar; a month box; a click on a list row.
    void chartMonthBoxAndListClick() {
        const rt::Bytes json = R"({"form": "图", "width": 420, "height": 320, "border": "none", "controls": [
            {"name": "图表1", "kind": "图表", "left": 0, "top": 0, "width": 400, "height": 200, "unit": "小时",
             "font": {"family": "黑体", "size": 12}, "series": [{"title": "甲", "color": [0, 0, 255]},
             {"title": "乙", "color": [255, 0, 0], "shade": true}], "markTitle": "缺", "lineTitle": "标准",
             "events": {"doubleClicked": "图.图表1.doubleClicked"}},
            {"name": "月", "kind": "日期框", "left": 0, "top": 204, "width": 100, "height": 22, "display": "month",
             "value": 46296},
            {"name": "表", "kind": "超级列表框", "left": 110, "top": 204, "width": 200, "height": 90,
             "columns": [{"title": "日", "width": 100}], "events": {"clicked": "图.表.clicked"}}]})";
        QCOMPARE(rt::addFormDescription(json), Text());
        std::vector<int> doubleClicked, clicked;
        rt::registerHandler("图.图表1.doubleClicked", [&](rt::Event& e) { doubleClicked.push_back(e.row); });
        rt::registerHandler("图.表.clicked", [&](rt::Event& e) { clicked.push_back(e.row); });
        QVERIFY(rt::loadForm("图"));
        rt::Form& f = rt::form("图");
        rt::Chart& chart = f.chart("图表1");
        const auto barRect = [&](int i) {
            const rt::Rect r = chart.barRect(i);
            return QRect(r.left, r.top, r.width, r.height);
        };
        const auto barAt = [&](QPoint p) { return chart.barAt({p.x(), p.y()}); };
        QCOMPARE(chart.barCount(), 0);
        QCOMPARE(barAt(QPoint(200, 100)), -1);
        chart.setBars({{8, 0, "1", "第一天", false}, {-3, 1, "2", "", true}, {12, 5, "3", "", false}});
        chart.setReferenceLine(8, "标准 8");
        QCOMPARE(chart.barCount(), 3);
        QCOMPARE(chart.bar(1).value, 0.0); // below 0 counts as 0
        QVERIFY(chart.bar(1).marked);
        QCOMPARE(chart.bar(0).tooltip, Text("第一天"));
        QCOMPARE(chart.bar(7).label, Text());
        QCOMPARE(chart.referenceValue(), 8.0);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(barAt(barRect(i).center()), i);
        QVERIFY(barRect(0).right() < barRect(1).left() + 1);
        QVERIFY(barRect(3).isEmpty());

        // Drawn onto an image: the first bar blue, the second column tinted red, the third (an
        // unknown series) blue as the first series.
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setFont(rt::qt::font(chart.font()));
            rt::QtPainter painter(p);
            chart.render(painter, {4, 4, 392, 192});
        }
        auto bottomOf = [&](int bar) {
            return QPoint(barRect(bar).center().x(), barRect(bar).bottom() - 3);
        };
        QCOMPARE(image.pixelColor(bottomOf(0)), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(bottomOf(2)), QColor(0, 0, 255));
        const QColor tint = image.pixelColor(bottomOf(1));
        QVERIFY(tint.red() == 255 && tint.green() < 255 && tint.green() > 200);
        QCOMPARE(rt::qt::widget(chart)->grab().toImage().pixelColor(bottomOf(0)), QColor(0, 0, 255));

        // Values of any size get a scale of at most six steps, and are drawn.
        for (double huge : {7e12, 3e250}) {
            chart.setBars({{huge, 0, "1", "", false}});
            chart.setReferenceLine(std::numeric_limits<double>::max(), "标准");
            QPainter p(&image);
            rt::QtPainter painter(p);
            chart.render(painter, {4, 4, 392, 192});
            QCOMPARE(barAt(barRect(0).center()), 0);
        }
        chart.setBars({{8, 0, "1", "第一天", false}, {-3, 1, "2", "", true}, {12, 5, "3", "", false}});
        chart.setReferenceLine(8, "标准 8");

        QTest::mouseDClick(rt::qt::widget(chart), Qt::LeftButton, {}, barRect(2).center());
        QTest::mouseDClick(rt::qt::widget(chart), Qt::LeftButton, {}, QPoint(2, 2)); // on no bar
        QCOMPARE(doubleClicked, std::vector<int>{2});

        rt::DateBox& month = f.dateBox("月");
        QCOMPARE(month.value(), 46296.0);
        QCOMPARE(qobject_cast<QDateEdit*>(rt::qt::widget(month))->text(), QStringLiteral("2026年10月"));

        rt::ListView& list = f.listView("表");
        list.addItem("一");
        list.addItem("二");
        auto* view = static_cast<QAbstractItemView*>(rt::qt::widget(list));
        for (int row : {1, 1, 0})
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(row, 0)).center());
        QCOMPARE(clicked, (std::vector<int>{1, 1, 0})); // every click, also on the current row
    }

    void programValuesHoldOnlyTheirLastValue() {
        static rt::ProgramValue<Counted> value;
        static rt::ProgramValue<rt::Bytes> key;
        for (int i = 0; i < 1000; ++i)
            value.set(Counted(i));
        QCOMPARE(value.get().value, 999);
        QCOMPARE(Counted::alive, 1);
        key.set(rt::Bytes("\0\1\2", 3));
        QCOMPARE(key.get().size(), size_t(3));
        rt::releaseProgramValues();
        QCOMPARE(Counted::alive, 0);
        QVERIFY(!value.isSet());
        QVERIFY(key.get().empty());
    }
};

QTEST_MAIN(LifecycleTest)
#include "lifecycle_test.moc"
