#include "controls/winlayout.h"

#include "platform/error.h"
#include "platform/ini.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QHeaderView>

using namespace kv;

class TfrmDetalNames : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
};

class TfrmModels : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};

namespace {
struct ScreenFixture : ::testing::Test
{
    LayoutScreen screen{QSize(1024, 768), 96, {QRect(0, 0, 1024, 740)}};
    void SetUp() override { SetLayoutScreenOverride(&screen); }
    void TearDown() override
    {
        SetLayoutScreenOverride(nullptr);
        SetMainForm(nullptr);
    }
};
} // namespace

using WindowLayout = ScreenFixture;

TEST_F(WindowLayout, KeysInOrder)
{
    MemIniStorage ini;
    QWidget w;
    w.setGeometry(22, 29, 800, 600);
    StoreFormGeometry(&w, ini, "Main_Form");
    EXPECT_EQ(ini.keys("Main_Form"),
              QStringList({"Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(1024x768)", "MinMaxPos",
                           "NormPos(1024x768)", "NormPos"}));
    EXPECT_EQ(ini.raw("Main_Form", "NormPos(1024x768)"), "22,29,822,629");
    EXPECT_EQ(ini.raw("Main_Form", "NormPos"), "22,29,822,629");
    EXPECT_EQ(ini.raw("Main_Form", "MinMaxPos"), "-1,-1,-1,-1");
    EXPECT_EQ(ini.raw("Main_Form", "Flags"), "0");
    EXPECT_EQ(ini.raw("Main_Form", "ShowCmd"), "1");
    EXPECT_EQ(ini.raw("Main_Form", "PixelsPerInch"), "96");
}

TEST_F(WindowLayout, PlainKeysRestoreOnAnotherScreenSize)
{
    MemIniStorage ini;
    ini.writeString("SheetParams", "PixelsPerInch", "96");
    ini.writeString("SheetParams", "NormPos(800x600)", "1,1,100,100");
    ini.writeString("SheetParams", "NormPos", "10, 20,410,320");
    ini.writeString("SheetParams", "ShowCmd", "3");
    QWidget w;
    w.setGeometry(0, 0, 50, 50);
    LoadFormGeometry(&w, ini, "SheetParams", false, true);
    EXPECT_EQ(w.geometry(), QRect(10, 20, 400, 300));
    EXPECT_FALSE(w.isVisible());   // hidden stays hidden
    LoadFormGeometry(&w, ini, "SheetParams", true, false);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowLayout, OtherPixelsPerInchKeepsPositionButRestoresState)
{
    MemIniStorage ini;
    ini.writeString("ViewWHs", "PixelsPerInch", "120");
    ini.writeString("ViewWHs", "NormPos", "10,20,410,320");
    ini.writeString("ViewWHs", "ShowCmd", "3");
    QWidget w;
    w.setGeometry(5, 5, 50, 50);
    LoadFormGeometry(&w, ini, "ViewWHs", true, true);
    EXPECT_EQ(w.geometry(), QRect(5, 5, 50, 50));
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
}

TEST_F(WindowLayout, FixedSizeDialogKeepsItsSize)
{
    MemIniStorage ini;
    ini.writeString("SelMatDlg", "NormPos", "100,120,900,700");
    QDialog d;
    d.setFixedSize(300, 200);
    LoadFormGeometry(&d, ini, "SelMatDlg", true, true);
    EXPECT_EQ(d.pos(), QPoint(100, 120));
    EXPECT_EQ(d.size(), QSize(300, 200));
}

TEST_F(WindowLayout, MalformedAndShortPositionTexts)
{
    MemIniStorage ini;
    ini.writeString("W", "NormPos", "30,x");   // missing words take the current bounds
    QWidget w;
    w.setGeometry(5, 6, 70, 80);
    LoadFormGeometry(&w, ini, "W", false, true);
    EXPECT_EQ(w.geometry(), QRect(30, 6, 45, 80));
    ini.writeString("W", "NormPos", "300,10,200,100");   // right before left: ignored
    LoadFormGeometry(&w, ini, "W", false, true);
    EXPECT_EQ(w.geometry(), QRect(30, 6, 45, 80));
}

