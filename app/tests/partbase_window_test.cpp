// The part-base window, driven offscreen through its object names.
#include "app/materials/findmaterial.h"
#include "app/materials/selectmaterial.h"
#include "app/models/imports.h"
#include "app/partbase/groupprint.h"
#include "app/partbase/raskroygroup.h"
#include "app/tests/appfixture.h"
#include "app/tests/dialoganswers.h"
#include "app/tests/fakemainwindow.h"
#include "app/tests/scopedprinter.h"
#include "controls/dbgrid.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "platform/db/query.h"
#include "platform/ui.h"
#include "report/output/textexports.h"
#include "report/building/report.h"
#include "report/model/page.h"
#include "report/output/printer.h"
#include "widgets/bitbtn.h"
#include "resources/reports.h"
#include "platform/text.h"
#include "platform/testsupport/scoped.h"
#include "widgets/outlooklist.h"

#include <QHeaderView>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QListWidget>
#include <QMap>
#include <QSet>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// A built report exported as text, the lines the print shows.
QString printedText(TrpReport &r)
{
    TrpTextExport text;
    text.ShowDialog = false;
    QTemporaryDir d;
    EXPECT_TRUE(r.ExportPrepared(text, d.filePath("p.txt")));
    QFile file(d.filePath("p.txt"));
    file.open(QIODevice::ReadOnly);
    return kv::fromCp1251(file.readAll());
}

// A program folder with two materials and two edge bandings, the services
// made as the start-up makes them, and a frame.
struct GroupFixture
{
    AppFixture app;
    std::unique_ptr<kv::MaterialsService> materials;
    std::unique_ptr<kv::BordersService> borders;
    std::unique_ptr<FakeMainWindow> frame;

    GroupFixture()
    {
        const QString types = app.paths.OwnMaterialsTable();
        kv::Query::Exec("Insert into " + kv::Query::QuotePath(types) + " Values(?, ?)", {"ЛДСП Бук", 1});
        kv::Query::Exec("Insert into " + kv::Query::QuotePath(types) + " Values(?, ?)", {"МДФ белый", 2});
        const QString b = app.paths.BordersTable();
        kv::Query::Exec("Insert into " + kv::Query::QuotePath(b) + " Values(?, ?, ?, ?)", {3, "ПВХ 2 мм", 255, 20});
        kv::Query::Exec("Insert into " + kv::Query::QuotePath(b) + " Values(?, ?, ?, ?)", {4, "ПВХ 0.4 мм", 65280, 0});
        materials = std::make_unique<kv::MaterialsService>(app.paths, *app.settings, app.ui, app.module.get());
        borders = std::make_unique<kv::BordersService>(app.paths, *app.settings);
        borders->LoadBorders();
        app.ctx.setMaterials(materials.get());
        app.ctx.setBorders(borders.get());
        frame = std::make_unique<FakeMainWindow>(app.ctx);
        frame->makeGroup = [this](const QString &file) -> TMdiChild * {
            auto *w = new TfrmRaskroyGroup(app.ctx);
            const bool ok = file.isEmpty() ? w->NewGroup() : w->LoadFromFile(file);
            if (!ok) {
                delete w;
                return nullptr;
            }
            w->ShowChild();
            return w;
        };
        frame->area.show();
    }
    ~GroupFixture()
    {
        // As at shut-down: no close questions.
        for (TMdiChild *c : frame->Children()) c->SetShuttingDown();
        frame->area.closeAllSubWindows();
    }

    TfrmRaskroyGroup *newWindow() { return static_cast<TfrmRaskroyGroup *>(frame->NewGroupWindow()); }
};

void add(TfrmRaskroyGroup &w, const QString &name, int length, int width, int many, int material, int edge = 0)
{
    kv::Table &t = w.Document().table();
    t.Append();
    t.FieldByName("NAME")->SetAsString(name);
    t.FieldByName("LENGTH")->SetAsInteger(length);
    t.FieldByName("WIDTH")->SetAsInteger(width);
    t.FieldByName("MANY")->SetAsInteger(many);
    t.FieldByName("MATERIAL")->SetAsInteger(material);
    for (const char *f : {"LBORDER", "RBORDER", "TBORDER", "BBORDER"}) t.FieldByName(f)->SetAsInteger(edge);
    t.Post();
}


QWidget *editorOrGrid(TExDBGrid *g) { return g->InplaceEditor() ? g->InplaceEditor() : g; }

