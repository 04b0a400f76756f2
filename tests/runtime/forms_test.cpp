// The six forms as the loader builds them from their descriptions: controls, geometry, initial
// states, fonts, menus, shortcuts, tab order, and the behaviour of the control kinds.
#include "runtime/qt/access.h"
#include "runtime/runtime.h"
#include "test_support.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QtTest>

#include <set>

using rt::Text;

namespace {

struct Expected {
    const char* name;
    const char* kind;
    int left, top, width, height; // -1: an invisible control
    const char* caption;          // nullptr: not checked
    bool visible = true;
    bool disabled = false;
};

// The forms as the program's windows are described, written out independently of the JSON files.
const std::vector<Expected> kSplash = {
    {"外形框2", "外形框", 0, 149, 328, 1, nullptr},
    {"外形框1", "外形框", 0, 131, 328, 1, nullptr},
    {"透明标签3", "透明标签", 236, 154, 88, 16, "ledrimo@example.org", true, true},
    {"透明标签2", "透明标签", 18, 56, 182, 40, "Ledrimo 出品"},
    {"透明标签1", "透明标签", 184, 129, 136, 24, "正在启动,请稍后..."},
};

const std::vector<Expected> kLogin = {
    {"数据库连接", "数据库连接", -1, -1, -1, -1, nullptr},
    {"记录集", "记录集", -1, -1, -1, -1, nullptr},
    {"取消", "超级按钮", 216, 91, 69, 24, "退  出"},
    {"登录", "超级按钮", 216, 45, 69, 24, "登  录"},
    {"用户框", "编辑框", 89, 45, 99, 23, ""},
    {"口令框", "编辑框", 89, 91, 100, 23, ""},
    {"标签1", "透明标签", 16, 24, 56, 16, nullptr},
};

const std::vector<Expected> kMain = {
    {"姓名标签", "透明标签", 10, 11, 80, 16, "姓名："},
    {"姓名编辑框", "编辑框", 79, 9, 64, 20, ""},
    {"公司名称标签", "透明标签", 150, 11, 57, 16, "公司名称："},
    {"公司名称编辑框", "编辑框", 218, 9, 176, 20, ""},
    {"入厂时间标签", "透明标签", 404, 11, 68, 16, "入厂时间："},
    {"入厂时间编辑框", "日期框", 484, 9, 108, 20, nullptr},
    {"公司地址标签1", "透明标签", 8, 33, 80, 16, "公司地址："},
    {"公司地址编辑框", "编辑框", 79, 33, 513, 20, ""},
    {"外形框1", "外形框", -8, 60, 612, 2, nullptr},
    {"列表", "超级按钮", 4, 74, 69, 24, "打开列表", true, true},
    {"透明标签4", "透明标签", 91, 70, 64, 32, "工作序号："},
    {"序号标签", "透明标签", 150, 78, 56, 16, "GZ-0000"},
    {"透明标签3", "透明标签", 208, 78, 64, 16, "工作日期："},
    {"年编辑框", "日期框", 283, 76, 110, 20, nullptr},
    {"透明标签1", "透明标签", 277, 74, 120, 24, ""},
    {"上班时间标签", "透明标签", 402, 78, 190, 16, "上班时间： 共    小时 注:填整数"},
    {"上班时间编辑框", "编辑框", 481, 76, 22, 20, ""},
    {"工作备注标签", "透明标签", 13, 112, 80, 16, "工作备注："},
    {"工作备注编辑框", "编辑框", 15, 136, 576, 240, ""},
    {"提示信息", "透明标签", 4, 333, 76, 26, ""},
    {"最后修改", "透明标签", 391, 348, 206, 16, ""},
    {"透明标签2", "透明标签", 480, 6, 120, 23, ""},
    {"外形框2", "外形框", -8, 378, 612, 2, nullptr},
    {"到最前", "超级按钮", 5, 385, 69, 24, "到最前", true, true},
    {"上一条按钮", "超级按钮", 83, 385, 69, 24, "上一条", true, true},
    {"下一条按钮", "超级按钮", 161, 385, 69, 24, "下一条", true, true},
    {"到最后", "超级按钮", 241, 385, 69, 24, "到最后", true, true},
    {"添加按钮", "超级按钮", 360, 385, 69, 24, "添加", false, false},
    {"修改按钮", "超级按钮", 440, 385, 69, 24, "修改", true, true},
    {"删除按钮", "超级按钮", 520, 385, 69, 24, "删除", true, true},
    {"状态条1", "状态条", -5, 415, 620, 20, nullptr},
    {"时钟1", "时钟", -1, -1, -1, -1, nullptr},
    {"托盘图标1", "托盘图标", -1, -1, -1, -1, nullptr},
    {"数据库连接1", "数据库连接", -1, -1, -1, -1, nullptr},
    {"记录集1", "记录集", -1, -1, -1, -1, nullptr},
    {"记录集2", "记录集", -1, -1, -1, -1, nullptr},
    {"超级菜单1", "超级菜单", -1, -1, -1, -1, nullptr},
};

const std::vector<Expected> kList = {
    {"图片框1", "图片框", 0, 0, 600, 20, nullptr},
    {"列表窗口标题", "透明标签", 15, 2, 265, 19, "列表查看 -- "},
    {"图形按钮1", "图形按钮", 575, 3, 16, 16, nullptr},
    {"图片框3", "图片框", 0, 1, 5, 430, nullptr},
    {"图片框4", "图片框", 594, 1, 5, 430, nullptr},
    {"图片框5", "图片框", 5, 425, 589, 5, nullptr},
    {"姓名标签", "透明标签", 19, 41, 80, 16, "姓名："},
    {"姓名1", "透明标签", 52, 37, 80, 24, "工作者"},
    {"公司名称标签", "透明标签", 142, 29, 57, 16, "公司名称："},
    {"公司名称编辑框", "编辑框", 203, 26, 176, 20, "公司的名称"},
    {"公司地址标签", "透明标签", 142, 54, 80, 16, "公司地址："},
    {"公司地址编辑框", "编辑框", 203, 53, 387, 20, "公司的地址"},
    {"入厂时间标签", "透明标签", 394, 27, 80, 16, "入厂时间："},
    {"入厂时间1", "透明标签", 459, 24, 96, 24, "进入公司的时间"},
    {"超级列表框1", "超级列表框", 9, 80, 581, 345, nullptr},
    {"超级菜单1", "超级菜单", -1, -1, -1, -1, nullptr},
};

const std::vector<Expected> kAccount = {
    {"用户名", "透明标签", 32, 16, 64, 20, "用户名："}, {"用户名编辑框", "编辑框", 105, 16, 104, 20, ""},
    {"透明标签1", "透明标签", 224, 16, 24, 20, "*"},    {"密码", "透明标签", 32, 56, 64, 20, "密码："},
    {"密码编辑框", "编辑框", 105, 56, 104, 20, ""},     {"透明标签2", "透明标签", 224, 56, 24, 20, "*"},
    {"确认", "超级按钮", 50, 92, 69, 24, "确 认"},      {"取消", "超级按钮", 184, 92, 69, 24, "取 消"},
};

const std::vector<Expected> kQuery = {
    {"日期框1", "日期框", 21, 24, 112, 24, nullptr},
    {"超级按钮1", "超级按钮", 192, 24, 69, 24, "查  询"},
    {"透明标签1", "透明标签", 20, 64, 248, 16, "以日期为查询条件进行查看所查日期内容"},
};

using testing_support::unloadAll;
using testing_support::unregisterAll;

rt::Form& loaded(const QString& name) {
    if (!rt::loadForm(name))
        qFatal("form %s does not load", qPrintable(name));
    return rt::form(name);
}

bool usesCjkFont(const QFont& f) {
    QFontInfo info(f);
    return QFontMetrics(f).inFont(QChar(0x4E2D)) && info.family().contains(QLatin1String("CJK"));
}

} // namespace

class FormsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        rt::initRuntime();
        rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    }
    void cleanup() {
        unregisterAll();
        unloadAll();
    }

    void descriptionsOfAllSevenFormsLoad() {
        QStringList names = rt::qt::strings(rt::formNames());
        names.sort();
        QStringList expected{"主窗口", "列表查看", "用户密码设置", "用户登录", "工作时间记录工具", "查询", "统计报表"};
        expected.sort();
        QCOMPARE(names, expected);
    }

    void controlsGeometryAndInitialStates_data() {
        QTest::addColumn<QString>("formName");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("table");
        QTest::newRow("splash") << "工作时间记录工具" << 328 << 176 << "工作时间记录工具" << 0;
        QTest::newRow("login") << "用户登录" << 300 << 152 << "用户登录" << 1;
        QTest::newRow("main") << "主窗口" << 609 << 488 << "主窗口" << 2;
        QTest::newRow("list") << "列表查看" << 599 << 430 << "列表查看" << 3;
        QTest::newRow("account") << "用户密码设置" << 301 << 155 << "用户密码设置" << 4;
        QTest::newRow("query") << "查询" << 290 << 129 << "查询" << 5;
    }
    void controlsGeometryAndInitialStates() {
        QFETCH(QString, formName);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, caption);
        QFETCH(int, table);
        const std::vector<Expected>* tables[] = {&kSplash, &kLogin, &kMain, &kList, &kAccount, &kQuery};
        const std::vector<Expected>& expected = *tables[table];

        rt::Form& f = loaded(formName);
        QCOMPARE(f.caption(), Text(caption));
        QCOMPARE(f.left(), 50);
        QCOMPARE(f.top(), 50);
        QCOMPARE(f.width(), width);
        QCOMPARE(f.height(), height);
        QVERIFY(f.visible());

        std::vector<rt::Control*> controls = f.controls();
        QCOMPARE(controls.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = expected[i];
            rt::Control& c = *controls[i];
            const QByteArray where = QByteArray(e.name);
            QVERIFY2(c.name() == QString::fromUtf8(e.name), where);
            QVERIFY2(rt::kindName(c.kind()) == QString::fromUtf8(e.kind), where);
            QVERIFY2(&f.control(e.name) == &c, where);
            if (e.left != -1 && c.kind() == rt::Kind::StatusBar) {
                // A status bar lies along the bottom edge of the client area, whatever its place.
                QVERIFY2(QRect(c.left(), c.top(), c.width(), c.height()) ==
                             QRect(0, f.clientHeight() - e.height, f.clientWidth(), e.height),
                         where);
            } else if (e.left != -1) {
                QVERIFY2(rt::qt::widget(c), where);
                QVERIFY2(QRect(c.left(), c.top(), c.width(), c.height()) ==
                             QRect(e.left, e.top, e.width, e.height),
                         where);
            } else {
                QVERIFY2(!rt::qt::widget(c), where);
            }
            if (e.caption)
                QVERIFY2(c.text() == Text(e.caption), where + " text " + c.text().toUtf8().c_str());
            QVERIFY2(c.visible() == e.visible, where);
            QVERIFY2(c.disabled() == e.disabled, where);
        }
        // A control listed later lies above an earlier one.
        QWidget* previous = nullptr;
        for (rt::Control* c : controls) {
            QWidget* w = rt::qt::widget(*c);
            if (!w || (previous && previous->parentWidget() != w->parentWidget())) {
                previous = w ? w : previous;
                continue;
            }
            if (previous) {
                const QObjectList& siblings = w->parentWidget()->children();
                QVERIFY(siblings.indexOf(previous) < siblings.indexOf(w));
            }
            previous = w;
        }
    }

    void containersHoldTheirChildren() {
        rt::Form& f = loaded("列表查看");
        QCOMPARE(rt::qt::widget(f.control("列表窗口标题"))->parentWidget(), rt::qt::widget(f.control("图片框1")));
        QCOMPARE(rt::qt::widget(f.control("图形按钮1"))->parentWidget(), rt::qt::widget(f.control("图片框1")));
        QCOMPARE(rt::qt::widget(f.control("姓名1"))->parentWidget(), rt::qt::clientArea(f));
        QCOMPARE(rt::qt::widget(f.control("图形按钮1"))->mapTo(rt::qt::clientArea(f), QPoint(0, 0)), QPoint(575, 3));
    }

    void fontsAndColours() {
        rt::Form& splash = loaded("工作时间记录工具");
        QFont credit = rt::qt::font(splash.control("透明标签2").font());
        QCOMPARE(credit.family(), QStringLiteral("楷体_GB2312"));
        QCOMPARE(credit.pixelSize(), 29);
        QVERIFY(credit.bold());
        QVERIFY2(usesCjkFont(credit), qPrintable(QFontInfo(credit).family()));
        QFont starting = rt::qt::font(splash.control("透明标签1").font());
        QCOMPARE(starting.family(), QStringLiteral("宋体"));
        QCOMPARE(starting.pixelSize(), 12);
        QVERIFY(starting.bold());
        QVERIFY2(usesCjkFont(starting), qPrintable(QFontInfo(starting).family()));

        rt::Form& login = loaded("用户登录");
        QFont user = rt::qt::font(login.control("用户框").font());
        QCOMPARE(user.family(), QStringLiteral("方正静蕾简体"));
        QCOMPARE(user.pixelSize(), 21);
        QVERIFY(user.bold());
        QVERIFY(usesCjkFont(user));
        QWidget* userBox = rt::qt::widget(login.control("用户框"));
        QCOMPARE(userBox->palette().color(QPalette::Text), QColor(144, 0, 255));
        QCOMPARE(userBox->palette().color(QPalette::Base), QColor(236, 236, 236));
        QFont password = rt::qt::font(login.control("口令框").font());
        QCOMPARE(password.family(), QStringLiteral("Times New Roman"));
        QCOMPARE(password.pixelSize(), 16);
        QCOMPARE(rt::qt::widget(login.control("口令框"))->palette().color(QPalette::Text), QColor(0, 0, 255));

        rt::Form& main = loaded("主窗口");
        QFont notes = rt::qt::font(main.control("工作备注标签").font());
        QCOMPARE(notes.pixelSize(), 14);
        QVERIFY(notes.bold());
        QCOMPARE(main.control("提示信息").font().size, 14);
        QCOMPARE(main.control("姓名标签").font().size, 12);
        QCOMPARE(rt::qt::widget(main.control("列表"))->toolTip(), QStringLiteral("以列表形式查看记录"));

        rt::Form& account = loaded("用户密码设置");
        QCOMPARE(account.control("确认").font().size, 14);
        QVERIFY(account.control("确认").font().bold);
    }

    void mainMenuAtStart() {
        rt::Form& f = loaded("主窗口");
        QCOMPARE(rt::qt::strings(f.menuBarTitles()), (QStringList{"&F.菜单", "&R.记录", "&H.帮助"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("F.菜单")), (QStringList{"打开数据库\tF5", "-", "关闭\tCtrl+F4"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("R.记录")), (QStringList{"上一条", "下一条", "查询\tCtrl+F", "统计报表\tCtrl+T"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("H.帮助")), (QStringList{"-", "关于\tF1", "更新说明"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("托盘菜单")), (QStringList{"隐藏"}));
        QVERIFY(!f.menuItem("托盘菜单").visible());
        QVERIFY(!f.menuItem("显示").visible());
        QCOMPARE(f.menuItem("打开数据库").shortcut(), QStringLiteral("F5"));
        QCOMPARE(f.menuItem("上一条").shortcut(), QString());
        // The menu styling control gives the menus their font.
        QCOMPARE(rt::qt::action(f.menuItem("F.菜单"))->menu()->font().family(), QStringLiteral("宋体"));
    }

    void listMenuIsPopupOnly() {
        rt::Form& f = loaded("列表查看");
        QVERIFY(rt::qt::strings(f.menuBarTitles()).isEmpty());
        QCOMPARE(rt::qt::strings(f.menuEntries("右键菜单")), (QStringList{"查看详细", "刷新", "删除所选\tDel"}));
        // No menu bar takes room from the client area.
        QCOMPARE(rt::qt::clientArea(f)->geometry(), QRect(0, 0, 599, 430));
    }

    void menuChangesShowAtOnce() {
        rt::Form& f = loaded("主窗口");
        f.menuItem("打开数据库").setCaption("断开数据库连接");
        QCOMPARE(rt::qt::strings(f.menuEntries("F.菜单")).first(), QStringLiteral("断开数据库连接\tF5"));
        QCOMPARE(f.menuItem("打开数据库").caption(), Text("断开数据库连接"));
        f.menuItem("用户密码设置").setVisible(true);
        QCOMPARE(rt::qt::strings(f.menuEntries("H.帮助")), (QStringList{"用户密码设置", "-", "关于\tF1", "更新说明"}));
        f.menuItem("查询").setDisabled(true);
        QVERIFY(!rt::qt::action(f.menuItem("查询"))->isEnabled());
        f.menuItem("R.记录").setVisible(false);
        QCOMPARE(rt::qt::strings(f.menuBarTitles()), (QStringList{"&F.菜单", "&H.帮助"}));
        f.menuItem("R.记录").setVisible(true);
        QCOMPARE(rt::qt::strings(f.menuBarTitles()), (QStringList{"&F.菜单", "&R.记录", "&H.帮助"}));
        f.menuItem("关于").setChecked(true);
        QVERIFY(rt::qt::action(f.menuItem("关于"))->isChecked());
        // Loading again starts from the description.
        f.destroy();
        unloadAll();
        rt::Form& again = loaded("主窗口");
        QCOMPARE(rt::qt::strings(again.menuEntries("F.菜单")).first(), QStringLiteral("打开数据库\tF5"));
        QVERIFY(!again.menuItem("用户密码设置").visible());
    }

    void shortcutsChooseTheirItems() {
        std::map<QString, int> chosen;
        for (const char* item : {"打开数据库", "关闭", "查询", "关于", "加入新记录"})
            rt::registerHandler(QStringLiteral("主窗口.%1.chosen").arg(QString::fromUtf8(item)),
                                [&chosen, item](rt::Event& e) {
                                    QCOMPARE(e.menuItem->name(), QString::fromUtf8(item));
                                    ++chosen[QString::fromUtf8(item)];
                                });
        rt::Form& f = loaded("主窗口");
        QWidget* w = rt::qt::window(f);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        f.control("姓名编辑框").setFocus(); // also from a focused child
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
        QTest::keyClick(target, Qt::Key_F5);
        QTest::keyClick(target, Qt::Key_F4, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_F1);
        QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier); // its item is hidden
        QCOMPARE(chosen["打开数据库"], 1);
        QCOMPARE(chosen["关闭"], 1);
        QCOMPARE(chosen["查询"], 1);
        QCOMPARE(chosen["关于"], 1);
        QCOMPARE(chosen["加入新记录"], 0);
        // A disabled item cannot be chosen; a hidden one that becomes visible can.
        f.menuItem("查询").setDisabled(true);
        f.menuItem("加入新记录").setVisible(true);
        QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(chosen["查询"], 1);
        QCOMPARE(chosen["加入新记录"], 1);
        // Choosing from code follows the same rules.
        QVERIFY(!f.menuItem("查询").choose());
        QVERIFY(f.menuItem("关于").choose());
        QCOMPARE(chosen["关于"], 2);
    }

    void loginTabOrder() {
        rt::Form& f = loaded("用户登录");
        QWidget* w = rt::qt::window(f);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        const char* order[] = {"用户框", "口令框", "登录", "取消", "用户框"};
        f.control(order[0]).setFocus();
        QCOMPARE(QApplication::focusWidget(), rt::qt::widget(f.control(order[0])));
        for (int i = 1; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == rt::qt::widget(f.control(order[i])), order[i]);
        }
    }

    void integerEditBoxOnFocusOut() {
        rt::Form& f = loaded("主窗口");
        QWidget* w = rt::qt::window(f);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        rt::Control& hours = f.control("上班时间编辑框");
        auto* edit = qobject_cast<QLineEdit*>(rt::qt::widget(hours));
        QVERIFY(edit);
        // Of the printable characters only digits and "-" can be typed.
        hours.setFocus();
        QTest::keyClicks(edit, "1a-b2 x");
        QCOMPARE(edit->text(), QStringLiteral("1-2"));
        f.control("姓名编辑框").setFocus();
        QCOMPARE(hours.text(), Text("1"));
        struct Case {
            const char* typed;
            const char* shown;
        } cases[] = {{"0012", "12"},
                     {"-0", ""},
                     {"0", ""},
                     {"-", ""},
                     {"-17", "-17"},
                     {"99999999999", "2147483647"},
                     {"-99999999999", "-2147483648"},
                     {"", ""}};
        for (const Case& c : cases) {
            hours.setFocus();
            edit->setText(QString::fromUtf8(c.typed));
            f.control("姓名编辑框").setFocus();
            QVERIFY2(hours.text() == Text(c.shown), c.typed);
        }
        // Setting the text from code leaves it as it is until the box loses the focus.
        hours.setText("0");
        QCOMPARE(hours.text(), Text("0"));
    }

    void passwordMaskAndLimits() {
        rt::Form& login = loaded("用户登录");
        auto* pw = qobject_cast<QLineEdit*>(rt::qt::widget(login.control("口令框")));
        QCOMPARE(pw->echoMode(), QLineEdit::Password);
        login.control("口令框").setText("abc");
        QCOMPARE(pw->displayText(), QStringLiteral("***"));
        QCOMPARE(login.control("口令框").text(), Text("abc"));

        rt::Form& account = loaded("用户密码设置");
        QCOMPARE(account.editBox("用户名编辑框").maxLength(), 10);
        QCOMPARE(account.editBox("密码编辑框").maxLength(), 0);
        auto* name = qobject_cast<QLineEdit*>(rt::qt::widget(account.control("用户名编辑框")));
        name->setFocus();
        name->clear();
        QTest::keyClicks(name, "abcdefghijklmn");
        QCOMPARE(account.control("用户名编辑框").text(), Text("abcdefghij"));
        QCOMPARE(qobject_cast<QLineEdit*>(rt::qt::widget(account.control("密码编辑框")))->echoMode(),
                 QLineEdit::Password);
    }

    void multiLineNotes() {
        rt::Form& f = loaded("主窗口");
        rt::EditBox& notes = f.editBox("工作备注编辑框");
        QVERIFY(notes.isMultiLine());
        auto* e = qobject_cast<QPlainTextEdit*>(rt::qt::widget(notes));
        QCOMPARE(e->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        notes.setText("第一行\r\n第二行");
        QCOMPARE(e->blockCount(), 2);
        QCOMPARE(notes.text(), Text("第一行\r\n第二行"));
    }

    void textsGoIntoWidgetsLosslessly() {
        rt::Form& f = loaded("主窗口");
        const Text odd(QStringLiteral("𠀀😀€中"));
        f.control("姓名编辑框").setText(odd);
        QCOMPARE(f.control("姓名编辑框").text(), odd);
        QCOMPARE(qobject_cast<QLineEdit*>(rt::qt::widget(f.control("姓名编辑框")))->text(),
                 QStringLiteral("𠀀😀€中"));
        f.control("序号标签").setCaption("GZ-00001");
        QCOMPARE(f.control("序号标签").caption(), Text("GZ-00001"));
        f.setCaption("Ledrimo  V1.2 access版");
        QCOMPARE(rt::qt::window(f)->windowTitle(), QStringLiteral("Ledrimo  V1.2 access版"));
    }

    void statusBarPanes() {
        rt::Form& f = loaded("主窗口");
        rt::StatusBar& bar = f.statusBar("状态条1");
        QCOMPARE(bar.paneCount(), 4);
        QCOMPARE(bar.paneText(0), Text("数据库状态： 未连接"));
        QCOMPARE(bar.paneText(1), Text());
        bar.setPaneText(2, "系统时间：09:05:03");
        QCOMPARE(bar.paneText(2), Text("系统时间：09:05:03"));
        bar.setPaneText(4, "nothing");
        bar.setPaneText(-1, "nothing");
        QCOMPARE(bar.paneText(4), Text());
    }

    void dateBoxes() {
        rt::Form& q = loaded("查询");
        int changes = 0;
        rt::registerHandler("查询.日期框1.valueChanged", [&] { ++changes; });
        rt::DateBox& box = q.dateBox("日期框1");
        QCOMPARE(box.value(), rt::datePart(rt::now())); // today when nothing else is given
        box.setValue(rt::makeDate(2010, 7, 20, 9, 30, 0));
        QCOMPARE(changes, 0); // only the user's changes raise the event
        QCOMPARE(box.value(), rt::makeDate(2010, 7, 20, 9, 30, 0));
        QCOMPARE(box.text(), Text("2010年7月20日9时30分"));
        auto* edit = qobject_cast<QDateEdit*>(rt::qt::widget(box));
        QCOMPARE(edit->date(), QDate(2010, 7, 20));
        edit->setDate(QDate(2010, 7, 14)); // as the calendar does
        QCOMPARE(changes, 1);
        QCOMPARE(box.value(), rt::makeDate(2010, 7, 14));
        box.setValue(0);
        QCOMPARE(edit->date(), QDate(1899, 12, 30));
    }

    void buttonsClickOnlyWhenEnabled() {
        rt::Form& f = loaded("主窗口");
        int clicks = 0;
        rt::registerHandler("主窗口.到最前.clicked", [&](rt::Event& e) {
            QCOMPARE(e.control->name(), QStringLiteral("到最前"));
            ++clicks;
        });
        QWidget* b = rt::qt::widget(f.control("到最前"));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicks, 0);
        f.control("到最前").setEnabled(true);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(clicks, 2);
        // Pictures of a super button, set at run time.
        QImage normal(69, 24, QImage::Format_RGB32);
        normal.fill(Qt::red);
        f.button("到最前").setPictures(rt::qt::picture(normal), rt::qt::picture(normal), rt::Picture());
        QCOMPARE(rt::qt::image(f.button("到最前").picture(rt::SuperButton::Normal)).pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(f.button("到最前").picture(rt::SuperButton::Disabled).isNull());
    }

    void listView() {
        rt::Form& f = loaded("列表查看");
        rt::ListView& list = f.listView("超级列表框1");
        auto* view = qobject_cast<QTreeView*>(rt::qt::widget(list));
        QCOMPARE(list.columnCount(), 6);
        const char* titles[] = {"id", "序号", "姓名", "上班日期", "上班时间", "工作备注"};
        const int widths[] = {30, 65, 80, 100, 70, 70};
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(titles[c]));
            QCOMPARE(view->header()->sectionSize(c), widths[c]);
            const auto align =
                Qt::Alignment(view->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
            QCOMPARE(bool(align & Qt::AlignHCenter), c == 3);
        }

        std::vector<std::pair<QString, int>> events;
        for (const char* ev : {"currentRowChanged", "rightClicked", "doubleClicked"})
            rt::registerHandler(QStringLiteral("列表查看.超级列表框1.%1").arg(QLatin1String(ev)),
                                [&events](rt::Event& e) {
                                    events.push_back({e.name.toQString(), e.row});
                                });

        QCOMPARE(list.count(), 0);
        QCOMPARE(list.selectedIndex(), -1);
        for (int n = 1; n <= 3; ++n) {
            int row = list.addItem(rt::toText(n));
            QCOMPARE(row, n - 1);
            list.setItemText(row, 1, Text("GZ-0000") + rt::toText(n));
            list.setItemText(row, 3, rt::dateText(rt::makeDate(2010, 7, 13 + n)));
        }
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.itemText(1), Text("2"));
        QCOMPARE(list.itemText(1, 1), Text("GZ-00002"));
        QCOMPARE(list.itemText(0, 3), Text("2010年7月14日"));
        QCOMPARE(list.itemText(3), Text());
        QCOMPARE(list.itemText(0, 6), Text());
        QCOMPARE(list.itemText(-1), Text());
        list.setItemText(5, 0, "ignored");
        QCOMPARE(list.count(), 3);

        list.setSelectedIndex(1);
        QCOMPARE(list.selectedIndex(), 1);
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(events.back(), std::make_pair(QStringLiteral("currentRowChanged"), 1));
        list.setSelectedIndex(1); // the same row again: no event
        QCOMPARE(events.size(), size_t(1));

        rt::qt::window(f)->show();
        const QRect r = view->visualRect(view->model()->index(2, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(list.selectedIndex(), 2);
        QCOMPARE(events.back(), std::make_pair(QStringLiteral("doubleClicked"), 2));
        QContextMenuEvent menu(QContextMenuEvent::Mouse, r.center(),
                               view->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(view->viewport(), &menu);
        QCOMPARE(events.back(), std::make_pair(QStringLiteral("rightClicked"), 2));

        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.selectedIndex(), -1);
    }

    void listViewTakesManyRows() {
        rt::Form& f = loaded("列表查看");
        rt::ListView& list = f.listView("超级列表框1");
        {
            rt::ListView::Batch batch(list);
            for (int n = 1; n <= 100000; ++n) {
                int row = list.addItem(rt::toText(n));
                list.setItemText(row, 1, "GZ-00001");
                list.setItemText(row, 5, "备注");
            }
        }
        QCOMPARE(list.count(), 100000);
        QCOMPARE(list.itemText(99999), Text("100000"));
        QCOMPARE(list.itemText(99999, 5), Text("备注"));
        list.setSelectedIndex(99999);
        QCOMPARE(list.selectedIndex(), 99999);

        // Lazily: rows come from the provider when they are first needed.
        std::set<int> asked;
        list.setLazyRows(100000, [&asked](int row, std::vector<Text>& cells) {
            asked.insert(row);
            cells = {rt::toText(row + 1), "GZ", "名"};
        });
        QCOMPARE(list.count(), 100000);
        QCOMPARE(list.itemText(41999, 0), Text("42000"));
        QVERIFY(asked.count(41999));
        QVERIFY(asked.size() < 1000);
        list.setItemText(5, 4, "8");
        QCOMPARE(list.itemText(5, 0), Text("6"));
        QCOMPARE(list.itemText(5, 4), Text("8"));
        int row = list.addItem("100001");
        QCOMPARE(row, 100000);
        QCOMPARE(list.itemText(100000), Text("100001"));
        list.clear();
        QCOMPARE(list.count(), 0);
    }

    void timerTicks() {
        int ticks = 0;
        rt::registerHandler("主窗口.时钟1.tick", [&] { ++ticks; });
        rt::Form& f = loaded("主窗口");
        QCOMPARE(f.timer("时钟1").interval(), 999);
        f.timer("时钟1").setInterval(10);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
        f.timer("时钟1").setInterval(0);
        QCOMPARE(f.timer("时钟1").interval(), 0);
    }

    void trayIconWithoutNotificationArea() {
        rt::Form& f = loaded("主窗口");
        rt::TrayIcon& tray = f.trayIcon("托盘图标1");
        QCOMPARE(tray.tooltip(), Text("工作时间记录工具"));
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::blue);
        tray.setIcon(rt::qt::picture(icon));
        QVERIFY(!tray.isShown()); // no system tray here: no icon and no error
    }

    void popupMenusChooseThroughTheHook() {
        rt::Form& f = loaded("列表查看");
        int refreshed = 0;
        rt::registerHandler("列表查看.刷新.chosen", [&] { ++refreshed; });
        QPoint shownAt;
        QString shownMenu;
        rt::Form* shownFor = nullptr;
        rt::PopupMenuHook previous =
            rt::setPopupMenuHook([&](rt::Form& form, const rt::Text& menu, rt::Point pos) {
                shownFor = &form;
                shownMenu = menu.toQString();
                shownAt = rt::qt::point(pos);
                return QStringLiteral("刷新");
            });
        f.popupMenu("右键菜单");
        QCOMPARE(refreshed, 1);
        QCOMPARE(shownFor, &f);
        QCOMPARE(shownMenu, QStringLiteral("右键菜单"));
        QCOMPARE(shownAt, QCursor::pos() + QPoint(3, 3));
        rt::Form& main = loaded("主窗口");
        main.popupTrayMenu("托盘菜单"); // 刷新 is no item of it: nothing runs
        QCOMPARE(shownMenu, QStringLiteral("托盘菜单"));
        QCOMPARE(shownAt, QCursor::pos() - QPoint(5, 5));
        QCOMPARE(refreshed, 1);
        rt::setPopupMenuHook(previous);
    }

    void findControlsByPrefixKindAndTag() {
        rt::Form& f = loaded("主窗口");
        QStringList edits;
        for (rt::Control* c : f.findControls("", "编辑框", 0, 0))
            edits << c->name().toQString();
        QCOMPARE(edits, (QStringList{"姓名编辑框", "公司名称编辑框", "公司地址编辑框", "上班时间编辑框",
                                     "工作备注编辑框"}));
        QCOMPARE(f.findControls("姓名", "", 0, 0).size(), size_t(2));
        QCOMPARE(f.findControls("", "", -100, 100).size(), f.controls().size());
        f.control("姓名编辑框").setTag("7");
        QCOMPARE(f.findControls("", "编辑框", 0, 0).size(), size_t(4));
        QCOMPARE(f.findControls("", "编辑框", 5, 9).front()->name(), QStringLiteral("姓名编辑框"));
    }

    void dataAccessControlsBelongToTheirForm() {
        rt::Form& f = loaded("主窗口");
        rt::RecordSet& browse = f.recordSet("记录集1");
        QVERIFY(&browse != &f.recordSet("记录集2"));
        QCOMPARE(browse.Open("data", 0), false);
        rt::CommonConnection& c = f.connection("数据库连接1");
        c.ConnectAccess("C:\\app\\db", "");
        QCOMPARE(c.connectionText(), Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=C:\\app\\db"));
        c.ConnectAccess("db", "pw");
        QCOMPARE(c.connectionText(),
                 Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=db;Jet OLEDB:Database Password=pw;"));
        rt::Form& login = loaded("用户登录");
        QVERIFY(&login.connection("数据库连接") != &c);
        rt::ScriptedMessageBoxes boxes;
        QVERIFY_THROWS_EXCEPTION(rt::ProgramEnded, f.recordSet("数据库连接1")); // wrong kind
        QCOMPARE(boxes.calls().size(), size_t(1));
    }

    void backgroundAndIconFromBytes() {
        rt::Form& f = loaded("工作时间记录工具");
        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(QColor(10, 20, 30));
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        f.setBackground(rt::Bytes(png.constData(), size_t(png.size())));
        QImage shot = rt::qt::clientArea(f)->grab().toImage();
        QCOMPARE(shot.pixelColor(5, 5), QColor(10, 20, 30)); // tiled over the client area
        f.setIcon(rt::Bytes(png.constData(), size_t(png.size())));
        QVERIFY(!rt::qt::window(f)->windowIcon().isNull());
        f.setBackground(rt::Bytes("no picture"));
        QVERIFY(!rt::qt::clientArea(f)->grab().toImage().isNull());
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
