// Data pages: the page header and the row-offset table that locates each row on the page.
// Table rows, long-value (LVAL) rows and usage-map records all live in such slots.
// See docs/jet4-format.md §4.
#pragma once

#include "jet/pagefile.h"

namespace jet {

// What a row-offset entry says about its slot (its two top bits).
enum class SlotState : uint8_t {
    Row,     // an ordinary row
    Pointer, // 0x4000: the slot holds a 4-byte pointer to the row, which was moved elsewhere
    Target,  // 0x8000: a moved row; only reached through its pointer
    Deleted, // 0xC000
};

inline constexpr size_t kDataRowCountOffset = 0x0C;
inline constexpr size_t kDataRowTableOffset = 0x0E;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint16_t kRowFlagPointer = 0x4000;
inline constexpr uint16_t kRowFlagTarget = 0x8000;
inline constexpr uint16_t kMaxRowsPerPage = 255;

// A view of one data page. Cheap to copy; keeps the page image alive.
class DataPage {
public:
    // Checks that `page` is a data page with a row count its row-offset table can hold.
    // Corrupt error naming the page otherwise.
    static Result<DataPage> open(const PageFile& file, PageRef page);

    uint32_t number() const { return page_->number; }
    const PageRef& page() const { return page_; }
    // Owning table's definition page; meaningless on LVAL pages.
    uint32_t owner() const { return le32(page_->bytes.data() + 4); }
    bool isLongValuePage() const;
    uint16_t freeSpace() const { return le16(page_->bytes.data() + 2); }
    uint16_t rowCount() const { return rowCount_; }

    // State of slot `slot` (< rowCount()).
    SlotState state(uint16_t slot) const;
    // The stored bytes of slot `slot`, from its offset up to the offset of the slot before it
    // (slot 0: up to the end of the page). Corrupt error naming the page if the offsets do not
    // describe a span inside the page's row area. NotFound if `slot` >= rowCount().
    Result<ByteView> rowBytes(const PageFile& file, uint16_t slot) const;

private:
    PageRef page_;
    uint16_t rowCount_ = 0;
};

} // namespace jet