void typeText(TExDBGrid *g, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editorOrGrid(g), &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editorOrGrid(g), &release);
    }
}

void key(TExDBGrid *g, Qt::Key k) { QTest::keyClick(editorOrGrid(g), k); }

QStringList rowsOf(TfrmRaskroyGroup &w)
{
    QStringList out;
    kv::Table &t = w.Document().table();
    for (t.First(); !t.Eof(); t.Next())
        out << QStringLiteral("%1 %2x%3 %4")
                   .arg(t.FieldByName("NAME")->AsString())
                   .arg(t.FieldByName("LENGTH")->AsInteger())
                   .arg(t.FieldByName("WIDTH")->AsInteger())
                   .arg(t.FieldByName("MANY")->AsInteger());
    return out;
}

} // namespace

TEST(PartBaseWindow, TypeThreePartsSaveCloseAndReopenFromRecentFiles)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "База деталей: <без названия>");
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    ASSERT_NE(grid, nullptr);
    QApplication::setActiveWindow(&f.frame->area);
    grid->setFocus();
    const QStringList parts[3] = {{"Полка", "600", "300", "2"}, {"Бок", "720", "560", "2"}, {"Дверь", "716", "396", "1"}};
    for (int p = 0; p < 3; ++p) {
        for (int c = 0; c < 4; ++c) {
            typeText(grid, parts[p][c]);
            key(grid, Qt::Key_Tab);
        }
        key(grid, Qt::Key_Home);
        if (p < 2) key(grid, Qt::Key_Down);
        QApplication::processEvents();
    }
    w->PostIfEditing();
    QApplication::processEvents();
    const QStringList typed = rowsOf(*w);
    EXPECT_EQ(typed, (QStringList{"Полка 600x300 2", "Бок 720x560 2", "Дверь 716x396 1"}));
    EXPECT_EQ(w->StatusText(0), "Количество: 5 шт");

    // Closing asks to save; the save dialog names the file.
    const QString header = f.app.paths.GroupsFolder() + "Кухня.kdx";
    kv::FileChoice asked;
    const auto dialogHook = kv::test::ScopedSet(f.app.ui.onFile, [&](const kv::FileChoice &s) {
        asked = s;
        return header;
    });
    {
        kv::test::ScopedAnswers answers(f.app.ui, {kv::ModalResult::Yes});
        QPointer<TfrmRaskroyGroup> guard(w);
        w->parentWidget()->close();
        QApplication::processEvents();
        EXPECT_TRUE(guard.isNull());
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "Сохранить изменения в документе \rБаза деталей: <без названия> ?");
    }
    EXPECT_EQ(asked.title, "Сохранение базы деталей");
    EXPECT_TRUE(f.frame->calls.contains("AddRecentFile:" + header)) << f.frame->calls.join("\n").toStdString();

    // The recent-files item opens the same document again.
    auto *again = static_cast<TfrmRaskroyGroup *>(f.frame->OpenGroupWindow(header));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->windowTitle(), "База деталей: Кухня.kdx");
    EXPECT_EQ(rowsOf(*again), typed);
    // The navigator says what the grid shows: every material.
    auto *list = again->findChild<TgwOutlookList *>("OutlookList");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->GetSelectedItem(), nullptr);
    EXPECT_EQ(list->GetSelectedItem()->Tag, 999);
    EXPECT_EQ(again->FilterCode(), 999);
}

