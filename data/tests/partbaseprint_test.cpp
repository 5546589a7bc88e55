// Printing and spreadsheet export of a part base, without the report engine.
#include "data/partbase/partbasedoc.h"
#include "data/partbase/partbaseexport.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/query.h"
#include "platform/db/schema.h"
#include "platform/db/table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QString names(int code)
{
    switch (code) {
    case 3: return "ПВХ 2 мм";
    case 4: return "ПВХ 0.4 мм";
    default: return QString();
    }
}

class PartBasePrint : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    void SetUp() override
    {
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        writeMissingTemplates(paths->PatternFolder());
        SetNumberDigits(2, 3);
    }
    // Parts of materials 1 and 2 and of 7, which the materials base lacks.
    QString materialsAndParts(QString &parts)
    {
        const QString mats = paths->TempFolder() + "mats.dbf";
        QFile::copy(paths->PatternFolder() + "Types.dbf", mats);
        Query::Exec("Insert into " + Query::QuotePath(mats) + " Values(?, ?)", {"ЛДСП", 1});
        Query::Exec("Insert into " + Query::QuotePath(mats) + " Values(?, ?)", {"МДФ", 2});
        parts = paths->TempFolder() + "parts.dbf";
        QFile::copy(paths->GroupTemplateFile(), parts);
        const QList<QVariantList> rows = {{"Б", 100, 50, 2, 0, 0, 0, 0, 0, 1},
                                          {"А", 200, 50, 1, 0, 0, 0, 0, 0, 1},
                                          {"В", 300, 50, 4, 0, 0, 0, 0, 0, 2},
                                          {"Г", 400, 50, 3, 0, 0, 0, 0, 0, 7}};
        for (const QVariantList &r : rows)
            Query::Exec("Insert into " + Query::QuotePath(parts) + " Values(?,?,?,?,?,?,?,?,?,?)", r);
        return mats;
    }
};

} // namespace

TEST_F(PartBasePrint, PrintQueryKeepsPartsOfUnknownMaterials)
{
    QString parts;
    const QString mats = materialsAndParts(parts);
    struct Case { int filter; QStringList rows; int quantity; };
    const QList<Case> cases = {
        {999, {"<не определен>/Г", "ЛДСП/А", "ЛДСП/Б", "МДФ/В"}, 10},
        {1, {"ЛДСП/А", "ЛДСП/Б"}, 3},
        {7, {"<не определен>/Г"}, 3},
    };
    for (const Case &c : cases) {
        Query q;
        q.SetSQL(PartBasePrintSql(parts, mats, c.filter));
        q.Open();
        QStringList rows;
        int quantity = 0;
        for (q.First(); !q.Eof(); q.Next()) {
            rows << q.FieldByName("MatName")->AsString() + "/" + q.FieldByName("Name")->AsString();
            quantity += q.FieldByName("Many")->AsInteger();
        }
        EXPECT_EQ(rows, c.rows) << c.filter;
        EXPECT_EQ(quantity, c.quantity) << c.filter;   // the printed total of the filter
    }
}

TEST_F(PartBasePrint, TemporaryCopyTakesTheFirstFreeNumber)
{
    EXPECT_EQ(FreePrintCopy(paths->TempFolder()), paths->TempFolder() + "prn0.dbf");
    QFile(paths->TempFolder() + "prn0.dbf").open(QIODevice::WriteOnly);
    EXPECT_EQ(FreePrintCopy(paths->TempFolder()), paths->TempFolder() + "prn1.dbf");
}

TEST(PartBasePrintValues, MarginsEdgesAndBordersLines)
{
    struct Margin { int mm, units; };
    for (const Margin m : {Margin{10, 36}, Margin{0, 0}, Margin{5, 18}, Margin{3, 11}, Margin{7, 25}})
        EXPECT_EQ(ReportMargin(m.mm), m.units) << m.mm;

    struct Edge { int first, second; QString text; };
    const QList<Edge> edges = {
        {3, 0, "ПВХ 2 мм"}, {0, 3, "ПВХ 2 мм"}, {3, 4, "ПВХ 2 мм\rПВХ 0.4 мм"}, {4, 3, "ПВХ 0.4 мм\rПВХ 2 мм"},
        {0, 0, ""}, {9, 0, ""}, {9, 4, "ПВХ 0.4 мм"},
    };
    for (const Edge &e : edges) EXPECT_EQ(DetalBordersText(e.first, e.second, names), e.text) << e.first << "," << e.second;

    SetNumberDigits(2, 3);
    EXPECT_EQ(BordersVariable({{0, 500}, {3, 4160}, {9, 100}}, names), "\rКромки: \rПВХ 2 мм: 4.16 м");
    EXPECT_EQ(BordersVariable({{0, 500}}, names), "");
    // The lines follow the order the codes first appear in the part base.
    EXPECT_EQ(BordersVariable({{0, 500}, {3, 4160}, {4, 1000}}, names, {4, 0, 3}),
              "\rКромки: \rПВХ 0.4 мм: 1.00 м\rПВХ 2 мм: 4.16 м");
}

