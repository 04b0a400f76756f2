// Text forms of column values and the error records of the data-access objects.
#include "runtime/data_errors.h"
#include "runtime/data_values.h"

#include <gtest/gtest.h>

#include <QString>

#include <climits>
#include <cmath>

using rt::Text;
using namespace rt::data;

TEST(DataValues, NumbersByType) {
    EXPECT_EQ(valueText(jet::Value(uint8_t(255))), Text("255"));
    EXPECT_EQ(valueText(jet::Value(int16_t(-32768))), Text("-32768"));
    EXPECT_EQ(valueText(jet::Value(int32_t(INT_MIN))), Text("-2147483648"));
    EXPECT_EQ(valueText(jet::Value(1234.123f)), Text("1234.1230"));
    EXPECT_EQ(valueText(jet::Value(-0.5f)), Text("-0.5000"));
    EXPECT_EQ(valueText(jet::Value(1234.567)), Text("1234.56700000"));
    EXPECT_EQ(valueText(jet::Value(1.0 / 3)), Text("0.33333333"));
    // The largest double fits the buffer whole.
    EXPECT_EQ(valueText(jet::Value(1.7976931348623157e308)).length(), 309 + 9);
}

TEST(DataValues, DecimalAsDouble) {
    jet::Decimal d;
    d.scale = 4;
    d.magnitude = {11100, 0, 0};
    EXPECT_EQ(valueText(jet::Value(d)), Text("1.11000000"));
    d.negative = true;
    d.scale = 0;
    d.magnitude = {1, 0, 0};
    EXPECT_EQ(valueText(jet::Value(d)), Text("-1.00000000"));
    d = jet::Decimal{};
    d.scale = 10; // more places than the text keeps: rounded
    d.magnitude = {123456789, 0, 0};
    EXPECT_EQ(valueText(jet::Value(d)), Text("0.01234568"));
}

TEST(DataValues, CurrencyShortestForm) {
    EXPECT_EQ(currencyText(0), Text("0"));
    EXPECT_EQ(currencyText(125000), Text("12.5"));
    EXPECT_EQ(currencyText(123456700), Text("12345.67"));
    EXPECT_EQ(currencyText(123456), Text("12.3456"));
    EXPECT_EQ(currencyText(-1), Text("-0.0001"));
    EXPECT_EQ(currencyText(1000000), Text("100"));
    EXPECT_EQ(currencyText(INT64_MIN), Text("-922337203685477.5808"));
    EXPECT_EQ(currencyText(INT64_MAX), Text("922337203685477.5807"));
}

TEST(DataValues, DatesBooleansAndNull) {
    EXPECT_EQ(valueText(jet::Value(jet::Null{})), Text());
    EXPECT_EQ(valueText(jet::Value(true)), Text("TRUE"));
    EXPECT_EQ(valueText(jet::Value(false)), Text("FALSE"));
    EXPECT_EQ(valueText(jet::Value(jet::DateTime{0})), Text("1899-12-30 00:00:00"));
    // 2010-07-20 16:07:26
    EXPECT_EQ(valueText(jet::Value(jet::DateTime{40379 + (16 * 3600 + 7 * 60 + 26) / 86400.0})),
              Text("2010-07-20 16:07:26"));
    // Before 1899-12-30 the fraction still counts forward from midnight.
    EXPECT_EQ(valueText(jet::Value(jet::DateTime{-1.25})), Text("1899-12-29 06:00:00"));
    EXPECT_EQ(valueText(jet::Value(jet::DateTime{1e9})), Text("9999-12-31 23:59:59"));
    EXPECT_EQ(valueText(jet::Value(jet::DateTime{-1e9})), Text("0100-01-01 00:00:00"));
}

TEST(DataValues, TextsGuidsAndBytes) {
    EXPECT_EQ(valueText(jet::Value(std::u16string(u"姓名"))), Text("姓名"));
    EXPECT_EQ(valueText(jet::Value(std::u16string(u"ab\0cd", 5))), Text("ab")); // a text ends at U+0000
    // Characters outside code page 936 keep their identity (four-byte form).
    const Text euro = valueText(jet::Value(std::u16string(u"€\U0001F600")));
    EXPECT_EQ(euro.toQString(), QString::fromUtf8("€\U0001F600"));
    jet::Guid g;
    g.bytes = {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAB};
    EXPECT_EQ(valueText(jet::Value(g)), Text("{00000001-0000-0000-0000-0000000000AB}"));
    EXPECT_EQ(valueText(jet::Value(jet::Bytes{0x01, 0xAB, 0x00})), Text("01AB00"));
}

