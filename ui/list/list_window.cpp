// The list window: dressing, the lazy fill, the detail area, the context menu, opening an entry in
// the main window, deleting, and closing.
#include "ui/list/list_window.h"

#include "app/effects.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "runtime/picture.h"
#include "runtime/program.h"
#include "store/entry_statements.h"
#include "ui/main/main_window.h"
#include "ui/main/parts.h"

#include <memory>

namespace ui {

namespace {

const char* const kListForm = "列表查看";
const char* const kMainForm = "主窗口";
const char* const kList = "超级列表框1";

rt::Picture picture(const char* resourcePath) {
    return rt::Picture::carried(resourcePath);
}

// The selected row, -1 for none.
int selectedRow(rt::Form& f) {
    return f.listView(kList).selectedIndex();
}

// The number in column 0 of the selected row; 0 when no row is selected or its text is empty.
int selectedNumber(rt::Form& f) {
    const int row = selectedRow(f);
    if (row < 0)
        return 0;
    return int(rt::toNumber(f.listView(kList).itemText(row, 0)));
}

// The identifier in column 序号 of the selected row.
rt::Text selectedIdentifier(rt::Form& f) {
    const int row = selectedRow(f);
    return row < 0 ? rt::Text() : f.listView(kList).itemText(row, 1);
}

// Whether the main window's database is connected.
bool connected() {
    return rt::form(kMainForm).connection("数据库连接1").isOpen();
}

// Notes on one line: each line break shows as a mark, so that every row of the list keeps the
// height of one line. The main window shows the notes in full.
rt::Text oneLine(const rt::Text& notes) {
    // CR and LF are never part of a double-byte character, so the bytes can be walked one by one.
    static const std::string mark = rt::Text("↵").bytes();
    const std::string& in = notes.bytes();
    if (in.find_first_of("\r\n") == std::string::npos)
        return notes;
    std::string out;
    out.reserve(in.size() + 8);
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' || in[i] == '\n') {
            out += mark;
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
        } else {
            out += in[i];
        }
    }
    return rt::Text::fromBytes(out);
}

// The main window is in Adding while its 删除按钮 reads "取消".
// The entry of a row is gone: say so, and show the list as the table is now.
void entryGone(rt::Form& f) {
    rt::messageBox(kListEntryGone, rt::MbIconInformation, "信息：", &f);
    if (f.isLoaded())
        fillList(f);
}

// The texts of one row of the list from the record at `row` of the snapshot: the row number, the
// identifier, the name, the working date as date text, the hours in decimal and the notes. A record
// deleted since the snapshot was taken gives the row number alone; acting on such a row finds its
// entry gone.
void rowTexts(rt::RecordSet& snapshot, int row, std::vector<rt::Text>& cells) {
    cells.assign(6, rt::Text());
    cells[0] = rt::toText(row + 1);
    rt::Text id;
    if (!snapshot.Move(row) || !snapshot.ReadString("id", id))
        return;
    cells[1] = id;
    snapshot.ReadString("姓名", cells[2]);
    double workDay = 0;
    snapshot.ReadDateTime("上班日期", workDay);
    cells[3] = rt::dateText(workDay);
    int hours = 0;
    if (!snapshot.ReadLong("上班时间", hours))
        hours = 0;
    cells[4] = rt::toText(hours);
    rt::Text notes;
    snapshot.ReadString("工作备注", notes);
    cells[5] = oneLine(notes);
}

// After a deletion from the list both record sets of the main window were opened afresh. The main
// window goes on showing the entry it showed, now with its browsing set standing on it; when that
// entry was the one deleted, it shows the entry that took its place (or the new last one). Left
// alone while the main window is in Adding: its add or cancel shows an entry of its own.
void reshowMain(rt::Form& main, const rt::Text& shownId, int shownPos, int deletedPos) {
    if (isAdding(main))
        return;
    rt::RecordSet& browsing = main.recordSet("记录集1");
    const int count = browsing.RecordsCount();
    if (count > 0) {
        const int expected = shownPos > deletedPos ? shownPos - 1 : shownPos;
        if (shownId.empty() || shownPos < 0 || !positionOnEntry(browsing, expected + 1, shownId))
            browsing.Move(std::min(std::max(deletedPos, 0), count - 1));
    }
    showEntry();
}

} // namespace

const char* const kListEntryGone = "该条记录已不存在，列表已刷新。";