TEST_F(WindowLayout, KeptOnAScreen)
{
    MemIniStorage ini;
    ini.writeString("Materials_Window", "NormPos", "2500,-400,2900,-100");   // a screen now gone
    QWidget w;
    LoadFormGeometry(&w, ini, "Materials_Window", false, true);
    EXPECT_EQ(w.geometry(), QRect(624, 0, 400, 300));
    const QList<QRect> two{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
    EXPECT_EQ(KeepOnScreen(QRect(1500, 100, 300, 200), two), QRect(1500, 100, 300, 200));
    EXPECT_EQ(KeepOnScreen(QRect(-1000, 50, 300, 200), two), QRect(0, 50, 300, 200));
    EXPECT_EQ(KeepOnScreen(QRect(100, 2000, 300, 200), two), QRect(100, 568, 300, 200));   // the nearer screen
    // The title bar is where a window is grabbed: one hanging above the top
    // of its screen, even by a few pixels, comes down whole.
    struct Case { QRect stored, kept; };
    for (const Case &c : {Case{QRect(0, -19, 1200, 819), QRect(0, 0, 1200, 819)},
                          Case{QRect(1100, -5, 300, 200), QRect(1100, 0, 300, 200)},
                          Case{QRect(200, -150, 300, 200), QRect(200, 0, 300, 200)},
                          Case{QRect(200, 0, 300, 200), QRect(200, 0, 300, 200)},
                          Case{QRect(900, 700, 300, 200), QRect(900, 700, 300, 200)}}) {
        EXPECT_EQ(KeepOnScreen(c.stored, two), c.kept) << c.stored.x() << "," << c.stored.y();
    }
}

TEST_F(WindowLayout, MinimisedMainWindowIsMinimisedLater)
{
    MemIniStorage ini;
    ini.writeString("Main_Form", "ShowCmd", "2");
    QWidget w;
    SetMainForm(&w);
    LoadFormGeometry(&w, ini, "Main_Form", true, false);
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    QTest::qWait(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
}

// A child of an MDI area whose content needs 400 x 250 (its layout holds a
// widget of that minimum).
struct MdiFixture
{
    QMdiArea area;
    QMdiSubWindow *sub;
    QWidget *content;
    MdiFixture()
    {
        area.resize(1000, 700);
        content = new QWidget;
        auto *lay = new QVBoxLayout(content);
        auto *body = new QWidget;
        body->setMinimumSize(400, 250);
        lay->addWidget(body);
        sub = area.addSubWindow(content);
        area.show();
        sub->show();
        NoteNormalGeometry(sub);
    }
};

// A stored rectangle the window cannot show its content in (a settings file
// written when a window had opened as a strip) is not restored; one at least
// as large as the content's minimum is.
TEST_F(WindowLayout, AStoredStripIsNotRestored)
{
    struct Case
    {
        const char *norm;
        bool taken;
    };
    const Case cases[] = {{"0,336,873,414", false},   // 873 x 78: the tool bar and tabs only
                          {"10,10,110,610", false},   // narrower than the content
                          {"20,30,620,430", true},
                          {"0,0,1000,700", true}};
    for (const Case &c : cases) {
        MdiFixture f;
        const QSize smallest = SmallestUsableSize(f.sub);
        ASSERT_GE(smallest.height(), 250);
        f.sub->setGeometry(40, 40, 700, 500);
        MemIniStorage ini;
        ini.writeString("SheetParams", "NormPos", c.norm);
        ini.writeString("SheetParams", "ShowCmd", "1");
        LoadFormGeometry(f.sub->widget(), ini, "SheetParams", true, true);
        const QStringList w = QString::fromLatin1(c.norm).split(',');
        const QRect stored(w[0].toInt(), w[1].toInt(), w[2].toInt() - w[0].toInt(), w[3].toInt() - w[1].toInt());
        EXPECT_EQ(f.sub->geometry(), c.taken ? stored : QRect(40, 40, 700, 500)) << c.norm;
    }
}

// A window squeezed below its content's minimum keeps the layout stored
// before; a maximised child stores the rectangle it restores to.
TEST_F(WindowLayout, OnlyAUsableRectangleIsStored)
{
    MdiFixture f;
    MemIniStorage ini;
    f.sub->setGeometry(10, 20, 600, 400);
    StoreFormGeometry(f.sub->widget(), ini, "Detals_Group");
    EXPECT_EQ(ini.raw("Detals_Group", "NormPos"), "10,20,610,420");
    f.sub->setGeometry(0, 300, 873, 78);
    StoreFormGeometry(f.sub->widget(), ini, "Detals_Group");
    EXPECT_EQ(ini.raw("Detals_Group", "NormPos"), "10,20,610,420");
    f.sub->setGeometry(30, 40, 640, 480);
    f.sub->showMaximized();
    EXPECT_EQ(f.sub->geometry().size(), f.area.viewport()->size());
    StoreFormGeometry(f.sub->widget(), ini, "Detals_Group");
    EXPECT_EQ(ini.raw("Detals_Group", "ShowCmd"), "3");
    EXPECT_EQ(ini.raw("Detals_Group", "NormPos"), "30,40,670,520");
}

// A main window whose MDI area sits in a panel between docks is a frame: with
// nothing stored it opens maximised.
TEST_F(WindowLayout, AFrameWithItsAreaInAPanelOpensMaximised)
{
    MemIniStorage ini;
    QMainWindow frame;
    auto *panel = new QWidget;
    auto *lay = new QVBoxLayout(panel);
    lay->addWidget(new QMdiArea);
    frame.setCentralWidget(panel);
    SetMainForm(&frame);
    LoadFormGeometry(&frame, ini, "Main_Form", true, true);
    EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);
    EXPECT_NO_THROW(StoreMDIChildList(&frame, ini));
}

TEST_F(WindowLayout, QuotedValuesRoundTripThroughTheFile)
{
    QTemporaryDir dir;
    TIniFile::ClearCache();
    TIniFile ini(dir.filePath("Korvalt.ini"));
    IniLayoutStorage s(ini);
    for (const QString &v : {QStringLiteral("\"quoted\""), QStringLiteral("'single'"), QStringLiteral("\"x'"),
                             QStringLiteral("plain")}) {
        LayoutWriteString(s, "Q", "Key", v);
        TIniFile::ClearCache();
        TIniFile again(dir.filePath("Korvalt.ini"));
        IniLayoutStorage s2(again);
        EXPECT_EQ(LayoutReadString(s2, "Q", "Key", "?"), v);
    }
}

TEST_F(WindowLayout, StoreAndLoadThroughTheSettingsFile)
{
    QTemporaryDir dir;
    TIniFile::ClearCache();
    TIniFile ini(dir.filePath("Korvalt.ini"));
    QWidget a;
    a.setGeometry(40, 50, 300, 200);
    StoreFormGeometry(&a, ini, "Detals_Group");
    QWidget b;
    LoadFormGeometry(&b, ini, "Detals_Group");
    EXPECT_EQ(b.geometry(), QRect(40, 50, 300, 200));
    EXPECT_EQ(ini.ReadString("Detals_Group", "NormPos(1024x768)", ""), "40,50,340,250");
}

TEST_F(WindowLayout, GridWidthsAndSectionName)
{
    TfrmDetalNames dlg;
    auto *grid = new QTableView(&dlg);
    grid->setObjectName("Grid");
    QStandardItemModel model(2, 3);
    grid->setModel(&model);
    grid->verticalHeader()->hide();   // no indicator column
    EXPECT_EQ(DefaultSectionOf(grid), "TfrmDetalNamesGrid");
    EXPECT_EQ(DefaultSectionOf(&dlg), "TfrmDetalNames");
    QObject store(&dlg);
    store.setObjectName("Layout");
    EXPECT_EQ(DefaultSectionOf(&store), "TfrmDetalNames.Layout");
    EXPECT_EQ(DefaultSectionOf(nullptr), "");

    MemIniStorage ini;
    grid->setColumnWidth(0, 50);
    grid->setColumnWidth(1, 60);
    grid->setColumnWidth(2, 70);
    StoreGridColWidths(grid, ini);
    EXPECT_EQ(ini.keys("TfrmDetalNamesGrid"), QStringList({"Item0", "Item1", "Item2"}));
    ini.eraseSection("TfrmDetalNamesGrid");
    ini.writeString("TfrmDetalNamesGrid", "Item0", "111");   // stored with fewer columns
    LoadGridColWidths(grid, ini);
    EXPECT_EQ(grid->columnWidth(0), 111);
    EXPECT_EQ(grid->columnWidth(1), 60);
    EXPECT_EQ(grid->columnWidth(2), 70);
}

TEST_F(WindowLayout, MdiChildList)
{
    MemIniStorage ini;
    QWidget notAFrame;
    try {
        StoreMDIChildList(&notAFrame, ini);
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Не могу создать форму. Нет активных MDI форм"));
    }
    QMainWindow frame;
    auto *area = new QMdiArea;
    frame.setCentralWidget(area);
    ini.writeString("MDI Children", "Count", "5");
    StoreMDIChildList(&frame, ini);
    EXPECT_FALSE(ini.sectionExists("MDI Children"));   // no children: no Count

    area->addSubWindow(new TfrmModels)->show();
    auto *second = new QWidget;
    second->setProperty("kvClassName", "TfrmRaskroyGroup");
    area->addSubWindow(second)->show();
    StoreMDIChildList(&frame, ini);
    EXPECT_EQ(ini.raw("MDI Children", "Count"), "2");
    EXPECT_EQ(ini.raw("MDI Children", "Item0"), "TfrmRaskroyGroup");
    EXPECT_EQ(ini.raw("MDI Children", "Item1"), "TfrmModels");

    // Unregistered names reopen nothing; a registered one is created once.
    QMainWindow other;
    auto *area2 = new QMdiArea;
    other.setCentralWidget(area2);
    RestoreMDIChildList(&other, ini);
    EXPECT_TRUE(area2->subWindowList().isEmpty());
    RegisterFormClass("TfrmModels", [] { return new TfrmModels; });
    RestoreMDIChildList(&other, ini);
    RestoreMDIChildList(&other, ini);
    UnregisterFormClass("TfrmModels");
    ASSERT_EQ(area2->subWindowList().size(), 1);
    EXPECT_EQ(FormClassName(area2->subWindowList()[0]->widget()), "TfrmModels");
}

#include "winlayout_test.moc"

TEST(WindowLayoutHeader, SectionSizesRoundTripAndNegativeLeavesColumn)
{
    QTreeWidget view;
    view.setColumnCount(3);
    view.header()->setStretchLastSection(false);
    view.header()->resizeSection(0, 50);
    view.header()->resizeSection(1, 60);
    view.header()->resizeSection(2, 70);
    EXPECT_EQ(HeaderSectionSizes(view.header()), (QList<int>{50, 60, 70}));
    ApplyHeaderSectionSizes(view.header(), {-1, 99});   // short list: the rest stay
    EXPECT_EQ(HeaderSectionSizes(view.header()), (QList<int>{50, 99, 70}));
    EXPECT_TRUE(HeaderSectionSizes(nullptr).isEmpty());
    ApplyHeaderSectionSizes(nullptr, {1});
}
