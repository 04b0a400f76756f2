// A Jet 4 database opened for reading: header, password check, catalog, and tables by name.
// The entry point of the engine; the layers below can also be used on their own.
#pragma once

#include "jet/catalog.h"
#include "jet/cursor.h"
#include "jet/pagefile.h"

#include <memory>
#include <optional>
#include <string>

namespace jet {

struct OpenOptions {
    // The database password, if the caller has one. A file with a password opens only with
    // the right one; a file without a password ignores it.
    std::optional<std::u16string> password;
};

class Database {
public:
    // Opens the file at `path`. Errors: Io (cannot open), Corrupt (not a Jet file, damaged
    // header or catalog; naming the page), Unsupported (Jet 3, ACE, encrypted pages), Password
    // (a password is set and none or a wrong one was given).
    static Result<std::unique_ptr<Database>> open(const std::string& path, const OpenOptions& options = {});
    // The same over bytes in memory; `name` stands for the file in errors.
    static Result<std::unique_ptr<Database>> openMemory(std::vector<uint8_t> bytes,
                                                        const OpenOptions& options = {},
                                                        std::string name = "（内存中的数据库）");
    // The same over an already opened page file.
    static Result<std::unique_ptr<Database>> open(std::shared_ptr<PageFile> file, const OpenOptions& options);

    const DatabaseHeader& header() const { return header_; }
    const Catalog& catalog() const { return catalog_; }
    const std::shared_ptr<const PageFile>& file() const { return file_; }

    // The definition of a table in the catalog. Errors as readTableDef.
    Result<std::shared_ptr<const TableDef>> tableDef(const CatalogEntry& entry) const;
    // A table opened for reading. NotFound for a name the catalog has no table for (local
    // tables only; linked tables and queries have no rows here).
    Result<std::shared_ptr<const Table>> openTable(std::u16string_view name) const;
    Result<std::shared_ptr<const Table>> openTable(const CatalogEntry& entry) const;

private:
    Database() = default;
    std::shared_ptr<const PageFile> file_;
    DatabaseHeader header_;
    Catalog catalog_;
};

} // namespace jet
