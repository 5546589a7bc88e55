// The warehouse services: working copies, filters, sheets, off-cuts, marking,
// statistics, changes on copies and saved states.
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/filereplace.h"
#include "data/stock/stock.h"
#include "data/stock/whstates.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/text.h"
#include "platform/testsupport/scoped.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "data/tests/programfolder.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Files may grow only to `bytes` while it lives: a write past it fails half
// done, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit l = m_old;
        l.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

struct Scrap
{
    QString name;
    int length, width, many, code;
    QDate date;
};

class Stock : public ProgramFolderTest
{
protected:
    std::unique_ptr<StockService> stock;

    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        stock = std::make_unique<StockService>(*module, *settings);
        EXPECT_TRUE(stock->OpenCopies().isEmpty());
    }

    void addSheet(int l, int w, int many, int code)
    {
        module->tblSheets->AppendRecord({double(l), double(w), double(many), double(code)});
    }
    void addScrap(const Scrap &s)
    {
        module->tblScraps->AppendRecord({s.name, double(s.length), double(s.width), double(s.many), double(s.code), s.date});
    }
    // Rows of a table file as "name length x width many code" lines.
    static QStringList scrapRows(const QString &file)
    {
        QStringList out;
        Query q;
        q.SetSQL("Select * from " + Query::QuotePath(file) + " a");
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
            out << QString("%1 %2x%3 %4 %5")
                       .arg(q.FieldByName("Name")->AsString())
                       .arg(q.FieldByName("Length")->AsInteger())
                       .arg(q.FieldByName("Width")->AsInteger())
                       .arg(q.FieldByName("Many")->AsInteger())
                       .arg(q.FieldByName("Code")->AsInteger());
        return out;
    }
    QStringList shownScraps()
    {
        QStringList out;
        DataSet &t = *module->tblScraps;
        for (t.First(); !t.Eof(); t.Next())
            out << QString("%1 %2x%3").arg(t.FieldByName("NAME")->AsString()).arg(t.FieldByName("LENGTH")->AsInteger())
                       .arg(t.FieldByName("WIDTH")->AsInteger());
        return out;
    }
};

} // namespace

TEST_F(Stock, AddingSheetsRaisesAnEqualRowOrAppends)
{
    addSheet(2750, 1830, 3, 5);
    stock->SaveSheets();
    struct Case { int l, w, q, code; bool appended; int rows; int manyOfFirst; };
    const Case cases[] = {
        {2750, 1830, 2, 5, false, 1, 5},   // same size and material: quantity raised
        {2750, 1830, 1, 6, true, 2, 5},    // another material: new row
        {1830, 2750, 1, 5, true, 3, 5},    // turned sheet is another size
        {2750, 1830, 4, 5, false, 3, 9},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(stock->AddSheets(c.l, c.w, c.q, c.code), c.appended);
        module->tblSheets->First();
        EXPECT_EQ(module->tblSheets->RecordCount(), c.rows);
        EXPECT_EQ(module->tblSheets->FieldByName("MANY")->AsInteger(), c.manyOfFirst);
    }
    EXPECT_TRUE(stock->SheetsDirty());
}

TEST_F(Stock, NewSheetsAreCheckedInTheDialogsOrder)
{
    struct Case { int l, w, q; bool mat; int field; const char *text; };
    const Case cases[] = {
        {0, 0, 0, false, 0, "Длина листа должна быть больше 0."},
        {10, 0, 0, false, 1, "Ширина листа должна быть больше 0."},
        {10, 10, 0, false, 2, "Количество листов должно быть больше 0."},
        {10, 10, 1, false, 3, "Необходимо указать название материала листа."},
        {10, 10, 1, true, -1, ""},
    };
    for (const Case &c : cases) {
        int field = 99;
        EXPECT_EQ(CheckNewSheets(c.l, c.w, c.q, c.mat, &field), QString::fromUtf8(c.text));
        EXPECT_EQ(field, c.field);
    }
    EXPECT_THROW(stock->AddSheets(10, 10, 1, kAllMaterials), Error);
}

