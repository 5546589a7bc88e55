#include "toolbars/tests/fixture.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

using kv::tb::ButtonContentLayout;
using kv::tb::ButtonContentParams;
using kv::tb::CalcButtonContentLayout;

namespace {

struct ButtonRow {
    std::unique_ptr<QWidget> form;
    TToolbarButton *a, *b, *c;
    ButtonRow()
    {
        form = std::make_unique<QWidget>();
        form->resize(300, 60);
        a = new TToolbarButton(form.get());
        a->setObjectName(QStringLiteral("btnA"));
        a->setGeometry(0, 0, 40, 30);
        b = new TToolbarButton(form.get());
        b->setObjectName(QStringLiteral("btnB"));
        b->setGeometry(40, 0, 40, 30);
        c = new TToolbarButton(form.get());
        c->setObjectName(QStringLiteral("btnC"));
        c->setGeometry(80, 0, 40, 30);
        form->show();
        form->activateWindow();
        (void)QTest::qWaitForWindowActive(form.get(), 1000);
    }
};

// A mouse move without buttons, delivered as the window system would.
void hover(QWidget *w, const QPoint &p)
{
    QCursor::setPos(w->mapToGlobal(p));
    QMouseEvent me(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(w, &me);
}

} // namespace

struct StripCase {
    int w, h, expected;
};

class GlyphStripTable : public testing::TestWithParam<StripCase> {};

TEST_P(GlyphStripTable, NumGlyphsFromTheStrip)
{
    TToolbarButton b;
    QImage img(GetParam().w, GetParam().h, QImage::Format_RGB32);
    img.fill(Qt::white);
    b.SetGlyph(img);
    EXPECT_EQ(b.NumGlyphs(), GetParam().expected) << GetParam().w << "x" << GetParam().h;
}

INSTANTIATE_TEST_SUITE_P(Cases, GlyphStripTable,
                         testing::Values(StripCase{80, 16, 5}, StripCase{96, 16, 1}, StripCase{50, 16, 1},
                                         StripCase{16, 16, 1}, StripCase{32, 16, 2}, StripCase{8, 16, 1}));

TEST(ToolbarButton, NumGlyphsIsClamped)
{
    TToolbarButton b;
    b.SetNumGlyphs(0);
    EXPECT_EQ(b.NumGlyphs(), 1);
    b.SetNumGlyphs(9);
    EXPECT_EQ(b.NumGlyphs(), 5);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), -1);
    b.SetDropdownArrowWidth(3);
    EXPECT_EQ(b.DropdownArrowWidth(), 7);
}

