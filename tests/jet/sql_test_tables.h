// The program's two tables, empty, in an in-memory storage, and the statements it builds.
#pragma once

#include "jet/sql.h"
#include "jet/sql_memory.h"

#include <string>

namespace sqltest {

using jet::ColumnType;
using jet::sql::ColumnInfo;

inline void addProgramTables(jet::sql::MemoryStorage& s) {
    s.addTable(u"data", {
                            ColumnInfo{u"姓名", ColumnType::Text, 20},
                            ColumnInfo{u"公司名称", ColumnType::Text, 100},
                            ColumnInfo{u"公司地址", ColumnType::Text, 250},
                            ColumnInfo{u"入厂时间", ColumnType::DateTime},
                            ColumnInfo{u"上班日期", ColumnType::DateTime},
                            ColumnInfo{u"上班时间", ColumnType::Long},
                            ColumnInfo{u"工作备注", ColumnType::Text, 255},
                            ColumnInfo{u"时间", ColumnType::DateTime},
                            ColumnInfo{u"ID", ColumnType::Text, 100},
                        });
    s.addTable(u"admin", {
                             ColumnInfo{u"id", ColumnType::Long},
                             ColumnInfo{u"name", ColumnType::Text, 10},
                             ColumnInfo{u"code", ColumnType::Text, 32},
                         });
}

// The texts the main window puts into its statements.
struct Entry {
    std::string name = "张三";
    std::string company = "广州某某科技有限公司";
    std::string address = "广州市天河区某路1号";
    std::string joined = "2009年3月1日";
    std::string workDate = "2010年7月20日";
    std::string hours = "8";
    std::string notes = "调试程序\r\n写文档";
    std::string stamp = "2010年7月20日16时7分26秒";
    std::string id = "GZ-00001";
};

// Built exactly as the program concatenates it (note the two blanks after "data").
inline std::string insertStatement(const Entry& e) {
    return "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) values "
           "('" +
           e.name + "','" + e.company + "','" + e.address + "','" + e.joined + "','" + e.workDate + "'," +
           e.hours + ",'" + e.notes + "','" + e.stamp + "','" + e.id + "')";
}

inline std::string updateStatement(const Entry& e) {
    return "update data set 姓名='" + e.name + "',公司名称='" + e.company + "',公司地址='" + e.address +
           "',入厂时间='" + e.joined + "',上班日期='" + e.workDate + "',上班时间=" + e.hours + ",工作备注='" +
           e.notes + "',时间='" + e.stamp + "' where id='" + e.id + "'";
}

// Doubles every quote of a value, as the program does before placing it between quotes.
inline std::string quoted(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

} // namespace sqltest
