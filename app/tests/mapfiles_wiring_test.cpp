// The map-file and acceptance commands of the results window as the main
// window wires them: save and reopen, accept into the warehouse (with and
// without its window, and without the stock service), the INI
// export, and a failed open that leaves no window.
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "app/stock/warehouse.h"
#include "data/datamodule.h"
#include "data/maps/mapfiles.h"
#include "data/materials/materials.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/stock/accept.h"
#include "data/stock/stock.h"
#include "engine/raskroy.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"
#include "widgets/outlooklist.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;
using namespace kv::engine;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Rows of a table file as "name length width many code" lines.
QStringList rowsOf(const QString &file, bool scraps)
{
    QStringList out;
    Query q;
    q.SetSQL("Select * from " + Query::QuotePath(file) + " a");
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        QString line = scraps ? q.FieldByName("NAME")->AsString().trimmed() + ' ' : QString();
        for (const char *f : {"LENGTH", "WIDTH", "MANY", "CODE"})
            line += QString::number(q.FieldByName(f)->AsInteger()) + ' ';
        out << line.trimmed();
    }
    return out;
}

class MapFilesWiring : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    kv::test::FakeUi ui;
    std::unique_ptr<TMainForm> form;
    std::vector<FileChoice> &asked = ui.files;
    QString answer; // what the file dialogs return

    void SetUp() override
    {
        PrepareProgramFolder(tmp.path());
        form = std::make_unique<TMainForm>(Paths(tmp.path()), ui);
        form->CreateDataModule();
        WireShell(*form);
        form->resize(1000, 760);
        {
            kv::test::ScopedAnswers quiet(ui);
            form->show();
        }
        ui.onFile = [this](const FileChoice &) { return answer; };
    }
    void TearDown() override
    {
        for (TMdiChild *c : form->Children())
            c->SetShuttingDown();
        form.reset();
    }

    QList<TFormSheets *> resultsWindows() const
    {
        QList<TFormSheets *> out;
        for (TMdiChild *c : form->Children())
            if (auto *w = qobject_cast<TFormSheets *>(c))
                out << w;
        return out;
    }

    // A results window of a small two-material job with named off-cuts and
    // counted standard sheets, as a finished run leaves it.
    TFormSheets *jobWindow()
    {
        auto *w = qobject_cast<TFormSheets *>(form->CreateResultsWindow(false));
        EXPECT_NE(w, nullptr);
        int32_t n = 0;
        for (int material : {7, 12}) {
            TRaskroy e;
            e.ResetRaskroy();
            e.P.StdSheetLength = 2800;
            e.P.StdSheetWidth = 2070;
            e.Detals.Add("Бок", 720, 560, material == 7 ? 6 : 2, 1);
            e.Detals.Add("Полка", 560, 280, 5, 0);
            TDetal &f = e.Detals.Add("Фасад", 716, 396, 3, 2);
            f.LBorder = f.TBorder = 1;
            e.RaskroyFromStock();
            for (int i = 0; i < 10 && !e.Detals.NothingLeft(); ++i) {
                e.RaskroyNextSheet();
                if (e.RaskroyState != rsDone && e.RaskroyState != rsDoneUsedUp)
                    break;
            }
            for (int i = 0; i < e.ResultMaps.Count(); ++i) {
                const TSheetsList &m = *e.ResultMaps.Items(i);
                w->AddMapTab(MapCaption(w->TabCount(), n, m.Quantity, QString::fromStdString(m.Name)), material, m,
                             e.Detals, 4, QStringLiteral("Заказ 5"));
                n += m.Quantity;
            }
        }
        w->SetJobMaterials({7, 12});
        w->UsingSheets().Add(7, 2800, 2070, 4, 5);
        w->EndRun();
        // One usable off-cut with a code of its own.
        for (MapScrap &s : w->Document().Tabs[0].Scraps)
            if (s.ScrapType == stNormalScrap) {
                w->Document().RenameScrap(0, int(&s - w->Document().Tabs[0].Scraps.data()), QStringLiteral("ОСТ-\"9\""));
                break;
            }
        return w;
    }

    int usableScraps(const TFormSheets &w) const
    {
        int n = 0;
        for (const MapTab &t : w.Document().Tabs)
            for (const MapScrap &s : t.Scraps)
                n += s.ScrapType == stNormalScrap;
        return n;
    }
};