// A size that cannot be right is refused as it is typed, named by its
// column's title; the row waits in the grid, counts for nothing and goes in
// once it is put right.
TEST(PartBaseWindow, AWrongSizeIsRefusedAndTheRowWaitsInTheGrid)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    ASSERT_NE(grid, nullptr);
    kv::Table &t = w->Document().table();
    QApplication::setActiveWindow(&f.frame->area);
    grid->setFocus();
    const QString wrongLength = "Значение поля \"Длина\" должно быть больше 0.";
    auto typeCells = [&](const QStringList &cells) {
        for (const QString &c : cells) {
            typeText(grid, c);
            key(grid, Qt::Key_Tab);
            QApplication::processEvents();
        }
    };
    {
        kv::test::ScopedAnswers answers(f.app.ui);
        typeCells({"Полка", "-600"});
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, wrongLength);
        // The rest of the row is taken without saying it again; nothing is stored.
        typeCells({"300", "2"});
        EXPECT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(t.State(), kv::DataSetState::Insert);
        EXPECT_EQ(w->StatusText(0), "Количество: 0 шт");
        // Leaving the row posts it: refused again, and the row stays.
        key(grid, Qt::Key_Down);
        QApplication::processEvents();
        ASSERT_EQ(answers.shown().size(), 2u);
        EXPECT_EQ(answers.shown()[1].text, wrongLength);
        EXPECT_EQ(t.State(), kv::DataSetState::Insert);
        EXPECT_EQ(t.FieldByName("WIDTH")->AsInteger(), 300);
    }
    {
        kv::test::ScopedAnswers answers(f.app.ui);
        key(grid, Qt::Key_Home);
        key(grid, Qt::Key_Tab);
        typeCells({"600"});
        EXPECT_TRUE(answers.shown().empty());
        EXPECT_EQ(t.State(), kv::DataSetState::Browse);
        EXPECT_EQ(rowsOf(*w), QStringList{"Полка 600x300 2"});
        EXPECT_EQ(w->StatusText(0), "Количество: 2 шт");
    }
    {
        // Letters are refused by the column as the grid titles it.
        kv::test::ScopedAnswers answers(f.app.ui);
        key(grid, Qt::Key_Home);
        key(grid, Qt::Key_Tab);
        typeCells({"abc0"});
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].text, "'abc0' - неверное число для поля 'Длина'");
        key(grid, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(rowsOf(*w), QStringList{"Полка 600x300 2"});
    }
}

// Typing a quantity and Enter: the window's own "Сохранить" is on at once,
// not only after another row is chosen. A quantity 0 is taken as typed: it
// leaves the part out of a run.
TEST(PartBaseWindow, SaveFollowsATypedQuantityAtOnceAndZeroIsAQuantity)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    add(*w, "Бок", 720, 560, 2, 1);
    const QString header = f.app.paths.GroupsFolder() + "Шкаф.kdx";
    const auto dialogHook = kv::test::ScopedSet(f.app.ui.onFile, [&](const kv::FileChoice &) { return header; });
    ASSERT_TRUE(w->SaveToFile(true));
    QAction *save = w->findChild<QAction *>("SaveAction");
    ASSERT_TRUE(save);
    ASSERT_FALSE(save->isEnabled());
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    QApplication::setActiveWindow(&f.frame->area);
    grid->setFocus();
    w->Document().table().First();
    kv::test::ScopedAnswers answers(f.app.ui);
    struct Case { const char *typed; const char *count; };
    for (const Case c : {Case{"5", "Количество: 7 шт"}, Case{"0", "Количество: 2 шт"}}) {
        SCOPED_TRACE(c.typed);
        key(grid, Qt::Key_Home);
        for (int i = 0; i < 3; ++i) key(grid, Qt::Key_Tab);
        typeText(grid, c.typed);
        key(grid, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(w->Document().table().State(), kv::DataSetState::Browse);
        EXPECT_TRUE(save->isEnabled());
        EXPECT_EQ(w->StatusText(0), c.count);
        ASSERT_TRUE(w->SaveToFile(false));
        EXPECT_FALSE(save->isEnabled());
    }
    EXPECT_TRUE(answers.shown().empty());
    w->parentWidget()->close();
    QApplication::processEvents();
    auto *again = static_cast<TfrmRaskroyGroup *>(f.frame->OpenGroupWindow(header));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(rowsOf(*again), (QStringList{"Полка 600x300 0", "Бок 720x560 2"}));
}

TEST(PartBaseWindow, CancelledSaveDialogKeepsAnUntitledWindowOpen)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    const QString temp = w->Document().TablePath;
    const auto hook = kv::test::ScopedSet(f.app.ui.onFile, [](const kv::FileChoice &) { return QString(); });
    kv::test::ScopedAnswers answers(f.app.ui, {kv::ModalResult::Yes});
    QPointer<TfrmRaskroyGroup> guard(w);
    w->parentWidget()->close();
    QApplication::processEvents();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(QFileInfo::exists(temp));
    EXPECT_EQ(w->Document().table().RecordCount(), 1);
}

