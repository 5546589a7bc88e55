#include "app/cutting/joboptions.h"
#include "app/cutting/launch.h"
#include "data/partbase/partbasedoc.h"
#include "app/cutting/raskroyoptions.h"
#include "app/results/formsheets.h"
#include "app/stock/selectsheets.h"

#include "app/tests/appfixture.h"
#include "app/tests/fakemainwindow.h"
#include "controls/spinedit.h"
#include "data/matoptions.h"
#include "data/settings.h"
#include "platform/db/table.h"
#include "platform/ui.h"
#include "print/flows/fullstat.h"
#include "widgets/outlooklist.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QRadioButton>
#include <QTimer>

using namespace kv;
using kv::engine::TPartRow;

namespace {

TOptimSettings Optim(int w, int h, int exSearch = 20)
{
    TOptimSettings o;
    o.SheetWidth = w;
    o.SheetHeight = h;
    o.ExSearch = exSearch;
    return o;
}

// --- the per-job file -------------------------------------------------------------

class JobFile : public AppTest
{
protected:
    TIniFile &settings() { return app.ini(); }
    QString jobPath() { return app.paths.JobOptionsFile(); }
};

TEST_F(JobFile, PreparedFromTheSettingsWithRemarksAndNoQuantity)
{
    TOptimSettings a = Optim(2800, 2070);
    a.DefQuantity = 9;
    a.Remark = QStringLiteral("old");
    PackOptimSettings(settings(), MaterialSection(1), a);
    TIniFile job(jobPath());
    PrepareJobFile(settings(), job, {"1", "2"}, {"2=Заказ 5, кухня, \"угловая\"", "1x=not this"});
    const TOptimSettings j1 = UnpackOptimSettings(job, MaterialSection(1));
    EXPECT_EQ(j1.SheetWidth, 2800);
    EXPECT_EQ(j1.DefQuantity, 0);
    EXPECT_EQ(j1.Remark, QString()); // no line for material 1
    // No Optim key: switched on, size 0 x 0; the remark with commas stays whole.
    const TOptimSettings j2 = UnpackOptimSettings(job, MaterialSection(2));
    EXPECT_TRUE(j2.Enabled);
    EXPECT_EQ(j2.SheetWidth, 0);
    EXPECT_EQ(j2.SheetHeight, 0);
    EXPECT_EQ(j2.Remark, QStringLiteral("Заказ 5, кухня, \"угловая\""));
}

TEST_F(JobFile, StockCheck)
{
    const QList<StdSheetRow> stock1 = {{2800, 2070, 0}, {2800, 2070, 3}, {2750, 1830, 4}};
    auto sheetsOf = [&](int code) { return code == 1 ? stock1 : QList<StdSheetRow>(); };
    struct Case
    {
        const char *what;
        int code, w, h;
        bool standart, enabled;
        QString error;
        int quantity;
    };
    const Case cases[] = {
        {"every row of the size is summed", 1, 2800, 2070, true, true, "", 3},
        {"single row", 1, 2750, 1830, true, true, "", 4},
        {"size missing", 1, 1000, 1000, true, true, "1000x1000", 0},
        {"no sheets of the material", 2, 0, 0, true, true, "0x0", 0},
        {"counting off: not checked", 2, 0, 0, false, true, "", 0},
        {"switched off: not checked", 2, 0, 0, true, false, "", 0},
    };
    for (const Case &c : cases) {
        QFile::remove(jobPath());
        TIniFile::ClearCache();
        TIniFile job(jobPath());
        TOptimSettings o = Optim(c.w, c.h);
        o.Standart = c.standart;
        o.Enabled = c.enabled;
        PackOptimSettings(job, MaterialSection(c.code), o);
        const QString err = CheckJobStock(job, {QString::number(c.code)}, {"ДСП"}, sheetsOf);
        if (c.error.isEmpty()) {
            EXPECT_EQ(err, QString()) << c.what;
            EXPECT_EQ(UnpackOptimSettings(job, MaterialSection(c.code)).DefQuantity, c.quantity) << c.what;
        } else {
            EXPECT_EQ(err, QStringLiteral("ВНИМАНИЕ!\rРазложение невозможно!\r\rЛисты <ДСП> размером %1 на складе "
                                          "отсутствуют.")
                               .arg(c.error))
                << c.what;
        }
    }
}

TEST_F(JobFile, AutoSizeSwitchesCountingOnForEveryMaterial)
{
    TIniFile job(jobPath());
    PackOptimSettings(job, MaterialSection(1), Optim(1, 1));
    PackOptimSettings(job, MaterialSection(2), Optim(5, 5));
    AutoBounds(job, {"1", "2"}, [](int code) {
        return code == 1 ? QList<StdSheetRow>{{2500, 1830, 2}, {2800, 2070, 1}} : QList<StdSheetRow>();
    });
    const TOptimSettings a = UnpackOptimSettings(job, MaterialSection(1));
    const TOptimSettings b = UnpackOptimSettings(job, MaterialSection(2));
    EXPECT_EQ(a.SheetWidth, 2500);
    EXPECT_EQ(a.SheetHeight, 1830);
    EXPECT_TRUE(a.Standart);
    EXPECT_EQ(b.SheetWidth, 0);
    EXPECT_EQ(b.SheetHeight, 0);
    EXPECT_TRUE(b.Standart);
}

TEST_F(JobFile, EnabledMaterialsAndCollecting)
{
    {
        TIniFile job(jobPath());
        for (int code : {5, 3, 9}) {
            TOptimSettings o = Optim(100, 100);
            o.Enabled = code != 3;
            PackOptimSettings(job, MaterialSection(code), o);
        }
    }
    TIniFile::ClearCache();
    EXPECT_EQ(EnabledJobMaterials(jobPath()), (std::vector<int>{5, 9}));
    TIniFile::ClearCache();
    EXPECT_FALSE(TIniFile(jobPath()).SectionExists(MaterialSection(3)));

    std::vector<TPartRow> rows(4);
    rows[0].Material = 4, rows[1].Material = 2, rows[2].Material = 4, rows[3].Material = 7;
    QStringList names, codes;
    CollectMaterials(rows, [](int c) { return c == 7 ? QString() : QStringLiteral("M%1").arg(c); }, names, codes);
    EXPECT_EQ(codes, (QStringList{"4", "2", "7"}));
    EXPECT_EQ(names, (QStringList{"M4", "M2", ""}));
}

// --- the dialog ---------------------------------------------------------------------

TEST_F(JobFile, DialogEditsEachMaterialAndCopiesOnOk)
{
    PackOptimSettings(settings(), MaterialSection(1), Optim(2800, 2070, 77));
    TfrmRaskroyOptions d(app.ctx);
    d.SheetsOf = [](int) { return QList<StdSheetRow>(); };
    d.SetJob({"1", "2"}, {"ДСП", "МДФ"}, {});
    bool checked = false;
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &dialog) {
        auto &f = dynamic_cast<TfrmRaskroyOptions &>(dialog);
        EXPECT_EQ(f.OutlookList->Items()->Count(), 2);
        EXPECT_EQ(f.OutlookList->Items()->Item(0)->ImageIndex(), 48);
        EXPECT_EQ(f.ShownCode(), 1);
        EXPECT_EQ(f.edSheetWidth->text(), QStringLiteral("2800"));
        EXPECT_EQ(f.seExSearch->Value(), 77);
        f.edRemark->setText(QStringLiteral("a, b"));
        f.rbFull->setChecked(true);
        f.ShowMaterial(2); // the first is saved into the file
        EXPECT_EQ(f.edSheetWidth->text(), QStringLiteral("0"));
        EXPECT_TRUE(f.chbEnabled->isChecked());
        f.chbEnabled->click(); // switched off: options disabled, image 49
        EXPECT_FALSE(f.edRemark->isEnabled());
        EXPECT_FALSE(f.RemarkAllAction->isEnabled());
        EXPECT_EQ(f.OutlookList->Items()->Item(1)->ImageIndex(), 49);
        f.ShowMaterial(1);
        EXPECT_EQ(f.edRemark->text(), QStringLiteral("a, b"));
        EXPECT_TRUE(f.rbFull->isChecked());
        f.edSheetWidth->setText(QStringLiteral("abc")); // not a number: 0
        f.OkAction->trigger();
        checked = true;
        return f.result();
    });
    EXPECT_EQ(d.Execute(), int(QDialog::Accepted));
    ASSERT_TRUE(checked);
    const TOptimSettings s1 = UnpackOptimSettings(settings(), MaterialSection(1));
    EXPECT_EQ(s1.SheetWidth, 0);
    EXPECT_EQ(s1.Remark, QStringLiteral("a, b"));
    EXPECT_TRUE(s1.Algorithm);
    EXPECT_FALSE(UnpackOptimSettings(settings(), MaterialSection(2)).Enabled);
    EXPECT_TRUE(QFile::exists(jobPath())); // the job reads it afterwards
}

