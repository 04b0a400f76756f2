// Grouped queries: aggregates, GROUP BY and HAVING. One scan of the table folds each matching row
// into its group, found in a hash map keyed on the group values; rows are never kept. The groups
// are then filtered by HAVING, ordered and laid out as the select list asks.
#include "jet/datetext.h"
#include "jet/int128.h"
#include "jet/sql_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace jet::sql::detail {
namespace {

enum class Sum : uint8_t { Integer, Currency, Decimal, Real };

// One distinct aggregate of the statement and how it is computed.
struct Plan {
    AggregateFunction function = AggregateFunction::Count;
    bool star = false;
    size_t column = 0; // in the table (not star)
    uint32_t slot = 0; // in the scanned values (not star)
    Sum sum = Sum::Integer;
    int scale = 0; // Sum::Decimal: the column's scale
    ColumnInfo result;
};

struct Accumulator {
    int64_t count = 0;
    Int128 exact = 0;  // Integer, Currency (in 1/10,000) and Decimal (in 10^-scale) sums
    double real = 0; // Real sums
    Value best;      // MIN and MAX
};

const char* kindWord(ColumnType t) {
    switch (t) {
    case ColumnType::Text:
    case ColumnType::Memo:
        return "文本";
    case ColumnType::DateTime:
        return "日期";
    case ColumnType::GUID:
        return "GUID";
    case ColumnType::Binary:
    case ColumnType::OLE:
        return "二进制数据";
    default:
        return "数字";
    }
}

bool isBinary(ColumnType t) {
    return t == ColumnType::Binary || t == ColumnType::OLE;
}

Int128 pow10(int n) {
    Int128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

// A Decimal as a signed integer in units of 10^-scale, rounded half away from zero when the value
// has more decimals than that; false when that does not fit in 127 bits (a damaged value).
bool decimalAt(const Decimal& d, int scale, Int128& out) {
    Int128 m = Int128::fromMagnitude(d.magnitude[2], d.magnitude[1], d.magnitude[0]);
    if (d.scale < scale) {
        if (scale - d.scale > 38 || !mulChecked(m, pow10(scale - d.scale), m))
            return false;
    } else if (d.scale > scale) {
        if (d.scale - scale > 38)
            m = 0;
        else {
            const Int128 p = pow10(d.scale - scale);
            m = (m + p / 2) / p;
        }
    }
    out = d.negative ? -m : m;
    return true;
}

// An integer, yes/no, currency or decimal value as an integer in units of 10^-scale (integers
// and yes/no values have scale 0, currency 4); false for other values and for a decimal that
// does not fit.
bool exactOf(const Value& v, int scale, Int128& out) {
    switch (v.index()) {
    case 1:
        out = std::get<bool>(v) ? -1 : 0;
        break;
    case 2:
        out = std::get<uint8_t>(v);
        break;
    case 3:
        out = std::get<int16_t>(v);
        break;
    case 4:
        out = std::get<int32_t>(v);
        break;
    case 5:
        out = std::get<Currency>(v).scaled;
        return true;
    case 12:
        return decimalAt(std::get<Decimal>(v), scale, out);
    default:
        return false;
    }
    out *= pow10(scale);
    return true;
}

Value decimalValue(Int128 v, int precision, int scale) {
    Decimal d;
    d.negative = v < 0;
    const Int128 m = v < 0 ? -v : v; // the callers keep |v| below 10^28
    d.precision = uint8_t(precision);
    d.scale = uint8_t(scale);
    d.magnitude = {m.word32(0), m.word32(1), m.word32(2)};
    return d;
}

// <0, 0 or >0: the order MIN and MAX use, for two values of one column (neither NULL).
int compareValues(const Value& a, const Value& b, ColumnType type, int scale) {
    auto sign = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo: {
        const auto* x = std::get_if<std::u16string>(&a);
        const auto* y = std::get_if<std::u16string>(&b);
        return x && y ? compareText(*x, *y) : 0;
    }
    case ColumnType::DateTime: {
        const auto* x = std::get_if<DateTime>(&a);
        const auto* y = std::get_if<DateTime>(&b);
        return x && y ? sign(dateSeconds(x->days), dateSeconds(y->days)) : 0;
    }
    case ColumnType::GUID: {
        const auto* x = std::get_if<Guid>(&a);
        const auto* y = std::get_if<Guid>(&b);
        return x && y ? std::memcmp(x->bytes.data(), y->bytes.data(), 16) : 0;
    }
    default: {
        Int128 x = 0, y = 0;
        if (exactOf(a, scale, x) && exactOf(b, scale, y))
            return sign(x, y);
        double dx = 0, dy = 0;
        if (!numberOf(a, dx) || !numberOf(b, dy))
            return 0;
        return sign(dx, dy);
    }
    }
}

// Appends a group value to a group key. Values equal as GROUP BY sees them (text ignoring case,
// dates to the second) give equal bytes, and the keys of a row's values never run into each
// other.
void appendKey(const Value& v, std::string& key) {
    auto put = [&](const void* p, size_t n) { key.append(static_cast<const char*>(p), n); };
    key += char(v.index());
    switch (v.index()) {
    case 0:
        return;
    case 9: {
        const std::u16string& s = std::get<std::u16string>(v);
        const uint32_t n = uint32_t(s.size());
        put(&n, 4);
        const size_t at = key.size();
        key.resize(at + 2 * s.size());
        char* p = key.data() + at;
        for (char16_t c : s) {
            const char16_t f = foldCase(c);
            std::memcpy(p, &f, 2);
            p += 2;
        }
        return;
    }
    case 7:
    case 6: {
        double d = 0;
        numberOf(v, d);
        if (d == 0)
            d = 0; // -0 is 0
        if (std::isnan(d))
            d = std::numeric_limits<double>::quiet_NaN();
        put(&d, 8);
        return;
    }
    case 8: {
        const int64_t s = dateSeconds(std::get<DateTime>(v).days);
        put(&s, 8);
        return;
    }
    case 11:
        put(std::get<Guid>(v).bytes.data(), 16);
        return;
    case 12: {
        // Without trailing zeros, so that 1.50 and 1.5 are one key.
        const Decimal& d = std::get<Decimal>(v);
        Int128 m = 0;
        (void)decimalAt(d, d.scale, m); // at its own scale: always fits
        uint8_t scale = d.scale;
        while (scale > 0 && m % 10 == 0)
            m /= 10, --scale;
        const uint64_t words[2] = {m.low(), m.high()};
        put(words, 16);
        put(&scale, 1);
        return;
    }
    default: {
        Int128 x = 0;
        exactOf(v, 0, x);
        const int64_t n = x.toInt64();
        put(&n, 8);
        return;
    }
    }
}

// The groups by their keys: open addressing in a power-of-two table, the keys kept one after the
// other in one string.
class GroupIndex {
public:
    // The number of the group with `key`; a new key becomes group size() and `added` is set.
    uint32_t find(std::string_view key, bool& added) {
        const uint64_t h = hash(key);
        if ((hashes_.size() + 1) * 2 > table_.size())
            grow();
        size_t i = h & (table_.size() - 1);
        for (;; i = (i + 1) & (table_.size() - 1)) {
            const uint32_t g = table_[i];
            if (g == 0)
                break;
            if (hashes_[g - 1] == h && keyOf(g - 1) == key) {
                added = false;
                return g - 1;
            }
        }
        const uint32_t g = uint32_t(hashes_.size());
        table_[i] = g + 1;
        hashes_.push_back(h);
        pool_.append(key);
        ends_.push_back(pool_.size());
        added = true;
        return g;
    }

private:
    static uint64_t hash(std::string_view key) {
        uint64_t h = 0x9E3779B97F4A7C15ull ^ key.size();
        size_t i = 0;
        for (; i + 8 <= key.size(); i += 8) {
            uint64_t w;
            std::memcpy(&w, key.data() + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 29;
        }
        uint64_t w = 0;
        std::memcpy(&w, key.data() + i, key.size() - i);
        h = (h ^ w) * 0x94D049BB133111EBull;
        return h ^ (h >> 31);
    }
    std::string_view keyOf(size_t g) const {
        const size_t begin = g == 0 ? 0 : ends_[g - 1];
        return std::string_view(pool_).substr(begin, ends_[g] - begin);
    }
    void grow() {
        table_.assign(table_.empty() ? 64 : table_.size() * 2, 0);
        for (size_t g = 0; g < hashes_.size(); ++g) {
            size_t i = hashes_[g] & (table_.size() - 1);
            while (table_[i] != 0)
                i = (i + 1) & (table_.size() - 1);
            table_[i] = uint32_t(g + 1);
        }
    }

    std::vector<uint32_t> table_; // group + 1; 0: empty
    std::vector<uint64_t> hashes_;
    std::string pool_;
    std::vector<size_t> ends_;
};

Error notGrouped(const ColumnRef& ref) {
    const std::u16string written = ref.qualifier.empty() ? ref.name : ref.qualifier + u"." + ref.name;
    return syntaxErrorAt(ref.position, toUtf8(written),
                         "查询不包含作为合计函数一部分的特定表达式 " + quoteName(written) +
                             "：请把它列入 GROUP BY，或放进 COUNT、SUM 等合计函数");
}

class Grouping {
public:
    Grouping(const Statement& st, Table& table) : st_(st), table_(table), columns_(table.columns()) {}

