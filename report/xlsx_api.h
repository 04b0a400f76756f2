// Inside ledrimo_report: libxlsxwriter, loaded when the first xlsx file is written rather than at
// start. The library pulls in minizip and OpenSSL's libcrypto, whose loading would cost every run
// of ledrimo-db several milliseconds, most of them never writing a workbook.
#pragma once

#include <string>

#include <xlsxwriter.h>

namespace report {

// The functions of libxlsxwriter that the export uses, with their own signatures.
struct XlsxApi {
    decltype(&::workbook_new_opt) workbook_new_opt;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet;
    decltype(&::workbook_add_format) workbook_add_format;
    decltype(&::workbook_close) workbook_close;
    decltype(&::format_set_bold) format_set_bold;
    decltype(&::format_set_num_format) format_set_num_format;
    decltype(&::worksheet_set_column) worksheet_set_column;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
    decltype(&::worksheet_write_string) worksheet_write_string;
    decltype(&::worksheet_write_number) worksheet_write_number;
    decltype(&::worksheet_write_boolean) worksheet_write_boolean;
    decltype(&::worksheet_write_datetime) worksheet_write_datetime;
    decltype(&::lxw_strerror) lxw_strerror;
};

// The loaded library (loaded once, kept for the process), or nullptr with `error` saying in
// Chinese why it could not be loaded (not installed, or lacking a function).
const XlsxApi* xlsxApi(std::string& error);

} // namespace report
