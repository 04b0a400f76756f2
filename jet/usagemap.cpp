#include "jet/usagemap.h"

#include "jet/datapage.h"

#include <algorithm>

namespace jet {

bool UsageMap::contains(uint32_t page) const {
    return std::binary_search(pages.begin(), pages.end(), page);
}

namespace {

// Adds the pages of the set bits of `bits`, where bit 0 stands for page `first`.
void collectBits(UsageMap& map, ByteView bits, uint64_t first, uint32_t pageCount) {
    for (size_t i = 0; i < bits.size(); ++i) {
        const uint8_t b = bits[i];
        if (b == 0)
            continue;
        for (int k = 0; k < 8; ++k) {
            if (!(b & (1u << k)))
                continue;
            const uint64_t pg = first + uint64_t(i) * 8 + uint64_t(k);
            if (pg < pageCount)
                map.pages.push_back(uint32_t(pg));
            else
                ++map.pagesBeyondEnd;
        }
    }
}

} // namespace

Result<UsageMapRecord> usageMapRecord(const PageFile& file, RowId location) {
    auto pg = file.page(location.page);
    if (!pg)
        return pg.error();
    auto dp = DataPage::open(file, *pg);
    if (!dp)
        return file.corrupt("用法图记录不在数据页上", location.page);
    auto rec = dp->rowBytes(file, location.row);
    if (!rec)
        return file.corrupt("用法图记录的行号无效", location.page);
    if (rec->size() < 5)
        return file.corrupt("用法图记录太短", location.page);
    return UsageMapRecord{*pg, *rec};
}

Result<UsageMap> readUsageMap(const PageFile& file, RowId location) {
    UsageMap map;
    map.location = location;
    if (location.isNull())
        return map;
    auto rec = usageMapRecord(file, location);
    if (!rec)
        return rec.error();
    const ByteView r = rec->bytes;
    const uint32_t pageCount = file.pageCount();
    if (r[0] == 0) {
        map.kind = UsageMap::Kind::Inline;
        map.firstPage = le32(r.data() + 1);
        map.bitmapBytes = uint32_t(r.size() - 5);
        collectBits(map, r.subspan(5), map.firstPage, pageCount);
        return map;
    }
    if (r[0] != 1)
        return file.corrupt("用法图类型 " + std::to_string(int(r[0])) + " 未知", location.page);
    map.kind = UsageMap::Kind::Reference;
    const size_t n = (r.size() - 1) / 4;
    for (size_t k = 0; k < n; ++k) {
        const uint32_t bp = le32(r.data() + 1 + 4 * k);
        map.bitmapPages.push_back(bp);
        if (bp == 0)
            continue;
        const uint64_t first = uint64_t(k) * kPagesPerBitmapPage;
        if (first >= pageCount) {
            // Covers only pages past the end of the file; nothing there can belong to anyone.
            continue;
        }
        auto bitmap = file.page(bp);
        if (!bitmap)
            return file.corrupt("用法图引用的位图页不存在", location.page);
        if ((*bitmap)->type() != PageType::UsageBitmap)
            return file.corrupt("用法图引用的页不是位图页", bp);
        collectBits(map, (*bitmap)->view().subspan(4), first, pageCount);
    }
    return map;
}

namespace {

// The highest set bit of `bits` that stands for a page inside the file (bit 0 = page `first`).
std::optional<uint32_t> lastBit(ByteView bits, uint64_t first, uint32_t pageCount) {
    for (size_t i = bits.size(); i-- > 0;) {
        const uint8_t b = bits[i];
        for (int k = 7; b != 0 && k >= 0; --k) {
            const uint64_t pg = first + uint64_t(i) * 8 + uint64_t(k);
            if ((b & (1u << k)) && pg < pageCount)
                return uint32_t(pg);
        }
    }
    return std::nullopt;
}

} // namespace

Result<std::optional<uint32_t>> lastUsageMapPage(const PageFile& file, RowId location) {
    if (location.isNull())
        return std::optional<uint32_t>();
    auto rec = usageMapRecord(file, location);
    if (!rec)
        return rec.error();
    const ByteView r = rec->bytes;
    const uint32_t pageCount = file.pageCount();
    if (r[0] == 0)
        return lastBit(r.subspan(5), le32(r.data() + 1), pageCount);
    if (r[0] != 1)
        return file.corrupt("用法图类型 " + std::to_string(int(r[0])) + " 未知", location.page);
    for (size_t k = (r.size() - 1) / 4; k-- > 0;) {
        const uint32_t bp = le32(r.data() + 1 + 4 * k);
        const uint64_t first = uint64_t(k) * kPagesPerBitmapPage;
        if (bp == 0 || first >= pageCount)
            continue;
        auto bitmap = file.page(bp);
        if (!bitmap)
            return file.corrupt("用法图引用的位图页不存在", location.page);
        if ((*bitmap)->type() != PageType::UsageBitmap)
            return file.corrupt("用法图引用的页不是位图页", bp);
        if (auto last = lastBit((*bitmap)->view().subspan(4), first, pageCount))
            return last;
    }
    return std::optional<uint32_t>();
}

} // namespace jet
