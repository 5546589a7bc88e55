#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"
#include "platform/error.h"
#include "platform/testsupport/errors.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QTest>

using namespace kv::gw;

namespace {
QFont testFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    return f;
}

struct ListFixture {
    QWidget host;
    TgwOutlookList *list;
    QStringList log;
    explicit ListFixture(int items, int height = 200)
    {
        host.resize(100, height);
        list = new TgwOutlookList(&host);
        list->setFont(testFont());
        list->setGeometry(0, 0, 100, height);
        list->HotTrackStyle = hsItemHilite;
        list->ClickStyle = csSelect;
        for (int i = 0; i < items; ++i) {
            TgwOutlookListItem *it = list->Items()->Add();
            it->SetText(QStringLiteral("Item %1").arg(i));
            it->Tag = i;
        }
        list->OnItemChange = [this](TgwCustomOutlookList *, TgwOutlookListItem *it) { log << QStringLiteral("change %1").arg(it->Tag); };
        list->OnItemClick = [this](TgwCustomOutlookList *, TgwOutlookListItem *it) { log << QStringLiteral("click %1").arg(it->Tag); };
        host.show();
        list->UpdateHitRects();
    }
    int itemHeight() const { return QFontMetrics(testFont()).height() + 20; }
    QPoint centreOf(int i) const { return QPoint(50, i * itemHeight() + itemHeight() / 2); }
};
} // namespace

TEST(OutlookList, DefaultsAndSpacing)
{
    TgwOutlookList l;
    EXPECT_EQ(l.ItemSpacing(), 20);
    l.SetItemSpacing(21);
    EXPECT_EQ(l.ItemSpacing(), 22);
    EXPECT_EQ(l.GetTopItem(), nullptr);
    EXPECT_EQ(l.GetBottomItem(), nullptr);
    EXPECT_EQ(l.GetSelectedItem(), nullptr);
    EXPECT_FALSE(l.CanScroll(1));
    EXPECT_FALSE(l.CanScroll(2));
    TgwOutlookListItem *it = l.Items()->Add();
    EXPECT_EQ(it->Separation(), 10);
    EXPECT_EQ(it->TextAlignment(), taCenter);
}

TEST(OutlookList, TakesNoChildControls)
{
    ListFixture f(2);
    QLabel outside(QStringLiteral("x"));
    EXPECT_EQ(kv::test::ErrorOf([&] { f.list->InsertControl(&outside); }),
              "TgwCustomOutlookList does not accept child controls.  Delete TgwCustomOutlookList and/or set the "
              "options property of the TgwControlBar, \"cboAutoCreateOutlookList\", to False");
    EXPECT_EQ(outside.parentWidget(), nullptr);
    // One made with the list as parent never shows over the items; its menu still may pop up.
    auto *inside = new QLabel(QStringLiteral("y"), f.list);
    inside->show();
    EXPECT_TRUE(inside->testAttribute(Qt::WA_DontShowOnScreen));
    auto *menu = new QMenu(f.list);
    EXPECT_FALSE(menu->testAttribute(Qt::WA_DontShowOnScreen));
}

TEST(OutlookList, Geometry)
{
    ListFixture f(20, 200);
    const int h = f.itemHeight();
    TgwOutlookListItem *i3 = f.list->Items()->Item(3);
    EXPECT_EQ(f.list->GetItemRect(i3, 0), QRect(0, 3 * h, 100, h));
    EXPECT_EQ(f.list->GetBottomItem()->Index(), 200 / h);   // first item past the bottom edge
    EXPECT_FALSE(f.list->CanScroll(1));
    EXPECT_TRUE(f.list->CanScroll(2));
    EXPECT_EQ(f.list->ScrollRect(1), QRect(75, 10, 15, 15));
    EXPECT_EQ(f.list->ScrollRect(2), QRect(75, 175, 15, 15));
    f.list->MakeVisible(f.list->Items()->Item(19));
    EXPECT_FALSE(f.list->CanScroll(2));
    EXPECT_TRUE(f.list->CanScroll(1));
    // A horizontal list with a fixed item width.
    f.list->SetLayout(loHorizontal);
    f.list->SetItemsWidth(40);
    EXPECT_EQ(f.list->MeasureItem(i3, true).width(), 40);
}

