#include "jet/tdefbuild.h"

#include "jet/codec.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace jet {

namespace {

// Offsets of the definition block (docs/jet4-format.md §3).
constexpr size_t kTdefHeader = 8;
constexpr size_t kTdefRealIndexEntries = 0x3F;
constexpr size_t kRealIndexEntrySize = 12;
constexpr size_t kColumnDescriptorSize = 25;
constexpr size_t kRealIndexDefSize = 52;
constexpr size_t kLogicalIndexDefSize = 28;
constexpr size_t kKeySlots = 10;
// Stamps every Jet 4 definition carries in the same places: after the row counter's header, in
// each column descriptor and logical index (0x659), and in each physical index (0x783). Seen in
// every sample file, whatever created it.
constexpr uint32_t kDefinitionStamp = 0x0659;
constexpr uint32_t kRealIndexStamp = 0x0783;
// Bytes 21-22 of a logical index entry that is not a foreign key.
constexpr uint8_t kLogicalIndexPlainFlags = 0x04;

bool isTextLike(ColumnType t) {
    return t == ColumnType::Text || t == ColumnType::Memo;
}

void appendName(Bytes& out, const std::u16string& name) {
    const size_t at = out.size();
    out.resize(at + 2 + 2 * name.size());
    put16(out.data() + at, uint16_t(2 * name.size()));
    for (size_t i = 0; i < name.size(); ++i)
        put16(out.data() + at + 2 + 2 * i, uint16_t(name[i]));
}

} // namespace

void assignColumnLayout(std::vector<ColumnDef>& columns) {
    uint16_t fixedOffset = 0, varIndex = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        ColumnDef& c = columns[i];
        c.number = uint16_t(i);
        const size_t fixedSize = fixedSizeOf(c.type);
        if (c.type == ColumnType::Boolean) {
            c.flags |= kColumnFixed;
            c.size = 1;
            c.fixedOffset = 0;
            c.varIndex = varIndex;
        } else if (fixedSize != 0) {
            c.flags |= kColumnFixed;
            c.size = uint16_t(fixedSize);
            c.fixedOffset = fixedOffset;
            c.varIndex = varIndex;
            fixedOffset = uint16_t(fixedOffset + fixedSize);
        } else {
            c.flags &= uint8_t(~kColumnFixed);
            if (c.isLongValue())
                c.size = 0;
            c.fixedOffset = 0;
            c.varIndex = varIndex++;
        }
    }
}

