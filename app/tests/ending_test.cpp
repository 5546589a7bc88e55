// The program asked to end from outside: SIGTERM and the end of the desktop
// session run the program's own close, with its questions where someone can
// answer them, and leave the folder as "Выход" leaves it.
#include "app/common/mdichild.h"
#include "app/partbase/raskroygroup.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/tests/scopedprinter.h"
#include "controls/instance.h"
#include "data/datamodule.h"
#include "data/partbase/partbasedoc.h"
#include "data/paths.h"
#include "platform/db/dbffile.h"
#include "platform/ini.h"
#include "platform/ui.h"
#include "platform/testsupport/fakeui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// A part base with one row, never saved.
TfrmRaskroyGroup *unsavedPartBase(TMainForm &form)
{
    auto *w = static_cast<TfrmRaskroyGroup *>(form.NewGroupWindow());
    if (!w) return nullptr;
    kv::Table &t = w->Document().table();
    t.Append();
    t.FieldByName("NAME")->SetAsString(QStringLiteral("Полка"));
    t.FieldByName("LENGTH")->SetAsInteger(600);
    t.FieldByName("WIDTH")->SetAsInteger(300);
    t.FieldByName("MANY")->SetAsInteger(2);
    t.Post();
    return w;
}

struct Ending : ::testing::Test
{
    const kv::test::ScopedEnginePrinter keepPrinter;
    QTemporaryDir tmp;
    kv::test::FakeUi ui;
    QString root() const { return tmp.path(); }
    kv::Paths paths() const { return kv::Paths(root()); }

    int run(const std::function<void(TMainForm &)> &inside)
    {
        kv::StartOptions opt;
        opt.root = root();
        opt.instead = inside;
        opt.ui = &ui;
        return kv::RunApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()), opt);
    }
};

// SIGTERM (and Ctrl+C's SIGINT, the same request) with an unsaved part
// base: the save question, the file saved under the name chosen, the
// running-copy lock and socket gone, the window's place stored, the untitled
// base's working table removed.
TEST_F(Ending, TermSignalAsksToSaveAndEndsAsTheExitCommandDoes)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const QString header = paths().GroupsFolder() + QStringLiteral("Кухня%1.kdx").arg(signal);
        ui.onFile = [&](const kv::FileChoice &) { return header; };
        ui.answers = {kv::ModalResult::Yes};
        ui.shown.clear();
        QString working, socket, lock;
        bool closed = false;
        kv::TIniFile::ClearCache();
        kv::TIniFile(paths().SettingsFile()).EraseSection("Main_Form");
        EXPECT_EQ(run([&](TMainForm &form) {
                      form.resize(1024, 768);   // a size worth keeping for the next start
                      TfrmRaskroyGroup *w = unsavedPartBase(form);
                      ASSERT_NE(w, nullptr);
                      working = w->Document().TablePath;
                      kv::TRunningInstance probe(paths().ProgramFolder(), QStringLiteral("TApplication"),
                                                 TMainForm::ApplicationTitle());
                      socket = kv::InstanceSocketPath(probe.ServerName());
                      lock = probe.LockFileName();
                      ASSERT_TRUE(QFileInfo::exists(socket));
                      std::raise(signal);
                      closed = QTest::qWaitFor([&] { return !form.isVisible(); });
                  }),
                  0);
        EXPECT_TRUE(closed);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].text, "Сохранить изменения в документе \rБаза деталей: <без названия> ?");
        const kv::DbfFile saved = kv::DbfFile::read(kv::PartBaseDocument::HeaderTable(header));
        ASSERT_EQ(saved.rows.size(), 1);
        EXPECT_EQ(saved.rows[0].values[0].toString(), "Полка");
        EXPECT_FALSE(QFileInfo::exists(working)) << working.toStdString();
        EXPECT_FALSE(QFileInfo::exists(socket));
        EXPECT_FALSE(QFileInfo::exists(lock));
        kv::TIniFile::ClearCache();
        EXPECT_TRUE(kv::TIniFile(paths().SettingsFile()).SectionExists("Main_Form"));
    }
}

