#include "jet/writer.h"

#include "jet/allocate.h"
#include "jet/codec.h"
#include "jet/datapage.h"
#include "jet/datetext.h"
#include "jet/longvalue.h"
#include "jet/pagewrite.h"
#include "jet/usagemap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <unordered_set>

namespace jet {

namespace {

// Definition fields the writer keeps up to date (offsets in the first TDEF page).
constexpr size_t kTdefRowCount = 0x10;
constexpr size_t kTdefAutoNumber = 0x14;
constexpr uint8_t kSystemTable = 0x53;

// Bytes of an LVAL row on an empty page (4096 - 14 header - 2 offset entry), and of the value
// piece in a chained row (after the 4-byte pointer to the next one).
constexpr size_t kMaxLongValueRow = kPageSize - kDataPageHeaderSize - 2;
constexpr size_t kMaxChainPiece = kMaxLongValueRow - 4;
// Jet compresses memo text only up to this many characters.
constexpr size_t kMaxCompressedMemo = 1024;
constexpr uint32_t kMaxLongValueLength = 0x3FFFFFFF;
constexpr uint16_t kFlagsDeleted = kRowFlagPointer | kRowFlagTarget;

std::string columnName(const ColumnDef& c) {
    return "列“" + toUtf8(c.name) + "”";
}

const char* valueTypeName(const Value& v) {
    switch (v.index()) {
    case 1:
        return "是/否";
    case 2:
        return "字节";
    case 3:
        return "整型";
    case 4:
        return "长整型";
    case 5:
        return "货币";
    case 6:
        return "单精度数";
    case 7:
        return "双精度数";
    case 8:
        return "日期/时间";
    case 9:
        return "文本";
    case 10:
        return "二进制数据";
    case 11:
        return "GUID";
    case 12:
        return "小数";
    default:
        return "空值";
    }
}

const char* columnTypeText(ColumnType t) {
    switch (t) {
    case ColumnType::Boolean:
        return "是/否";
    case ColumnType::Byte:
        return "字节";
    case ColumnType::Integer:
        return "整型";
    case ColumnType::Long:
        return "长整型";
    case ColumnType::Currency:
        return "货币";
    case ColumnType::Single:
        return "单精度数";
    case ColumnType::Double:
        return "双精度数";
    case ColumnType::DateTime:
        return "日期/时间";
    case ColumnType::Binary:
        return "二进制";
    case ColumnType::Text:
        return "文本";
    case ColumnType::OLE:
        return "OLE 对象";
    case ColumnType::Memo:
        return "备注";
    case ColumnType::GUID:
        return "GUID";
    case ColumnType::Numeric:
        return "小数";
    default:
        return "未知";
    }
}

Error invalid(const ColumnDef& c, const std::string& what) {
    return makeError(ErrorKind::Invalid, columnName(c) + what);
}

// Decimal digits of a 96-bit magnitude.
size_t digitsOf(const Decimal& d) {
    uint32_t w[3] = {d.magnitude[2], d.magnitude[1], d.magnitude[0]};
    size_t n = 0;
    while (w[0] || w[1] || w[2]) {
        uint64_t rem = 0;
        for (auto& x : w) {
            const uint64_t cur = (rem << 32) | x;
            x = uint32_t(cur / 10);
            rem = cur % 10;
        }
        ++n;
    }
    return n;
}

bool isDataPageOf(const Page& p, uint32_t tdef) {
    return p.type() == PageType::Data && le32(p.bytes.data() + 4) == tdef;
}
bool isLongValuePage(const Page& p) {
    return p.type() == PageType::Data && std::memcmp(p.bytes.data() + 4, "LVAL", 4) == 0;
}

Error withFile(Error e, const PageFile& file, int64_t page = -1) {
    if (e.file.empty())
        e.file = file.name();
    if (e.page < 0)
        e.page = page;
    return e;
}

// Whether page `n` should be in a free-space map: it can take one more row of `minRow` bytes.
bool hasRoomFor(const Page& p, size_t minRow) {
    return fitsNewRow(p, minRow);
}

Status syncFreeBit(PageFile& file, RowId freeMap, uint32_t page, size_t minRow) {
    if (freeMap.isNull())
        return okStatus();
    auto pg = file.page(page);
    if (!pg)
        return pg.error();
    const bool want = hasRoomFor(**pg, minRow);
    auto has = mapContains(file, freeMap, page);
    if (!has)
        return has.error();
    if (*has == want)
        return okStatus();
    return setMapMember(file, freeMap, page, want);
}

// ---- long values (docs/jet4-format.md §8) ----

Result<RowId> placeLongValueRow(PageFile& file, const ColumnDef& c, ByteView row) {
    auto lastPage = lastUsageMapPage(file, c.longValueOwnedMap);
    if (!lastPage)
        return lastPage.error();
    uint32_t target = 0;
    bool found = false;
    if (*lastPage) {
        const uint32_t last = **lastPage;
        auto pg = file.page(last);
        if (!pg)
            return pg.error();
        if (isLongValuePage(**pg) && checkRowArea(**pg).ok() && fitsNewRow(**pg, row.size())) {
            target = last;
            found = true;
        }
    }
    if (!found) {
        auto n = allocatePage(file);
        if (!n)
            return n.error();
        auto pg = file.mutablePage(*n);
        if (!pg)
            return pg.error();
        initLongValuePage(**pg);
        JET_TRY(setMapMember(file, c.longValueOwnedMap, *n, true));
        target = *n;
    }
    auto pg = file.mutablePage(target);
    if (!pg)
        return pg.error();
    auto slot = addRow(**pg, row);
    if (!slot)
        return withFile(slot.error(), file, target);
    JET_TRY(syncFreeBit(file, c.longValueFreeMap, target, kMaxInlineLongValue + 1));
    return RowId{target, uint8_t(*slot)};
}

// Stores `data` for long-value column `c` and returns the 12-byte header (with the data when it
// stays in the row).
Result<Bytes> writeLongValue(PageFile& file, const ColumnDef& c, ByteView data) {
    if (data.size() <= kMaxInlineLongValue)
        return makeInlineLongValue(data);
    if (c.longValueOwnedMap.isNull())
        return file.error(ErrorKind::Unsupported, columnName(c) + "没有存放长值的页用法图，不能写入超过 " +
                                                      std::to_string(kMaxInlineLongValue) + " 字节的值");
    Bytes header(kLongValueHeaderSize, 0);
    if (data.size() <= kMaxLongValueRow) {
        auto at = placeLongValueRow(file, c, data);
        if (!at)
            return at.error();
        put32(header.data(), uint32_t(data.size()) | 0x40000000u);
        writeRowPointer(header.data() + 4, *at);
        return header;
    }
    // A chain, written from its last piece back so that each piece knows the next one.
    const size_t pieces = (data.size() + kMaxChainPiece - 1) / kMaxChainPiece;
    RowId next{};
    for (size_t k = pieces; k-- > 0;) {
        const size_t from = k * kMaxChainPiece, len = std::min(kMaxChainPiece, data.size() - from);
        Bytes row(4 + len);
        writeRowPointer(row.data(), next);
        std::copy(data.begin() + ptrdiff_t(from), data.begin() + ptrdiff_t(from + len), row.begin() + 4);
        auto at = placeLongValueRow(file, c, row);
        if (!at)
            return at.error();
        next = *at;
    }
    put32(header.data(), uint32_t(data.size()));
    writeRowPointer(header.data() + 4, next);
    return header;
}

// Deletes the LVAL rows a long-value field refers to. Damage on the way stops the clean-up
// (the rows are then only left unused); it never stops the write that replaced the value.
void releaseLongValue(PageFile& file, const ColumnDef& c, ByteView field) {
    auto ref = parseLongValueRef(field);
    if (!ref || ref->kind == LongValueRef::Kind::Inline)
        return;
    RowId at = ref->where;
    std::unordered_set<uint32_t> seen;
    const bool chain = ref->kind == LongValueRef::Kind::Chain;
    while (!at.isNull() && seen.insert((at.page << 8) | at.row).second) {
        if (at.page >= file.pageCount())
            return;
        auto pg = file.mutablePage(at.page);
        if (!pg || !isLongValuePage(**pg) || !checkRowArea(**pg).ok())
            return;
        Page& p = **pg;
        if (at.row >= le16(p.bytes.data() + kDataRowCountOffset) || slotFlags(p, at.row) == kFlagsDeleted)
            return;
        RowId next{};
        if (chain) {
            auto span = rowSpan(p, at.row);
            if (!span || span->size() < 4)
                return;
            next = readRowPointer(span->data());
        }
        if (!replaceRow(p, at.row, ByteView()).ok())
            return;
        setSlotFlags(p, at.row, kFlagsDeleted);
        (void)syncFreeBit(file, c.longValueFreeMap, at.page, kMaxInlineLongValue + 1);
        at = next;
    }
}

Result<Value> decodeField(const PageFile& file, const RowLayout& row, const ColumnDef& c, uint32_t page) {
    auto f = fieldOf(row, c);
    if (!f)
        return withFile(f.error(), file, page);
    if (f->null)
        return Value(Null{});
    if (c.type == ColumnType::Boolean)
        return Value(f->flag);
    if (c.isLongValue()) {
        auto lv = readLongValue(file, f->data, page);
        if (!lv)
            return lv.error();
        if (c.type == ColumnType::OLE)
            return Value(std::move(*lv));
        auto text = decodeText(*lv);
        if (!text)
            return withFile(text.error(), file, page);
        return Value(std::move(*text));
    }
    auto v = decodeScalar(c, f->data);
    if (!v)
        return withFile(v.error(), file, page);
    return v;
}

Guid randomGuid() {
    static std::random_device rd;
    Guid g;
    for (size_t i = 0; i < 16; i += 4) {
        const uint32_t r = rd();
        std::memcpy(g.bytes.data() + i, &r, 4);
    }
    g.bytes[7] = uint8_t((g.bytes[7] & 0x0F) | 0x40); // version 4 (the fourth group's high nibble)
    g.bytes[8] = uint8_t((g.bytes[8] & 0x3F) | 0x80);
    return g;
}

} // namespace

// ---- values ---------------------------------------------------------------------------------

bool sameValue(const Value& a, const Value& b) {
    if (a.index() != b.index())
        return false;
    if (auto x = std::get_if<double>(&a))
        return std::memcmp(x, &std::get<double>(b), sizeof(double)) == 0;
    if (auto x = std::get_if<float>(&a))
        return std::memcmp(x, &std::get<float>(b), sizeof(float)) == 0;
    if (auto x = std::get_if<DateTime>(&a))
        return std::memcmp(&x->days, &std::get<DateTime>(b).days, sizeof(double)) == 0;
    return a == b;
}

Result<Value> valueForColumn(const ColumnDef& c, const Value& v) {
    if (isNull(v)) {
        if (c.type == ColumnType::Boolean)
            return Value(false);
        if (!c.isNullable())
            return invalid(c, "不能为空");
        return v;
    }
    auto wrongType = [&] {
        return makeError(ErrorKind::Invalid, columnName(c) + "是" + columnTypeText(c.type) +
                                                 "类型，不能存放" + valueTypeName(v) + "值");
    };
    switch (c.type) {
    case ColumnType::Boolean:
        return std::holds_alternative<bool>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Byte:
        return std::holds_alternative<uint8_t>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Integer:
        return std::holds_alternative<int16_t>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Long:
        return std::holds_alternative<int32_t>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Currency:
        return std::holds_alternative<Currency>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Single:
        return std::holds_alternative<float>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::Double:
        return std::holds_alternative<double>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::GUID:
        return std::holds_alternative<Guid>(v) ? Result<Value>(v) : wrongType();
    case ColumnType::DateTime: {
        auto d = std::get_if<DateTime>(&v);
        if (!d)
            return wrongType();
        if (!std::isfinite(d->days) || d->days < kMinDateNumber || d->days >= kMaxDateNumber + 1)
            return invalid(c, "的日期超出范围（应在 100 年到 9999 年之间）");
        return v;
    }
    case ColumnType::Numeric: {
        auto d = std::get_if<Decimal>(&v);
        if (!d)
            return wrongType();
        if (d->scale != c.scale)
            return invalid(c, "的小数位数应为 " + std::to_string(c.scale) + "，给出的值有 " +
                                  std::to_string(d->scale) + " 位");
        const size_t precision = c.precision == 0 ? 28 : std::min<size_t>(c.precision, 28);
        if (digitsOf(*d) > precision)
            return invalid(c, "的数值超出范围（最多 " + std::to_string(precision) + " 位数字）");
        Decimal out = *d;
        out.precision = c.precision;
        if (digitsOf(out) == 0)
            out.negative = false; // one zero
        return Value(out);
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
        auto s = std::get_if<std::u16string>(&v);
        if (!s)
            return wrongType();
        if (c.type == ColumnType::Text) {
            const size_t most = c.size / 2u;
            if (s->size() > most)
                return invalid(c, "最多容纳 " + std::to_string(most) + " 个字符，给出的文本有 " +
                                      std::to_string(s->size()) + " 个");
            if (c.isFixed() && s->size() < most) {
                std::u16string padded = *s;
                padded.resize(most, u' ');
                return Value(std::move(padded));
            }
        } else if (s->size() * 2 > kMaxLongValueLength) {
            return invalid(c, "的文本太长");
        }
        return v;
    }
    case ColumnType::Binary:
    case ColumnType::OLE: {
        auto b = std::get_if<Bytes>(&v);
        if (!b)
            return wrongType();
        if (c.type == ColumnType::Binary) {
            if (b->size() > c.size)
                return invalid(c, "最多容纳 " + std::to_string(c.size) + " 个字节，给出的值有 " +
                                      std::to_string(b->size()) + " 个");
            if (c.isFixed() && b->size() < c.size) {
                Bytes padded = *b;
                padded.resize(c.size, 0);
                return Value(std::move(padded));
            }
        } else if (b->size() > kMaxLongValueLength) {
            return invalid(c, "的数据太长");
        }
        return v;
    }
    default:
        return makeError(ErrorKind::Unsupported, columnName(c) + "的类型不是本程序能写入的列类型");
    }
}

// ---- the table writer -----------------------------------------------------------------------

struct TableWriter::Located {
    RowId id;           // the row's own slot (a pointer's slot for a moved row)
    bool moved = false; // the slot holds a pointer
    RowId target;       // moved: where the row is
    ByteView stored;    // the row's bytes
    PageRef holdRow;    // keeps `stored` alive
    uint32_t storedPage = 0;
    size_t pointerSize = 0; // moved: the bytes of the pointer's slot
};

TableWriter::TableWriter(PageFile& file, std::shared_ptr<const TableDef> def)
    : file_(file), def_(std::move(def)) {
    std::vector<FieldBytes> nulls(def_->columns.size());
    auto row = encodeRow(*def_, nulls);
    minRowSize_ = row ? row->size() : 8;
}

Status TableWriter::checkWritable() const {
    const std::string name = "表“" + toUtf8(def_->name) + "”";
    if (def_->tableType == kSystemTable)
        return file_.error(ErrorKind::Unsupported, name + "是系统表，不能修改", def_->page);
    if (def_->realIndexCount > 0 || def_->logicalIndexCount > 0)
        return file_.error(ErrorKind::Unsupported,
                           name + "有索引，本程序不能在有索引的表中写入（索引不会随之更新）", def_->page);
    if (def_->ownedPagesMap.isNull())
        return file_.error(ErrorKind::Unsupported, name + "没有页用法图，不能写入", def_->page);
    return okStatus();
}

Result<TableWriter::Located> TableWriter::locate(RowId id) const {
    auto notFound = [&] { return file_.error(ErrorKind::NotFound, "表中没有这一行", id.page); };
    if (id.page == 0 || id.page >= file_.pageCount())
        return notFound();
    auto member = mapContains(file_, def_->ownedPagesMap, id.page);
    if (!member)
        return member.error();
    if (!*member)
        return notFound();
    auto pg = file_.page(id.page);
    if (!pg)
        return pg.error();
    if (!isDataPageOf(**pg, def_->page))
        return notFound();
    auto dp = DataPage::open(file_, *pg);
    if (!dp)
        return dp.error();
    if (id.row >= dp->rowCount())
        return notFound();
    const SlotState st = dp->state(id.row);
    if (st == SlotState::Deleted || st == SlotState::Target)
        return notFound();
    auto bytes = dp->rowBytes(file_, id.row);
    if (!bytes)
        return bytes.error();
    Located at;
    at.id = id;
    at.holdRow = *pg;
    at.stored = *bytes;
    at.storedPage = id.page;
    if (st == SlotState::Pointer) {
        if (bytes->size() < 4)
            return file_.corrupt("移动行的指针太短", id.page);
        at.moved = true;
        at.pointerSize = bytes->size();
        at.target = readRowPointer(bytes->data());
        if (at.target.page == 0 || at.target.page >= file_.pageCount())
            return file_.corrupt("移动行的指针指向文件之外", id.page);
        auto tp = file_.page(at.target.page);
        if (!tp)
            return tp.error();
        if (!isDataPageOf(**tp, def_->page))
            return file_.corrupt("移动行的指针指向的页不是这个表的数据页", id.page);
        auto tdp = DataPage::open(file_, *tp);
        if (!tdp)
            return tdp.error();
        if (at.target.row >= tdp->rowCount() || tdp->state(at.target.row) != SlotState::Target)
            return file_.corrupt("移动行的指针指向的行不是移动后的行", id.page);
        auto tb = tdp->rowBytes(file_, at.target.row);
        if (!tb)
            return tb.error();
        at.holdRow = *tp;
        at.stored = *tb;
        at.storedPage = at.target.page;
    }
    return at;
}

Status TableWriter::syncFreeMap(uint32_t page) {
    return syncFreeBit(file_, def_->freeSpaceMap, page, minRowSize_);
}

Result<RowId> TableWriter::place(ByteView row, uint16_t flags, int64_t avoidPage) {
    // The table's last page takes the row if it has room; the map is not read in full for that.
    auto lastPage = lastUsageMapPage(file_, def_->ownedPagesMap);
    if (!lastPage)
        return lastPage.error();
    int64_t target = -1;
    if (*lastPage) {
        const uint32_t last = **lastPage;
        auto pg = file_.page(last);
        if (!pg)
            return pg.error();
        if (int64_t(last) != avoidPage && isDataPageOf(**pg, def_->page) && checkRowArea(**pg).ok() &&
            fitsNewRow(**pg, row.size()))
            target = last;
    }
    if (target < 0) {
        auto n = allocatePage(file_);
        if (!n)
            return n.error();
        auto pg = file_.mutablePage(*n);
        if (!pg)
            return pg.error();
        initDataPage(**pg, def_->page);
        JET_TRY(setMapMember(file_, def_->ownedPagesMap, *n, true));
        target = *n;
    }
    auto pg = file_.mutablePage(uint32_t(target));
    if (!pg)
        return pg.error();
    auto slot = addRow(**pg, row, flags);
    if (!slot)
        return withFile(slot.error(), file_, target);
    JET_TRY(syncFreeMap(uint32_t(target)));
    return RowId{uint32_t(target), uint8_t(*slot)};
}

Result<std::vector<Value>> TableWriter::decodeStored(ByteView row, uint32_t page) const {
    RowLayout layout;
    auto parsed = parseRow(*def_, row, layout);
    if (!parsed)
        return withFile(parsed.error(), file_, page);
    std::vector<Value> out;
    out.reserve(def_->columns.size());
    for (const auto& c : def_->columns) {
        auto v = decodeField(file_, layout, c, page);
        if (!v)
            return v.error();
        out.push_back(std::move(*v));
    }
    return out;
}

// Writes the long values of `fields` marked in `writeLong` (their data is the value's bytes;
// it becomes the stored header), frames the row and checks that it reads back as `intended`.
Result<Bytes> TableWriter::finishRow(std::vector<FieldBytes>& fields, const std::vector<Value>& intended,
                                     const std::vector<bool>& writeLong) {
    // The size first, with each long value's header in place of what it will be, so that a row
    // too long for a page is refused before anything is written.
    {
        std::vector<FieldBytes> sized = fields;
        for (size_t i = 0; i < sized.size(); ++i)
            if (writeLong[i] && sized[i].data.size() > kMaxInlineLongValue)
                sized[i].data.assign(kLongValueHeaderSize, 0);
            else if (writeLong[i])
                sized[i].data = makeInlineLongValue(sized[i].data);
        auto row = encodeRow(*def_, sized);
        if (!row)
            return withFile(row.error(), file_, def_->page);
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!writeLong[i] || fields[i].null)
            continue;
        auto header = writeLongValue(file_, def_->columns[i], fields[i].data);
        if (!header)
            return header.error();
        fields[i].data = std::move(*header);
    }
    auto row = encodeRow(*def_, fields);
    if (!row)
        return withFile(row.error(), file_, def_->page);
    // Read it back as a reader will, long values through the pages just written.
    auto back = decodeStored(*row, def_->page);
    if (!back)
        return makeError(ErrorKind::Invalid, "写入前的校验失败：新行无法读回（" + back.error().message + "）",
                         file_.name(), def_->page);
    for (size_t i = 0; i < intended.size(); ++i)
        if (!sameValue((*back)[i], intended[i]))
            return makeError(ErrorKind::Invalid,
                             "写入前的校验失败：" + columnName(def_->columns[i]) + "读回的值与要写入的值不同",
                             file_.name(), def_->page);
    return row;
}