TEST_F(Stock, NewRowsTakeTheShownMaterialOrTheDefaultOne)
{
    settings->Set(key::DefMaterial, 7);
    struct Case { int shown; int expected; };
    for (const Case &c : {Case{kAllMaterials, 7}, Case{3, 3}}) {
        stock->SetCurrentMaterial(c.shown);
        for (DataSet *t : {static_cast<DataSet *>(module->tblSheets), static_cast<DataSet *>(module->tblScraps)}) {
            t->Append();
            EXPECT_EQ(t->FieldByName("CODE")->AsInteger(), c.expected);
            t->Cancel();
        }
    }
}

TEST_F(Stock, MaterialAndDateFiltersCombine)
{
    const QDate d1(2024, 3, 1), d2(2024, 3, 10), d3(2024, 4, 1);
    addScrap({"a", 100, 100, 1, 1, d1});
    addScrap({"b", 200, 100, 1, 1, d2});
    addScrap({"c", 300, 100, 1, 2, d2});
    addScrap({"d", 400, 100, 1, 2, d3});
    struct Case { int material; std::optional<DateRange> range; QStringList names; };
    const Case cases[] = {
        {kAllMaterials, std::nullopt, {"a", "b", "c", "d"}},
        {1, std::nullopt, {"a", "b"}},
        {kAllMaterials, DateRange{d2, d3}, {"b", "c", "d"}},   // date condition alone
        {2, DateRange{d1, d2}, {"c"}},
        {1, DateRange{d2, d2}, {"b"}},                          // one day, both ends included
    };
    for (const Case &c : cases) {
        stock->SetCurrentMaterial(c.material);
        stock->SetDateFilter(c.range);
        QStringList names;
        for (const QString &r : shownScraps()) names << r.section(' ', 0, 0);
        EXPECT_EQ(names, c.names) << c.material;
        EXPECT_EQ(stock->Filter().StatusText().isEmpty(), !c.range);
    }
    stock->SetDateFilter(DateRange{d1, d3});
    EXPECT_EQ(stock->Filter().StatusText(), "Установлен фильтр (с 01.03.2024 по 01.04.2024 )");
}

TEST_F(Stock, DateRangesThatCannotFilterAreRefused)
{
    struct Case { const char *from, *to; bool ok; };
    const Case cases[] = {
        {"01.03.2024", "31.03.2024", true},
        {"31.02.2024", "31.03.2024", false},   // no such day
        {"01.03.2024", "", false},
        {"05.03.2024", "04.03.2024", false},   // from after to
        {"04.03.2024", "04.03.2024", true},
    };
    for (const Case &c : cases) {
        QString msg;
        EXPECT_EQ(ParseDateRange(c.from, c.to, &msg).has_value(), c.ok) << c.from << " " << c.to;
        EXPECT_EQ(msg.isEmpty(), c.ok);
    }
    const std::optional<DateRange> kept = DateRange{QDate(2024, 1, 1), QDate(2024, 2, 1)};
    stock->SetDateFilter(kept);
    EXPECT_THROW(stock->SetDateFilter(DateRange{QDate(2024, 5, 2), QDate(2024, 5, 1)}), Error);
    EXPECT_EQ(stock->Filter().dates->from, kept->from);   // the previous filter stays
}

TEST_F(Stock, MarkingRestartsOrContinuesAndSkipsCodesInUse)
{
    const QDate d(2024, 3, 5);
    addScrap({"П2", 1, 1, 1, 4, d});     // taken for material 4
    addScrap({"П1", 2, 1, 1, 5, d});     // another material: not in the way
    addScrap({"", 3, 1, 1, 4, d});
    addScrap({"", 4, 1, 1, 4, d});
    stock->SetCurrentMaterial(4);
    struct Case { bool numbering; int maxNumber; QStringList names; int written; };
    const Case cases[] = {
        {false, 0, {"П2", "П1", "П3"}, 0},   // restarts at 1, skips П2
        {true, 6, {"П2", "П7", "П8"}, 8},    // continues after the last number, which advances
    };
    for (const Case &c : cases) {
        Query::Exec("Update " + Query::QuotePath(paths->TempScrapsTable()) + " a Set a.\"Name\"='' Where a.\"Length\">2");
        module->tblScraps->Refresh();
        settings->Ini().WriteString("Material4", "Mark", "");
        const TMarkSettings m{c.numbering, "П", "", c.maxNumber};
        EXPECT_EQ(stock->MarkScraps(m, 4), 2);
        QStringList names;
        for (const QString &r : shownScraps()) names << r.section(' ', 0, 0);
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(UnpackMarkSettings(settings->Ini(), "Material4").MarkMaxNumber, c.written);
        EXPECT_TRUE(stock->ScrapsDirty());
    }
}

