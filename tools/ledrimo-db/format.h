// The text forms of values in ledrimo-db's output: CSV (RFC 4180, UTF-8, CRLF; text always
// quoted, so that only NULL is an empty unquoted field) and JSON (an array of objects, one row
// per line). Dates "YYYY-MM-DD HH:MM:SS"; booleans true/false; binary and OLE upper-case hex;
// GUIDs in braces, upper case; floating-point numbers in the shortest form that reads back to the
// same number; currency with 4 decimals and decimals exactly, as JSON strings. All of them are
// written straight into the verb's Output (jet/text_writer.h).
#pragma once

#include "jet/value.h"
#include "tools/ledrimo-db/cli.h"

#include <string>
#include <vector>

namespace dbtool {

// A value as a CSV field: nothing for NULL, text in quotes, an empty binary value as "", the
// others as they are (none of their forms holds a comma, quote or line break).
void csvField(Output& out, const jet::Value& v);
// A name (a header field) as CSV: quoted only when it holds a comma, quote, CR or LF.
void csvName(Output& out, std::u16string_view name);
// UTF-8 text as a quoted CSV field (quotes doubled).
void csvQuoted(Output& out, std::string_view utf8);
// A value as JSON: null; true/false; integers and finite floating-point numbers as numbers;
// text as a string; everything else (currency, decimals, dates, NaN and the infinities, hex,
// GUIDs) as strings.
void jsonValue(Output& out, const jet::Value& v);

// Writes rows as `dump` does: a header and one line per row (CSV), or an array of objects (JSON).
class RowPrinter {
public:
    RowPrinter(Output& out, bool csv) : out_(out), csv_(csv) {}

    void begin(const std::vector<std::u16string>& names);

    template <class Values> void row(const Values& values, size_t count) {
        if (csv_) {
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    out_.put(',');
                csvField(out_, values[i]);
            }
            out_.put("\r\n");
        } else {
            out_.put(first_ ? "\n{" : ",\n{");
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    out_.put(',');
                out_.put(keys_[i]);
                jsonValue(out_, values[i]);
            }
            out_.put('}');
        }
        first_ = false;
    }

    void end();

private:
    Output& out_;
    bool csv_;
    bool first_ = true;
    std::vector<std::string> keys_; // "name": of each column, ready to write
};

} // namespace dbtool
