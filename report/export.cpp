#include "report/export.h"

#include "jet/atomic_file.h"
#include "jet/codec.h"
#include "jet/datetext.h"
#include "jet/journal.h"
#include "jet/text_writer.h"
#include "report/data_table.h"
#include "report/xlsx_api.h"
#include "platform/c_numbers.h"
#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace report {

namespace {

void appendInt(std::string& out, int64_t v) {
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

void appendDigits(std::string& out, int v, int width) {
    char buf[8];
    for (int i = width - 1; i >= 0; --i, v /= 10)
        buf[i] = char('0' + v % 10);
    out.append(buf, size_t(width));
}

// A date value split to the second; false when it lies outside the years 100–9999 (or is NaN).
struct DateTimeParts {
    YearMonthDay date;
    int seconds = 0; // of the day
};
bool splitDateValue(double days, DateTimeParts& out) {
    const auto day = dayOfDateValue(days);
    if (!day)
        return false;
    out.date = splitDay(*day);
    out.seconds = int(jet::dateSeconds(days) - int64_t(*day) * 86400);
    return true;
}

// "YYYY-MM-DD", with " HH:MM:SS" when there is a time of day; the engine's form outside the
// years 100–9999.
void appendDate(std::string& out, double days) {
    DateTimeParts p;
    if (!splitDateValue(days, p)) {
        out += jet::formatDateTime(jet::DateTime{days});
        return;
    }
    appendDigits(out, p.date.year, 4);
    out += '-';
    appendDigits(out, p.date.month, 2);
    out += '-';
    appendDigits(out, p.date.day, 2);
    if (p.seconds) {
        out += ' ';
        appendDigits(out, p.seconds / 3600, 2);
        out += ':';
        appendDigits(out, p.seconds / 60 % 60, 2);
        out += ':';
        appendDigits(out, p.seconds % 60, 2);
    }
}

// The last date text of each column: the dates of a work log repeat from row to row (the day
// joined, the several entries of one day).
class DateTexts {
public:
    void write(jet::TextWriter& out, size_t column, double days) {
        if (column >= last_.size())
            last_.resize(column + 1);
        auto& [value, text] = last_[column];
        if (!(value == days && !text.empty())) {
            value = days;
            text.clear();
            appendDate(text, days);
        }
        out.put(text);
    }

private:
    std::vector<std::pair<double, std::string>> last_;
};

// Columns a text takes: a character of the East Asian wide ranges counts two.
size_t displayWidth(std::u16string_view s) {
    size_t w = 0;
    for (char16_t c : s) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue;
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xD800 && c <= 0xDBFF) ||
                          (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                          (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
        w += wide ? 2 : 1;
    }
    return w;
}

// The text of a non-text, non-date value; `number` tells whether JSON may write it bare.
std::string plainText(const jet::Value& v, bool& number) {
    number = false;
    switch (v.index()) {
    case 1:
        return std::get<bool>(v) ? "true" : "false";
    case 2:
    case 3:
    case 4: {
        std::string s;
        appendInt(s, v.index() == 2   ? std::get<uint8_t>(v)
                     : v.index() == 3 ? std::get<int16_t>(v)
                                      : std::get<int32_t>(v));
        number = true;
        return s;
    }
    case 5:
        return jet::formatCurrency(std::get<jet::Currency>(v));
    case 6:
    case 7: {
        const double d = v.index() == 6 ? std::get<float>(v) : std::get<double>(v);
        number = std::isfinite(d);
        return v.index() == 6 ? jet::formatFloat(std::get<float>(v)) : jet::formatDouble(d);
    }
    case 10: {
        const auto& b = std::get<jet::Bytes>(v);
        return jet::formatHex(jet::ByteView(b.data(), b.size()));
    }
    case 11:
        return jet::formatGuid(std::get<jet::Guid>(v));
    case 12:
        return jet::formatDecimal(std::get<jet::Decimal>(v));
    default:
        return {};
    }
}

// The number a spreadsheet cell holds for the values plainText marks as numbers: integers and finite
// doubles as they are, a float as the double of its shortest decimal (0.1f stays 0.1, as Access
// shows it); nullopt for every other value. Independent of the C locale.
std::optional<double> cellNumber(const jet::Value& v) {
    switch (v.index()) {
    case 2:
        return double(std::get<uint8_t>(v));
    case 3:
        return double(std::get<int16_t>(v));
    case 4:
        return double(std::get<int32_t>(v));
    case 6: {
        const float f = std::get<float>(v);
        if (!std::isfinite(f))
            return std::nullopt;
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, f).ptr;
        double d = 0;
        std::from_chars(text, end, d);
        return d;
    }
    case 7: {
        const double d = std::get<double>(v);
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// Walks the rows of the range (every row for nullopt) in table order, calling `row(values)` for each.
template <class Row>
jet::Status forEachEntry(const DataTable& data, std::optional<DateRange> range, Row&& row) {
    const size_t dateColumn = size_t(data.columns.date);
    auto cursor = data.table->cursor();
    std::vector<jet::Value> values;
    for (;;) {
        auto more = cursor.next();
        if (!more)
            return more.error();
        if (!*more)
            return jet::okStatus();
        if (range) {
            auto date = cursor.value(dateColumn);
            if (!date)
                return date.error();
            const auto* d = std::get_if<jet::DateTime>(&*date);
            const auto day = d ? dayOfDateValue(d->days) : std::nullopt;
            if (!day || !range->contains(*day))
                continue;
        }
        JET_TRY(cursor.values(values));
        JET_TRY(row(values));
    }
}

// The export's text files are written through the tools' text writer; a write that failed ends
// the export with the writer's reason.
jet::Status writeFailed(const jet::TextWriter& out, const std::string& path) {
    return out.errorNumber() ? jet::Status(jet::writeError(path, out.errorNumber())) : jet::okStatus();
}

// CSV for spreadsheets: text in strict UTF-8 (a lone surrogate becomes U+FFFD).
jet::Status writeCsv(const DataTable& data, std::optional<DateRange> range, int fd, const std::string& path,
                     uint64_t& count) {
    jet::TextWriter out(fd);
    out.replaceLoneSurrogates();
    DateTexts dates;
    out.put("\xEF\xBB\xBF");
    const auto& columns = data.table->def().columns;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i)
            out.put(',');
        out.csvText(columns[i].name);
    }
    out.put("\r\n");
    JET_TRY(forEachEntry(data, range, [&](const std::vector<jet::Value>& values) -> jet::Status {
        for (size_t i = 0; i < values.size(); ++i) {
            if (i)
                out.put(',');
            const jet::Value& v = values[i];
            if (const auto* t = std::get_if<std::u16string>(&v)) {
                out.csvText(*t);
            } else if (const auto* d = std::get_if<jet::DateTime>(&v)) {
                dates.write(out, i, d->days);
            } else if (!jet::isNull(v)) {
                bool number;
                const std::string s = plainText(v, number);
                if (number)
                    out.put(s);
                else {
                    out.put('"');
                    out.put(s);
                    out.put('"');
                }
            }
        }
        out.put("\r\n");
        ++count;
        return writeFailed(out, path);
    }));
    out.flush();
    return writeFailed(out, path);
}

jet::Status writeJson(const DataTable& data, std::optional<DateRange> range, int fd, const std::string& path,
                      uint64_t& count) {
    jet::TextWriter out(fd);
    DateTexts dates;
    std::vector<std::string> keys;
    for (const auto& c : data.table->def().columns) {
        std::string k;
        jet::TextWriter key(k);
        key.jsonText(c.name);
        key.put(':');
        key.flush();
        keys.push_back(std::move(k));
    }
    out.put('[');
    JET_TRY(forEachEntry(data, range, [&](const std::vector<jet::Value>& values) -> jet::Status {
        out.put(count ? ",\n{" : "\n{");
        for (size_t i = 0; i < values.size(); ++i) {
            if (i)
                out.put(',');
            out.put(keys[i]);
            const jet::Value& v = values[i];
            if (jet::isNull(v)) {
                out.put("null");
            } else if (const auto* t = std::get_if<std::u16string>(&v)) {
                out.jsonText(*t);
            } else if (const auto* d = std::get_if<jet::DateTime>(&v)) {
                out.put('"');
                dates.write(out, i, d->days);
                out.put('"');
            } else {
                bool number;
                const std::string s = plainText(v, number);
                if (number || v.index() == 1) {
                    out.put(s);
                } else {
                    out.put('"');
                    out.put(s);
                    out.put('"');
                }
            }
        }
        out.put('}');
        ++count;
        return writeFailed(out, path);
    }));
    out.put(count ? "\n]\n" : "]\n");
    out.flush();
    return writeFailed(out, path);
}

// A failure of the xlsx library in the words of the other exports: for a file or zip failure the
// system's reason (`err`, the errno it left), as jet::writeError words it.
jet::Error xlsxError(const std::string& path, lxw_error e, int err) {
    switch (e) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return jet::makeError(jet::ErrorKind::Io, "写入失败：内存不足", path);
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (err != 0)
            return jet::writeError(path, err);
        return jet::makeError(jet::ErrorKind::Io, "写入失败：无法完成 xlsx 文件", path);
    default: // a cell the format cannot take (too long a text, and the like)
        return jet::makeError(jet::ErrorKind::Invalid, "写入失败：有内容超出了 xlsx 格式的限制", path);
    }
}

// Standard error closed for the xlsx library while this lives: the library prints its own
// "[ERROR]" and "[WARNING]" lines there, in English, besides the error it returns, which the caller
// reports in its own words. Whatever else the process prints meanwhile is lost too, so it lives
// only around the library's calls.
class LibraryQuiet {
public:
    LibraryQuiet() {
        std::fflush(stderr);
        saved_ = ::dup(2);
#ifdef O_CLOEXEC
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
#else
        const int null = ::open("NUL", O_WRONLY);
#endif
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, 2);
        if (null >= 0)
            ::close(null);
    }
    ~LibraryQuiet() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    LibraryQuiet(const LibraryQuiet&) = delete;
    LibraryQuiet& operator=(const LibraryQuiet&) = delete;

private:
    int saved_ = -1;
};