TEST_F(Stock, MarkingRefusesCodesItCannotGiveAndChangesNothing)
{
    addScrap({"", 3, 1, 1, 4, QDate(2024, 3, 5)});
    addScrap({"", 4, 1, 1, 4, QDate(2024, 3, 5)});
    stock->SaveScraps();
    const QByteArray before = bytesOf(paths->TempScrapsTable());
    struct Case { TMarkSettings mark; };
    const Case cases[] = {
        {{false, "ОСТАТОК-ДСП-", "-СКЛАД-А", 0}},   // 21 characters: never cut to 20
        {{true, "", "", 2147483646}},            // the second code would pass the largest number
    };
    for (const Case &c : cases) {
        try {
            stock->MarkScraps(c.mark, 4);
            ADD_FAILURE() << "no error";
        } catch (const Error &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_EQ(bytesOf(paths->TempScrapsTable()), before);
    }
}

TEST_F(Stock, WasteDeletionCombinedOrSeparate)
{
    const QDate d(2024, 3, 5);
    auto fill = [&] {
        stock->ClearScraps(kAllMaterials);
        addScrap({"short", 100, 900, 1, 1, d});
        addScrap({"narrow", 900, 100, 1, 1, d});
        addScrap({"small", 200, 200, 1, 1, d});
        addScrap({"both", 100, 100, 1, 1, d});
        addScrap({"big", 900, 900, 1, 1, d});
        addScrap({"other", 100, 100, 1, 2, d});
    };
    struct Case { TScrapSettings limits; QStringList left; };
    TScrapSettings sep;
    sep.CheckLength = true, sep.Length = 150, sep.CheckHeight = true, sep.Height = 150;
    TScrapSettings comb = sep;
    comb.CheckLogicSumma = true;
    TScrapSettings area;
    area.CheckSquare = true, area.Square = 50000, area.CheckSquareWidth = true, area.SquareWidth = 150;
    TScrapSettings none;
    const Case cases[] = {
        {sep, {"small", "big", "other"}},                       // either test deletes
        {comb, {"short", "narrow", "small", "big", "other"}},   // both tests must hold
        {area, {"short", "narrow", "small", "big", "other"}},   // area below and length below 150
        {none, {"short", "narrow", "small", "both", "big", "other"}},
    };
    for (const Case &c : cases) {
        fill();
        stock->DeleteWaste(1, c.limits);
        QStringList names;
        for (const QString &r : scrapRows(paths->TempScrapsTable())) names << r.section(' ', 0, 0);
        EXPECT_EQ(names, c.left);
    }
}

TEST_F(Stock, WasteDeletionAndClearingReportAFailedStatement)
{
    TScrapSettings s;
    s.CheckLength = true, s.Length = 10;
    module->tblScraps->Close();
    QFile::remove(paths->TempScrapsTable());
    EXPECT_THROW(stock->DeleteWaste(1, s), Error);
    EXPECT_THROW(stock->ClearScraps(1), Error);
}

TEST_F(Stock, ClearingOneMaterialOrAll)
{
    const QDate d(2024, 3, 5);
    addScrap({"a", 1, 1, 1, 1, d});
    addScrap({"b", 1, 1, 1, 2, d});
    stock->SaveScraps();
    stock->ClearScraps(1);
    EXPECT_EQ(scrapRows(paths->TempScrapsTable()), QStringList{"b 1x1 1 2"});
    EXPECT_TRUE(stock->ScrapsDirty());
    stock->ClearScraps(-1);   // no material: nothing
    EXPECT_EQ(scrapRows(paths->TempScrapsTable()).size(), 1);
    stock->ClearScraps(kAllMaterials);
    EXPECT_TRUE(scrapRows(paths->TempScrapsTable()).isEmpty());
}

TEST_F(Stock, EqualOffCutsMergeIntoOneRow)
{
    const QDate d(2024, 3, 5);
    addScrap({"x", 500, 400, 1, 1, d});
    addScrap({"x", 500, 400, 2, 1, d});
    addScrap({"x", 500, 400, 1, 2, d});            // other material
    addScrap({"x", 500, 400, 1, 1, d.addDays(1)}); // other date
    stock->SaveScraps();
    stock->MergeEqualScraps();
    QStringList rows = scrapRows(paths->TempScrapsTable());
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"x 500x400 1 1", "x 500x400 1 2", "x 500x400 3 1"}));
    EXPECT_TRUE(stock->ScrapsDirty());
    EXPECT_TRUE(module->tblScraps->Active());
    EXPECT_FALSE(QFileInfo::exists(paths->TempFolder() + "$$$.dbf"));
}

