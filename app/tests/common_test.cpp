#include "app/common/appcontext.h"
#include "app/common/mdichild.h"
#include "app/partbase/raskroygroup.h"
#include "app/results/formsheets.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "app/tests/fakemainwindow.h"
#include "controls/dbgrid.h"
#include "controls/winlayout.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class TfrmProbe : public TMdiChild
{
public:
    explicit TfrmProbe(AppContext &ctx, ChildKind kind = ChildKind::Other)
        : TMdiChild(ctx, QStringLiteral("TfrmProbe")), m_kind(kind)
    {
        setWindowTitle("Проба");
        resize(300, 200);
    }
    ChildKind Kind() const override { return m_kind; }
    bool CloseQuery() override
    {
        ++asked;
        if (failQuery) throw kv::Error("Сбой при закрытии");
        return allowClose;
    }
    void FormClose() override { ++closed; }
    void Boom() { throw kv::Error("Сбой команды"); }

    ChildKind m_kind;
    bool allowClose = true;
    bool failQuery = false;
    int asked = 0;
    int closed = 0;
};

TEST(AppFixture, MakesAProgramFolderWithTablesAndSettings)
{
    AppFixture app;
    EXPECT_TRUE(QFile::exists(app.paths.SettingsFile()));
    EXPECT_TRUE(QDir(app.paths.AutoRunFolder()).exists());
    EXPECT_TRUE(QFile::exists(app.paths.SheetsTable()));
    EXPECT_EQ(&app.ctx.paths(), &app.paths);
    EXPECT_EQ(&app.ctx.module(), app.module.get());
    EXPECT_EQ(app.ctx.mainWindow(), nullptr);
    EXPECT_EQ(&app.ctx.materials(), app.materials.get());
    EXPECT_EQ(&app.ctx.borders(), app.borders.get());
    EXPECT_EQ(&app.ctx.stock(), app.stock.get());
    // Before the start-up sets the services, a clear error.
    app.ctx.setMaterials(nullptr);
    app.ctx.setBorders(nullptr);
    app.ctx.setStock(nullptr);
    EXPECT_FALSE(app.ctx.hasMaterials());
    EXPECT_FALSE(app.ctx.hasStock());
    EXPECT_THROW(app.ctx.materials(), kv::Error);
    EXPECT_THROW(app.ctx.borders(), kv::Error);
    try {
        app.ctx.stock();
        ADD_FAILURE() << "no stock service, no error";
    } catch (const kv::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ошибка при обращении к складу!"));
    }
}

TEST(MdiChild, CloseQuestionDecidesAndTheCloseStepRunsOnce)
{
    struct Case { bool allow; bool fail; bool shuttingDown; bool closes; int closeSteps; int messages; };
    const Case cases[] = {
        {true, false, false, true, 1, 0},
        {false, false, false, false, 0, 0},
        {true, true, false, false, 0, 1},     // a failing question keeps the window, with the message
        {false, false, true, true, 0, 0},     // shut-down: neither asked here nor the close step
    };
    for (const Case &c : cases) {
        AppFixture app;
        FakeMainWindow frame(app.ctx);
        kv::test::ScopedAnswers answers(app.ui);
        auto *w = new TfrmProbe(app.ctx);
        QPointer<TfrmProbe> guard(w);
        w->ShowChild();
        w->allowClose = c.allow;
        w->failQuery = c.fail;
        if (c.shuttingDown) w->SetShuttingDown();
        const int closedBefore = w->closed;
        w->parentWidget()->close();   // the sub-window, as the frame's close box does
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(guard.isNull(), c.closes) << c.allow << c.fail << c.shuttingDown;
        if (guard) {
            EXPECT_EQ(w->closed - closedBefore, c.closeSteps);
            w->allowClose = true;
            w->failQuery = false;
        }
        EXPECT_EQ(int(answers.shown().size()), c.messages);
    }
}

TEST(MdiChild, LayoutKeptUnderTheClassNameSection)
{
    AppFixture app;
    FakeMainWindow frame(app.ctx);
    frame.area.show();
    auto *w = new TfrmProbe(app.ctx);
    w->ShowChild();
    ASSERT_EQ(frame.Children().size(), 1);
    EXPECT_EQ(frame.Children().front(), w);
    w->parentWidget()->setGeometry(20, 30, 333, 222);
    w->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(app.ini().SectionExists("TfrmProbe"));
    EXPECT_TRUE(frame.Children().isEmpty());

    auto *again = new TfrmProbe(app.ctx);
    again->ShowChild();
    EXPECT_EQ(again->parentWidget()->size(), QSize(333, 222));
}

