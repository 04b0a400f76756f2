#include "jet/longvalue.h"

#include "jet/datapage.h"

#include <algorithm>
#include <unordered_set>

namespace jet {

Result<LongValueRef> parseLongValueRef(ByteView field) {
    if (field.size() < kLongValueHeaderSize)
        return makeError(ErrorKind::Corrupt, "长值字段短于 12 字节的头");
    const uint32_t word = le32(field.data());
    LongValueRef r;
    r.length = word & 0x3FFFFFFF;
    const uint8_t kind = uint8_t(word >> 24) & 0xC0;
    r.where = readRowPointer(field.data() + 4);
    switch (kind) {
    case 0x80:
        r.kind = LongValueRef::Kind::Inline;
        if (r.length > field.size() - kLongValueHeaderSize)
            return makeError(ErrorKind::Corrupt, "内联长值的长度超出字段");
        r.inlineData = field.subspan(kLongValueHeaderSize, r.length);
        break;
    case 0x40:
        r.kind = LongValueRef::Kind::SingleRow;
        break;
    case 0x00:
        r.kind = LongValueRef::Kind::Chain;
        break;
    default:
        return makeError(ErrorKind::Corrupt, "长值的存储方式未知");
    }
    return r;
}

namespace {

// The bytes of LVAL row `id`.
Result<ByteView> lvalRow(const PageFile& file, RowId id, PageRef& hold) {
    auto pg = file.page(id.page);
    if (!pg)
        return file.corrupt("长值所在的页不存在", id.page);
    hold = *pg;
    auto dp = DataPage::open(file, hold);
    if (!dp)
        return dp.error();
    if (!dp->isLongValuePage())
        return file.corrupt("长值指向的页不是长值页", id.page);
    if (id.row >= dp->rowCount() || dp->state(id.row) == SlotState::Deleted)
        return file.corrupt("长值指向的行不存在", id.page);
    return dp->rowBytes(file, id.row);
}

} // namespace

Result<Bytes> readLongValue(const PageFile& file, ByteView field, uint32_t rowPage) {
    auto ref = parseLongValueRef(field);
    if (!ref) {
        Error e = ref.error();
        e.file = file.name();
        e.page = rowPage;
        return e;
    }
    if (ref->kind == LongValueRef::Kind::Inline)
        return Bytes(ref->inlineData.begin(), ref->inlineData.end());
    if (ref->length == 0)
        return Bytes{};
    // Every byte of the value lives in some page of the file: a longer length is damage, and
    // must not become an allocation.
    if (uint64_t(ref->length) > uint64_t(file.pageCount()) * kPageSize)
        return file.corrupt("长值的长度超出文件大小", rowPage);
    Bytes out;
    out.reserve(ref->length);
    PageRef hold;
    if (ref->kind == LongValueRef::Kind::SingleRow) {
        auto r = lvalRow(file, ref->where, hold);
        if (!r)
            return r.error();
        if (r->size() < ref->length)
            return file.corrupt("长值行短于记录的长度", ref->where.page);
        out.assign(r->begin(), r->begin() + ref->length);
        return out;
    }
    // A chain: each row starts with the pointer to the next one.
    std::unordered_set<uint32_t> seen;
    RowId at = ref->where;
    while (out.size() < ref->length) {
        if (at.isNull())
            return file.corrupt("长值链在取完数据前结束", rowPage);
        if (!seen.insert((at.page << 8) | at.row).second)
            return file.corrupt("长值链出现循环", at.page);
        auto r = lvalRow(file, at, hold);
        if (!r)
            return r.error();
        if (r->size() < 4)
            return file.corrupt("长值链中的行太短", at.page);
        const size_t take = std::min<size_t>(r->size() - 4, ref->length - out.size());
        out.insert(out.end(), r->begin() + 4, r->begin() + 4 + take);
        at = readRowPointer(r->data());
    }
    return out;
}

Bytes makeInlineLongValue(ByteView data) {
    Bytes out(kLongValueHeaderSize + data.size(), 0);
    put32(out.data(), uint32_t(data.size()) | 0x80000000u);
    std::copy(data.begin(), data.end(), out.begin() + kLongValueHeaderSize);
    return out;
}

} // namespace jet
