#include "jet/tabledef.h"

#include "jet/codec.h"

#include <algorithm>
#include <unordered_set>

namespace jet {

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z')
            x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

int TableDef::findColumn(std::u16string_view name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (sameName(columns[i].name, name))
            return int(i);
    return -1;
}

namespace {

// Layout of the definition block, offsets into TableDef::raw (docs/jet4-format.md §3).
constexpr size_t kTdefNextPage = 0x04;
constexpr size_t kTdefLength = 0x08;
constexpr size_t kTdefRowCount = 0x10;
constexpr size_t kTdefAutoNumber = 0x14;
constexpr size_t kTdefTableType = 0x28;
constexpr size_t kTdefMaxColumns = 0x29;
constexpr size_t kTdefVarColumns = 0x2B;
constexpr size_t kTdefColumnCount = 0x2D;
constexpr size_t kTdefLogicalIndexCount = 0x2F;
constexpr size_t kTdefRealIndexCount = 0x33;
constexpr size_t kTdefOwnedMap = 0x37;
constexpr size_t kTdefFreeMap = 0x3B;
constexpr size_t kTdefRealIndexEntries = 0x3F;
constexpr size_t kRealIndexEntrySize = 12;
constexpr size_t kColumnDescriptorSize = 25;
constexpr size_t kRealIndexDefSize = 52;
constexpr size_t kLogicalIndexDefSize = 28;
constexpr size_t kTdefPageHeader = 8;
// Jet 4 allows 255 columns and 32 indexes per table; anything larger is damage.
constexpr uint32_t kMaxColumns = 255;
constexpr uint32_t kMaxIndexes = 255;

// Sequential reader over the definition bytes that reports running past the end.
struct Reader {
    const Bytes& raw;
    size_t pos;
    bool need(size_t n) const { return pos <= raw.size() && raw.size() - pos >= n; }
    const uint8_t* take(size_t n) {
        const uint8_t* p = raw.data() + pos;
        pos += n;
        return p;
    }
};

} // namespace

Result<std::shared_ptr<const TableDef>> readTableDef(const PageFile& file, uint32_t page,
                                                     std::u16string name) {
    auto def = std::make_shared<TableDef>();
    def->name = std::move(name);
    def->page = page;

    if (page == 0)
        return file.corrupt("表定义的页号为 0（那是文件头页）", 0);
    // Gather the page chain (docs/jet4-format.md §3: continuation pages).
    std::unordered_set<uint32_t> seen;
    uint32_t next = page;
    while (next != 0) {
        if (!seen.insert(next).second)
            return file.corrupt("表定义的续页链出现循环", next);
        auto pg = file.page(next);
        if (!pg)
            return pg.error();
        const Page& p = **pg;
        if (p.type() != PageType::TableDef)
            return file.corrupt("应为表定义页，实际页类型为 " + std::to_string(int(p.bytes[0])), next);
        def->pages.push_back(next);
        if (def->raw.empty())
            def->raw.assign(p.bytes.begin(), p.bytes.end());
        else
            def->raw.insert(def->raw.end(), p.bytes.begin() + kTdefPageHeader, p.bytes.end());
        next = le32(p.bytes.data() + kTdefNextPage);
    }

    const Bytes& raw = def->raw;
    const std::string tableName = def->name.empty() ? std::string() : "“" + toUtf8(def->name) + "”";
    auto bad = [&](const std::string& what) {
        return file.corrupt("表" + tableName + "的定义损坏：" + what, page);
    };
    def->definitionLength = le32(raw.data() + kTdefLength);
    def->rowCount = le32(raw.data() + kTdefRowCount);
    def->nextAutoNumber = le32(raw.data() + kTdefAutoNumber);
    def->tableType = raw[kTdefTableType];
    def->maxColumns = le16(raw.data() + kTdefMaxColumns);
    def->variableColumns = le16(raw.data() + kTdefVarColumns);
    def->columnCount = le16(raw.data() + kTdefColumnCount);
    def->logicalIndexCount = le32(raw.data() + kTdefLogicalIndexCount);
    def->realIndexCount = le32(raw.data() + kTdefRealIndexCount);
    def->ownedPagesMap = readRowPointer(raw.data() + kTdefOwnedMap);
    def->freeSpaceMap = readRowPointer(raw.data() + kTdefFreeMap);
    if (def->columnCount > kMaxColumns)
        return bad("列数 " + std::to_string(def->columnCount) + " 超出上限");
    if (def->realIndexCount > kMaxIndexes || def->logicalIndexCount > kMaxIndexes)
        return bad("索引数超出上限");

    Reader rd{raw, kTdefRealIndexEntries};
    if (!rd.need(kRealIndexEntrySize * def->realIndexCount))
        return bad("索引项超出定义末尾");
    def->realIndexes.resize(def->realIndexCount);
    for (auto& ix : def->realIndexes)
        ix.rowCount = le32(rd.take(kRealIndexEntrySize) + 4);

    // Column descriptors, then the names in the same order.
    if (!rd.need(kColumnDescriptorSize * def->columnCount))
        return bad("列描述超出定义末尾");
    std::vector<ColumnDef> cols(def->columnCount);
    for (auto& c : cols) {
        c.descriptorOffset = rd.pos;
        const uint8_t* d = rd.take(kColumnDescriptorSize);
        const uint8_t code = d[0];
        c.type = ColumnType(code);
        c.number = le16(d + 5);
        c.varIndex = le16(d + 7);
        c.flags = d[15];
        c.extFlags = d[16];
        c.fixedOffset = le16(d + 21);
        c.size = le16(d + 23);
        if (c.type == ColumnType::Numeric) {
            c.precision = d[11];
            c.scale = d[12];
        } else if (c.type == ColumnType::Text || c.type == ColumnType::Memo) {
            c.sortOrder = le16(d + 11);
            c.sortOrderVersion = d[14];
        }
    }
    for (auto& c : cols) {
        if (!rd.need(2))
            return bad("列名超出定义末尾");
        const size_t len = le16(rd.take(2));
        if (!rd.need(len) || len % 2 != 0)
            return bad("列名长度无效");
        const uint8_t* s = rd.take(len);
        for (size_t i = 0; i < len; i += 2)
            c.name += char16_t(le16(s + i));
    }
    // Physical index definitions, logical index entries and their names.
    if (!rd.need(kRealIndexDefSize * def->realIndexCount))
        return bad("索引定义超出定义末尾");
    for (auto& ix : def->realIndexes) {
        const uint8_t* d = rd.take(kRealIndexDefSize);
        for (int k = 0; k < 10; ++k) {
            const uint16_t num = le16(d + 4 + 3 * k);
            if (num != 0xFFFF)
                ix.columns.push_back({num, d[4 + 3 * k + 2] == 0x01});
        }
        ix.usageMap = readRowPointer(d + 34);
        ix.firstPage = le32(d + 38);
        // Bytes 42-45 hold leftovers; the flags byte follows them (0x80 is always set by Jet).
        ix.flags = d[46];
    }
    if (!rd.need(kLogicalIndexDefSize * def->logicalIndexCount))
        return bad("逻辑索引超出定义末尾");
    def->logicalIndexes.resize(def->logicalIndexCount);
    for (auto& li : def->logicalIndexes) {
        const uint8_t* d = rd.take(kLogicalIndexDefSize);
        li.number = le32(d + 4);
        li.realIndex = le32(d + 8);
        li.relatedTablePage = le32(d + 17);
        li.type = d[23];
    }
    for (auto& li : def->logicalIndexes) {
        if (!rd.need(2))
            return bad("索引名超出定义末尾");
        const size_t len = le16(rd.take(2));
        if (!rd.need(len) || len % 2 != 0)
            return bad("索引名长度无效");
        const uint8_t* s = rd.take(len);
        for (size_t i = 0; i < len; i += 2)
            li.name += char16_t(le16(s + i));
    }

    // Usage maps of the long-value columns: column number, owned map, free map; 0xFFFF ends.
    // Older definitions may stop before this list, which then just is empty.
    while (rd.need(2)) {
        const uint16_t num = le16(rd.take(2));
        if (num == 0xFFFF || !rd.need(8))
            break;
        const uint8_t* d = rd.take(8);
        for (auto& c : cols) {
            if (c.number == num && c.isLongValue()) {
                c.longValueOwnedMap = readRowPointer(d);
                c.longValueFreeMap = readRowPointer(d + 4);
            }
        }
    }

    std::sort(cols.begin(), cols.end(),
              [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    for (size_t i = 1; i < cols.size(); ++i)
        if (cols[i].number == cols[i - 1].number)
            return bad("列号 " + std::to_string(cols[i].number) + " 重复");
    for (const auto& c : cols) {
        if (c.isVariable())
            def->hasVariableColumns = true;
        const size_t fixedSize = fixedSizeOf(c.type);
        if (c.isFixed() && fixedSize != 0 && c.size != fixedSize)
            return bad("列“" + toUtf8(c.name) + "”的长度与类型不符");
    }
    // Each variable column has its own slot in the offset table and each fixed column its own
    // bytes in the fixed area; sharing them is damage (a reader would not notice, a writer
    // would overwrite one column with another).
    std::vector<std::pair<size_t, size_t>> spans; // fixed: [offset, end)
    std::vector<uint16_t> slots;
    for (const auto& c : cols) {
        if (c.isVariable())
            slots.push_back(c.varIndex);
        else if (c.type != ColumnType::Boolean)
            spans.emplace_back(c.fixedOffset,
                               size_t(c.fixedOffset) + (fixedSizeOf(c.type) ? fixedSizeOf(c.type) : c.size));
    }
    std::sort(slots.begin(), slots.end());
    if (std::adjacent_find(slots.begin(), slots.end()) != slots.end())
        return bad("两个变长列共用一个偏移位置");
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return bad("两个定长列的位置重叠");
    // Rows written while the table had variable columns carry the offset table even if those
    // columns were deleted since; the stored count remembers them.
    if (def->variableColumns > 0)
        def->hasVariableColumns = true;
    def->columns = std::move(cols);
    return std::shared_ptr<const TableDef>(std::move(def));
}

} // namespace jet
