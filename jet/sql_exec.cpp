// Running statements against a Storage.
#include "jet/datetext.h"
#include "jet/sql_internal.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace jet::sql {

namespace detail {

void SortColumn::add(const Value& v) {
    nulls.push_back(isNull(v) ? 1 : 0);
    if (text) {
        offsets.push_back(pool.size());
        if (!isNull(v)) {
            if (const auto* s = std::get_if<std::u16string>(&v))
                appendSortKey(*s, pool);
            else
                appendSortKey(detail::valueText(v), pool);
        }
    } else {
        double d = 0;
        if (!isNull(v) && !detail::numberOf(v, d))
            d = 0;
        if (date && !isNull(v))
            d = double(dateSeconds(d));
        numbers.push_back(d);
    }
}

int SortColumn::compare(size_t i, size_t j) const {
    int c = 0;
    if (nulls[i] || nulls[j]) {
        c = int(nulls[j]) - int(nulls[i]); // NULL first
    } else if (text) {
        const size_t li = offsets[i + 1] - offsets[i], lj = offsets[j + 1] - offsets[j];
        c = std::memcmp(pool.data() + offsets[i], pool.data() + offsets[j], std::min(li, lj));
        if (c == 0)
            c = li < lj ? -1 : (li > lj ? 1 : 0);
    } else {
        c = numbers[i] < numbers[j] ? -1 : (numbers[i] > numbers[j] ? 1 : 0);
    }
    return descending ? -c : c;
}

// Rows are usually in order already: identifiers are appended in order.
std::vector<uint32_t> sortOrder(const std::vector<SortColumn>& keys, size_t n) {
    auto before = [&](uint32_t i, uint32_t j) {
        for (const SortColumn& k : keys) {
            const int c = k.compare(i, j);
            if (c != 0)
                return c < 0;
        }
        return i < j;
    };
    bool sorted = true;
    for (uint32_t i = 1; i < n && sorted; ++i)
        sorted = !before(i, i - 1);
    if (sorted)
        return {};
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), uint32_t(0));
    if (keys.size() == 1) {
        // One key: each row's key reduced to its first 8 bytes as a number, then the rest, so that
        // most comparisons are one integer comparison.
        const SortColumn& k = keys[0];
        struct Item {
            uint64_t head;    // the first 8 bytes of a text key, big-endian, zero-padded
            const char* rest; // text: the key (from byte 8 on)
            uint32_t length;  // text: the whole key's length
            uint32_t index;
            bool null;
        };
        // Text keys often share a prefix ("GZ-000"): leave it out of the comparisons.
        size_t skip = 0;
        if (k.text) {
            const char* first = nullptr;
            for (uint32_t i = 0; i < n; ++i) {
                if (k.nulls[i])
                    continue;
                const char* p = k.pool.data() + k.offsets[i];
                const size_t len = k.offsets[i + 1] - k.offsets[i];
                if (!first) {
                    first = p;
                    skip = len;
                    continue;
                }
                size_t j = 0;
                const size_t m = std::min(skip, len);
                while (j < m && p[j] == first[j])
                    ++j;
                skip = j;
            }
        }
        std::vector<Item> items(n);
        for (uint32_t i = 0; i < n; ++i) {
            Item& it = items[i];
            it = Item{0, nullptr, 0, i, k.nulls[i] != 0};
            if (it.null)
                continue;
            if (k.text) {
                const char* p = k.pool.data() + k.offsets[i] + skip;
                it.length = uint32_t(k.offsets[i + 1] - k.offsets[i] - skip);
                for (uint32_t b = 0; b < 8; ++b)
                    it.head = it.head << 8 | (b < it.length ? uint8_t(p[b]) : 0);
                it.rest = p + 8;
            } else { // a double as an unsigned number in the same order
                uint64_t bits = 0;
                std::memcpy(&bits, &k.numbers[i], 8);
                it.head = bits >> 63 ? ~bits : bits | (uint64_t(1) << 63);
            }
        }
        const bool desc = k.descending;
        auto cmp = [&](const Item& a, const Item& b) {
            int c = 0;
            if (a.null || b.null) {
                c = int(b.null) - int(a.null); // NULL first
            } else if (a.head != b.head) {
                c = a.head < b.head ? -1 : 1;
            } else if (k.text) {
                // Equal heads: a key of at most 8 bytes is a prefix of the other key.
                const uint32_t m = std::min(a.length, b.length);
                c = m > 8 ? std::memcmp(a.rest, b.rest, m - 8) : 0;
                if (c == 0)
                    c = a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
            }
            return desc ? -c : c;
        };
        auto less = [&](const Item& a, const Item& b) {
            const int c = cmp(a, b);
            return c != 0 ? c < 0 : a.index < b.index;
        };
        // Rows usually come in nearly the right order (entries are appended in identifier order,
        // a few wider identifiers at the end): a handful of ascending runs is merged in linear
        // time instead of sorted again.
        constexpr size_t kMaxRuns = 8;
        std::vector<size_t> runStarts{0};
        for (size_t i = 1; i < n && runStarts.size() <= kMaxRuns; ++i)
            if (less(items[i], items[i - 1]))
                runStarts.push_back(i);
        if (runStarts.size() <= kMaxRuns) {
            // Each run in turn is merged into the ordered rows before it.
            for (size_t r = 1; r < runStarts.size(); ++r) {
                const size_t end = r + 1 < runStarts.size() ? runStarts[r + 1] : n;
                std::inplace_merge(items.begin(), items.begin() + long(runStarts[r]),
                                   items.begin() + long(end), less);
            }
        } else {
            std::sort(items.begin(), items.end(), less);
        }
        for (uint32_t i = 0; i < n; ++i)
            order[i] = items[i].index;
        return order;
    }
    std::sort(order.begin(), order.end(), before);
    return order;
}

