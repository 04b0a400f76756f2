// The tables of Ledrimo's database file `db` and the file the program carries as its database
// image: an empty `data` table and one `admin` row with the default account. Plain C++ (the image
// generator runs at build time, ledrimo-db creates files without the runtime).
#pragma once

#include "jet/create.h"

#include <string>
#include <string_view>
#include <vector>

namespace store {

// The default account of a restored database, as the restore message names it.
inline constexpr std::string_view kDefaultUserName = "tamsu";
inline constexpr std::string_view kDefaultPassword = "tamsu";
// Size of the carried database: 58 pages of 4,096 bytes.
inline constexpr uint32_t kImagePages = 58;
inline constexpr size_t kImageFileSize = size_t(kImagePages) * 4096;

// One row of table `admin`: name and code are ASCII in practice (a password code is 32
// lower-case hexadecimal digits); they are stored as Unicode text.
struct AdminAccount {
    int32_t id = 1;
    std::u16string name;
    std::u16string code;
};

// Table `data` (姓名 Text 20, 公司名称 Text 100, 公司地址 Text 250, 入厂时间 and 上班日期 Date/Time,
// 上班时间 Long, 工作备注 Text 255, 时间 Date/Time, ID Text 100) and table `admin` (id Long, name
// Text 10, code Text 32) with `admins` as its rows. Text is uncompressed, sort order 2052; no
// index, key or autonumber.
std::vector<jet::TableSpec> ledrimoTables(const std::vector<AdminAccount>& admins = {});

// A new database with Ledrimo's tables. `objectDate` dates the two tables' catalog entries; `minimumPages`
// pads the file with free pages.
jet::Result<jet::Bytes> createLedrimoDatabase(double objectDate, const std::vector<AdminAccount>& admins,
                                              uint32_t minimumPages = 0);

// The database the image carries: `data` empty, `admin` holding id 1, the default user name and
// the password code of the default password under this build's credential constants, 58 pages,
// and every date fixed so that two builds give the same bytes.
jet::Result<jet::Bytes> imageDatabase();

} // namespace store
