#include <gtest/gtest.h>

#include <QBuffer>

#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/views.h"

namespace {

// Every character 6 pixels wide, on the measuring canvas and the recording one.
struct FixedPitch
{
    FixedPitch() { rpSetMeasuringMeasurer(std::make_shared<TrpFixedPitchMeasurer>(6)); }
    ~FixedPitch() { rpSetMeasuringMeasurer(nullptr); }
};

// A report link that gives bracketed names their values and collects exported lines.
class Link : public TrpReportLink
{
public:
    Link() : m_saved(rpObjects().Report) { rpObjects().Report = this; }
    ~Link() override { rpObjects().Report = m_saved; }
    QString ExpandBrackets(const QString &text, TrpView *) override
    {
        QString t = text;
        return t.replace(QStringLiteral("[V]"), Value);
    }
    void ExportText(const TrpRect &, int x, int y, TrpView *, int frameTyp, const QString &text) override
    {
        Exported << QStringLiteral("%1,%2,%3,%4").arg(x).arg(y).arg(frameTyp).arg(text);
    }
    QString Value;
    QStringList Exported;

private:
    TrpReportLink *m_saved;
};

QStringList wrap(TrpMemoView &m, const QString &text, int width)
{
    QStringList out = m.WrapLine(text, width);
    for (QString &l : out) l.replace(QChar(1), QLatin1Char('|'));
    return out;
}

} // namespace

TEST(Hyphenation, RussianWords)
{
    EXPECT_EQ(HyphenPoints(QStringLiteral("МАТЕРИАЛ")), (QList<int>{2, 4, 6}));
    EXPECT_EQ(HyphenPoints(QStringLiteral("материал")), (QList<int>{2, 4, 6}));
    EXPECT_EQ(HyphenPoints(QStringLiteral("РАСКРОЙ")), (QList<int>{4}));
    EXPECT_TRUE(HyphenPoints(QStringLiteral("КОТ")).isEmpty());
}

TEST(MemoLayout, WrappingRules)
{
    FixedPitch fp;
    TrpMemoView m;
    struct Case { const char *text; int width; bool wordBreak; QStringList lines; };
    const Case cases[] = {
        {"short", 60, false, {"short|"}},
        {"aaaa bbbb cccc", 60, false, {"aaaa bbbb", "cccc|"}},
        // One long word breaks at the character that first passes the width.
        {"abcdefghijkl", 30, false, {"abcde", "fghij", "kl|"}},
        {"a\r\n\r\nb", 600, false, {"a|", "b|"}},
        // Hyphenation takes the longest prefix that still fits with its "-".
        {"ОБЩИЙ МАТЕРИАЛ", 60, true, {"ОБЩИЙ МА-", "ТЕРИАЛ|"}},
        {"ОБЩИЙ МАТЕРИАЛ", 60, false, {"ОБЩИЙ", "МАТЕРИАЛ|"}},
    };
    for (const Case &c : cases) {
        m.Flags = quint16(rpmfWordWrap | (c.wordBreak ? rpmfWordBreak : 0));
        QStringList expected;
        for (const QString &l : c.lines) expected << l;
        EXPECT_EQ(wrap(m, QString::fromUtf8(c.text), c.width), expected) << c.text;
    }
    // A width below one character still ends.
    m.Flags = rpmfWordWrap | rpmfWordBreak;
    EXPECT_EQ(wrap(m, QStringLiteral("МАТЕРИАЛ"), 1).size(), 8);
}

TEST(MemoLayout, HeightsFollowFontAndSpacing)
{
    FixedPitch fp;
    TrpMemoView m;
    m.SetBounds(0, 0, 64, 100);   // 60 pixels of text width
    m.Memo = {QStringLiteral("aaaa bbbb cccc"), QStringLiteral("x")};
    m.ExpandedMemo = m.Memo;
    const QStringList lines = m.LayoutText();
    EXPECT_EQ(lines.size(), 3);
    EXPECT_EQ(m.LineHeight, 15);   // 10 points are 13 pixels, plus spacing 2
    EXPECT_EQ(m.TextHeight, 1 + 3 * 15 + 1);
    Link link;
    EXPECT_EQ(m.CalcHeight(), 47);
    EXPECT_EQ(m.MinHeight(), 2 + 15 + 2);
    m.Flags = rpmfStretched;   // no wrapping: one line per paragraph
    EXPECT_EQ(m.CalcHeight(), 1 + 2 * 15 + 1);
    m.Visible = false;
    EXPECT_EQ(m.CalcHeight(), 0);
}

