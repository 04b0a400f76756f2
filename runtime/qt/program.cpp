// The program's event loop, timers and start-up on Qt.
#include "runtime/backend.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/program.h"
#include "runtime/qt/conversions.h"
#include "runtime/qt/widgets.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <algorithm>

namespace rt {

namespace {

// Font names of Windows Chinese systems, mapped to the fonts a Debian machine has. The first
// installed family of each list is used. 宋体 draws ASCII at half the width of a Chinese character,
// and the forms count on it (blanks that make room for an edit box, text laid out in columns), so
// it maps to the monospaced Noto CJK face, which keeps those widths.
void substituteFonts() {
    const QStringList families = QFontDatabase::families();
    auto present = [&](const QStringList& wanted) {
        QStringList out;
        for (const QString& f : wanted)
            if (families.contains(f, Qt::CaseInsensitive))
                out << f;
        return out;
    };
    const QStringList song =
        present({"Noto Sans Mono CJK SC", "AR PL UMing CN", "Noto Serif CJK SC", "WenQuanYi Zen Hei"});
    const QStringList kai =
        present({"AR PL UKai CN", "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Zen Hei"});
    const QStringList sans = present({"Noto Sans CJK SC", "WenQuanYi Zen Hei", "Noto Serif CJK SC"});
    const QStringList roman = present({"Liberation Serif", "DejaVu Serif", "Noto Serif CJK SC"});
    const QStringList arial = present({"Liberation Sans", "DejaVu Sans", "Noto Sans CJK SC"});
    for (const char* f : {"宋体", "SimSun", "新宋体", "NSimSun", "宋体-18030", "MS Song"})
        QFont::insertSubstitutions(QString::fromUtf8(f), song);
    for (const char* f : {"楷体_GB2312", "楷体", "KaiTi", "KaiTi_GB2312", "华文楷体", "STKaiti"})
        QFont::insertSubstitutions(QString::fromUtf8(f), kai);
    for (const char* f : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei", "方正静蕾简体", "幼圆"})
        QFont::insertSubstitutions(QString::fromUtf8(f), sans);
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), roman);
    for (const char* f : {"Arial", "Tahoma", "MS Sans Serif"})
        QFont::insertSubstitutions(QString::fromUtf8(f), arial);
}

} // namespace

void initRuntime() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    app->setQuitOnLastWindowClosed(false); // the program ends when its last form is destroyed
    detail::watchHeldKeys();
    QDir::setCurrent(nativePath(programDirectory()));
    substituteFonts();
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    formNames(); // reads the form descriptions
}

int runEventLoop() {
    if (loadedFormCount() == 0)
        return 0;
    detail::loopRunning() = true;
    QApplication::exec();
    detail::loopRunning() = false;
    // Windows taken down at the very end are still waiting for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

namespace {
std::vector<std::function<void()>>& finalRoutines() {
    static std::vector<std::function<void()>> routines;
    return routines;
}
} // namespace

void postToMainThread(std::function<void()> fn) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void singleShot(int ms, std::function<void()> fn) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QTimer::singleShot(std::max(ms, 0), app, std::move(fn));
}

void addFinalRoutine(std::function<void()> fn) {
    if (finalRoutines().empty())
        qAddPostRoutine([] {
            auto fns = std::move(finalRoutines());
            finalRoutines().clear();
            for (auto it = fns.rbegin(); it != fns.rend(); ++it)
                (*it)();
        });
    finalRoutines().push_back(std::move(fn));
}

} // namespace rt