TEST_F(MapFilesWiring, SavedMapsReopenAsTheSameDocument)
{
    TFormSheets *w = jobWindow();
    w->SetShowBorders(true);
    w->SetMillLinesMode(2);
    ASSERT_TRUE(w->Document().Modified);
    const QString path = form->Paths().MapsFolder() + QStringLiteral("Заказ 5.map");
    answer = path;
    w->SaveAction->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].title, QStringLiteral("Сохранение карт раскроя"));
    EXPECT_EQ(asked[0].folder, form->Paths().MapsFolder()); // no file yet
    EXPECT_TRUE(asked[0].fileName.isEmpty());
    EXPECT_FALSE(w->Document().Modified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Карты раскроя: Заказ 5.map"));
    const QByteArray saved = bytesOf(path);
    ASSERT_FALSE(saved.isEmpty());

    // Saving again proposes the window's own file.
    answer.clear();
    w->SaveAction->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].fileName, QStringLiteral("Заказ 5.map"));

    answer = path;
    {
        kv::test::ScopedAnswers none(ui);
        form->Action("OpenMapsAction")->trigger();
        EXPECT_TRUE(none.shown().empty());
    }
    EXPECT_EQ(asked.back().title, QStringLiteral("Открытие карт раскроя"));
    EXPECT_EQ(asked.back().folder, form->Paths().MapsFolder());
    const QList<TFormSheets *> windows = resultsWindows();
    ASSERT_EQ(windows.size(), 2);
    TFormSheets *r = windows[1];
    const MapDocument &a = w->Document(), &b = r->Document();
    ASSERT_EQ(b.Tabs.size(), a.Tabs.size());
    for (size_t i = 0; i < a.Tabs.size(); ++i) {
        EXPECT_EQ(b.Tabs[i].Parts, a.Tabs[i].Parts) << i;
        EXPECT_EQ(b.Tabs[i].Scraps, a.Tabs[i].Scraps) << i;
        EXPECT_EQ(b.Tabs[i].Cuts, a.Tabs[i].Cuts) << i;
        EXPECT_EQ(b.Tabs[i].Caption, a.Tabs[i].Caption) << i;
    }
    EXPECT_EQ(b.UsingSheets, a.UsingSheets);
    EXPECT_EQ(b.Display.MillLinesMode, 2);
    EXPECT_TRUE(b.Display.ShowBorders);
    EXPECT_EQ(b.MaterialCodes, (std::vector<int32_t>{7, 12}));
    EXPECT_FALSE(b.Modified);
    EXPECT_EQ(r->PageCount(), int(a.Tabs.size()));
    EXPECT_TRUE(r->pmMillLines->findChild<QAction *>("miMillLines2")->isChecked());
    EXPECT_TRUE(r->BorderAction->isChecked());
    EXPECT_EQ(r->windowTitle(), QStringLiteral("Карты раскроя: Заказ 5.map"));
    EXPECT_GT(r->Scale(), 0.0);
    EXPECT_FALSE(r->ProgressBar()->isVisible());
    EXPECT_EQ(r->Navigator()->Items()->Count(), 3); // all, 7 and 12

    // Saved again from the reopened window: the same bytes.
    const QString again = form->Paths().MapsFolder() + QStringLiteral("again.map");
    answer = again;
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(r->parentWidget()));
    form->updateActions();
    ASSERT_TRUE(form->Action("SaveMapsAction")->isEnabled());
    form->Action("SaveMapsAction")->trigger();
    EXPECT_EQ(bytesOf(again), saved);

    r->resize(900, 640);
    r->grab().save("/tmp/h21-reopened-maps.png");
}