size_t aliasOf(const Statement& st, const ColumnRef& ref) {
    if (!ref.qualifier.empty())
        return kNoTableColumn;
    for (size_t i = 0; i < st.items.size(); ++i)
        if (!st.items[i].alias.empty() && sameName(st.items[i].alias, ref.name))
            return i;
    return kNoTableColumn;
}

} // namespace detail

namespace {

using detail::aliasOf;
using detail::quoteName;
using detail::Slots;
using detail::SortColumn;

Result<Table*> findTable(Storage& storage, const std::u16string& name) {
    auto t = storage.openTable(name);
    if (!t)
        return t.error();
    if (!*t)
        return makeError(ErrorKind::NotFound, "找不到表 " + quoteName(name));
    return *t;
}

// Runs the writes of one statement as one batch: all of them or none.
template <class Writes> Status inBatch(Storage& storage, Writes&& writes) {
    JET_TRY(storage.begin());
    Status st = writes();
    if (!st.ok()) {
        storage.rollback();
        return st;
    }
    return storage.commit();
}

Result<std::unique_ptr<detail::BoundExpr>> bindWhere(const Statement& st,
                                                     const std::vector<ColumnInfo>& columns, Slots& slots) {
    if (!st.where.root)
        return std::unique_ptr<detail::BoundExpr>();
    detail::Binder binder{columns, st.table, [&](size_t c) { return slots(c); }};
    return binder.bind(*st.where.root);
}

bool isGrouped(const Statement& st) {
    if (!st.groupBy.empty() || st.having.root)
        return true;
    for (const SelectItem& item : st.items)
        if (item.isAggregate)
            return true;
    for (const OrderKey& k : st.orderBy)
        if (k.isAggregate)
            return true;
    return false;
}

Result<ExecResult> runSelect(const Statement& st, Table& table, const ExecOptions& options) {
    if (isGrouped(st)) {
        if (options.rowIdsOnly)
            return makeError(ErrorKind::Invalid, "合计查询的结果是算出来的，不是表中的行，不能只取行号");
        return detail::runGrouped(st, table);
    }
    const std::vector<ColumnInfo>& columns = table.columns();
    ExecResult out;
    out.kind = StatementKind::Select;

    // The result columns.
    std::vector<size_t> selected;
    if (st.allColumns) {
        if (!st.items.empty() && !st.items[0].column.qualifier.empty() &&
            !sameName(st.items[0].column.qualifier, st.table))
            return makeError(ErrorKind::NotFound,
                             "找不到列 " + quoteName(st.items[0].column.qualifier + u".*"));
        selected.resize(columns.size());
        std::iota(selected.begin(), selected.end(), size_t(0));
    } else {
        detail::Binder names{columns, st.table, {}};
        for (const SelectItem& item : st.items) {
            auto c = names.column(item.column);
            if (!c)
                return c.error();
            selected.push_back(*c);
        }
    }
    for (size_t i = 0; i < selected.size(); ++i) {
        const size_t c = selected[i];
        const bool aliased = !st.allColumns && !st.items[i].alias.empty();
        out.columns.push_back(
            ResultColumn{aliased ? st.items[i].alias : columns[c].name, columns[c].type, c});
    }

    Slots slots(columns.size());
    auto where = bindWhere(st, columns, slots);
    if (!where)
        return where.error();
    const size_t filterColumns = slots.wanted.size(); // the condition's columns come first

    std::vector<SortColumn> keys;
    for (const OrderKey& k : st.orderBy) {
        size_t c = 0;
        if (k.position > 0) {
            if (size_t(k.position) > selected.size())
                return makeError(ErrorKind::Invalid, "ORDER BY 的列序号 " + std::to_string(k.position) +
                                                         " 超出范围（1 到 " +
                                                         std::to_string(selected.size()) + "）");
            c = selected[size_t(k.position) - 1];
        } else if (const size_t item = aliasOf(st, k.column); item != kNoTableColumn) {
            c = selected[item];
        } else {
            auto found = detail::Binder{columns, st.table, {}}.column(k.column);
            if (!found)
                return found.error();
            c = *found;
        }
        const ColumnType t = columns[c].type;
        if (t == ColumnType::Binary || t == ColumnType::OLE)
            return makeError(ErrorKind::Invalid,
                             "不能按二进制数据列 " + quoteName(columns[c].name) + " 排序");
        SortColumn key;
        key.slot = slots(c);
        key.text = t == ColumnType::Text || t == ColumnType::Memo || t == ColumnType::GUID;
        key.date = t == ColumnType::DateTime;
        key.descending = k.descending;
        keys.push_back(std::move(key));
    }

    std::vector<uint32_t> valueSlots;
    if (!options.rowIdsOnly)
        for (size_t c : selected)
            valueSlots.push_back(slots(c));

    const detail::BoundExpr* filter = where->get();
    auto take = [&](RowId id, const std::vector<Value>& values) {
        out.rowIds.push_back(id);
        for (SortColumn& k : keys)
            k.add(values[k.slot]);
        for (uint32_t s : valueSlots)
            out.values.push_back(values[s]);
        return true;
    };
    // With a condition, the other columns are read only for the rows that meet it.
    if (filter)
        JET_TRY(table.scanWhere(
            slots.wanted, filterColumns,
            [&](const std::vector<Value>& values) {
                return detail::evaluate(*filter, values.data()) == detail::Truth::True;
            },
            take));
    else
        JET_TRY(table.scan(slots.wanted, take));
    if (keys.empty() || out.rowIds.size() < 2)
        return out;

    for (SortColumn& k : keys)
        k.finish();
    const std::vector<uint32_t> order = sortOrder(keys, out.rowIds.size());
    if (order.empty())
        return out; // already in order
    std::vector<RowId> ids(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        ids[i] = out.rowIds[order[i]];
    out.rowIds = std::move(ids);
    if (!out.values.empty()) {
        const size_t width = valueSlots.size();
        std::vector<Value> values;
        values.reserve(out.values.size());
        for (uint32_t from : order)
            for (size_t k = 0; k < width; ++k)
                values.push_back(std::move(out.values[from * width + k]));
        out.values = std::move(values);
    }
    return out;
}

Result<ExecResult> runInsert(const Statement& st, Storage& storage, Table& table) {
    const std::vector<ColumnInfo>& columns = table.columns();
    std::vector<size_t> targets;
    if (st.columns.empty()) {
        targets.resize(columns.size());
        std::iota(targets.begin(), targets.end(), size_t(0));
    } else {
        detail::Binder names{columns, st.table, {}};
        for (const ColumnRef& ref : st.columns) {
            auto c = names.column(ref);
            if (!c)
                return c.error();
            if (std::find(targets.begin(), targets.end(), *c) != targets.end())
                return makeError(ErrorKind::Invalid, "列 " + quoteName(columns[*c].name) + " 重复出现");
            targets.push_back(*c);
        }
    }
    if (st.values.size() != targets.size())
        return makeError(ErrorKind::Invalid, "值的个数（" + std::to_string(st.values.size()) +
                                                 "）与列的个数（" + std::to_string(targets.size()) +
                                                 "）不一致");
    std::vector<Value> row(columns.size(), Value(Null{}));
    std::vector<bool> given(columns.size(), false);
    for (size_t i = 0; i < targets.size(); ++i) {
        auto v = detail::storeLiteral(st.values[i], columns[targets[i]]);
        if (!v)
            return v.error();
        row[targets[i]] = std::move(*v);
        given[targets[i]] = true;
    }
    for (size_t c = 0; c < columns.size(); ++c)
        if (!given[c] && !columns[c].nullable)
            return makeError(ErrorKind::Invalid, "列 " + quoteName(columns[c].name) + " 不能为空");
    JET_TRY(inBatch(storage, [&]() -> Status {
        auto id = table.insert(row);
        if (!id)
            return id.error();
        return okStatus();
    }));
    ExecResult out;
    out.kind = StatementKind::Insert;
    out.rowsAffected = 1;
    return out;
}

Result<ExecResult> runUpdate(const Statement& st, Storage& storage, Table& table) {
    const std::vector<ColumnInfo>& columns = table.columns();
    Slots slots(columns.size());
    detail::Binder names{columns, st.table, {}};
    std::vector<ColumnValue> constant;                // SET col = value
    std::vector<std::pair<size_t, uint32_t>> fromRow; // SET col = other column: target, slot
    std::vector<bool> set(columns.size(), false);
    for (const Assignment& a : st.assignments) {
        auto c = names.column(a.column);
        if (!c)
            return c.error();
        if (set[*c])
            return makeError(ErrorKind::Invalid, "列 " + quoteName(columns[*c].name) + " 重复出现");
        set[*c] = true;
        if (a.value.kind == Operand::Kind::Literal) {
            auto v = detail::storeLiteral(a.value.literal, columns[*c]);
            if (!v)
                return v.error();
            constant.push_back(ColumnValue{*c, std::move(*v)});
        } else {
            auto source = names.column(a.value.column);
            if (!source)
                return source.error();
            fromRow.emplace_back(*c, slots(*source));
        }
    }
    auto where = bindWhere(st, columns, slots);
    if (!where)
        return where.error();

    // Find the rows and check every new value before writing anything.
    std::vector<RowId> ids;
    std::vector<std::vector<ColumnValue>> perRow;
    Status failed = okStatus();
    const detail::BoundExpr* filter = where->get();
    JET_TRY(table.scan(slots.wanted, [&](RowId id, const std::vector<Value>& values) {
        if (filter && detail::evaluate(*filter, values.data()) != detail::Truth::True)
            return true;
        ids.push_back(id);
        if (!fromRow.empty()) {
            std::vector<ColumnValue> changes = constant;
            for (const auto& [target, slot] : fromRow) {
                auto v = convertForColumn(values[slot], columns[target]);
                if (!v) {
                    failed = v.error();
                    return false;
                }
                changes.push_back(ColumnValue{target, std::move(*v)});
            }
            perRow.push_back(std::move(changes));
        }
        return true;
    }));
    JET_TRY(failed);
    if (!ids.empty()) {
        JET_TRY(inBatch(storage, [&]() -> Status {
            for (size_t i = 0; i < ids.size(); ++i)
                JET_TRY(table.update(ids[i], perRow.empty() ? constant : perRow[i]));
            return okStatus();
        }));
    }
    ExecResult out;
    out.kind = StatementKind::Update;
    out.rowsAffected = ids.size();
    return out;
}

Result<ExecResult> runDelete(const Statement& st, Storage& storage, Table& table) {
    const std::vector<ColumnInfo>& columns = table.columns();
    Slots slots(columns.size());
    auto where = bindWhere(st, columns, slots);
    if (!where)
        return where.error();
    std::vector<RowId> ids;
    const detail::BoundExpr* filter = where->get();
    JET_TRY(table.scan(slots.wanted, [&](RowId id, const std::vector<Value>& values) {
        if (!filter || detail::evaluate(*filter, values.data()) == detail::Truth::True)
            ids.push_back(id);
        return true;
    }));
    if (!ids.empty()) {
        JET_TRY(inBatch(storage, [&]() -> Status {
            for (RowId id : ids)
                JET_TRY(table.remove(id));
            return okStatus();
        }));
    }
    ExecResult out;
    out.kind = StatementKind::Delete;
    out.rowsAffected = ids.size();
    return out;
}

} // namespace

Result<ExecResult> execute(const Statement& statement, Storage& storage, const ExecOptions& options) {
    auto table = findTable(storage, statement.table);
    if (!table)
        return table.error();
    switch (statement.kind) {
    case StatementKind::Select:
        return runSelect(statement, **table, options);
    case StatementKind::Insert:
        return runInsert(statement, storage, **table);
    case StatementKind::Update:
        return runUpdate(statement, storage, **table);
    case StatementKind::Delete:
        return runDelete(statement, storage, **table);
    }
    return makeError(ErrorKind::Invalid, "未知的语句");
}

Result<ExecResult> execute(std::u16string_view text, Storage& storage, const ExecOptions& options) {
    auto st = parseStatement(text);
    if (!st)
        return st.error();
    return execute(*st, storage, options);
}

Result<ExecResult> execute(std::string_view utf8, Storage& storage, const ExecOptions& options) {
    auto st = parseStatement(utf8);
    if (!st)
        return st.error();
    return execute(*st, storage, options);
}

} // namespace jet::sql
