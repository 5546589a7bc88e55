// Drawing of the two report objects: the map at two scales against a
// reference drawn by a test painter from the same items, the styles of each
// kind, tiny zooms, and the parts list with its sketches and its frame.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "print/objects/detalslistview.h"
#include "print/objects/rskmapview.h"
#include "report/core/canvas.h"
#include "platform/testsupport/scoped.h"

namespace {

struct Box { int x, y, w, h; qint32 pen, fill; };

// A sheet 1000 x 500 with two parts, a usable off-cut, waste and one cut of each direction.
void fillSheet(TrpRskMapView &v, bool texts)
{
    v.SetBounds(20, 10, 200, 100);
    v.MapScale = 0.2;
    v.DetalPen = {0x0000FF, psSolid, 1};
    v.DetalBrush = {0xFFFF00, kvbsSolid};
    v.ScrapPen = {0x00FF00, psSolid, 1};
    v.ScrapBrush = {0xC0C0C0, kvbsSolid};
    v.LostScrapPen = {0xFF0000, psSolid, 1};
    v.LostScrapBrush = {0x808080, kvbsSolid};
    v.MillPen = {0x00FFFF, psSolid, 1};
    struct It { quint8 kind; int x, y, w, h; bool lost; };
    const It items[] = {{1, 0, 0, 400, 300, false}, {1, 404, 0, 300, 300, false}, {2, 708, 0, 292, 300, false},
                        {2, 0, 304, 1000, 196, true}, {3, 402, 0, 0, 300, false}, {3, 0, 302, 1000, 0, false}};
    for (const It &i : items) {
        TkvrpCommonData &d = v.AddItem(i.kind);
        d.Text = QStringLiteral("P");
        d.X = i.x, d.Y = i.y, d.Width = i.w, d.Height = i.h;
        d.ShowTitle = d.ShowDim = texts;
        if (i.kind == 2) static_cast<TkvrpScrapData &>(d).IsLost = i.lost;
    }
}

QImage blank()
{
    QImage img(700, 400, QImage::Format_RGB32);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    img.fill(Qt::white);
    return img;
}

QColor q(qint32 c) { return rpToQColor(c); }

} // namespace

TEST(RskMapDrawing, ItemsLandWhereAReferencePainterPutsThemAtTwoScales)
{
    for (double zoom : {1.0, 2.5}) {
        TrpRskMapView v;
        fillSheet(v, false);
        QImage got = blank();
        {
            TrpCanvas c(&got, TrpCanvasKind::Screen);
            v.DrawScaleX = v.DrawScaleY = zoom;
            v.Draw(&c);
        }
        // The reference: the same items as rectangles and lines of a plain painter.
        QImage ref = blank();
        QList<QPoint> probes;
        {
            QPainter p(&ref);
            const double s = v.MapScale * zoom;
            const int x0 = rpRound(v.Left * zoom), y0 = rpRound(v.Top * zoom);
            p.setPen(Qt::black);
            p.drawRect(x0, y0, rpRound((v.Left + v.Width) * zoom) - x0, rpRound((v.Top + v.Height) * zoom) - y0);
            for (const auto &item : v.Items) {
                const int l = rpRound(item->X * s) + x0, t = rpRound(item->Y * s) + y0;
                if (item->ItemKind() == 3) continue;
                const int w = rpRound(item->Width * s) - 1, h = rpRound(item->Height * s) - 1;
                const TkvrpPen &pen = *item->GetPen();
                const TkvrpBrush &brush = *item->GetBrush();
                p.fillRect(l, t, w, h, q(brush.Color));
                p.setPen(q(pen.Color));
                p.drawRect(l, t, w - 1, h - 1);
                probes << QPoint(l, t) << QPoint(l + w - 1, t + h - 1) << QPoint(l + w / 3, t + h / 3)
                       << QPoint(l + 1, t + h / 2) << QPoint(l + w - 2, t + 2);
            }
            for (const auto &item : v.Items) {
                if (item->ItemKind() != 3) continue;
                const int l = rpRound(item->X * s) + x0, t = rpRound(item->Y * s) + y0;
                const int l2 = l + rpRound(item->Width * s), t2 = t + rpRound(item->Height * s);
                p.setPen(q(item->GetPen()->Color));
                p.drawLine(l, t, l2 == l ? l : l2 - 1, t2 == t ? t : t2 - 1);
                probes << QPoint((l + l2) / 2, (t + t2) / 2 + (t2 == t ? 0 : 3));
            }
        }
        for (const QPoint &pt : probes)
            EXPECT_EQ(QColor(got.pixel(pt)).name(), QColor(ref.pixel(pt)).name())
                << "zoom " << zoom << " at " << pt.x() << "," << pt.y();
    }
}

