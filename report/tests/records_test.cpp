#include <gtest/gtest.h>

#include <QBuffer>

#include "platform/error.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/views.h"
#include "report/tests/templatefixture.h"

using kvtest::fromHex;
using kvtest::VirtualPaper;

namespace {

struct VersionScope
{
    int saved;
    explicit VersionScope(int v) : saved(rpObjects().Version) { rpObjects().Version = v; }
    ~VersionScope() { rpObjects().Version = saved; }
};

QByteArray saved(TrpView &v, bool prepared)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    v.InPreparedPage = prepared;
    if (prepared) v.ExpandedMemo = v.Memo;
    v.WriteObject(b);
    v.InPreparedPage = false;
    return b.data();
}

std::unique_ptr<TrpView> loaded(const QByteArray &bytes, bool prepared, int version = 25)
{
    VersionScope vs(version);
    QByteArray data = bytes;
    QBuffer b(&data);
    b.open(QIODevice::ReadOnly);
    auto v = ReadObject(b, prepared);
    EXPECT_TRUE(b.atEnd());
    return v;
}

// A view of every class with every field away from its default.
std::vector<std::unique_ptr<TrpView>> sampleViews()
{
    std::vector<std::unique_ptr<TrpView>> out;
    auto common = [](TrpView &v, const char *name) {
        v.Name = QString::fromLatin1(name);
        v.SetBounds(10, 20, 300, 40);
        v.FrameTyp = rpftLeft | rpftBottom;
        v.FrameWidth = 0.5;
        v.FrameColor = 0x0000FF;
        v.FrameStyle = rppsDash;
        v.FillColor = 0x00FF00;
        v.DisplayFormatText = QStringLiteral("#,##0.00");
        v.Memo = {QStringLiteral("Итого: [SUM([Qty])]"), QString(), QStringLiteral("x")};
        v.PrintScript = {QStringLiteral("begin"), QStringLiteral("end")};
        v.Visible = false;
        v.GapX = 3;
        v.GapY = 4;
        v.Restrictions = 4;
        v.Tag = QStringLiteral("tag");
        v.BandAlign = baRight;
    };
    auto memo = std::make_unique<TrpMemoView>();
    common(*memo, "Memo1");
    memo->Font = TrpFont{QStringLiteral("Times New Roman"), 12, TrpFont::Bold | TrpFont::Italic, 0x112233, 204};
    memo->Alignment = rptaCenter | rptaMiddle;
    memo->HighlightCondition = QStringLiteral("[Qty] > 5");
    memo->HighlightFontColor = 0x0000FF;
    memo->LineSpacing = 5;
    memo->CharSpacing = 1;
    memo->Flags = rpmfWordWrap | rpmfWordBreak | rpmfSuppress;
    out.push_back(std::move(memo));
    auto band = std::make_unique<TrpBandView>();
    common(*band, "MasterData1");
    band->SetBandType(5);
    band->ChildBand = QStringLiteral("Child1");
    band->Master = QStringLiteral("M");
    band->Columns = 3;
    band->ColumnWidth = 150;
    band->ColumnGap = 7;
    band->NewColumnAfter = 2;
    out.push_back(std::move(band));
    auto sub = std::make_unique<TrpSubReportView>();
    common(*sub, "SubReport1");
    sub->TargetPage = 2;
    out.push_back(std::move(sub));
    auto pic = std::make_unique<TrpPictureView>();
    common(*pic, "Picture1");
    pic->BlobType = btJPG;
    pic->Picture.Kind = rppkMetafile;
    pic->Picture.Data = QByteArray("\x01\x00\x00\x00metafile bytes", 18);
    out.push_back(std::move(pic));
    auto line = std::make_unique<TrpLineView>();
    common(*line, "Line1");
    out.push_back(std::move(line));
    return out;
}

} // namespace

