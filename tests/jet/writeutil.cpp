#include "writeutil.h"

#include "jet/codec.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace jet {

void PrintTo(const Value& v, std::ostream* os) {
    switch (v.index()) {
    case 0:
        *os << "NULL";
        return;
    case 1:
        *os << (std::get<bool>(v) ? "true" : "false");
        return;
    case 2:
        *os << int(std::get<uint8_t>(v));
        return;
    case 3:
        *os << std::get<int16_t>(v);
        return;
    case 4:
        *os << std::get<int32_t>(v);
        return;
    case 5:
        *os << formatCurrency(std::get<Currency>(v));
        return;
    case 6:
        *os << formatFloat(std::get<float>(v));
        return;
    case 7:
        *os << formatDouble(std::get<double>(v));
        return;
    case 8:
        *os << formatDateTime(std::get<DateTime>(v));
        return;
    case 9:
        *os << '"' << toUtf8(std::get<std::u16string>(v)) << '"';
        return;
    case 10: {
        const auto& b = std::get<Bytes>(v);
        *os << "0x" << formatHex(ByteView(b.data(), b.size()));
        return;
    }
    case 11:
        *os << formatGuid(std::get<Guid>(v));
        return;
    case 12:
        *os << formatDecimal(std::get<Decimal>(v));
        return;
    }
}

void PrintTo(const RowId& id, std::ostream* os) {
    *os << "(" << id.page << ", " << int(id.row) << ")";
}

} // namespace jet

namespace writeutil {

TempDir::TempDir() {
#ifdef _WIN32
    // The system's temporary folder, a name no other test process has taken.
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("ledrimo-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
#else
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ledrimo-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
}

std::string TempDir::file(const std::string& name) const {
#ifdef _WIN32
    std::string out = path_ + "\\" + name;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
#else
    return path_ + "/" + name;
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    // By a UTF-8 path (a narrow name would be taken in the ANSI code page on Windows).
    std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                      std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string copySample(const TempDir& dir, const std::string& sample, const std::string& as) {
    const std::string to = dir.file(as);
    writeBytes(to, testutil::readBytes(testutil::samplePath(sample)));
    return to;
}

std::unique_ptr<jet::Database> openWrite(const std::string& path) {
    jet::OpenOptions o;
    o.write = true;
    auto db = jet::Database::open(path, o);
    if (!db) {
        ADD_FAILURE() << "open for writing: " << db.error().describe();
        return nullptr;
    }
    return std::move(*db);
}

std::unique_ptr<jet::Database> openRead(const std::string& path) {
    auto db = jet::Database::open(path);
    if (!db) {
        ADD_FAILURE() << "open: " << db.error().describe();
        return nullptr;
    }
    return std::move(*db);
}

Rows readTable(const jet::Database& db, std::u16string_view table) {
    Rows rows;
    auto t = db.openTable(table);
    if (!t) {
        ADD_FAILURE() << "open table: " << t.error().describe();
        return rows;
    }
    auto c = (*t)->cursor();
    for (;;) {
        auto more = c.next();
        if (!more) {
            ADD_FAILURE() << "next: " << more.error().describe();
            return rows;
        }
        if (!*more)
            return rows;
        std::vector<jet::Value> v;
        if (auto st = c.values(v); !st) {
            ADD_FAILURE() << "values: " << st.error().describe();
            return rows;
        }
        rows.push_back(std::move(v));
    }
}

Rows readTable(const std::string& path, std::u16string_view table) {
    auto db = openRead(path);
    return db ? readTable(*db, table) : Rows{};
}

std::vector<jet::RowId> rowIdsOf(const jet::Database& db, std::u16string_view table) {
    auto t = db.openTable(table);
    if (!t) {
        ADD_FAILURE() << "open table: " << t.error().describe();
        return {};
    }
    auto ids = (*t)->rowIds();
    if (!ids) {
        ADD_FAILURE() << "row ids: " << ids.error().describe();
        return {};
    }
    return *ids;
}

::testing::AssertionResult consistent(const std::string& path, const std::vector<std::u16string>& counted) {
    auto db = jet::Database::open(path);
    if (!db)
        return ::testing::AssertionFailure() << "open: " << db.error().describe();
    const jet::CheckReport report = jet::checkDatabase(**db);
    if (!report.ok())
        return ::testing::AssertionFailure() << report.describe();
    // Warnings are for what Access leaves behind; the only one a file we wrote may show is a
    // row counter that was already off in the sample.
    for (const auto& f : report.findings)
        if (f.message.find("行数计数") == std::string::npos)
            return ::testing::AssertionFailure() << report.describe();
    for (const auto& name : counted) {
        auto t = (*db)->openTable(name);
        if (!t)
            return ::testing::AssertionFailure() << t.error().describe();
        auto ids = (*t)->rowIds();
        if (!ids)
            return ::testing::AssertionFailure() << ids.error().describe();
        if ((*t)->def().rowCount != ids->size())
            return ::testing::AssertionFailure() << "row counter of " << jet::toUtf8(name) << " is "
                                                 << (*t)->def().rowCount << ", live rows " << ids->size();
    }
    return ::testing::AssertionSuccess();
}

std::u16string textOf(size_t n, std::u16string_view alphabet) {
    std::u16string s;
    s.reserve(n);
    for (size_t i = 0; i < n; ++i)
        s += alphabet[i % alphabet.size()];
    return s;
}

} // namespace writeutil