TEST_F(JobFile, OkWithMissingSheetsKeepsTheDialogOpenAndCopiesTheSectionsFirst)
{
    TOptimSettings o = Optim(2800, 2070);
    o.Standart = true;
    PackOptimSettings(settings(), MaterialSection(1), o);
    TfrmRaskroyOptions d(app.ctx);
    d.SheetsOf = [](int) { return QList<StdSheetRow>{{2800, 2070, 0}}; };
    d.SetJob({"1"}, {"ДСП"}, {});
    kv::test::ScopedAnswers answers(app.ui);
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &dialog) {
        auto &f = dynamic_cast<TfrmRaskroyOptions &>(dialog);
        f.edRemark->setText(QStringLiteral("x"));
        f.OkAction->trigger();
        EXPECT_EQ(f.result(), 0);
        // Counting off: OK closes.
        f.chbStandart->setChecked(false);
        f.OkAction->trigger();
        return f.result();
    });
    EXPECT_EQ(d.Execute(), int(QDialog::Accepted));
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].kind, MsgKind::Error);
    EXPECT_TRUE(answers.shown()[0].text.contains(QStringLiteral("Листы <ДСП> размером 2800x2070")));
    const TOptimSettings s = UnpackOptimSettings(settings(), MaterialSection(1));
    EXPECT_EQ(s.Remark, QStringLiteral("x"));
    EXPECT_EQ(s.DefQuantity, 0); // copied before the quantities are filled in
}

