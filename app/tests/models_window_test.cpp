// The models base window, its dialogs, the imports of the menus and
// "AutoRun\", driven through object names.
#include "app/common/smalldialogs.h"
#include "app/tests/dialoganswers.h"
#include "app/models/imports.h"
#include "app/models/modeldialogs.h"
#include "app/models/modelsbase.h"
#include "app/models/modelsprint.h"
#include "report/building/report.h"
#include "resources/reports.h"
#include "app/tests/appfixture.h"
#include "app/tests/fakemainwindow.h"
#include "app/tests/scopedprinter.h"
#include "data/models/modelbase.h"
#include "data/models/modelfiles.h"
#include "data/partbase/partbasedoc.h"
#include "platform/db/query.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "widgets/outlooklist.h"
#include "platform/testsupport/scoped.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// A part-base window as the frame makes it: a document with a new part base.
class FakeGroupWindow : public TMdiChild
{
public:
    explicit FakeGroupWindow(AppContext &ctx) : TMdiChild(ctx, QStringLiteral("TfrmRaskroyGroup")), doc(ctx.paths(), &ctx.settings())
    {
        doc.NewGroup();
    }
    ChildKind Kind() const override { return ChildKind::PartBase; }
    void RefreshGroup() override { ++refreshes; }
    kv::PartBaseDocument doc;
    int refreshes = 0;
};

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ModelsWindow : public ::testing::Test
{
protected:
    AppFixture app;
    FakeMainWindow frame{app.ctx};
    std::vector<kv::ShownMessage> &messages = app.ui.shown;

    void SetUp() override
    {
        app.ctx.setMainWindow(&frame);
        frame.makeGroup = [this](const QString &) {
            auto *w = new FakeGroupWindow(app.ctx);
            w->ShowChild();
            return w;
        };
        kv::CopyModelsBaseIfMissing(app.paths);
        app.ui.onMessage = [](const kv::ShownMessage &m) {
            return m.buttons == kv::MsgButtons::Ok ? kv::ModalResult::Ok : kv::ModalResult::Yes;
        };
    }
    int groupWindows() const
    {
        int n = 0;
        for (TMdiChild *c : frame.Children()) n += c->Kind() == ChildKind::PartBase;
        return n;
    }
    void TearDown() override
    {
        kv::CloseModelsBase();
    }
    // A section with models (name, stem, parts (name, many)).
    void seed()
    {
        kv::OpenModelsBase(app.paths.ModelsBaseFile());
        kv::TmdlModelSectionList list;
        auto add = [&](const QString &name) -> kv::TmdlModelSection & {
            kv::TmdlModelSection &s = list.Add();
            s.Name = name;
            s.StorageName = kv::NextSectionStorageName(list);
            s.CreateStorage();
            return s;
        };
        auto model = [&](kv::TmdlModelSection &s, const QString &name, const QString &stem, const QList<QVariantList> &rows) {
            kv::TmdlModelInfo m;
            m.Name = name;
            m.PartsTable = stem;
            m.StreamName = kv::NextModelStreamName(s.Models);
            m.CreateStream(s.ModelsStorage());
            s.Models.Add(m);
            const QString path = kv::ModelTablePath(app.paths, stem);
            QFile::copy(app.paths.PatternFolder() + "Group.dbf", path);
            for (const QVariantList &r : rows)
                kv::Query::Exec("Insert into " + kv::Query::QuotePath(path) + " Values (?, 700, 500, ?, 0, 0, 0, 0, 0, 1)", r);
        };
        kv::TmdlModelSection &kitchens = add("Кухни");
        model(kitchens, "Стол", "mdl0", {{"Бок", 1}, {"Дверь", 1}});
        model(kitchens, "Шкаф", "mdl1", {{"Бок", 1}});
        add("Спальни");
    }
};

