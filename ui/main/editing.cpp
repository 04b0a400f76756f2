// Adding, modifying and deleting entries, and cancelling the preparation of a new one.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/entry_statements.h"
#include "ui/main/main_window.h"
#include "ui/main/parts.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// The entry as the boxes hold it now, saved at this moment.
store::EntryValues typedValues(rt::Form& f) {
    store::EntryValues v;
    v.name = f.control("姓名编辑框").text();
    v.company = f.control("公司名称编辑框").text();
    v.address = f.control("公司地址编辑框").text();
    v.joined = f.dateBox("入厂时间编辑框").value();
    v.workDay = f.dateBox("年编辑框").value();
    v.hours = f.control("上班时间编辑框").text();
    v.notes = f.control("工作备注编辑框").text();
    v.savedAt = rt::now();
    return v;
}

// Whether an entry with that identifier is stored, asked through the statement set.
bool entryStored(rt::RecordSet& statements, const rt::Text& id) {
    bool stored = false;
    if (statements.Open("select id from data where id='" + store::quoted(id) + "'", rt::RecordSet::Sql)) {
        rt::Text any;
        const int count = statements.RecordsCount();
        stored = count > 0 || (count < 0 && statements.ReadString(0, any));
    }
    statements.Close();
    return stored;
}

// Opens the browsing set afresh and stands it on the entry with that identifier: where it was
// before if the entry is still there, else the first one found.
void rereadEntry(rt::Form& f, const rt::Text& id) {
    rt::RecordSet& browsing = f.recordSet("记录集1");
    const int pos = browsing.Pos();
    browsing.Open("data", rt::RecordSet::Table);
    rt::Text there;
    if (pos >= 0 && browsing.Move(pos) && browsing.ReadString("id", there) && there == id)
        return;
    browsing.MoveFirst();
    browsing.Find("id='" + store::quoted(id) + "'", 1);
}

void modifyFailed(const rt::Text& reason) {
    rt::messageBox("修改数据失败，原因为" + reason, rt::MbIconWarning, "错误");
}

} // namespace

rt::Text failureReason(const rt::CommonConnection& connection) {
    // One block per error: "Description: %s\r\nState: %s, Native: %d, Source: %s\r\n".
    const std::string errors = connection.LastError().bytes();
    const std::string key = "Description: ";
    std::string reasons;
    for (size_t at = errors.find(key); at != std::string::npos; at = errors.find(key, at)) {
        at += key.size();
        const size_t end = std::min(errors.find("\r\n", at), errors.size());
        if (end > at) {
            if (!reasons.empty())
                reasons += rt::Text("；").bytes();
            reasons += errors.substr(at, end - at);
        }
        at = end;
    }
    if (reasons.empty())
        return "（数据库没有给出原因）";
    return rt::Text::fromBytes(reasons);
}

void addClicked(rt::Form& f) {
    if (rt::messageBox("确定添加数据吗？", rt::MbOkCancel | rt::MbIconWarning, "确认添加") != rt::MbOk)
        return;
    rt::CommonConnection& connection = f.connection("数据库连接1");
    rt::RecordSet& browsing = f.recordSet("记录集1");
    rt::RecordSet& statements = f.recordSet("记录集2");

    const rt::Text id = store::nextEntryIdentifier(statements, connection);
    // No hours (empty, 0 or not a number) count as one hour.
    rt::Control& hours = f.control("上班时间编辑框");
    if (std::fabs(rt::toNumber(hours.text())) < 0.0000001)
        hours.setText("1");

    store::EntryValues values = typedValues(f);
    values.id = id;
    if (statements.Open(store::insertStatement(values), rt::RecordSet::Sql)) {
        statements.Close();
        browsing.Open("data", rt::RecordSet::Table);
        statements.Open("data", rt::RecordSet::Table);
        browsing.MoveLast();
        showEntryOn(f);
        f.control("提示信息").setCaption("添加成功！");
    } else {
        rt::messageBox("添加数据出错，请联系作者!", rt::MbIconError, "出错了！");
    }
    f.control("删除按钮").setCaption("删除");
}

bool isAdding(rt::Form& main) {
    return main.button("删除按钮").caption() == rt::Text("取消");
}

void deleteClicked(rt::Form& f) {
    rt::RecordSet& browsing = f.recordSet("记录集1");
    rt::SuperButton& button = f.button("删除按钮");
    if (isAdding(f)) {
        if (rt::messageBox("还完成操作，要取消吗？", rt::MbOkCancel | rt::MbIconQuestion, "取消", &f) !=
            rt::MbOk)
            return;
        browsing.MoveLast();
        showEntryOn(f);
        setForwardGroup(f, true);
        button.setCaption("删除");
        return;
    }

    if (rt::messageBox("你确定删除这条记录吗？", rt::MbOkCancel | rt::MbIconWarning, "确认？") != rt::MbOk)
        return;
    if (browsing.Delete(rt::RecordSet::DeleteCurrent)) {
        browsing.MoveLast();
        showEntryOn(f);
        f.control("提示信息").setCaption("已删除！");
    } else {
        rt::messageBox("删除失败！" + failureReason(f.connection("数据库连接1")), rt::MbIconWarning);
    }
}

void modifyClicked(rt::Form& f) {
    if (rt::messageBox("确定修改数据吗？", rt::MbOkCancel | rt::MbIconWarning, "确认修改吗？") != rt::MbOk) {
        showEntryOn(f); // puts back what the browsing set holds
        return;
    }
    rt::CommonConnection& connection = f.connection("数据库连接1");
    rt::RecordSet& statements = f.recordSet("记录集2");

    // The hours go in as typed: an empty box makes the statement fail.
    store::EntryValues values = typedValues(f);
    values.id = f.control("序号标签").caption();
    if (!statements.Open(store::updateStatement(values), rt::RecordSet::Sql)) {
        const rt::Text errors = connection.LastError();
        modifyFailed(errors.empty() ? failureReason(connection) : errors);
        return;
    }
    const int touched = statements.RecordsAffected();
    statements.Close();

    // The update changes no row when the entry is gone (deleted from the list window, or by
    // another program): that is no success. Should the data layer not tell the count, the
    // entry is looked for.
    if (touched == 0 || (touched < 0 && !entryStored(statements, values.id))) {
        modifyFailed("工作序号为 " + values.id + " 的记录已不存在，可能已被删除。");
        return;
    }
    // Show what is stored, and let the browsing set hold it too, so that moving away and back
    // shows the changed entry rather than the earlier one.
    rereadEntry(f, values.id);
    showEntryOn(f);
    f.control("提示信息").setCaption("修改完毕！");
}

} // namespace ui
