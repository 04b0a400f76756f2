#include "store/schema.h"

#include "store/credential.h"

#include <string>

namespace store {

namespace {

jet::ColumnSpec text(const char16_t* name, uint16_t characters) {
    return {name, jet::ColumnType::Text, characters};
}
jet::ColumnSpec column(const char16_t* name, jet::ColumnType type) {
    return {name, type};
}

std::u16string ascii(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

} // namespace

std::vector<jet::TableSpec> ledrimoTables(const std::vector<AdminAccount>& admins) {
    using T = jet::ColumnType;
    jet::TableSpec data{u"data",
                        {text(u"姓名", 20), text(u"公司名称", 100), text(u"公司地址", 250),
                         column(u"入厂时间", T::DateTime), column(u"上班日期", T::DateTime),
                         column(u"上班时间", T::Long), text(u"工作备注", 255), column(u"时间", T::DateTime),
                         text(u"ID", 100)},
                        {}};
    jet::TableSpec admin{u"admin", {column(u"id", T::Long), text(u"name", 10), text(u"code", 32)}, {}};
    for (const auto& a : admins)
        admin.rows.push_back({a.id, a.name, a.code});
    return {std::move(data), std::move(admin)};
}

jet::Result<jet::Bytes> createLedrimoDatabase(double objectDate, const std::vector<AdminAccount>& admins,
                                              uint32_t minimumPages) {
    jet::CreateOptions options;
    options.objectDate = objectDate;
    options.minimumPages = minimumPages;
    return jet::createDatabase(options, ledrimoTables(admins));
}

jet::Result<jet::Bytes> imageDatabase() {
    const AdminAccount account{1, ascii(kDefaultUserName), ascii(buildPasswordCode(kDefaultPassword))};
    // The tables' catalog entries carry the header's creation date too, so nothing depends on when
    // the image is built.
    auto file = createLedrimoDatabase(jet::creationHeaderDate(), {account}, kImagePages);
    if (file && file->size() != kImageFileSize)
        return jet::makeError(jet::ErrorKind::Invalid, "数据库映像应为 " + std::to_string(kImageFileSize) +
                                                           " 字节，实际为 " + std::to_string(file->size()) +
                                                           " 字节");
    return file;
}

} // namespace store