TEST(Records, SaveLoadSaveIsByteIdenticalForEveryViewClass)
{
    VirtualPaper vp;
    for (const bool prepared : {false, true}) {
        for (auto &v : sampleViews()) {
            SCOPED_TRACE(v->ClassName().toStdString() + (prepared ? " prepared" : " template"));
            const QByteArray first = saved(*v, prepared);
            auto back = loaded(first, prepared);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->ClassName(), v->ClassName());
            EXPECT_EQ(saved(*back, prepared), first);
            EXPECT_EQ(back->Name, v->Name);
            EXPECT_EQ(back->Memo, v->Memo);
            EXPECT_DOUBLE_EQ(back->FrameWidth, 0.5);
            EXPECT_EQ(back->Tag, v->Tag);
            if (!prepared) {
                EXPECT_EQ(back->PrintScript, v->PrintScript);
                EXPECT_FALSE(back->Visible);
            }
        }
    }
}

TEST(Records, FrameWidthsSurviveSaveAndLoad)
{
    // 12 and 0.004 were written in a way that read back as 0.012 and 4.
    struct Case { double width; qint32 stored; double back; };
    const Case cases[] = {{1, 1, 1}, {10, 10, 10}, {0.25, 250, 0.25}, {0.5, 500, 0.5}, {1.5, 1500, 1.5},
                          {12, 12000, 12}, {0, 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(TrpView::EncodeFrameWidth(c.width), c.stored);
        EXPECT_DOUBLE_EQ(TrpView::DecodeFrameWidth(c.stored), c.back);
    }
    // A stored whole number above 10 written by older files means thousandths.
    EXPECT_DOUBLE_EQ(TrpView::DecodeFrameWidth(12), 0.012);
}

TEST(Records, MemoRecordOfVersion25HasItsExactBytes)
{
    TrpMemoView m;
    m.Name = QStringLiteral("M");
    m.SetBounds(1, 2, 3, 4);
    m.Memo = {QStringLiteral("a")};
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    m.SaveToStream(b);
    const QByteArray expected = fromHex(
        "01 00 4D 00 02 00"                       // name, record version 2.0
        "01000000 02000000 03000000 04000000"     // geometry
        "0300 0000 01000000 00000000 0000 FFFFFF1F"   // flags, frame, width 1, colour, style, fill
        "2E020000 00 00 00"                       // display format, empty format text
        "01 00 01 00 61 00"                       // memo
        "00 00 00 FFFF 0000 00 00 00"             // script, visible, restrictions, tag
        "02000000 01000000 00"                    // gaps, band align
        "05 00 41 72 69 61 6C 00 0A000000 0000 00000000 00000000 0100"   // font, alignment, charset
        "0200 00000000 FFFFFF00 00 00 00"         // highlight
        "02000000 00000000");                     // line and char spacing
    EXPECT_EQ(b.data().toHex(' '), expected.toHex(' '));
}

TEST(Records, HandBuiltRecordsOfOlderVersionsDecode)
{
    VirtualPaper vp;
    TrpPage page;
    rpObjects().CurPage = &page;
    // Version 21/22: zero-terminated strings, no name, no script, no visibility, no tag or gaps.
    const QByteArray v22 = fromHex(
        "00"                                      // type: memo
        "05000000 06000000 64000000 14000000"     // geometry
        "0100 0F00 02000000 FF000000 0000 FFFFFF00"
        "00000000 00"                             // display format, empty old string
        "41 0D 42 00"                             // memo "A", "B" (old list)
        "41 72 69 61 6C 00 0C000000 0200 00000000 00000000 CC00"   // font (old name)
        "0200 00000000 FFFFFF00 00");             // highlight, old string
    for (int version : {21, 22}) {
        SCOPED_TRACE(version);
        auto v = loaded(v22, false, version);
        auto *m = dynamic_cast<TrpMemoView *>(v.get());
        ASSERT_TRUE(m);
        EXPECT_EQ(m->Memo, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        EXPECT_EQ(m->Left, 5);
        EXPECT_EQ(m->Width, 100);
        EXPECT_EQ(m->FrameTyp, 15);
        EXPECT_DOUBLE_EQ(m->FrameWidth, 2);
        EXPECT_TRUE(m->Visible);
        EXPECT_EQ(m->GapX, 2);
        EXPECT_EQ(m->GapY, 1);
        EXPECT_EQ(m->Font.name, QStringLiteral("Arial"));
        EXPECT_EQ(m->Font.size, 12);
        EXPECT_EQ(m->Font.style, TrpFont::Bold);
        EXPECT_EQ(m->Font.charset, TrpFont().charset);   // ignored below 23
        EXPECT_EQ(m->Name, QStringLiteral("Memo1"));     // generated
        EXPECT_EQ(bool(m->Flags & rpmfWordWrap), version == 21);
    }
    // Version 23: new strings, a name (not prepared), script and visibility, no record version.
    const QByteArray v23 = fromHex(
        "04"                                      // line
        "0200 4C 31 00"                           // name "L1"
        "00000000 00000000 0A000000 00000000"
        "0100 0800 01000000 00000000 0000 FFFFFF00"
        "00000000 0000 00"                        // display format, empty string
        "0000 00"                                 // empty memo
        "0100 0200 6F 6B 00"                      // script "ok"
        "0000");                                  // invisible
    auto line = loaded(v23, false, 23);
    EXPECT_EQ(line->Name, QStringLiteral("L1"));
    EXPECT_EQ(line->PrintScript, QStringList{QStringLiteral("ok")});
    EXPECT_FALSE(line->Visible);
    EXPECT_EQ(line->BandAlign, baNone);
    // Version 24: record version 1.0 carries no band alignment; a band of 2.0 no master.
    const QByteArray v24band = fromHex(
        "02"
        "0200 42 31 00 01 00"                     // name "B1", record 1.0
        "00000000 0A000000 00000000 1E000000"
        "3000 0500 01000000 00000000 0000 FFFFFF1F"
        "00000000 0000 00"
        "0000 00 0000 00 FFFF"                    // memo, script, visible
        "0000 0000 00 02000000 01000000"          // restrictions, tag, gaps
        "0000 00 02000000 C8000000 14000000 01000000");   // child, columns..
    auto band = loaded(v24band, false, 24);
    auto *bv = dynamic_cast<TrpBandView *>(band.get());
    ASSERT_TRUE(bv);
    EXPECT_EQ(bv->BandType(), 5);
    EXPECT_EQ(bv->Columns, 2);
    EXPECT_EQ(bv->ColumnWidth, 200);
    EXPECT_TRUE(bv->Master.isEmpty());
    rpObjects().CurPage = nullptr;
}

TEST(Records, PictureRecordOfKindNoneCarriesItsEndPosition)
{
    TrpPictureView p;
    p.Name = QStringLiteral("P");
    const QByteArray bytes = saved(p, false);
    // kind 0, blob type, end position = the record's length after the type byte.
    const QByteArray tail = bytes.right(6);
    EXPECT_EQ(quint8(tail[0]), 0);
    auto back = loaded(bytes, false);
    EXPECT_TRUE(dynamic_cast<TrpPictureView *>(back.get())->Picture.isEmpty());
}

TEST(Records, DamagedRecordsFailCleanly)
{
    for (auto &v : sampleViews()) {
        const QByteArray whole = saved(*v, false);
        for (qsizetype n = 0; n < whole.size(); ++n) {
            QByteArray part = whole.left(n);
            QBuffer b(&part);
            b.open(QIODevice::ReadOnly);
            VersionScope vs(25);
            EXPECT_THROW(ReadObject(b, false), kv::Error) << v->ClassName().toStdString() << " prefix " << n;
        }
    }
    // A picture whose end position points outside the stream.
    TrpPictureView p;
    p.Picture.Kind = rppkMetafile;
    p.Picture.Data = "abc";
    QByteArray bytes = saved(p, false);
    bytes[bytes.size() - 4] = char(0x7F);   // high byte of the end position
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    EXPECT_THROW(ReadObject(b, false), kv::Error);
    // An unknown type code yields no object and an error.
    QByteArray unknown("\x07", 1);
    QBuffer u(&unknown);
    u.open(QIODevice::ReadOnly);
    EXPECT_THROW(ReadObject(u, false), kv::Error);
}

namespace {
class TestAddIn : public TrpView
{
public:
    TestAddIn() { BaseName = QStringLiteral("AddIn"); }
    QString ClassName() const override { return QStringLiteral("TTestAddIn"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TestAddIn>(); }
    void LoadFromStream(QIODevice &s) override { TrpView::LoadFromStream(s); Extra = ReadStreamInteger(s); }
    void SaveToStream(QIODevice &s) override { TrpView::SaveToStream(s); WriteStreamInteger(s, Extra); }
    qint32 Extra = 0;
};
} // namespace

TEST(Factory, AddInClassesRegisterOnceAndReadBackByName)
{
    EXPECT_TRUE(RegisterObject<TestAddIn>(QImage(), QStringLiteral("first")));
    EXPECT_FALSE(RegisterObject<TestAddIn>(QImage(), QStringLiteral("second")));
    int entries = 0;
    for (const TrpObjectClass &c : ObjectTable())
        if (c.ClassName == QLatin1String("TTestAddIn")) {
            ++entries;
            EXPECT_EQ(c.Description, QStringLiteral("first"));
        }
    EXPECT_EQ(entries, 1);
    TestAddIn a;
    a.Name = QStringLiteral("A1");
    a.Extra = 77;
    a.TypeCode = rpgtAddIn;
    const QByteArray bytes = saved(a, false);
    auto back = loaded(bytes, false);
    ASSERT_TRUE(dynamic_cast<TestAddIn *>(back.get()));
    EXPECT_EQ(static_cast<TestAddIn *>(back.get())->Extra, 77);
    EXPECT_EQ(back->TypeCode, rpgtAddIn);
    EXPECT_EQ(saved(*back, false), bytes);
    // Names are exact: another case is an unknown class.
    EXPECT_THROW(CreateObject(rpgtAddIn, QStringLiteral("TTESTADDIN")), EClassNotFound);
    EXPECT_TRUE(rpObjects().PendingErrorText.contains(QStringLiteral("TTESTADDIN\r")));
    rpObjects().PendingErrorText.clear();
    UnregisterObject(QStringLiteral("TTestAddIn"));
    EXPECT_EQ(CreateObject(7, QString()), nullptr);
    // Object numbers only grow.
    auto x = CreateObject(rpgtMemo, QString());
    auto y = CreateObject(rpgtMemo, QString());
    EXPECT_GT(y->ObjectID, x->ObjectID);
}

TEST(Factory, HexTextOfBytes)
{
    EXPECT_EQ(ToHexText(QByteArray("\x01\xAB\x7F", 3)), QStringLiteral("01AB7F"));
    EXPECT_EQ(FromHexText(QStringLiteral("01ab7F5")), QByteArray("\x01\xAB\x7F", 3));
}

TEST(Properties, NamesInAnyCaseAndUnknownNames)
{
    TrpMemoView m;
    m.SetProperty(QStringLiteral("left"), 12);
    m.SetProperty(QStringLiteral("Font.Name"), QStringLiteral("Courier New"));
    m.SetProperty(QStringLiteral("WordBreak"), true);
    m.SetProperty(QStringLiteral("Stretched"), false);
    m.SetProperty(QStringLiteral("NoSuchThing"), 5);
    EXPECT_EQ(m.Left, 12);
    EXPECT_EQ(m.Font.name, QStringLiteral("Courier New"));
    EXPECT_TRUE(m.Flags & rpmfWordBreak);
    EXPECT_FALSE(m.Flags & rpmfStretched);
    EXPECT_TRUE(m.GetProperty(QStringLiteral("nosuchthing")).isNull());
    m.SetProperty(QStringLiteral("MEMO"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(m.GetProperty(QStringLiteral("Memo.Count")), TrpValue(2));
    EXPECT_EQ(m.GetProperty(QStringLiteral("DATAFIELD")), TrpValue(QStringLiteral("a")));
    ASSERT_TRUE(m.FindProperty(QStringLiteral("font.size")));
    EXPECT_EQ(m.FindProperty(QStringLiteral("NAME"))->Kind, 257);
    EXPECT_EQ(m.FindProperty(QStringLiteral("Memo"))->Kind, 320);
    EXPECT_FALSE(m.FindProperty(QStringLiteral("Nope")));
    m.CallMethod(QStringLiteral("HIDE"), {}, {}, {});
    EXPECT_FALSE(m.Visible);
    m.CallMethod(QStringLiteral("LINES.CLEAR"), {}, {}, {});
    EXPECT_TRUE(m.Memo.isEmpty());
    m.CallMethod(QStringLiteral("LINES.ADD"), QStringLiteral("'x' + 'y'"), {}, {});
    EXPECT_EQ(m.Memo, QStringList{QStringLiteral("xy")});
    m.CallMethod(QStringLiteral("SETINDEXPROPERTY"), QStringLiteral("lines"), 0, QStringLiteral("z"));
    EXPECT_EQ(m.CallMethod(QStringLiteral("GETINDEXPROPERTY"), QStringLiteral("LINES"), 0, {}), TrpValue(QStringLiteral("z")));
}

TEST(Properties, BandViewTablesFollowTheKind)
{
    TrpBandView footer;
    footer.SetBandType(3);
    EXPECT_TRUE(footer.FindProperty(QStringLiteral("OnFirstPage")));
    EXPECT_TRUE(footer.FindProperty(QStringLiteral("OnLastPage")));
    EXPECT_FALSE(footer.FindProperty(QStringLiteral("Stretched")));
    EXPECT_FALSE(footer.FindProperty(QStringLiteral("PrintChildIfInvisible")));
    EXPECT_FALSE(footer.FindProperty(QStringLiteral("FrameTyp")));
    EXPECT_TRUE(footer.FindProperty(QStringLiteral("OnBeforePrint")));
    EXPECT_EQ(footer.Flags, rpbfOnFirstPage | rpbfOnLastPage);
    TrpBandView data;
    data.SetBandType(5);
    EXPECT_TRUE(data.FindProperty(QStringLiteral("Columns")));
    EXPECT_TRUE(data.FindProperty(QStringLiteral("PrintIfSubsetEmpty")));
    data.SetProperty(QStringLiteral("Breaked"), true);
    EXPECT_TRUE(data.Flags & rpbfBreaked);
}

TEST(Properties, EachBandKindOffersItsOwnProperties)
{
    const QStringList bandOnes = {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage",
                                  "PrintIfSubsetEmpty", "Breaked", "OnFirstPage", "OnLastPage", "RepeatHeader",
                                  "Columns", "ColumnWidth", "ColumnGap", "DataSource", "Condition", "Master"};
    struct Case { int kind; QStringList offered; };
    const Case cases[] = {
        {btReportTitle, {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked"}},
        {btPageHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "OnFirstPage"}},
        {btPageFooter, {"OnFirstPage", "OnLastPage"}},
        {btMasterHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "Breaked", "RepeatHeader"}},
        {btDetailData, {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "PrintIfSubsetEmpty",
                        "Breaked", "Columns", "ColumnWidth", "ColumnGap", "DataSource"}},
        {btSubDetailData, {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked", "Columns",
                           "ColumnWidth", "ColumnGap", "DataSource"}},
        {btSubDetailFooter, {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked"}},
        {btOverlay, {"ChildBand", "PrintChildIfInvisible"}},
        {btGroupHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked",
                         "RepeatHeader", "Condition", "Master"}},
        {btCrossHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "RepeatHeader"}},
        {btCrossData, {"ChildBand", "PrintChildIfInvisible", "DataSource"}},
        {btChild, {"ChildBand", "PrintChildIfInvisible", "Stretched", "Breaked"}},
    };
    for (const Case &c : cases) {
        TrpBandView v;
        v.SetBandType(c.kind);
        QStringList offered;
        for (const QString &name : bandOnes)
            if (v.FindProperty(name)) offered << name;
        EXPECT_EQ(offered, c.offered) << c.kind;
    }

    // A band offers the child bands of its page, and a group header the data bands as masters.
    TrpPage page;
    auto add = [&](int kind, const char *name) {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = QString::fromLatin1(name);
        return static_cast<TrpBandView *>(page.AddView(std::move(v)));
    };
    add(btChild, "Child1");
    add(btMasterData, "MasterData1");
    add(btDetailData, "DetailData1");
    add(btSubDetailData, "SubDetailData1");
    add(btMasterFooter, "MasterFooter1");
    TrpBandView *group = add(btGroupHeader, "GroupHeader1");
    group->BuildPropertyTable();
    ASSERT_TRUE(group->FindProperty(QStringLiteral("ChildBand")));
    EXPECT_EQ(group->FindProperty(QStringLiteral("ChildBand"))->EnumNames, QStringList{"Child1"});
    ASSERT_TRUE(group->FindProperty(QStringLiteral("Master")));
    EXPECT_EQ(group->FindProperty(QStringLiteral("Master"))->EnumNames,
              QStringList({"MasterData1", "DetailData1", "SubDetailData1"}));
}

TEST(Views, LineOrientationAndPictureTarget)
{
    TrpLineView l;
    l.SetBounds(0, 0, 100, 100);
    l.Orient();
    EXPECT_EQ(l.Width, 0);
    EXPECT_EQ(l.FrameTyp, rpftLeft);
    l.SetBounds(0, 0, 100, 5);
    l.Orient();
    EXPECT_EQ(l.Height, 0);
    EXPECT_EQ(l.FrameTyp, rpftTop);

    TrpPictureView p;
    p.SetBounds(0, 0, 100, 100);
    p.Flags = rppfStretched | rppfKeepAspect | rppfCenter;
    p.Picture.Kind = rppkBitmap;
    p.Picture.Image = QImage(200, 100, QImage::Format_RGB32);
    p.BeginDraw();
    const TrpRect t = p.PictureTarget();
    p.EndDraw();
    EXPECT_EQ(t.Left, p.DrawRect.Left);
    EXPECT_EQ(t.width(), p.DrawRect.width());
    EXPECT_EQ(t.height(), 50);
    EXPECT_EQ(t.Top - p.DrawRect.Top, (p.DrawRect.height() - 50) / 2);
}

TEST(Views, PictureLoadFromMissingFileLeavesItEmpty)
{
    TrpPictureView p;
    p.Picture.Kind = rppkMetafile;
    p.Picture.Data = "x";
    p.CallMethod(QStringLiteral("LOADFROMFILE"), QStringLiteral("'/no/such/file.bmp'"), {}, {});
    EXPECT_TRUE(p.Picture.isEmpty());
}

TEST(Geometry, DrawRectFollowsFrameWidth)
{
    struct Case { double width; int frame; int right; };
    // Right edge moved in by rnd(width / 2) when the right line is on.
    const Case cases[] = {{0.5, rpftRight, 101}, {3, rpftRight, 99}, {3, rpftNone, 101}};
    for (const Case &c : cases) {
        TrpView v;
        v.SetBounds(0, 0, 100, 50);
        v.FrameWidth = c.width;
        v.FrameTyp = quint16(c.frame);
        v.BeginDraw();
        EXPECT_EQ(v.DrawRect.Right, c.right) << c.width;
        v.EndDraw();
        EXPECT_EQ(v.Width, 100);
        EXPECT_DOUBLE_EQ(v.FrameWidth, c.width);
    }
    TrpView s;
    s.SetBounds(10, 20, 100, 50);
    s.DrawScaleX = 2;
    s.DrawScaleY = 0.5;
    s.DrawOffsetX = 5;
    s.DrawOffsetY = 7;
    s.BeginDraw();
    EXPECT_EQ(s.Left, 25);
    EXPECT_EQ(s.Top, 17);
    EXPECT_EQ(s.Width, 200);
    EXPECT_EQ(s.Height, 25);
    EXPECT_EQ(s.DrawRect.Right, 226);
    s.EndDraw();
    EXPECT_EQ(s.Left, 10);
}

namespace {
class PagesLink : public TrpReportLink
{
public:
    explicit PagesLink(std::vector<TrpPage *> pages) : m_pages(std::move(pages)), m_saved(rpObjects().Report)
    {
        rpObjects().Report = this;
    }
    ~PagesLink() override { rpObjects().Report = m_saved; }
    TrpView *FindObject(const QString &name) override
    {
        for (TrpPage *p : m_pages)
            if (TrpView *v = p->FindView(name)) return v;
        return nullptr;
    }
    TrpPage *PageAt(int i) override { return i >= 0 && i < int(m_pages.size()) ? m_pages[size_t(i)] : nullptr; }

private:
    std::vector<TrpPage *> m_pages;
    TrpReportLink *m_saved;
};
} // namespace

TEST(Names, ObjectPropertyResolutionAndUniqueNames)
{
    VirtualPaper vp;
    TrpPage p1, p2;
    auto *m = static_cast<TrpMemoView *>(p1.AddView(std::make_unique<TrpMemoView>()));
    m->Name = QStringLiteral("Memo1");
    PagesLink link({&p1, &p2});
    TrpObject *o = nullptr;
    QString prop;
    ASSERT_TRUE(ResolveObjectProperty(QStringLiteral("page2.Left"), o, prop));
    EXPECT_EQ(o, &p2);
    EXPECT_EQ(prop, QStringLiteral("Left"));
    ASSERT_TRUE(ResolveObjectProperty(QStringLiteral("MEMO1.Font.Size"), o, prop));
    EXPECT_EQ(o, m);
    EXPECT_EQ(prop, QStringLiteral("Font.Size"));
    rpObjects().CurView = m;
    ASSERT_TRUE(ResolveObjectProperty(QStringLiteral("Font.Name"), o, prop));
    EXPECT_EQ(o, m);
    EXPECT_EQ(prop, QStringLiteral("Font.Name"));
    EXPECT_FALSE(ResolveObjectProperty(QStringLiteral("Nobody.Left"), o, prop));
    rpObjects().CurView = nullptr;
    auto *m2 = p2.AddView(std::make_unique<TrpMemoView>());
    m2->CreateUniqueName();
    EXPECT_EQ(m2->Name, QStringLiteral("Memo2"));
}

TEST(Geometry, BandAlignmentAgainstThePage)
{
    VirtualPaper vp;
    TrpPage page;   // A4 on the virtual printer: printable 18 .. 740
    auto add = [&](int left, int width, int align) {
        auto *v = page.AddView(std::make_unique<TrpMemoView>());
        v->SetBounds(left, 100, width, 20);
        v->BandAlign = quint8(align);
        return v;
    };
    TrpView *a = add(50, 100, baLeft);
    TrpView *b = add(300, 80, baLeft);
    TrpView *c = add(500, 60, baRight);
    TrpView *d = add(400, 30, baRight);
    TrpView *e = add(10, 100, baCenter);
    a->ApplyBandAlign(nullptr);
    b->ApplyBandAlign(nullptr);
    c->ApplyBandAlign(nullptr);
    d->ApplyBandAlign(nullptr);
    e->ApplyBandAlign(nullptr);
    EXPECT_EQ(a->Left, 18);
    EXPECT_EQ(b->Left, 18 + 100);
    EXPECT_EQ(c->Left, 740 - 60);
    EXPECT_EQ(d->Left, 680 - 30 - 1);
    EXPECT_EQ(e->Left, 18 + (722 - 100) / 2);
    TrpView *w = add(0, 10, baWidth);
    w->Top = 200;
    w->ApplyBandAlign(nullptr);
    EXPECT_EQ(w->Left, 18);
    EXPECT_EQ(w->Width, 722);
}