TEST_F(ModelsWindow, ShowsSectionsWithPseudoEntriesAndModels)
{
    seed();
    TfrmModelsBase w(app.ctx);
    QStringList texts;
    for (int i = 0; i < w.Navigator()->Items()->Count(); ++i) texts << w.Navigator()->Items()->Item(i)->Text();
    EXPECT_EQ(texts, (QStringList{"<Все модели>", "<Выбранные модели>", "Кухни", "Спальни"}));
    EXPECT_EQ(w.CurrentEntry(), 0);
    EXPECT_EQ(w.lvwElements()->topLevelItemCount(), 2);
    w.lvwElements()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    w.grab().save("/tmp/models_window.png");
    w.SelectEntry(1);
    EXPECT_EQ(w.lvwElements()->topLevelItemCount(), 1);
    w.SelectEntry(3);
    EXPECT_EQ(w.lvwElements()->topLevelItemCount(), 0);
}

TEST_F(ModelsWindow, AClickOnTheShownSectionReadsItAgain)
{
    seed();
    TfrmModelsBase w(app.ctx);
    ASSERT_EQ(w.lvwElements()->topLevelItemCount(), 2);
    w.lvwElements()->clear();
    TgwOutlookListItem *shown = w.Navigator()->GetSelectedItem();
    ASSERT_NE(shown, nullptr);
    w.Navigator()->ItemClicked(shown);
    EXPECT_EQ(w.lvwElements()->topLevelItemCount(), 2);
    EXPECT_EQ(w.CurrentEntry(), 0);
}

TEST_F(ModelsWindow, TickingSetsOneAndCreateMergesEqualParts)
{
    seed();
    TfrmModelsBase w(app.ctx);
    QTreeWidget *list = w.lvwElements();
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);   // sorted: Стол, Шкаф
    EXPECT_EQ(list->topLevelItem(0)->text(1), "1");
    // The quantity dialog sets Шкаф to 2.
    list->setCurrentItem(list->topLevelItem(1));
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
        if (auto *q = qobject_cast<TfrmChangeQuantity *>(&d)) q->SetQuantity(2);
        return int(QDialog::Accepted);
    });
    w.QuantityActionExecute();
    EXPECT_EQ(list->topLevelItem(1)->text(1), "2");
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Checked);

    w.findChild<QPushButton *>("btnCreate")->click();
    ASSERT_EQ(groupWindows(), 1);
    kv::PartBaseDocument *doc = kv::PartBaseDocument::OpenDocuments().last();
    EXPECT_EQ(doc->Models, (QList<kv::ModelEntry>{{"Стол", "1"}, {"Шкаф", "2"}}));
    EXPECT_TRUE(doc->Modified);
    std::unique_ptr<kv::Query> q(kv::OpenQuery("Select * from " + kv::Query::QuotePath(doc->TablePath)));
    int bok = 0, rows = 0;
    for (doc->table().First(); !doc->table().Eof(); doc->table().Next(), ++rows)
        if (doc->table().FieldByName("Name")->AsString() == "Бок") bok = doc->table().FieldByName("Many")->AsInteger();
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(bok, 3);
}

TEST_F(ModelsWindow, DuplicateSectionNameIsAskedAgain)
{
    seed();
    TfrmModelsBase w(app.ctx);
    w.SelectEntry(2);
    QStringList answers{"<все модели>", "Прихожие"};
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
        auto *in = qobject_cast<TInputNameForm *>(&d);
        if (!in || answers.isEmpty()) return int(QDialog::Rejected);
        in->edName()->setText(answers.takeFirst());
        return int(QDialog::Accepted);
    });
    w.AddSectionActionExecute();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Раздел базы моделей с указанным названием уже существует.\r\rПовторите ввод еще раз.");
    EXPECT_EQ(w.Navigator()->GetSelectedItem()->Text(), "Прихожие");
    EXPECT_EQ(w.CurrentEntry(), 3);   // Кухни, Прихожие, Спальни
}

