#include "jet/cursor.h"

#include "jet/codec.h"
#include "jet/longvalue.h"

namespace jet {

namespace {
// Longest chain of moved-row pointers followed before calling it a loop. Jet rewrites the
// original pointer when a moved row moves again, so a real chain has one hop.
constexpr int kMaxPointerHops = 8;

[[gnu::cold, gnu::noinline]] Error inContext(Error e, const PageFile& file, int64_t page) {
    if (e.file.empty())
        e.file = file.name();
    if (e.page < 0)
        e.page = page;
    return e;
}
} // namespace

Result<std::shared_ptr<const Table>> Table::open(std::shared_ptr<const PageFile> file,
                                                 std::shared_ptr<const TableDef> def) {
    auto map = readUsageMap(*file, def->ownedPagesMap);
    if (!map)
        return map.error();
    if (map->pagesBeyondEnd != 0)
        return file->corrupt("表“" + toUtf8(def->name) + "”的页用法图指向文件末尾之外的页",
                             def->ownedPagesMap.page);
    std::shared_ptr<Table> t(new Table());
    t->file_ = std::move(file);
    t->def_ = std::move(def);
    t->owned_ = std::move(*map);
    return std::shared_ptr<const Table>(std::move(t));
}

// A page of the owned map that is not a data page of this table is passed over: Jet does not
// clear freed pages, and a map may still mark a page that has since been reused.
static Result<std::optional<DataPage>> tablePage(const PageFile& file, const TableDef& def, uint32_t n) {
    auto pg = file.page(n);
    if (!pg)
        return pg.error();
    if ((*pg)->type() != PageType::Data || le32((*pg)->bytes.data() + 4) != def.page)
        return std::optional<DataPage>();
    auto dp = DataPage::open(file, *pg);
    if (!dp)
        return dp.error();
    return std::optional<DataPage>(std::move(*dp));
}

Result<DataPage> Table::dataPage(uint32_t n) const {
    if (!owned_.contains(n))
        return file_->error(ErrorKind::NotFound, "该页不属于这个表", n);
    auto dp = tablePage(*file_, *def_, n);
    if (!dp)
        return dp.error();
    if (!*dp)
        return file_->error(ErrorKind::NotFound, "该页不是这个表的数据页", n);
    return std::move(**dp);
}

Result<ByteView> Table::locate(const DataPage& start, uint8_t slot, std::optional<DataPage>& moved,
                               uint32_t& at) const {
    const DataPage* page = &start;
    for (int hop = 0;; ++hop) {
        if (slot >= page->rowCount())
            return file_->corrupt("移动行的指针指向不存在的行", page->number());
        const SlotState st = page->state(slot);
        if (st == SlotState::Deleted)
            return file_->corrupt("移动行的指针指向已删除的行", page->number());
        auto bytes = page->rowBytes(*file_, slot);
        if (!bytes)
            return bytes.error();
        if (st != SlotState::Pointer) {
            at = page->number();
            return *bytes;
        }
        // A moved row: the slot holds the 4-byte address of the row's new place.
        if (hop >= kMaxPointerHops)
            return file_->corrupt("移动行的指针链过长或出现循环", page->number());
        if (bytes->size() < 4)
            return file_->corrupt("移动行的指针太短", page->number());
        const RowId to = readRowPointer(bytes->data());
        auto next = tablePage(*file_, *def_, to.page);
        if (!next || !*next)
            return file_->corrupt("移动行的指针指向的页不是这个表的数据页", page->number());
        moved = std::move(**next);
        page = &*moved;
        slot = to.row;
    }
}

Result<Table::StoredRow> Table::resolve(const DataPage& start, uint8_t slot) const {
    std::optional<DataPage> moved;
    uint32_t at = 0;
    auto bytes = locate(start, slot, moved, at);
    if (!bytes)
        return bytes.error();
    return StoredRow{moved ? moved->page() : start.page(), *bytes};
}

Result<Table::StoredRow> Table::storedRow(RowId id) const {
    auto dp = dataPage(id.page);
    if (!dp)
        return dp.error();
    if (id.row >= dp->rowCount())
        return file_->error(ErrorKind::NotFound, "数据页上没有这一行", id.page);
    const SlotState st = dp->state(id.row);
    if (st == SlotState::Deleted || st == SlotState::Target)
        return file_->error(ErrorKind::NotFound, "这一行已删除或不是行的起点", id.page);
    return resolve(*dp, id.row);
}

// A Memo or OLE value: its long value, fetched through the file.
[[gnu::noinline]] static Status decodeLongValue(const PageFile& file, const ColumnDef& c, ByteView field,
                                                uint32_t page, Value& out) {
    auto lv = readLongValue(file, field, page);
    if (!lv)
        return lv.error();
    if (c.type == ColumnType::OLE) {
        out = std::move(*lv);
        return okStatus();
    }
    if (!std::holds_alternative<std::u16string>(out))
        out = std::u16string();
    auto st = decodeTextInto(*lv, std::get<std::u16string>(out));
    if (!st)
        return inContext(st.error(), file, page);
    return okStatus();
}

Status Table::decodeValueInto(const RowLayout& row, const ColumnDef& c, uint32_t page, Value& out) const {
    FieldRef f;
    if (!locateField(row, c, f))
        return inContext(fieldOf(row, c).error(), *file_, page);
    if (f.null) {
        out = Null{};
        return okStatus();
    }
    if (c.type == ColumnType::Boolean) {
        out = f.flag;
        return okStatus();
    }
    if (c.isLongValue())
        return decodeLongValue(*file_, c, f.data, page, out);
    auto st = decodeScalarInto(c, f.data, out);
    if (!st)
        return inContext(st.error(), *file_, page);
    return st;
}

Result<Value> Table::decodeValue(const RowLayout& row, const ColumnDef& c, uint32_t page) const {
    Value v;
    JET_TRY(decodeValueInto(row, c, page, v));
    return v;
}

// The values that need neither the file nor a check that can fail (NULL, Yes/No, and what
// decodeQuick takes), decoded on the spot; false for the others, which decodeValueInto decodes
// or reports.
static inline bool quickValue(const RowLayout& row, const ColumnDef& c, Value& out) {
    FieldRef f;
    if (!locateField(row, c, f))
        return false;
    if (f.null) {
        out = Null{};
        return true;
    }
    if (c.type == ColumnType::Boolean) {
        out = f.flag;
        return true;
    }
    return decodeQuick(c.type, f.data, out);
}

Status Table::decodeAll(ByteView row, uint32_t at, std::vector<Value>& out, RowLayout& scratch) const {
    auto parsed = parseRow(*def_, row, scratch);
    if (!parsed)
        return inContext(parsed.error(), *file_, at);
    const auto& columns = def_->columns;
    out.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        if (!quickValue(scratch, columns[i], out[i]))
            JET_TRY(decodeValueInto(scratch, columns[i], at, out[i]));
    return okStatus();
}

Status Table::readRow(RowId id, std::vector<Value>& out) const {
    auto row = storedRow(id);
    if (!row)
        return row.error();
    RowLayout scratch;
    return decodeAll(row->bytes, row->page->number, out, scratch);
}

Result<std::vector<Value>> Table::readRow(RowId id) const {
    std::vector<Value> out;
    JET_TRY(readRow(id, out));
    return out;
}

Result<Value> Table::readValue(RowId id, size_t column) const {
    if (column >= def_->columns.size())
        return makeError(ErrorKind::Invalid, "列序号超出范围");
    auto row = storedRow(id);
    if (!row)
        return row.error();
    RowLayout layout;
    auto parsed = parseRow(*def_, row->bytes, layout);
    if (!parsed)
        return inContext(parsed.error(), *file_, row->page->number);
    return decodeValue(layout, def_->columns[column], row->page->number);
}

Result<std::vector<RowId>> Table::rowIds() const {
    std::vector<RowId> ids;
    TableCursor c(shared_from_this());
    for (;;) {
        auto more = c.next();
        if (!more)
            return more.error();
        if (!*more)
            return ids;
        ids.push_back(c.rowId());
    }
}

TableCursor Table::cursor() const {
    return TableCursor(shared_from_this());
}

// ---- cursor ---------------------------------------------------------------------------------

TableCursor::TableCursor(std::shared_ptr<const Table> table) : table_(std::move(table)) {}

void TableCursor::rewind() {
    pageIndex_ = 0;
    slot_ = -1;
    atEnd_ = false;
    page_.reset();
    current_ = RowId{};
}

Result<bool> TableCursor::next() {
    const auto& pages = table_->owned_.pages;
    while (!atEnd_) {
        if (!page_) {
            if (pageIndex_ >= pages.size()) {
                atEnd_ = true;
                break;
            }
            auto dp = tablePage(*table_->file_, *table_->def_, pages[pageIndex_]);
            if (!dp) {
                atEnd_ = true;
                return dp.error();
            }
            if (!*dp) {
                ++pageIndex_;
                continue;
            }
            page_ = std::move(**dp);
            slot_ = -1;
        }
        ++slot_;
        if (slot_ >= int(page_->rowCount())) {
            page_.reset();
            ++pageIndex_;
            continue;
        }
        const SlotState st = page_->state(uint16_t(slot_));
        if (st == SlotState::Row || st == SlotState::Pointer) {
            current_ = RowId{page_->number(), uint8_t(slot_)};
            return true;
        }
    }
    page_.reset();
    return false;
}

Status TableCursor::values(std::vector<Value>& out) {
    if (!page_)
        return makeError(ErrorKind::Invalid, "游标不在任何一行上");
    uint32_t at = 0;
    auto row = table_->locate(*page_, uint8_t(slot_), moved_, at);
    if (!row)
        return row.error();
    return table_->decodeAll(*row, at, out, scratch_);
}

Result<Value> TableCursor::value(size_t column) {
    if (!page_)
        return makeError(ErrorKind::Invalid, "游标不在任何一行上");
    if (column >= table_->def_->columns.size())
        return makeError(ErrorKind::Invalid, "列序号超出范围");
    auto row = table_->resolve(*page_, uint8_t(slot_));
    if (!row)
        return row.error();
    auto parsed = parseRow(*table_->def_, row->bytes, scratch_);
    if (!parsed)
        return inContext(parsed.error(), table_->file(), row->page->number);
    return table_->decodeValue(scratch_, table_->def_->columns[column], row->page->number);
}

Status TableCursor::values(const std::vector<size_t>& wanted, std::vector<Value>& out) {
    if (!page_)
        return makeError(ErrorKind::Invalid, "游标不在任何一行上");
    for (size_t c : wanted)
        if (c >= table_->def_->columns.size())
            return makeError(ErrorKind::Invalid, "列序号超出范围");
    uint32_t at = 0;
    auto row = table_->locate(*page_, uint8_t(slot_), moved_, at);
    if (!row)
        return row.error();
    auto parsed = parseRow(*table_->def_, *row, scratch_);
    if (!parsed)
        return inContext(parsed.error(), table_->file(), at);
    out.resize(wanted.size());
    for (size_t k = 0; k < wanted.size(); ++k) {
        const ColumnDef& c = table_->def_->columns[wanted[k]];
        if (!quickValue(scratch_, c, out[k]))
            JET_TRY(table_->decodeValueInto(scratch_, c, at, out[k]));
    }
    return okStatus();
}

} // namespace jet