TEST(PartBaseWindow, EdgeButtonsFollowTheDefaultCodeAndTheBase)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 400, 2, 1, 9);   // code 9 is not in the edge-banding base
    w->UpdateRecordControls();
    auto *left = w->findChild<QToolButton *>("sbLBorder");
    ASSERT_NE(left, nullptr);
    EXPECT_FALSE(left->isChecked());
    EXPECT_EQ(w->EdgeCode(0), 0);
    EXPECT_EQ(w->StatusText(3), "Кромка: 0.00 м");

    struct Case { int def; bool down; int stored; };
    for (const Case c : {Case{0, false, 0}, Case{3, true, 3}}) {
        f.app.settings->Set(kv::key::DefBorder, c.def);
        f.borders->LoadDefBorder();
        left->setChecked(false);
        QTest::mouseClick(left, Qt::LeftButton);
        EXPECT_EQ(left->isChecked(), c.down) << c.def;
        EXPECT_EQ(w->Document().table().FieldByName("LBORDER")->AsInteger(), c.stored) << c.def;
    }
    // All edges with the default 3 (allowance 20): 2 x (620 + 620 + 420 + 420).
    QTest::mouseClick(w->findChild<QToolButton *>("bbAllBorders"), Qt::LeftButton);
    EXPECT_EQ(w->StatusText(3), "Кромка: 4.16 м");
    QTest::mouseClick(w->findChild<QToolButton *>("bbNoBorders"), Qt::LeftButton);
    EXPECT_EQ(w->StatusText(3), "Кромка: 0.00 м");
    // The rotation choice is stored at once.
    w->findChild<QRadioButton *>("rbRotate2")->click();
    EXPECT_EQ(w->Document().table().FieldByName("ROTATE")->AsInteger(), 2);
    EXPECT_TRUE(w->Document().Modified);
}

TEST(PartBaseWindow, FilterAndTotals)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    for (int i = 0; i < 400; ++i) add(*w, QString::number(i), 2800, 2070, 1, 1);
    add(*w, "Дверь", 1000, 500, 2, 2);
    w->SetMaterialFilter(999);
    EXPECT_EQ(w->StatusText(0), "Количество: 402 шт");
    EXPECT_EQ(w->StatusText(1), "Площадь: 2319.400 кв м");
    w->SetMaterialFilter(1);
    EXPECT_EQ(w->StatusText(1), "Площадь: 2318.400 кв м");
    EXPECT_EQ(w->Document().table().RecordCount(), 400);
    w->SetMaterialFilter(2);
    EXPECT_EQ(w->StatusText(0), "Количество: 2 шт");
    // New parts take the filter's material; the material lists never hold "all".
    EXPECT_FALSE(w->MaterialCodes().contains(999));
    w->RefreshMaterials();
    EXPECT_FALSE(w->MaterialCodes().contains(999));
    EXPECT_EQ(w->FilterCode(), 2);
}

// A big designer file from "AutoRun\" fills one window whole: its totals
// and its save button follow the import at once.
TEST(PartBaseWindow, BigAutoRunFileFillsOneWindow)
{
    GroupFixture f;
    QByteArray bytes;
    for (int i = 0; i < 2500; ++i)
        bytes += kv::toCp1251(QStringLiteral("[%1]\r\nShifr=Бок %1\r\nW=1000\r\nH=500\r\nQuantity=2\r\nMaterial=1\r\n").arg(i));
    QFile file(f.app.paths.AutoRunFolder() + "big.dkm");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    EXPECT_TRUE(ImportAutoRunFiles(f.app.ctx, nullptr));
    EXPECT_FALSE(file.exists());
    ASSERT_EQ(f.frame->Children().size(), 1);
    auto *w = qobject_cast<TfrmRaskroyGroup *>(f.frame->Children().first());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Document().table().RecordCount(), 2500);
    EXPECT_EQ(w->Document().table().RecNo(), 1);
    EXPECT_EQ(w->StatusText(0), "Количество: 5000 шт");
    EXPECT_EQ(w->StatusText(1), "Площадь: 2500.000 кв м");
    EXPECT_TRUE(w->CommandEnabled(MainCommand::Save));
}