Status TableWriter::adjustRowCount(int delta) {
    auto pg = file_.mutablePage(def_->page);
    if (!pg)
        return pg.error();
    uint8_t* p = (*pg)->bytes.data() + kTdefRowCount;
    const uint32_t n = le32(p);
    if (delta < 0 && n == 0)
        return okStatus(); // a counter already off: do not wrap it
    put32(p, uint32_t(int64_t(n) + delta));
    return okStatus();
}

namespace {

// The field of a value that has passed valueForColumn; long values carry their bytes and are
// stored by finishRow.
Result<FieldBytes> fieldFor(const ColumnDef& c, const Value& v) {
    FieldBytes f;
    if (isNull(v))
        return f;
    f.null = false;
    if (c.type == ColumnType::Boolean) {
        f.flag = std::get<bool>(v);
        return f;
    }
    if (c.type == ColumnType::Memo) {
        const auto& s = std::get<std::u16string>(v);
        f.data = encodeText(s, c.isCompressedUnicode() && s.size() <= kMaxCompressedMemo);
        return f;
    }
    if (c.type == ColumnType::OLE) {
        f.data = std::get<Bytes>(v);
        return f;
    }
    auto b = encodeScalar(c, v);
    if (!b)
        return b.error();
    f.data = std::move(*b);
    return f;
}

} // namespace