// What writes killed half-way left in the program's folders is gone after
// the next start; files of the user's that only look alike stay.
TEST_F(Ending, StartRemovesTheLeftoversOfKilledWrites)
{
    kv::Paths p = paths();
    p.CreateFolders();
    const QStringList leftovers{p.ProgramFolder() + "Korvalt.ini~a1B2c3", p.TempFolder() + "TempSc.dbf~XyZ123",
                                p.GroupsFolder() + "Кухня.kdx~abc123", p.MapsFolder() + "Шкаф.map~QQQQQQ"};
    const QStringList kept{p.ProgramFolder() + "Korvalt.~ini", p.GroupsFolder() + "notes~1.txt"};
    for (const QStringList &l : {leftovers, kept})
        for (const QString &name : l) {
            QFile f(name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
            f.write("[Default]\r\nMill=5\r\n");
        }
    EXPECT_EQ(run([](TMainForm &) {}), 0);
    for (const QString &name : leftovers) EXPECT_FALSE(QFileInfo::exists(name)) << name.toStdString();
    for (const QString &name : kept) EXPECT_TRUE(QFileInfo::exists(name)) << name.toStdString();
}

// A damaged stock table does not stop the program: each is named with its
// reason, the warehouse opens with the table that can be read, and neither
// file is changed by the run.
TEST_F(Ending, DamagedStockTablesAreReportedAndTheProgramGoesOn)
{
    EXPECT_EQ(run([](TMainForm &) {}), 0);
    const kv::Paths p = paths();
    auto bytesOf = [](const QString &file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    const QByteArray sheets = bytesOf(p.SheetsTable()).left(10);   // a header cut short
    QByteArray scraps = bytesOf(p.ScrapsTable());
    scraps[4] = 2;   // two records counted, none there
    for (const auto &[file, bytes] : {std::pair{p.SheetsTable(), sheets}, std::pair{p.ScrapsTable(), scraps}}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    ui.shown.clear();
    bool warehouse = false;
    EXPECT_EQ(run([&](TMainForm &form) {
                  for (TMdiChild *c : form.Children()) warehouse = warehouse || c->Kind() == ChildKind::Warehouse;
                  EXPECT_FALSE(form.Context().module().tblSheets->Active());
                  EXPECT_TRUE(form.Context().module().tblScraps->Active());
              }),
              0);
    EXPECT_TRUE(warehouse);
    const QString native = QDir::toNativeSeparators(p.SheetsFolder());
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_TRUE(ui.shown[0].text.startsWith("Ошибка открытия базы листов\rФайл \"" + native + "Sheets.dbf\" обрезан"))
        << ui.shown[0].text.toStdString();
    EXPECT_TRUE(ui.shown[1].text.startsWith("Таблица \"" + native + "Scraps.dbf\" повреждена"))
        << ui.shown[1].text.toStdString();
    EXPECT_EQ(bytesOf(p.SheetsTable()), sheets);
    EXPECT_EQ(bytesOf(p.ScrapsTable()), scraps);
}

// "Отмена" to the question keeps the program with its part base; a request
// while the question is open is the same request; a later one ends it.
TEST_F(Ending, CancelledTermSignalKeepsTheProgramAndALaterOneEndsIt)
{
    ui.answers = {kv::ModalResult::Cancel, kv::ModalResult::No};
    EXPECT_EQ(run([&](TMainForm &form) {
                  QPointer<TfrmRaskroyGroup> base = unsavedPartBase(form);
                  ASSERT_FALSE(base.isNull());
                  std::raise(SIGTERM);
                  std::raise(SIGTERM);
                  QTest::qWait(50);
                  EXPECT_TRUE(form.isVisible());
                  EXPECT_EQ(ui.shown.size(), 1u);
                  EXPECT_FALSE(base.isNull());
                  std::raise(SIGTERM);
                  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
              }),
              0);
    EXPECT_EQ(ui.shown.size(), 2u);
}

// The end of the desktop session: asked where a user can answer, refused on
// "Отмена"; without a user the window closes and nothing is asked.
TEST_F(Ending, EndOfTheSessionAsksWhenSomeoneCanAnswer)
{
    const struct { bool canAsk; kv::ModalResult answer; bool ends; size_t questions; } cases[] = {
        {true, kv::ModalResult::Cancel, false, 1},
        {true, kv::ModalResult::No, true, 1},
        {false, kv::ModalResult::Cancel, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.canAsk);
        ui.shown.clear();
        ui.answers = {c.answer, kv::ModalResult::No};
        size_t asked = 0;
        EXPECT_EQ(run([&](TMainForm &form) {
                      ASSERT_NE(unsavedPartBase(form), nullptr);
                      EXPECT_EQ(form.EndSession(c.canAsk), c.ends);
                      asked = ui.shown.size();
                      EXPECT_EQ(form.isVisible(), !c.ends);
                  }),
                  0);
        EXPECT_EQ(asked, c.questions);
    }
}

} // namespace