rt::Text listWindowTitle() {
    return rt::Text("列表查看 -- Ledrimo V1.2 access版");
}

bool positionOnEntry(rt::RecordSet& set, int n, const rt::Text& id) {
    if (id.empty() || !set.isOpen())
        return false;
    rt::Text found;
    if (n >= 1 && set.Move(n - 1) && set.ReadString("id", found) && found == id)
        return true;
    // Not where the row says: the table changed since the list was filled. Look through it.
    // Text comparison ignores case, so a match is taken only when it is the identifier exactly.
    const rt::Text criteria = "id='" + store::quoted(id) + "'";
    for (bool on = set.MoveFirst() && set.Find(criteria, 1); on; on = set.MoveNext() && set.Find(criteria, 1))
        if (set.ReadString("id", found) && found == id)
            return true;
    return false;
}

void listCreated(rt::Form& f) {
    rt::Control& title = f.control("列表窗口标题");
    title.setCaption(title.caption() + "Ledrimo V1.2 access版");
    f.setBackground(app::sharedBackground());
    f.setIcon(rt::programIcon());

    namespace p = runtime::pictures;
    f.pictureBox("图片框1").setPicture(picture(p::kListTitle));
    f.pictureBox("图片框3").setPicture(picture(p::kListEdgeLeft));
    f.pictureBox("图片框4").setPicture(picture(p::kListEdgeRight));
    f.pictureBox("图片框5").setPicture(picture(p::kListEdgeBottom));
    rt::GraphicButton& close = f.graphicButton("图形按钮1");
    close.setPicture(rt::GraphicButton::Normal, picture(p::kListClose));
    close.setPicture(rt::GraphicButton::Hover, picture(p::kListCloseActive));
    close.setPicture(rt::GraphicButton::Pressed, picture(p::kListCloseActive));

    // The context menu is never on a menu bar, so its Del key is given to the window itself.
    f.menuItem("删除所选").keepShortcutInWindow();

    rt::Form& main = rt::form(kMainForm);
    main.recordSet("记录集2").SetConnection(main.connection("数据库连接1"));
    fillList(f);
    // The keyboard starts in the list, on its first row.
    rt::ListView& list = f.listView(kList);
    list.setFocus();
    if (list.count() > 0)
        list.setSelectedIndex(0);
    app::fade(f, 3);
}

bool listCloseRequested(rt::Form& f) {
    app::closingEffect(f, 25, 2);
    return false; // the effect has taken the window down
}

void listCloseClicked(rt::Form& f) {
    app::closingEffect(f, 25, 2);
}

void fillList(rt::Form& f) {
    rt::ListView& list = f.listView(kList);
    rt::Form& main = rt::form(kMainForm);
    if (!connected()) {
        list.clear();
        f.control("姓名1").setCaption("");
        f.control("公司名称编辑框").setText("");
        f.control("公司地址编辑框").setText("");
        f.control("入厂时间1").setCaption("");
        return;
    }

    // The list's own snapshot of the table, kept by the list for as long as it shows these rows:
    // rows are read from it when the list first shows them.
    auto snapshot = std::make_shared<rt::RecordSet>();
    snapshot->SetConnection(main.connection("数据库连接1"));
    const bool opened = snapshot->Open("data", rt::RecordSet::Table);
    const int count = opened ? snapshot->RecordsCount() : 0;

    rt::ListView::Batch batch(list);
    list.clear();
    // A count of 0, or -1 (cannot be told), leaves the list empty.
    if (count > 0)
        list.setLazyRows(
            count, [snapshot](int row, std::vector<rt::Text>& cells) { rowTexts(*snapshot, row, cells); });
}

void listCurrentRowChanged(rt::Form& f, int row) {
    // The row that became current: a click makes it current before it selects it.
    rt::ListView& list = f.listView(kList);
    const int n = row < 0 ? 0 : int(rt::toNumber(list.itemText(row, 0)));
    if (n <= 0 || !connected())
        return;
    rt::Form& main = rt::form(kMainForm);
    rt::RecordSet& set = main.recordSet("记录集2");
    if (!set.Open("data", rt::RecordSet::Table))
        return; // the data layer has said why
    if (!positionOnEntry(set, n, list.itemText(row, 1))) {
        set.Close();
        rt::messageBox(kListEntryGone, rt::MbIconInformation, "信息：", &f);
        // The list is filled afresh once the selection change that brought us here is over.
        rt::singleShot(0, [&f] {
            if (f.isLoaded())
                fillList(f);
        });
        return;
    }
    rt::Text name, company, address;
    double joined = 0;
    set.ReadString("姓名", name);
    set.ReadString("公司名称", company);
    set.ReadString("公司地址", address);
    set.ReadDateTime("入厂时间", joined);
    f.control("姓名1").setCaption(name);
    f.control("公司名称编辑框").setText(company);
    f.control("公司地址编辑框").setText(address);
    f.control("入厂时间1").setCaption(rt::dateText(joined));
    set.Close();
}

