// Placeholder data layer: every operation reports failure until the objects are implemented over
// the Jet engine. The results are those of a connection that cannot open and a record set that
// has no rows.
#include "runtime/data_access.h"

namespace rt {

struct CommonConnection::Impl {
    Text connectionText;
};

CommonConnection::CommonConnection() : d_(std::make_unique<Impl>()) {}
CommonConnection::~CommonConnection() = default;

bool CommonConnection::ConnectAccess(const Text& path, const Text& password) {
    Close();
    d_->connectionText = Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + path;
    if (!password.empty())
        d_->connectionText += Text(";Jet OLEDB:Database Password=") + password + ";";
    return false;
}

bool CommonConnection::Close() {
    return true;
}
Text CommonConnection::LastError() const {
    return {};
}
Text CommonConnection::connectionText() const {
    return d_->connectionText;
}
bool CommonConnection::isOpen() const {
    return false;
}

struct RecordSet::Impl {};

RecordSet::RecordSet() : d_(std::make_unique<Impl>()) {}
RecordSet::~RecordSet() = default;

bool RecordSet::SetConnection(CommonConnection&) {
    return false;
}
bool RecordSet::Open(const Text&, int) {
    return false;
}
void RecordSet::Close() {}
bool RecordSet::MoveFirst() {
    return false;
}
bool RecordSet::MoveLast() {
    return false;
}
bool RecordSet::MoveNext() {
    return false;
}
bool RecordSet::MovePrevious() {
    return false;
}
bool RecordSet::Move(int) {
    return false;
}
bool RecordSet::Find(const Text&, int) {
    return false;
}
bool RecordSet::Delete(int) {
    return false;
}

bool RecordSet::ReadString(const Text&, Text& value) {
    value = Text();
    return false;
}
bool RecordSet::ReadString(int, Text& value) {
    value = Text();
    return false;
}
bool RecordSet::ReadLong(const Text&, int&) {
    return false;
}
bool RecordSet::ReadLong(int, int&) {
    return false;
}
bool RecordSet::ReadDateTime(const Text&, double& value) {
    value = 0;
    return false;
}
bool RecordSet::ReadDateTime(int, double& value) {
    value = 0;
    return false;
}

int RecordSet::RecordsCount() const {
    return -1;
}
int RecordSet::Pos() const {
    return -2;
}
bool RecordSet::isOpen() const {
    return false;
}

} // namespace rt