Result<PageImage> encodeTableDef(const TableDef& def, const TableDefLayout& layout) {
    const size_t columnCount = def.columns.size();
    std::vector<size_t> order = layout.descriptorOrder;
    if (order.empty()) {
        order.resize(columnCount);
        std::iota(order.begin(), order.end(), size_t(0));
    }
    if (order.size() != columnCount)
        return makeError(ErrorKind::Invalid, "列描述的顺序与列数不符");
    for (const auto& c : def.columns)
        if (c.name.empty() || c.name.size() > 64)
            return makeError(ErrorKind::Invalid, "列名的长度必须在 1 到 64 个字符之间");

    // Both counts remember deleted columns (rows written before a deletion still carry them), so
    // a stored count larger than the present columns' is kept.
    uint16_t variable = 0, maxColumns = def.maxColumns;
    for (const auto& c : def.columns) {
        if (c.isVariable())
            ++variable;
        maxColumns = std::max<uint16_t>(maxColumns, uint16_t(c.number + 1));
    }
    variable = std::max(variable, def.variableColumns);

    Bytes b(kTdefRealIndexEntries, 0);
    b[0] = uint8_t(PageType::TableDef);
    b[1] = 0x01;
    put32(b.data() + 0x0C, kDefinitionStamp);
    put32(b.data() + 0x10, def.rowCount);
    put32(b.data() + 0x14, def.nextAutoNumber);
    b[0x18] = 0x01;
    b[0x28] = def.tableType;
    put16(b.data() + 0x29, maxColumns);
    put16(b.data() + 0x2B, variable);
    put16(b.data() + 0x2D, uint16_t(columnCount));
    put32(b.data() + 0x2F, uint32_t(def.logicalIndexes.size()));
    put32(b.data() + 0x33, uint32_t(def.realIndexes.size()));
    writeRowPointer(b.data() + 0x37, def.ownedPagesMap);
    writeRowPointer(b.data() + 0x3B, def.freeSpaceMap);

    for (const auto& ix : def.realIndexes) {
        uint8_t e[kRealIndexEntrySize]{};
        put32(e + 4, ix.rowCount);
        b.insert(b.end(), e, e + kRealIndexEntrySize);
    }
    for (size_t i : order) {
        const ColumnDef& c = def.columns[i];
        uint8_t d[kColumnDescriptorSize]{};
        d[0] = uint8_t(c.type);
        put32(d + 1, kDefinitionStamp);
        put16(d + 5, c.number);
        put16(d + 7, c.varIndex);
        if (layout.writeColumnPositions)
            put16(d + 9, uint16_t(i));
        if (isTextLike(c.type)) {
            put16(d + 11, c.sortOrder);
            d[14] = c.sortOrderVersion;
        } else if (c.type == ColumnType::Numeric) {
            d[11] = c.precision;
            d[12] = c.scale;
        } else {
            put16(d + 11, layout.nonTextSortOrder);
        }
        d[15] = c.flags;
        d[16] = c.extFlags;
        if (!c.isVariable())
            put16(d + 21, c.fixedOffset);
        put16(d + 23, c.size);
        b.insert(b.end(), d, d + kColumnDescriptorSize);
    }
    for (size_t i : order)
        appendName(b, def.columns[i].name);
    for (const auto& ix : def.realIndexes) {
        if (ix.columns.size() > kKeySlots)
            return makeError(ErrorKind::Invalid, "一个索引最多 10 列");
        uint8_t d[kRealIndexDefSize]{};
        put32(d, kRealIndexStamp);
        for (size_t k = 0; k < kKeySlots; ++k) {
            uint8_t* slot = d + 4 + 3 * k;
            if (k < ix.columns.size()) {
                put16(slot, ix.columns[k].number);
                slot[2] = ix.columns[k].ascending ? 0x01 : 0x00;
            } else {
                put16(slot, 0xFFFF);
            }
        }
        writeRowPointer(d + 34, ix.usageMap);
        put32(d + 38, ix.firstPage);
        d[46] = ix.flags;
        b.insert(b.end(), d, d + kRealIndexDefSize);
    }
    for (const auto& li : def.logicalIndexes) {
        uint8_t d[kLogicalIndexDefSize]{};
        put32(d, kDefinitionStamp);
        put32(d + 4, li.number);
        put32(d + 8, li.realIndex);
        put32(d + 13, 0xFFFFFFFFu);
        put32(d + 17, li.relatedTablePage);
        d[21] = kLogicalIndexPlainFlags;
        d[22] = kLogicalIndexPlainFlags;
        d[23] = li.type;
        b.insert(b.end(), d, d + kLogicalIndexDefSize);
    }
    for (const auto& li : def.logicalIndexes) {
        if (li.name.empty() || li.name.size() > 64)
            return makeError(ErrorKind::Invalid, "索引名的长度必须在 1 到 64 个字符之间");
        appendName(b, li.name);
    }
    // Long-value columns, in descriptor order, with the maps of their LVAL pages.
    for (size_t i : order) {
        const ColumnDef& c = def.columns[i];
        if (!c.isLongValue())
            continue;
        uint8_t d[10]{};
        put16(d, c.number);
        writeRowPointer(d + 2, c.longValueOwnedMap);
        writeRowPointer(d + 6, c.longValueFreeMap);
        b.insert(b.end(), d, d + 10);
    }
    b.push_back(0xFF);
    b.push_back(0xFF);

    if (b.size() + kTdefHeader > kPageSize)
        return makeError(ErrorKind::Invalid,
                         "表定义有 " + std::to_string(b.size()) + " 字节，放不进一个表定义页");
    put32(b.data() + 0x08, uint32_t(b.size()));
    // Jet counts the 8 bytes of the page header twice here: free = page - length - 8.
    put16(b.data() + 0x02, uint16_t(kPageSize - b.size() - kTdefHeader));
    PageImage page{};
    std::copy(b.begin(), b.end(), page.begin());
    return page;
}

} // namespace jet