// A part base whose save journal names files outside its folder opens as it
// stands, and the window says the journal was not followed.
TEST(PartBaseWindow, ForeignSaveJournalIsReportedAndLeftAlone)
{
    GroupFixture f;
    const QString header = f.app.paths.GroupsFolder() + "j2.kdx";
    {
        TfrmRaskroyGroup *w = f.newWindow();
        add(*w, "Полка", 600, 300, 2, 1);
        w->Document().SaveToFile(header);
        w->SetShuttingDown();
        w->parentWidget()->close();
        QApplication::processEvents();
    }
    const QString victim = f.app.paths.ProgramFolder() + "doc.txt";
    for (const QString &name : {victim, victim + ".new~"}) {
        QFile v(name);
        ASSERT_TRUE(v.open(QIODevice::WriteOnly));
        v.write("user's own");
    }
    const QByteArray journal = "switch\n../doc.txt\n";
    {
        QFile j(header + ".sav~");
        ASSERT_TRUE(j.open(QIODevice::WriteOnly));
        j.write(journal);
    }
    kv::test::ScopedAnswers answers(f.app.ui);
    auto *w = static_cast<TfrmRaskroyGroup *>(f.frame->OpenGroupWindow(header));
    ASSERT_TRUE(w);
    EXPECT_EQ(rowsOf(*w), QStringList{"Полка 600x300 2"});
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Warning);
    EXPECT_EQ(answers.shown()[0].text, "Журнал сохранения \"" + header + ".sav~\" ссылается на файлы вне папки базы "
                                       "деталей и не выполнен.\rФайл журнала оставлен без изменений.");
    for (const QString &name : {victim, victim + ".new~"}) {
        QFile v(name);
        ASSERT_TRUE(v.open(QIODevice::ReadOnly));
        EXPECT_EQ(v.readAll(), "user's own");
    }
    QFile j(header + ".sav~");
    ASSERT_TRUE(j.open(QIODevice::ReadOnly));
    EXPECT_EQ(j.readAll(), journal);
}

TEST(PartBaseWindow, ChangeMaterialAndCommandsOfTheFrame)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    add(*w, "Дверь", 716, 396, 1, 2);
    EXPECT_TRUE(w->CommandEnabled(MainCommand::Save));
    EXPECT_TRUE(w->CommandEnabled(MainCommand::ReplaceMaterial));
    EXPECT_FALSE(w->CommandEnabled(MainCommand::PrintModelsList));
    {
        const auto chooser = kv::test::ScopedSet(f.app.ui.onModal, [](QDialog &d) {
            auto *c = qobject_cast<TfrmSelectMaterial *>(&d);
            EXPECT_EQ(c ? c->lblCurrent->text() : QString(), "<все материалы>");
            return ChooseMaterial(d, 2);
        });
        w->ExecuteCommand(MainCommand::ReplaceMaterial);
    }
    w->SetMaterialFilter(2);
    EXPECT_EQ(w->Document().table().RecordCount(), 2);
}

TEST(PartBaseWindow, PrintsEveryLayoutAndExportsTheShownParts)
{
    GroupFixture f;
    kv::WriteMissingReports(f.app.paths.ReportsFolder());
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1, 3);
    add(*w, "Цоколь", 800, 100, 1, 7);   // a material the base does not know
    QFile(f.app.paths.TempFolder() + "prn0.dbf").open(QIODevice::WriteOnly);   // left over from an earlier run
    QStringList printed;
    f.app.ui.onReports<TrpReport>([&](TrpReport &r) {
        ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
        printed << printedText(r);
    });
    for (bool borders : {false, true}) {
        f.app.settings->Set(kv::key::PrintDetalBorders, borders);
        w->ExecuteCommand(MainCommand::PrintList);
        w->ExecuteCommand(MainCommand::PrintGrouped);
    }
    f.app.ui.onReport = nullptr;
    ASSERT_EQ(printed.size(), 4);
    for (const QString &p : printed) {
        EXPECT_TRUE(p.contains("Цоколь")) << p.toStdString();
        EXPECT_TRUE(p.contains("3 шт")) << p.toStdString();
    }
    EXPECT_TRUE(printed[3].contains("ПВХ 2 мм"));
    // Each print took the next free copy and deleted only that one.
    EXPECT_EQ(QDir(f.app.paths.TempFolder()).entryList({"prn*.dbf"}), QStringList{"prn0.dbf"});

    // Spreadsheet: the shown parts into "Export\", a message when nothing opens it.
    kv::MemorySpreadsheet sheet;
    f.app.ui.onOpen = [](const QString &) { return false; };
    w->SetMaterialFilter(1);
    kv::test::ScopedAnswers answers(f.app.ui);
    const QString written = GroupPrinting::ExportToSpreadsheet(*w, *w->Grid(), &sheet);
    EXPECT_EQ(written, f.app.paths.ExportFolder() + "База деталей.xlsx");
    EXPECT_EQ(f.app.ui.opened, QStringList{written});
    EXPECT_TRUE(sheet.closed);
    EXPECT_EQ(sheet.Cell(9, 1).toString(), "Шифр");
    EXPECT_EQ(sheet.Cell(10, 1).toString(), "Полка");
    EXPECT_FALSE(sheet.Cell(11, 1).isValid());
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_TRUE(answers.shown()[0].text.contains("Export")) << answers.shown()[0].text.toStdString();
    // The command of the frame writes the file itself.
    QFile::remove(written);
    w->ExecuteCommand(MainCommand::PrintExcel);
    EXPECT_TRUE(QFileInfo::exists(written));
    EXPECT_EQ(f.app.ui.opened, QStringList({written, written}));
    // The next export is a new spreadsheet; the one before stays as written.
    const QDateTime firstWritten = QFileInfo(written).lastModified();
    const qint64 firstSize = QFileInfo(written).size();
    w->ExecuteCommand(MainCommand::PrintExcel);
    const QString second = f.app.paths.ExportFolder() + "База деталей (1).xlsx";
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(f.app.ui.opened.last(), second);
    EXPECT_EQ(QFileInfo(written).lastModified(), firstWritten);
    EXPECT_EQ(QFileInfo(written).size(), firstSize);
}

