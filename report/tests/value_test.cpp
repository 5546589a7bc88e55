#include <gtest/gtest.h>

#include <cmath>

#include "report/core/format.h"
#include "report/core/value.h"

namespace {
const QString nbsp = QString(QChar(0x00A0));
double date(int y, int m, int d) { return rpEncodeDate(y, m, d); }
}

TEST(Value, TextForm)
{
    struct Case { TrpValue v; QString text; };
    const Case cases[] = {
        {TrpValue(), ""},
        {TrpValue::null(), ""},
        {TrpValue(true), "True"},
        {TrpValue(qint64(-42)), "-42"},
        {TrpValue(14.0), "14"},
        {TrpValue(2.5), "2.5"},
        {TrpValue(-0.25), "-0.25"},
        {TrpValue(1.0 / 3), "0.333333333333333"},
        {TrpValue(0.1 + 0.2), "0.3"},
        {TrpValue(123456789012345.0), "123456789012345"},
        {TrpValue(1e15), "1E15"},
        {TrpValue(1e20), "1E20"},
        {TrpValue(0.0001), "0.0001"},
        {TrpValue(0.00001), "1E-5"},
        {TrpValue(-1.5e-7), "-1.5E-7"},
        {TrpValue::dateTime(date(2024, 5, 3)), "03.05.2024"},
        {TrpValue::dateTime(date(2024, 5, 3) + 0.5), "03.05.2024 12:00:00"},
        {TrpValue("Лист"), "Лист"},
    };
    for (const Case &c : cases) EXPECT_EQ(c.v.toText(), c.text) << c.text.toStdString();
}

TEST(Value, Arithmetic)
{
    struct Case { const char *what; TrpValue result; TrpValue expected; };
    const TrpValue n = TrpValue::null();
    const Case cases[] = {
        {"text holding a number", rpAdd(TrpValue("2"), TrpValue(qint64(3))), TrpValue(qint64(5))},
        {"two texts join", rpAdd(TrpValue("a"), TrpValue("b")), TrpValue("ab")},
        {"comma decimal text", rpMul(TrpValue("1,5"), TrpValue(qint64(2))), TrpValue(3.0)},
        {"texts in minus are numbers", rpSub(TrpValue("5"), TrpValue("2")), TrpValue(qint64(3))},
        {"Null plus", rpAdd(n, TrpValue(qint64(1))), n},
        {"Null times", rpMul(TrpValue(2.0), n), n},
        {"empty is 0", rpAdd(TrpValue(), TrpValue(qint64(1))), TrpValue(qint64(1))},
        {"empty joins as text", rpAdd(TrpValue(), TrpValue("a")), TrpValue("a")},
        {"true is -1", rpAdd(TrpValue(true), TrpValue(qint64(1))), TrpValue(qint64(0))},
        {"integer overflow goes float", rpMul(TrpValue(qint64(1) << 62), TrpValue(qint64(4))), TrpValue(std::ldexp(1.0, 64))},
        {"real quotient", rpDiv(TrpValue(qint64(10)), TrpValue(qint64(4))), TrpValue(2.5)},
        {"divide by zero", rpDiv(TrpValue(qint64(10)), TrpValue(0.0)), TrpValue(0.0)},
        {"mod", rpMod(TrpValue(7.0), TrpValue(3.0)), TrpValue(qint64(1))},
        {"mod by zero", rpMod(TrpValue(7.0), TrpValue(0.0)), TrpValue(qint64(0))},
        {"mod rounds halves to even", rpMod(TrpValue(7.0), TrpValue(2.5)), TrpValue(qint64(1))},
        {"date plus days", rpAdd(TrpValue::dateTime(date(2024, 2, 28)), TrpValue(qint64(2))), TrpValue::dateTime(date(2024, 3, 1))},
        {"days between dates", rpSub(TrpValue::dateTime(date(2024, 3, 1)), TrpValue::dateTime(date(2024, 2, 28))), TrpValue(2.0)},
        {"bits of integers", rpAnd(TrpValue(qint64(6)), TrpValue(qint64(3))), TrpValue(qint64(2))},
        {"logic of Booleans", rpOr(TrpValue(false), TrpValue(true)), TrpValue(true)},
        {"negate", rpNeg(TrpValue("3")), TrpValue(qint64(-3))},
    };
    for (const Case &c : cases) EXPECT_EQ(c.result, c.expected) << c.what << ": " << c.result.toText().toStdString();

    EXPECT_THROW(rpSub(TrpValue("abc"), TrpValue(qint64(1))), EConvertError);
    EXPECT_THROW(rpMod(TrpValue(1e300), TrpValue(qint64(2))), EConvertError);
    EXPECT_THROW(rpMod(TrpValue(std::nan("")), TrpValue(qint64(2))), EConvertError);
}