TEST_F(JobFile, ForAllActionsSetEverySection)
{
    TfrmRaskroyOptions d(app.ctx);
    d.SetJob({"1", "2", "3"}, {"a", "b", "c"}, {});
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &dialog) {
        auto &f = dynamic_cast<TfrmRaskroyOptions &>(dialog);
        // The buttons beside the fields say "..." (a tool button drops a
        // trailing "..." from its action's text) and what they do in their hint.
        auto click = [&f](const char *name, const char *hint) {
            auto *b = f.findChild<QToolButton *>(QString::fromLatin1(name));
            ASSERT_NE(b, nullptr) << name;
            EXPECT_EQ(b->text(), QStringLiteral("...")) << name;
            EXPECT_EQ(b->toolTip(), QString::fromUtf8(hint)) << name;
            b->click();
        };
        f.show();
        f.edRemark->setText(QStringLiteral("r, 1"));
        click("bbRemarkAll", "Комментарий установить\r\nдля всех материалов");
        f.rbFull->setChecked(true);
        click("bbSearchModeAll", "Способ перебора установить\r\nдля всех материалов");
        f.seExSearch->setValue(321);
        click("bbDepthAll", "Глубину перебора установить\r\nдля всех материалов");
        f.rbAlgorithm2->setChecked(true);
        f.cbxOneDimOptimization->setChecked(true);
        click("bbAlgorithmAll", "Вид алгоритма установить\r\nдля всех материалов");
        f.bbAutoBounds->click();
        EXPECT_TRUE(f.chbStandart->isChecked());
        return int(QDialog::Rejected);
    });
    d.SheetsOf = [](int) { return QList<StdSheetRow>(); };
    EXPECT_EQ(d.Execute(), int(QDialog::Rejected));
    TIniFile::ClearCache();
    TIniFile job(jobPath());
    for (int code : {2, 3}) {
        const TOptimSettings o = UnpackOptimSettings(job, MaterialSection(code));
        EXPECT_EQ(o.Remark, QStringLiteral("r, 1"));
        EXPECT_TRUE(o.Algorithm);
        EXPECT_EQ(o.ExSearch, 321);
        EXPECT_EQ(o.AlgorithmNumber, 1);
        EXPECT_TRUE(o.OneDimOpt);
        EXPECT_TRUE(o.Standart);
    }
    // Cancel copies nothing into the settings file.
    EXPECT_FALSE(settings().SectionExists(MaterialSection(2)));
}

// --- the whole road -------------------------------------------------------------------

TPartRow Row(const char *name, int l, int w, int many, int material, int rotate = 0)
{
    TPartRow r;
    r.Name = name;
    r.Length = l, r.Width = w, r.Many = many, r.Rotate = rotate, r.Material = material;
    return r;
}

// A kitchen order: carcass parts in chipboard (1), fronts in MDF (2), a back in fibreboard (3).
std::vector<TPartRow> Kitchen()
{
    return {Row("Бок", 720, 560, 8, 1, 1),     Row("Дно", 564, 560, 4, 1),   Row("Полка", 560, 280, 6, 1),
            Row("Фасад", 716, 396, 6, 2, 2),   Row("Фасад ящ", 396, 140, 6, 2, 2),
            Row("Задняя стенка", 716, 596, 4, 3)};
}

class Road : public AppTest
{
protected:
    FakeMainWindow frame{app.ctx};
    QList<QPointer<TFormSheets>> made;
    int counter = 0;
    // The user's answers to the job's dialogs: the options dialog, the
    // used-up sheets dialog (its item), the statistics at the end.
    std::function<int(TfrmRaskroyOptions &)> options;
    std::function<int()> usedUp;
    std::function<void()> statistics;

