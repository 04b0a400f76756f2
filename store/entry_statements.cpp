#include "store/entry_statements.h"

#include "runtime/data_access.h"
#include "runtime/datetime.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace store {

namespace {

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Numeric order of two digit strings of any length.
int compareDecimal(std::string_view a, std::string_view b) {
    auto strip = [](std::string_view s) {
        size_t i = s.find_first_not_of('0');
        return i == std::string_view::npos ? std::string_view() : s.substr(i);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

rt::Text fromAscii(const std::string& s) {
    return rt::Text::fromBytes(s);
}

// The last row's field 0 of the query, or an empty text when it has no rows or fails.
rt::Text lastOf(rt::RecordSet& set, const rt::Text& query) {
    rt::Text last;
    if (set.Open(query, rt::RecordSet::Sql)) {
        set.MoveLast();
        set.ReadString(0, last);
    }
    set.Close();
    return last;
}

// Raises `best` to the highest number part, by value, among the rows of the open set whose number
// part is all digits. Of equal numbers the widest text keeps the width.
void raiseToHighest(rt::RecordSet& set, size_t prefixLength, std::string& best) {
    if (!set.MoveFirst())
        return;
    rt::Text id;
    while (set.ReadString(0, id)) {
        std::string_view digits =
            std::string_view(id.bytes()).substr(std::min(prefixLength, id.bytes().size()));
        if (allDigits(digits)) {
            int order = best.empty() ? 1 : compareDecimal(digits, best);
            if (order > 0 || (order == 0 && digits.size() > best.size()))
                best = std::string(digits);
        }
        if (!set.MoveNext())
            break;
    }
}

// The number part after the highest number among every identifier whose number part is all
// digits, compared by value; empty when there is none, nothing when the query fails.
std::optional<std::string> afterHighest(rt::RecordSet& set, const rt::Text& query, size_t prefixLength) {
    std::string best;
    if (!set.Open(query, rt::RecordSet::Sql))
        return std::nullopt;
    raiseToHighest(set, prefixLength, best);
    set.Close();
    return best.empty() ? best : incrementDecimal(best);
}

} // namespace

std::string incrementDecimal(const std::string& digits) {
    std::string s = digits;
    for (size_t i = s.size(); i-- > 0;) {
        if (s[i] != '9') {
            ++s[i];
            return s;
        }
        s[i] = '0';
    }
    return "1" + s;
}

rt::Text quoted(const rt::Text& value) {
    // A single quote (0x27) is never part of a double-byte character in code page 936, nor of the
    // four-byte forms of the text codec, so doubling bytes doubles characters.
    const std::string& in = value.bytes();
    if (in.find('\'') == std::string::npos)
        return value;
    std::string out;
    out.reserve(in.size() + 8);
    for (char c : in) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return rt::Text::fromBytes(out);
}

rt::Text insertStatement(const EntryValues& v) {
    return rt::Text("insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) "
                    "values ('") +
           quoted(v.name) + "','" + quoted(v.company) + "','" + quoted(v.address) + "','" +
           rt::dateText(rt::datePart(v.joined)) + "','" + rt::dateText(rt::datePart(v.workDay)) + "'," +
           v.hours + ",'" + quoted(v.notes) + "','" + rt::dateText(v.savedAt) + "','" + quoted(v.id) + "')";
}

rt::Text updateStatement(const EntryValues& v) {
    return rt::Text("update data set 姓名='") + quoted(v.name) + "',公司名称='" + quoted(v.company) +
           "',公司地址='" + quoted(v.address) + "',入厂时间='" + rt::dateText(rt::datePart(v.joined)) +
           "',上班日期='" + rt::dateText(rt::datePart(v.workDay)) + "',上班时间=" + v.hours + ",工作备注='" +
           quoted(v.notes) + "',时间='" + rt::dateText(v.savedAt) + "' where id='" + quoted(v.id) + "'";
}

rt::Text dateCondition(double date) {
    return rt::Text("上班日期='") + rt::dateText(rt::datePart(date)) + "'";
}

rt::Text identifierQuery(const rt::Text& table, const rt::Text& column, const rt::Text& prefix) {
    return "select " + column + " from " + table + " where " + column + " like '" + quoted(prefix) +
           "%' order by " + column;
}

rt::Text identifierCheckQuery(const rt::Text& table, const rt::Text& column, const rt::Text& prefix,
                              int width, const rt::Text& candidate) {
    return "select " + column + " from " + table + " where " + column + " like '" + quoted(prefix) +
           rt::repeat(width + 1, "_") + "%' or " + column + "='" + quoted(candidate) + "'";
}

rt::Text nextEntryIdentifier(rt::RecordSet& statements, rt::CommonConnection& connection,
                             const rt::Text& table, const rt::Text& column, const rt::Text& firstNumber,
                             const rt::Text& prefix) {
    statements.SetConnection(connection);
    const rt::Text last = lastOf(statements, identifierQuery(table, column, prefix));
    if (last.empty())
        return prefix + firstNumber;

    // The number part of the last identifier in text order, plus one, in the same width. All
    // nines widen it instead of wrapping round to zeros.
    const int width = std::max(0, last.length() - prefix.length());
    const std::string digits = rt::right(last, width).bytes();
    std::string next;
    if (allDigits(digits)) {
        next = incrementDecimal(digits);
    } else {
        // Not a number of ours: its leading number plus one, kept to the width.
        const long long v = static_cast<long long>(rt::toNumber(rt::Text::fromBytes(digits))) + 1;
        next = std::string(static_cast<size_t>(width), '0') + std::to_string(v);
        next = next.substr(next.size() - static_cast<size_t>(width));
    }
    const rt::Text candidate = prefix + fromAscii(next);

    // Text order is numeric order only among identifiers of one width. Anything with a longer
    // number part, or the candidate itself already stored, means the highest number has to be
    // found by value.
    bool clash = false;
    std::optional<std::string> highest;
    if (statements.Open(identifierCheckQuery(table, column, prefix, width, candidate), rt::RecordSet::Sql)) {
        rt::Text any;
        const int count = statements.RecordsCount();
        clash = count > 0 || (count < 0 && statements.ReadString(0, any));
        // With an all-digit last identifier no identifier of its width or narrower has a higher
        // number (same width: text order is numeric order; narrower: it would sort after it
        // otherwise). So the highest is the last one or one of the wider ones this query found,
        // and the table need not be read again: after GZ-99999 every add would read them all.
        if (clash && allDigits(digits)) {
            highest = digits;
            raiseToHighest(statements, static_cast<size_t>(prefix.length()), *highest);
        }
    }
    statements.Close();
    if (!clash)
        return candidate;
    if (highest)
        return prefix + fromAscii(incrementDecimal(*highest));

    // The last identifier is no number of ours: every identifier is read.
    const std::optional<std::string> after = afterHighest(statements,
                                                          "select " + column + " from " + table + " where " +
                                                              column + " like '" + quoted(prefix) + "%'",
                                                          static_cast<size_t>(prefix.length()));
    if (!after)
        return candidate;
    return after->empty() ? prefix + firstNumber : prefix + fromAscii(*after);
}

rt::Text nextEntryIdentifier(rt::RecordSet& statements, rt::CommonConnection& connection) {
    return nextEntryIdentifier(statements, connection, "data", "ID", "00001", "GZ-");
}

} // namespace store
