#include "jet/allocate.h"

#include "jet/datapage.h"
#include "jet/pagewrite.h"
#include "jet/usagemap.h"

#include <algorithm>
#include <vector>

namespace jet {

namespace {

// What a set bit means in a map, and so what a page the map does not cover counts as.
enum class Role {
    Members, // a table's, index's or column's map: set = member; not covered = not a member
    Global,  // the global map: set = free; not covered = in use if in the file, free past its end
};

bool outsideValue(const PageFile& file, Role role, uint32_t page) {
    return role == Role::Global && page >= file.pageCount();
}

Result<std::span<uint8_t>> mapRecord(PageFile& file, RowId location) {
    auto pg = file.mutablePage(location.page);
    if (!pg)
        return pg.error();
    if ((*pg)->type() != PageType::Data)
        return file.corrupt("用法图记录不在数据页上", location.page);
    auto rec = rowSpan(**pg, location.row);
    if (!rec) {
        Error e = rec.error();
        e.file = file.name();
        return e;
    }
    if (rec->size() < 5 || (*rec)[0] > 1)
        return file.corrupt("用法图记录损坏", location.page);
    return *rec;
}

// A new page for a bitmap of a map with `role`: for the global map itself a bare page at the
// end (its bit is written by the caller), else a page marked in use in the global map.
Result<uint32_t> bitmapPage(PageFile& file, Role role) {
    auto n = role == Role::Global ? file.appendPage() : allocatePage(file);
    if (!n)
        return n.error();
    auto pg = file.mutablePage(*n);
    if (!pg)
        return pg.error();
    initUsageBitmapPage(**pg);
    return *n;
}

// Turns the inline map at `location` into a reference map that says the same about every page,
// with bitmap pages for the ranges in `ranges` (ascending).
Status toReference(PageFile& file, RowId location, Role role, std::vector<uint32_t> ranges) {
    auto rec = mapRecord(file, location);
    if (!rec)
        return rec.error();
    const uint32_t first = le32(rec->data() + 1);
    const Bytes bits(rec->begin() + 5, rec->end());
    const size_t entries = (rec->size() - 1) / 4;
    if (!ranges.empty() && ranges.back() >= entries)
        return file.error(ErrorKind::Unsupported, "用法图容纳不下这么多页", location.page);
    std::vector<uint32_t> pages(entries, 0);
    for (uint32_t k : ranges) {
        auto bp = bitmapPage(file, role);
        if (!bp)
            return bp.error();
        pages[k] = *bp;
    }
    // Fill the bitmaps once all pages exist, so that the global map also covers its own.
    for (uint32_t k : ranges) {
        auto pg = file.mutablePage(pages[k]);
        if (!pg)
            return pg.error();
        uint8_t* out = (*pg)->bytes.data() + 4;
        const uint64_t base = uint64_t(k) * kPagesPerBitmapPage;
        for (uint32_t i = 0; i < kPagesPerBitmapPage; ++i) {
            const uint64_t p = base + i;
            bool v;
            if (p >= first && p - first < uint64_t(bits.size()) * 8)
                v = bitOf(bits.data(), uint32_t(p - first));
            else
                v = p < (1u << 24) && outsideValue(file, role, uint32_t(p));
            if (v)
                setBit(out, i, true);
        }
    }
    // The record keeps its size: the same bytes now list the bitmap pages.
    rec = mapRecord(file, location);
    if (!rec)
        return rec.error();
    std::fill(rec->begin(), rec->end(), 0);
    (*rec)[0] = 1;
    for (size_t k = 0; k < entries; ++k)
        put32(rec->data() + 1 + 4 * k, pages[k]);
    return okStatus();
}

Status setBitIn(PageFile& file, RowId location, uint32_t page, bool on, Role role) {
    auto rec = mapRecord(file, location);
    if (!rec)
        return rec.error();
    if ((*rec)[0] == 0) {
        const uint32_t first = le32(rec->data() + 1);
        const uint64_t nbits = uint64_t(rec->size() - 5) * 8;
        if (page >= first && page - first < nbits) {
            setBit(rec->data() + 5, page - first, on);
            return okStatus();
        }
        // A member map already leaves the page out. The global map is made to name every page
        // of the file, so that no reader takes one outside its range for free.
        if (role == Role::Members && !on)
            return okStatus();
        const bool empty = std::all_of(rec->begin() + 5, rec->end(), [](uint8_t b) { return b == 0; });
        if (role == Role::Members && empty && nbits > 0) {
            put32(rec->data() + 1, page);
            setBit(rec->data() + 5, 0, true);
            return okStatus();
        }
        std::vector<uint32_t> ranges;
        if (role == Role::Global) {
            const uint32_t last = std::max(file.pageCount(), page + 1) - 1;
            for (uint32_t k = 0; k <= last / kPagesPerBitmapPage; ++k)
                ranges.push_back(k);
        } else {
            for (uint64_t i = 0; i < nbits; ++i)
                if (bitOf(rec->data() + 5, uint32_t(i)))
                    ranges.push_back(uint32_t((first + i) / kPagesPerBitmapPage));
            ranges.push_back(page / kPagesPerBitmapPage);
            std::sort(ranges.begin(), ranges.end());
            ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
        }
        JET_TRY(toReference(file, location, role, std::move(ranges)));
        rec = mapRecord(file, location);
        if (!rec)
            return rec.error();
    }
    const uint32_t k = page / kPagesPerBitmapPage;
    const size_t entries = (rec->size() - 1) / 4;
    if (k >= entries)
        return file.error(ErrorKind::Unsupported, "用法图容纳不下第 " + std::to_string(page) + " 页",
                          location.page);
    uint32_t bp = le32(rec->data() + 1 + 4 * k);
    if (bp == 0) {
        if (role == Role::Members && !on)
            return okStatus();
        auto fresh = bitmapPage(file, role);
        if (!fresh)
            return fresh.error();
        bp = *fresh;
        auto pg = file.mutablePage(bp);
        if (!pg)
            return pg.error();
        const uint64_t base = uint64_t(k) * kPagesPerBitmapPage;
        for (uint32_t i = 0; i < kPagesPerBitmapPage; ++i)
            if (base + i < (1u << 24) && outsideValue(file, role, uint32_t(base + i)))
                setBit((*pg)->bytes.data() + 4, i, true);
        rec = mapRecord(file, location);
        if (!rec)
            return rec.error();
        put32(rec->data() + 1 + 4 * k, bp);
    }
    if (bp >= file.pageCount())
        return file.corrupt("用法图引用的位图页不存在", location.page);
    auto pg = file.mutablePage(bp);
    if (!pg)
        return pg.error();
    if ((*pg)->type() != PageType::UsageBitmap)
        return file.corrupt("用法图引用的页不是位图页", bp);
    setBit((*pg)->bytes.data() + 4, page - k * kPagesPerBitmapPage, on);
    return okStatus();
}

} // namespace

Result<uint32_t> allocatePage(PageFile& file) {
    auto n = file.appendPage();
    if (!n)
        return n.error();
    JET_TRY(setBitIn(file, kGlobalUsageMap, *n, false, Role::Global));
    return *n;
}

Result<bool> mapContains(const PageFile& file, RowId location, uint32_t page) {
    if (location.isNull())
        return false;
    auto record = usageMapRecord(file, location);
    if (!record)
        return record.error();
    const ByteView rec = record->bytes;
    const uint8_t* r = rec.data();
    if (r[0] == 0) {
        const uint32_t first = le32(r + 1);
        const uint64_t nbits = uint64_t(rec.size() - 5) * 8;
        return page >= first && page - first < nbits && bitOf(r + 5, page - first);
    }
    if (r[0] != 1)
        return file.corrupt("用法图类型未知", location.page);
    const uint32_t k = page / kPagesPerBitmapPage;
    if (k >= (rec.size() - 1) / 4)
        return false;
    const uint32_t bp = le32(r + 1 + 4 * k);
    if (bp == 0)
        return false;
    auto bitmap = file.page(bp);
    if (!bitmap)
        return bitmap.error();
    if ((*bitmap)->type() != PageType::UsageBitmap)
        return file.corrupt("用法图引用的页不是位图页", bp);
    return bitOf((*bitmap)->bytes.data() + 4, page - k * kPagesPerBitmapPage);
}

Status setMapMember(PageFile& file, RowId location, uint32_t page, bool member) {
    if (location.isNull())
        return file.error(ErrorKind::Unsupported, "缺少用法图，不能记录新页");
    return setBitIn(file, location, page, member, Role::Members);
}

} // namespace jet