    void SetUp() override
    {
        for (int code : {1, 2, 3})
            PackOptimSettings(app.ini(), MaterialSection(code), Optim(2800, 2070, 20));
        frame.makeResults = [this](bool) {
            auto *w = new TFormSheets(app.ctx);
            w->ShowChild();
            made << w;
            return w;
        };
        app.ui.onModal = [this](QDialog &d) {
            if (auto *o = qobject_cast<TfrmRaskroyOptions *>(&d)) return options ? options(*o) : int(QDialog::Rejected);
            if (auto *e = qobject_cast<TfrmSheetsError *>(&d)) {
                e->SetItemIndex(usedUp ? usedUp() : 0);
                return int(QDialog::Accepted);
            }
            if (qobject_cast<TfrmFullStat *>(&d) && statistics) statistics();
            return int(QDialog::Rejected);
        };
    }
    void TearDown() override
    {
        for (const QPointer<TFormSheets> &w : made)
            delete w.data();
    }
    RaskroyGroupData data(std::vector<TPartRow> rows)
    {
        RaskroyGroupData d;
        d.caption = QStringLiteral("Кухня.kdx");
        d.fileName = QStringLiteral("Кухня.kdx");
        d.rows = std::move(rows);
        return d;
    }
    void AnswerOk()
    {
        options = [](TfrmRaskroyOptions &f) {
            f.OkAction->trigger();
            return f.result();
        };
    }
};

TEST_F(Road, KitchenOrderThreeMaterialsOneWindow)
{
    AnswerOk();
    kv::test::ScopedAnswers answers(app.ui);
    IJobResults *r = RaskroyGroup(app.ctx, data(Kitchen()), counter);
    ASSERT_TRUE(r);
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(made.size(), 1);
    TFormSheets *w = made[0];
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Вариант раскроя 1: \"Кухня.kdx\""));
    EXPECT_FALSE(w->Running());
    EXPECT_FALSE(frame.busy);
    EXPECT_FALSE(QFile::exists(app.paths.JobOptionsFile()));
    EXPECT_TRUE(w->SaveAction->isEnabled());
    EXPECT_TRUE(w->ProgressBar()->isHidden());
    const MapDocument &doc = w->Document();
    ASSERT_GE(doc.Tabs.size(), 3u);
    // Tabs carry their material, in job order; every part is on a map.
    std::vector<int> codes;
    std::map<std::string, int> laid;
    for (const MapTab &t : doc.Tabs) {
        if (codes.empty() || codes.back() != t.MaterialCode)
            codes.push_back(t.MaterialCode);
        EXPECT_EQ(t.RealWidth, 2800);
        EXPECT_EQ(t.RealHeight, 2070);
        EXPECT_NEAR(t.DetalsSquare + t.TotalSquare, double(t.SheetArea()), 1e-6);
        for (const MapPart &p : t.Parts)
            laid[p.Title.toStdString()] += t.Quantity;
    }
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3}));
    double parts = 0;
    for (const TPartRow &row : Kitchen()) {
        EXPECT_EQ(laid[row.Name], row.Many) << row.Name;
        parts += double(row.Length) * row.Width * row.Many;
    }
    EXPECT_DOUBLE_EQ(doc.SumDetalsSquare(), parts);
    EXPECT_EQ(doc.MaterialCodes, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(answers.shown().empty());
    // A second job gets its own window and number.
    AnswerOk();
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(Kitchen()), counter));
    EXPECT_EQ(made.size(), 2);
    EXPECT_EQ(made[1]->windowTitle(), QStringLiteral("Вариант раскроя 2: \"Кухня.kdx\""));
}

// The remark typed for a material is the frame's: the next job offers it
// again, and the frame writes it into the settings at shut-down.
TEST_F(Road, RemarksAreTheFramesList)
{
    frame.remarks = QStringList{"7=Шкаф", "1=старый"};
    QStringList offered;
    options = [&](TfrmRaskroyOptions &f) {
        f.ShowMaterial(1);
        offered << f.edRemark->text();
        f.edRemark->setText(QStringLiteral("Zakaz7, кухня"));
        f.OkAction->trigger();
        return f.result();
    };
    std::vector<TPartRow> rows = {Row("Дно", 564, 560, 4, 1)};
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(rows), counter));
    EXPECT_EQ(frame.remarks, QStringList({"7=Шкаф", "1=Zakaz7, кухня"}));
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(rows), counter));
    EXPECT_EQ(offered, QStringList({"старый", "Zakaz7, кухня"}));
}

TEST_F(Road, FilteredRowsAndSwitchedOffMaterials)
{
    // The window shows material 2 only: the job covers it only.
    std::vector<TPartRow> only2;
    for (const TPartRow &r : Kitchen())
        if (r.Material == 2)
            only2.push_back(r);
    AnswerOk();
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(only2), counter));
    for (const MapTab &t : made.back()->Document().Tabs)
        EXPECT_EQ(t.MaterialCode, 2);
    // Material 1 switched off in the dialog is not cut.
    options = [](TfrmRaskroyOptions &f) {
        f.ShowMaterial(1);
        f.chbEnabled->click();
        f.OkAction->trigger();
        return f.result();
    };
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(Kitchen()), counter));
    for (const MapTab &t : made.back()->Document().Tabs)
        EXPECT_NE(t.MaterialCode, 1);
    EXPECT_EQ(made.back()->Document().MaterialCodes, (std::vector<int>{2, 3}));
}