TEST(OutlookList, ChangeOnlyWhenSelectionChanges)
{
    ListFixture f(3);
    QTest::mouseClick(f.list, Qt::LeftButton, {}, f.centreOf(1));
    QTest::mouseClick(f.list, Qt::LeftButton, {}, f.centreOf(1));
    QTest::mouseClick(f.list, Qt::LeftButton, {}, f.centreOf(2));
    EXPECT_EQ(f.log, QStringList({"change 1", "click 1", "click 1", "change 2", "click 2"}));
    EXPECT_EQ(f.list->GetSelectedItem()->Tag, 2);

    f.log.clear();
    f.list->ClickStyle = csClick;
    EXPECT_EQ(f.list->GetSelectedItem(), nullptr);   // reads false outside csSelect
    QTest::mouseClick(f.list, Qt::LeftButton, {}, f.centreOf(0));
    EXPECT_EQ(f.log, QStringList({"click 0"}));
}

TEST(OutlookList, PressAndReleaseOutsideClicksNothing)
{
    ListFixture f(3);
    QTest::mousePress(f.list, Qt::LeftButton, {}, f.centreOf(0));
    QTest::mouseRelease(f.list, Qt::LeftButton, {}, QPoint(150, 5));
    QTest::mousePress(f.list, Qt::LeftButton, {}, f.centreOf(0));
    QTest::mouseRelease(f.list, Qt::LeftButton, {}, f.centreOf(2));
    EXPECT_TRUE(f.log.isEmpty());
    EXPECT_FALSE(f.list->Items()->Item(0)->Pressed);
}

