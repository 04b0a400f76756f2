// Internals of the SQL layer shared by its source files: conditions bound to a column list, their
// evaluation, and value conversion.
#pragma once

#include "jet/sql.h"
#include "jet/sql_text.h"

#include <functional>
#include <memory>

namespace jet::sql::detail {

enum class Truth : uint8_t { False, True, Unknown };

// How the two sides of a comparison are compared.
enum class Mode : uint8_t { Text, Number, Date, Guid };

struct BoundOperand {
    bool isSlot = false; // a column value from the row, else `constant`
    uint32_t slot = 0;
    Value constant;
    bool textual = false; // Like: the value is turned into text first
};

struct BoundExpr {
    enum class Kind : uint8_t { And, Or, Not, Compare, IsNull, Like, Truth };
    Kind kind = Kind::Truth;
    CompareOp op = CompareOp::Eq;
    Mode mode = Mode::Text;
    bool negated = false;
    std::unique_ptr<BoundExpr> left, right;
    BoundOperand a, b;
    std::unique_ptr<LikePattern> pattern; // Like with a constant pattern
};

// Evaluates with the row's values where `slots[i]` is the value of slot i.
Truth evaluate(const BoundExpr& e, const Value* slots);

// Binds names and values of a condition to a table's columns. `slotFor` gives the slot a column's
// value will be found in (and records that the column is needed).
struct Binder {
    const std::vector<ColumnInfo>& columns;
    std::u16string_view table; // qualifiers must name it; empty: any qualifier
    std::function<uint32_t(size_t column)> slotFor;

    Result<size_t> column(const ColumnRef& ref) const;
    Result<std::unique_ptr<BoundExpr>> bind(const Expr& e) const;

private:
    Result<std::unique_ptr<BoundExpr>> compare(const Operand& x, CompareOp op, const Operand& y) const;
};

// A literal made into a value of a column, for storing; the errors INSERT and UPDATE report.
Result<Value> storeLiteral(const Literal& lit, const ColumnInfo& column);
// The literal a stored value would be written as.
Literal literalOf(const Value& v);
// A value as text, for LIKE on columns that are not text.
std::u16string valueText(const Value& v);

// A number, boolean (-1 or 0) or date value as a double; false for text, binary data and NULL.
bool numberOf(const Value& v, double& out);

std::string quoteName(const std::u16string& name); // 'name' in UTF-8, for messages

} // namespace jet::sql::detail