Result<RowId> TableWriter::insert(const std::vector<Value>& values) {
    JET_TRY(checkWritable());
    const auto& cols = def_->columns;
    if (values.size() != cols.size())
        return makeError(ErrorKind::Invalid, "值的个数（" + std::to_string(values.size()) + "）与表的列数（" +
                                                 std::to_string(cols.size()) + "）不一致");
    std::vector<Value> intended(cols.size());
    std::vector<FieldBytes> fields(cols.size());
    std::vector<bool> writeLong(cols.size(), false);
    // Autonumbers: the definition keeps the last number given out.
    auto tdef = file_.page(def_->page);
    if (!tdef)
        return tdef.error();
    int64_t lastNumber = int32_t(le32((*tdef)->bytes.data() + kTdefAutoNumber));
    const int64_t storedNumber = lastNumber;
    for (size_t i = 0; i < cols.size(); ++i) {
        const ColumnDef& c = cols[i];
        Value v = values[i];
        if (c.isAutoNumber() && c.type == ColumnType::Long) {
            if (isNull(v)) {
                if (lastNumber >= INT32_MAX)
                    return invalid(c, "的自动编号已用完");
                v = int32_t(++lastNumber);
            } else if (auto x = std::get_if<int32_t>(&v)) {
                lastNumber = std::max<int64_t>(lastNumber, *x);
            }
        } else if (c.isAutoGuid() && c.type == ColumnType::GUID && isNull(v)) {
            v = randomGuid();
        }
        auto ok = valueForColumn(c, v);
        if (!ok)
            return ok.error();
        intended[i] = std::move(*ok);
        auto f = fieldFor(c, intended[i]);
        if (!f)
            return f.error();
        fields[i] = std::move(*f);
        writeLong[i] = c.isLongValue();
    }
    auto row = finishRow(fields, intended, writeLong);
    if (!row)
        return row.error();
    auto at = place(*row, 0, -1);
    if (!at)
        return at.error();
    JET_TRY(adjustRowCount(+1));
    if (lastNumber != storedNumber) {
        auto pg = file_.mutablePage(def_->page);
        if (!pg)
            return pg.error();
        put32((*pg)->bytes.data() + kTdefAutoNumber, uint32_t(int32_t(lastNumber)));
    }
    return *at;
}

