#include "memdata/memvalue.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kv;

TEST(MemValue, DayNumbersFollowThePlatformDayCount)
{
    EXPECT_EQ(memDayNumber(QDate(1899, 12, 30)), kDateDelta);
    EXPECT_EQ(memDayNumber(QDate(1, 1, 1)), 1);
    EXPECT_EQ(memDateFromDay(kDateDelta + 1), QDate(1899, 12, 31));
    const QDateTime dt(QDate(2024, 3, 1), QTime(10, 30, 15, 250));
    EXPECT_EQ(memDateTimeFromMSecs(memDateTimeMSecs(dt)), dt);
    EXPECT_DOUBLE_EQ(memDateTimeMSecs(QDateTime(QDate(1899, 12, 30), QTime(0, 0))),
                     double(kDateDelta) * kMSecsPerDay);
}

TEST(MemValue, NullSortsBeforeEveryValue)
{
    const struct { MemFieldType type; QVariant value; } cases[] = {
        {MemFieldType::String, QStringLiteral("")},
        {MemFieldType::Integer, -2147483647},
        {MemFieldType::Float, -1e300},
        {MemFieldType::Boolean, false},
        {MemFieldType::Date, 1},
        {MemFieldType::Largeint, qlonglong(-9000000000000000000LL)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(memCompareValues(c.type, QVariant(), c.value, false), -1) << memTypeName(c.type).toStdString();
        EXPECT_EQ(memCompareValues(c.type, c.value, QVariant(), false), 1);
        EXPECT_EQ(memCompareValues(c.type, QVariant(), QVariant(), false), 0);
    }
}

TEST(MemValue, CyrillicNamesSortAlphabeticallyWithoutRegardToCase)
{
    QStringList names{QStringLiteral("яблоко"), QStringLiteral("Арбуз"), QStringLiteral("ёлка"),
                      QStringLiteral("Елена"), QStringLiteral("борис"), QStringLiteral("Жук"),
                      QStringLiteral("абрикос")};
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return memCompareText(a, b, true) < 0;
    });
    EXPECT_EQ(names, (QStringList{QStringLiteral("абрикос"), QStringLiteral("Арбуз"), QStringLiteral("борис"),
                                  QStringLiteral("Елена"), QStringLiteral("ёлка"), QStringLiteral("Жук"),
                                  QStringLiteral("яблоко")}));
    EXPECT_EQ(memCompareText(QStringLiteral("ЛИСТ"), QStringLiteral("лист"), true), 0);
    // With case: the same letters stay together, the small letter first.
    EXPECT_EQ(memCompareText(QStringLiteral("лист"), QStringLiteral("Лист"), false), -1);
    EXPECT_EQ(memCompareText(QStringLiteral("Лист"), QStringLiteral("лиса"), false), 1);
}

TEST(MemValue, DateAndTimeValuesCompareAsMilliseconds)
{
    // A time is taken on 30.12.1899, so it sorts before any later date.
    const QVariant noon = memToStored(MemFieldType::Time, 0, QTime(12, 0));
    EXPECT_EQ(noon.toInt(), 12 * 3600 * 1000);
    EXPECT_DOUBLE_EQ(memMSecsOf(MemFieldType::Time, noon), double(kDateDelta) * kMSecsPerDay + 43200000.0);
    const QVariant d1 = memToStored(MemFieldType::Date, 0, QDate(2024, 1, 2));
    const QVariant d2 = memToStored(MemFieldType::Date, 0, QStringLiteral("03.01.2024"));
    EXPECT_EQ(memCompareValues(MemFieldType::Date, d1, d2, false), -1);
    EXPECT_EQ(memCompareValues(MemFieldType::DateTime,
                               memToStored(MemFieldType::DateTime, 0, QStringLiteral("02.01.2024 10:00:00")),
                               memToStored(MemFieldType::DateTime, 0, QDateTime(QDate(2024, 1, 2), QTime(9, 0))),
                               false), 1);
}

TEST(MemValue, ConversionsToTheStoredForm)
{
    EXPECT_EQ(memToStored(MemFieldType::String, 3, QStringLiteral("Абвгд")).toString(), QStringLiteral("Абв"));
    EXPECT_FALSE(memToStored(MemFieldType::String, 3, QString()).isValid());
    EXPECT_EQ(memToStored(MemFieldType::Integer, 0, QStringLiteral(" 42 ")).toInt(), 42);
    EXPECT_EQ(memToStored(MemFieldType::Word, 0, 65535).toInt(), 65535);
    EXPECT_DOUBLE_EQ(memToStored(MemFieldType::Float, 0, QStringLiteral("2.5")).toDouble(), 2.5);
    EXPECT_DOUBLE_EQ(memToStored(MemFieldType::BCD, 0, 1.234567).toDouble(), 1.2346);
    EXPECT_TRUE(memToStored(MemFieldType::Boolean, 0, QStringLiteral("tr")).toBool());
    const struct { MemFieldType type; QVariant value; } bad[] = {
        {MemFieldType::Integer, QStringLiteral("12a")},
        {MemFieldType::Smallint, 40000},
        {MemFieldType::Word, -1},
        {MemFieldType::Float, QStringLiteral("1..2")},
        {MemFieldType::Date, QStringLiteral("31.02.2024")},
        {MemFieldType::Time, QStringLiteral("25:00")},
        {MemFieldType::Boolean, QStringLiteral("может быть")},
    };
    for (const auto &c : bad)
        EXPECT_THROW(memToStored(c.type, 0, c.value), Error) << c.value.toString().toStdString();
}