void listRightClicked(rt::Form& f) {
    const int row = selectedRow(f);
    if (row < 0 || f.listView(kList).itemText(row, 0).empty())
        return;
    f.popupMenu("右键菜单");
}

void listDoubleClicked(rt::Form& f) {
    if (selectedNumber(f) != 0)
        openSelectedInMain(f);
}

void openSelectedInMain(rt::Form& f) {
    const int n = selectedNumber(f);
    if (n <= 0)
        return;
    rt::Form& main = rt::form(kMainForm);
    rt::RecordSet& browsing = main.recordSet("记录集1");
    if (!browsing.isOpen()) {
        fillList(f); // nothing to show an entry from: the list shows what there is
        return;
    }
    if (!positionOnEntry(browsing, n, selectedIdentifier(f))) {
        // The browsing set stands nowhere now; put it back on the entry the main window shows.
        rt::Text shown = main.control("序号标签").caption();
        if (!positionOnEntry(browsing, 0, shown))
            browsing.MoveFirst();
        entryGone(f);
        return;
    }
    showEntry(); // ends an add the main window had begun
    main.button("列表").setCaption("返回列表");
    f.setVisible(false);
}

void refreshChosen(rt::Form& f) {
    fillList(f);
}

void deleteSelected(rt::Form& f) {
    const int n = selectedNumber(f);
    if (n <= 0)
        return; // the Del key with no row selected
    const rt::Text id = selectedIdentifier(f);
    if (rt::messageBox("确认删除此条数据内容吗？", rt::MbOkCancel, "删除信息", &f) != rt::MbOk)
        return;
    if (!f.isLoaded() || !rt::isLoaded(kMainForm))
        return;

    rt::Form& main = rt::form(kMainForm);
    rt::CommonConnection& connection = main.connection("数据库连接1");
    rt::RecordSet& browsing = main.recordSet("记录集1");
    rt::RecordSet& statements = main.recordSet("记录集2");
    if (!connection.isOpen()) {
        fillList(f);
        return;
    }
    if (!statements.Open("data", rt::RecordSet::Table))
        return; // the data layer has said why
    if (!positionOnEntry(statements, n, id)) {
        statements.Close();
        entryGone(f);
        return;
    }
    const int deletedPos = statements.Pos();

    // Where the main window stands, to stand there again after the sets are opened afresh.
    rt::Text shownId;
    const int shownPos = browsing.Pos();
    browsing.ReadString("id", shownId);

    if (!statements.Delete(rt::RecordSet::DeleteCurrent)) {
        statements.Close();
        rt::messageBox("删除失败！" + failureReason(connection), rt::MbIconWarning);
        return;
    }
    browsing.Close();
    statements.Close();
    browsing.Open("data", rt::RecordSet::Table);
    statements.Open("data", rt::RecordSet::Table);
    reshowMain(main, shownId, shownPos, deletedPos);
    if (f.isLoaded())
        fillList(f);
}

void registerListWindowHandlers() {
    const auto on = [](const char* key, void (*handler)(rt::Form&)) {
        rt::registerHandler(key, [handler](rt::Event& e) { handler(e.form); });
    };
    on("列表查看.created", listCreated);
    rt::registerHandler("列表查看.closeRequested", [](rt::Event& e) { return listCloseRequested(e.form); });
    on("列表查看.图形按钮1.clicked", listCloseClicked);
    rt::registerHandler("列表查看.超级列表框1.currentRowChanged",
                        [](rt::Event& e) { listCurrentRowChanged(e.form, e.row); });
    on("列表查看.超级列表框1.rightClicked", listRightClicked);
    on("列表查看.超级列表框1.doubleClicked", listDoubleClicked);
    on("列表查看.查看详细.chosen", openSelectedInMain);
    on("列表查看.刷新.chosen", refreshChosen);
    on("列表查看.删除所选.chosen", deleteSelected);
}

} // namespace ui
