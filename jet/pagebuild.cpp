#include "jet/pagebuild.h"

#include "jet/datapage.h"

#include <algorithm>
#include <string>

namespace jet {

Result<Bytes> encodeInlineUsageMap(uint32_t firstPage, std::span<const uint32_t> pages) {
    Bytes record(kInlineMapRecordSize, 0);
    record[0] = 0; // inline
    put32(record.data() + 1, firstPage);
    for (uint32_t p : pages) {
        if (p < firstPage || p - firstPage >= kInlineMapPages)
            return makeError(ErrorKind::Invalid, "页 " + std::to_string(p) + " 超出使用图的范围");
        const uint32_t bit = p - firstPage;
        record[5 + bit / 8] |= uint8_t(1u << (bit % 8));
    }
    return record;
}

DataPageBuilder::DataPageBuilder(uint32_t owner) {
    page_[0] = uint8_t(PageType::Data);
    page_[1] = 0x01;
    put32(page_.data() + 4, owner);
    free_ = kPageSize - kDataRowTableOffset;
    put16(page_.data() + 2, uint16_t(free_));
}

bool DataPageBuilder::fits(size_t length) const {
    return rows_ < kMaxRowsPerPage && length + 2 <= free_;
}

Result<uint8_t> DataPageBuilder::add(ByteView row) {
    if (row.empty() || !fits(row.size()))
        return makeError(ErrorKind::Invalid, "行放不进数据页");
    end_ -= row.size();
    std::copy(row.begin(), row.end(), page_.begin() + std::ptrdiff_t(end_));
    put16(page_.data() + kDataRowTableOffset + 2 * rows_, uint16_t(end_));
    const auto slot = uint8_t(rows_);
    ++rows_;
    free_ -= row.size() + 2;
    put16(page_.data() + kDataRowCountOffset, uint16_t(rows_));
    put16(page_.data() + 2, uint16_t(free_));
    return slot;
}

} // namespace jet