Status TableWriter::update(RowId id, const std::vector<ColumnChange>& changes) {
    JET_TRY(checkWritable());
    const auto& cols = def_->columns;
    std::vector<int64_t> changeOf(cols.size(), -1);
    for (size_t k = 0; k < changes.size(); ++k) {
        if (changes[k].column >= cols.size())
            return makeError(ErrorKind::Invalid, "列序号超出范围");
        if (changeOf[changes[k].column] >= 0)
            return invalid(cols[changes[k].column], "在一次修改中出现了两次");
        changeOf[changes[k].column] = int64_t(k);
    }
    auto at = locate(id);
    if (!at)
        return at.error();
    auto old = decodeStored(at->stored, at->storedPage);
    if (!old)
        return old.error();
    RowLayout layout;
    JET_TRY(parseRow(*def_, at->stored, layout));

    std::vector<Value> intended(cols.size());
    std::vector<FieldBytes> fields(cols.size());
    std::vector<bool> writeLong(cols.size(), false);
    for (size_t i = 0; i < cols.size(); ++i) {
        const ColumnDef& c = cols[i];
        if (changeOf[i] < 0) {
            // Unchanged: the stored bytes as they are (a long value keeps its LVAL rows).
            auto f = fieldOf(layout, c);
            if (!f)
                return withFile(f.error(), file_, at->storedPage);
            fields[i].null = f->null;
            fields[i].flag = f->flag;
            fields[i].data.assign(f->data.begin(), f->data.end());
            intended[i] = (*old)[i];
            if (c.type == ColumnType::Boolean && isNull(intended[i]))
                intended[i] = false; // a row older than the column: written as No
            continue;
        }
        auto ok = valueForColumn(c, changes[size_t(changeOf[i])].value);
        if (!ok)
            return ok.error();
        intended[i] = std::move(*ok);
        auto f = fieldFor(c, intended[i]);
        if (!f)
            return f.error();
        fields[i] = std::move(*f);
        writeLong[i] = c.isLongValue();
    }
    // The replaced long values' rows go first, so that their room can be reused.
    for (size_t i = 0; i < cols.size(); ++i) {
        if (changeOf[i] < 0 || !cols[i].isLongValue())
            continue;
        auto f = fieldOf(layout, cols[i]);
        if (f && !f->null)
            releaseLongValue(file_, cols[i], f->data);
    }
    auto row = finishRow(fields, intended, writeLong);
    if (!row)
        return row.error();

    const size_t oldSize = at->stored.size();
    auto fitsInPlace = [&](uint32_t page, size_t oldLen) -> Result<bool> {
        auto pg = file_.page(page);
        if (!pg)
            return pg.error();
        return row->size() <= oldLen || row->size() - oldLen <= freeSpaceOf(**pg);
    };
    auto rewrite = [&](RowId where, ByteView bytes) -> Status {
        auto pg = file_.mutablePage(where.page);
        if (!pg)
            return pg.error();
        auto st = replaceRow(**pg, where.row, bytes);
        if (!st)
            return withFile(st.error(), file_, where.page);
        return syncFreeMap(where.page);
    };
    auto pointerTo = [](RowId to) {
        Bytes p(4);
        writeRowPointer(p.data(), to);
        return p;
    };
    auto markDeleted = [&](RowId where) -> Status {
        JET_TRY(rewrite(where, ByteView()));
        auto pg = file_.mutablePage(where.page);
        if (!pg)
            return pg.error();
        setSlotFlags(**pg, where.row, kFlagsDeleted);
        return okStatus();
    };

    if (!at->moved) {
        auto fits = fitsInPlace(id.page, oldSize);
        if (!fits)
            return fits.error();
        if (*fits)
            return rewrite(id, *row);
        // Too big for its page: the row moves, its slot keeps a pointer to it.
        auto moved = place(*row, kRowFlagTarget, id.page);
        if (!moved)
            return moved.error();
        const Bytes ptr = pointerTo(*moved);
        {
            auto pg = file_.page(id.page);
            if (!pg)
                return pg.error();
            if (ptr.size() > oldSize && ptr.size() - oldSize > freeSpaceOf(**pg))
                return file_.error(ErrorKind::Invalid, "数据页上没有足够的空间存放移动行的指针", id.page);
        }
        JET_TRY(rewrite(id, ptr));
        auto pg = file_.mutablePage(id.page);
        if (!pg)
            return pg.error();
        setSlotFlags(**pg, id.row, kRowFlagPointer);
        return okStatus();
    }
    // A moved row: bring it home when it fits there again (other readers then meet it in its
    // place too), else rewrite it where it is, else move it once more.
    auto fitsHome = fitsInPlace(id.page, at->pointerSize);
    if (!fitsHome)
        return fitsHome.error();
    if (*fitsHome) {
        JET_TRY(markDeleted(at->target));
        JET_TRY(rewrite(id, *row));
        auto pg = file_.mutablePage(id.page);
        if (!pg)
            return pg.error();
        setSlotFlags(**pg, id.row, 0);
        return okStatus();
    }
    auto fitsThere = fitsInPlace(at->target.page, oldSize);
    if (!fitsThere)
        return fitsThere.error();
    if (*fitsThere)
        return rewrite(at->target, *row);
    auto moved = place(*row, kRowFlagTarget, at->target.page);
    if (!moved)
        return moved.error();
    JET_TRY(markDeleted(at->target));
    return rewrite(id, pointerTo(*moved));
}

Status TableWriter::remove(RowId id) {
    JET_TRY(checkWritable());
    auto at = locate(id);
    if (!at)
        return at.error();
    // The row's long values first (best effort: a damaged value must not keep the row).
    RowLayout layout;
    if (parseRow(*def_, at->stored, layout).ok()) {
        for (const auto& c : def_->columns) {
            if (!c.isLongValue())
                continue;
            auto f = fieldOf(layout, c);
            if (f && !f->null) {
                const Bytes field(f->data.begin(), f->data.end()); // the page may move under the view
                releaseLongValue(file_, c, field);
            }
        }
    }
    auto drop = [&](RowId where) -> Status {
        auto pg = file_.mutablePage(where.page);
        if (!pg)
            return pg.error();
        auto st = replaceRow(**pg, where.row, ByteView());
        if (!st)
            return withFile(st.error(), file_, where.page);
        setSlotFlags(**pg, where.row, kFlagsDeleted);
        return syncFreeMap(where.page);
    };
    JET_TRY(drop(id));
    if (at->moved)
        JET_TRY(drop(at->target));
    return adjustRowCount(-1);
}

} // namespace jet
