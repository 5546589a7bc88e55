#include "widgets/gwutils.h"
#include "widgets/changelink.h"
#include "widgets/collection.h"
#include "platform/error.h"
#include "platform/testsupport/errors.h"
#include "platform/strutils.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QWidget>

using namespace kv::gw;

TEST(GwStrings, Pieces)
{
    struct Case { const char *s; int count; };
    for (const Case &c : {Case{"", 0}, Case{"a", 1}, Case{"a,b", 2}, Case{"a,b,", 3}, Case{",", 2}})
        EXPECT_EQ(PieceCount(QString::fromLatin1(c.s), QStringLiteral(",")), c.count) << c.s;
    EXPECT_EQ(Piece(QStringLiteral("a,,c"), QStringLiteral(","), 2), QStringLiteral("c"));
    EXPECT_EQ(Piece(QStringLiteral("a,b"), QStringLiteral(","), 2), QString());
    EXPECT_EQ(Piece(QStringLiteral("a,b,"), QStringLiteral(","), 2), QString());
    EXPECT_EQ(PieceIndex(QStringLiteral("x, y, z"), QStringLiteral(", "), QStringLiteral("z")), 2);
    EXPECT_EQ(PieceIndex(QStringLiteral("x, y"), QStringLiteral(", "), QStringLiteral("q")), -1);
    EXPECT_EQ(PosFrom(QStringLiteral("b"), QStringLiteral("abab"), 3), 4);
    EXPECT_EQ(PosOfOccurrence(QStringLiteral("b"), QStringLiteral("abab"), 1), 4);
    EXPECT_EQ(PosOfOccurrence(QStringLiteral("b"), QStringLiteral("abab"), 2), 0);
    EXPECT_EQ(CopyBetween(QStringLiteral("abcdef"), 2, 4), QStringLiteral("bc"));
    EXPECT_EQ(CopyBetween(QStringLiteral("abcdef"), 3, 0), QStringLiteral("cdef"));
    EXPECT_EQ(kv::SubstituteAll(QStringLiteral("aXbXc"), QStringLiteral("X"), QStringLiteral("--")),
              QStringLiteral("a--b--c"));
    EXPECT_EQ(TrimTabs(QStringLiteral(" \tab c\t ")), QStringLiteral("ab c"));
}

TEST(GwStrings, AcceleratorsAndLists)
{
    EXPECT_EQ(StripAccelerators(QStringLiteral("&Да && &Нет")), QStringLiteral("Да & Нет"));
    EXPECT_EQ(StripAccelerators(QStringLiteral("a&")), QStringLiteral("a"));
    const QStringList l{QStringLiteral("Red=0000FF"), QStringLiteral("Sky=\t F0CAA6 ")};
    EXPECT_EQ(NameAt(l, 1), QStringLiteral("Sky"));
    EXPECT_EQ(ValueAt(l, 1), QStringLiteral("F0CAA6"));
    EXPECT_EQ(ColorValueAt(l, 0), clRed);
    EXPECT_EQ(IndexOfValue(QStringLiteral("F0CAA6"), l), 1);
    EXPECT_EQ(IndexOfNameText(QStringLiteral("red"), l), 0);
    EXPECT_EQ(NameAt(l, -1), QString());
    EXPECT_EQ(HexRGB(255, 8, 0), QStringLiteral("ff0800"));
    EXPECT_EQ(ColorToRGBText(rgb(1, 2, 3)), QStringLiteral("RGB: 1, 2, 3"));
}

TEST(GwStrings, UniqueNamesAndClassNames)
{
    QWidget owner;
    auto *a = new QWidget(&owner);
    a->setObjectName(QStringLiteral("BarOutlookList1"));
    EXPECT_EQ(UniqueComponentName(&owner, QStringLiteral("BarOutlookList")), QStringLiteral("BarOutlookList2"));
    EXPECT_TRUE(InheritsFromName(a, QStringLiteral("qobject")));
    EXPECT_FALSE(InheritsFromName(a, QStringLiteral("TCustomGrid")));
    EXPECT_FALSE(InGrid(a));
}

