// The list window 列表查看: every entry of table `data` as one row of 超级列表框1 (row number,
// identifier, name, working date, hours, notes), the details of the selected entry above the list,
// and from a row: open the entry in the main window, refresh the list, delete the entry.
//
// The window has no data objects of its own in the form; it works with the main window's
// connection 数据库连接1, its browsing set 记录集1 and its statement set 记录集2.
//
// Rows are filled lazily: a fill takes a snapshot of the table (its rows in table order, no value
// decoded) and the list asks for a row's texts only when it first shows or reads that row, so a
// table of 100,000 entries fills as fast as one of ten.
//
// A row names its entry twice: by its number n (the record at position n - 1 of the table) and by
// the identifier in its 序号 column. Every action checks that the record at that position still
// carries that identifier, and otherwise looks for the entry by its identifier, so that an entry
// deleted elsewhere while the list is open (in the main window) never makes an action hit the
// neighbouring entry. An entry that is gone is reported and the list is filled afresh.
//
// The list follows the main window's connection: while the database is disconnected it is empty
// and its detail area blank, so it offers nothing to act on and says nothing of its own; the main
// window fills it again when it connects (fillList after its connect or disconnect).
#pragma once

#include "runtime/text.h"

namespace rt {
class Form;
class RecordSet;
} // namespace rt

namespace ui {

// The caption of 列表窗口标题 after dressing: "列表查看 -- Ledrimo V1.2 access版".
rt::Text listWindowTitle();
// The box shown when the entry of the selected row no longer exists.
extern const char* const kListEntryGone;

// Where the entry of row number n with identifier id stands in an open record set over table
// `data`: the record at position n - 1 when it carries that identifier, otherwise the first record
// that does. Leaves the set on that record and answers true; false (the set's position undefined)
// when no record carries the identifier, or the identifier is empty.
bool positionOnEntry(rt::RecordSet& set, int n, const rt::Text& id);

// ---- handlers (registered under the keys the form description names) ----

void listCreated(rt::Form& f);
bool listCloseRequested(rt::Form& f); // slides the window out; the effect destroys it
void listCloseClicked(rt::Form& f);
// Fills the list from table `data`; empties it (and the detail area) while the main window's
// database is disconnected.
void fillList(rt::Form& f);
void listCurrentRowChanged(rt::Form& f, int row); // details of the entry of that row
void listRightClicked(rt::Form& f);
void listDoubleClicked(rt::Form& f);
void openSelectedInMain(rt::Form& f); // 查看详细
void refreshChosen(rt::Form& f);      // 刷新
void deleteSelected(rt::Form& f);     // 删除所选

void registerListWindowHandlers();

} // namespace ui
