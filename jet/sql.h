// SQL over the engine: the statements the program runs against its tables, and what a user of a
// database tool expects around them.
//
//   SELECT * | item [, item...] FROM t [WHERE cond] [GROUP BY col [, col...]] [HAVING cond]
//          [ORDER BY col|alias|aggregate|position [ASC|DESC], ...]
//   INSERT INTO t [(col, ...)] VALUES (value, ...)
//   UPDATE t SET col = value|col [, ...] [WHERE cond]
//   DELETE [*] FROM t [WHERE cond]
//
// Keywords, table and column names are case-insensitive; names may be Chinese, [bracketed] or
// `quoted`, and may be written t.col. Values: 'text' (a doubled '' is one quote) and "text" (a
// doubled "" is one quote), numbers (12, -3.5, 1e3, .5), #dates# (#2010-07-20#, #7/20/2010#,
// #2010-07-20 16:07:26#, #7/20/2010 4:07 PM#, #2010年7月20日#), NULL, TRUE, FALSE. Conditions:
// =, <>, !=, <, <=, >, >=, IS [NOT] NULL, [NOT] LIKE, [NOT] BETWEEN x AND y, [NOT] IN (...), AND,
// OR, NOT and parentheses; a column or value alone is true when it is TRUE or a number not 0.
// Text compares and sorts as jet/sql_text.h says (case-insensitive). A quoted text compared with
// or stored into a date column is read as a date text (jet/datetext.h); a text compared with or
// stored into a number column must be a number. Comparisons with NULL are never true.
//
// A select item is a column or an aggregate, either optionally followed by AS name. Aggregates:
// COUNT(*) (rows), COUNT(col) (values that are not NULL), SUM(col), AVG(col) (numbers and
// yes/no values), MIN(col), MAX(col) (any column but binary data). NULLs are left out of every
// aggregate; over no values COUNT is 0 and the others are NULL. SUM of a Byte, Integer, Long or
// yes/no column is exact: a Long when every sum of the result fits in 32 bits, else a Numeric of
// 19 digits (Jet gives a Double there, which is not exact beyond 2^53), and an error beyond 64
// bits; of Currency a Currency, of Numeric a Numeric, of Single or Double a Double. AVG is a
// Double; MIN and MAX keep the column's type, text compared as described below (of texts equal
// but for case, the first in table order is given). COUNT is a Long. An unnamed aggregate is named
// as Jet names it: Expr1000 plus its position in the select list counted from 0 (Expr1000,
// Expr1001, ...).
//
// A query with an aggregate or GROUP BY gives one row per group: rows whose GROUP BY values are
// equal (text ignoring case, dates to the second, NULLs together) form a group, shown with the
// values of its first row; without GROUP BY the whole table is one group, which gives one row
// even when no row matches. Every column in its select list, HAVING and ORDER BY must be grouped
// or inside an aggregate. HAVING filters groups and may use aggregates (WHERE may not). Groups
// come ordered by ORDER BY, then by the GROUP BY columns. ORDER BY may name a select item by its
// alias (in any SELECT).
//
// Every error carries a Chinese message for people; a statement that fails changes nothing.
#pragma once

#include "jet/error.h"
#include "jet/sql_storage.h"
#include "jet/value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

struct Literal {
    enum class Kind : uint8_t { Null, Text, Number, Date, Boolean };
    Kind kind = Kind::Null;
    // Text: the value, quotes undone. Number: the digits as written, with a leading '-' when
    // negative. Date: the text between the #s.
    std::u16string text;
    double number = 0; // Number: the value; Date: the Access date number
    bool boolean = false;
};

struct ColumnRef {
    std::u16string qualifier; // the table part of t.col, or empty
    std::u16string name;
    size_t position = 0; // where it starts in the statement: characters from 1; 0 when unknown
};

enum class AggregateFunction : uint8_t { Count, Sum, Avg, Min, Max };

struct Aggregate {
    AggregateFunction function = AggregateFunction::Count;
    bool star = false;   // COUNT(*)
    ColumnRef column;    // when not star
    std::u16string text; // as written, for messages: "sum(上班时间)"
    size_t position = 0; // as in ColumnRef
};

struct Operand {
    enum class Kind : uint8_t { Column, Literal, Aggregate };
    Kind kind = Kind::Literal;
    ColumnRef column;
    Literal literal;
    Aggregate aggregate; // only in HAVING
};

enum class CompareOp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

struct Expr {
    enum class Kind : uint8_t { And, Or, Not, Compare, IsNull, Like, Between, In, Truth };
    Kind kind = Kind::Truth;
    CompareOp op = CompareOp::Eq;            // Compare
    bool negated = false;                    // IS NOT NULL, NOT LIKE, NOT BETWEEN, NOT IN
    std::shared_ptr<const Expr> left, right; // And and Or: both; Not: left
    // Compare: 2; IsNull, Truth: 1; Like: value and pattern; Between: value, low, high;
    // In: the value followed by the list.
    std::vector<Operand> operands;
};

// A search condition: a WHERE clause or a record set's Find criterion. An empty root matches
// every row.
struct Condition {
    std::shared_ptr<const Expr> root;
};

struct OrderKey {
    ColumnRef column; // a column or an alias, when position is 0 and not isAggregate
    int position = 0; // 1-based position in the select list, or 0
    bool isAggregate = false;
    Aggregate aggregate;
    bool descending = false;
};