TEST_F(MapFilesWiring, OlderLayoutOpensUnderTheWaitWindowWithItsCutLineMode)
{
    const QString path = form->Paths().MapsFolder() + QStringLiteral("old.map");
    {
        TIniFile ini(path);
        ini.WriteString("Global", "Caption", "Старый вариант");
        ini.WriteInteger("Global", "SheetsCount", 1);
        ini.WriteInteger("Global", "MillState", 2);
        ini.WriteInteger("Sheet1", "MatCode", 7);
        ini.WriteInteger("Sheet1", "Width", 1000);
        ini.WriteInteger("Sheet1", "Heigth", 800);
        ini.WriteInteger("Sheet1", "DetalsCount", 1);
        ini.WriteInteger("Sheet1", "DetWidth1", 600);
        ini.WriteInteger("Sheet1", "DetHeigth1", 800);
        ini.WriteString("Sheet1", "DetTitle1", "Бок");
        ini.WriteInteger("Sheet1", "ScrapsCount", 2);
        ini.WriteInteger("Sheet1", "ScrLeft1", 604);
        ini.WriteInteger("Sheet1", "ScrWidth1", 396);
        ini.WriteInteger("Sheet1", "ScrHeigth1", 800);
        ini.WriteInteger("Sheet1", "ScrLeft2", 900);
        ini.WriteInteger("Sheet1", "ScrWidth2", 100);
        ini.WriteInteger("Sheet1", "ScrHeigth2", 800);
        ini.UpdateFile();
    }
    TScrapSettings limits; // strips narrower than 150 mm are waste
    limits.CheckLength = limits.CheckHeight = true;
    limits.Length = limits.Height = 150;
    PackScrapSettings(form->IniFile(), MaterialSection(7), limits);
    const QByteArray before = bytesOf(path);
    answer = path;
    kv::test::ScopedAnswers none(ui);
    form->Action("OpenMapsAction")->trigger();
    EXPECT_TRUE(none.shown().empty());
    ASSERT_EQ(resultsWindows().size(), 1);
    TFormSheets *r = resultsWindows()[0];
    const MapDocument &d = r->Document();
    ASSERT_EQ(d.Tabs.size(), 1u);
    EXPECT_EQ(d.Caption, QStringLiteral("Старый вариант"));
    EXPECT_EQ(d.Display.MillLinesMode, 2);
    EXPECT_TRUE(r->pmMillLines->findChild<QAction *>("miMillLines2")->isChecked());
    // The recolouring classified the off-cuts the older layout leaves untyped.
    ASSERT_EQ(d.Tabs[0].Scraps.size(), 2u);
    EXPECT_EQ(d.Tabs[0].Scraps[0].ScrapType, stNormalScrap);
    EXPECT_EQ(d.Tabs[0].Scraps[0].Text, QStringLiteral("Остаток"));
    EXPECT_EQ(d.Tabs[0].Scraps[1].ScrapType, stLostScrap);
    EXPECT_EQ(d.MaterialCodes, (std::vector<int32_t>{7}));
    EXPECT_FALSE(d.Modified);
    EXPECT_EQ(bytesOf(path), before); // the reader never writes into it
}