// The column widths (in characters, a Chinese character two) that fit the header and the values
// of the range, between 6 and 60.
jet::Result<std::vector<double>> columnWidths(const DataTable& data, std::optional<DateRange> range) {
    const auto& columns = data.table->def().columns;
    std::vector<size_t> width(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        width[i] = displayWidth(columns[i].name);
    JET_TRY(forEachEntry(data, range, [&](const std::vector<jet::Value>& values) -> jet::Status {
        for (size_t i = 0; i < values.size(); ++i) {
            const jet::Value& v = values[i];
            size_t w = 0;
            if (const auto* t = std::get_if<std::u16string>(&v)) {
                w = displayWidth(*t);
            } else if (const auto* d = std::get_if<jet::DateTime>(&v)) {
                DateTimeParts p;
                w = splitDateValue(d->days, p) && p.seconds == 0 ? 10 : 19;
            } else if (!jet::isNull(v)) {
                bool number;
                w = plainText(v, number).size();
            }
            width[i] = std::max(width[i], w);
        }
        return jet::okStatus();
    }));
    std::vector<double> out;
    for (size_t w : width)
        out.push_back(std::clamp(double(w) + 2, 6.0, 60.0));
    return out;
}


jet::Status writeXlsx(const DataTable& data, std::optional<DateRange> range, const std::string& target,
                      const std::string& tempPath, uint64_t& count) {
    const platform::CNumbersInThisThread cNumbers;
    std::string why;
    const XlsxApi* api = xlsxApi(why);
    if (!api)
        return jet::makeError(jet::ErrorKind::Unsupported, why);
    const XlsxApi& x = *api;
    auto widths = columnWidths(data, range);
    if (!widths)
        return widths.error();
    const LibraryQuiet quiet;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to a temporary file as they are written
    // The library opens its file by a narrow name; where the temporary name does not fit one,
    // it writes under a name that does, moved to the temporary name once complete.
    const std::string bookPath = platform::pathForNarrowOpen(tempPath);
    if (bookPath.empty())
        return jet::makeError(jet::ErrorKind::Io, "无法为 xlsx 文件找到可用的临时文件名", target);
    struct MovedOrRemoved {
        const std::string& from;
        const std::string& to;
        bool keep = false;
        ~MovedOrRemoved() {
            if (from != to && !keep)
                platform::removeFile(from);
        }
    } bookFile{bookPath, tempPath};
    errno = 0;
    lxw_workbook* book = x.workbook_new_opt(bookPath.c_str(), &options);
    if (!book)
        return errno ? jet::writeError(target, errno)
                     : jet::makeError(jet::ErrorKind::Io, "无法创建 xlsx 文件", target);
    lxw_worksheet* sheet = x.workbook_add_worksheet(book, "工作记录");
    lxw_format* header = x.workbook_add_format(book);
    x.format_set_bold(header);
    lxw_format* dateFormat = x.workbook_add_format(book);
    x.format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format* dateTimeFormat = x.workbook_add_format(book);
    x.format_set_num_format(dateTimeFormat, "yyyy-mm-dd hh:mm:ss");

    lxw_error failed = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (e != LXW_NO_ERROR && failed == LXW_NO_ERROR)
            failed = e;
    };
    const auto& columns = data.table->def().columns;
    // A cell's text in strict UTF-8 (a lone surrogate becomes U+FFFD), made by one writer.
    std::string text;
    jet::TextWriter cellText(text);
    cellText.replaceLoneSurrogates();
    auto utf8 = [&](std::u16string_view s) {
        text.clear();
        cellText.text(s);
        cellText.flush();
        return text.c_str();
    };
    for (size_t i = 0; i < columns.size(); ++i) {
        check(x.worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), (*widths)[i], nullptr));
        check(x.worksheet_write_string(sheet, 0, lxw_col_t(i), utf8(columns[i].name), header));
    }
    x.worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t row = 0;
    auto status = forEachEntry(data, range, [&](const std::vector<jet::Value>& values) -> jet::Status {
        if (row + 1 >= LXW_ROW_MAX)
            return jet::makeError(jet::ErrorKind::Invalid, "记录太多，超出了 xlsx 工作表的行数上限", target);
        ++row;
        for (size_t i = 0; i < values.size(); ++i) {
            const jet::Value& v = values[i];
            const lxw_col_t col = lxw_col_t(i);
            if (jet::isNull(v))
                continue;
            if (const auto* t = std::get_if<std::u16string>(&v)) {
                if (t->empty())
                    continue;
                check(x.worksheet_write_string(sheet, row, col, utf8(*t), nullptr));
            } else if (const auto* d = std::get_if<jet::DateTime>(&v)) {
                DateTimeParts p;
                // Excel counts dates from 1900 on; an earlier date (the empty date 1899-12-30)
                // stays text.
                if (splitDateValue(d->days, p) && p.date.year >= 1900) {
                    lxw_datetime dt{p.date.year,      p.date.month,        p.date.day,
                                    p.seconds / 3600, p.seconds / 60 % 60, double(p.seconds % 60)};
                    check(x.worksheet_write_datetime(sheet, row, col, &dt,
                                                     p.seconds ? dateTimeFormat : dateFormat));
                } else {
                    text.clear();
                    appendDate(text, d->days);
                    check(x.worksheet_write_string(sheet, row, col, text.c_str(), nullptr));
                }
            } else if (const auto n = cellNumber(v)) {
                check(x.worksheet_write_number(sheet, row, col, *n, nullptr));
            } else {
                bool number;
                const std::string s = plainText(v, number);
                if (v.index() == 1)
                    check(x.worksheet_write_boolean(sheet, row, col, std::get<bool>(v), nullptr));
                else
                    check(x.worksheet_write_string(sheet, row, col, s.c_str(), nullptr));
            }
        }
        ++count;
        return jet::okStatus();
    });
    const int before = errno;
    errno = 0;
    const lxw_error closed = x.workbook_close(book); // writes the file and frees the workbook
    const int closeErrno = errno;
    if (!status)
        return status;
    if (failed != LXW_NO_ERROR)
        return xlsxError(target, failed, before);
    if (closed != LXW_NO_ERROR)
        return xlsxError(target, closed, closeErrno);
    if (bookPath != tempPath) {
        if (platform::replaceFile(bookPath, tempPath) != 0)
            return jet::makeError(jet::ErrorKind::Io, "无法移动 xlsx 文件：" + jet::journal::osErrorText(errno), target);
        bookFile.keep = true;
    }
    return jet::okStatus();
}