TEST_F(Stock, LabelListsHaveOneEntryPerPiece)
{
    addScrap({"A1", 500, 400, 2, 1, QDate(2024, 3, 5)});
    addScrap({"B1", 300, 200, 1, 9, QDate(2024, 3, 5)});
    const ScrapLabelLists l = stock->FillScrapsLabelLists([](int c) { return c == 1 ? QString("ДСП") : UnknownMaterialName(c); });
    EXPECT_EQ(l.names, (QStringList{"A1", "A1", "B1"}));
    EXPECT_EQ(l.sizes, (QStringList{"500 x 400", "500 x 400", "300 x 200"}));
    EXPECT_EQ(l.materials[2], UnknownMaterialName(9));
    EXPECT_EQ(l.remarks, (QStringList{"", "", ""}));
}

TEST_F(Stock, StatisticsKeepUnknownMaterialsAndPendingEdits)
{
    addSheet(1000, 1000, 2, 1);      // 2 m²
    addSheet(2000, 1000, 1, 42);     // material 42 is not in the base
    addScrap({"a", 500, 500, 4, 1, QDate(2024, 3, 5)});   // 1 m²
    module->tblSheets->Append();
    module->tblSheets->FieldByName("LENGTH")->SetAsFloat(1000);
    module->tblSheets->FieldByName("WIDTH")->SetAsFloat(500);
    module->tblSheets->FieldByName("MANY")->SetAsFloat(2);
    module->tblSheets->FieldByName("CODE")->SetAsFloat(2);   // not posted yet
    const QList<StockStatRow> rows = stock->Statistics({{2, "Фанера"}, {1, "ДСП"}});
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].material, "ДСП");
    EXPECT_DOUBLE_EQ(rows[0].shSquare, 2);
    EXPECT_DOUBLE_EQ(rows[0].scSquare, 1);
    EXPECT_EQ(rows[1].material, "Фанера");
    EXPECT_DOUBLE_EQ(rows[1].shSquare, 1);
    EXPECT_EQ(rows[2].code, 42);
    EXPECT_FALSE(rows[2].known);
    EXPECT_DOUBLE_EQ(rows[2].shSquare, 2);
}

TEST_F(Stock, PrintListKeepsRowsOfUnknownMaterials)
{
    Query::Exec("Insert into " + Query::QuotePath(paths->OwnMaterialsTable()) + " Values(?, ?)", {"ДСП", 1});
    addSheet(1000, 1000, 2, 1);
    addSheet(2000, 1000, 1, 42);
    Query q;
    q.SetSQL(stock->PrintListSQL(false, paths->OwnMaterialsTable()));
    q.Open();
    QStringList names;
    for (q.First(); !q.Eof(); q.Next()) names << q.FieldByName("MatName")->AsString();
    EXPECT_EQ(names, (QStringList{"<неизвестный материал, код 42>", "ДСП"}));
    stock->SetCurrentMaterial(1);
    q.SetSQL(stock->PrintListSQL(false, paths->OwnMaterialsTable()));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
}

TEST_F(Stock, ASaveThatFailsMidwayLeavesTheStockTableWhole)
{
    addSheet(1, 1, 1, 1);
    stock->SaveSheets();
    const QByteArray before = bytesOf(paths->SheetsTable());
    for (int i = 0; i < 40; ++i) addSheet(1000 + i, 1000, 1, 1);
    {
        FileSizeLimit limit(before.size() + 100);
        EXPECT_THROW(stock->SaveSheets(), Error);
    }
    EXPECT_EQ(bytesOf(paths->SheetsTable()), before);
    EXPECT_TRUE(stock->SheetsDirty());
    stock->SaveSheets();
    EXPECT_EQ(bytesOf(paths->SheetsTable()), bytesOf(paths->TempSheetsTable()));
    EXPECT_FALSE(stock->SheetsDirty());
}