TEST(MemoDrawing, AlignmentAndClipOnTheRecordingCanvas)
{
    FixedPitch fp;
    TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
    struct Case { int alignment; int x; };
    // DrawRect is 101 wide; text "Hello" is 30 wide; gap 2.
    const Case cases[] = {{rptaLeft, 12}, {rptaRight, 10 + 101 - 2 - 30 - 1}, {rptaCenter, 10 + 2 + (101 - 4 - 30) / 2}};
    for (const Case &c : cases) {
        canvas.ClearRecords();
        TrpMemoView m;
        m.SetBounds(10, 20, 100, 30);
        m.Memo = {QStringLiteral("Hello")};
        m.Alignment = c.alignment;
        m.Draw(&canvas);
        QList<TrpCanvasRecord> texts;
        for (const TrpCanvasRecord &r : canvas.Records())
            if (r.Kind == TrpCanvasRecord::Text) texts << r;
        ASSERT_EQ(texts.size(), 1);
        EXPECT_EQ(texts[0].Str, QStringLiteral("Hello"));
        EXPECT_EQ(texts[0].Rect.Left, c.x) << c.alignment;
        EXPECT_EQ(texts[0].Rect.Top, 21);
        EXPECT_EQ(texts[0].Clip, (TrpRect{11, 20, 109, 50}));
    }
}

TEST(MemoDrawing, RightToLeftReadingTurnsOnlyTheReadingOrder)
{
    FixedPitch fp;
    const QString text = QStringLiteral(u"שורה ראשונה של הטקסט הזה");
    struct Drawn { QStringList texts; QList<int> lefts; QList<bool> rtl; QStringList exported; };
    auto draw = [&](bool rtl, int alignment) {
        TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
        TrpMemoView m;
        m.SetBounds(10, 20, 100, 60);
        m.Memo = {text};
        m.Alignment = alignment;
        m.SetProperty(QStringLiteral("RTLReading"), rtl);
        m.Draw(&canvas);
        Drawn d;
        for (const TrpCanvasRecord &r : canvas.Records())
            if (r.Kind == TrpCanvasRecord::Text) {
                d.texts << r.Str;
                d.lefts << r.Rect.Left;
                d.rtl << r.RightToLeft;
            }
        Link link;
        m.ExportData();
        d.exported = link.Exported;
        return d;
    };
    for (int alignment : {rptaLeft, rptaRight, rptaCenter}) {
        const Drawn ltr = draw(false, alignment), rtl = draw(true, alignment);
        // the same lines at the same places: wrapping and alignment do not change
        EXPECT_EQ(rtl.texts, ltr.texts) << alignment;
        EXPECT_EQ(rtl.lefts, ltr.lefts) << alignment;
        EXPECT_GT(rtl.texts.size(), 1);
        EXPECT_EQ(rtl.rtl, QList<bool>(rtl.texts.size(), true));
        EXPECT_EQ(ltr.rtl, QList<bool>(ltr.texts.size(), false));
        // the export gets the lines as they are stored
        EXPECT_EQ(rtl.exported, ltr.exported);
    }
    // a justified line spreads from the left edge with its first word on the right
    const Drawn justified = draw(true, rptaJustify);
    ASSERT_GE(justified.texts.size(), 3);
    EXPECT_EQ(justified.texts[0], QStringLiteral(u"של"));
    EXPECT_EQ(justified.lefts[0], 12);
    EXPECT_EQ(justified.texts[2], QStringLiteral(u"שורה"));
    EXPECT_EQ(justified.lefts[2] + 4 * 6, 10 + 101 - 2);   // ends at the right gap
    // vertical text keeps its reading order
    TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
    TrpMemoView v;
    v.SetBounds(0, 0, 40, 200);
    v.Memo = {text};
    v.Alignment = rptaVertical;
    v.Flags |= rpmfRTLReading;
    v.Draw(&canvas);
    for (const TrpCanvasRecord &r : canvas.Records()) EXPECT_FALSE(r.RightToLeft);
    EXPECT_TRUE(v.GetProperty(QStringLiteral("rtlreading")).toBool());
}

TEST(MemoDrawing, FillAndFrameOnPreparedPages)
{
    FixedPitch fp;
    TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
    rpObjects().DrawingPrepared = true;
    TrpMemoView m;
    m.SetBounds(0, 0, 50, 20);
    m.FrameTyp = rpftRight;
    m.FrameWidth = 3;
    m.Draw(&canvas);
    int fills = 0, lines = 0;
    for (const TrpCanvasRecord &r : canvas.Records()) {
        if (r.Kind == TrpCanvasRecord::Fill) ++fills;
        if (r.Kind == TrpCanvasRecord::Line) {
            ++lines;
            EXPECT_EQ(r.PenWidth, 3);
            EXPECT_EQ(r.P1, QPoint(50, 0));
        }
    }
    EXPECT_EQ(fills, 0);   // no fill colour: nothing painted on a prepared page
    EXPECT_EQ(lines, 1);
    canvas.ClearRecords();
    m.FillColor = 0x00FFFF;
    m.FrameStyle = rppsDash;
    m.Draw(&canvas);
    fills = lines = 0;
    for (const TrpCanvasRecord &r : canvas.Records()) {
        if (r.Kind == TrpCanvasRecord::Fill) ++fills;
        if (r.Kind == TrpCanvasRecord::Line) ++lines;
    }
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(lines, 3);   // a dashed 3-pixel line is three 1-pixel lines
    rpObjects().DrawingPrepared = false;
}