TEST(RskMapDrawing, StylesOfEachKindAndEmptyViews)
{
    TrpRskMapView v;
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    v.SetBounds(0, 0, 100, 50);
    v.Draw(&c);
    // No items: the outline alone, one unit wider and taller than the view.
    ASSERT_EQ(c.Records().size(), 1u);
    EXPECT_EQ(c.Records()[0].Kind, TrpCanvasRecord::Rectangle);
    EXPECT_EQ(c.Records()[0].Rect, (TrpRect{0, 0, 101, 51}));

    fillSheet(v, false);
    v.LostScrapBrush = {clNone, kvbsSolid};    // none: no fill
    v.ScrapPen = {clNone, psSolid, 1};         // none: no line
    c.ClearRecords();
    v.Draw(&c);
    QList<TrpCanvasRecord> rects, lines;
    for (const TrpCanvasRecord &r : c.Records()) {
        if (r.Kind == TrpCanvasRecord::Rectangle) rects << r;
        if (r.Kind == TrpCanvasRecord::Line) lines << r;
        EXPECT_NE(r.Kind, TrpCanvasRecord::Text);   // without texts only rectangles and lines
    }
    ASSERT_EQ(rects.size(), 5);   // outline, two parts, off-cut, waste
    EXPECT_EQ(rects[1].Color, 0x0000FF);
    EXPECT_EQ(rects[1].FillColor, 0xFFFF00);
    EXPECT_EQ(rects[3].PenStyle, psClear);
    EXPECT_EQ(rects[4].Color, 0xFF0000);
    EXPECT_EQ(rects[4].FillColor, clNone);
    // Part 400 x 300 at scale 0.2 from the view's corner (20, 10): 80 - 1 by 60 - 1.
    EXPECT_EQ(rects[1].Rect, (TrpRect{20, 10, 99, 69}));
    ASSERT_EQ(lines.size(), 2);
    // A horizontal cut of 1000 mm: a line of Round(1000 x 0.2) units.
    EXPECT_EQ(lines[1].P1, QPoint(20, 10 + rpRound(302 * 0.2)));
    EXPECT_EQ(lines[1].P2, QPoint(220, 10 + rpRound(302 * 0.2)));
    EXPECT_EQ(lines[1].Color, 0x00FFFF);
}

TEST(RskMapDrawing, TinyZoomKeepsItemsAndFontsAtLeastOneUnit)
{
    TrpRskMapView v;
    fillSheet(v, true);
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    v.DrawScaleX = v.DrawScaleY = 0.01;
    v.Draw(&c);
    for (const TrpCanvasRecord &r : c.Records()) {
        if (r.Kind == TrpCanvasRecord::Rectangle) {
            EXPECT_GE(r.Rect.width(), 1);
            EXPECT_GE(r.Rect.height(), 1);
        }
        if (r.Kind == TrpCanvasRecord::Text) {
            EXPECT_LT(r.Font.Height, 0) << "a zero height would print at full size";
        }
    }
}