TEST_F(Stock, AFullDiskIsNamedAndTheStockTableKept)
{
    addSheet(1, 1, 1, 1);
    stock->SaveSheets();
    const QByteArray before = bytesOf(paths->SheetsTable());
    addSheet(2800, 2070, 5, 1);
    {
        const auto full = test::ScopedHook(&SetWriteErrorHook, [](const QString &) { return ENOSPC; });
        try {
            stock->SaveSheets();
            ADD_FAILURE() << "saved on a full disk";
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), "Ошибка сохранения базы стандартных листов.\rОшибка записи файла \"" +
                                       QDir::toNativeSeparators(paths->SheetsTable()) +
                                       "\".\rНедостаточно места на диске.");
        }
    }
    EXPECT_EQ(bytesOf(paths->SheetsTable()), before);
    EXPECT_TRUE(stock->SheetsDirty());
}

TEST_F(Stock, CloseQuestionPerTable)
{
    struct Case { StockAnswer sheets, scraps; bool allowed; int sheetRows, scrapRows; };
    const Case cases[] = {
        {StockAnswer::No, StockAnswer::No, true, 1, 0},          // No discards the edits
        {StockAnswer::Yes, StockAnswer::Yes, true, 2, 1},
        {StockAnswer::Cancel, StockAnswer::Yes, false, 3, 2},    // a later Yes does not lift the Cancel
    };
    addSheet(1, 1, 1, 1);
    stock->SaveSheets();
    for (const Case &c : cases) {
        addSheet(2, 2, 1, 1);
        addScrap({"s", 2, 2, 1, 1, QDate(2024, 3, 5)});
        QStringList asked;
        const bool allowed = stock->CloseQuery(
            [&](const QString &q) {
                asked << q;
                return asked.size() == 1 ? c.sheets : c.scraps;
            },
            nullptr);
        EXPECT_EQ(allowed, c.allowed);
        EXPECT_EQ(asked.size(), 2);
        EXPECT_EQ(module->tblSheets->RecordCount(), c.sheetRows);
        EXPECT_EQ(module->tblScraps->RecordCount(), c.scrapRows);
        EXPECT_EQ(stock->SheetsDirty(), !c.allowed);
    }
}

TEST_F(Stock, AChangeOnCopiesReachesTheWorkingCopiesOnlyWhenCommitted)
{
    addScrap({"a", 1, 1, 1, 1, QDate(2024, 3, 5)});
    stock->SaveScraps();
    const QByteArray before = bytesOf(paths->TempScrapsTable());
    {
        auto change = stock->BeginChange();
        Query::Exec("Delete from " + Query::QuotePath(change->ScrapsFile()) + " a");
    }   // dropped
    EXPECT_EQ(bytesOf(paths->TempScrapsTable()), before);
    EXPECT_FALSE(stock->ScrapsDirty());

    auto change = stock->BeginChange();
    Query::Exec("Delete from " + Query::QuotePath(change->ScrapsFile()) + " a");
    change->Commit();
    EXPECT_EQ(module->tblScraps->RecordCount(), 0);
    EXPECT_TRUE(stock->ScrapsDirty());
    EXPECT_FALSE(stock->SheetsDirty());   // unchanged table, flag untouched
    change.reset();
    EXPECT_FALSE(QFileInfo::exists(paths->TempFolder() + "TempSc~.dbf"));
}

TEST_F(Stock, FilesReplacedTogetherOrNotAtAll)
{
    const QString a = paths->TempFolder() + "a.bin", b = paths->TempFolder() + "b.bin";
    const QString na = paths->TempFolder() + "na.bin", nb = paths->TempFolder() + "nb.bin";
    auto write = [](const QString &p, const QByteArray &d) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(d);
    };
    write(a, "old a");
    write(b, "old b");
    write(na, QByteArray(50, 'a'));
    write(nb, QByteArray(5000, 'b'));
    {
        FileSizeLimit limit(1000);   // the second new content cannot be written
        EXPECT_THROW(ReplaceFilesTogether({{na, a}, {nb, b}}), Error);
    }
    EXPECT_EQ(bytesOf(a), "old a");
    EXPECT_EQ(bytesOf(b), "old b");
    EXPECT_EQ(QDir(paths->TempFolder()).entryList({"*~"}, QDir::Files | QDir::Hidden), QStringList());
    ReplaceFilesTogether({{na, a}, {nb, b}});
    EXPECT_EQ(bytesOf(b).size(), 5000);
}

