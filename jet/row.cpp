#include "jet/row.h"

#include "jet/codec.h"

#include <algorithm>

namespace jet {

namespace {
Error rowError(std::string message) {
    return makeError(ErrorKind::Corrupt, "行数据损坏：" + std::move(message));
}

} // namespace

Status parseRow(const TableDef& def, ByteView row, RowLayout& out) {
    const size_t size = row.size();
    if (size < 2)
        return rowError("行太短");
    out.bytes = row;
    out.columnCount = le16(row.data());
    const size_t maskSize = (size_t(out.columnCount) + 7) / 8;
    if (maskSize > size - 2)
        return rowError("空值位图超出行的长度");
    const size_t end = size - maskSize;
    out.nullMask = row.subspan(end);
    if (!def.hasVariableColumns) {
        out.varOffsets.clear();
        out.dataEnd = end;
        return okStatus();
    }
    // Variable part: a count just before the null mask, and before it count + 1 offsets, the
    // first nearest the count (docs/jet4-format.md §5).
    // (The offsets are resized, not cleared: rows of a table mostly have the same count.)
    if (end < 4) {
        out.varOffsets.clear();
        return rowError("行太短，放不下变长列表");
    }
    const size_t varCount = le16(row.data() + end - 2);
    const size_t tableBytes = 2 * (varCount + 1);
    if (tableBytes > end - 4) {
        out.varOffsets.clear();
        return rowError("变长列偏移表超出行的长度");
    }
    const size_t tableStart = end - 2 - tableBytes;
    out.varOffsets.resize(varCount + 1);
    uint16_t prev = 2;
    for (size_t j = 0; j <= varCount; ++j) {
        const uint16_t off = le16(row.data() + end - 4 - 2 * j);
        if (off < prev || off > tableStart) {
            out.varOffsets.clear();
            return rowError("变长列偏移无效");
        }
        out.varOffsets[j] = off;
        prev = off;
    }
    out.dataEnd = tableStart;
    return okStatus();
}

Result<FieldRef> fieldOf(const RowLayout& row, const ColumnDef& c) {
    FieldRef f;
    if (!locateField(row, c, f))
        return rowError("定长列“" + toUtf8(c.name) + "”超出行的定长区");
    return f;
}

Result<Bytes> encodeRow(const TableDef& def, std::span<const FieldBytes> fields) {
    if (fields.size() != def.columns.size())
        return makeError(ErrorKind::Invalid, "字段个数与表的列数不符");
    uint16_t columnCount = def.maxColumns;
    size_t fixedEnd = 0, varCount = 0;
    for (const auto& c : def.columns) {
        columnCount = std::max<uint16_t>(columnCount, uint16_t(c.number + 1));
        if (c.type == ColumnType::Boolean)
            continue;
        if (c.isFixed())
            fixedEnd = std::max(fixedEnd, size_t(c.fixedOffset) + storedSize(c));
        else
            varCount = std::max(varCount, size_t(c.varIndex) + 1);
    }
    const size_t maskSize = (size_t(columnCount) + 7) / 8;
    Bytes row(2 + fixedEnd, 0);
    put16(row.data(), columnCount);
    Bytes mask(maskSize, 0);
    std::vector<const FieldBytes*> byVarIndex(varCount, nullptr);
    for (size_t i = 0; i < fields.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const FieldBytes& f = fields[i];
        const bool present = c.type == ColumnType::Boolean ? f.flag : !f.null;
        if (present)
            mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
        if (c.type == ColumnType::Boolean || f.null)
            continue;
        if (c.isFixed()) {
            if (f.data.size() != storedSize(c))
                return makeError(ErrorKind::Invalid, "定长列“" + toUtf8(c.name) + "”的字节数不符");
            std::copy(f.data.begin(), f.data.end(), row.begin() + 2 + c.fixedOffset);
        } else {
            byVarIndex[c.varIndex] = &f;
        }
    }
    std::vector<uint16_t> offsets;
    if (def.hasVariableColumns) {
        for (size_t j = 0; j < varCount; ++j) {
            offsets.push_back(uint16_t(std::min<size_t>(row.size(), 0xFFFF)));
            if (byVarIndex[j])
                row.insert(row.end(), byVarIndex[j]->data.begin(), byVarIndex[j]->data.end());
        }
        offsets.push_back(uint16_t(std::min<size_t>(row.size(), 0xFFFF)));
        for (size_t j = offsets.size(); j-- > 0;) {
            row.push_back(uint8_t(offsets[j]));
            row.push_back(uint8_t(offsets[j] >> 8));
        }
        row.push_back(uint8_t(varCount));
        row.push_back(uint8_t(varCount >> 8));
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > kMaxRowSize)
        return makeError(ErrorKind::Invalid,
                         "行的长度 " + std::to_string(row.size()) + " 字节超出上限 4060 字节");
    return row;
}

} // namespace jet
