#include "runtime/data_access.h"

#include "runtime/data_errors.h"
#include "runtime/data_session.h"
#include "runtime/data_values.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"

#include "jet/sql_engine.h"
#include "jet/sql_text.h"

#include <climits>

namespace rt {

using data::DataError;
using data::Operation;
using data::Session;

namespace {

// What a connection and its record sets share: the open database (none while closed) and the
// errors of the last failed operation. Record sets keep it alive, so a set that outlives its
// connection finds it closed.
struct Link {
    std::shared_ptr<Session> session;
    std::vector<DataError> errors;
    uint64_t generation = 0; // counts ConnectAccess and Close
};

// A table name as ADO takes it may come in brackets.
std::u16string tableName(const Text& source) {
    std::u16string name = data::utf16Of(source);
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']')
        name = name.substr(1, name.size() - 2);
    return name;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Connection

struct CommonConnection::Impl {
    Text connectionText;
    std::shared_ptr<Link> link = std::make_shared<Link>();
};

CommonConnection::CommonConnection() : d_(std::make_unique<Impl>()) {}

CommonConnection::~CommonConnection() {
    Close();
}

bool CommonConnection::ConnectAccess(const Text& path, const Text& password) {
    Close();
    d_->connectionText = Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + path;
    if (!password.empty())
        d_->connectionText += Text(";Jet OLEDB:Database Password=") + password + ";";
    std::optional<std::u16string> pw;
    if (!password.empty())
        pw = data::utf16Of(password);
    auto session = Session::open(fileSystemPath(path), std::move(pw));
    if (!session) {
        d_->link->errors = {data::fromEngine(session.error(), Operation::Connect)};
        return false;
    }
    d_->link->session = std::move(*session);
    ++d_->link->generation;
    d_->link->errors.clear();
    return true;
}

bool CommonConnection::Close() {
    if (d_->link->session)
        ++d_->link->generation;
    d_->link->session.reset();
    return true;
}

bool CommonConnection::readDatabase(
    const std::function<void(const jet::Database& db, const std::string& path)>& read) {
    const std::shared_ptr<Session> session = d_->link->session;
    if (!session)
        return false;
    auto db = session->current();
    if (!db) {
        d_->link->errors = {data::fromEngine(db.error(), Operation::Open)};
        return false;
    }
    read(**db, session->path());
    return true;
}

uint64_t CommonConnection::dataVersion() {
    const std::shared_ptr<Session> session = d_->link->session;
    if (session)
        (void)session->current(); // notices a change by another program
    return (d_->link->generation << 32) + (session ? session->changes() : 0);
}

Text CommonConnection::LastError() const {
    return data::formatErrors(d_->link->errors);
}

Text CommonConnection::connectionText() const {
    return d_->connectionText;
}

bool CommonConnection::isOpen() const {
    return d_->link->session != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Record set

struct RecordSet::Impl {
    std::shared_ptr<Link> link; // the bound connection's
    int recordsAffected = -1;

    // While open:
    std::shared_ptr<Session> session;
    data::RowSet set;
    std::shared_ptr<data::RowIds> ownRows; // set.rows as this set's own copy (after a Delete)
    long long pos = 0;                     // -1 BOF, 0 .. n-1 a row, n EOF
    bool onDeleted = false;

    uint64_t tableChanges = 0; // session->changes() when set.table was taken

    // The current row, decoded once per visit.
    long long cachedPos = -1;
    uint64_t cachedChanges = 0;
    bool cachedOk = false;
    std::vector<jet::Value> cachedRow;

    // Field names already looked up, by their GBK bytes.
    std::vector<std::pair<std::string, int>> names;

    bool isOpen() const { return session && link && link->session == session; }
    long long count() const { return set.rows ? (long long)set.rows->size() : 0; }
    bool atBof() const { return !onDeleted && (count() == 0 || pos < 0); }
    bool atEof() const { return !onDeleted && (count() == 0 || pos >= count()); }
    bool onRow() const { return !onDeleted && pos >= 0 && pos < count(); }

    void close() {
        session.reset();
        set = {};
        ownRows.reset();
        pos = 0;
        onDeleted = false;
        cachedPos = -1;
        cachedRow.clear();
        names.clear();
    }

    // Closes a set whose connection was closed or re-opened meanwhile.
    bool live() {
        if (isOpen())
            return true;
        if (session)
            close();
        return false;
    }

    void moveTo(long long p) {
        pos = p;
        onDeleted = false;
    }

    void fail(const DataError& e, bool box) {
        if (link)
            link->errors = {e};
        if (box)
            messageBox(e.description, MbOkOnly, kDataErrorCaption);
    }

    int fieldIndex(const Text& name) {
        for (const auto& [bytes, index] : names)
            if (bytes == name.bytes())
                return index;
        const std::u16string wanted = data::utf16Of(name);
        int found = -1;
        for (size_t i = 0; i < set.fields.size(); ++i)
            if (jet::sql::sameName(set.fields[i].name, wanted)) {
                found = int(i);
                break;
            }
        names.emplace_back(name.bytes(), found);
        return found;
    }
    int fieldIndex(int index) const { return index >= 0 && size_t(index) < set.fields.size() ? index : -1; }

    // The table as the file has it now (the rows of the set keep their RowIds across changes).
    const jet::Table* table() {
        if (tableChanges != session->changes()) {
            auto t = session->currentTable(set.table->def().name);
            if (!t)
                return nullptr;
            set.table = std::move(*t);
            tableChanges = session->changes();
        }
        return set.table.get();
    }

    // The values of the current row (every column of the table), or null when there is no current
    // record or it cannot be read (deleted since the set was opened, damaged).
    const std::vector<jet::Value>* currentRow() {
        if (!live() || !onRow())
            return nullptr;
        if (cachedPos != pos || cachedChanges != session->changes()) {
            const jet::Table* t = table();
            cachedPos = pos;
            cachedChanges = session->changes();
            cachedOk = t && t->readRow((*set.rows)[size_t(pos)], cachedRow).ok();
        }
        return cachedOk ? &cachedRow : nullptr;
    }
    void forgetCurrent() { cachedPos = -1; }

    template <class Field> bool readString(const Field& field, Text& value) {
        value = Text();
        if (!live())
            return false;
        const int f = fieldIndex(field);
        if (f < 0)
            return false;
        const auto* row = currentRow();
        if (!row)
            return false;
        value = data::valueText((*row)[set.fields[size_t(f)].column]);
        return true;
    }

    template <class Field> bool readLong(const Field& field, int& value) {
        if (!live())
            return false;
        const int f = fieldIndex(field);
        if (f < 0 || !data::readsAsInteger(set.fields[size_t(f)].type))
            return false;
        const auto* row = currentRow();
        const jet::Value* v = row ? &(*row)[set.fields[size_t(f)].column] : nullptr;
        if (!v || jet::isNull(*v)) {
            value = 0;
            return false;
        }
        if (const auto* b = std::get_if<uint8_t>(v))
            value = *b;
        else if (const auto* i = std::get_if<int16_t>(v))
            value = *i;
        else if (const auto* l = std::get_if<int32_t>(v))
            value = *l;
        else {
            value = 0;
            return false;
        }
        return true;
    }

    template <class Field> bool readDateTime(const Field& field, double& value) {
        value = 0;
        if (!live())
            return false;
        const int f = fieldIndex(field);
        if (f < 0)
            return false;
        const auto* row = currentRow();
        if (!row)
            return false;
        if (const auto* d = std::get_if<jet::DateTime>(&(*row)[set.fields[size_t(f)].column]))
            value = d->days;
        return true;
    }

    // This set's own row list, to change it.
    data::RowIds& rows() {
        if (!ownRows) {
            ownRows = std::make_shared<data::RowIds>(*set.rows);
            set.rows = ownRows;
        }
        return *ownRows;
    }
};

RecordSet::RecordSet() : d_(std::make_unique<Impl>()) {}
RecordSet::~RecordSet() = default;

bool RecordSet::SetConnection(CommonConnection& connection) {
    d_->link = connection.impl()->link;
    return true;
}

bool RecordSet::Open(const Text& source, int kind) {
    if (kind != Sql && kind != Table)
        return false;
    if (!d_->link || source.empty())
        return false;
    Close();
    d_->recordsAffected = -1;
    const std::shared_ptr<Session> session = d_->link->session;
    if (!session) {
        d_->fail(data::connectionClosed(), true);
        return false;
    }
    if (kind == Table) {
        auto set = session->table(tableName(source));
        if (!set) {
            d_->fail(data::fromEngine(set.error(), Operation::Open), true);
            return false;
        }
        d_->set = std::move(*set);
    } else {
        const std::u16string statement = data::utf16Of(source);
        auto result = session->run(statement);
        if (!result) {
            d_->fail(data::fromEngine(result.error(), Operation::Statement, statement), true);
            return false;
        }
        if (!result->hasRows) {
            d_->recordsAffected = int(std::min<uint64_t>(result->rowsAffected, INT_MAX));
            return true;
        }
        d_->set = std::move(result->rowSet);
    }
    d_->session = session;
    d_->tableChanges = session->changes();
    d_->moveTo(0);
    return true;
}

void RecordSet::Close() {
    d_->close();
}

bool RecordSet::MoveFirst() {
    if (!d_->live() || d_->count() == 0)
        return false;
    d_->moveTo(0);
    return true;
}

bool RecordSet::MoveLast() {
    if (!d_->live() || d_->count() == 0)
        return false;
    d_->moveTo(d_->count() - 1);
    return true;
}

bool RecordSet::MoveNext() {
    if (!d_->live())
        return false;
    if (d_->onDeleted) { // the row after the deleted one now sits at its place
        d_->moveTo(d_->pos);
        return true;
    }
    if (d_->atEof())
        return false;
    d_->moveTo(d_->pos + 1);
    return true;
}

bool RecordSet::MovePrevious() {
    if (!d_->live())
        return false;
    if (d_->onDeleted) {
        d_->moveTo(d_->pos - 1);
        return true;
    }
    if (d_->atBof())
        return false;
    d_->moveTo(d_->pos - 1);
    return true;
}

bool RecordSet::Move(int n) {
    if (!d_->live() || d_->count() == 0)
        return false;
    if (n < 0) {
        d_->moveTo(-1);
        return false;
    }
    if (n >= d_->count()) {
        d_->moveTo(d_->count());
        return false;
    }
    d_->moveTo(n);
    return true;
}

bool RecordSet::Find(const Text& criteria, int direction) {
    if (!d_->live() || (direction != 1 && direction != -1))
        return false;
    auto condition = jet::sql::parseCondition(data::utf16Of(criteria));
    if (!condition)
        return false;
    const std::vector<jet::sql::ColumnInfo> all = jet::sql::columnInfo(d_->set.table->def());
    std::vector<jet::sql::ColumnInfo> columns;
    for (const data::Field& f : d_->set.fields)
        columns.push_back(all[f.column]);
    auto compiled = jet::sql::compileCondition(*condition, columns);
    if (!compiled)
        return false;
    const jet::Table* current = d_->table();

    const long long n = d_->count();
    long long i = d_->pos;
    if (direction == 1) {
        if (!d_->onDeleted && i < 0)
            i = 0;
    } else {
        if (d_->onDeleted)
            i = i - 1;
        else if (i >= n)
            i = n - 1;
    }
    if (n == 0 || (direction == 1 && i >= n) || (direction == -1 && i < 0)) {
        if (n != 0)
            d_->moveTo(direction == 1 ? n : -1);
        return false;
    }

    const data::RowIds& rows = *d_->set.rows;
    std::vector<jet::Value> probe(columns.size());
    const std::vector<size_t>& used = compiled->columnsUsed();
    for (; i >= 0 && i < n; i += direction) {
        bool readable = true;
        for (size_t c : used) {
            auto v = current ? current->readValue(rows[size_t(i)], d_->set.fields[c].column)
                             : jet::Result<jet::Value>(jet::makeError(jet::ErrorKind::NotFound, ""));
            if (!v) {
                readable = false; // a row deleted since the set was opened
                break;
            }
            probe[c] = std::move(*v);
        }
        if (readable && compiled->matches(probe)) {
            d_->moveTo(i);
            return true;
        }
    }
    d_->moveTo(direction == 1 ? n : -1);
    return false;
}

bool RecordSet::Delete(int option) {
    if (!d_->live() || (option != DeleteCurrent && option != DeleteAll))
        return false;
    if (option == DeleteCurrent) {
        if (!d_->onRow())
            return false;
        const jet::RowId id = (*d_->set.rows)[size_t(d_->pos)];
        auto st = d_->session->remove(*d_->set.table, {id});
        if (!st) {
            d_->fail(data::fromEngine(st.error(), Operation::Delete), false);
            return false;
        }
        data::RowIds& rows = d_->rows();
        rows.erase(rows.begin() + d_->pos);
        d_->onDeleted = true;
        d_->forgetCurrent();
        return true;
    }
    if (d_->count() != 0) {
        auto st = d_->session->remove(*d_->set.table, *d_->set.rows);
        if (!st) {
            d_->fail(data::fromEngine(st.error(), Operation::Delete), false);
            return false;
        }
        d_->rows().clear();
        d_->moveTo(0);
        d_->forgetCurrent();
    }
    return d_->count() == 0;
}

bool RecordSet::ReadString(const Text& field, Text& value) {
    return d_->readString(field, value);
}
bool RecordSet::ReadString(int index, Text& value) {
    return d_->readString(index, value);
}
bool RecordSet::ReadLong(const Text& field, int& value) {
    return d_->readLong(field, value);
}
bool RecordSet::ReadLong(int index, int& value) {
    return d_->readLong(index, value);
}
bool RecordSet::ReadDateTime(const Text& field, double& value) {
    return d_->readDateTime(field, value);
}
bool RecordSet::ReadDateTime(int index, double& value) {
    return d_->readDateTime(index, value);
}

int RecordSet::RecordsCount() const {
    if (!d_->isOpen())
        return -1;
    return int(std::min<long long>(d_->count(), INT_MAX));
}

int RecordSet::Pos() const {
    if (!d_->isOpen() || d_->count() == 0 || d_->onDeleted)
        return -2;
    if (d_->pos < 0)
        return -3;
    if (d_->pos >= d_->count())
        return -4;
    return int(d_->pos);
}

bool RecordSet::isOpen() const {
    return d_->isOpen();
}

int RecordSet::RecordsAffected() const {
    return d_->recordsAffected;
}

} // namespace rt