TEST_F(MapFilesWiring, AFailedOpenShowsTheMessageAndLeavesNoWindow)
{
    TFormSheets *w = jobWindow();
    const QString good = form->Paths().MapsFolder() + QStringLiteral("good.map");
    answer = good;
    w->SaveAction->trigger();
    const QByteArray whole = bytesOf(good);
    ASSERT_GT(whole.size(), kMapHeaderSize + kMapSheetRecordSize);

    // The open error names the file, then the reason; the file stays as it was.
    struct Case { const char *name; QByteArray bytes; QString reason; };
    const QString cutRecord = QStringLiteral("Файл карт раскроя обрезан: последняя запись неполна.");
    auto cutHeader = [](int n) {
        return QStringLiteral("Файл карт раскроя обрезан: заголовок неполон (%1 из 318 байт).").arg(n);
    };
    const Case cases[] = {
        {"truncated.map", whole.left(whole.size() - 7), cutRecord},
        {"inrecord.map", whole.left(kMapHeaderSize + 1 + kMapSheetRecordSize / 2), cutRecord},
        // A header cut short is never taken for the older layout (an empty window).
        {"cut10.map", whole.left(10), cutHeader(10)},
        {"cut200.map", whole.left(200), cutHeader(200)},
        {"cut317.map", whole.left(317), cutHeader(317)},
        {"cut3.map", whole.left(3), cutHeader(3)},
        {"badold.map", "[Global]\r\nSheetsCount=1\r\n[Sheet1]\r\nDetalsCount=-3\r\n",
         QStringLiteral("Недопустимое значение DetalsCount=-3 в разделе [Sheet1] файла карт раскроя.")},
        {"missing.map", {}, QStringLiteral("Папка или файл не найдены.")},
    };
    for (const Case &c : cases) {
        const QString path = form->Paths().MapsFolder() + QString::fromLatin1(c.name);
        if (!c.bytes.isEmpty())
            writeAll(path, c.bytes);
        const int children = int(form->Children().size());
        answer = path;
        kv::test::ScopedAnswers answers(ui);
        form->Action("OpenMapsAction")->trigger();
        ASSERT_EQ(answers.shown().size(), 1u) << c.name;
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error) << c.name;
        EXPECT_EQ(answers.shown()[0].text, MapOpenErrorMessage(path) + "\r" + c.reason) << c.name;
        EXPECT_TRUE(answers.shown()[0].text.startsWith(QStringLiteral("Ошибка открытия карт раскроя\rиз файла"))) << c.name;
        EXPECT_EQ(int(form->Children().size()), children) << c.name;
        EXPECT_EQ(form->MdiArea()->subWindowList().size(), children) << c.name;
        EXPECT_EQ(bytesOf(path), c.bytes) << c.name;
    }
}

TEST_F(MapFilesWiring, AcceptingTheVariantChangesTheWarehouseOnce)
{
    auto *wh = qobject_cast<TfrmWareHouse *>(form->ShowWarehouseWindow());
    ASSERT_NE(wh, nullptr);
    TModule &mod = *form->Module();
    mod.tblSheets->AppendRecord({2800.0, 2070.0, 5.0, 7.0});
    wh->PostSheets();
    TFormSheets *w = jobWindow();
    const int usable = usableScraps(*w);
    ASSERT_GT(usable, 0);
    const Paths &p = form->Paths();
    const QByteArray sheets0 = bytesOf(p.TempSheetsTable()), scraps0 = bytesOf(p.TempScrapsTable());

    // No, then a failure (a code longer than its column): nothing changes and
    // the variant can still be accepted.
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::No});
        w->ApplyAction->trigger();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Confirmation);
        EXPECT_TRUE(answers.shown()[0].text.startsWith(QStringLiteral("Принять данный вариант разложения?")));
    }
    MapScrap &first = *std::find_if(w->Document().Tabs[0].Scraps.begin(), w->Document().Tabs[0].Scraps.end(),
                                    [](const MapScrap &s) { return s.ScrapType == stNormalScrap; });
    const QString code = first.ScrapName;
    first.ScrapName = QString(60, QLatin1Char('X'));
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        ASSERT_EQ(answers.shown().size(), 2u);
        EXPECT_EQ(answers.shown()[1].kind, MsgKind::Error);
    }
    EXPECT_EQ(bytesOf(p.TempSheetsTable()), sheets0);
    EXPECT_EQ(bytesOf(p.TempScrapsTable()), scraps0);
    EXPECT_TRUE(w->ApplyAction->isEnabled());
    first.ScrapName = code;

    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        EXPECT_EQ(answers.shown().size(), 1u);
    }
    EXPECT_FALSE(w->ApplyAction->isEnabled());
    EXPECT_TRUE(w->Accepted());
    EXPECT_TRUE(mod.ScrapsModified);
    EXPECT_TRUE(mod.SheetsModified);
    EXPECT_EQ(rowsOf(p.TempSheetsTable(), false), QStringList{"2800 2070 4 7"});
    const QStringList scraps = rowsOf(p.TempScrapsTable(), true);
    EXPECT_FALSE(scraps.isEmpty());
    EXPECT_TRUE(scraps.filter(QStringLiteral("ОСТ-\"9\"")).size() == 1) << scraps.join('|').toStdString();

    // Accepted once per window: the button stays off after a run's end too.
    w->SetToolsEnabled(true);
    EXPECT_FALSE(w->ApplyAction->isEnabled());
    const QByteArray after = bytesOf(p.TempScrapsTable());
    kv::test::ScopedAnswers none(ui);
    w->ApplyAction->trigger();
    EXPECT_TRUE(none.shown().empty());
    EXPECT_EQ(bytesOf(p.TempScrapsTable()), after);
}

