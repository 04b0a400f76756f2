// The text forms of values in ledrimo-db's output: CSV (RFC 4180, UTF-8, CRLF; text always
// quoted, so that only NULL is an empty unquoted field) and JSON (an array of objects, one row
// per line). Dates "YYYY-MM-DD HH:MM:SS"; booleans true/false; binary and OLE upper-case hex;
// GUIDs in braces, upper case; floating-point numbers in the shortest form that reads back to the
// same number; currency with 4 decimals and decimals exactly, as JSON strings.
#pragma once

#include "jet/value.h"
#include "tools/ledrimo-db/cli.h"

#include <string>
#include <string_view>
#include <vector>

namespace dbtool {

// Appends `s` to `out` as a quoted CSV field (quotes doubled).
void csvQuoted(std::string& out, std::string_view s);
// Appends a value as a CSV field; `scratch` is working space kept between calls.
void csvField(std::string& out, const jet::Value& v, std::string& scratch);
// Appends UTF-16 text as a JSON string (control characters, quotes and backslashes escaped; a
// lone surrogate as its \u escape, so that the output stays valid UTF-8).
void jsonString(std::string& out, std::u16string_view s);
// Appends a value as JSON.
void jsonValue(std::string& out, const jet::Value& v, std::string& scratch);

// Writes rows as `dump` does: a header and one line per row (CSV), or an array of objects (JSON).
class RowPrinter {
public:
    RowPrinter(Output& out, bool csv) : out_(out), csv_(csv) {}

    void begin(const std::vector<std::u16string>& names);

    template <class Values> void row(const Values& values, size_t count) {
        line_.clear();
        if (csv_) {
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    line_ += ',';
                csvField(line_, values[i], scratch_);
            }
            line_ += "\r\n";
        } else {
            line_ += first_ ? "\n{" : ",\n{";
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    line_ += ',';
                line_ += keys_[i];
                jsonValue(line_, values[i], scratch_);
            }
            line_ += '}';
        }
        first_ = false;
        out_.put(line_);
    }

    void end();

private:
    Output& out_;
    bool csv_;
    bool first_ = true;
    std::string line_, scratch_;
    std::vector<std::string> keys_;
};

} // namespace dbtool
