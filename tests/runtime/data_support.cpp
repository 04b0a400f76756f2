#include "data_support.h"

#include "runtime/data_values.h"
#include "runtime/kernel.h"

#include "store/database_image.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace datatest {

std::string samplesDir() {
    const char* s = std::getenv("LEDRIMO_SAMPLES");
    if (!s || !*s || !std::filesystem::is_directory(s))
        return {};
    return s;
}

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("ledrimo-data-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

rt::Text ScratchDir::copySample(const std::string& name, const std::string& as) const {
    const auto target = path_ / as;
    std::filesystem::copy_file(std::filesystem::path(samplesDir()) / name, target,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return rt::Text::fromUtf8(target.string());
}

rt::Text ScratchDir::ledrimoDb(const std::string& as) const {
    const rt::Text target = rt::Text::fromUtf8((path_ / as).string());
    const rt::Bytes bytes = rt::decompress(store::databaseImage());
    if (bytes.empty() || !rt::writeFile(target, {bytes}))
        return {};
    return target;
}

std::vector<std::vector<rt::Text>> engineRows(const rt::Text& path, const std::string& table) {
    std::vector<std::vector<rt::Text>> out;
    auto db = jet::Database::open(path.toUtf8());
    if (!db) {
        ADD_FAILURE() << db.error().describe();
        return out;
    }
    auto t = (*db)->openTable(jet::fromUtf8(table));
    if (!t) {
        ADD_FAILURE() << t.error().describe();
        return out;
    }
    auto cursor = (*t)->cursor();
    std::vector<jet::Value> values;
    while (true) {
        auto more = cursor.next();
        if (!more || !*more)
            break;
        if (!cursor.values(values)) {
            ADD_FAILURE() << "row cannot be read";
            break;
        }
        std::vector<rt::Text> row;
        for (const auto& v : values)
            row.push_back(rt::data::valueText(v));
        out.push_back(std::move(row));
    }
    return out;
}

std::vector<std::vector<rt::Text>> readAll(rt::RecordSet& set, int columns) {
    std::vector<std::vector<rt::Text>> out;
    if (!set.MoveFirst())
        return out;
    do {
        std::vector<rt::Text> row;
        for (int c = 0; c < columns; ++c) {
            rt::Text v;
            EXPECT_TRUE(set.ReadString(c, v)) << "row " << out.size() << " column " << c;
            row.push_back(v);
        }
        out.push_back(std::move(row));
    } while (set.MoveNext() && set.Pos() >= 0);
    return out;
}

} // namespace datatest