TEST_F(Road, NothingToCutOrCancelledMakesNoWindow)
{
    kv::test::ScopedAnswers answers(app.ui);
    EXPECT_FALSE(RaskroyGroup(app.ctx, data({}), counter));
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, QString::fromUtf8(raskroytext::NoMaterials));
    options = [](TfrmRaskroyOptions &f) {
        f.CancelAction->trigger();
        return f.result();
    };
    EXPECT_FALSE(RaskroyGroup(app.ctx, data(Kitchen()), counter));
    EXPECT_TRUE(made.isEmpty());
    EXPECT_FALSE(frame.calls.contains(QStringLiteral("CreateResultsWindow:1")));
    EXPECT_EQ(counter, 0);
}

// A job big enough to take many variants.
std::vector<TPartRow> LargeJob()
{
    std::vector<TPartRow> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back(Row(("P" + std::to_string(i)).c_str(), 200 + 37 * i % 900, 100 + 53 * i % 600, 7, 1));
    for (int i = 0; i < 10; ++i)
        rows.push_back(Row(("Q" + std::to_string(i)).c_str(), 300 + 41 * i, 150 + 29 * i, 5, 2));
    return rows;
}

TEST_F(Road, ClosingTheResultsWindowMidRunEndsTheJobCleanly)
{
    PackOptimSettings(app.ini(), MaterialSection(1), Optim(2800, 2070, 2000));
    AnswerOk();
    int variants = 0;
    bool reentered = true;
    // At the first chance during the run: try to start another job, then close the window.
    std::function<void()> poke = [&] {
        if (made.isEmpty() || !made[0]) {
            QTimer::singleShot(0, poke);
            return;
        }
        ++variants;
        int other = 0;
        reentered = RaskroyGroup(app.ctx, data(Kitchen()), other) != nullptr;
        EXPECT_TRUE(TRaskroyJob::Busy());
        EXPECT_TRUE(frame.busy);
        EXPECT_FALSE(made[0]->SaveAction->isEnabled());
        made[0]->close();
    };
    QTimer::singleShot(0, poke);
    kv::test::ScopedAnswers answers(app.ui);
    IJobResults *r = RaskroyGroup(app.ctx, data(LargeJob()), counter);
    EXPECT_EQ(r, nullptr);
    EXPECT_GE(variants, 1);
    EXPECT_FALSE(reentered);
    EXPECT_EQ(counter, 0);
    EXPECT_FALSE(TRaskroyJob::Busy());
    EXPECT_FALSE(frame.busy);
    EXPECT_FALSE(QFile::exists(app.paths.JobOptionsFile()));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(made[0].isNull()); // closed and freed
    EXPECT_TRUE(frame.area.subWindowList().isEmpty());   // no empty frame left
    EXPECT_EQ(made.size(), 1);
}

struct FakeLeftover : kv::engine::ILeftoverBase
{
    std::vector<TPartRow> rows;
    int refreshes = 0;
    void appendPart(const TPartRow &r) override { rows.push_back(r); }
    void refreshTotals() override { ++refreshes; }
};

TEST_F(Road, UsedUpSheetsCountedAndLeftoversOfTwoMaterialsInOneBase)
{
    for (int code : {1, 2}) {
        TOptimSettings o = Optim(2800, 2070, 10);
        o.Standart = true;
        PackOptimSettings(app.ini(), MaterialSection(code), o);
    }
    // One standard sheet of each material in the warehouse.
    app.module->OpenSheetsCopy();
    kv::Table *t = app.module->tblSheets;
    for (int code : {1, 2}) {
        t->Append();
        t->FieldByName("LENGTH")->SetAsInteger(2800);
        t->FieldByName("WIDTH")->SetAsInteger(2070);
        t->FieldByName("MANY")->SetAsInteger(1);
        t->FieldByName("CODE")->SetAsInteger(code);
        t->Post();
    }
    AnswerOk();
    FakeLeftover leftover;
    QStringList captions;
    int choices = 0;
    usedUp = [&] { return ++choices, 0; };
    RaskroyGroupData d = data(LargeJob());
    d.createLeftover = [&](const QString &caption) {
        captions << caption;
        return &leftover;
    };
    kv::test::ScopedAnswers answers(app.ui, {}, ModalResult::Yes);
    IJobResults *r = RaskroyGroup(app.ctx, std::move(d), counter);
    ASSERT_TRUE(r);
    EXPECT_EQ(choices, 2);
    EXPECT_EQ(captions, QStringList{"Неразложенные детали базы Кухня.kdx"}); // one base for the job
    const MapDocument &doc = made[0]->Document();
    ASSERT_EQ(doc.Tabs.size(), 2u); // one counted sheet per material
    ASSERT_EQ(doc.UsingSheets.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(doc.UsingSheets[i].Code, i + 1);
        EXPECT_EQ(doc.UsingSheets[i].Initial, 1);
        EXPECT_EQ(doc.UsingSheets[i].Remaining, 0);
    }
    // Every part of both materials has a row; the copies laid out are not in it.
    const std::vector<TPartRow> rows = LargeJob();
    ASSERT_EQ(leftover.rows.size(), rows.size());
    EXPECT_EQ(leftover.refreshes, int(rows.size()));
    std::map<std::string, int> laid;
    for (const MapTab &tab : doc.Tabs)
        for (const MapPart &p : tab.Parts)
            laid[p.Title.toStdString()] += tab.Quantity;
    std::map<std::string, TPartRow> left;
    for (const TPartRow &row : leftover.rows)
        left[row.Name] = row;
    for (const TPartRow &row : rows) {
        ASSERT_TRUE(left.count(row.Name)) << row.Name;
        EXPECT_EQ(left[row.Name].Material, row.Material);
        EXPECT_EQ(left[row.Name].Length, row.Length);
        EXPECT_EQ(left[row.Name].Many, row.Many - laid[row.Name]) << row.Name;
    }
}