TEST(OutlookList, ScrollButtonRepeats)
{
    ListFixture f(30, 200);
    const QPoint on2 = f.list->ScrollRect(2).center();
    QTest::mousePress(f.list, Qt::LeftButton, {}, on2);
    EXPECT_TRUE(f.list->ScrollTimerActive());
    EXPECT_EQ(f.list->PressedScrollButton(), 2);
    f.list->ScrollTimerTick();
    f.list->ScrollTimerTick();
    EXPECT_EQ(f.list->GetTopItem()->Index(), 2);
    // Off the button the beat does nothing.
    QMouseEvent away(QEvent::MouseMove, QPointF(5, 5), f.list->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.list, &away);
    f.list->ScrollTimerTick();
    EXPECT_EQ(f.list->GetTopItem()->Index(), 2);
    QMouseEvent back(QEvent::MouseMove, QPointF(on2), f.list->mapToGlobal(QPointF(on2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.list, &back);
    // Released on the button: one more step, then the repeat stops.
    QTest::mouseRelease(f.list, Qt::LeftButton, {}, on2);
    EXPECT_EQ(f.list->GetTopItem()->Index(), 3);
    EXPECT_FALSE(f.list->ScrollTimerActive());
    EXPECT_EQ(f.list->PressedScrollButton(), 0);

    // Any release ends the repeat, also one of another button.
    QTest::mousePress(f.list, Qt::LeftButton, {}, f.list->ScrollRect(1).center());
    EXPECT_TRUE(f.list->ScrollTimerActive());
    QTest::mouseRelease(f.list, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(f.list->ScrollTimerActive());
}

TEST(OutlookList, SelectionIsSingleAndRemovalForgetsTop)
{
    ListFixture f(5);
    f.list->Items()->Item(1)->SetSelected(true);
    f.list->Items()->Item(3)->SetSelected(true);
    EXPECT_FALSE(f.list->Items()->Item(1)->GetSelected());
    EXPECT_EQ(f.list->GetSelectedItem()->Tag, 3);
    f.list->SetTopItem(f.list->Items()->Item(4));
    delete f.list->Items()->Item(4);
    EXPECT_EQ(f.list->GetTopItem()->Index(), 0);
    f.list->Items()->Clear();
    EXPECT_EQ(f.list->GetTopItem(), nullptr);
}

namespace {
struct BarFixture {
    QWidget host;
    TgwOutlookBar *bar;
    explicit BarFixture(int pages, int height = 300)
    {
        host.resize(200, height);
        bar = new TgwOutlookBar(&host);
        bar->setObjectName(QStringLiteral("OutlookBar"));
        bar->setGeometry(0, 0, 105, height);
        bar->Animation.Enabled = false;
        for (int i = 0; i < pages; ++i)
            bar->AddPage()->Button->SetCaption(QStringLiteral("Page %1").arg(i));
        host.show();
    }
    TgwOutlookPage *page(int i) const { return bar->OutlookItems()->Page(i); }
};
} // namespace

TEST(OutlookBar, OnePage)
{
    BarFixture f(1);
    TgwOutlookPage *p = f.page(0);
    EXPECT_EQ(f.bar->ActivePage(), p->Button);
    ASSERT_NE(p->List, nullptr);
    EXPECT_EQ(p->List->objectName(), QStringLiteral("OutlookBarOutlookList1"));
    EXPECT_EQ(p->Button->geometry(), QRect(2, 2, 101, 20));
    EXPECT_EQ(p->Panel->geometry(), QRect(2, 22, 101, 276));
    EXPECT_TRUE(p->Panel->isVisible());
    // Pressing the only button keeps its page.
    QTest::mouseClick(p->Button, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_TRUE(p->Button->Down());
    EXPECT_EQ(p->Panel->geometry(), QRect(2, 22, 101, 276));
    f.bar->SetShowButtons(false);
    EXPECT_FALSE(p->Button->isVisible());
    EXPECT_EQ(p->Panel->geometry(), QRect(2, 2, 101, 296));
}

TEST(OutlookBar, OnlyAPageChangeLetsPendingEventsThrough)
{
    struct Counter : QObject {
        int seen = 0;
        bool event(QEvent *e) override
        {
            if (e->type() == QEvent::User) ++seen;
            return QObject::event(e);
        }
    } counter;
    BarFixture f(2);
    f.bar->Animation.Enabled = true;
    f.bar->Animation.Interval = 0;
    QCoreApplication::sendPostedEvents();
    // A resize or a setting lays the pages out at once, in the caller's own
    // step (a show or a layout must not run other events half way).
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    f.bar->resize(105, 260);
    f.bar->SetButtonSize(24);
    EXPECT_EQ(counter.seen, 0);
    EXPECT_EQ(f.page(1)->Button->geometry().height(), 24);
    // A page change animates and lets them through, as the user sees it move.
    QTest::mouseClick(f.page(1)->Button, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(counter.seen, 1);
    EXPECT_TRUE(f.page(1)->Button->Down());
    QCoreApplication::removePostedEvents(&counter);
}

TEST(OutlookBar, ArrangeTargetsByAlignment)
{
    BarFixture f(2);
    f.page(1)->Select();
    EXPECT_FALSE(f.page(0)->Panel->isVisible());
    EXPECT_EQ(f.page(0)->Button->geometry(), QRect(2, 2, 101, 20));
    EXPECT_EQ(f.page(1)->Button->geometry(), QRect(2, 22, 101, 20));
    EXPECT_EQ(f.page(1)->Panel->geometry(), QRect(2, 42, 101, 256));
    f.bar->SetPanelAlignment(paTop);
    EXPECT_EQ(f.page(1)->Panel->geometry(), QRect(2, 2, 101, 256));
    EXPECT_EQ(f.page(0)->Button->geometry(), QRect(2, 258, 101, 20));
    f.bar->SetPanelAlignment(paBottom);
    EXPECT_EQ(f.page(1)->Button->geometry(), QRect(2, 22, 101, 20));
    EXPECT_EQ(f.page(1)->Panel->geometry(), QRect(2, 42, 101, 256));
}

TEST(OutlookBar, SmallerThanItsButtons)
{
    BarFixture f(3, 40);
    // 36 pixels inside, three buttons of 20: the free extent is clamped at 0.
    EXPECT_EQ(f.page(0)->Panel->height(), 0);
    EXPECT_EQ(f.page(2)->Button->geometry(), QRect(2, 42, 101, 20));
}

TEST(OutlookBar, PageChangeByButtonAnimatesToTargets)
{
    BarFixture f(2);
    f.bar->Animation = {true, 0, 3};
    QStringList log;
    f.bar->OnChange = [&](TgwCustomButtonGroup *, TgwButtonGroupItem *o, TgwButtonGroupItem *n) {
        log << QStringLiteral("%1>%2").arg(o ? o->Index() : -1).arg(n ? n->Index() : -1);
    };
    QTest::mouseClick(f.page(1)->Button, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(log, QStringList({"0>1"}));
    EXPECT_TRUE(f.page(1)->Panel->isVisible());
    EXPECT_FALSE(f.page(0)->Panel->isVisible());
    EXPECT_EQ(f.page(1)->Panel->geometry(), QRect(2, 42, 101, 256));
    EXPECT_FALSE(f.page(1)->Button->ClickLocked);
    // The selected button again: no change.
    QTest::mouseClick(f.page(1)->Button, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(log.size(), 1);
}

TEST(OutlookList, SelectedItemLooks)
{
    ListFixture f(3);
    f.list->SetBorderStyle(bsNone);
    f.list->Items()->Item(1)->SetSelected(true);
    const QRect r = f.list->GetItemRect(f.list->Items()->Item(1), 0);
    QImage shot = f.list->grab().toImage();
    // A checkerboard of the list colour and the dither colour, sunken frame.
    const QPoint in = r.topLeft() + QPoint(3, 3);
    EXPECT_NE(shot.pixel(in), shot.pixel(in + QPoint(1, 0)));
    EXPECT_EQ(shot.pixel(r.topLeft() + QPoint(0, 2)), toQColor(clBtnText).rgb());
    EXPECT_EQ(shot.pixel(r.bottomRight() - QPoint(0, 2)), toQColor(clBtnFace).rgb());
    f.list->ItemSelectedDitherColor = clNone;
    shot = f.list->grab().toImage();
    EXPECT_EQ(shot.pixel(in), shot.pixel(in + QPoint(1, 0)));   // no fill, only the frame
    EXPECT_EQ(shot.pixel(r.topLeft() + QPoint(0, 2)), toQColor(clBtnText).rgb());
}

TEST(OutlookList, HotTrackingFollowsTheMouse)
{
    ListFixture f(3);
    auto moveTo = [&](const QPoint &pt) {
        QMouseEvent e(QEvent::MouseMove, QPointF(pt), f.list->mapToGlobal(QPointF(pt)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(f.list, &e);
    };
    moveTo(f.centreOf(1));
    EXPECT_TRUE(f.list->Items()->Item(1)->Hot);
    moveTo(f.centreOf(2));
    EXPECT_FALSE(f.list->Items()->Item(1)->Hot);
    EXPECT_TRUE(f.list->Items()->Item(2)->Hot);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.list, &leave);
    EXPECT_FALSE(f.list->Items()->Item(2)->Hot);
}

// A material name longer than the navigator is wide wraps inside its own
// entry, with or without glyphs: no entry's lines run over the next one.
TEST(OutlookList, LongNamesWrapInsideTheirEntries)
{
    const QStringList names = {QStringLiteral("<все материалы>"), QStringLiteral("ЛДСП Бук 16 мм"),
                               QStringLiteral("ЛДСП Дуб сонома светлый 18 мм с кромкой ПВХ 2 мм"),
                               QStringLiteral("МДФ"), QStringLiteral("Фанера березовая шлифованная 21 мм")};
    struct Case
    {
        int width;
        bool glyphs;
    };
    for (const Case c : {Case{105, false}, Case{105, true}, Case{60, true}, Case{300, false}}) {
        QWidget host;
        host.resize(c.width, 600);
        auto *list = new TgwOutlookList(&host);
        list->setFont(testFont());
        list->setGeometry(0, 0, c.width, 600);
        list->HotTrackStyle = hsItemHilite;
        list->SetItemLayout(blGlyphLeft);
        list->SetItemSpacing(22);
        kv::ImageList images(16, 16);
        images.add(QImage(16, 16, QImage::Format_ARGB32));
        if (c.glyphs) list->SetImages(&images);
        for (const QString &n : names) {
            TgwOutlookListItem *it = list->Items()->Add();
            it->SetText(n);
            it->SetSeparation(2);
            it->SetTextAlignment(taLeftJustify);
            it->SetGlyphOffset(1);
        }
        host.show();
        list->grab();   // paints every item
        for (int i = 0; i < names.size(); ++i) {
            const TgwOutlookListItem *it = list->Items()->Item(i);
            EXPECT_GE(it->DrawnTextRect.top(), it->ItemRect.top()) << c.width << " " << c.glyphs << " " << i;
            EXPECT_LE(it->DrawnTextRect.bottom(), it->ItemRect.bottom()) << c.width << " " << c.glyphs << " " << i;
            if (i + 1 < names.size()) {
                EXPECT_LE(it->ItemRect.bottom(), list->Items()->Item(i + 1)->ItemRect.top()) << i;
            }
        }
        // A name that fits keeps the one-line entry.
        EXPECT_EQ(list->Items()->Item(3)->ItemRect.height(), QFontMetrics(testFont()).height() + 22) << c.width;
    }
}

// A name about as wide as the navigator keeps clear of its edges: wrapped
// when it would touch them, whatever way the entries are laid out.
TEST(OutlookList, ANameAsWideAsTheListKeepsClearOfItsEdges)
{
    const QString name = QStringLiteral("ЛДСП Бук 16 мм");
    const int advance = QFontMetrics(testFont()).horizontalAdvance(name);
    struct Case
    {
        TButtonLayout layout;
        int glyphOffset;
        int extra;   // the list's width beyond the name's
    };
    for (const Case c : {Case{blGlyphTop, 0, 0}, Case{blGlyphTop, 0, 1}, Case{blGlyphTop, 0, 3},
                         Case{blGlyphLeft, 1, 0}, Case{blGlyphLeft, 1, 5}, Case{blGlyphTop, 1, 2}}) {
        QWidget host;
        const int width = advance + c.extra;
        host.resize(width, 300);
        auto *list = new TgwOutlookList(&host);
        list->setFont(testFont());
        list->setGeometry(0, 0, width, 300);
        list->HotTrackStyle = hsItemHilite;
        list->SetItemLayout(c.layout);
        for (const QString &n : {QStringLiteral("<все материалы>"), name}) {
            TgwOutlookListItem *it = list->Items()->Add();
            it->SetText(n);
            it->SetSeparation(2);
            it->SetTextAlignment(taLeftJustify);
            it->SetGlyphOffset(c.glyphOffset);
        }
        host.show();
        list->grab();
        const TgwOutlookListItem *it = list->Items()->Item(1);
        const QString at = QStringLiteral("layout %1, offset %2, +%3").arg(int(c.layout)).arg(c.glyphOffset).arg(c.extra);
        EXPECT_GE(it->DrawnTextRect.left(), it->ItemRect.left() + 2) << at.toStdString();
        EXPECT_LE(it->DrawnTextRect.right(), it->ItemRect.right() - 2) << at.toStdString();
        EXPECT_GE(it->DrawnTextRect.top(), it->ItemRect.top()) << at.toStdString();
        EXPECT_LE(it->DrawnTextRect.bottom(), it->ItemRect.bottom()) << at.toStdString();
        EXPECT_LE(list->Items()->Item(0)->ItemRect.bottom(), it->ItemRect.top()) << at.toStdString();
    }
}
