#include "controls/calendar.h"
#include "controls/listbox.h"
#include "controls/stringgrid.h"
#include "platform/clock.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <QTest>

TEST(GridFormatFloat, Patterns)
{
    struct Case { const char *pattern; double v; const char *want; };
    const Case cases[] = {
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0", 1234567, "1,234,567"},
        {"", 1234.5, "1234.5"},
        {"", 0, "0"},
        {"0", 2.5, "3"},           // half away from zero
        {"0.##", 1.5, "1.5"},
        {"0.##", 2, "2"},
        {"#.##", 0.5, ".5"},
        {"0.00 \"м\"", 1.234, "1.23 м"},
        {"0.0", -0.04, "0.0"},     // no sign on a zero
        {"0.000", -1.5, "-1.500"},
        {"0;(0)", -5, "(5)"},
        {"0.00", 1234.5, "1234.50"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GridFormatFloat(QString::fromUtf8(c.pattern), c.v), QString::fromUtf8(c.want)) << c.pattern;
}

namespace {
struct GridFixture : ::testing::Test
{
    void SetUp() override { kv::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); }); }
    void TearDown() override { kv::SetClock({}); }
};
} // namespace

using ColumnsGrid = GridFixture;

TEST_F(ColumnsGrid, TitleRowIsRefused)
{
    TColumnsStringGrid g;
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.GetCellData(0, 0), nullptr);
    EXPECT_FALSE(g.SetCellValue(0, 0, 5));
    EXPECT_FALSE(g.SetCellValue(0, 9, 5));
    EXPECT_TRUE(g.SetCellValue(0, 1, 5));
    EXPECT_EQ(g.GetCellText(0, 1), "5");
    g.GetColumnHeader(0)->SetCaption(QString::fromUtf8("Кромка"));
    EXPECT_EQ(g.model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Кромка"));
}

TEST_F(ColumnsGrid, TypedTexts)
{
    TColumnsStringGrid g;
    g.SetColCount(4);
    g.GetColumnHeader(0)->SetDataType(TColumnHeader::dtFloat);
    g.GetColumnHeader(0)->FloatFormat = "#,##0.00";
    g.GetColumnHeader(1)->SetDataType(TColumnHeader::dtDate);
    g.GetColumnHeader(2)->SetDataType(TColumnHeader::dtString);
    g.GetColumnHeader(3)->SetDataType(TColumnHeader::dtInteger);

    g.SetCellValue(0, 1, 1234.5);
    EXPECT_EQ(g.GetCellText(0, 1), "1,234.50");
    g.CommitText(0, 1, g.GetCellText(0, 1));
    EXPECT_DOUBLE_EQ(g.GetCellValue(0, 1).toDouble(), 1234.5);
    EXPECT_EQ(g.GetCellText(0, 2), "0.00");   // never set

    EXPECT_EQ(g.GetCellText(1, 1), "15.03.2026");   // unset: today
    g.SetCellValue(1, 1, 0);
    EXPECT_EQ(g.GetCellText(1, 1), "");
    g.SetCellText(1, 2, "05.02.2026");
    EXPECT_EQ(g.GetCellValue(1, 2).toDate(), QDate(2026, 2, 5));
    g.SetCellText(1, 2, "31.02.2026");   // no date: today
    EXPECT_EQ(g.GetCellValue(1, 2).toDate(), QDate(2026, 3, 15));

    EXPECT_EQ(g.GetCellText(2, 1), "");
    g.SetCellText(3, 1, "12a");
    EXPECT_EQ(g.GetCellValue(3, 1).toLongLong(), 0);
    g.SetCellText(3, 1, "1,234");
    EXPECT_EQ(g.GetCellValue(3, 1).toLongLong(), 1234);
}

TEST_F(ColumnsGrid, SameSeparatorsKeepTheDecimalPoint)
{
    TColumnsStringGrid g;
    g.GetColumnHeader(0)->SetDataType(TColumnHeader::dtFloat);
    g.SetSeparators(QLatin1Char('.'), QLatin1Char('.'));
    g.SetCellText(0, 1, "1.5");
    EXPECT_DOUBLE_EQ(g.GetCellValue(0, 1).toDouble(), 1.5);
    g.SetSeparators(QChar(0xA0), QLatin1Char('.'));
    g.SetCellText(0, 1, QStringLiteral("1") + QChar(0xA0) + QStringLiteral("234.5"));
    EXPECT_DOUBLE_EQ(g.GetCellValue(0, 1).toDouble(), 1234.5);
}

