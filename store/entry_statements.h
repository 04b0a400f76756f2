// The statements that change table `data`, and the identifiers of new entries.
//
// Statements are SQL text. Every quoted value has each single quote doubled, so a name such as
// O'Brien is stored as typed and no value can end its literal early; for values without quotes
// the texts are exactly the concatenations below. The hours go in unquoted, as typed (the hours
// box admits only digits and '-'); an empty hours text makes the statement malformed and the
// database refuses it.
//
// Plain functions: they get the record set and connection to work with from the caller.
#pragma once

#include "runtime/text.h"

namespace rt {
class CommonConnection;
class RecordSet;
} // namespace rt

namespace store {

// The values of one entry as the main window holds them.
struct EntryValues {
    rt::Text name;      // 姓名
    rt::Text company;   // 公司名称
    rt::Text address;   // 公司地址
    double joined = 0;  // 入厂时间: only its date part is used
    double workDay = 0; // 上班日期: only its date part is used
    rt::Text hours;     // 上班时间, as typed; goes into the statement unquoted
    rt::Text notes;     // 工作备注, line breaks included
    double savedAt = 0; // 时间: the moment of the save, with its time of day
    rt::Text id;        // the entry identifier
};

// The text with every single quote doubled, for use between single quotes in a statement.
rt::Text quoted(const rt::Text& value);

// "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) values ('"
// 姓名 "','" 公司名称 "','" 公司地址 "','" 入厂时间 "','" 上班日期 "'," 上班时间 ",'" 工作备注 "','" 时间
// "','" id "')"; the dates as date texts.
rt::Text insertStatement(const EntryValues& v);

// "update data set 姓名='" ... "',上班时间=" 上班时间 ",工作备注='" ... "' where id='" id "'".
rt::Text updateStatement(const EntryValues& v);

// 上班日期='<date text of the date part>', the date query's search condition.
rt::Text dateCondition(double date);

// The identifier query: select <column> from <table> where <column> like '<prefix>%' order by
// <column>.
rt::Text identifierQuery(const rt::Text& table, const rt::Text& column, const rt::Text& prefix);

// The query that finds what would make the last identifier in text order not the highest one:
// identifiers whose number part is longer than `width` bytes, or the candidate itself.
rt::Text identifierCheckQuery(const rt::Text& table, const rt::Text& column, const rt::Text& prefix,
                              int width, const rt::Text& candidate);

// The next entry identifier: the prefix followed by the highest number among the stored
// identifiers plus one, written with the width of that identifier's number part; prefix +
// firstNumber when there is none (or the identifier query fails). Gaps are not filled, so after
// deleting the entry with the highest number that number is issued again.
//
// It runs the identifier query on `statements` (bound to `connection` first) and reads its last
// row: text order equals numeric order while every identifier has the same width. A second query
// then looks for anything that would break that: identifiers with a longer number part, or one
// equal to the candidate. Only then is the highest number found by value, among the last
// identifier and those the second query found (all identifiers are read only when the last one
// is no number), so that the identifier after GZ-99999 is GZ-100000, then GZ-100001 and so on,
// and no issued identifier is ever held by a stored entry. `statements` is closed afterwards.
rt::Text nextEntryIdentifier(rt::RecordSet& statements, rt::CommonConnection& connection,
                             const rt::Text& table, const rt::Text& column, const rt::Text& firstNumber,
                             const rt::Text& prefix);

// The program's call: nextEntryIdentifier(statements, connection, "data", "ID", "00001", "GZ-").
rt::Text nextEntryIdentifier(rt::RecordSet& statements, rt::CommonConnection& connection);

// The decimal text `digits` plus one ("00999" gives "01000", "999" gives "1000"); digits only.
std::string incrementDecimal(const std::string& digits);

} // namespace store