TEST(Value, IntegerConversionsAreRangeChecked)
{
    EXPECT_EQ(TrpValue(2.5).toInteger(), 2);
    EXPECT_EQ(TrpValue(-3.5).toInteger(), -4);
    EXPECT_EQ(TrpValue(" 12 ").toInteger(), 12);
    EXPECT_EQ(TrpValue(9.2e18).toInteger(), qint64(9.2e18));
    EXPECT_THROW(TrpValue(9.3e18).toInteger(), EConvertError);
    EXPECT_THROW(TrpValue(-1e19).toInteger(), EConvertError);
    EXPECT_THROW(TrpValue(INFINITY).toInteger(), EConvertError);
    EXPECT_THROW(TrpValue(3e9).toInt32(), EConvertError);
    EXPECT_THROW(TrpValue::null().toFloat(), EConvertError);
    try {
        TrpValue("1.2.3").toFloat();
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), "'1.2.3' is not a valid floating point value");
    }
}

TEST(Value, Variants)
{
    EXPECT_EQ(TrpValue::fromVariant(QVariant()), TrpValue::null());
    EXPECT_EQ(TrpValue::fromVariant(QVariant(7)), TrpValue(qint64(7)));
    EXPECT_EQ(TrpValue::fromVariant(QVariant(2.5)), TrpValue(2.5));
    EXPECT_EQ(TrpValue::fromVariant(QVariant(QString("a"))), TrpValue("a"));
    EXPECT_EQ(TrpValue::fromVariant(QVariant(QDate(2024, 5, 3))), TrpValue::dateTime(date(2024, 5, 3)));
    EXPECT_EQ(TrpValue::fromVariant(QVariant(QDateTime(QDate(2024, 5, 3), QTime(6, 0)))),
              TrpValue::dateTime(date(2024, 5, 3) + 0.25));
    EXPECT_EQ(TrpValue::dateTime(date(2024, 5, 3) + 0.25).toVariant(), QVariant(QDateTime(QDate(2024, 5, 3), QTime(6, 0))));
    EXPECT_FALSE(TrpValue::null().toVariant().isValid());
}