TEST(ToolbarButton, WithoutGroupNeverStaysDown)
{
    ButtonRow r;
    r.a->SetDown(true);
    EXPECT_FALSE(r.a->Down());
    QTest::mouseClick(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(r.a->Down());
    EXPECT_NE(r.a->State(), dsDown);
}

TEST(ToolbarButton, GroupsAreExclusive)
{
    ButtonRow r;
    for (TToolbarButton *x : {r.a, r.b, r.c})
        x->SetGroupIndex(1);
    r.a->SetDown(true);
    EXPECT_TRUE(r.a->Down());
    r.b->SetDown(true);
    EXPECT_TRUE(r.b->Down());
    EXPECT_FALSE(r.a->Down());
    EXPECT_EQ(r.a->State(), dsUp);
    // Without AllowAllUp the down button cannot be raised, by code or by a click.
    r.b->SetDown(false);
    EXPECT_TRUE(r.b->Down());
    QTest::mouseClick(r.b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(r.b->Down());
    // AllowAllUp set on one button goes to the whole group.
    r.c->SetAllowAllUp(true);
    EXPECT_TRUE(r.b->AllowAllUp());
    QTest::mouseClick(r.b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(r.b->Down());
    QTest::mouseClick(r.c, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(r.c->Down());
}

TEST(ToolbarButton, OneHotButtonAtATime)
{
    ButtonRow r;
    QSignalSpy enterA(r.a, &TToolbarButton::MouseEnter), exitA(r.a, &TToolbarButton::MouseExit);
    hover(r.a, QPoint(10, 10));
    EXPECT_EQ(TToolbarButton::HotButton(), r.a);
    EXPECT_EQ(r.a->State(), dsHot);
    EXPECT_TRUE(TToolbarButton::HotTimer()->isActive());
    EXPECT_EQ(TToolbarButton::HotTimer()->interval(), 125);
    hover(r.b, QPoint(10, 10));
    EXPECT_EQ(TToolbarButton::HotButton(), r.b);
    EXPECT_EQ(r.a->State(), dsUp);
    EXPECT_FALSE(r.a->MouseInControl());
    hover(r.c, QPoint(10, 10));
    hover(r.a, QPoint(10, 10));
    int hot = 0;
    for (TToolbarButton *x : {r.a, r.b, r.c})
        hot += x->State() == dsHot ? 1 : 0;
    EXPECT_EQ(hot, 1);
    EXPECT_EQ(TToolbarButton::HotButton(), r.a);
    EXPECT_EQ(enterA.count(), 2);
    EXPECT_EQ(exitA.count(), 1);
    // Moving onto the form itself leaves the hot button.
    hover(r.form.get(), QPoint(200, 40));
    EXPECT_EQ(TToolbarButton::HotButton(), nullptr);
    EXPECT_EQ(r.a->State(), dsUp);
}

TEST(ToolbarButton, DisablingDropsTheHotRole)
{
    ButtonRow r;
    hover(r.a, QPoint(10, 10));
    ASSERT_EQ(TToolbarButton::HotButton(), r.a);
    r.a->setEnabled(false);
    EXPECT_EQ(TToolbarButton::HotButton(), nullptr);
    EXPECT_EQ(r.a->State(), dsDisabled);
    r.a->setEnabled(true);
    EXPECT_EQ(r.a->State(), dsUp);
}

TEST(ToolbarButton, ClickRunsOnReleaseInside)
{
    ButtonRow r;
    QSignalSpy clicks(r.a, &TToolbarButton::clicked);
    QTest::mousePress(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(r.a->State(), dsPressed);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
    // Released outside: no click.
    QTest::mousePress(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(r.a, QPoint(100, 10));
    EXPECT_EQ(r.a->State(), dsUp);
    QTest::mouseRelease(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ToolbarButton, AutoRepeatClicksWhileHeld)
{
    ButtonRow r;
    r.a->SetRepeating(true);
    r.a->SetRepeatDelay(40);
    r.a->SetRepeatInterval(10);
    QCursor::setPos(r.a->mapToGlobal(QPoint(10, 10)));
    QSignalSpy clicks(r.a, &TToolbarButton::clicked);
    QTest::mousePress(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);   // the first at once
    QTRY_VERIFY_WITH_TIMEOUT(clicks.count() >= 3, 2000);
    QTest::mouseRelease(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    const int n = clicks.count();
    QTest::qWait(60);
    EXPECT_EQ(clicks.count(), n);   // the release stops it and adds no click
}

TEST(ToolbarButton, DropdownMenuOpensOnPress)
{
    ButtonRow r;
    QMenu menu;
    menu.addAction(QStringLiteral("Пункт"));
    r.a->SetDropdownMenu(&menu);
    QSignalSpy clicks(r.a, &TToolbarButton::clicked);
    int asked = 0;
    r.a->OnDropdown = [&](TToolbarButton *, bool &show, bool &) {
        ++asked;
        EXPECT_TRUE(show);
    };
    QPoint shownAt;
    QTimer::singleShot(0, &menu, [&] {
        shownAt = menu.pos();
        EXPECT_TRUE(r.a->MenuIsDown());
        menu.close();
    });
    QTest::mousePress(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(clicks.count(), 1);   // a plain drop-down button clicks first
    EXPECT_EQ(shownAt, r.a->mapToGlobal(QPoint(0, r.a->height())));
    EXPECT_FALSE(r.a->MenuIsDown());
}

TEST(ToolbarButton, SplitButtonMenuOnlyFromTheArrowPart)
{
    ButtonRow r;
    QMenu menu;
    menu.addAction(QStringLiteral("Пункт"));
    r.a->SetDropdownMenu(&menu);
    r.a->SetDropdownCombo(true);
    EXPECT_EQ(r.a->width(), 40 + 9 + 2);
    int shown = 0;
    r.a->OnDropdown = [&](TToolbarButton *, bool &, bool &) { ++shown; };
    QSignalSpy clicks(r.a, &TToolbarButton::clicked);
    // Main part: an ordinary click on release.
    QTest::mouseClick(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(shown, 0);
    // Arrow part: the menu at once, and no click.
    QTimer::singleShot(0, &menu, [&] { menu.close(); });
    QTest::mousePress(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(r.a->width() - 4, 10));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(clicks.count(), 1);
    r.a->SetDropdownCombo(false);
    EXPECT_EQ(r.a->width(), 40);
}

TEST(ToolbarButton, ActionLink)
{
    ButtonRow r;
    QAction act(QStringLiteral("Сохранить"));
    act.setProperty("ImageIndex", 2);
    r.a->SetAction(&act);
    EXPECT_EQ(r.a->Caption(), QStringLiteral("Сохранить"));
    EXPECT_EQ(r.a->ImageIndex(), 2);
    act.setEnabled(false);
    EXPECT_FALSE(r.a->isEnabled());
    EXPECT_EQ(r.a->State(), dsDisabled);
    act.setEnabled(true);
    QSignalSpy triggered(&act, &QAction::triggered);
    QTest::mouseClick(r.a, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(triggered.count(), 1);
    // A checked action drives Down in a group.
    r.a->SetGroupIndex(3);
    r.a->SetAllowAllUp(true);
    act.setCheckable(true);
    act.setChecked(true);
    EXPECT_TRUE(r.a->Down());
    act.setChecked(false);
    EXPECT_FALSE(r.a->Down());
}

TEST(ToolbarButton, ContentLayoutGlyphTop)
{
    // The main toolbar's buttons: 60 x 35, flat border of 1, glyph above the caption, spacing 0.
    ButtonContentParams p;
    p.box = QSize(58, 33);
    p.glyph = QSize(16, 16);
    p.text = QSize(30, 13);
    p.layout = blGlyphTop;
    p.spacing = 0;
    const ButtonContentLayout l = CalcButtonContentLayout(p);
    EXPECT_EQ(l.glyphPos, QPoint(21, 2));
    EXPECT_EQ(l.textRect, QRect(14, 18, 30, 13));
    // Glyph left with an arrow, centred together; spacing counts only with both.
    p.layout = blGlyphLeft;
    p.spacing = 4;
    p.arrowWidth = 9;
    const ButtonContentLayout m = CalcButtonContentLayout(p);
    EXPECT_EQ(m.glyphPos, QPoint(0, 9));
    EXPECT_EQ(m.textRect.left(), 20);
    EXPECT_EQ(m.arrowPos.x(), 51);
    // No glyph: a top layout acts as glyph-left.
    p.glyph = QSize(0, 0);
    p.layout = blGlyphTop;
    p.arrowWidth = 0;
    const ButtonContentLayout n = CalcButtonContentLayout(p);
    EXPECT_EQ(n.textRect, QRect(14, 10, 30, 13));
    // Spacing -1 spreads evenly.
    p.glyph = QSize(16, 16);
    p.layout = blGlyphLeft;
    p.spacing = -1;
    const ButtonContentLayout e = CalcButtonContentLayout(p);
    EXPECT_EQ(e.glyphPos.x(), 4);
    EXPECT_EQ(e.textRect.left(), 4 + 16 + 4);
}

TEST(ToolbarButton, DisabledGlyphIsEmbossed)
{
    TButtonGlyph g;
    QImage strip(16, 16, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));   // bottom-left pixel: transparent colour
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            strip.setPixel(x, y, qRgb(0, 0, 128));
    g.SetGlyph(strip);
    const QImage img = g.Image(dsDisabled).toImage();
    ASSERT_EQ(img.size(), QSize(17, 17));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(QColor(img.pixel(4, 4)), kv::gw::toQColor(kv::gw::clBtnShadow));
    EXPECT_EQ(QColor(img.pixel(8, 8)), kv::gw::toQColor(kv::gw::clBtnHighlight));
    const QImage up = g.Image(dsUp).toImage();
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(QColor(up.pixel(5, 5)), QColor(0, 0, 128));
}

TEST(ToolbarButton, SwitchingToAnotherApplicationClearsTheHotButton)
{
    ButtonRow r;
    r.b->SetShowBorderWhenInactive(true);
    for (TToolbarButton *x : {r.a, r.b}) {
        hover(x, QPoint(10, 10));
        ASSERT_EQ(TToolbarButton::HotButton(), x);
        QApplicationStateChangeEvent away(Qt::ApplicationInactive);
        QApplication::sendEvent(qApp, &away);
        if (x == r.a) {
            EXPECT_EQ(TToolbarButton::HotButton(), nullptr);
            EXPECT_EQ(r.a->State(), dsUp);
        } else {
            EXPECT_EQ(TToolbarButton::HotButton(), r.b);   // ShowBorderWhenInactive keeps it
        }
    }
}

TEST(ToolbarButton, AcceleratorClicks)
{
    ButtonRow r;
    r.a->SetCaption(QStringLiteral("E&xit"));
    QSignalSpy clicks(r.a, &TToolbarButton::clicked);
    QTest::keyClick(r.form.get(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    r.a->SetDisplayMode(dmGlyphOnly);
    QTest::keyClick(r.form.get(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ToolbarItems, OrderFollowsPositionsOnLoad)
{
    MainToolbarForm f(QPoint(40, 30), QSize(700, 480), false);
    // Exit put first by its position: after Loaded it leads the line.
    f.find("tbExit")->move(-100, 0);
    f.tbar->Loaded();
    EXPECT_EQ(f.tbar->Items().front()->objectName(), QStringLiteral("tbExit"));
    EXPECT_EQ(f.find("tbExit")->geometry().topLeft(), QPoint(11, 2));
    EXPECT_EQ(f.find("tbNewGroup")->geometry().topLeft(), QPoint(71, 2));
}
