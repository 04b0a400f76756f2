// The benchmarks' big database: the image the program carries (table `data`: 姓名 Text 20,
// 公司名称 Text 100, 公司地址 Text 250, 入厂时间 DateTime, 上班日期 DateTime, 上班时间 Long,
// 工作备注 Text 255, 时间 DateTime, ID Text 100) written out, and the entries written into it:
// five names, three companies, three entries a day, 8 to 11 hours.
#pragma once

#include "jet/create.h"
#include "jet/database.h"
#include "store/schema.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bigdb {

[[noreturn]] inline void fail(const std::string& what, const jet::Error& e) {
    std::fprintf(stderr, "%s: %s\n", what.c_str(), e.describe().c_str());
    std::exit(1);
}

// The database the program carries (58 pages: `data` empty, one `admin` row), written to `out`
// (replacing it). Ends the process with a message when that fails.
inline void newDatabase(const std::string& out) {
    std::remove(out.c_str());
    auto image = store::imageDatabase();
    if (!image)
        fail("image", image.error());
    if (auto st = jet::writeNewFile(out, *image); !st)
        fail("write " + out, st.error());
}

// Entry i (from 0): day 40000 + i / 3 (2009-07-06 on), company i % 3, name i % 5, 8 + i % 4 hours,
// identifier GZ-00001 on.
inline std::vector<jet::Value> entry(int i) {
    static const char* const names[] = {"张三", "李四", "王小五", "赵六", "欧阳明月"};
    static const char* const companies[] = {"北京某某科技有限公司", "上海浦东新区建设工程公司",
                                            "广州市白云区小商品批发部"};
    static const char* const addresses[] = {"北京市海淀区中关村大街 27 号 1208 室",
                                            "上海市浦东新区世纪大道 100 号",
                                            "广东省广州市白云区机场路 1688 号 B 座三楼"};
    static const char* const notes[] = {"整理客户资料，回访三家老客户，下午参加部门例会。",
                                        "加班赶工，完成设备调试。", "出差", ""};
    auto u16 = [](const std::string& s) { return jet::fromUtf8(s); };
    const double day = 40000 + i / 3;
    const std::string number = std::to_string(i + 1);
    return {
        jet::Value(u16(names[i % 5])),
        jet::Value(u16(companies[i % 3])),
        jet::Value(u16(addresses[i % 3])),
        jet::Value(jet::DateTime{39000.0}),
        jet::Value(jet::DateTime{day}),
        jet::Value(int32_t(8 + i % 4)),
        jet::Value(u16(notes[i % 4])),
        jet::Value(jet::DateTime{day + 0.75 + (i % 60) / 1440.0}),
        jet::Value(u16("GZ-" + std::string(5 - std::min<size_t>(5, number.size()), '0') + number)),
    };
}

// A new database at `out` with entries 0 .. rows-1, written in transactions of 1,000.
inline void create(const std::string& out, int rows) {
    newDatabase(out);
    jet::OpenOptions opt;
    opt.write = true;
    auto db = jet::Database::open(out, opt);
    if (!db)
        fail("open " + out, db.error());
    for (int i = 0; i < rows;) {
        if (auto st = (*db)->begin(); !st)
            fail("begin", st.error());
        for (int k = 0; k < 1000 && i < rows; ++k, ++i)
            if (auto id = (*db)->insertRow(u"data", entry(i)); !id)
                fail("insert", id.error());
        if (auto st = (*db)->commit(); !st)
            fail("commit", st.error());
    }
}

} // namespace bigdb