TEST(RskMapDrawing, CutTextsStayInsideAStripLowerThanALine)
{
    // A waste strip 300 x 30 at scale 0.2: 60 x 6 units, lower than a line and
    // too short for its texts on one line, so they are spread over it.
    struct Case { bool trunc; bool spills; };
    for (const Case c : {Case{true, false}, Case{false, true}}) {
        TrpRskMapView v;
        v.SetBounds(20, 40, 200, 100);
        v.MapScale = 0.2;
        v.LostScrapFont.size = 10;
        TkvrpCommonData &d = v.AddItem(2);
        static_cast<TkvrpScrapData &>(d).IsLost = true;
        d.Text = QStringLiteral("Отход");
        d.X = 0, d.Y = 200, d.Width = 300, d.Height = 30;
        d.ShowTitle = d.ShowDim = true;
        d.TruncText = c.trunc;
        QImage img = blank();
        {
            TrpCanvas canvas(&img, TrpCanvasKind::Screen);
            v.Draw(&canvas);
        }
        // Dark pixels of text between the strip and the map's outline below it.
        const int stripTop = 40 + 40, stripBottom = stripTop + 6;
        int outside = 0;
        for (int y = stripTop - 12; y < 140; ++y)
            for (int x = 22; x < 90; ++x)
                if ((y < stripTop - 1 || y > stripBottom) && qGray(img.pixel(x, y)) < 128) ++outside;
        EXPECT_EQ(outside > 0, c.spills) << "cut " << c.trunc << ": " << outside;
    }
}

TEST(DetalsListDrawing, LinesSketchesAndTotals)
{
    // The lines stand where the engine's measuring canvas puts them.
    rpSetMeasuringMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    const kv::test::OnScopeExit reset([] { rpSetMeasuringMeasurer(nullptr); });
    TrpDetalsListView v;
    v.SetBounds(0, 0, 300, 400);
    v.ShowBorder = true;
    v.BorderCodes = true;
    TDetalsListRec banded;
    banded.Name = QStringLiteral("Fasad");
    banded.Width = 716, banded.Height = 396, banded.Count = 5;
    banded.LeftCode = 1, banded.TopCode = 3, banded.LeftColor = 0xFF;
    TDetalsListRec plain;
    plain.Name = QStringLiteral("Polka");
    plain.Width = 560, plain.Height = 280, plain.Count = 8;
    plain.LeftCode = -1;   // negative codes are no banding
    v.Detals = {banded, plain};
    v.Totals = {{QStringLiteral("PVH"), 1500, 3}};
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    v.Draw(&c);
    EXPECT_EQ(c.RecordedTexts(), (QStringList{"Список деталей:", "Fasad [716x396] 5 шт", "1", "3",
                                              "Polka [560x280] 8 шт", "Список кромок:", "PVH[3]: 1.50м"}));
    QList<TrpCanvasRecord> lines;
    for (const TrpCanvasRecord &r : c.Records())
        if (r.Kind == TrpCanvasRecord::Line) lines << r;
    ASSERT_EQ(lines.size(), 4);   // one sketch only
    EXPECT_EQ(lines[0].Color, 0xFF);        // banded left side in its colour, 3 units wide
    EXPECT_EQ(lines[0].PenWidth, 3);
    EXPECT_EQ(lines[1].Color, clBlack);     // unbanded right side: black, one unit
    EXPECT_EQ(lines[1].PenWidth, 1);

    v.Totals = {{QStringLiteral("PVH"), 1500, 3}};
    v.BorderCodes = false;
    v.Detals.clear();
    c.ClearRecords();
    v.Draw(&c);
    // Totals alone start at the top after half a line.
    ASSERT_EQ(c.RecordedTexts(), (QStringList{"Список кромок:", "PVH: 1.50м"}));
    EXPECT_EQ(c.Records()[0].Rect.Top, 5);

    v.Totals.clear();
    c.ClearRecords();
    v.Draw(&c);
    EXPECT_TRUE(c.RecordedTexts().isEmpty());
}

