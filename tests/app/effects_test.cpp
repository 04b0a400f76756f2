// The window effects played on real windows (offscreen, an 800 x 800 screen): where they leave the
// window, what happens to a window that goes in the middle of one, and the pictures they use.
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/handlers.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/carried.h"
#include "runtime/qt/widgets.h"
#include "runtime/testing.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Frameless test windows of a given size.
void describe(const char* name, int width, int height) {
    const QString json = QStringLiteral(R"({"form": "%1", "caption": "%1", "left": 50, "top": 50,
        "width": %2, "height": %3, "border": "none", "icon": false, "position": 0, "events": {},
        "controls": [], "menu": []})")
                             .arg(QString::fromUtf8(name))
                             .arg(width)
                             .arg(height);
    const QString error = rt::addFormDescription(json.toUtf8().toStdString()).toQString();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void unloadAll() {
    for (const rt::Text& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Calls `probe` at every pass of event processing while it lives.
class Sampler {
public:
    explicit Sampler(std::function<void()> probe) {
        QObject::connect(&timer_, &QTimer::timeout, probe);
        timer_.start(0);
    }

private:
    QTimer timer_;
};

// Runs `f` and gives the exit code it ended the program with, or -100 if it returned.
int endedWith(const std::function<void()>& f) {
    try {
        f();
    } catch (const rt::ProgramEnded& e) {
        return e.code;
    }
    return -100;
}

} // namespace

class EffectsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        rt::initRuntime();
        app::installProgramResources();
        rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
        describe("宽窗口", 300, 152);
        describe("高窗口", 100, 180);
        QCOMPARE(rt::screenWidth(), 800);
        QCOMPARE(rt::screenHeight(), 800);
    }
    void cleanup() { unloadAll(); }

    void openingEffectGrowsCentredToTheDesignedSize() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        f.setVisible(false);
        QList<QSize> seen;
        {
            Sampler s([&] { seen << QSize(f.width(), f.height()); });
            app::openingEffect(f, 15, 6);
        }
        QVERIFY(f.visible());
        QCOMPARE(f.width(), 300);
        QCOMPARE(f.height(), 152);
        QCOMPARE(f.left(), (800 - 300) / 2);
        QCOMPARE(f.top(), (800 - 152) / 2);
        // It was seen on the way: narrower than designed, with a height of 0 at first.
        QVERIFY(!seen.isEmpty());
        QVERIFY(seen.front().width() < 300);
        QCOMPARE(seen.front().height(), 0);
    }

    void everyModeEndsAtExactlyTheDesignedSize_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("mode");
        for (int mode = 0; mode <= 7; ++mode) {
            QTest::addRow("wide, mode %d", mode) << QStringLiteral("宽窗口") << 7 << mode;
            QTest::addRow("tall, mode %d", mode) << QStringLiteral("高窗口") << 13 << mode;
        }
        QTest::addRow("step 0") << QStringLiteral("宽窗口") << 0 << 6;
        QTest::addRow("step 150") << QStringLiteral("高窗口") << 150 << 1;
    }
    void everyModeEndsAtExactlyTheDesignedSize() {
        QFETCH(QString, form);
        QFETCH(int, step);
        QFETCH(int, mode);
        QVERIFY(rt::loadForm(form));
        rt::Form& f = rt::form(form);
        const QSize designed(f.width(), f.height());
        app::openingEffect(f, step, mode);
        QVERIFY(f.visible());
        QCOMPARE(QSize(f.width(), f.height()), designed);
    }

    void windowGoneDuringOpeningEffectEndsTheProgram() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        rt::singleShot(0, [&] { rt::testing::requestClose(f); }); // the user closes it; no handler keeps it
        QCOMPARE(endedWith([&] { app::openingEffect(f, 1, 6); }), 0);
        QVERIFY(!f.isLoaded());
    }

    void fadeInEndsOpaque() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        f.setVisible(false);
        QList<int> levels;
        {
            Sampler s([&] {
                if (levels.isEmpty() || levels.back() != f.transparency())
                    levels << f.transparency();
            });
            QVERIFY(app::fade(f, 3));
        }
        QVERIFY(f.visible());
        QCOMPARE(f.transparency(), 255);
        QVERIFY(levels.size() > 2);
        QVERIFY(std::is_sorted(levels.begin(), levels.end()));
        QVERIFY(levels.front() <= 11);
        QVERIFY(rt::isLoaded("宽窗口"));
    }

    void fadeOutEndsTheWindow() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        QList<int> levels;
        {
            Sampler s([&] {
                if (f.isLoaded() && (levels.isEmpty() || levels.back() != f.transparency()))
                    levels << f.transparency();
            });
            QVERIFY(app::fade(f, 3, true));
        }
        QVERIFY(std::is_sorted(levels.rbegin(), levels.rend()));
        QVERIFY(levels.back() <= 15);
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded("宽窗口"));
    }

    void windowGoneDuringFadeInEndsTheProgram() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        QTimer::singleShot(20, [&] { f.destroy(); });
        QCOMPARE(endedWith([&] { app::fade(f, 3); }), 0);
    }

    // A fade out that finds its window gone has nothing left to do.
    void windowGoneDuringFadeOutIsQuiet() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        QTimer::singleShot(20, [&] { f.destroy(); });
        QCOMPARE(endedWith([&] { QVERIFY(app::fade(f, 3, true)); }), -100);
        QVERIFY(!f.isLoaded());
    }

    void slideOutInEachDirectionEndsTheWindow_data() {
        QTest::addColumn<int>("direction");
        for (int d = 0; d <= 4; ++d)
            QTest::addRow("direction %d", d) << d;
    }
    void slideOutInEachDirectionEndsTheWindow() {
        QFETCH(int, direction);
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        f.setPosition(1);
        const QRect before(f.left(), f.top(), f.width(), f.height());
        app::closingEffect(f, 20, direction);
        QVERIFY(f.isLoaded()); // the close is carried out after the running handler
        const QRect after(f.left(), f.top(), f.width(), f.height());
        QCOMPARE(after.size(), before.size());
        QVERIFY(after.topLeft() != before.topLeft());
        QVERIFY(after.left() == before.left() || after.top() == before.top()); // one coordinate only
        switch (direction) {
        case 1:
            QCOMPARE(after.left(), 790); // 250 + 20 k, the last one not past the screen's 800
            break;
        case 2:
            QCOMPARE(after.bottom() + 1, 16); // top -136: all but 16 rows above the screen
            break;
        case 3:
            QCOMPARE(after.left(), -290);
            break;
        case 4:
            QCOMPARE(after.top(), 784);
            break;
        default:
            break;
        }
        QCoreApplication::processEvents();
        QVERIFY(!f.isLoaded());
    }

    void slideInComesToThePlaceAndStays() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        f.setPosition(1); // 250, 324
        f.setVisible(false);
        app::closingEffect(f, 25, 3, true); // from the left: -300 to 250 by 25
        QVERIFY(f.visible());
        QCOMPARE(f.left(), 250);
        QCOMPARE(f.top(), 324);
        QCoreApplication::processEvents();
        QVERIFY(f.isLoaded());
        app::closingEffect(f, 4, 4, true); // from the bottom
        QCOMPARE(f.top(), 324);
        QVERIFY(f.isLoaded());
    }

    void windowGoneDuringSlideInEndsTheProgram() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        QTimer::singleShot(10, [&] { f.destroy(); });
        QCOMPARE(endedWith([&] { app::closingEffect(f, 1, 1, true); }), 0);
    }

    void windowGoneCheck() {
        QVERIFY(rt::loadForm("宽窗口"));
        rt::Form& f = rt::form("宽窗口");
        QCOMPARE(endedWith([&] { app::windowGoneCheck(f); }), -100);
        f.destroy();
        QCoreApplication::processEvents();
        QCOMPARE(endedWith([&] { app::windowGoneCheck(f); }), 0);
    }

    void pictures() {
        QVERIFY(app::sharedBackground().size() == (rt::Size{612, 228}));
        QVERIFY(app::loginPicture().size() == (rt::Size{299, 151}));
        QVERIFY(app::buttonPicture(0).size() == (rt::Size{69, 24}));
        QVERIFY(app::buttonPicture(1).size() == (rt::Size{69, 24}));
        QVERIFY(app::buttonPicture(2).size() == (rt::Size{70, 25}));
        QVERIFY(app::buttonPicture(3).isNull());
        QVERIFY(app::buttonPicture(0) != app::buttonPicture(1));
        // JPEG data reaches libjpeg (which gives 24-bit pixels; Qt's own reader would give 32).
        const rt::Bytes bytes(runtime::carriedFile(runtime::pictures::kLogin));
        QVERIFY(!bytes.empty());
        const QImage decoded = rt::qt::imageFromBytes(bytes);
        QCOMPARE(decoded.format(), QImage::Format_RGB888);
        QCOMPARE(decoded, rt::qt::image(app::loginPicture()));
        // The program icon carries its three sizes.
        const QList<QSize> sizes = rt::qt::icon(rt::programIcon()).availableSizes();
        for (int s : {16, 32, 48})
            QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(QString::number(s)));
    }

    void buttonSkinGivesTheThreePicturesInOrder() {
        QVERIFY(rt::loadForm("用户登录"));
        rt::Form& f = rt::form("用户登录");
        rt::SuperButton& ok = f.button("登录");
        rt::SuperButton& leave = f.button("取消");
        QVERIFY(ok.picture(rt::SuperButton::Normal).isNull());
        app::buttonSkin({&ok, &leave});
        for (rt::SuperButton* b : {&ok, &leave}) {
            QCOMPARE(b->picture(rt::SuperButton::Normal), app::buttonPicture(0));
            QCOMPARE(b->picture(rt::SuperButton::Hover), app::buttonPicture(1));
            QCOMPARE(b->picture(rt::SuperButton::Disabled), app::buttonPicture(2));
        }
        app::buttonSkin({});
    }
};

QTEST_MAIN(EffectsTest)
#include "effects_test.moc"
