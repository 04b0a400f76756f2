// Table definitions (TDEF pages): columns, indexes and the usage-map pointers of a table, read
// once and immutable afterwards. The raw bytes and the page chain are kept so that the writer
// can rewrite a definition in place. See docs/jet4-format.md §3.
#pragma once

#include "jet/pagefile.h"
#include "jet/value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Column descriptor flags (byte 15) and extended flags (byte 16).
enum : uint8_t {
    kColumnFixed = 0x01,
    kColumnNullable = 0x02,
    kColumnAutoLong = 0x04,
    kColumnReplication = 0x10,
    kColumnAutoGuid = 0x40,
    kColumnHyperlink = 0x80,
};
enum : uint8_t { kColumnCompressedUnicode = 0x01 };

struct ColumnDef {
    std::u16string name;
    ColumnType type = ColumnType::Long; // may hold a code outside the enumerators
    uint16_t number = 0;                // position in the null mask (deleted columns keep theirs)
    uint16_t varIndex = 0;              // slot in a row's variable-offset table (variable columns)
    uint16_t fixedOffset = 0;           // offset in a row's fixed area (fixed columns)
    uint16_t size = 0;                  // bytes; Text: 2 per character; 0 for Memo/OLE/Boolean
    uint8_t flags = 0;
    uint8_t extFlags = 0;
    uint16_t sortOrder = 0;                    // Text/Memo
    uint8_t sortOrderVersion = 0;              // Text/Memo
    uint8_t precision = 0, scale = 0;          // Numeric
    size_t descriptorOffset = 0;               // of the 25-byte descriptor in TableDef::raw
    RowId longValueOwnedMap, longValueFreeMap; // Memo/OLE: usage maps of its LVAL pages, if listed

    bool isFixed() const { return flags & kColumnFixed; }
    bool isNullable() const { return flags & kColumnNullable; }
    bool isAutoNumber() const { return flags & kColumnAutoLong; }
    bool isAutoGuid() const { return flags & kColumnAutoGuid; }
    bool isHyperlink() const { return flags & kColumnHyperlink; }
    bool isCompressedUnicode() const { return extFlags & kColumnCompressedUnicode; }
    bool isLongValue() const { return type == ColumnType::Memo || type == ColumnType::OLE; }
    // Stored in the variable part of the row (as opposed to the fixed area or the null mask).
    bool isVariable() const { return !isFixed() && type != ColumnType::Boolean; }
};

struct RealIndexDef {
    struct KeyColumn {
        uint16_t number = 0; // column number
        bool ascending = true;
    };
    std::vector<KeyColumn> columns;
    uint32_t rowCount = 0; // the counter kept in the TDEF
    RowId usageMap;
    uint32_t firstPage = 0;
    uint8_t flags = 0; // 0x01 unique, 0x02 ignore nulls, 0x08 required
};

struct LogicalIndexDef {
    std::u16string name;
    uint32_t number = 0;
    uint32_t realIndex = 0;
    uint8_t type = 0; // 1 primary key, 2 foreign key
    uint32_t relatedTablePage = 0;
};

struct TableDef {
    std::u16string name;           // from the catalog (the definition itself has no name)
    uint32_t page = 0;             // first TDEF page (the table's id)
    std::vector<uint32_t> pages;   // the TDEF page chain, first page first
    Bytes raw;                     // page 1 whole, then each continuation page after its header
    uint32_t definitionLength = 0; // as stored at 0x08
    uint32_t rowCount = 0;         // the stored counter; not a count of rows
    uint32_t nextAutoNumber = 0;
    uint8_t tableType = 0;        // 0x4E user, 0x53 system
    uint16_t maxColumns = 0;      // column numbers ever used (deleted ones included)
    uint16_t variableColumns = 0; // as stored
    uint16_t columnCount = 0;
    uint32_t logicalIndexCount = 0;
    uint32_t realIndexCount = 0;
    RowId ownedPagesMap;
    RowId freeSpaceMap;
    std::vector<ColumnDef> columns; // in column-number order
    std::vector<RealIndexDef> realIndexes;
    std::vector<LogicalIndexDef> logicalIndexes;
    // Rows carry a variable-offset table (the table has variable columns).
    bool hasVariableColumns = false;

    // Index in `columns` of the column called `name` (ASCII case-insensitive), or -1.
    int findColumn(std::u16string_view name) const;
};

// Reads the definition of table `name` starting at TDEF page `page`, following its
// continuation pages.
// Corrupt error naming the page for a page that is not a TDEF page, a cycle in the chain, a
// count or length that runs past the definition's bytes, duplicate column numbers, two
// variable columns in one offset slot or overlapping fixed columns.
// Any type code is accepted here (Access itself stores code 0x11 in MSysAccessObjects); a value
// of a type the engine cannot read is reported when it is decoded.
Result<std::shared_ptr<const TableDef>> readTableDef(const PageFile& file, uint32_t page,
                                                     std::u16string name = {});

// ASCII case-insensitive equality, as Jet compares object names.
bool sameName(std::u16string_view a, std::u16string_view b);

} // namespace jet