    Result<ExecResult> run();

private:
    Status resolve();
    Result<size_t> plan(const Aggregate& a);
    Result<uint32_t> groupSlot(const ColumnRef& ref); // a grouped column's slot in a group row
    Status planHaving(const Expr& e);
    Status scan();
    Result<std::vector<Value>> finish(size_t group);
    bool fold(Accumulator& acc, const Plan& p, const Value& v) const;

    const Statement& st_;
    Table& table_;
    const std::vector<ColumnInfo>& columns_;
    Slots slots_{columns_.size()};
    std::unique_ptr<BoundExpr> where_, having_;

    std::vector<size_t> groupColumns_; // in the table
    std::vector<uint32_t> groupScanSlots_;
    std::vector<Plan> plans_;
    std::vector<ColumnInfo> planColumns_; // plans_[i].result, for binding HAVING
    // A group row: the group values, then the aggregates' values.
    size_t width() const { return groupColumns_.size() + plans_.size(); }
    std::vector<uint32_t> itemSlots_;              // each select item's slot in a group row
    std::vector<std::pair<uint32_t, bool>> order_; // slot, descending

    size_t groups_ = 0;
    std::vector<Value> groupValues_;        // groupColumns_.size() per group
    std::vector<Accumulator> accumulators_; // plans_.size() per group
};

Result<size_t> Grouping::plan(const Aggregate& a) {
    Plan p;
    p.function = a.function;
    p.star = a.star;
    if (!a.star) {
        auto c = Binder{columns_, st_.table, {}}.column(a.column);
        if (!c)
            return c.error();
        p.column = *c;
    }
    for (size_t i = 0; i < plans_.size(); ++i)
        if (plans_[i].function == p.function && plans_[i].star == p.star &&
            (p.star || plans_[i].column == p.column))
            return i;

    const ColumnInfo* col = a.star ? nullptr : &columns_[p.column];
    auto refuse = [&](const std::string& why) {
        return makeError(ErrorKind::Invalid, "类型不匹配：第 " + std::to_string(a.position) + " 个字符处的 " +
                                                 toUtf8(a.text) + "：列 " + quoteName(col->name) + " 是" +
                                                 kindWord(col->type) + "，" + why);
    };
    switch (a.function) {
    case AggregateFunction::Count:
        p.result.type = ColumnType::Long;
        break;
    case AggregateFunction::Sum:
    case AggregateFunction::Avg:
        switch (col->type) {
        case ColumnType::Boolean:
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
            p.sum = Sum::Integer;
            p.result.type = ColumnType::Long;
            break;
        case ColumnType::Currency:
            p.sum = Sum::Currency;
            p.scale = 4;
            p.result.type = ColumnType::Currency;
            break;
        case ColumnType::Numeric:
            p.sum = Sum::Decimal;
            p.scale = col->scale;
            p.result.type = ColumnType::Numeric;
            p.result.precision = 28;
            p.result.scale = col->scale;
            break;
        case ColumnType::Single:
        case ColumnType::Double:
            p.sum = Sum::Real;
            p.result.type = ColumnType::Double;
            break;
        default:
            return refuse("SUM 和 AVG 只能用于数字或是/否值");
        }
        if (a.function == AggregateFunction::Avg)
            p.result.type = ColumnType::Double;
        break;
    case AggregateFunction::Min:
    case AggregateFunction::Max:
        if (isBinary(col->type))
            return refuse("不能求最小值或最大值");
        p.result = *col;
        p.scale = col->type == ColumnType::Currency ? 4 : col->type == ColumnType::Numeric ? col->scale : 0;
        break;
    }
    p.result.name = a.text;
    if (!a.star)
        p.slot = slots_(p.column);
    plans_.push_back(p);
    planColumns_.push_back(p.result);
    return plans_.size() - 1;
}

Result<uint32_t> Grouping::groupSlot(const ColumnRef& ref) {
    auto c = Binder{columns_, st_.table, {}}.column(ref);
    if (!c)
        return c.error();
    for (size_t g = 0; g < groupColumns_.size(); ++g)
        if (groupColumns_[g] == *c)
            return uint32_t(g);
    return notGrouped(ref);
}

// Checks that HAVING names only grouped columns and plans its aggregates.
Status Grouping::planHaving(const Expr& e) {
    if (e.left)
        JET_TRY(planHaving(*e.left));
    if (e.right)
        JET_TRY(planHaving(*e.right));
    for (const Operand& o : e.operands) {
        if (o.kind == Operand::Kind::Column) {
            auto g = groupSlot(o.column);
            if (!g)
                return g.error();
        } else if (o.kind == Operand::Kind::Aggregate) {
            auto p = plan(o.aggregate);
            if (!p)
                return p.error();
        }
    }
    return okStatus();
}

Status Grouping::resolve() {
    for (const ColumnRef& ref : st_.groupBy) {
        auto c = Binder{columns_, st_.table, {}}.column(ref);
        if (!c)
            return c.error();
        if (isBinary(columns_[*c].type))
            return makeError(ErrorKind::Invalid,
                             "不能按二进制数据列 " + quoteName(columns_[*c].name) + " 分组");
        if (std::find(groupColumns_.begin(), groupColumns_.end(), *c) == groupColumns_.end()) {
            groupColumns_.push_back(*c);
            groupScanSlots_.push_back(slots_(*c));
        }
    }

    // The select list: grouped columns and aggregates. Aggregates are numbered after the groups'
    // columns, so a slot of an aggregate is fixed only when all are planned: keep plan numbers.
    std::vector<std::pair<bool, size_t>> items; // aggregate?, group or plan number
    if (st_.allColumns) {
        const ColumnRef& star = st_.items.empty() ? ColumnRef{} : st_.items[0].column;
        const std::u16string written = star.qualifier.empty() ? u"*" : star.qualifier + u".*";
        return syntaxErrorAt(star.position, toUtf8(written), "有 GROUP BY 或合计函数时不能用 * 选择全部列");
    }
    for (const SelectItem& item : st_.items) {
        if (item.isAggregate) {
            auto p = plan(item.aggregate);
            if (!p)
                return p.error();
            items.emplace_back(true, *p);
        } else {
            auto g = groupSlot(item.column);
            if (!g)
                return g.error();
            items.emplace_back(false, *g);
        }
    }
    std::vector<std::pair<std::pair<bool, size_t>, bool>> keys;
    for (const OrderKey& k : st_.orderBy) {
        if (k.position > 0) {
            if (size_t(k.position) > items.size())
                return makeError(ErrorKind::Invalid, "ORDER BY 的列序号 " + std::to_string(k.position) +
                                                         " 超出范围（1 到 " + std::to_string(items.size()) +
                                                         "）");
            keys.emplace_back(items[size_t(k.position) - 1], k.descending);
        } else if (k.isAggregate) {
            auto p = plan(k.aggregate);
            if (!p)
                return p.error();
            keys.emplace_back(std::pair(true, *p), k.descending);
        } else if (const size_t item = aliasOf(st_, k.column); item != kNoTableColumn) {
            keys.emplace_back(items[item], k.descending);
        } else {
            auto g = groupSlot(k.column);
            if (!g)
                return g.error();
            keys.emplace_back(std::pair(false, *g), k.descending);
        }
    }
    if (st_.having.root)
        JET_TRY(planHaving(*st_.having.root));

    const size_t k = groupColumns_.size();
    auto slotOf = [&](std::pair<bool, size_t> x) { return uint32_t(x.first ? k + x.second : x.second); };
    for (const auto& item : items)
        itemSlots_.push_back(slotOf(item));
    for (const auto& [key, descending] : keys)
        order_.emplace_back(slotOf(key), descending);
    for (size_t g = 0; g < k; ++g) // then by the groups' values
        order_.emplace_back(uint32_t(g), false);

    if (st_.where.root) {
        auto w = Binder{columns_, st_.table, [&](size_t c) { return slots_(c); }}.bind(*st_.where.root);
        if (!w)
            return w.error();
        where_ = std::move(*w);
    }
    if (st_.having.root) {
        std::vector<int64_t> groupOf(columns_.size(), -1);
        for (size_t g = 0; g < k; ++g)
            groupOf[groupColumns_[g]] = int64_t(g);
        Binder binder{columns_, st_.table,
                      [&](size_t c) {
                          return uint32_t(c >= columns_.size() ? k + (c - columns_.size())
                                                               : size_t(groupOf[c]));
                      },
                      [&](const Aggregate& a) -> Result<size_t> {
                          auto p = plan(a); // planned already: found, not added
                          if (!p)
                              return p.error();
                          return columns_.size() + *p;
                      },
                      &planColumns_};
        auto h = binder.bind(*st_.having.root);
        if (!h)
            return h.error();
        having_ = std::move(*h);
    }
    return okStatus();
}

// Adds a row's value to an aggregate; false when an exact sum overflows.
bool Grouping::fold(Accumulator& acc, const Plan& p, const Value& v) const {
    if (p.star) {
        ++acc.count;
        return true;
    }
    if (isNull(v))
        return true;
    ++acc.count;
    switch (p.function) {
    case AggregateFunction::Count:
        break;
    case AggregateFunction::Sum:
    case AggregateFunction::Avg:
        if (p.sum == Sum::Real) {
            double d = 0;
            numberOf(v, d);
            acc.real += d;
        } else {
            Int128 x = 0;
            if (!exactOf(v, p.scale, x) || !addChecked(acc.exact, x, acc.exact))
                return false;
        }
        break;
    case AggregateFunction::Min:
    case AggregateFunction::Max: {
        if (isNull(acc.best)) {
            acc.best = v;
            break;
        }
        const int c = compareValues(v, acc.best, columns_[p.column].type, p.scale);
        if (p.function == AggregateFunction::Min ? c < 0 : c > 0)
            acc.best = v;
        break;
    }
    }
    return true;
}

const Value kNull;

Status Grouping::scan() {
    const size_t k = groupColumns_.size();
    const size_t m = plans_.size();
    GroupIndex index;
    std::string key;
    if (k == 0) { // the whole table is one group, even with no rows
        groups_ = 1;
        accumulators_.resize(m);
    }
    Status failed = okStatus();
    JET_TRY(table_.scan(slots_.wanted, [&](RowId, const std::vector<Value>& values) {
        if (where_ && evaluate(*where_, values.data()) != Truth::True)
            return true;
        size_t group = 0;
        if (k > 0) {
            key.clear();
            for (uint32_t s : groupScanSlots_)
                appendKey(values[s], key);
            bool added = false;
            group = index.find(key, added);
            if (added) {
                ++groups_;
                for (uint32_t s : groupScanSlots_)
                    groupValues_.push_back(values[s]);
                accumulators_.resize(accumulators_.size() + m);
            }
        }
        Accumulator* acc = accumulators_.data() + group * m;
        for (size_t i = 0; i < m; ++i) {
            const Plan& p = plans_[i];
            if (!fold(acc[i], p, p.star ? kNull : values[p.slot])) {
                failed = makeError(ErrorKind::Invalid, "数值溢出：" + toUtf8(p.result.name) + " 太大");
                return false;
            }
        }
        return true;
    }));
    return failed;
}

// The group row of a group: its values, then its aggregates' values.
Result<std::vector<Value>> Grouping::finish(size_t group) {
    const size_t k = groupColumns_.size();
    std::vector<Value> row(groupValues_.begin() + long(group * k),
                           groupValues_.begin() + long(group * k + k));
    for (size_t i = 0; i < plans_.size(); ++i) {
        const Plan& p = plans_[i];
        const Accumulator& acc = accumulators_[group * plans_.size() + i];
        const std::string what = toUtf8(p.result.name);
        switch (p.function) {
        case AggregateFunction::Count:
            // A table holds fewer than 2^31 rows: a Jet file is at most 2 GB.
            row.push_back(int32_t(acc.count));
            break;
        case AggregateFunction::Sum:
            if (acc.count == 0) {
                row.push_back(Null{});
            } else if (p.sum == Sum::Real) {
                if (!std::isfinite(acc.real))
                    return makeError(ErrorKind::Invalid, "数值溢出：" + what + " 超出双精度数的范围");
                row.push_back(acc.real);
            } else if (p.sum == Sum::Decimal) {
                const Int128 limit = pow10(28);
                if (acc.exact >= limit || acc.exact <= -limit)
                    return makeError(ErrorKind::Invalid, "数值溢出：" + what + " 超过 28 位数字");
                row.push_back(decimalValue(acc.exact, 28, p.scale));
            } else {
                if (acc.exact > std::numeric_limits<int64_t>::max() ||
                    acc.exact < std::numeric_limits<int64_t>::min())
                    return makeError(
                        ErrorKind::Invalid,
                        "数值溢出：" + what +
                            (p.sum == Sum::Currency ? " 超出货币型的范围" : " 超出 64 位整数的范围"));
                if (p.sum == Sum::Currency)
                    row.push_back(Currency{acc.exact.toInt64()});
                else if (acc.exact >= std::numeric_limits<int32_t>::min() &&
                         acc.exact <= std::numeric_limits<int32_t>::max())
                    row.push_back(int32_t(acc.exact.toInt64()));
                else
                    row.push_back(decimalValue(acc.exact, 19, 0));
            }
            break;
        case AggregateFunction::Avg:
            if (acc.count == 0)
                row.push_back(Null{});
            else if (p.sum == Sum::Real)
                row.push_back(acc.real / double(acc.count));
            else
                row.push_back(double(acc.exact.toLongDouble() / pow10(p.scale).toLongDouble() /
                                     (long double)(acc.count)));
            break;
        case AggregateFunction::Min:
        case AggregateFunction::Max:
            row.push_back(acc.best);
            break;
        }
    }
    return row;
}

Result<ExecResult> Grouping::run() {
    JET_TRY(resolve());
    JET_TRY(scan());

    // The groups that pass HAVING.
    const size_t w = width();
    std::vector<Value> rows;
    size_t count = 0;
    for (size_t g = 0; g < groups_; ++g) {
        auto row = finish(g);
        if (!row)
            return row.error();
        if (having_ && evaluate(*having_, row->data()) != Truth::True)
            continue;
        for (Value& v : *row)
            rows.push_back(std::move(v));
        ++count;
    }

    // An exact sum of integers is a Long when every one fits, else every one is a Numeric.
    std::vector<ColumnType> types(w);
    for (size_t g = 0; g < groupColumns_.size(); ++g)
        types[g] = columns_[groupColumns_[g]].type;
    for (size_t i = 0; i < plans_.size(); ++i) {
        const size_t slot = groupColumns_.size() + i;
        types[slot] = plans_[i].result.type;
        if (plans_[i].function != AggregateFunction::Sum || plans_[i].sum != Sum::Integer)
            continue;
        bool wide = false;
        for (size_t r = 0; r < count && !wide; ++r)
            wide = std::holds_alternative<Decimal>(rows[r * w + slot]);
        if (!wide)
            continue;
        types[slot] = ColumnType::Numeric;
        for (size_t r = 0; r < count; ++r)
            if (const auto* n = std::get_if<int32_t>(&rows[r * w + slot]))
                rows[r * w + slot] = decimalValue(*n, 19, 0);
    }

    std::vector<SortColumn> keys;
    for (const auto& [slot, descending] : order_) {
        SortColumn key;
        key.slot = slot;
        const ColumnType t = types[slot];
        key.text = t == ColumnType::Text || t == ColumnType::Memo || t == ColumnType::GUID;
        key.date = t == ColumnType::DateTime;
        key.descending = descending;
        for (size_t r = 0; r < count; ++r)
            key.add(rows[r * w + slot]);
        key.finish();
        keys.push_back(std::move(key));
    }
    std::vector<uint32_t> order = count > 1 ? sortOrder(keys, count) : std::vector<uint32_t>();

    ExecResult out;
    out.kind = StatementKind::Select;
    out.grouped = true;
    for (size_t i = 0; i < st_.items.size(); ++i) {
        const SelectItem& item = st_.items[i];
        const uint32_t slot = itemSlots_[i];
        ResultColumn c;
        c.type = types[slot];
        if (item.isAggregate) {
            c.name = u"Expr" + fromUtf8(std::to_string(1000 + i));
            c.tableColumn = kNoTableColumn;
        } else {
            c.tableColumn = groupColumns_[slot];
            c.name = columns_[c.tableColumn].name;
        }
        if (!item.alias.empty())
            c.name = item.alias;
        out.columns.push_back(std::move(c));
    }
    out.values.reserve(count * itemSlots_.size());
    for (size_t n = 0; n < count; ++n) {
        const size_t r = order.empty() ? n : order[n];
        for (uint32_t slot : itemSlots_)
            out.values.push_back(rows[r * w + slot]);
    }
    return out;
}

} // namespace

Result<ExecResult> runGrouped(const Statement& st, Table& table) {
    return Grouping(st, table).run();
}

} // namespace jet::sql::detail