TEST(MdiChild, WindowsOfAnExistingInstallationKeepTheirSections)
{
    // A settings file as an earlier installation left it: the part-base
    // window under [Detals_Group], the results window under [SheetParams]
    // (each at least as large as its content needs: smaller is not restored).
    AppFixture app(true);
    const QString ppi = QString::number(kv::CurrentLayoutScreen().pixelsPerInch);
    QString text = "[Detals_Group]\r\nOutLook_Width=130\r\n";
    for (int i = 0; i < 11; ++i) text += QStringLiteral("ColWidth%1=%2\r\n").arg(i).arg(60 + i);
    text += "Flags=0\r\nShowCmd=1\r\nPixelsPerInch=" + ppi + "\r\nMinMaxPos=-1,-1,-1,-1\r\nNormPos=12,24,1012,624\r\n"
            "[SheetParams]\r\nMillState=1\r\nFontSize=9\r\nOutLook_Width=140\r\n"
            "Flags=0\r\nShowCmd=1\r\nPixelsPerInch=" + ppi + "\r\nMinMaxPos=-1,-1,-1,-1\r\nNormPos=30,40,730,560\r\n";
    {
        QFile f(app.paths.SettingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toLatin1());
    }
    kv::TIniFile::ClearCache();
    FakeMainWindow frame(app.ctx);
    frame.area.show();
    kv::test::ScopedAnswers answers(app.ui, {}, kv::ModalResult::No);

    auto *group = new TfrmRaskroyGroup(app.ctx);
    ASSERT_TRUE(group->NewGroup());
    group->ShowChild();
    EXPECT_EQ(group->parentWidget()->geometry(), QRect(12, 24, 1000, 600));
    EXPECT_EQ(group->findChild<QWidget *>("OutlookBar")->width(), 130);
    auto *grid = group->findChild<TExDBGrid *>("DBGrid");
    for (int i = 0; i < 11; ++i) EXPECT_EQ(grid->Columns(i)->Width(), 60 + i) << i;
    grid->Columns(0)->SetWidth(101);
    group->parentWidget()->move(16, 28);

    auto *maps = new TFormSheets(app.ctx);
    maps->ShowChild();
    EXPECT_EQ(maps->parentWidget()->geometry(), QRect(30, 40, 700, 520));
    EXPECT_EQ(maps->findChild<QWidget *>("OutlookBar")->width(), 140);

    // The warehouse keeps its size with its other keys, under [Scraps_Window].
    auto *stock = new TfrmWareHouse(app.ctx);
    stock->ShowChild();
    stock->parentWidget()->close();

    for (TMdiChild *w : {static_cast<TMdiChild *>(group), static_cast<TMdiChild *>(maps)}) w->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frame.Children(), QList<TMdiChild *>{stock});

    // Written back under the same sections, nothing under the class names.
    kv::TIniFile &ini = app.ini();
    EXPECT_EQ(ini.ReadString("Detals_Group", "NormPos", ""), "16,28,1016,628");
    EXPECT_EQ(ini.ReadInteger("Detals_Group", "ColWidth0", 0), 101);
    EXPECT_EQ(ini.ReadInteger("Detals_Group", "ColWidth10", 0), 70);
    EXPECT_EQ(ini.ReadInteger("Detals_Group", "OutLook_Width", 0), 130);
    EXPECT_EQ(ini.ReadString("SheetParams", "NormPos", ""), "30,40,730,560");
    EXPECT_EQ(ini.ReadInteger("SheetParams", "OutLook_Width", 0), 140);
    EXPECT_EQ(ini.ReadInteger("SheetParams", "MillState", 0), 1);
    EXPECT_EQ(ini.ReadInteger("SheetParams", "FontSize", 0), 9);
    EXPECT_FALSE(ini.SectionExists("TfrmRaskroyGroup"));
    EXPECT_FALSE(ini.SectionExists("TFormSheets"));
    EXPECT_FALSE(ini.SectionExists("TfrmWareHouse"));
}

TEST(MdiChild, FreshPartBaseWindowColumnsAre120Wide)
{
    AppFixture app;
    FakeMainWindow frame(app.ctx);
    TfrmRaskroyGroup w(app.ctx);
    auto *grid = w.findChild<TExDBGrid *>("DBGrid");
    ASSERT_EQ(grid->ColumnCount(), 11);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(grid->Columns(i)->Width(), 120) << i;
}

TEST(MdiChild, GuardedSlotShowsTheMessageInsteadOfThrowing)
{
    AppFixture app;
    kv::test::ScopedAnswers answers(app.ui);
    TfrmProbe w(app.ctx);
    QPushButton button(&w);
    QObject::connect(&button, &QPushButton::clicked, &w, w.GuardedSlot(&TfrmProbe::Boom));
    button.click();
    ASSERT_EQ(answers.shown().size(), 1u);
    EXPECT_EQ(answers.shown()[0].text, "Сбой команды");
    EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Error);
}

TEST(MainWindowInterface, FindsTheFirstChildOfAKind)
{
    AppFixture app;
    FakeMainWindow frame(app.ctx);
    auto *a = new TfrmProbe(app.ctx, ChildKind::PartBase);
    auto *b = new TfrmProbe(app.ctx, ChildKind::Warehouse);
    auto *c = new TfrmProbe(app.ctx, ChildKind::PartBase);
    for (TfrmProbe *w : {a, b, c}) w->ShowChild();
    EXPECT_EQ(frame.FindChildOfKind(ChildKind::PartBase), a);
    EXPECT_EQ(frame.FindChildOfKind(ChildKind::Warehouse), b);
    EXPECT_EQ(frame.FindChildOfKind(ChildKind::Results), nullptr);
    EXPECT_FALSE(a->CommandEnabled(MainCommand::Save));   // a window takes no command unless it says so
}

} // namespace
