// The edge-banding base: lists, code rules, and banding length of a part
// base and of maps.
#include "data/datamodule.h"
#include "data/maps/mapdoc.h"
#include "data/materials/borders.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace kv;

namespace {

class Borders : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<TModule> module;
    std::unique_ptr<BordersService> borders;

    void SetUp() override
    {
        SetNumberDigits(2, 3);
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        settings = std::make_unique<Settings>(paths->SettingsFile());
        module = std::make_unique<TModule>(paths.get(), settings.get());
        module->EnsureTables();
        borders = std::make_unique<BordersService>(*paths, *settings);
    }
    void addBorder(int code, const QString &name, double color, double pripusk)
    {
        Query::Exec("Insert into " + Query::QuotePath(paths->BordersTable()) + " Values(?, ?, ?, ?)",
                    {code, name, color, pripusk});
    }
    // A parts table of a part base with the given rows
    // (length, width, many, T, B, L, R).
    std::unique_ptr<Table> parts(const QList<QList<int>> &rows)
    {
        const QString file = paths->TempFolder() + "parts.dbf";
        CopyTableFile(paths->GroupTemplateFile(), file);
        for (const QList<int> &r : rows)
            Query::Exec("Insert into " + Query::QuotePath(file) +
                            " (NAME, LENGTH, WIDTH, MANY, ROTATE, TBORDER, BBORDER, LBORDER, RBORDER, MATERIAL)"
                            " Values('d', ?, ?, ?, 0, ?, ?, ?, ?, 1)",
                        {r[0], r[1], r[2], r[3], r[4], r[5], r[6]});
        auto t = std::make_unique<Table>();
        t->SetDatabaseName(paths->TempFolder());
        t->SetTableName("parts.dbf");
        t->Open();
        return t;
    }
};

} // namespace

TEST_F(Borders, ListsStartWithNoneAndFollowByName)
{
    addBorder(4, "ПВХ 2мм", 255, 20);
    addBorder(1, "Меламин", double(0x8000000Cu), 10.6);
    borders->LoadBorders();
    EXPECT_EQ(borders->Codes(), QStringList({"0", "1", "4"}));
    EXPECT_EQ(borders->Names(), QStringList({"<нет>", "Меламин", "ПВХ 2мм"}));
    EXPECT_EQ(borders->Colors(), QStringList({QString::number(0x8000000Fu), QString::number(0x8000000Cu), "255"}));
    EXPECT_EQ(borders->Pripusks(), QStringList({"0", "11", "20"}));
    EXPECT_EQ(borders->GetBordersList(), QStringList({"1=Меламин", "4=ПВХ 2мм"}));

    // An unknown code: the caller's colour, no name, no allowance.
    EXPECT_EQ(borders->GetBorderColor(9, 0x123456), 0x123456u);
    EXPECT_EQ(borders->GetBorderName(9), "");
    EXPECT_EQ(borders->GetBorderPripusk(9), 0);
    EXPECT_EQ(borders->AddBorderPripusk(600, 4), 620);
    EXPECT_EQ(borders->GetBorderColor(1, 0), 0x8000000Cu);
}

TEST_F(Borders, CodeRules)
{
    struct Next { QList<int> used; int expected; };
    for (const Next &c : {Next{{}, 1}, Next{{1, 2, 4}, 3}, Next{{2, 3}, 1}, Next{{1, 2, 3}, 4}})
        EXPECT_EQ(BordersService::NextBorderCode(c.used), c.expected);

    struct Typed { const char *text; int current; const char *message; };
    const Typed cases[] = {
        {"7", 0, ""},
        {"2", 2, ""},   // the row's own code
        {"2", 5, bordertext::InUse},
        {"abc", 0, bordertext::NotInteger},
        {"1.5", 0, bordertext::NotInteger},
        {"", 0, bordertext::NotInteger},
        {"0", 0, bordertext::OutOfRange},   // 0 is "no banding"
        {"-3", 0, bordertext::OutOfRange},
        {"32768", 0, bordertext::OutOfRange},
        {"99999999999999", 0, bordertext::OutOfRange},
    };
    for (const Typed &c : cases) {
        int code = -1;
        const QString msg = BordersService::CheckBorderCode(c.text, c.current, {1, 2, 4}, &code);
        EXPECT_EQ(msg, QString::fromUtf8(c.message)) << c.text;
        if (msg.isEmpty()) {
            EXPECT_EQ(code, QString(c.text).toInt());
        }
    }
}