TEST(PartBaseWindow, ADozenPartsOnScreen)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    const char *names[] = {"Бок левый", "Бок правый", "Крыша", "Дно", "Полка", "Полка", "Фасад верхний",
                           "Фасад нижний", "Задняя стенка", "Цоколь", "Перегородка", "Ящик"};
    for (int i = 0; i < 12; ++i) add(*w, names[i], 720 - i * 20, 560 - i * 15, 1 + i % 3, 1 + i % 2, i % 4 == 0 ? 3 : 0);
    w->Document().table().First();
    w->UpdateRecordControls();
    f.frame->area.resize(980, 560);
    w->parentWidget()->showMaximized();
    QApplication::processEvents();
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    EXPECT_EQ(grid->model()->rowCount(), 12);
    EXPECT_TRUE(w->findChild<QToolButton *>("sbLBorder")->isChecked());   // the first part is banded
    EXPECT_EQ(w->StatusText(0), "Количество: 24 шт");
    if (qEnvironmentVariableIsSet("KV_SCREENSHOT")) f.frame->area.grab().save(qEnvironmentVariable("KV_SCREENSHOT"));
}

// A part-base window opened at the size it asks for shows every column of
// its grid, "Поворот" included, without scrolling sideways; so it does with
// wider columns stored from an earlier session.
TEST(PartBaseWindow, OpensWideEnoughForEveryColumn)
{
    for (int width : {120, 180}) {
        GroupFixture f;
        for (int i = 0; i < 11; ++i)
            f.app.settings->Ini().WriteInteger("Detals_Group", QStringLiteral("ColWidth%1").arg(i), width);
        TfrmRaskroyGroup *w = f.newWindow();
        add(*w, "Полка", 600, 300, 2, 1);
        f.frame->area.resize(2400, 1000);
        QWidget *sub = w->parentWidget();
        sub->resize(sub->sizeHint());
        QApplication::processEvents();
        auto *grid = w->findChild<TExDBGrid *>("DBGrid");
        ASSERT_NE(grid, nullptr);
        EXPECT_GE(grid->horizontalHeader()->length(), 6 * width) << width;
        EXPECT_GE(grid->viewport()->width(), grid->horizontalHeader()->length()) << width;
        // And no wider than that takes (a scroll bar's room left over).
        EXPECT_LE(grid->viewport()->width(), grid->horizontalHeader()->length() + 40) << width;
    }
}

// "Материалы" of the navigator finds a material by its first letters and
// filters the parts by it; Cancel leaves the filter alone.
TEST(PartBaseWindow, MaterialsButtonFindsAMaterialForTheFilter)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    add(*w, "Дверь", 716, 396, 1, 2);
    auto *button = w->findChild<TgwCustomBitBtn *>("bbMaterials");
    ASSERT_NE(button, nullptr);
    struct Case { const char *typed; bool ok; int filter; int rows; };
    const Case cases[] = {{"МДФ", true, 2, 1}, {"ЛДСП", false, 2, 1}, {"<", true, 999, 2}};
    for (const Case &c : cases) {
        QStringList offered;
        const auto answer = kv::test::ScopedSet(f.app.ui.onModal, [&](QDialog &d) {
            auto *find = qobject_cast<TfrmFindMaterial *>(&d);
            EXPECT_NE(find, nullptr);
            if (!find) return int(QDialog::Rejected);
            for (int i = 0; i < find->lbxMaterials->count(); ++i) offered << find->lbxMaterials->item(i)->text();
            find->edMaterial->setText(QString::fromUtf8(c.typed));
            return int(c.ok ? QDialog::Accepted : QDialog::Rejected);
        });
        button->Click();
        EXPECT_EQ(offered, (QStringList{"<все материалы>", "ЛДСП Бук", "МДФ белый"})) << c.typed;
        EXPECT_EQ(w->FilterCode(), c.filter) << c.typed;
        EXPECT_EQ(w->Document().table().RecordCount(), c.rows) << c.typed;
    }
}