TEST(DetalsListDrawing, AListLongerThanItsFrameStopsAtTheFrame)
{
    TrpDetalsListView v;
    v.SetBounds(0, 0, 200, 60);
    for (int i = 0; i < 30; ++i) {
        TDetalsListRec r;
        r.Name = QStringLiteral("D%1").arg(i);
        r.Count = 1;
        v.Detals.push_back(r);
    }
    TrpCanvas c(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    v.Draw(&c);
    EXPECT_LT(c.RecordedTexts().size(), 8);
    for (const TrpCanvasRecord &r : c.Records()) {
        if (r.Kind != TrpCanvasRecord::Text) continue;
        EXPECT_LT(r.Rect.Top, 60);
        EXPECT_LE(r.Clip.Bottom, 60);
    }
    EXPECT_TRUE(c.HasClip() == false);   // the canvas clip is given back
}

TEST(DetalsListDrawing, AListSplitOverPagesLosesNoLineAndEveryPieceHasItsRoom)
{
    // The engine's measuring canvas with lines 10 high: a heading 13, a
    // sketch 2 + 16 + 2, the totals' heading 5 + 13, half a line below.
    rpSetMeasuringMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6, 10));
    const kv::test::OnScopeExit reset([] { rpSetMeasuringMeasurer(nullptr); });
    struct Case { const char *what; int detals, banded, totals, room; };
    const Case cases[] = {
        {"parts only", 30, 0, 0, 60},
        {"parts with sketches and totals", 12, 3, 4, 70},
        {"totals over a page", 2, 0, 12, 50},
        {"room for one line", 5, 0, 3, 24},
    };
    for (const Case &c : cases) {
        TrpDetalsListView v;
        v.ShowBorder = true;
        for (int i = 0; i < c.detals; ++i) {
            TDetalsListRec r;
            r.Name = QStringLiteral("D%1").arg(i);
            if (i % std::max(1, c.detals / std::max(1, c.banded)) == 0 && c.banded > 0) r.LeftCode = 1;
            v.Detals.push_back(r);
        }
        for (int i = 0; i < c.totals; ++i) v.Totals.push_back({QStringLiteral("T%1").arg(i), 100, i + 1});
        const std::vector<TDetalsListRec> allDetals = v.Detals;
        const std::vector<TBorderTotalRec> allTotals = v.Totals;
        const TrpDetalsListView::Metrics m = v.MeasureLines();
        // What the band does with a stretched view too high for its page:
        // pieces of the room's height, the view growing by RemainHeight.
        int left = v.ContentHeight(v.Detals.size(), v.Totals.size(), m);
        std::vector<TDetalsListRec> printedDetals;
        std::vector<TBorderTotalRec> printedTotals;
        int pieces = 0;
        for (bool last = false; !last && pieces < 100; ++pieces) {
            last = left <= c.room;
            v.Height = last ? left : c.room;
            v.LayoutMode = 2;
            const std::vector<TDetalsListRec> before = v.Detals;
            const std::vector<TBorderTotalRec> beforeTotals = v.Totals;
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            v.Print(out);
            const size_t nd = before.size() - v.Detals.size(), nt = beforeTotals.size() - v.Totals.size();
            printedDetals.insert(printedDetals.end(), before.begin(), before.begin() + qsizetype(nd));
            printedTotals.insert(printedTotals.end(), beforeTotals.begin(), beforeTotals.begin() + qsizetype(nt));
            left = left - v.Height + v.RemainHeight();
        }
        EXPECT_TRUE(v.Detals.empty() && v.Totals.empty()) << c.what << ": lines left after the last piece";
        EXPECT_EQ(printedDetals, allDetals) << c.what;
        EXPECT_EQ(printedTotals, allTotals) << c.what;
        EXPECT_GT(pieces, 1) << c.what;
    }
}
