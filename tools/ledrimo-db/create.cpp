// Verbs that write a whole new database file: create, new.
#include "jet/create.h"
#include "store/database_image.h"
#include "store/image_container.h"
#include "store/schema.h"
#include "tools/ledrimo-db/verbs.h"

namespace dbtool {

namespace {

int runCreate(const Args& args, Output&) {
    auto file = store::createLedrimoDatabase(jet::accessDateNow(), {});
    if (!file)
        return fail(file.error());
    auto written = jet::writeNewFile(args.positional[0], *file);
    if (!written)
        return fail(written.error());
    return 0;
}

int runNew(const Args& args, Output&) {
    const std::string_view packed = store::databaseImageView();
    const auto stated = store::imageStatedSize(packed);
    const auto file = store::unpackImage(packed);
    if (!file || !stated || file->size() != *stated)
        return fail(jet::makeError(jet::ErrorKind::Corrupt, "程序携带的数据库映像已损坏"));
    auto written = jet::writeNewFile(args.positional[0], jet::Bytes(file->begin(), file->end()));
    if (!written)
        return fail(written.error());
    return 0;
}

} // namespace

const std::vector<Verb>& createVerbs() {
    static const std::vector<Verb> verbs = {
        {"create",
         "ledrimo-db create FILE",
         "新建一个数据库文件：含 Ledrimo 的表 data 和 admin（admin 为空），\n"
         "Jet 4（Access 2000）格式，代码页 936，排序规则 2052。FILE 已存在时不覆盖。\n",
         {},
         1,
         1,
         runCreate},
        {"new",
         "ledrimo-db new FILE",
         "把程序携带的数据库映像解压后写成 FILE：表 data 为空，admin 含默认账户\n"
         "（用户名和密码均为 tamsu）。FILE 已存在时不覆盖。\n",
         {},
         1,
         1,
         runNew},
    };
    return verbs;
}

} // namespace dbtool