// A map file saved after "Принять" and opened again is the same variant:
// accepting it asks first (No leaves the stock), Yes takes it in again. The
// map file is not changed by either acceptance; another variant asks the
// usual question.
TEST_F(MapFilesWiring, ASecondAcceptanceOfTheSameVariantAsksFirst)
{
    auto *wh = qobject_cast<TfrmWareHouse *>(form->ShowWarehouseWindow());
    ASSERT_NE(wh, nullptr);
    TModule &mod = *form->Module();
    mod.tblSheets->AppendRecord({2800.0, 2070.0, 5.0, 7.0});
    wh->PostSheets();
    TFormSheets *w = jobWindow();
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Confirmation);
    }
    ASSERT_TRUE(w->Accepted());
    const QString path = form->Paths().MapsFolder() + QStringLiteral("Принятый.map");
    answer = path;
    w->SaveAction->trigger();
    const QByteArray saved = bytesOf(path);
    ASSERT_FALSE(saved.isEmpty());
    {
        kv::test::ScopedAnswers none(ui);
        form->Action("OpenMapsAction")->trigger();
    }
    ASSERT_EQ(resultsWindows().size(), 2);
    TFormSheets *again = resultsWindows()[1];
    const Paths &p = form->Paths();
    const QByteArray scraps = bytesOf(p.TempScrapsTable()), sheets = bytesOf(p.TempSheetsTable());

    const struct { ModalResult answer; bool accepted; } cases[] = {{ModalResult::No, false}, {ModalResult::Yes, true}};
    for (const auto &c : cases) {
        kv::test::ScopedAnswers answers(ui, {c.answer});
        again->ApplyAction->trigger();
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].kind, MsgKind::Warning);
        EXPECT_TRUE(answers.shown()[0].text.startsWith(QStringLiteral("ВНИМАНИЕ!\r\rЭтот вариант раскроя уже принят на склад")))
            << answers.shown()[0].text.toStdString();
        EXPECT_TRUE(answers.shown()[0].text.endsWith(QString::fromUtf16(kAcceptQuestion)));
        EXPECT_EQ(again->Accepted(), c.accepted);
        EXPECT_EQ(bytesOf(p.TempScrapsTable()) != scraps, c.accepted);
        EXPECT_EQ(bytesOf(path), saved);
    }

    // Another variant (one part moved) is asked the usual question.
    TFormSheets *other = jobWindow();
    other->Document().Tabs[0].Parts[0].RealLeft += 1;
    kv::test::ScopedAnswers answers(ui, {ModalResult::No});
    other->ApplyAction->trigger();
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Confirmation);
}