// A run of 300 parts: the frame's status line counts down what is left and
// is cleared at the end; the progress bar shows inside the window at its
// default size. A part of quantity 0 is left out.
TEST_F(Road, ARunYouCanWatch)
{
    std::vector<TPartRow> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back(Row(("P" + std::to_string(i)).c_str(), 200 + 37 * i % 900, 100 + 53 * i % 600, 10, 1));
    rows.push_back(Row("Пропуск", 500, 400, 0, 1));
    AnswerOk();
    frame.area.show();
    bool progressSeen = false;
    std::function<void()> poke = [&] {
        if (made.isEmpty() || !made[0] || !made[0]->Running()) {
            if (!made.isEmpty() && made[0] && !made[0]->Document().Tabs.empty())
                return;   // the run is over
            QTimer::singleShot(0, poke);
            return;
        }
        TFormSheets *w = made[0];
        QProgressBar *bar = w->ProgressBar();
        if (!bar->isHidden()) {
            progressSeen = true;
            EXPECT_TRUE(bar->isVisibleTo(w));
            const QRect r(bar->mapTo(w, QPoint(0, 0)), bar->size());
            EXPECT_TRUE(w->rect().contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
            EXPECT_GT(r.width(), 20);
            EXPECT_EQ(w->findChild<QToolButton *>(QStringLiteral("tbSave"))->actions(),
                      QList<QAction *>{w->AbortRaskroyAction});
            return;
        }
        QTimer::singleShot(0, poke);
    };
    QTimer::singleShot(0, poke);
    kv::test::ScopedAnswers answers(app.ui);
    ASSERT_TRUE(RaskroyGroup(app.ctx, data(rows), counter));
    EXPECT_TRUE(progressSeen);
    const QString prefix = QStringLiteral("Осталось неразложено деталей: ");
    ASSERT_GE(frame.statusTexts.size(), 2);
    EXPECT_EQ(frame.statusTexts.front(), prefix + "300");
    EXPECT_EQ(frame.statusTexts.back(), QString());
    int last = 300;
    for (const QString &t : frame.statusTexts.mid(0, frame.statusTexts.size() - 1)) {
        if (t.isEmpty())
            continue;
        ASSERT_TRUE(t.startsWith(prefix)) << t.toStdString();
        const int n = t.mid(prefix.size()).toInt();
        EXPECT_LE(n, last);
        last = n;
    }
    int laid = 0;
    for (const MapTab &tab : made[0]->Document().Tabs)
        for (const MapPart &p : tab.Parts) {
            EXPECT_NE(p.Title, QStringLiteral("Пропуск"));
            laid += tab.Quantity;
        }
    EXPECT_EQ(laid, 300);
    EXPECT_TRUE(made[0]->ProgressBar()->isHidden());
    // The save button holds the save action alone again: no drop-down.
    auto *save = made[0]->findChild<QToolButton *>(QStringLiteral("tbSave"));
    EXPECT_EQ(save->defaultAction(), made[0]->SaveAction);
    EXPECT_EQ(save->actions(), QList<QAction *>{made[0]->SaveAction});
}

TEST_F(Road, AbortKeepsTheMapsMadeSoFarAndSkipsLaterMaterials)
{
    PackOptimSettings(app.ini(), MaterialSection(1), Optim(2800, 2070, 2000));
    AnswerOk();
    bool asked = false;
    std::function<void()> poke = [&] {
        if (made.isEmpty() || !made[0] || made[0]->Document().Tabs.empty()) {
            QTimer::singleShot(0, poke);
            return;
        }
        asked = true;
        made[0]->AbortRaskroyAction->trigger();
    };
    QTimer::singleShot(0, poke);
    kv::test::ScopedAnswers answers(app.ui, {}, ModalResult::Yes);
    IJobResults *r = RaskroyGroup(app.ctx, data(LargeJob()), counter);
    ASSERT_TRUE(asked);
    ASSERT_TRUE(r);
    TFormSheets *w = made[0];
    bool abortAsked = false;
    for (const ShownMessage &m : answers.shown())
        abortAsked = abortAsked || m.text == QStringLiteral("Действительно прервать разложение?");
    EXPECT_TRUE(abortAsked);
    EXPECT_FALSE(w->Document().Tabs.empty());
    for (const MapTab &t : w->Document().Tabs) {
        EXPECT_EQ(t.MaterialCode, 1); // material 2 skipped
        EXPECT_NEAR(t.DetalsSquare + t.TotalSquare, double(t.SheetArea()), 1e-6);
    }
    EXPECT_TRUE(w->SaveAction->isEnabled());
    EXPECT_FALSE(frame.busy);
}

} // namespace