// ---- saved states

TEST_F(Stock, StateNumbersReuseTheSmallestFree)
{
    WareHouseStates states(*paths);
    for (const char *r : {"один", "два", "три"}) states.Save(r);
    EXPECT_EQ(states.Sections(), (QList<int>{1, 2, 3}));
    states.Delete(2);
    EXPECT_FALSE(QFileInfo::exists(states.SheetsFile(2)));
    EXPECT_FALSE(QFileInfo::exists(states.ScrapsFile(2)));
    EXPECT_EQ(states.Save("новое"), 2);
    const QList<WareHouseState> list = states.List();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[2].number, 2);   // listed after 3
    EXPECT_EQ(list[2].remark, "новое");
    states.SetRemark(2, "Склад, \"итог\"");
    EXPECT_EQ(states.List()[2].remark, "Склад, \"итог\"");
    for (int n : {1, 3, 2}) states.Delete(n);
    EXPECT_TRUE(states.Sections().isEmpty());
    TIniFile ini(paths->WHSaveIniFile());
    EXPECT_EQ(ini.ReadString("Root", "Sections", "x"), "");
}

TEST_F(Stock, AStateThatCannotBeCopiedLeavesTheIndexAlone)
{
    WareHouseStates states(*paths);
    states.Save("первое");
    for (int i = 0; i < 40; ++i) addScrap({"s", 100 + i, 100, 1, 1, QDate(2024, 3, 5)});
    stock->SaveScraps();
    {
        FileSizeLimit limit(bytesOf(paths->SheetsTable()).size() + 100);
        try {
            states.Save("второе");
            ADD_FAILURE();
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), "Ошибка сохранения состояния склада.");
        }
    }
    EXPECT_EQ(states.Sections(), QList<int>{1});
    EXPECT_FALSE(QFileInfo::exists(states.SheetsFile(2)));
    EXPECT_FALSE(QFileInfo::exists(states.ScrapsFile(2)));
}

TEST_F(Stock, SavingAStateOffersUnsavedEditsFirst)
{
    WareHouseStates states(*paths);
    struct Case { StockAnswer answer; std::optional<QString> remark; int number; int sheetsInState; };
    const Case cases[] = {
        {StockAnswer::Cancel, QString("x"), 0, -1},
        {StockAnswer::No, std::nullopt, 0, -1},          // remark dialog cancelled
        {StockAnswer::No, QString("без правки"), 1, 0},   // state from the stock tables
        {StockAnswer::Yes, QString("с правкой"), 2, 1},
    };
    addSheet(1, 1, 1, 1);
    for (const Case &c : cases) {
        const int n = SaveWareHouseState(*stock, states, [&](const QString &) { return c.answer; },
                                         [&] { return c.remark; });
        EXPECT_EQ(n, c.number);
        if (n) {
            Query q;
            q.SetSQL("Select * from " + Query::QuotePath(states.SheetsFile(n)) + " a");
            q.Open();
            EXPECT_EQ(q.RecordCount(), c.sheetsInState);
        }
    }
}

TEST_F(Stock, RestoreOverwritesStockAndWorkingCopies)
{
    WareHouseStates states(*paths);
    addSheet(2750, 1830, 5, 1);
    addScrap({"A", 500, 400, 1, 1, QDate(2024, 3, 5)});
    stock->SaveSheets();
    stock->SaveScraps();
    states.Save("утро");
    addSheet(100, 100, 1, 1);             // unsaved edit, gone after the restore
    addScrap({"B", 1, 1, 1, 1, QDate(2024, 3, 6)});
    stock->SaveScraps();
    ASSERT_TRUE(RestoreWareHouseState(*stock, states, 1, [](const QString &) { return StockAnswer::No; },
                                      [] { return std::optional<QString>(); }));
    for (const QString &f : {paths->SheetsTable(), paths->TempSheetsTable()}) EXPECT_EQ(bytesOf(f), bytesOf(states.SheetsFile(1)));
    for (const QString &f : {paths->ScrapsTable(), paths->TempScrapsTable()}) EXPECT_EQ(bytesOf(f), bytesOf(states.ScrapsFile(1)));
    EXPECT_EQ(module->tblSheets->RecordCount(), 1);
    EXPECT_EQ(module->tblScraps->RecordCount(), 1);
    EXPECT_FALSE(stock->SheetsDirty());
    EXPECT_FALSE(stock->ScrapsDirty());
}

