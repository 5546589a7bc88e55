#include "widgets/buttongroup.h"
#include "widgets/imagebtn.h"
#include "widgets/keyhook.h"
#include "widgets/outlookbar.h"
#include "widgets/shapebtn.h"

#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>

using namespace kv::gw;

namespace {
struct GroupFixture {
    QWidget host;
    TgwCustomButtonGroup *group;
    QStringList log;
    explicit GroupFixture(int n)
    {
        host.resize(300, 300);
        group = new TgwCustomButtonGroup(&host);
        group->setGeometry(0, 0, 100, 100);
        for (int i = 0; i < n; ++i)
            group->Items()->Add();
        group->OnChange = [this](TgwCustomButtonGroup *, TgwButtonGroupItem *o, TgwButtonGroupItem *s) {
            log << QStringLiteral("%1>%2").arg(o ? o->Index() : -1).arg(s ? s->Index() : -1);
        };
        host.show();
    }
    TgwButtonGroupItem *item(int i) const { return group->Items()->Item(i); }
};
} // namespace

TEST(GwButtonGroup, GridLayout)
{
    GroupFixture f(3);
    // One column: 100 high less two spacings, shared out from the top.
    EXPECT_EQ(f.item(0)->Button->geometry(), QRect(0, 0, 100, 33));
    EXPECT_EQ(f.item(1)->Button->geometry(), QRect(0, 34, 100, 33));
    EXPECT_EQ(f.item(2)->Button->geometry(), QRect(0, 68, 100, 32));
    f.group->SetButtonsPerRow(2);
    EXPECT_EQ(f.item(0)->Button->geometry(), QRect(0, 0, 50, 50));
    EXPECT_EQ(f.item(1)->Button->geometry(), QRect(0, 51, 50, 49));
    EXPECT_EQ(f.item(2)->Button->geometry(), QRect(51, 0, 49, 50));
    f.group->SetButtonsPerRow(1);
    f.group->SetLayout(loHorizontal);
    EXPECT_EQ(f.item(0)->Button->geometry(), QRect(0, 0, 33, 100));
    EXPECT_EQ(f.item(2)->Button->geometry(), QRect(68, 0, 32, 100));
    f.group->SetLayout(loVertical);
    f.group->SetButtonsPerRow(0);   // taken as one per row, no division by zero
    EXPECT_EQ(f.item(2)->Button->geometry().width(), 100);
    EXPECT_EQ(f.group->GetGroupSize(nullptr, false).width(), 100);
}

TEST(GwButtonGroup, SelectionKeysAndEvents)
{
    GroupFixture f(3);
    EXPECT_EQ(f.group->GetSelected(), nullptr);
    QTest::keyClick(f.group, Qt::Key_End);   // nothing selected: item 0
    EXPECT_EQ(f.group->GetSelected(), f.item(0));
    QTest::keyClick(f.group, Qt::Key_Left);  // wraps to the last
    EXPECT_EQ(f.group->GetSelected(), f.item(2));
    QTest::keyClick(f.group, Qt::Key_Down);
    EXPECT_EQ(f.group->GetSelected(), f.item(0));
    EXPECT_EQ(f.log, QStringList({"-1>0", "0>2", "2>0"}));
    QTest::mouseClick(f.item(0)->Button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.log.size(), 3);   // pressing the selected button changes nothing
    QTest::mouseClick(f.item(1)->Button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.log.last(), QStringLiteral("0>1"));
    EXPECT_TRUE(f.item(1)->Button->font().bold());   // AutoBold of the group
    EXPECT_FALSE(f.item(0)->Button->font().bold());
}

TEST(GwButtonGroup, ChangingTheButtonClassClearsItems)
{
    GroupFixture f(2);
    f.group->SetButtonClassName(QStringLiteral("TgwImageBtn"));
    EXPECT_EQ(f.group->Items()->Count(), 0);
    f.group->Items()->Add();
    EXPECT_NE(qobject_cast<TgwImageBtn *>(f.item(0)->Button), nullptr);
}

namespace {
struct Panels : TgwStatusBarPanels {
    QList<int> kinds;
    void UpdatePanelsOfKind(int kind) override { kinds << kind; }
};
class KeyCatcher : public QWidget {
public:
    int keys = 0;
protected:
    void keyPressEvent(QKeyEvent *) override { ++keys; }
};
} // namespace

TEST(GwKeyboardHook, LockKeysNotifyAndPass)
{
    TgwKeyboardStateHook *hook = TgwKeyboardStateHook::Instance();
    ASSERT_NE(hook, nullptr);
    KeyCatcher w;
    w.show();
    QTest::keyClick(&w, Qt::Key_CapsLock);   // no status bar: the key still arrives
    EXPECT_EQ(w.keys, 1);
    Panels p;
    hook->RegisterStatusBar(&p);
    QTest::keyClick(&w, Qt::Key_CapsLock);
    QTest::keyClick(&w, Qt::Key_A);
    QTest::keyClick(&w, Qt::Key_ScrollLock);
    hook->UnRegisterStatusBar(&p);
    EXPECT_EQ(p.kinds, QList<int>({3, 3, 13, 13}));   // key down and key up
    EXPECT_EQ(w.keys, 4);
    EXPECT_EQ(TgwKeyboardStateHook::PanelKindOfKey(Qt::Key_Insert), 2);
    EXPECT_EQ(TgwKeyboardStateHook::PanelKindOfKey(Qt::Key_NumLock), 4);
}