TEST_F(ColumnsGrid, EditorFiltersCharacters)
{
    using E = TColStrCellEdit;
    EXPECT_FALSE(E::AcceptsChar(TColumnHeader::dtInteger, 'a', '.', '.'));
    EXPECT_FALSE(E::AcceptsChar(TColumnHeader::dtInteger, '.', '.', '.'));
    EXPECT_TRUE(E::AcceptsChar(TColumnHeader::dtInteger, '-', '.', '.'));
    EXPECT_TRUE(E::AcceptsChar(TColumnHeader::dtFloat, '.', '.', '.'));
    EXPECT_FALSE(E::AcceptsChar(TColumnHeader::dtTime, '.', '.', '.'));
    EXPECT_TRUE(E::AcceptsChar(TColumnHeader::dtTime, ':', '.', '.'));
    EXPECT_TRUE(E::AcceptsChar(TColumnHeader::dtString, 'z', '.', '.'));
}

TEST_F(ColumnsGrid, AfterEditMayRefuse)
{
    TColumnsStringGrid g;
    g.SetCellValue(0, 1, 7);
    QVariant seenOld;
    g.OnAfterEdit = [&](int, int, const QVariant &old, bool &allow) {
        seenOld = old;
        allow = false;
    };
    g.CommitText(0, 1, "9");
    EXPECT_EQ(seenOld.toInt(), 7);
    EXPECT_EQ(g.GetCellText(0, 1), "7");
}

TEST_F(ColumnsGrid, WordWrapGrowsTheRow)
{
    TColumnsStringGrid g;
    g.GetColumnHeader(0)->SetDataType(TColumnHeader::dtString);
    g.SetWordWrap(true);
    const int before = g.rowHeight(0);
    g.CommitText(0, 1, "a long edge banding name that cannot fit in seventy pixels");
    EXPECT_GT(g.rowHeight(0), before);
    EXPECT_EQ(g.rowHeight(0), g.CalcRowHeight(1));
}

TEST_F(ColumnsGrid, EditingThroughTheCellEditor)
{
    TColumnsStringGrid g;
    g.setObjectName("Grid");
    g.resize(400, 200);
    int beforeEdit = 0;
    g.OnBeforeEdit = [&](int, int) { ++beforeEdit; };
    g.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
    g.setCurrentIndex(g.model()->index(0, 1));
    g.edit(g.model()->index(0, 1));
    auto *ed = g.findChild<TColStrCellEdit *>("CellEdit");
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(beforeEdit, 1);
    ed->selectAll();
    QTest::keyClicks(ed, "4x2");   // the letter is refused
    EXPECT_EQ(ed->text(), "42");
    QTest::keyClick(ed, Qt::Key_Return);
    QCoreApplication::processEvents();   // the view commits on a queued call
    EXPECT_EQ(g.GetCellValue(1, 1).toLongLong(), 42);
    EXPECT_EQ(g.EditText(), "42");
    g.GetColumnHeader(1)->ReadOnly = true;
    EXPECT_FALSE(g.CanEditCell(1, 1));
    g.SetReadOnly(true);
    EXPECT_FALSE(g.CanEditCell(0, 1));
}

TEST_F(ColumnsGrid, ColumnWidthsReported)
{
    TColumnsStringGrid g;
    EXPECT_EQ(g.GetColumnWidth(0), 70);
    int col = -1, oldW = 0, newW = 0;
    QObject::connect(&g, &TColumnsStringGrid::AfterColWidthsChange, [&](int c, int o, int n) {
        col = c;
        oldW = o;
        newW = n;
    });
    g.SetColumnWidth(1, 120);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(oldW, 70);
    EXPECT_EQ(newW, 120);
    EXPECT_EQ(g.GetColumnWidth(1), 120);
}

TEST(KeyedListBox, KeysStayWithTheirItems)
{
    TkvListBox lb;
    lb.AddItemWithKey(7, QString::fromUtf8("ДСП"));
    lb.AddItemWithKey(9, QString::fromUtf8("ДСП"));
    EXPECT_EQ(lb.Count(), 2);
    EXPECT_EQ(lb.Key(0), 7);
    EXPECT_EQ(lb.Key(1), 9);
    lb.clear();
    lb.AddItemWithKey(3, QString::fromUtf8("МДФ"));
    EXPECT_EQ(lb.Key(0), 3);
    EXPECT_EQ(lb.Key(5), 0);
}
