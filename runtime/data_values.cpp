#include "runtime/data_values.h"

#include "jet/codec.h"
#include "jet/datetext.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace rt::data {

Text textOf(std::u16string_view s) {
    return Text::fromBytes(gbkOfUtf16(s));
}

std::u16string utf16Of(const Text& t) {
    return utf16OfGbk(t.bytes());
}

namespace {
Text printf1(const char* format, double v) {
    char buf[512]; // "%.8f" of the largest double has 309 digits before the point
    std::snprintf(buf, sizeof buf, format, v);
    return Text::fromBytes(buf);
}
} // namespace

Text currencyText(int64_t scaled) {
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    uint64_t fraction = magnitude % 10000;
    char buf[40];
    int n = std::snprintf(buf, sizeof buf, "%s%llu", negative ? "-" : "",
                          static_cast<unsigned long long>(magnitude / 10000));
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        std::snprintf(buf + n, sizeof buf - size_t(n), ".%0*llu", digits,
                      static_cast<unsigned long long>(fraction));
    }
    return Text::fromBytes(buf);
}

Text valueText(const jet::Value& value) {
    return std::visit(
        [](const auto& v) -> Text {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, jet::Null>)
                return Text();
            else if constexpr (std::is_same_v<T, bool>)
                return Text(v ? "TRUE" : "FALSE");
            else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                               std::is_same_v<T, int32_t>)
                return toText(int(v));
            else if constexpr (std::is_same_v<T, jet::Currency>)
                return currencyText(v.scaled);
            else if constexpr (std::is_same_v<T, float>)
                return printf1("%.4f", double(v));
            else if constexpr (std::is_same_v<T, double>)
                return printf1("%.8f", v);
            else if constexpr (std::is_same_v<T, jet::Decimal>)
                return printf1("%.8f", std::strtod(jet::formatDecimal(v).c_str(), nullptr));
            else if constexpr (std::is_same_v<T, jet::DateTime>)
                return textOf(jet::formatIsoDateTime(v.days));
            else if constexpr (std::is_same_v<T, std::u16string>)
                return textOf(v);
            else if constexpr (std::is_same_v<T, jet::Bytes>)
                return Text::fromBytes(jet::formatHex(jet::ByteView(v.data(), v.size())));
            else if constexpr (std::is_same_v<T, jet::Guid>)
                return Text::fromBytes(jet::formatGuid(v));
            else
                static_assert(sizeof(T) == 0, "every value type has a text form");
        },
        value);
}

bool readsAsInteger(jet::ColumnType type) {
    return type == jet::ColumnType::Byte || type == jet::ColumnType::Integer || type == jet::ColumnType::Long;
}

} // namespace rt::data
