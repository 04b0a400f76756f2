// Work logs of any length for the benchmarks: `data` filled with one entry per working day, the
// way years of use would fill it.
#pragma once

#include "jet/sql_engine.h"
#include "runtime/data_values.h"
#include "runtime/text.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace benchdata {

constexpr double kFirstDay = 40179; // 2010-01-01

// Appends `entries` entries to `data` of the database at `path` in one transaction, entry n on
// day kFirstDay + n with the identifier `identifier(n)`. Ends the benchmark with a message when
// the file cannot be written.
inline void writeEntries(const std::string& path, int entries, const std::function<rt::Text(int)>& identifier) {
    auto fail = [&](const std::string& why) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
        std::exit(1);
    };
    auto conn = jet::sql::Connection::open(path);
    if (!conn)
        fail(conn.error().describe());
    if (!(*conn)->begin())
        fail("no transaction");
    for (int n = 1; n <= entries; ++n) {
        const double day = kFirstDay + n;
        std::vector<jet::Value> row = {
            std::u16string(u"张三"),
            std::u16string(u"深圳市某某电子科技有限公司"),
            std::u16string(u"广东省深圳市南山区科技园南区某某路 88 号 3 栋 501"),
            jet::DateTime{kFirstDay - 400},
            jet::DateTime{day},
            int32_t(8),
            std::u16string(u"上午调试新版本的数据接口，下午与客户开会讨论需求，整理会议记录。"),
            jet::DateTime{day + 0.75},
            rt::data::utf16Of(identifier(n)),
        };
        if (auto id = (*conn)->insertRow(u"data", row); !id)
            fail(id.error().describe());
    }
    if (!(*conn)->commit())
        fail("the commit failed");
}

} // namespace benchdata
