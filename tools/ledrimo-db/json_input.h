// The JSON that insert and update take: one object, keys are column names, values converted as
// an INSERT statement converts its literals.
#pragma once

#include "jet/tabledef.h"
#include "jet/writer.h"

#include <string>
#include <vector>

namespace dbtool {

// The changes a JSON object names, for the columns of `def`. Invalid error (in Chinese) for text
// that is not one JSON object, NotFound for an unknown column, and the column's own conversion
// error for a value it cannot hold.
jet::Result<std::vector<jet::ColumnChange>> changesFromJson(const std::string& text,
                                                            const jet::TableDef& def);

} // namespace dbtool