TEST_F(Borders, RandomCodeIsFreeAndBelowTheLimit)
{
    QStringList rows;   // one statement: a row at a time rewrites the file 998 times
    for (int c = 1; c < 999; ++c)
        if (c != 500) rows << QString("(%1, 'к%1', 0, 0)").arg(c);
    Query::Exec("Insert into " + Query::QuotePath(paths->BordersTable()) + " Values" + rows.join(", "));
    EXPECT_EQ(BordersService::RandomUnusedCode(paths->BordersTable(), "Code", 999), 500);
    addBorder(500, "last", 0, 0);
    EXPECT_THROW(BordersService::RandomUnusedCode(paths->BordersTable(), "Code", 999), Error);
}

TEST_F(Borders, PartBaseTotals)
{
    addBorder(3, "ПВХ", 0, 20);
    borders->LoadBorders();
    // 600 x 400, two of them, code 3 on every edge: 2x620 twice, 2x420 twice.
    auto t = parts({{600, 400, 2, 3, 3, 3, 3}, {100, 50, 5, 0, 0, 0, 0}});
    t->Last();
    const Bookmark here = t->GetBookmark();
    const BorderTotals totals = borders->GetGroupBordersLength(*t);
    EXPECT_EQ(totals.total(3), 4160);
    EXPECT_EQ(totals.total(0), 2 * 5 * 100 + 2 * 5 * 50);   // code 0 adds like any other
    EXPECT_EQ(totals.toStrings(), QStringList({"3=4160", "0=1500"}));
    EXPECT_EQ(borders->FormatBordersLength(totals), QStringList({"ПВХ: 4.16 м"}));
    EXPECT_EQ(t->GetBookmark(), here);

    t->Close();
    EXPECT_TRUE(borders->GetGroupBordersLength(*t).isEmpty());
}

TEST_F(Borders, MapTotalsCountEverySheetCut)
{
    addBorder(2, "Кромка", 0, 5);
    borders->LoadBorders();
    BandedMap map;
    map.sheets = 3;
    map.parts.append({300, 200, 2, 0, 2, 0});   // top and left banded
    const BorderTotals totals = borders->GetMapsBordersLength({map});
    EXPECT_EQ(totals.total(2), 3 * (305 + 205));
    EXPECT_EQ(totals.total(0), 3 * (300 + 200));

    // The same from a results window's document: hidden tabs do not count.
    MapDocument doc;
    MapTab tab;
    tab.Quantity = 3;
    MapPart part;
    part.RealWidth = 300;
    part.RealHeight = 200;
    part.TopBorder = 2;
    part.LeftBorder = 2;
    tab.Parts.push_back(part);
    doc.Tabs.push_back(tab);
    tab.Visible = false;
    doc.Tabs.push_back(tab);
    EXPECT_EQ(borders->GetMapsBordersLength(doc), totals);
}

TEST_F(Borders, AccountingSaturatesInsteadOfWrapping)
{
    addBorder(1, "x", 0, 2147483647.0);
    borders->LoadBorders();
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    BorderTotals totals;
    borders->AddBorderLength(totals, 2147483647, 1, 2147483647);
    EXPECT_EQ(totals.total(1), qint64(4294967294) * 2147483647);
    for (int i = 0; i < 4; ++i) borders->AddBorderLength(totals, max, 1, max);
    EXPECT_EQ(totals.total(1), max);
    EXPECT_EQ(SatAdd(max, 1), max);
    EXPECT_EQ(SatMul(-max, 2), std::numeric_limits<qint64>::min());
}
