#include "runtime/data_errors.h"

#include <cstdio>

namespace rt::data {

namespace {

const char* const kSource = "Microsoft JET Database Engine";

bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// The first word of a statement, lower case (ASCII).
std::string firstWord(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\r' || s[i] == u'\n' || s[i] == u'('))
        ++i;
    std::string w;
    for (; i < s.size() && s[i] < 0x80 && ((s[i] | 0x20) >= 'a' && (s[i] | 0x20) <= 'z'); ++i)
        w += char(s[i] | 0x20);
    return w;
}

int syntaxNumber(std::u16string_view statement) {
    const std::string w = firstWord(statement);
    if (w == "insert")
        return 3134;
    if (w == "update")
        return 3144;
    if (w == "delete")
        return 3128;
    if (w == "select")
        return 3141;
    return 3129;
}

DataError make(std::string description, const char* state, int native) {
    return DataError{Text::fromUtf8(description), Text(state), native, Text(kSource)};
}

} // namespace

DataError fromEngine(const jet::Error& e, Operation operation, std::u16string_view statement) {
    using K = jet::ErrorKind;
    // Errors about the file name it and the page; errors about a statement speak of the statement.
    const std::string whole = e.describe();
    switch (e.kind) {
    case K::Io:
        if (operation == Operation::Connect)
            return make(whole, "08001", contains(e.message, "文件不存在") ? 3024 : 3051);
        return make(whole, "HY000", 3000);
    case K::Corrupt:
        return make(whole, operation == Operation::Connect ? "08001" : "HY000", 3343);
    case K::Unsupported:
        if (operation == Operation::Connect)
            return make(whole, "08001", 3343);
        return make(whole, "HY000", 3251);
    case K::Password:
        return make(whole, "28000", 3031);
    case K::Locked:
        return make(whole, operation == Operation::Connect ? "08001" : "HY000",
                    operation == Operation::Connect ? 3045 : 3218);
    case K::ReadOnly:
        return make(whole, "HY000", 3027);
    case K::Syntax:
        return make(e.message, "42000", syntaxNumber(statement));
    case K::NotFound:
        if (contains(e.message, "找不到表"))
            return make(e.message, "42S02", 3078);
        if (contains(e.message, "找不到列"))
            return make(e.message, "42S22", 3265);
        return make(whole, "HY000", 3167);
    case K::Invalid:
        if (contains(e.message, "值太长"))
            return make(e.message, "22001", 3163);
        if (contains(e.message, "数值溢出"))
            return make(e.message, "22003", 3349);
        if (contains(e.message, "类型不匹配"))
            return make(e.message, "22018", 3464);
        return make(e.message, "HY000", 3001);
    }
    return make(whole, "HY000", 3000);
}

DataError connectionClosed() {
    return make("连接已关闭，不能执行此操作", "08003", 3709);
}

Text formatErrors(const std::vector<DataError>& errors) {
    std::string out;
    for (const DataError& e : errors) {
        out += "Description: " + e.description.bytes() + "\r\nState: " + e.state.bytes() + ", Native: ";
        char number[16];
        std::snprintf(number, sizeof number, "%d", e.native);
        out += number;
        out += ", Source: " + e.source.bytes() + "\r\n";
    }
    return Text::fromBytes(out);
}

} // namespace rt::data