namespace {

TEST_F(JobFile, RowsOfAPartBaseAsTheWindowShowsThem)
{
    kv::PartBaseDocument doc(app.paths, app.settings.get());
    doc.NewGroup();
    kv::Table &t = doc.table();
    for (const TPartRow &r : Kitchen()) {
        t.Append();
        t.FieldByName("NAME")->SetAsString(QString::fromStdString(r.Name));
        t.FieldByName("LENGTH")->SetAsInteger(r.Length);
        t.FieldByName("WIDTH")->SetAsInteger(r.Width);
        t.FieldByName("MANY")->SetAsInteger(r.Many);
        t.FieldByName("ROTATE")->SetAsInteger(r.Rotate);
        t.FieldByName("LBORDER")->SetAsInteger(3);
        t.FieldByName("MATERIAL")->SetAsInteger(r.Material);
        t.Post();
    }
    t.Append(); // a pending edit is posted first
    t.FieldByName("NAME")->SetAsString(QStringLiteral("Цоколь"));
    t.FieldByName("LENGTH")->SetAsInteger(2400);
    t.FieldByName("WIDTH")->SetAsInteger(100);
    t.FieldByName("MANY")->SetAsInteger(2);
    t.FieldByName("MATERIAL")->SetAsInteger(1);
    std::vector<TPartRow> all = PartRowsOf(doc);
    ASSERT_EQ(all.size(), Kitchen().size() + 1);
    EXPECT_EQ(all[0].Name, "Бок");
    EXPECT_EQ(all[0].Rotate, 1);
    EXPECT_EQ(all[0].LBorder, 3);
    EXPECT_EQ(all.back().Name, "Цоколь");
    doc.SetMaterialFilter(2);
    t.SetRecNo(2);
    const std::vector<TPartRow> fronts = PartRowsOf(doc);
    ASSERT_EQ(fronts.size(), 2u);
    EXPECT_EQ(fronts[0].Name, "Фасад");
    EXPECT_EQ(t.RecNo(), 2);
}

} // namespace

#include "app/partbase/raskroygroup.h"
#include "data/rowchecks.h"
#include "platform/db/query.h"

#include <QTableView>

namespace {

// New part-base windows of the frame are real ones.
void MakeRealGroups(FakeMainWindow &frame, AppContext &ctx)
{
    frame.makeGroup = [&ctx](const QString &) -> TMdiChild * {
        auto *w = new TfrmRaskroyGroup(ctx);
        if (!w->NewGroup()) {
            delete w;
            return nullptr;
        }
        // As the frame makes them: "Разложить" runs the job.
        QObject::connect(w, &TfrmRaskroyGroup::RaskroyRequested, w, [w] { tbRaskroyClick(*w); });
        w->ShowChild();
        return w;
    };
    frame.area.show();
}

// The whole road through the real part-base window: its "&Разложить", OK in
// the options, the maps in a results window of the frame.
TEST_F(Road, PartBaseWindowCutsItsKitchenOrder)
{
    MakeRealGroups(frame, app.ctx);
    auto *g = static_cast<TfrmRaskroyGroup *>(frame.NewGroupWindow());
    ASSERT_TRUE(g);
    kv::Table &t = g->Document().table();
    for (const TPartRow &r : Kitchen()) {
        t.Append();
        t.FieldByName("NAME")->SetAsString(QString::fromStdString(r.Name));
        t.FieldByName("LENGTH")->SetAsInteger(r.Length);
        t.FieldByName("WIDTH")->SetAsInteger(r.Width);
        t.FieldByName("MANY")->SetAsInteger(r.Many);
        t.FieldByName("ROTATE")->SetAsInteger(r.Rotate);
        t.FieldByName("MATERIAL")->SetAsInteger(r.Material);
        t.Post();
    }
    AnswerOk();
    kv::test::ScopedAnswers answers(app.ui);
    QAction *raskroy = g->findChild<QAction *>(QStringLiteral("RaskroyAction"));
    ASSERT_TRUE(raskroy);
    raskroy->trigger();
    ASSERT_EQ(made.size(), 1);
    TFormSheets *w = made[0];
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Вариант раскроя 1: \"%1\"").arg(g->windowTitle()));
    const MapDocument &doc = w->Document();
    std::vector<int> codes;
    for (const MapTab &tab : doc.Tabs)
        if (codes.empty() || codes.back() != tab.MaterialCode)
            codes.push_back(tab.MaterialCode);
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(w->PageCount(), int(doc.Tabs.size()));
    double parts = 0, sheets = 0;
    for (const TPartRow &r : Kitchen())
        parts += double(r.Length) * r.Width * r.Many;
    for (const MapTab &tab : doc.Tabs)
        sheets += double(tab.SheetArea()) * tab.Quantity;
    EXPECT_DOUBLE_EQ(doc.SumDetalsSquare(), parts);
    EXPECT_DOUBLE_EQ(doc.Totals().SheetArea, sheets);
    EXPECT_NEAR(doc.SumDetalsSquare() + doc.SumTotalSquare(), sheets, 1e-3);
    // A second job of the same window is number 2.
    AnswerOk();
    raskroy->trigger();
    ASSERT_EQ(made.size(), 2);
    EXPECT_TRUE(made[1]->windowTitle().startsWith(QStringLiteral("Вариант раскроя 2: ")));
    for (TMdiChild *c : frame.Children())
        c->SetShuttingDown();
}

