// 超级列表框: a report-mode list view that holds no rows itself (LVS_OWNERDATA): the cells live
// here and the view asks for those it shows, so that 100,000 rows fill and scroll at once. Full
// rows are selected, one at a time; grid lines as described. Events: currentRowChanged, clicked,
// doubleClicked and rightClicked, each with the row.
#include "runtime/loader.h"
#include "runtime/win32/state.h"

#include <commctrl.h>
#include <windowsx.h>

#include <memory>
#include <vector>

namespace rt {

// The rows of a list view on Win32: texts per cell, filled row by row or lazily from a provider.
struct detail::ListModel {
    HWND view = nullptr;
    int columns = 0;
    int rows = 0;
    std::vector<Text> cells;   // rows x columns
    std::vector<bool> fetched; // lazy rows already asked for
    ListView::RowProvider provider;
    int batches = 0;
    std::wstring shown; // the text last handed to the view (it reads it after the call returns)

    void materialize(int row) {
        if (!provider || fetched[size_t(row)])
            return;
        fetched[size_t(row)] = true;
        std::vector<Text> got;
        provider(row, got);
        for (int c = 0; c < columns && c < int(got.size()); ++c)
            cells[size_t(row) * size_t(columns) + size_t(c)] = got[size_t(c)];
    }
    const Text& cell(int row, int column) {
        materialize(row);
        return cells[size_t(row) * size_t(columns) + size_t(column)];
    }
    void resize(int n) {
        rows = n;
        cells.resize(size_t(n) * size_t(columns));
        fetched.resize(size_t(n), provider == nullptr);
    }
    void tell() {
        if (batches == 0 && view) {
            SendMessageW(view, LVM_SETITEMCOUNT, WPARAM(rows), LVSICF_NOSCROLL);
            InvalidateRect(view, nullptr, FALSE);
        }
    }
};

namespace {

detail::ListModel& dataOf(detail::ControlState& st) {
    return *static_cast<detail::ListModel*>(st.kindData.get());
}

int focusedRow(HWND view) {
    return int(SendMessageW(view, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
}

int selectedRow(HWND view) {
    return int(SendMessageW(view, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void setSelected(HWND view, int row, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(view, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

// Clears the selection row by row. Clearing every row at once (row -1), as the list view also does
// by itself before it selects another row, makes Wine's list view visit each row of an owner-data
// list while any is selected: some 150 ms at 100,000 rows. With none selected it skips that.
void clearSelection(HWND view) {
    for (int row = selectedRow(view); row >= 0;
         row = int(SendMessageW(view, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED)))
        setSelected(view, row, false);
}

// The row under a point of the list's client area, -1 for none.
int rowAt(HWND view, LPARAM point) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return int(SendMessageW(view, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

// The keys and clicks that select another row find the selection cleared already (see
// clearSelection), so that the list view's own clearing has nothing to visit. A key that leaves
// the focus where it was (Home on the first row) has that row selected again, as it was.
LRESULT CALLBACK selectionProc(HWND view, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(view, selectionProc, 1);
    bool moves = false;
    if (msg == WM_KEYDOWN)
        moves = (wp == VK_UP || wp == VK_DOWN || wp == VK_PRIOR || wp == VK_NEXT || wp == VK_HOME || wp == VK_END) &&
                GetKeyState(VK_CONTROL) >= 0;
    else if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK)
        moves = rowAt(view, lp) >= 0 && rowAt(view, lp) != selectedRow(view);
    if (!moves || selectedRow(view) < 0)
        return DefSubclassProc(view, msg, wp, lp);
    clearSelection(view);
    const LRESULT result = DefSubclassProc(view, msg, wp, lp);
    if (IsWindow(view) && selectedRow(view) < 0 && focusedRow(view) >= 0)
        setSelected(view, focusedRow(view), true);
    return result;
}

} // namespace

void ListView::build() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
                             st_->parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    st_->hwnd = h;
    detail::attach(h, *this);
    SetWindowSubclass(h, selectionProc, 1, 0);
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    if (props().gridLines)
        ex |= LVS_EX_GRIDLINES;
    SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    auto model = std::make_shared<detail::ListModel>();
    model->view = h;
    int index = 0;
    for (const detail::ColumnDesc& c : props().columns) {
        std::wstring title = detail::wideOfUtf8(c.title);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = c.align == "right" ? LVCFMT_RIGHT : c.align == "center" ? LVCFMT_CENTER : LVCFMT_LEFT;
        col.cx = c.width;
        col.pszText = title.data();
        SendMessageW(h, LVM_INSERTCOLUMNW, WPARAM(index++), reinterpret_cast<LPARAM>(&col));
    }
    model->columns = index;
    st_->kindData = model;
    st_->onParentMessage = [this](UINT msg, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (msg != WM_NOTIFY)
            return std::nullopt;
        detail::ListModel& m = dataOf(*st_);
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        switch (hdr->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
            LVITEMW& item = info->item;
            if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < m.rows && item.iSubItem < m.columns) {
                m.shown = detail::wide(m.cell(item.iItem, item.iSubItem));
                lstrcpynW(item.pszText, m.shown.c_str(), item.cchTextMax);
            }
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
            if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_FOCUSED) &&
                !(change->uOldState & LVIS_FOCUSED) && change->iItem >= 0)
                raise("currentRowChanged", change->iItem);
            return 0;
        }
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK: {
            const auto* act = reinterpret_cast<const NMITEMACTIVATE*>(lp);
            const int row = hdr->code == NM_CLICK ? act->iItem : focusedRow(st_->hwnd);
            if (hdr->code == NM_CLICK) {
                if (row >= 0)
                    raise("clicked", row);
            } else {
                raise(hdr->code == NM_DBLCLK ? "doubleClicked" : "rightClicked", row);
            }
            return 0;
        }
        default:
            return std::nullopt;
        }
    };
}

detail::ListModel* ListView::model() {
    ensureLoaded();
    return &dataOf(*st_);
}

int ListView::count() {
    return model()->rows;
}

int ListView::columnCount() {
    return model()->columns;
}

int ListView::addItem(const Text& text) {
    detail::ListModel* m = model();
    const int row = m->rows;
    m->resize(row + 1);
    if (m->columns > 0)
        m->cells[size_t(row) * size_t(m->columns)] = text;
    m->tell();
    return row;
}

void ListView::setItemText(int row, int column, const Text& t) {
    detail::ListModel* m = model();
    if (row < 0 || row >= m->rows || column < 0 || column >= m->columns)
        return;
    m->materialize(row);
    m->cells[size_t(row) * size_t(m->columns) + size_t(column)] = t;
    if (m->batches == 0)
        SendMessageW(st_->hwnd, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
}

Text ListView::itemText(int row, int column) {
    detail::ListModel* m = model();
    if (row < 0 || row >= m->rows || column < 0 || column >= m->columns)
        return {};
    return m->cell(row, column);
}

void ListView::clear() {
    detail::ListModel* m = model();
    m->provider = nullptr;
    m->cells.clear();
    m->fetched.clear();
    m->rows = 0;
    m->tell();
}

int ListView::selectedIndex() {
    detail::ListModel* m = model();
    const int row = int(SendMessageW(st_->hwnd, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    return row >= 0 && row < m->rows ? row : -1;
}

void ListView::setSelectedIndex(int row) {
    detail::ListModel* m = model();
    clearSelection(st_->hwnd);
    if (row < 0 || row >= m->rows)
        return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(st_->hwnd, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(st_->hwnd, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

ListView::Batch::Batch(ListView& v) : view_(v) {
    ++view_.model()->batches;
}

ListView::Batch::~Batch() {
    if (!view_.isLoaded())
        return;
    detail::ListModel* m = view_.model();
    if (--m->batches == 0)
        m->tell();
}

void ListView::setLazyRows(int rows, RowProvider provider) {
    detail::ListModel* m = model();
    m->cells.clear();
    m->fetched.clear();
    m->provider = std::move(provider);
    m->resize(std::max(0, rows));
    m->tell();
}

} // namespace rt