TEST(Value, Comparisons)
{
    struct Case { TrpValue a; TrpRelation rel; TrpValue b; int expected; };
    const TrpValue n = TrpValue::null();
    const Case cases[] = {
        {TrpValue(1.0), TrpRelation::Eq, TrpValue(qint64(1)), 1},
        {TrpValue("10"), TrpRelation::Eq, TrpValue(10.0), 1},
        {TrpValue("a"), TrpRelation::Lt, TrpValue("b"), 1},
        {TrpValue("a"), TrpRelation::Eq, TrpValue("A"), 0},
        {n, TrpRelation::Eq, n, 1},
        {n, TrpRelation::Gt, TrpValue(qint64(0)), 0},
        {n, TrpRelation::Lt, TrpValue(qint64(0)), 0},
        {n, TrpRelation::Ne, TrpValue(qint64(0)), 1},
        {TrpValue(), TrpRelation::Eq, TrpValue(qint64(0)), 1},
        {TrpValue::dateTime(5), TrpRelation::Ge, TrpValue(5.0), 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rpCompare(c.a, c.b, c.rel), TrpValue(qint64(c.expected))) << c.a.toText().toStdString();
}

TEST(Format, FloatPatterns)
{
    struct Case { const char *format; double v; QString text; };
    const Case cases[] = {
        {"0.00", 1.005, "1.01"},
        {"0.00", 2, "2.00"},
        {"#,##0.00", 1234567.891, "1" + nbsp + "234" + nbsp + "567.89"},
        {"#,##0", 999, "999"},
        {"#,##0", -1000, "-1" + nbsp + "000"},
        {"0.##", 2.5, "2.5"},
        {"0.##", 2, "2"},
        {"#.##", 0.5, ".5"},
        {"00", 5, "05"},
        {"0", 1234.5, "1235"},
        {"#", 0, ""},
        {"0", -0.4, "0"},
        {"0;(0)", -5, "(5)"},
        {"0;(0);'zero'", 0, "zero"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"'Итого: '0.0", 3, "Итого: 3.0"},
        {"00-00", 1234, "12-34"},
        {"", 2.5, "2.5"},
    };
    for (const Case &c : cases) EXPECT_EQ(rpFormatFloat(c.format, c.v), c.text) << c.format;
    EXPECT_EQ(rpFloatToStrFixed(-1234.5, 2, true), "-1" + nbsp + "234.50");
}

TEST(Format, DateTimePatterns)
{
    const double dt = date(2024, 5, 3) + rpEncodeTime(14, 7, 9, 0);
    struct Case { const char *format; QString text; };
    const Case cases[] = {
        {"dd.mm.yyyy", "03.05.2024"},
        {"d mmmm yyyy", "3 Май 2024"},
        {"d mmm yy", "3 май 24"},
        {"hh:nn:ss", "14:07:09"},
        {"h:mm", "14:07"},
        {"hh mm", "14 07"},
        {"hh'h'mm", "14h07"},
        {"hh d mm", "14 3 05"},
        {"dddd, ddd", "пятница, Пт"},
        {"c", "03.05.2024 14:07:09"},
        {"yyyy/mm/dd", "2024.05.03"},
        {"hh:nn am/pm", "02:07 pm"},
        {"'Дата:' dd", "Дата: 03"},
        {"ddddd", "03.05.2024"},
        {"dddddd", "3 Май 2024 г."},
        {"t", "14:07"},
    };
    for (const Case &c : cases) EXPECT_EQ(rpFormatDateTime(c.format, dt), c.text) << c.format;
}

TEST(Format, ReadingDatesAndTimes)
{
    EXPECT_EQ(rpStrToDate("3.5.2024"), date(2024, 5, 3));
    EXPECT_EQ(rpStrToDate(" 03.05.2024 "), date(2024, 5, 3));
    EXPECT_DOUBLE_EQ(rpStrToTime("14:05"), rpEncodeTime(14, 5, 0, 0));
    EXPECT_DOUBLE_EQ(rpStrToTime("2:05:30 PM"), rpEncodeTime(14, 5, 30, 0));
    EXPECT_DOUBLE_EQ(rpStrToDateTime("03.05.2024 12:00"), date(2024, 5, 3) + 0.5);
    for (const char *bad : {"31.02.2024", "3/5/2024", "", "1.2.3.4"})
        EXPECT_THROW(rpStrToDate(bad), EConvertError) << bad;
    for (const char *bad : {"25:00", "12", "12:61"})
        EXPECT_THROW(rpStrToTime(bad), EConvertError) << bad;
    EXPECT_EQ(rpValueToDate(-1.25), QDate(1899, 12, 29));
}

TEST(Format, EditMasks)
{
    EXPECT_EQ(rpFormatMaskText("000-000;0; ", "123456"), "123-456");
    EXPECT_EQ(rpFormatMaskText("(000) 000;0; ", "12345"), "(123) 45 ");
    EXPECT_EQ(rpFormatMaskText(">LL-00;0;_", "ab12"), "AB-12");
}

#include "report/core/display_format.h"

TEST(DisplayFormat, CodesAndInlineFormats)
{
    const double dt = date(2024, 5, 3) + 0.75;
    struct Case { TrpValue v; int code; const char *text; QString out; };
    const Case cases[] = {
        {TrpValue(1234.5), rpMakeFormatCode(rpfcNumber, 0, 2, '.'), "", "1234.5"},
        {TrpValue(1234.5), rpMakeFormatCode(rpfcNumber, 1, 2, ','), "", "1234,50"},
        {TrpValue(1234.5), rpMakeFormatCode(rpfcNumber, 2, 1, '.'), "", "1" + nbsp + "234.5"},
        {TrpValue(1234.5), rpMakeFormatCode(rpfcNumber, 3, 2, '.'), "", "1" + nbsp + "234.50"},
        {TrpValue("7"), rpMakeFormatCode(rpfcNumber, 4, 0, '.'), "000", "007"},
        {TrpValue("abc"), rpMakeFormatCode(rpfcNumber, 1, 2, '.'), "", "abc"},
        {TrpValue::dateTime(dt), rpMakeFormatCode(rpfcDate, 1, 0, 0), "", "05.03.2024"},
        {TrpValue::dateTime(dt), rpMakeFormatCode(rpfcDate, 3, 0, 0), "", "3 Май 2024 г."},
        {TrpValue::dateTime(dt), rpMakeFormatCode(rpfcTime, 2, 0, 0), "", "18:00"},
        {TrpValue(true), rpMakeFormatCode(rpfcBoolean, 1, 0, 0), "", "Yes"},
        {TrpValue(0.0), rpMakeFormatCode(rpfcBoolean, 4, 0, 0), "нет;да", "нет"},
        {TrpValue::null(), rpMakeFormatCode(rpfcNumber, 1, 2, '.'), "", ""},
        {TrpValue("  "), rpMakeFormatCode(rpfcText, 0, 0, 0), "", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(rpFormatValue(c.v, c.code, QString::fromUtf8(c.text)), c.out) << c.out.toStdString();

    int code = 0;
    QString text;
    ASSERT_TRUE(rpParseInlineFormat("0,00", code, text));
    EXPECT_EQ(code, rpMakeFormatCode(rpfcNumber, 1, 2, ','));
    EXPECT_EQ(rpFormatValue(TrpValue(2.5), code, text), "2,50");
    ASSERT_TRUE(rpParseInlineFormat("N#,##0.0", code, text));
    EXPECT_EQ(rpFormatSubFormat(code), rpfsCustom);
    EXPECT_EQ(text, "#,##0.0");
    ASSERT_TRUE(rpParseInlineFormat("Ddd.mm.yyyy", code, text));
    EXPECT_EQ(rpFormatValue(TrpValue::dateTime(dt), code, text), "03.05.2024");
    ASSERT_TRUE(rpParseInlineFormat("BНет;Да", code, text));
    EXPECT_EQ(rpFormatValue(TrpValue(qint64(1)), code, text), "Да");
    EXPECT_FALSE(rpParseInlineFormat("X", code, text));
}