TEST_F(Stock, RestoreIsNotCarriedOutWithoutTheBackupAskedFor)
{
    WareHouseStates states(*paths);
    states.Save("пусто");
    addSheet(2750, 1830, 5, 1);
    stock->SaveSheets();
    const QByteArray stockBefore = bytesOf(paths->SheetsTable());
    // Yes to the backup, then the remark dialog is cancelled: no backup, no restore.
    EXPECT_FALSE(RestoreWareHouseState(*stock, states, 1, [](const QString &) { return StockAnswer::Yes; },
                                       [] { return std::optional<QString>(); }));
    EXPECT_EQ(bytesOf(paths->SheetsTable()), stockBefore);
    // Yes, and the backup copy fails.
    for (int i = 0; i < 40; ++i) addSheet(1000 + i, 1000, 1, 1);
    stock->SaveSheets();
    const QByteArray bigStock = bytesOf(paths->SheetsTable());
    {
        FileSizeLimit limit(bigStock.size() / 2);
        EXPECT_THROW(RestoreWareHouseState(*stock, states, 1, [](const QString &) { return StockAnswer::Yes; },
                                           [] { return std::optional<QString>("копия"); }),
                     Error);
    }
    EXPECT_EQ(bytesOf(paths->SheetsTable()), bigStock);
    EXPECT_EQ(states.Sections(), QList<int>{1});
}

TEST_F(Stock, ARestoreThatFailsMidwayKeepsStockAndWorkingCopiesAsTheyWere)
{
    WareHouseStates states(*paths);
    for (int i = 0; i < 60; ++i) addScrap({"s", 100 + i, 100, 1, 1, QDate(2024, 3, 5)});
    stock->SaveScraps();
    states.Save("много остатков");    // small sheets file, large off-cuts file
    stock->ClearScraps(kAllMaterials);
    addSheet(7, 7, 7, 1);
    stock->SaveScraps();
    stock->SaveSheets();
    const QString files[] = {paths->SheetsTable(), paths->TempSheetsTable(), paths->ScrapsTable(), paths->TempScrapsTable()};
    QByteArray before[4];
    for (int i = 0; i < 4; ++i) before[i] = bytesOf(files[i]);
    {
        FileSizeLimit limit(bytesOf(states.SheetsFile(1)).size() + 100);
        EXPECT_THROW(stock->RestoreFrom(states.SheetsFile(1), states.ScrapsFile(1)), Error);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bytesOf(files[i]), before[i]) << files[i].toStdString();
    EXPECT_TRUE(module->tblSheets->Active());
    EXPECT_EQ(module->tblSheets->RecordCount(), 1);
}