TEST_F(ModelsWindow, AFreshBaseGetsItsFirstSectionAndAPartBaseInIt)
{
    // The empty base of a fresh installation: only the two pseudo-sections.
    TfrmModelsBase *w = CreateModelsBaseWindow(app.ctx);
    ASSERT_TRUE(w);
    ASSERT_EQ(w->Navigator()->Items()->Count(), 2);
    EXPECT_EQ(w->CurrentEntry(), 0);
    QAction *add = w->findChild<QAction *>("AddSectionAction");
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(w->findChild<QAction *>("RenameSectionAction")->isEnabled());
    EXPECT_FALSE(w->findChild<QAction *>("DeleteSectionAction")->isEnabled());
    {
        const auto hook = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
            auto *in = qobject_cast<TInputNameForm *>(&d);
            if (!in) return int(QDialog::Rejected);
            in->edName()->setText("Кухни");
            return int(QDialog::Accepted);
        });
        add->trigger();
    }
    ASSERT_EQ(w->Navigator()->Items()->Count(), 3);
    EXPECT_EQ(w->Navigator()->GetSelectedItem()->Text(), "Кухни");

    // "Добавить модель" now has a section to put the part base in.
    TMdiChild *g = frame.NewGroupWindow();
    ASSERT_TRUE(g);
    kv::PartBaseDocument *doc = kv::PartBaseDocument::OpenDocuments().last();
    doc->table().AppendRecord({"Полка", 600, 300, 4, 0, 0, 0, 0, 0, 1});
    int sections = -1;
    {
        const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
            auto *p = qobject_cast<TfrmModelParams *>(&d);
            if (!p) return int(QDialog::Rejected);
            sections = p->lbxSections()->count();
            p->edName()->setText("Стол");
            p->lbxSections()->setCurrentRow(0);
            p->bbOk()->click();
            return p->result();
        });
        AddModelToGroup(app.ctx, doc, nullptr);
    }
    EXPECT_EQ(sections, 1);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(w->lvwElements()->topLevelItemCount(), 1);
    EXPECT_EQ(w->lvwElements()->topLevelItem(0)->text(0), "Стол");

    // "Закрыть" takes the window's frame with it.
    QPointer<TfrmModelsBase> guard(w);
    w->findChild<QPushButton *>("btnClose")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    ASSERT_EQ(frame.area.subWindowList().size(), 1);
    EXPECT_EQ(frame.area.subWindowList().front()->widget(), g);
}

TEST_F(ModelsWindow, AutoRunWithOnlyModelListsChoosesModels)
{
    seed();
    writeBytes(app.paths.AutoRunFolder() + "a.kmx", kv::toCp1251("[MODELS]\r\nCOUNT=2\r\n1=Стол,2\r\n2=Нет такой,1\r\n"));
    int notices = 0;
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
        if (qobject_cast<TfrmNotPresentModels *>(&d)) ++notices;
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(ImportAutoRunFiles(app.ctx, nullptr));
    TfrmModelsBase *w = FindModelsBaseWindow(app.ctx);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->CurrentEntry(), 1);
    ASSERT_EQ(w->lvwElements()->topLevelItemCount(), 1);
    EXPECT_EQ(w->lvwElements()->topLevelItem(0)->text(1), "2");
    EXPECT_FALSE(QFileInfo::exists(app.paths.AutoRunFolder() + "a.kmx"));
    EXPECT_EQ(notices, 1);
}

TEST_F(ModelsWindow, AutoRunDesignerFileDeletedOnlyAfterImport)
{
    writeBytes(app.paths.AutoRunFolder() + "good.dkm", kv::toCp1251("[1]\r\nShifr=Бок\r\nW=700\r\nH=500\r\nQuantity=2\r\n"));
    EXPECT_TRUE(ImportAutoRunFiles(app.ctx, nullptr));
    EXPECT_FALSE(QFileInfo::exists(app.paths.AutoRunFolder() + "good.dkm"));
    ASSERT_EQ(groupWindows(), 1);
    kv::PartBaseDocument *doc = kv::PartBaseDocument::OpenDocuments().last();
    EXPECT_EQ(doc->SuggestedName, "good.kdx");
    EXPECT_TRUE(doc->Untitled);

    // Without a frame nothing can be made: the file stays for the next start.
    app.ctx.setMainWindow(nullptr);
    writeBytes(app.paths.AutoRunFolder() + "kept.dkm", "[1]\r\nShifr=x\r\n");
    ImportAutoRunFiles(app.ctx, nullptr);
    EXPECT_TRUE(QFileInfo::exists(app.paths.AutoRunFolder() + "kept.dkm"));
}

