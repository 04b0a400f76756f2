// Writing table definitions: the counterpart of readTableDef. Takes the same TableDef the reader
// produces and lays it out as Jet 4 stores it, so that a definition read back from the page is
// the one that was written. See docs/jet4-format.md §3.
#pragma once

#include "jet/pagebuild.h"
#include "jet/tabledef.h"

namespace jet {

// Choices of layout that the TableDef itself does not carry.
struct TableDefLayout {
    // Order in which column descriptors and names are stored, as indexes into def.columns. Empty:
    // column-number order (what Jet does for user tables; its system tables list them by name).
    std::vector<size_t> descriptorOrder;
    // Bytes 9-10 of each descriptor: the column's position among the columns (user tables). Jet's
    // own system tables leave them zero.
    bool writeColumnPositions = true;
    // Bytes 11-12 of descriptors of columns that are not Text or Memo. Jet writes 1033 there in
    // user tables and the database's sort order in its system tables.
    uint16_t nonTextSortOrder = 1033;
};

// Column descriptor layout derived from the columns' types, in column-number order, as Jet
// assigns it: fixed columns packed in the fixed area one after the other, variable columns
// numbered 0, 1, ... in the offset table, and each fixed column's slot field the count of
// variable columns before it. Sets number, fixedOffset, varIndex and the fixed flag of `columns`
// (Boolean columns count as fixed but take no bytes).
void assignColumnLayout(std::vector<ColumnDef>& columns);

// The definition as one TDEF page. Uses from `def`: rowCount, nextAutoNumber, tableType, the
// usage-map pointers, maxColumns and variableColumns (where larger than the present columns need), columns
// (with their long-value maps), realIndexes (rowCount there is the number of distinct keys Jet keeps) and
// logicalIndexes; the counts are taken from the vectors. Invalid error if the definition does not fit on one
// page or a name is too long.
Result<PageImage> encodeTableDef(const TableDef& def, const TableDefLayout& layout = {});

} // namespace jet