TEST_F(MapFilesWiring, AcceptedWithoutAWarehouseWindowTheStockIsKeptForTheWindowAndItsSave)
{
    TModule &mod = *form->Module();
    StockService &stock = form->Context().stock();
    mod.tblSheets->AppendRecord({2800.0, 2070.0, 5.0, 7.0});
    stock.PostSheets();
    stock.SaveSheets();
    TFormSheets *w = jobWindow();
    ASSERT_GT(usableScraps(*w), 0);
    const Paths &p = form->Paths();
    const QByteArray liveScraps = bytesOf(p.ScrapsTable());
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        EXPECT_EQ(answers.shown().size(), 1u);
    }
    EXPECT_TRUE(w->Accepted());
    EXPECT_EQ(form->FindChildOfKind(ChildKind::Warehouse), nullptr);   // the service alone took it
    EXPECT_TRUE(mod.SheetsModified && mod.ScrapsModified);
    const QStringList sheets{"2800 2070 4 7"};
    const QStringList scraps = rowsOf(p.TempScrapsTable(), true);
    EXPECT_EQ(rowsOf(p.TempSheetsTable(), false), sheets);
    EXPECT_FALSE(scraps.isEmpty());
    EXPECT_EQ(bytesOf(p.ScrapsTable()), liveScraps);   // not saved yet

    // Opened later, the warehouse shows the accepted stock and still has it to save.
    auto *wh = qobject_cast<TfrmWareHouse *>(form->ShowWarehouseWindow());
    ASSERT_NE(wh, nullptr);
    wh->SetCurrentMaterial(kAllMaterials);
    EXPECT_EQ(mod.tblSheets->RecordCount(), 1);
    EXPECT_EQ(mod.tblScraps->RecordCount(), scraps.size());
    EXPECT_TRUE(mod.SheetsModified && mod.ScrapsModified);
    form->Action(QStringLiteral("SaveSheetsAction"))->trigger();
    form->Action(QStringLiteral("SaveScrapsAction"))->trigger();
    EXPECT_FALSE(mod.SheetsModified || mod.ScrapsModified);
    EXPECT_EQ(rowsOf(p.SheetsTable(), false), sheets);
    EXPECT_EQ(rowsOf(p.ScrapsTable(), true), scraps);
}

TEST_F(MapFilesWiring, StockAcceptedWithNoWarehouseWindowIsAskedForAtTheClose)
{
    TModule &mod = *form->Module();
    StockService &stock = form->Context().stock();
    mod.tblSheets->AppendRecord({2800.0, 2070.0, 5.0, 7.0});
    stock.PostSheets();
    stock.SaveSheets();
    const Paths &p = form->Paths();
    const auto accept = [&] {
        MapDocument doc;
        doc.UsingSheets.Add(7, 2800, 2070, 3, 5);
        AcceptVariant(stock, form->Settings(), doc, QDate(2024, 3, 5));
        ASSERT_TRUE(mod.SheetsModified);
    };
    const QString question = QStringLiteral("Сохранить изменения в базе стандартных листов?");
    struct Case { ModalResult answer; bool closes; QStringList live; };
    const Case cases[] = {
        {ModalResult::Cancel, false, {"2800 2070 5 7"}},
        {ModalResult::No, true, {"2800 2070 5 7"}},
        {ModalResult::Yes, true, {"2800 2070 3 7"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.answer));
        accept();
        kv::test::ScopedAnswers answers(ui, {c.answer});
        EXPECT_EQ(form->CanClose(), c.closes);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, question);
        EXPECT_EQ(mod.SheetsModified, !c.closes);
        EXPECT_EQ(rowsOf(p.SheetsTable(), false), c.live);
        if (!c.closes) stock.ReloadSheets();
    }
}

