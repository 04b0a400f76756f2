#include "jet/datapage.h"

namespace jet {

Result<DataPage> DataPage::open(const PageFile& file, PageRef page) {
    if (page->type() != PageType::Data)
        return file.corrupt("应为数据页，实际页类型为 " + std::to_string(int(page->bytes[0])), page->number);
    DataPage d;
    d.rowCount_ = le16(page->bytes.data() + kDataRowCountOffset);
    if (d.rowCount_ > kMaxRowsPerPage)
        return file.corrupt("数据页的行数 " + std::to_string(d.rowCount_) + " 超出上限", page->number);
    d.page_ = std::move(page);
    return d;
}

bool DataPage::isLongValuePage() const {
    const uint8_t* p = page_->bytes.data() + 4;
    return p[0] == 'L' && p[1] == 'V' && p[2] == 'A' && p[3] == 'L';
}

SlotState DataPage::state(uint16_t slot) const {
    const uint16_t e = le16(page_->bytes.data() + kDataRowTableOffset + 2 * size_t(slot));
    const bool ptr = e & kRowFlagPointer, tgt = e & kRowFlagTarget;
    if (ptr && tgt)
        return SlotState::Deleted;
    if (ptr)
        return SlotState::Pointer;
    if (tgt)
        return SlotState::Target;
    return SlotState::Row;
}

Result<ByteView> DataPage::rowBytes(const PageFile& file, uint16_t slot) const {
    if (slot >= rowCount_)
        return file.error(ErrorKind::NotFound, "数据页上没有第 " + std::to_string(slot) + " 行", number());
    const uint8_t* base = page_->bytes.data();
    const size_t start = le16(base + kDataRowTableOffset + 2 * size_t(slot)) & kRowOffsetMask;
    const size_t end =
        slot == 0 ? kPageSize : le16(base + kDataRowTableOffset + 2 * size_t(slot - 1)) & kRowOffsetMask;
    const size_t areaStart = kDataRowTableOffset + 2 * size_t(rowCount_);
    if (start < areaStart || start > end || end > kPageSize)
        return file.corrupt("第 " + std::to_string(slot) + " 行的位置超出页内的行区域", number());
    return ByteView(base + start, end - start);
}

} // namespace jet