namespace {
TgwBitmap picture(Color background, Color spot)
{
    TgwBitmap b;
    b.SetSize(20, 20);
    QPainter p(&b.Image());
    p.fillRect(0, 0, 20, 20, toQColor(background));
    p.fillRect(5, 5, 10, 10, toQColor(spot));
    return b;
}
} // namespace

TEST(GwImageBtn, ShapeFollowsTransparentColour)
{
    TgwImageBtn b;
    b.resize(20, 20);
    b.SetImage(picture(clWhite, clBlue));
    QRegion r = b.CreateRegion(true, false);
    EXPECT_TRUE(r.contains(QPoint(10, 10)));
    EXPECT_FALSE(r.contains(QPoint(1, 1)));   // the white top-left colour is cut away
    b.SetTransparentColor(clNoTransparency);
    EXPECT_TRUE(b.CreateRegion(true, false).isEmpty());
    EXPECT_FALSE(b.UseRegions());
    // Raised: the shape plus its shadow two pixels down and right.
    b.SetTransparentColor(clNone);
    b.SetShadeStyle(fbsRaised);
    r = b.CreateRegion(true, false);
    EXPECT_TRUE(r.contains(QPoint(15, 15)));
    EXPECT_TRUE(b.HasDownShape());
}

TEST(GwImageBtn, FacesUpDownAndEmpty)
{
    QWidget host;
    auto *b = new TgwImageBtn(&host);
    b->resize(20, 20);
    TgwBitmap face;
    b->DrawFace(face, false, fbsHighlight, false);
    EXPECT_EQ(face.Pixel(5, 5), colorToRGB(clBtnFace));   // empty picture: a plain face
    b->SetImage(picture(clWhite, clBlue));
    b->SetGroupIndex(1);
    b->SetDown(true);
    b->DrawFace(face, false, fbsHighlight, true);
    // Down without a down picture: shifted by (2, 2) and dithered inside the shape.
    const Color a = face.Pixel(10, 10), c = face.Pixel(11, 10);
    EXPECT_NE(a, c);
    EXPECT_TRUE(a == clWhite || c == clWhite);
}

TEST(OutlookBar, ImagerPictureBehindTransparentPanels)
{
    QWidget host;
    host.resize(200, 200);
    auto *bar = new TgwOutlookBar(&host);
    bar->setGeometry(0, 0, 100, 200);
    bar->SetOptions(0);   // pages without lists
    TgwOutlookPage *page = bar->AddPage();
    auto *imager = new TgwCustomImager;
    QImage pic(8, 8, QImage::Format_RGB32);
    pic.fill(QColor(10, 200, 30));
    imager->SetPicture(pic);
    bar->SetImager(imager);
    EXPECT_EQ(imager->parentWidget(), bar);
    EXPECT_FALSE(imager->isVisible());
    host.show();
    const QImage shot = page->Panel->grab().toImage();
    EXPECT_EQ(shot.pixel(10, 10), qRgb(10, 200, 30));
    delete imager;
    EXPECT_EQ(bar->Imager(), nullptr);
}

TEST(OutlookList, ForgetsAFreedImageList)
{
    QWidget host;
    auto *list = new TgwOutlookList(&host);
    auto *images = new kv::ImageList(16, 16);
    list->SetImages(images);
    list->HotTrackStyle = hsIconHilite;
    EXPECT_FALSE(list->IsItemHilite());
    delete images;
    EXPECT_EQ(list->Images(), nullptr);
    EXPECT_TRUE(list->IsItemHilite());
}

TEST(GwTransparentPanel, ShowsItsParentThrough)
{
    QWidget host;
    host.resize(100, 100);
    host.setAutoFillBackground(true);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, QColor(200, 10, 10));
    host.setPalette(pal);
    auto *panel = new TgwCustomTransparentPanel(&host);
    panel->setGeometry(0, 0, 40, 40);
    host.show();
    panel->move(50, 50);
    QImage shot = host.grab().toImage();
    EXPECT_EQ(shot.pixel(70, 70), qRgb(200, 10, 10));   // through the panel
    EXPECT_EQ(shot.pixel(50, 70), toQColor(clBtnHighlight).rgb());   // its raised bevel
    panel->SetTransparent(false);
    shot = host.grab().toImage();
    EXPECT_EQ(shot.pixel(70, 70), toQColor(clBtnFace).rgb());
}