// The banding columns of a print name only the banded sides: both names,
// the one name, or nothing (never the lists' "<нет>" of a side without).
TEST(PartBaseWindow, PrintNamesOnlyTheBandedSides)
{
    GroupFixture f;
    kv::WriteMissingReports(f.app.paths.ReportsFolder());
    f.app.settings->Set(kv::key::PrintDetalBorders, true);
    TfrmRaskroyGroup *w = f.newWindow();
    struct Part { const char *name; int top, bottom, left, right; };
    const Part parts[] = {{"Бок", 3, 4, 4, 3}, {"Полка", 3, 0, 0, 4}, {"Дверь", 0, 0, 0, 0}};
    for (const Part &p : parts) {
        add(*w, p.name, 600, 300, 1, 1);
        kv::Table &t = w->Document().table();
        t.Edit();
        t.FieldByName("TBORDER")->SetAsInteger(p.top);
        t.FieldByName("BBORDER")->SetAsInteger(p.bottom);
        t.FieldByName("LBORDER")->SetAsInteger(p.left);
        t.FieldByName("RBORDER")->SetAsInteger(p.right);
        t.Post();
    }
    QMap<QString, QSet<QString>> asked;
    QString printed;
    f.app.ui.onReports<TrpReport>([&](TrpReport &r) {
        const auto answer = r.OnGetValue;
        r.OnGetValue = [&asked, answer](const QString &name, TrpValue &value) {
            const bool known = answer(name, value);
            if (known && name.startsWith("DETAL_BORDERS")) asked[name].insert(value.toText());
            return known;
        };
        ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
        printed += printedText(r);
    });
    w->ExecuteCommand(MainCommand::PrintList);
    w->ExecuteCommand(MainCommand::PrintGrouped);
    f.app.ui.onReport = nullptr;
    const QSet<QString> topBottom = {"ПВХ 2 мм\rПВХ 0.4 мм", "ПВХ 2 мм", ""};
    const QSet<QString> leftRight = {"ПВХ 0.4 мм\rПВХ 2 мм", "ПВХ 0.4 мм", ""};
    EXPECT_EQ(asked.value("DETAL_BORDERS1"), topBottom);
    EXPECT_EQ(asked.value("DETAL_BORDERS2"), leftRight);
    EXPECT_FALSE(printed.contains("нет")) << printed.toStdString();
}

// Page 0 of the part-base layouts turns to landscape with the printer and
// keeps its paper; the margins come from the settings.
TEST(PartBaseWindow, PrintFollowsALandscapePrinter)
{
    GroupFixture f;
    kv::WriteMissingReports(f.app.paths.ReportsFolder());
    f.app.settings->SetPageLeft(10);
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    struct Page { int orientation, paper, width, height, left; };
    std::vector<Page> pages;
    f.app.ui.onReports<TrpReport>([&](TrpReport &r) {
        TrpPage *p = r.Pages().GetPage(0);
        pages.push_back({p->Orientation, p->PaperSize, p->PaperWidth, p->PaperHeight, p->MarginLeft});
    });
    // The user's printer: A4 in each orientation; the engine printer as it
    // was afterwards.
    const kv::test::ScopedEnginePrinter keepPrinter;
    TrpPrinter &pr = rpPrinter();
    for (int orientation : {0, 1}) {
        pr.SetPrinterInfo(9, orientation ? 2970 : 2100, orientation ? 2100 : 2970, orientation, rpDefaultBin, true);
        w->ExecuteCommand(MainCommand::PrintList);
        w->ExecuteCommand(MainCommand::PrintGrouped);
    }
    ASSERT_EQ(pages.size(), 4u);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].orientation, i < 2 ? 0 : 1) << i;
        EXPECT_EQ(pages[i].paper, pages[i % 2].paper) << i;
        EXPECT_EQ(pages[i].left, 36) << i;
    }
    // Landscape: the long side across.
    EXPECT_GT(pages[2].width, pages[2].height);
    EXPECT_LT(pages[0].width, pages[0].height);
}