TEST_F(MapFilesWiring, AnOpenWarehouseWindowShowsTheAcceptedOffCutsAtOnce)
{
    auto *wh = qobject_cast<TfrmWareHouse *>(form->ShowWarehouseWindow());
    ASSERT_NE(wh, nullptr);
    wh->SetCurrentMaterial(kAllMaterials);
    TModule &mod = *form->Module();
    ASSERT_EQ(mod.tblScraps->RecordCount(), 0);
    TFormSheets *w = jobWindow();
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        EXPECT_EQ(answers.shown().size(), 1u);
    }
    EXPECT_EQ(wh->CurrentMaterial(), kAllMaterials);
    EXPECT_EQ(mod.tblScraps->RecordCount(), rowsOf(form->Paths().TempScrapsTable(), true).size());
    EXPECT_GT(mod.tblScraps->RecordCount(), 0);
}

TEST_F(MapFilesWiring, WithoutTheStockServiceAcceptingSaysSoAndChangesNothing)
{
    TFormSheets *w = jobWindow();
    const Paths &p = form->Paths();
    const QByteArray sheets0 = bytesOf(p.TempSheetsTable()), scraps0 = bytesOf(p.TempScrapsTable());
    StockService *stock = &form->Context().stock();
    form->Context().setStock(nullptr);
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        w->ApplyAction->trigger();
        ASSERT_EQ(answers.shown().size(), 2u);
        EXPECT_EQ(answers.shown()[1].kind, MsgKind::Error);
        EXPECT_EQ(answers.shown()[1].text, QStringLiteral("Ошибка при обращении к складу!"));
    }
    form->Context().setStock(stock);
    EXPECT_FALSE(w->Accepted());
    EXPECT_TRUE(w->ApplyAction->isEnabled());
    EXPECT_EQ(bytesOf(p.TempSheetsTable()), sheets0);
    EXPECT_EQ(bytesOf(p.TempScrapsTable()), scraps0);
}

TEST_F(MapFilesWiring, IniExportWritesTheFileAndReportsAFailure)
{
    TFormSheets *w = jobWindow();
    form->updateActions();
    ASSERT_TRUE(form->Action("ExportMapsIniAction")->isEnabled());
    const QString path = form->Paths().ExportFolder() + QStringLiteral("maps.ini");
    writeAll(path, "old contents");
    answer = path;
    {
        kv::test::ScopedAnswers none(ui);
        form->Action("ExportMapsIniAction")->trigger();
        EXPECT_TRUE(none.shown().empty());
    }
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().title, QStringLiteral("Экспорт карт раскроя в INI - файл"));
    EXPECT_EQ(asked.back().folder, form->Paths().ExportFolder());
    EXPECT_EQ(asked.back().defaultExt, QStringLiteral("ini"));
    EXPECT_EQ(bytesOf(path), ExportMapsToIniBytes(w->Document(), [this](int32_t c) {
                  return form->Materials().GetMaterialName(c);
              }));

    answer = tmp.filePath(QStringLiteral("no/such/folder/maps.ini"));
    kv::test::ScopedAnswers answers(ui);
    form->Action("ExportMapsIniAction")->trigger();
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, QStringLiteral("Ошибка экспорта данных!"));
}

// Choosing to save at the close question and then cancelling the save dialog
// keeps the window and its maps.
TEST_F(MapFilesWiring, CancelledSaveAtTheCloseQuestionKeepsTheWindow)
{
    TFormSheets *w = jobWindow();
    answer.clear();
    {
        kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
        EXPECT_FALSE(w->CloseQuery());
    }
    EXPECT_TRUE(w->Document().Modified);
    answer = form->Paths().MapsFolder() + QStringLiteral("closing.map");
    kv::test::ScopedAnswers answers(ui, {ModalResult::Yes});
    EXPECT_TRUE(w->CloseQuery());
    EXPECT_TRUE(QFile::exists(answer));
}

} // namespace