TEST(GwColors, StepColor)
{
    struct Case { Color in; int amount; bool percent; Color out; };
    const Case cases[] = {
        {clRed, 50, true, rgb(255, 127, 127)},
        {rgb(100, 100, 100), 50, true, rgb(177, 177, 177)},
        {rgb(100, 100, 100), -50, true, rgb(50, 50, 50)},
        {rgb(250, 10, 0), 10, false, rgb(255, 20, 10)},
        {rgb(5, 5, 5), -10, false, rgb(0, 0, 0)},
        {clBtnShadow, -50, true, rgb(64, 64, 64)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(StepColor(c.in, c.amount, c.percent), c.out) << std::hex << c.in << " " << std::dec << c.amount;
}

TEST(GwLayout, ButtonLayoutCases)
{
    struct Case { TButtonLayout layout; QSize glyph; int spacing; QRect text; QRect glyphR; };
    const QSize text(30, 10);
    const QPoint c(50, 20);
    const Case cases[] = {
        {blGlyphLeft, {16, 16}, 4, QRect(45, 15, 30, 10), QRect(25, 12, 16, 16)},
        {blGlyphRight, {16, 16}, 4, QRect(25, 15, 30, 10), QRect(59, 12, 16, 16)},
        {blGlyphTop, {16, 16}, 4, QRect(35, 25, 30, 10), QRect(42, 5, 16, 16)},
        {blGlyphBottom, {16, 16}, 4, QRect(35, 5, 30, 10), QRect(42, 19, 16, 16)},
        // No glyph: the spacing becomes (4 - 6) div 2 = -1.
        {blGlyphLeft, {0, 0}, 4, QRect(35, 15, 30, 10), QRect(36, 20, 0, 0)},
    };
    for (const Case &cs : cases) {
        QRect t, g;
        ButtonLayout(c, t, g, cs.spacing, cs.layout, cs.glyph, text);
        EXPECT_EQ(t, cs.text) << int(cs.layout);
        EXPECT_EQ(g, cs.glyphR) << int(cs.layout);
    }
}

TEST(GwLayout, FitProportionalAndSteps)
{
    EXPECT_EQ(FitProportional(QRect(0, 0, 100, 50), 2, 2), QRect(0, 0, 50, 50));
    EXPECT_EQ(FitProportional(QRect(5, 5, 40, 100), 4, 2), QRect(5, 5, 40, 20));
    EXPECT_EQ(FitProportional(QRect(5, 5, 40, 100), 0, 0), QRect(5, 5, 0, 0));
    EXPECT_EQ(AnimationStep(QRect(0, 0, 10, 10), QRect(0, 70, 10, 10), 1, 7), QRect(0, 10, 10, 10));
    EXPECT_EQ(AnimationStep(QRect(0, 0, 10, 10), QRect(0, 70, 10, 10), 7, 7), QRect(0, 70, 10, 10));
    QWidget w;
    QWidget *child = new QWidget(&w);
    child->setGeometry(0, 0, 10, 10);
    QList<TgwAnimationEntry> list{{{child, QRect(0, 0, 10, 10), QRect(0, 40, 20, 10), {}}, {}}};
    AnimateControls(list, nullptr, 1, 0);   // one step: straight to the end
    EXPECT_EQ(child->geometry(), QRect(0, 40, 20, 10));
}

TEST(GwDrawing, DitherAndRegions)
{
    QImage img(4, 2, QImage::Format_RGB32);
    img.fill(Qt::black);
    DitherFill(img, img.rect(), clNone, clWhite);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(0, 1), qRgb(255, 255, 255));
    DitherFill(img, img.rect(), clRed, clBlue);
    EXPECT_EQ(img.pixel(2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 255));
    // A second colour of none raises in every build and paints nothing.
    EXPECT_EQ(kv::test::ErrorOf([&] { DitherFill(img, img.rect(), clRed, clNone); }), "Color2 cannot be clNone");
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 255));

    QImage shape(5, 3, QImage::Format_RGB32);
    shape.fill(Qt::white);
    shape.setPixel(1, 1, qRgb(0, 0, 0));
    shape.setPixel(2, 1, qRgb(0, 0, 0));
    shape.setPixel(4, 2, qRgb(9, 9, 9));
    const QRegion r = RegionFromBitmap(shape, -1);
    EXPECT_EQ(r.rectCount(), 2);
    EXPECT_TRUE(r.contains(QPoint(2, 1)));
    EXPECT_FALSE(r.contains(QPoint(3, 1)));
    EXPECT_TRUE(RegionFromBitmap(QImage(), -1).isEmpty());
    EXPECT_EQ(RegionFromBitmap(shape, clBlack).rectCount(), 4);
}

TEST(GwChangeLink, FiresWithSenderAndCountsTwice)
{
    TgwChangeLinkList list;
    TgwChangeLink silent;
    list.RegisterChanges(&silent);
    list.NotifyChange(&list);   // no events set: nothing happens
    TgwChangeLink l;
    int calls = 0;
    const void *seen = nullptr;
    l.OnChange = [&](const void *s) { ++calls; seen = s; };
    list.RegisterChanges(&l);
    list.RegisterChanges(&l);
    int a = 0, b = 0;
    list.NotifyChange(&a);
    EXPECT_EQ(calls, 2);
    list.NotifyChange(&b);
    EXPECT_EQ(seen, &b);
    list.UnRegisterChanges(&l);
    list.NotifyChange(&a);
    EXPECT_EQ(calls, 5);
}

namespace {
struct Items : TgwCollection {
    int updates = 0;
    TgwCollectionItem *CreateItem() override { return new TgwCollectionItem(this); }
    void Update(TgwCollectionItem *) override { ++updates; }
};
} // namespace

TEST(GwCollection, AddMoveDeleteAndNotify)
{
    Items items;
    TgwCollectionItem *a = items.AddItem();
    TgwCollectionItem *b = items.AddItem();
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(b->Index(), 1);
    b->SetIndex(0);
    EXPECT_EQ(items.GetItem(0), b);
    a->NotifyChange();   // no handler: nothing
    int changed = 0;
    a->OnChange = [&](TgwCollectionItem *) { ++changed; };
    a->NotifyChange();
    EXPECT_EQ(changed, 1);
    delete a;
    EXPECT_EQ(items.Count(), 1);
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
}

namespace {
class TgwDBGrid : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Options READ options)
public:
    int options() const { return 0x1234; }
};
} // namespace

TEST(GwClassNames, GridHostsByName)
{
    TgwDBGrid grid;
    QWidget *cell = new QWidget(&grid);
    EXPECT_EQ(GridOptionsByte(cell), 0x34);
    EXPECT_FALSE(InDataInspector(cell));
    EXPECT_EQ(OrdPropByName(&grid, "Missing"), 0);
    QWidget plain;
    EXPECT_EQ(GridOptionsByte(new QWidget(&plain)), 0);
}

#include "gwutils_test.moc"
