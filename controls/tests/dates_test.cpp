#include "controls/dates.h"

#include "platform/error.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

DateLocale russianLocale(int year)
{
    DateLocale loc;
    loc.shortDateFormat = "dd.mm.yyyy";
    loc.dateSeparator = '.';
    loc.longMonthNames = RussianMonthNames();
    loc.currentYear = year;
    return loc;
}

TEST(Dates, LeapYearsAndMonthDays)
{
    struct Case { int year; bool leap; } cases[] = {
        {2024, true}, {2023, false}, {1900, false}, {2000, true}, {2100, false}, {1600, true}, {4, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(YearIsLeap(c.year), c.leap) << c.year;
        EXPECT_EQ(MonthDays(c.year, 2), c.leap ? 29 : 28) << c.year;
    }
    EXPECT_EQ(MonthDays(2023, 4), 30);
    EXPECT_EQ(MonthDays(2023, 13), 0);
    EXPECT_TRUE(IsValidDateParts(2024, 2, 29));
    EXPECT_FALSE(IsValidDateParts(2023, 2, 29));
    EXPECT_FALSE(IsValidDateParts(0, 1, 1));
    EXPECT_FALSE(IsValidDateParts(10000, 1, 1));
    EXPECT_TRUE(IsValidDateParts(9999, 12, 31));
}

TEST(Dates, TwoDigitYearsFollowTheCenturyWindow)
{
    struct Case { int current, year, want; } cases[] = {
        {2026, 0, 2000}, {2026, 65, 2065}, {2026, 66, 1966}, {2026, 99, 1999},
        {2000, 0, 2000}, {2000, 39, 2039}, {2000, 40, 1940}, {2000, 99, 1999},
        {2026, 100, 100}, {2026, 2005, 2005},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExpandTwoDigitYear(c.year, c.current), c.want) << c.current << " " << c.year;
}

TEST(Dates, LocaleOrder)
{
    struct Case { const char *fmt; DateOrder want; } cases[] = {
        {"dd.mm.yyyy", DateOrder::DMY}, {"yyyy-MM-dd", DateOrder::YMD}, {"M/d/yy", DateOrder::MDY},
        {"gg ee/MM/dd", DateOrder::YMD}, {"", DateOrder::DMY}, {"//", DateOrder::DMY},
    };
    for (const Case &c : cases) EXPECT_EQ(LocaleDateOrder(c.fmt), c.want) << c.fmt;
}

TEST(Dates, ParsingTable)
{
    const DateLocale loc = russianLocale(2026);
    struct Case { const char *format; const char *text; QDate want; } cases[] = {
        {"DD/MM/YYYY", "", QDate()},                          // null date
        {"DD/MM/YYYY", "5.3", QDate(2026, 3, 5)},             // two numbers: this year
        {"DD/MM/YYYY", "5.3.", QDate(2026, 3, 5)},
        {"DD/MM/YYYY", "05/03/2024", QDate(2024, 3, 5)},      // positional
        {"DD/MM/YYYY", "05.03.65", QDate(2065, 3, 5)},
        {"DD/MM/YYYY", "05.03.66", QDate(1966, 3, 5)},
        {"DD/MM/YYYY", " 5 . 3 . 2024 ", QDate(2024, 3, 5)},  // longer than the format
        {"DD/MM/YYYY", "29.02.2024", QDate(2024, 2, 29)},
        {"DD/MM/YYYY", "01.12.0050", QDate(2050, 12, 1)},
        {"DD/MM/YYYY", "05.03.    ", QDate(2026, 3, 5)},      // blank year is this year
        {"DD-MMM-YYYY", "05-МАР-2024", QDate(2024, 3, 5)},
        {"DD-MMM-YYYY", "05-дек-2024", QDate(2024, 12, 5)},
        {"MM/DD/YYYY", "12/31/2024", QDate(2024, 12, 31)},
    };
    for (const Case &c : cases) {
        QDate d(1, 1, 1);
        EXPECT_TRUE(TryParseDateWithFormat(c.format, c.text, d, loc)) << c.text;
        EXPECT_EQ(d, c.want) << c.text;
    }
}

TEST(Dates, RefusedTexts)
{
    const DateLocale loc = russianLocale(2026);
    const char *bad[] = {"31.02.2005", "29.02.2023", "5", "5.3.2024x", "12345.1.1", "a.b.c", "0.0.0", "32.1"};
    for (const char *t : bad) {
        QDate d;
        EXPECT_FALSE(TryParseDateWithFormat("DD/MM/YYYY", t, d, loc)) << t;
    }
    try {
        ParseDateWithFormat("DD/MM/YYYY", "31.02.2005", loc);
        FAIL() << "no exception";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "''31.02.2005'' - неверная дата");
    }
    EXPECT_EQ(ParseDateWithFormatOr("DD/MM/YYYY", "31.02.2005", QDate(2020, 1, 2), loc), QDate(2020, 1, 2));
}

TEST(Dates, OtherLocaleOrders)
{
    DateLocale us = russianLocale(2026);
    us.shortDateFormat = "M/d/yyyy";
    us.dateSeparator = '/';
    QDate d;
    ASSERT_TRUE(TryParseDateWithFormat("MM/DD/YYYY", "3/5", d, us));
    EXPECT_EQ(d, QDate(2026, 3, 5));
    DateLocale iso = us;
    iso.shortDateFormat = "yyyy-MM-dd";
    iso.dateSeparator = '-';
    ASSERT_TRUE(TryParseDateWithFormat("YYYY/MM/DD", "2024-3-5-", d, iso));
    EXPECT_EQ(d, QDate(2024, 3, 5));
}

TEST(Dates, FormatsAndMasks)
{
    DateLocale loc = russianLocale(2026);
    EXPECT_TRUE(FourDigitYearDefault(loc));
    EXPECT_EQ(DateFormatForLocale(true, loc), "DD/MM/YYYY");
    EXPECT_EQ(DateFormatForLocale(false, loc), "DD/MM/YY");
    EXPECT_EQ(DateMaskForLocale('_', true, loc), "!99/99/9999;1;_");
    loc.shortDateFormat = "yyyy/MM/dd";
    EXPECT_EQ(DateFormatForLocale(true, loc), "YYYY/MM/DD");
    EXPECT_EQ(DateMaskForLocale(' ', true, loc), "!9999/99/99;1; ");
    EXPECT_EQ(DateMaskForLocale(' ', false, loc), "!99/99/99;1; ");
    loc.shortDateFormat = "M/d/yy";
    EXPECT_FALSE(FourDigitYearDefault(loc));
    EXPECT_EQ(DateFormatForLocale(false, loc), "MM/DD/YY");
}

TEST(Dates, DateValues)
{
    EXPECT_EQ(DateToValue(QDate()), 0);
    EXPECT_FALSE(ValueToDate(0).isValid());
    EXPECT_EQ(DateToValue(QDate(1900, 1, 1)), 2);
    EXPECT_EQ(ValueToDate(45292.75), QDate(2024, 1, 1));
    EXPECT_TRUE(IsValidDateValue(2958465));
    EXPECT_FALSE(IsValidDateValue(2958466));
    EXPECT_FALSE(IsValidDateValue(std::nan("")));
}

} // namespace
