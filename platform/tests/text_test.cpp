#include "platform/text.h"
#include "platform/testsupport/locale.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(Cp1251, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    const QString text = fromCp1251(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1251(text), all);
    EXPECT_EQ(text.at(0x98).unicode(), 0x0098);
}

TEST(Cp1251, KnownCharacters)
{
    const QString kitchen = QString::fromUtf8("Кухня");
    EXPECT_EQ(toCp1251(kitchen), QByteArray("\xCA\xF3\xF5\xED\xFF"));
    EXPECT_EQ(fromCp1251(QByteArray("\xCA\xF3\xF5\xED\xFF")), kitchen);
    EXPECT_EQ(toCp1251(QString::fromUtf8("Ёё№€")), QByteArray("\xA8\xB8\xB9\x88"));
    // No code in the code page: one '?' per character, also outside the BMP.
    EXPECT_EQ(toCp1251(QString::fromUtf8("a中b😀c")), QByteArray("a?b?c"));
}

TEST(Case, CyrillicAndLatin)
{
    EXPECT_EQ(upperCase(QString::fromUtf8("кухня ёж ґ abc")), QString::fromUtf8("КУХНЯ ЁЖ Ґ ABC"));
    EXPECT_EQ(lowerCase(QString::fromUtf8("ДСП ЁЇ XYZ")), QString::fromUtf8("дсп ёї xyz"));
    EXPECT_TRUE(sameText(QString::fromUtf8("ЛДСП Белый"), QString::fromUtf8("лдсп БЕЛЫЙ")));
    EXPECT_LT(compareText(QString::fromUtf8("абв"), QString::fromUtf8("АБГ")), 0);
}

TEST(Numbers, FormatFixedTable)
{
    struct Case { double v; int digits; const char *want; };
    const Case cases[] = {
        {1.005, 2, "1.01"}, {0.125, 2, "0.13"}, {2.5, 0, "3"}, {-2.5, 0, "-3"},
        {1234.5678, 3, "1234.568"}, {0.0, 2, "0.00"}, {-0.001, 2, "0.00"},
        {9.995, 2, "10.00"}, {1e-20, 18, "0.000000000000000000"}, {5.0, -3, "5"},
        {1.25, 30, "1.250000000000000000"}, {123456789012.0, 1, "123456789012.0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatFixed(c.v, c.digits), QString::fromLatin1(c.want)) << c.v << " " << c.digits;
}

TEST(Numbers, FormatIgnoresLocale)
{
    QStringList missing;
    for (const char *name : {"ru_RU.UTF-8", "de_DE.UTF-8"}) {
        test::ScopedLocale user(name);
        if (!user.ok()) {
            missing << QString::fromLatin1(name);
            continue;
        }
        ASSERT_EQ(test::ScopedLocale::decimalPoint(), ',') << name;   // the switch is real
        EXPECT_EQ(formatFixed(3.14159, 2), QStringLiteral("3.14")) << name;
        EXPECT_EQ(formatShortest(-0.25), QStringLiteral("-0.25")) << name;
        bool ok = false;
        EXPECT_DOUBLE_EQ(parseFloat(QStringLiteral("2.75"), &ok), 2.75) << name;
        EXPECT_TRUE(ok) << name;
    }
    if (!missing.isEmpty())
        GTEST_SKIP() << "locales not installed (scripts/setup.sh generates them): "
                     << missing.join(QStringLiteral(", ")).toStdString();
}

TEST(Numbers, RoundHalfEven)
{
    EXPECT_EQ(roundHalfEven(0.5), 0.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundToInt64(1e30), std::numeric_limits<long long>::max());
}

TEST(Numbers, ParseFloat)
{
    bool ok = true;
    EXPECT_DOUBLE_EQ(parseFloat(QStringLiteral(" 1,5 "), &ok), 1.5);
    EXPECT_TRUE(ok);
    parseFloat(QStringLiteral("1.5x"), &ok);
    EXPECT_FALSE(ok);
    parseFloat(QString(), &ok);
    EXPECT_FALSE(ok);
}

TEST(Dates, FormatAndParse)
{
    EXPECT_EQ(formatDate(QDate(2026, 3, 5)), QStringLiteral("05.03.2026"));
    EXPECT_EQ(parseDateDMY(QStringLiteral("5.3.2026")), QDate(2026, 3, 5));
    EXPECT_FALSE(parseDateDMY(QStringLiteral("31.02.2005")).isValid());
}

TEST(Dates, DayCountFrom30December1899)
{
    struct Case { QDate date; qint64 days; };
    const Case cases[] = {
        {QDate(1899, 12, 30), 0},
        {QDate(1899, 12, 29), -1},
        {QDate(1900, 1, 1), 2},
        {QDate(1900, 3, 1), 61},      // 1900 was no leap year
        {QDate(2000, 2, 29), 36585},
        {QDate(2024, 1, 2), 45293},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(daysSince1899(c.date), c.days) << c.date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(dateFromDays1899(c.days), c.date) << c.days;
    }
}

TEST(CommaText, RoundTripOfAwkwardItems)
{
    const QStringList items = {QStringLiteral("plain"), QStringLiteral("with blank"), QStringLiteral("a,b"),
                               QStringLiteral("say \"hi\""), QString(), QString::fromUtf8("Кухня")};
    const QString text = toCommaText(items);
    EXPECT_EQ(text, QString::fromUtf8("plain,\"with blank\",\"a,b\",\"say \"\"hi\"\"\",,Кухня"));
    EXPECT_EQ(fromCommaText(text), items);
    // Empty items are bare, a lone one quoted so that it stays an item.
    const QList<QStringList> lists = {{QString()}, {QString(), QString()}, {"a", QString()}, {QString(), "a"}};
    for (const QStringList &l : lists)
        EXPECT_EQ(fromCommaText(toCommaText(l)), l) << toCommaText(l).toStdString();
    EXPECT_EQ(toCommaText({QString()}), "\"\"");
    EXPECT_EQ(toCommaText({"a", QString(), "b"}), "a,,b");
    EXPECT_EQ(fromCommaText(QStringLiteral("1,,2,")), (QStringList{"1", "", "2", ""}));
    EXPECT_TRUE(fromCommaText(QString()).isEmpty());
}
