#include "report/xlsx_api.h"

#include <dlfcn.h>
#include <mutex>

#ifndef LEDRIMO_XLSXWRITER_SONAME
#define LEDRIMO_XLSXWRITER_SONAME "libxlsxwriter.so.4"
#endif

namespace report {

namespace {

template <class F> bool resolve(void* library, const char* name, F& into) {
    into = reinterpret_cast<F>(::dlsym(library, name));
    return into != nullptr;
}

} // namespace

const XlsxApi* xlsxApi(std::string& error) {
    static XlsxApi api{};
    static std::string failure;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        void* lib = ::dlopen(LEDRIMO_XLSXWRITER_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* why = ::dlerror();
            failure = std::string("无法载入写 xlsx 文件所需的库 " LEDRIMO_XLSXWRITER_SONAME "（") +
                      (why ? why : "未知原因") + "）；请安装 libxlsxwriter";
            return;
        }
#define LEDRIMO_RESOLVE(name)                                                                                \
    if (!resolve(lib, #name, api.name)) {                                                                    \
        failure = "库 " LEDRIMO_XLSXWRITER_SONAME " 缺少函数 " #name;                                        \
        return;                                                                                              \
    }
        LEDRIMO_RESOLVE(workbook_new_opt)
        LEDRIMO_RESOLVE(workbook_add_worksheet)
        LEDRIMO_RESOLVE(workbook_add_format)
        LEDRIMO_RESOLVE(workbook_close)
        LEDRIMO_RESOLVE(format_set_bold)
        LEDRIMO_RESOLVE(format_set_num_format)
        LEDRIMO_RESOLVE(worksheet_set_column)
        LEDRIMO_RESOLVE(worksheet_freeze_panes)
        LEDRIMO_RESOLVE(worksheet_write_string)
        LEDRIMO_RESOLVE(worksheet_write_number)
        LEDRIMO_RESOLVE(worksheet_write_boolean)
        LEDRIMO_RESOLVE(worksheet_write_datetime)
        LEDRIMO_RESOLVE(lxw_strerror)
#undef LEDRIMO_RESOLVE
        loaded = true;
    });
    if (!loaded) {
        error = failure;
        return nullptr;
    }
    return &api;
}

} // namespace report