// A damaged stock table, found at start (the module opens it) or when the
// warehouse opens it later: one message naming the file and the reason, the
// file kept byte for byte, the other table usable. A table cut short opens
// with its whole records, and its save keeps the longer file beside it.
TEST_F(Stock, DamagedStockTablesAreReportedAndKept)
{
    for (int i = 0; i < 3; ++i) addSheet(2750, 1830 - i, i + 1, 5);
    addScrap({"A1", 600, 300, 1, 5, QDate(2024, 3, 5)});
    addScrap({"A2", 700, 300, 2, 5, QDate(2024, 3, 5)});
    addScrap({"A3", 800, 300, 3, 5, QDate(2024, 3, 5)});
    stock->SaveSheets();
    stock->SaveScraps();
    const QByteArray good[2] = {bytesOf(paths->SheetsTable()), bytesOf(paths->ScrapsTable())};
    const int rows = 3;

    auto withCount = [](QByteArray b, quint32 n) {
        for (int i = 0; i < 4; ++i) b[4 + i] = char((n >> (8 * i)) & 0xFF);
        return b;
    };
    struct Case
    {
        const char *what;
        std::function<QByteArray(const QByteArray &, int recordLen)> damage;
        const char *reason;
        int whole;   // -1: the table cannot be opened
    };
    const Case cases[] = {
        {"cut at 10 bytes", [](const QByteArray &b, int) { return b.left(10); }, "заголовок таблицы неполон", -1},
        {"cut inside the field list", [](const QByteArray &b, int) { return b.left(40); }, "заголовок таблицы неполон", -1},
        {"not a table",
         [](const QByteArray &b, int) {
             QByteArray x = b;
             x[0] = '\0';
             return x;
         },
         "не является таблицей dBASE", -1},
        {"cut inside a record",
         [](const QByteArray &b, int len) { return b.left(b.size() - 1 - len - len / 2); }, "обрезан внутри записи", 1},
        {"record count beyond the file", [&](const QByteArray &b, int) { return withCount(b, 10); },
         "в заголовке записей больше, чем в файле", rows},
    };
    for (const bool scraps : {false, true}) {
        const QString live = scraps ? paths->ScrapsTable() : paths->SheetsTable();
        Table &mine = scraps ? *module->tblScraps : *module->tblSheets;
        Table &other = scraps ? *module->tblSheets : *module->tblScraps;
        const int recordLen = int(DbfFile::parse(good[scraps], live, false).recordLength());
        for (const Case &c : cases) {
            for (const bool atStart : {true, false}) {
                SCOPED_TRACE(std::string(scraps ? "off-cuts, " : "sheets, ") + c.what + (atStart ? ", at start" : ", at open"));
                for (const bool s : {false, true}) {
                    QFile f(s ? paths->ScrapsTable() : paths->SheetsTable());
                    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                    f.write(good[s]);
                }
                ASSERT_TRUE(stock->OpenCopies().isEmpty());
                const QByteArray damaged = c.damage(good[scraps], recordLen);
                {
                    QFile f(live);
                    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                    f.write(damaged);
                }
                QStringList said;
                if (atStart) {
                    try {
                        scraps ? module->OpenScrapsCopy() : module->OpenSheetsCopy();
                    } catch (const Error &e) {
                        said << e.message();
                    }
                    if (const QString n = module->TakeNotice(scraps); !n.isEmpty()) said << n;
                } else {
                    said = stock->OpenCopies();
                }
                ASSERT_EQ(said.size(), 1);
                EXPECT_TRUE(said[0].contains(QDir::toNativeSeparators(live))) << said[0].toStdString();
                EXPECT_TRUE(said[0].contains(QString::fromUtf8(c.reason))) << said[0].toStdString();
                // Said once: the warehouse opening after the start adds nothing.
                EXPECT_TRUE(stock->OpenCopies().isEmpty());
                EXPECT_EQ(bytesOf(live), damaged);
                ASSERT_TRUE(other.Active());
                EXPECT_EQ(other.RecordCount(), rows);
                if (c.whole < 0) {
                    EXPECT_FALSE(mine.Active());
                    EXPECT_TRUE(said[0].startsWith(scraps ? "Ошибка открытия базы отходов\r"
                                                          : "Ошибка открытия базы листов\r"));
                    EXPECT_THROW(scraps ? stock->SaveScraps() : stock->SaveSheets(), Error);
                    EXPECT_THROW(stock->BeginChange(), Error);
                    if (scraps) EXPECT_THROW(stock->ClearScraps(kAllMaterials), Error);
                    else EXPECT_THROW(stock->AddSheets(100, 100, 1, 5), Error);
                    EXPECT_EQ(bytesOf(live), damaged);
                    EXPECT_FALSE(stock->SheetsDirty() || stock->ScrapsDirty());
                    // The other table saves as usual.
                    scraps ? stock->SaveSheets() : stock->SaveScraps();
                    EXPECT_EQ(bytesOf(scraps ? paths->SheetsTable() : paths->ScrapsTable()), good[!scraps]);
                    continue;
                }
                ASSERT_TRUE(mine.Active());
                EXPECT_EQ(mine.RecordCount(), c.whole);
                const QString kept = TModule::ShortenedCopyOf(live);
                EXPECT_TRUE(said[0].contains(QDir::toNativeSeparators(kept))) << said[0].toStdString();
                scraps ? stock->SaveScraps() : stock->SaveSheets();
                EXPECT_EQ(bytesOf(kept), damaged);
                EXPECT_EQ(DbfFile::read(live).rows.size(), c.whole);
                QFile::remove(kept);
            }
        }
    }
}