TEST_F(ModelsWindow, AddModelDialogWritesTheGroupAsANewModel)
{
    seed();
    TMdiChild *g = frame.NewGroupWindow();
    ASSERT_TRUE(g);
    kv::PartBaseDocument *doc = kv::PartBaseDocument::OpenDocuments().last();
    doc->table().AppendRecord({"Полка", 600, 300, 4, 0, 0, 0, 0, 0, 1});
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
        auto *p = qobject_cast<TfrmModelParams *>(&d);
        if (!p) return int(QDialog::Rejected);
        p->edName()->setText("  Полка навесная ");
        p->lbxSections()->setCurrentRow(1);
        p->bbOk()->click();
        return p->result();
    });
    AddModelToGroup(app.ctx, doc, nullptr);
    kv::TmdlModelSectionList list;
    kv::LoadSections(list, kv::ModelsRootStorage(), true);
    kv::TmdlModelInfo *m = kv::FindModelByName(list, "Полка навесная");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->PartsTable, "mdl2");
    EXPECT_TRUE(QFileInfo::exists(kv::ModelTablePath(app.paths, "mdl2")));
}

TEST_F(ModelsWindow, MenuImportsMakeUntitledWindowsOrNone)
{
    app.ui.onFile = [this](const kv::FileChoice &c) {
        return c.defaultExt == "txt" ? app.paths.ExportFolder() + "parts.txt" : app.paths.DetalsFolder() + "old.de1";
    };
    kv::Query::Exec("Insert into " + kv::Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)",
                    {"ЛДСП", 7});
    app.ui.onModal = [](QDialog &d) { return ChooseMaterial(d, 7); };
    writeBytes(app.paths.ExportFolder() + "parts.txt", kv::toCp1251("Бок\t700\t500\r\nПолка\t600\t300\t2\t1\t1\r\n"));
    ImportTextFile(app.ctx, nullptr);
    ASSERT_EQ(groupWindows(), 1);
    kv::PartBaseDocument *doc = kv::PartBaseDocument::OpenDocuments().last();
    EXPECT_EQ(kv::ReadParts(doc->table()).size(), 2);
    EXPECT_EQ(kv::ReadParts(doc->table()).value(1).Material, 7);

    // A file that is not text says so and opens nothing.
    for (const QByteArray &binary : {QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(8, '\0') + "IHDR",
                                     QByteArray("A\x01\x02\t1\t2\r\n")}) {
        writeBytes(app.paths.ExportFolder() + "parts.txt", binary);
        messages.clear();
        ImportTextFile(app.ctx, nullptr);
        EXPECT_EQ(groupWindows(), 1);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages.back().text, "Ошибка импорта данных!");
    }

    // A malformed 1.x list makes no window and says so.
    writeBytes(app.paths.DetalsFolder() + "old.de1", "((\"a\" 1 x 0 3))");
    app.ui.guarded([&] { ImportOldVersion(app.ctx, nullptr); });
    EXPECT_EQ(groupWindows(), 1);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, "Ошибка импорта базы деталей.");
    writeBytes(app.paths.DetalsFolder() + "old.de1", "((\"a\" 100 50 1 3) (\"b\" 10 5 0 1))");
    ImportOldVersion(app.ctx, nullptr);
    EXPECT_EQ(groupWindows(), 2);
    doc = kv::PartBaseDocument::OpenDocuments().last();
    const QList<kv::ImportedPart> parts = kv::ReadParts(doc->table());
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[1].Rotate, 1);
}

TEST_F(ModelsWindow, PrintListOfTheChosenModels)
{
    const kv::test::ScopedEnginePrinter keepPrinter;
    seed();
    kv::WriteMissingReports(app.paths.ReportsFolder());
    TfrmModelsBase w(app.ctx);
    w.lvwElements()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    int pages = 0;
    app.ui.onReports<TrpReport>([&](TrpReport &r) {
        if (r.Prepare()) pages = r.EMFPages().Count();
    });
    EXPECT_EQ(w.PrintList(), (QList<QPair<QString, int>>{{"Шкаф", 1}}));
    w.findChild<QPushButton *>("btnPrint")->click();
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(messages.empty());
}

} // namespace
