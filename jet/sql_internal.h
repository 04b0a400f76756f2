// Internals of the SQL layer shared by its source files: conditions bound to a column list, their
// evaluation, value conversion, ORDER BY keys, and grouped queries.
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
    // HAVING: gives an aggregate its number among the columns, from columns.size() on, where
    // `aggregateColumns` describes it. Without it an aggregate operand is an error.
    std::function<Result<size_t>(const Aggregate&)> aggregate = {};
    const std::vector<ColumnInfo>* aggregateColumns = nullptr;

    Result<size_t> column(const ColumnRef& ref) const;
    // The column (or aggregate) an operand that is not a literal refers to.
    Result<size_t> column(const Operand& o) const;
    const ColumnInfo& info(size_t column) const;
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

// "语法错误：第 N 个字符附近 'near'（hint）", the form of every error with a position.
Error syntaxErrorAt(size_t position, const std::string& near, const std::string& hint);

// ORDER BY keys of the result rows, computed once per row with add(), then finish().
struct SortColumn {
    uint32_t slot = 0;
    bool text = false; // Text, Memo and GUID columns
    bool date = false;
    bool descending = false;
    std::string pool;            // text keys, one after the other
    std::vector<size_t> offsets; // text: where each row's key starts
    std::vector<double> numbers; // otherwise
    std::vector<uint8_t> nulls;

    void add(const Value& v);
    void finish() { offsets.push_back(pool.size()); }
    int compare(size_t i, size_t j) const;
};

// The order of rows 0..n-1 by the keys, equal keys keeping row order; empty when the rows are in
// order already.
std::vector<uint32_t> sortOrder(const std::vector<SortColumn>& keys, size_t n);

// The columns a scan reads, each given one slot in the scanned values.
struct Slots {
    std::vector<size_t> wanted;
    std::vector<int64_t> slotOf;

    explicit Slots(size_t columns) : slotOf(columns, -1) {}
    uint32_t operator()(size_t column) {
        if (slotOf[column] < 0) {
            slotOf[column] = int64_t(wanted.size());
            wanted.push_back(column);
        }
        return uint32_t(slotOf[column]);
    }
};

// The select item whose alias an unqualified name is, or kNoTableColumn.
size_t aliasOf(const Statement& st, const ColumnRef& ref);

// A SELECT with aggregates, GROUP BY or HAVING (see jet/sql.h), over `table`.
Result<ExecResult> runGrouped(const Statement& st, Table& table);

} // namespace jet::sql::detail
