// The data-access objects that live as invisible controls on forms: a connection to the Access
// database and a record set over it (a static, scrollable set with an exact record count, rows in
// table order). Every failure is reported by the result only; nothing throws. The one box they show
// is the data layer's own error box when Open fails.
//
// Forms own them: `rt::form("主窗口").recordSet("记录集1")`. They are created when their form loads
// and go (closed) when it is destroyed.
#pragma once

#include "runtime/text.h"

#include <memory>

namespace rt {

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
    // The errors of the last failed operation through this connection, one block per error:
    // "Description: %s\r\nState: %s, Native: %d, Source: %s\r\n"; empty when there are none.
    Text LastError() const;
    Text connectionText() const;
    bool isOpen() const;

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
    bool Open(const Text& source, int kind);
    void Close();
    bool MoveFirst();
    bool MoveLast();
    bool MoveNext();
    bool MovePrevious();
    bool Move(int n);                               // from the first record: 0 is the first
    bool Find(const Text& criteria, int direction); // direction 1 forward, -1 backward
    bool Delete(int option);

    // Fields by name or zero-based index.
    bool ReadString(const Text& field, Text& value);
    bool ReadString(int index, Text& value);
    bool ReadLong(const Text& field, int& value);
    bool ReadLong(int index, int& value);
    bool ReadDateTime(const Text& field, double& value);
    bool ReadDateTime(int index, double& value);

    int RecordsCount() const; // -1 when it cannot be told
    int Pos() const;          // 0 for the first record; -2 unknown, -3 before first, -4 after last
    bool isOpen() const;

    struct Impl;
    Impl* impl() const { return d_.get(); }

private:
    std::unique_ptr<Impl> d_;
};

} // namespace rt