TEST(MemoExport, LinesCarryTheirFrameLines)
{
    FixedPitch fp;
    Link link;
    TrpMemoView m;
    m.SetBounds(0, 0, 200, 60);
    m.FrameTyp = 15;
    m.Memo = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    m.ExportData();
    EXPECT_EQ(link.Exported, (QStringList{QStringLiteral("2,1,13,a"), QStringLiteral("2,16,5,b"), QStringLiteral("2,31,7,c")}));
    link.Exported.clear();
    m.Memo = {QStringLiteral("one")};
    m.ExportData();
    EXPECT_EQ(link.Exported, QStringList{QStringLiteral("2,1,15,one")});
}

TEST(MemoPrint, SuppressedRepeatsAndSplitting)
{
    FixedPitch fp;
    Link link;
    TrpMemoView m;
    m.Name = QStringLiteral("M");
    m.SetBounds(0, 0, 100, 20);
    m.Memo = {QStringLiteral("[V]")};
    m.Flags = rpmfSuppress;
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    QList<qint64> sizes;
    for (const char *v : {"A", "A", "B"}) {
        link.Value = QString::fromLatin1(v);
        m.Print(b);
        sizes << b.size();
    }
    EXPECT_GT(sizes[0], 0);
    EXPECT_EQ(sizes[1], sizes[0]);   // the repeat writes nothing
    EXPECT_GT(sizes[2], sizes[1]);

    // Part printing: the lines that fit are written, the rest stays for the next page.
    TrpMemoView s;
    s.Name = QStringLiteral("S");
    s.SetBounds(0, 0, 100, 1 + 2 * 15 + 2);
    s.ExpandedMemo = {QStringLiteral("1\001"), QStringLiteral("2\001"), QStringLiteral("3\001"), QStringLiteral("4\001")};
    s.LayoutMode = 2;
    QBuffer p;
    p.open(QIODevice::WriteOnly);
    s.Print(p);
    EXPECT_EQ(s.LinesDrawn, 2);
    EXPECT_EQ(s.ExpandedMemo, (QStringList{QStringLiteral("3\001"), QStringLiteral("4\001")}));
    EXPECT_EQ(s.LayoutMode, 0);
    QByteArray bytes = p.data();
    QBuffer r(&bytes);
    r.open(QIODevice::ReadOnly);
    auto back = ReadObject(r, true);
    EXPECT_EQ(back->Memo, (QStringList{QStringLiteral("1\001"), QStringLiteral("2\001")}));
}

TEST(ViewDrawing, PicturesAndLines)
{
    TrpCanvas canvas(std::make_shared<TrpFixedPitchMeasurer>(6));
    TrpPictureView p;
    p.SetBounds(0, 0, 100, 100);
    p.Flags = rppfStretched | rppfKeepAspect | rppfCenter;
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::red);
    p.Picture.Kind = rppkBitmap;
    p.Picture.Image = img;
    p.Draw(&canvas);
    ASSERT_EQ(canvas.Records().size(), 1);
    EXPECT_EQ(canvas.Records()[0].Kind, TrpCanvasRecord::Picture);
    EXPECT_EQ(canvas.Records()[0].Rect.height(), 50);
    EXPECT_EQ(canvas.Records()[0].Rect.width(), 101);
    // A metafile keeps its bytes and draws nothing.
    canvas.ClearRecords();
    p.Picture.clear();
    p.Picture.load(rppkMetafile, QByteArray("\x01\x00\x00\x00", 4));
    p.Draw(&canvas);
    EXPECT_TRUE(canvas.Records().isEmpty());

    canvas.ClearRecords();
    TrpLineView l;
    l.SetBounds(10, 10, 100, 2);
    l.FrameWidth = 2;
    l.Draw(&canvas);
    ASSERT_EQ(canvas.Records().size(), 1);
    EXPECT_EQ(canvas.Records()[0].P1, QPoint(10, 10));
    EXPECT_EQ(canvas.Records()[0].P2, QPoint(111, 10));
    EXPECT_EQ(canvas.Records()[0].PenWidth, 2);
}