bool sameFile(const std::string& a, const std::string& b) {
    platform::FileInfo sa, sb;
    return platform::pathInfo(a, sa) == 0 && platform::pathInfo(b, sb) == 0 && sa.device == sb.device &&
           sa.id == sb.id;
}

} // namespace

ExportFormat formatForPath(const std::string& path) {
    const std::string name = platform::baseNameOf(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return ExportFormat::Xlsx;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext == "csv" ? ExportFormat::Csv : ext == "json" ? ExportFormat::Json : ExportFormat::Xlsx;
}

jet::Result<uint64_t> exportEntries(const jet::Database& db, const std::string& path,
                                    const ExportOptions& options) {
    const std::optional<DateRange> range = options.range;
    if (range && range->from > range->to)
        return jet::makeError(jet::ErrorKind::Invalid,
                              "开始日期 " + isoDate(range->from) + " 晚于结束日期 " + isoDate(range->to));
    if (sameFile(path, db.file()->name()))
        return jet::makeError(jet::ErrorKind::Invalid, "导出文件不能是数据库文件本身", path);
    auto data = openDataTable(db);
    if (!data)
        return data.error();
    uint64_t count = 0;
    const auto mode = options.replace ? jet::PlaceMode::Replace : jet::PlaceMode::CreateNew;
    auto placed = jet::placeFile(path, mode, [&](int fd, const std::string& temp) -> jet::Status {
        count = 0;
        switch (options.format) {
        case ExportFormat::Csv:
            return writeCsv(*data, range, fd, path, count);
        case ExportFormat::Json:
            return writeJson(*data, range, fd, path, count);
        case ExportFormat::Xlsx:
            return writeXlsx(*data, range, path, temp, count);
        }
        return jet::okStatus();
    });
    if (!placed)
        return placed.error();
    return count;
}

} // namespace report
