// libxlsxwriter linked in (Windows: the program carries its libraries, and there is nothing to
// load at run time).
#include "report/xlsx_api.h"

namespace report {

const XlsxApi* xlsxApi(std::string&) {
    static const XlsxApi api{
        workbook_new_opt,        workbook_add_worksheet, workbook_add_format,      workbook_close,
        format_set_bold,         format_set_num_format,  worksheet_set_column,     worksheet_freeze_panes,
        worksheet_write_string,  worksheet_write_number, worksheet_write_boolean, worksheet_write_datetime,
        lxw_strerror,
    };
    return &api;
}

} // namespace report