TEST(PartBaseWindow, RightButtonOnTheMaterialOpensTheChooserTheKeyboardItsMenu)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    add(*w, "Бок", 720, 560, 2, 1);
    w->Document().Modified = false;
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    const int matCol = 9;   // "Материал"
    ASSERT_EQ(grid->Columns(matCol)->FieldName, "MatName");
    QApplication::setActiveWindow(&f.frame->area);
    grid->setFocus();
    const QPoint cell = grid->visualRect(grid->model()->index(1, matCol)).center();
    auto rightClick = [&](QWidget *to, const QPoint &at, QContextMenuEvent::Reason reason) {
        if (reason == QContextMenuEvent::Mouse) QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent e(reason, at, to->mapToGlobal(at));
        QApplication::sendEvent(to, &e);
        if (reason == QContextMenuEvent::Mouse) QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);
    };
    auto material = [&](int recNo) {
        kv::Table &t = w->Document().table();
        t.SetRecNo(recNo);
        return t.FieldByName("MATERIAL")->AsInteger();
    };

    // The right button on the second part's material: the chooser, preset
    // to its material; the chosen code is written and posted.
    int preset = -1;
    {
        const auto hook = kv::test::ScopedSet(f.app.ui.onModal, [&](QDialog &d) {
            auto *c = qobject_cast<TfrmSelectMaterialDlg *>(&d);
            if (!c) return int(QDialog::Rejected);
            preset = c->SelectedCode();
            c->lbxMaterials->setCurrentRow(1);   // "МДФ белый"
            return int(QDialog::Accepted);
        });
        rightClick(grid->viewport(), cell, QContextMenuEvent::Mouse);
    }
    EXPECT_EQ(preset, 1);
    EXPECT_EQ(w->Document().table().State(), kv::DataSetState::Browse);
    EXPECT_TRUE(w->Document().Modified);
    EXPECT_EQ(material(2), 2);
    EXPECT_EQ(material(1), 1);
    // Cancelled, nothing changes.
    {
        const auto hook = kv::test::ScopedSet(f.app.ui.onModal, [](QDialog &) { return int(QDialog::Rejected); });
        rightClick(grid->viewport(), cell, QContextMenuEvent::Mouse);
    }
    EXPECT_EQ(material(2), 2);

    // The keyboard's context menu on the material: the column's pop-up menu,
    // one item per material, the part's own checked.
    w->Document().table().SetRecNo(2);
    grid->SetSelectedIndex(matCol);
    QStringList items;
    bool ownChecked = false;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->objectName(), "ppmMaterials");
        for (QAction *a : menu->actions()) items << a->text();
        ownChecked = menu->actions().value(1) && menu->actions()[1]->isChecked();
        menu->setActiveAction(menu->actions()[0]);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    rightClick(grid, QPoint(5, 5), QContextMenuEvent::Keyboard);
    EXPECT_EQ(items, (QStringList{"ЛДСП Бук", "МДФ белый"}));
    EXPECT_TRUE(ownChecked);
    EXPECT_EQ(material(2), 1);
}

TEST(PartBaseWindow, LeavingTheGridPostsWhatWasTyped)
{
    GroupFixture f;
    TfrmRaskroyGroup *w = f.newWindow();
    add(*w, "Полка", 600, 300, 2, 1);
    TfrmRaskroyGroup *other = f.newWindow();
    auto *grid = w->findChild<TExDBGrid *>("DBGrid");
    auto *navigator = w->findChild<QWidget *>("OutlookList");
    struct Case { const char *where; std::function<void()> leave; };
    const Case cases[] = {
        {"the navigator", [&] { navigator->setFocus(); }},
        {"another window", [&] { other->findChild<QWidget *>("DBGrid")->setFocus(); }},
    };
    int length = 700;
    for (const Case &c : cases) {
        f.frame->area.setActiveSubWindow(qobject_cast<QMdiSubWindow *>(w->parentWidget()));
        QApplication::setActiveWindow(&f.frame->area);
        grid->setFocus();
        grid->SetSelectedIndex(1);   // "Длина"
        typeText(grid, QString::number(length));
        ASSERT_TRUE(grid->EditorMode()) << c.where;
        c.leave();
        // Posted on leaving, before any event is let through.
        EXPECT_FALSE(grid->EditorMode()) << c.where;
        EXPECT_EQ(w->Document().table().State(), kv::DataSetState::Browse) << c.where;
        EXPECT_EQ(rowsOf(*w), QStringList{QStringLiteral("Полка %1x300 2").arg(length)}) << c.where;
        length += 100;
    }
}
