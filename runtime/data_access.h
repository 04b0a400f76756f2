// The data-access objects that live as invisible controls on forms: a connection to the Access
// database and a record set over it (a static, scrollable set with an exact record count, rows in
// table order). Every failure is reported by the result only; nothing throws. The one box they show
// is the data layer's own error box when Open fails: no owner, the error's description as its text,
// caption kDataErrorCaption, an OK button.
//
// Forms own them: `rt::form("主窗口").recordSet("记录集1")`. They are created when their form loads
// and go (closed) when it is destroyed.
//
// The database stays open for reading, without a lock, from ConnectAccess to Close (read afresh
// after each write, and when another program changed the file); record sets bound to the
// connection share it. A statement that writes, and Delete, take the engine's writer lock only
// for the time of the write, as one all-or-nothing change; a write through one record set is
// seen by the next Open of any record set. Closing (or re-connecting) a connection closes the
// record sets open on it.
//
// A record set's snapshot: Open fixes which rows the set has and their order (an exact count);
// the values are read from the file when a row is visited. So a row changed afterwards (through
// another record set) reads with its new values, and a row deleted afterwards reads as a missing
// record: every read fails as at the end of the set, and Find passes over it. The program opens
// its sets again after every change, so it never meets either.
//
// Positions: BOF (before the first row), a row 0 .. n-1, EOF (after the last row); an empty set
// is at both BOF and EOF. Moving past either end from a row succeeds and lands on BOF or EOF; a
// move from BOF backwards or from EOF forwards fails. After Delete(1) the set stands on the
// deleted row (reads fail, Pos is -2) until a move: MoveNext goes to the row after it,
// MovePrevious to the one before.
//
// LastError fields: see runtime/data_errors.h (Source "Microsoft JET Database Engine", an ODBC
// SQL state, a Jet error number as native number).
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace jet {
class Database;
}

namespace rt {

// Caption of the box a failed Open shows: what the system gives a box without a caption.
inline constexpr const char* kDataErrorCaption = "错误";

class CommonConnection {
public:
    CommonConnection();
    ~CommonConnection(); // closes an open connection
    CommonConnection(const CommonConnection&) = delete;
    CommonConnection& operator=(const CommonConnection&) = delete;

    // Opens the database file; an open connection is closed first. The connection text is
    // "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path, and, only with a password,
    // ";Jet OLEDB:Database Password=" + password + ";". Shows nothing on failure.
    bool ConnectAccess(const Text& path, const Text& password);
    bool Close(); // always true
    // The errors of the last failed operation through this connection (ConnectAccess, a record
    // set's Open or Delete), one block per error: "Description: %s\r\nState: %s, Native: %d,
    // Source: %s\r\n"; empty when there are none. A successful ConnectAccess empties it; other
    // successes leave it.
    Text LastError() const;
    Text connectionText() const;
    bool isOpen() const;

    // For code that reads the database with the engine itself (the hours report): calls `read`
    // once with the database as the file has it now (read afresh first when another program
    // changed it) and the file's path, and answers true. Answers false without calling it while
    // the connection is closed, or when the file can no longer be read (the reason is then in
    // LastError). The database must not be kept beyond the call.
    bool readDatabase(const std::function<void(const jet::Database& db, const std::string& path)>& read);
    // A number that changes whenever what the connection reads may have changed: a write through
    // it or one of its record sets, another program changing the file (looked at now: one stat of
    // the file), a ConnectAccess or Close. Cheap enough to ask several times a second.
    uint64_t dataVersion();

    struct Impl;
    Impl* impl() const { return d_.get(); }

private:
    std::unique_ptr<Impl> d_;
};

class RecordSet {
public:
    RecordSet();
    ~RecordSet(); // closes an open set
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    enum OpenKind { Sql = 1, Table = 2 };
    enum DeleteOption { DeleteCurrent = 1, DeleteAll = 3 };

    bool SetConnection(CommonConnection& connection);
    // kind 1: source is an SQL statement (a statement without rows runs and leaves the set
    // closed); kind 2: source is a table name. Other kinds give false at once.
    // A failed Open shows the error box first; kind 0, a missing connection or an empty source
    // give false without a box.
    bool Open(const Text& source, int kind);
    void Close();
    bool MoveFirst();
    bool MoveLast();
    bool MoveNext();
    bool MovePrevious();
    // From the first record: 0 is the first. n < 0 leaves the set at BOF, n >= count at EOF, both
    // with false.
    bool Move(int n);
    // Searches from the current record (included) for a record meeting the criteria, such as
    // 上班日期='2010年7月20日' (a search condition as in a WHERE clause); direction 1 forward,
    // -1 backward. From BOF forward the search starts at the first record, from EOF backward at
    // the last. True when found (the set stands on it); otherwise the set is at EOF (forward) or
    // BOF (backward). Criteria that do not parse or name unknown columns give false and leave
    // the position alone.
    bool Find(const Text& criteria, int direction);
    // 1: deletes the current record in the file and from the set (see above). 3: deletes every
    // record of the set in the file, all or none; true when the set is then empty. Other options:
    // false. A failed delete changes nothing and leaves its error in the connection's LastError.
    bool Delete(int option);

    // Fields by name (compared without case) or zero-based index. Texts by column type: see
    // runtime/data_values.h.
    // ReadString: the value's text and true; an empty text and false when the set is closed, at
    // BOF or EOF, on a missing record, or the field is unknown.
    // ReadLong: only for Byte, Integer and Long columns (else false, the variable untouched); a
    // NULL value or no current record gives 0 and false.
    // ReadDateTime: a date gives its value, any other value (NULL too) 0, both true; no current
    // record or an unknown field gives 0 and false.
    bool ReadString(const Text& field, Text& value);
    bool ReadString(int index, Text& value);
    bool ReadLong(const Text& field, int& value);
    bool ReadLong(int index, int& value);
    bool ReadDateTime(const Text& field, double& value);
    bool ReadDateTime(int index, double& value);

    int RecordsCount() const; // -1 when it cannot be told
    int Pos() const;          // 0 for the first record; -2 unknown, -3 before first, -4 after last
    bool isOpen() const;
    // Rows the last statement Open changed; -1 when the last Open was not a statement that
    // changes rows.
    int RecordsAffected() const;

    struct Impl;
    Impl* impl() const { return d_.get(); }

private:
    std::unique_ptr<Impl> d_;
};

} // namespace rt