// A part the job cannot cut: the job goes its usual way (its results window,
// the message, the statistics), the part base shows the row it was refused
// for while the message is up, and the empty results window closes without
// asking to save maps.
TEST_F(Road, ARefusedPartIsTheCurrentRowOfThePartBase)
{
    Query::Exec("Insert into " + Query::QuotePath(app.paths.OwnMaterialsTable()) + " Values(?, ?)",
                {QStringLiteral("ДСП"), 1});
    MakeRealGroups(frame, app.ctx);
    struct Case
    {
        const char *what;
        std::vector<TPartRow> rows;
        const char *message;
        int row;
    };
    const Case cases[] = {
        {"larger than the sheet",
         {Row("Бок", 720, 560, 2, 1), Row("Пенал", 2900, 600, 1, 1, 1), Row("Цоколь", 3000, 100, 1, 1, 1)},
         "Разложение деталей материала <ДСП> невозможно!\r\rРазмер одной или более деталей больше размера листа.", 1},
        {"a size an old file brought",
         {Row("Бок", 720, 560, 2, 1), Row("Дно", 564, 560, 1, 1), Row("Полка", -560, 280, 4, 1)},
         "Разложение деталей материала <ДСП> невозможно!\r\rРазмеры одной или более деталей заданы неверно.", 2},
        {"no copies", {Row("Бок", 720, 560, 0, 1), Row("Дно", 564, 560, 0, 1)},
         "Разложение невозможно!\r\rТекущая база не содержит деталей из материала <ДСП>.", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto *g = static_cast<TfrmRaskroyGroup *>(frame.NewGroupWindow());
        ASSERT_TRUE(g);
        kv::Table &t = g->Document().table();
        {
            kv::PositiveFieldsCheck::Suspend asAFileBroughtThem(g->Document().RowChecks());
            for (const TPartRow &r : c.rows)
                t.AppendRecord({QString::fromStdString(r.Name), r.Length, r.Width, r.Many, r.Rotate, 0, 0, 0, 0,
                                r.Material});
        }
        t.First();
        QStringList order;
        int rowAtMessage = -1;
        const auto boxes = kv::test::ScopedSet(app.ui.onMessage, [&](const kv::ShownMessage &m) {
            order << m.text;
            rowAtMessage = t.RecNo() - 1;
            return kv::ModalResult::Ok;
        });
        const auto shown = kv::test::ScopedSet(statistics, [&] { order << QStringLiteral("statistics"); });
        const int windows = int(made.size());
        AnswerOk();
        g->findChild<QAction *>(QStringLiteral("RaskroyAction"))->trigger();
        ASSERT_EQ(int(made.size()), windows + 1);
        EXPECT_EQ(order, QStringList({QString::fromUtf8(c.message), QStringLiteral("statistics")}));
        EXPECT_EQ(rowAtMessage, c.row);
        EXPECT_EQ(t.RecNo() - 1, c.row);
        EXPECT_EQ(g->findChild<QTableView *>(QStringLiteral("DBGrid"))->currentIndex().row(), c.row);
        TFormSheets *w = made.back();
        EXPECT_TRUE(w->Document().Tabs.empty());
        order.clear();
        EXPECT_TRUE(w->CloseQuery());
        EXPECT_TRUE(order.isEmpty());
    }
    for (TMdiChild *ch : frame.Children())
        ch->SetShuttingDown();
}

} // namespace