TEST(PartBasePrintValues, VariablesOfAPrint)
{
    SetNumberDigits(2, 1);
    PartBaseTotals t;
    t.quantity = 400;
    t.areaMm2 = 2318400000LL;
    t.perimeterMm = 3896000;
    t.edgeMm = 4160;
    const auto vars = PartBaseReportVariables("База деталей: Кухня.kdx", t, "");
    QMap<QString, QString> m;
    for (const auto &[k, v] : vars) m[k] = v;
    EXPECT_EQ(m["BASENAME"], "База деталей: Кухня.kdx");
    EXPECT_EQ(m["QUANTITY"], "400 шт");
    EXPECT_EQ(m["SQUARE"], "2318.4 кв м");
    EXPECT_EQ(m["PERIMETR"], "3896.00 м");
    EXPECT_EQ(m["BORDERLEN"], "4.16 м");
    EXPECT_EQ(m["Arr_RotateArray_1"], "не поворачивать");
    SetNumberDigits(2, 3);
}

TEST_F(PartBasePrint, SpreadsheetHoldsTitleStatisticsAndTheShownRows)
{
    PartBaseDocument doc(*paths);
    doc.NewGroup();
    Table &t = doc.table();
    for (const QVariantList &r : {QVariantList{"Полка", 600, 300, 2, 1}, QVariantList{"Дверь", 716, 396, 1, 2}}) {
        t.Append();
        t.FieldByName("NAME")->SetValue(r[0]);
        t.FieldByName("LENGTH")->SetValue(r[1]);
        t.FieldByName("WIDTH")->SetValue(r[2]);
        t.FieldByName("MANY")->SetValue(r[3]);
        t.FieldByName("MATERIAL")->SetValue(r[4]);
        t.Post();
    }
    doc.SetMaterialFilter(2);
    t.First();
    MemorySpreadsheet sheet;
    const PartBaseTotalsText totals = FormatTotals(doc.Totals({}));
    ExportPartBase(sheet, "Кухня.kdx", totals,
                   {{"Шифр", "NAME"}, {"Длина", "LENGTH"}, {"Поворот", "RotateName"}}, t);
    struct Cell { int row, col; QString text; };
    const QList<Cell> cells = {
        {1, 1, "База деталей"}, {1, 2, "Кухня.kdx"}, {3, 1, "Статистика"},
        {4, 1, "Количество: "}, {4, 2, "1"}, {4, 3, "шт"},
        {5, 1, "Площадь: "}, {5, 2, "0.284"}, {5, 3, "кв м"},
        {6, 1, "Периметр: "}, {7, 1, "Кромка: "}, {7, 3, "м"},
        {9, 1, "Шифр"}, {9, 3, "Поворот"},
        {10, 1, "Дверь"}, {10, 2, "716"}, {10, 3, "поворачивать"},
    };
    for (const Cell &c : cells) EXPECT_EQ(sheet.Cell(c.row, c.col).toString(), c.text) << c.row << "," << c.col;
    EXPECT_FALSE(sheet.cells.contains({11, 1}));   // only the shown part
    EXPECT_EQ(ExportFileFor(paths->ExportFolder(), ""), paths->ExportFolder() + "База деталей.xlsx");
    EXPECT_EQ(ExportFileFor(paths->ExportFolder(), "/x/Кухня.kdx"), paths->ExportFolder() + "Кухня.xlsx");
}

// An export never replaces a spreadsheet: the next free name is taken.
TEST_F(PartBasePrint, ExportTakesAFreeName)
{
    const QString folder = paths->ExportFolder();
    struct Case { QStringList existing; const char *caption, *expected; };
    const Case cases[] = {
        {{}, "", "База деталей.xlsx"},
        {{"База деталей.xlsx"}, "", "База деталей (1).xlsx"},
        {{"БАЗА ДЕТАЛЕЙ.XLSX", "База деталей (1).xlsx"}, "", "База деталей (2).xlsx"},
        {{"100%.xlsx"}, "/x/100%.kdx", "100% (1).xlsx"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (const QString &name : c.existing) {
            QFile f(QDir(folder).filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(ExportFileFor(folder, QString::fromUtf8(c.caption)), QDir(folder).filePath(QString::fromUtf8(c.expected)));
    }
}