TEST(DataValues, OnlyIntegerTypesReadAsIntegers) {
    using T = jet::ColumnType;
    for (T t : {T::Byte, T::Integer, T::Long})
        EXPECT_TRUE(readsAsInteger(t));
    for (T t : {T::Boolean, T::Currency, T::Single, T::Double, T::DateTime, T::Text, T::Memo, T::Binary,
                T::OLE, T::GUID, T::Numeric})
        EXPECT_FALSE(readsAsInteger(t)) << int(t);
}

TEST(DataErrors, BlockFormatOnePerError) {
    EXPECT_EQ(formatErrors({}), Text());
    std::vector<DataError> errors = {DataError{Text("语法错误：第 3 个字符附近"), Text("42000"), 3134,
                                               Text("Microsoft JET Database Engine")},
                                     DataError{Text("x"), Text("HY000"), -5, Text("S")}};
    EXPECT_EQ(
        formatErrors(errors).bytes(),
        Text("Description: 语法错误：第 3 个字符附近\r\nState: 42000, Native: 3134, Source: Microsoft JET "
             "Database Engine\r\nDescription: x\r\nState: HY000, Native: -5, Source: S\r\n")
            .bytes());
}

TEST(DataErrors, StatesAndNumbersByKind) {
    using K = jet::ErrorKind;
    struct Case {
        K kind;
        const char* message;
        Operation op;
        const char16_t* statement;
        const char* state;
        int native;
    } cases[] = {
        {K::Io, "无法打开数据库文件：文件不存在", Operation::Connect, u"", "08001", 3024},
        {K::Io, "无法打开数据库文件：没有读取权限", Operation::Connect, u"", "08001", 3051},
        {K::Io, "读取文件失败", Operation::Open, u"", "HY000", 3000},
        {K::Corrupt, "坏了", Operation::Connect, u"", "08001", 3343},
        {K::Unsupported, "Jet 3", Operation::Connect, u"", "08001", 3343},
        {K::Unsupported, "表有索引", Operation::Statement, u"insert", "HY000", 3251},
        {K::Password, "数据库密码错误", Operation::Connect, u"", "28000", 3031},
        {K::Locked, "数据库正被另一个程序修改", Operation::Statement, u"insert", "HY000", 3218},
        {K::ReadOnly, "只读", Operation::Delete, u"", "HY000", 3027},
        {K::Syntax, "语法错误", Operation::Statement, u"  INSERT into data", "42000", 3134},
        {K::Syntax, "语法错误", Operation::Statement, u"update data", "42000", 3144},
        {K::Syntax, "语法错误", Operation::Statement, u"delete from data", "42000", 3128},
        {K::Syntax, "语法错误", Operation::Statement, u"(select 1", "42000", 3141},
        {K::Syntax, "语法错误", Operation::Statement, u"drop table data", "42000", 3129},
        {K::NotFound, "找不到表 'x'", Operation::Open, u"", "42S02", 3078},
        {K::NotFound, "找不到列 'x'", Operation::Statement, u"select x from data", "42S22", 3265},
        {K::NotFound, "这一行已删除", Operation::Delete, u"", "HY000", 3167},
        {K::Invalid, "值太长：列 '姓名' 最多 20 个字符", Operation::Statement, u"insert", "22001", 3163},
        {K::Invalid, "数值溢出：列 'n'", Operation::Statement, u"insert", "22003", 3349},
        {K::Invalid, "类型不匹配：列 'n' 需要数字", Operation::Statement, u"insert", "22018", 3464},
        {K::Invalid, "值的个数不一致", Operation::Statement, u"insert", "HY000", 3001},
    };
    for (const Case& c : cases) {
        const DataError e = fromEngine(jet::makeError(c.kind, c.message), c.op, c.statement);
        EXPECT_EQ(e.state, Text(c.state)) << c.message;
        EXPECT_EQ(e.native, c.native) << c.message;
        EXPECT_EQ(e.source, Text("Microsoft JET Database Engine"));
    }
}

TEST(DataErrors, DescriptionNamesTheFileOnlyForFileErrors) {
    const DataError io =
        fromEngine(jet::makeError(jet::ErrorKind::Corrupt, "页类型不对", "/x/db", 7), Operation::Open);
    EXPECT_EQ(io.description, Text("页类型不对（文件 /x/db，第 7 页）"));
    const DataError syntax =
        fromEngine(jet::makeError(jet::ErrorKind::Syntax, "语法错误：缺少 VALUES", "/x/db"),
                   Operation::Statement, u"insert");
    EXPECT_EQ(syntax.description, Text("语法错误：缺少 VALUES"));
    EXPECT_EQ(connectionClosed().state, Text("08003"));
    EXPECT_EQ(connectionClosed().native, 3709);
}
