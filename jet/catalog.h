// The catalog: the rows of the system table MSysObjects, whose definition is always on page 2.
// One entry per object (tables, queries, containers, relationships...), in table order.
// See docs/jet4-format.md §9.
#pragma once

#include "jet/cursor.h"

#include <string_view>
#include <vector>

namespace jet {

inline constexpr uint32_t kCatalogTdefPage = 2;

enum : int16_t {
    kObjectTable = 1,
    kObjectDatabase = 2,
    kObjectContainer = 3,
    kObjectLinkedOdbc = 4,
    kObjectQuery = 5,
    kObjectLinkedTable = 6,
    kObjectRelationship = 8,
};
enum : uint32_t {
    kObjectFlagSystem = 0x80000000u,
    kObjectFlagSystem2 = 0x00000002u,
    kObjectFlagHidden = 0x8u
};

struct CatalogEntry {
    std::u16string name;
    int32_t id = 0;
    int32_t parentId = 0;
    int16_t type = 0;
    uint32_t flags = 0;
    RowId row; // its row in MSysObjects

    bool isTable() const { return type == kObjectTable; }
    bool isSystem() const { return flags & (kObjectFlagSystem | kObjectFlagSystem2); }
    // For a table: the page of its definition (the low 24 bits of the id).
    uint32_t tdefPage() const { return uint32_t(id) & 0x00FFFFFF; }
};

class Catalog {
public:
    // Reads every row of MSysObjects (columns Id, ParentId, Name, Type, Flags; the others are
    // not decoded). Corrupt error naming the page if page 2 is not a table definition, the
    // catalog lacks one of those columns, or a row cannot be read.
    static Result<Catalog> load(std::shared_ptr<const PageFile> file);

    const std::vector<CatalogEntry>& entries() const { return entries_; }
    // Local tables in catalog order; system tables only with `includeSystem`.
    std::vector<const CatalogEntry*> tables(bool includeSystem) const;
    // The local table called `name`: an exact match first, else ASCII case-insensitive.
    const CatalogEntry* findTable(std::u16string_view name) const;
    // The catalog's own table (MSysObjects).
    const std::shared_ptr<const Table>& systemTable() const { return table_; }

private:
    std::vector<CatalogEntry> entries_;
    std::shared_ptr<const Table> table_;
};

} // namespace jet