struct SelectItem {
    bool isAggregate = false;
    ColumnRef column; // a column; for SELECT t.* the qualifier and "*"
    Aggregate aggregate;
    std::u16string alias; // AS name, or empty
};

struct Assignment {
    ColumnRef column;
    Operand value;
};

enum class StatementKind : uint8_t { Select, Insert, Update, Delete };

struct Statement {
    StatementKind kind = StatementKind::Select;
    std::u16string table;
    bool allColumns = false;             // SELECT * (items holds t.* as written, or nothing)
    std::vector<SelectItem> items;       // SELECT list
    std::vector<ColumnRef> columns;      // INSERT column list (empty: every column)
    std::vector<Literal> values;         // INSERT
    std::vector<Assignment> assignments; // UPDATE
    Condition where;                     // SELECT, UPDATE, DELETE
    std::vector<ColumnRef> groupBy;      // SELECT
    Condition having;                    // SELECT
    std::vector<OrderKey> orderBy;       // SELECT
};

// Parses one statement (an optional ';' may end it). Errors are ErrorKind::Syntax with a message
// such as "语法错误：第 12 个字符附近 'frm'（应为 FROM）"; positions count characters from 1.
Result<Statement> parseStatement(std::u16string_view text);
Result<Statement> parseStatement(std::string_view utf8);

inline constexpr size_t kNoTableColumn = size_t(-1);

struct ResultColumn {
    std::u16string name; // the alias, else as the table spells it, else Expr1000...
    ColumnType type = ColumnType::Text;
    size_t tableColumn = 0; // position in Table::columns(); kNoTableColumn for an aggregate
};

struct ExecOptions {
    // SELECT only: give the row ids in result order and no values, reading only the columns
    // that WHERE and ORDER BY need, so that a record set can decode rows when it visits them.
    // A query with aggregates or GROUP BY has no rows of the table to give: it fails (Invalid).
    bool rowIdsOnly = false;
};

struct ExecResult {
    StatementKind kind = StatementKind::Select;
    std::vector<ResultColumn> columns; // SELECT: the result columns
    // SELECT: the rows in result order; empty when `grouped` (the rows are computed).
    std::vector<RowId> rowIds;
    // SELECT: their values row after row, columns.size() per row (empty with rowIdsOnly).
    std::vector<Value> values;
    bool grouped = false;      // SELECT with aggregates or GROUP BY
    uint64_t rowsAffected = 0; // INSERT, UPDATE, DELETE

    size_t rowCount() const { return grouped ? values.size() / columns.size() : rowIds.size(); }
    const Value& value(size_t row, size_t column) const { return values[row * columns.size() + column]; }
};

// Runs a statement. Errors: NotFound for an unknown table or column ("找不到表 'x'",
// "找不到列 'x'"); Syntax, with the position, for a column neither grouped nor inside an aggregate
// ("语法错误：第 8 个字符附近 '姓名'（…不包含作为合计函数一部分的特定表达式 '姓名'…）") and for
// SELECT * with GROUP BY; Invalid for values that do not fit ("类型不匹配：…", "值太长：…",
// "数值溢出：…", value counts, duplicate columns, NULL in a required column, an aggregate of a
// column it cannot take, a sum beyond its type); whatever the storage reports. INSERT, UPDATE and DELETE
// check every value of every row before the first write and run their writes in one batch, so a failure
// leaves the tables as they were.
Result<ExecResult> execute(const Statement& statement, Storage& storage, const ExecOptions& options = {});
// Parses and runs.
Result<ExecResult> execute(std::u16string_view text, Storage& storage, const ExecOptions& options = {});
Result<ExecResult> execute(std::string_view utf8, Storage& storage, const ExecOptions& options = {});

// ---- Search conditions on their own (a record set's Find: 上班日期='2010年7月20日') ----

Result<Condition> parseCondition(std::u16string_view text);
Result<Condition> parseCondition(std::string_view utf8);

namespace detail {
struct BoundExpr;
}

// A condition bound to a column list: names resolved, values converted to the columns' types.
class CompiledCondition {
public:
    // Positions of the columns the condition reads.
    const std::vector<size_t>& columnsUsed() const { return used_; }
    // True only when the condition holds for the row (NULL comparisons do not). `row` holds the
    // values in column order; only the columns in columnsUsed() need to be filled in.
    bool matches(const std::vector<Value>& row) const;

private:
    friend Result<CompiledCondition> compileCondition(const Condition&, const std::vector<ColumnInfo>&);
    std::shared_ptr<const detail::BoundExpr> root_;
    std::vector<size_t> used_;
    size_t width_ = 0;
};

Result<CompiledCondition> compileCondition(const Condition& condition,
                                           const std::vector<ColumnInfo>& columns);
// compileCondition and matches in one call, for a single row.
Result<bool> evaluate(const Condition& condition, const std::vector<ColumnInfo>& columns,
                      const std::vector<Value>& row);

// Converts a value for storing into a column by the rules INSERT uses (a date text into a date,
// '8' into a Long, length and range checks...), with the same messages.
Result<Value> convertForColumn(const Value& value, const ColumnInfo& column);
// Converts a literal, as a statement would write it, for storing into a column: what INSERT does
// with each value of its VALUES list (a number keeps the digits it was written with).
Result<Value> convertLiteral(const Literal& literal, const ColumnInfo& column);

} // namespace jet::sql
