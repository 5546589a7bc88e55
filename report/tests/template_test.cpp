#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/error.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/reportbase.h"
#include "report/model/views.h"
#include "platform/testsupport/golden.h"
#include "report/tests/templatefixture.h"

using kvtest::fromHex;
using kvtest::load;
using kvtest::save;
using kvtest::TestReport;
using kvtest::VirtualPaper;

namespace {

void fill(TestReport &r)
{
    TrpPage *p0 = r.Pages().GetPage(0);
    p0->MarginLeft = 36;
    p0->Columns = 2;
    p0->PrintScript = {QStringLiteral("x := 1")};
    auto band = std::make_unique<TrpBandView>();
    band->Name = QStringLiteral("MasterData1");
    band->SetBandType(5);
    band->SetBounds(0, 100, 700, 20);
    band->DisplayFormatText = QStringLiteral("Items");
    p0->AddView(std::move(band));
    auto memo = std::make_unique<TrpMemoView>();
    memo->Name = QStringLiteral("Memo1");
    memo->SetBounds(10, 100, 200, 20);
    memo->Memo = {QStringLiteral("[Items.\"Name\"]")};
    memo->FrameWidth = 12;
    p0->AddView(std::move(memo));
    TrpPage *p1 = r.Pages().Add();
    p1->Name = QStringLiteral("Page2");
    p1->SetPaper(9, 2100, 2970, -1, 1);
    auto line = std::make_unique<TrpLineView>();
    line->Name = QStringLiteral("Line1");
    line->SetBounds(0, 0, 100, 0);
    p1->AddView(std::move(line));
    r.Dictionary().VariableList.SetValue(QStringLiteral(" Totals"), QString());
    r.Dictionary().VariableList.SetValue(QStringLiteral("Sum1"), QStringLiteral("1 + 2"));
    r.Dictionary().FieldAliasList.SetValue(QStringLiteral("Items"), QStringLiteral("Детали"));
    r.Info.Comment = QStringLiteral("Комментарий");
    r.Info.Author = QStringLiteral("Автор");
    r.Info.VMajor = QStringLiteral("1");
    r.Info.CreationDate = 40000.25;
    r.DoublePassReport = true;
    r.PrinterName = QStringLiteral("Virtual printer");
}

} // namespace

TEST(Template, WrittenTemplateReadsBackTheSame)
{
    VirtualPaper vp;
    TestReport a;
    fill(a);
    const QByteArray first = save(a);
    EXPECT_EQ(quint8(first[0]), 25);
    TestReport b;
    ASSERT_TRUE(load(b, first));
    EXPECT_TRUE(b.Errors.isEmpty());
    ASSERT_EQ(b.Pages().Count(), 2);
    EXPECT_EQ(b.Pages().GetPage(0)->ViewCount(), 2);
    EXPECT_EQ(b.Pages().GetPage(0)->MarginLeft, 36);
    EXPECT_EQ(b.Pages().GetPage(0)->PrintScript, QStringList{QStringLiteral("x := 1")});
    EXPECT_EQ(b.Pages().GetPage(1)->Orientation, 1);
    EXPECT_EQ(b.Pages().GetPage(1)->Name, QStringLiteral("Page2"));
    EXPECT_DOUBLE_EQ(b.FindView(QStringLiteral("memo1"))->FrameWidth, 12);
    EXPECT_EQ(b.Dictionary().VariableList.Count(), 2);
    EXPECT_EQ(b.Dictionary().FieldAliasList.GetValue(QStringLiteral("Items")), TrpValue(QStringLiteral("Детали")));
    EXPECT_EQ(b.Info.Comment, QStringLiteral("Комментарий"));
    EXPECT_DOUBLE_EQ(b.Info.CreationDate, 40000.25);
    EXPECT_DOUBLE_EQ(b.Info.LastChange, 45000.5);
    EXPECT_TRUE(b.DoublePassReport);
    EXPECT_EQ(b.PrinterName, QStringLiteral("Virtual printer"));
    // The virtual printer is stored as "\001".
    EXPECT_TRUE(first.contains(QByteArray("\x01\x00\x01\x00", 4)));
    EXPECT_EQ(save(b), first);
}

TEST(Template, MinimalTemplateHasExactBytes)
{
    VirtualPaper vp;
    TestReport r;
    r.PrinterName = QStringLiteral("P");
    r.Pages().GetPage(0)->Name = QStringLiteral("Page1");
    r.Info.CreationDate = 0;
    r.Now = [] { return 0.0; };
    const QByteArray expected = fromHex(
        "19 FFFF 0000 0100 50 00"                 // version, print to default, one pass, printer "P"
        "FF FFFFFFFF 09000000 34080000 9A0B0000"  // page: marker, A4 2100 x 2970
        "00000000 00000000 00000000 00000000 00 FFFF0000"   // margins, portrait, no bin
        "0000 FFFF 01000000 00000000"             // not continued, margins used, one column, no gap
        "00 0500 50 61 67 65 31 00 03 0400 46 6F 72 6D 00 0F000080"   // report page "Page1", dialog fields
        "DC000000 78000000 7C010000 2C010000 04 0000 00"   // form rectangle, centred, no script
        "FE FEFF 00000000 00000000 00000000"      // dictionary: marker -2 and three empty lists
        "FC 0000 0000 0000 0000 0000 0000 0000 0000 58 00"   // end, texts, password, marker, flag
        "0000000000000000 0000000000000000");     // dates
    EXPECT_EQ(save(r).toHex(' '), expected.toHex(' '));
    TestReport b;
    EXPECT_TRUE(load(b, expected));
    EXPECT_EQ(b.Pages().Count(), 1);
}

TEST(Template, EveryPrefixLoadsWhatItHoldsOrFailsCleanly)
{
    VirtualPaper vp;
    TestReport a;
    fill(a);
    const QByteArray whole = save(a);
    TestReport full;
    ASSERT_TRUE(load(full, whole));
    QStringList allViews;
    for (int p = 0; p < full.Pages().Count(); ++p)
        for (const auto &v : full.Pages().GetPage(p)->Views()) allViews << v->Name;
    // Document information: eight lengths, 17 bytes of text, marker, flag, two dates.
    const qsizetype endOfPages = whole.size() - (16 + 17 + 2 + 16);
    ASSERT_EQ(quint8(whole[endOfPages - 1]), 0xFC);
    int loaded = 0;
    for (qsizetype n = 1; n < whole.size(); ++n) {
        TestReport r;
        const bool ok = load(r, whole.left(n));
        EXPECT_GE(r.Pages().Count(), 1) << "prefix " << n;
        if (!ok) {
            EXPECT_FALSE(r.Errors.isEmpty()) << "prefix " << n;
            continue;
        }
        // A prefix that ends between two records of the pages block is a
        // template without its end tag: what it holds loads, nothing else.
        ++loaded;
        EXPECT_TRUE(r.Errors.isEmpty()) << "prefix " << n;
        QStringList views;
        for (int p = 0; p < r.Pages().Count(); ++p)
            for (const auto &v : r.Pages().GetPage(p)->Views()) views << v->Name;
        EXPECT_EQ(views, allViews.mid(0, views.size())) << "prefix " << n;
        if (n >= endOfPages - 1) {
            EXPECT_EQ(views, allViews) << "prefix " << n;
        }
        if (n < endOfPages) {
            EXPECT_EQ(r.Info.Comment, QString()) << "prefix " << n;
        }
    }
    // After the header, after each of the two pages and three objects, after
    // the dictionary, and the whole pages block.
    EXPECT_EQ(loaded, 8);
    // An object entry's end position beyond the stream, and before the entry.
    QByteArray bad = whole;
    // Tag, page number, end position, then the record that starts with the name.
    const qsizetype bandTag = whole.indexOf("MasterData1") - 2 - 4 - 2;
    ASSERT_EQ(quint8(whole[bandTag]), 2);
    for (const qint32 end : {qint32(whole.size() + 10), qint32(5), qint32(-1)}) {
        bad = whole;
        for (int i = 0; i < 4; ++i) bad[bandTag + 2 + i] = char((quint32(end) >> (8 * i)) & 0xFF);
        TestReport r;
        EXPECT_FALSE(load(r, bad)) << end;
        EXPECT_EQ(r.Errors.value(0), QStringLiteral("Unsupported RPF format"));
    }
    // A page number with no page.
    bad = whole;
    bad[bandTag + 1] = char(9);
    TestReport r;
    EXPECT_FALSE(load(r, bad));
}

TEST(Template, ATemplateWithoutItsEndTagLoads)
{
    VirtualPaper vp;
    TestReport a;
    fill(a);
    QByteArray bytes = save(a);
    const qsizetype endTag = bytes.size() - (16 + 17 + 2 + 16) - 1;
    ASSERT_EQ(quint8(bytes[endTag]), 0xFC);
    bytes.truncate(endTag);
    TestReport r;
    ASSERT_TRUE(load(r, bytes));
    EXPECT_TRUE(r.Errors.isEmpty());
    ASSERT_EQ(r.Pages().Count(), 2);
    EXPECT_EQ(r.Pages().GetPage(0)->ViewCount(), 2);
    EXPECT_EQ(r.Pages().GetPage(1)->ViewCount(), 1);
    EXPECT_EQ(r.Dictionary().VariableValue(QStringLiteral("Sum1")), TrpValue(QStringLiteral("1 + 2")));
    EXPECT_TRUE(r.Info.Comment.isEmpty());   // the document information is reset
    EXPECT_DOUBLE_EQ(r.Info.LastChange, 45000.5);
}

TEST(Template, VersionsAndForeignBlocks)
{
    VirtualPaper vp;
    TestReport r;
    EXPECT_FALSE(load(r, fromHex("1A 0000")));
    EXPECT_EQ(r.Errors.value(0), QStringLiteral("Unsupported RPF format"));
    // A tag between 11 and 251.
    TestReport t;
    EXPECT_FALSE(load(t, fromHex("19 0000 0000 0000 00 0B")));
    EXPECT_EQ(t.Pages().Count(), 1);
}

TEST(Template, UnknownAddInClassesAreListed)
{
    VirtualPaper vp;
    class Foreign : public TrpView
    {
    public:
        QString ClassName() const override { return QStringLiteral("TForeign"); }
    };
    TestReport a;
    for (int i = 0; i < 2; ++i) {
        auto f = std::make_unique<Foreign>();
        f->Name = QStringLiteral("F%1").arg(i);
        a.Pages().GetPage(0)->AddView(std::move(f));
    }
    auto m = std::make_unique<TrpMemoView>();
    m->Name = QStringLiteral("M");
    a.Pages().GetPage(0)->AddView(std::move(m));
    const QByteArray bytes = save(a);
    TestReport b;
    EXPECT_FALSE(load(b, bytes));
    ASSERT_EQ(b.Errors.size(), 1);
    EXPECT_EQ(b.Errors[0], QStringLiteral("Report contains the following non-plugged components:\rTForeign\rTForeign\r"
                                          "You must include these components into your project."));
    EXPECT_EQ(b.Pages().GetPage(0)->ViewCount(), 1);   // the memo
}

TEST(Template, PasswordProtectedTemplates)
{
    VirtualPaper vp;
    TestReport a;
    fill(a);
    a.Info.Password = QStringLiteral("секрет");
    a.Info.Protected = true;
    const QByteArray bytes = save(a);
    EXPECT_TRUE(bytes.contains(QByteArray("F1E5EAF0E5F2")));
    TestReport mem;
    EXPECT_TRUE(load(mem, bytes, true));   // the component's own copy asks nothing
    TestReport wrong;
    wrong.PasswordDialog = [](QString &t) { t = QStringLiteral("СЕКРЕТ"); return true; };
    EXPECT_FALSE(load(wrong, bytes, false));
    EXPECT_EQ(wrong.Pages().Count(), 1);
    EXPECT_EQ(wrong.Pages().GetPage(0)->ViewCount(), 0);
    EXPECT_EQ(wrong.FileName, QStringLiteral("Untitled"));
    TestReport right;
    right.PasswordDialog = [](QString &t) { t = QStringLiteral("секрет"); return true; };
    EXPECT_TRUE(load(right, bytes, false));
    EXPECT_EQ(right.Pages().Count(), 2);
}

TEST(Template, MoreThan256PagesAreRefusedAtSave)
{
    VirtualPaper vp;
    TestReport r;
    for (int i = 0; i < 256; ++i) r.Pages().Add();
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    EXPECT_THROW(r.SaveToStream(b), kv::Error);
}

TEST(Template, FilesAreReplacedWhole)
{
    VirtualPaper vp;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("t.rpf"));
    TestReport a;
    fill(a);
    a.SaveToFile(name);
    TestReport b;
    EXPECT_TRUE(b.LoadFromFile(name));
    EXPECT_EQ(b.FileName, name);
    EXPECT_EQ(b.Pages().Count(), 2);
    TestReport c;
    EXPECT_FALSE(c.LoadFromFile(dir.filePath(QStringLiteral("missing.rpf"))));
    EXPECT_EQ(c.Pages().Count(), 1);
}

// ---------------------------------------------------------------- dictionary

TEST(Dictionary, WrittenBlockReadsBackAndOldLayoutsConvert)
{
    TrpDataDictionary d;
    d.VariableList.SetValue(QStringLiteral(" Cat"), QString());
    d.VariableList.SetValue(QStringLiteral("V"), QStringLiteral("[A] * 2"));
    d.BandSourceList.SetValue(QStringLiteral("B"), QStringLiteral("S"));
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    d.SaveToStream(b);
    EXPECT_TRUE(b.data().startsWith(QByteArray("\xFE\xFF", 2)));
    QByteArray bytes = b.data();
    QBuffer r(&bytes);
    r.open(QIODevice::ReadOnly);
    TrpDataDictionary e;
    e.LoadFromStream(r, 25);
    EXPECT_EQ(e.VariableList.Names(), d.VariableList.Names());
    EXPECT_EQ(e.VariableList.GetValue(QStringLiteral("V")), TrpValue(QStringLiteral("[A] * 2")));
    EXPECT_EQ(e.BandSourceList.Count(), 1);
    // The oldest layout: field entries and a list of lines; blanks mark variables.
    const QByteArray old = fromHex(
        "02000000"
        "02 08000000 00 00 03 54 6F 74"            // kind 2, index 8 (TOTALPAGES), s3 "Tot"
        "01 00000000 01 54 01 46 02 46 6C"         // kind 1: T."F", s3 "Fl"
        "43 61 74 0D 20 54 6F 74 0D 20 46 6C 00");   // lines "Cat", " Tot", " Fl" (old list)
    QByteArray o = old;
    QBuffer ob(&o);
    ob.open(QIODevice::ReadOnly);
    TrpDataDictionary f;
    f.LoadFromStream(ob, 21);
    ASSERT_EQ(f.VariableList.Count(), 3);
    EXPECT_EQ(f.VariableList.Name(0), QStringLiteral(" Cat"));
    EXPECT_EQ(f.VariableList.Name(1), QStringLiteral("Tot"));
    EXPECT_EQ(f.VariableList.GetValue(QStringLiteral("Tot")), TrpValue(QStringLiteral("TOTALPAGES")));
    EXPECT_EQ(f.VariableList.GetValue(QStringLiteral("Fl")), TrpValue(QStringLiteral("T.\"F\"")));
    EXPECT_EQ(f.FieldAliasList.Count(), 0);
    // Counts beyond the stream are refused.
    QByteArray huge = fromHex("FEFF FFFFFF7F");
    QBuffer hb(&huge);
    hb.open(QIODevice::ReadOnly);
    EXPECT_THROW(f.LoadFromStream(hb, 25), kv::Error);
}

TEST(Dictionary, VariablesWithoutACategoryComeBackAsVariables)
{
    struct Case { qint16 marker; QStringList names; };
    // the same list in the two layouts of three lists: -2 keeps its names,
    // -1 still takes a blank as the mark of a variable
    const Case cases[] = {
        {-2, {"Sum1", "Sum2", " Totals", "Sum3"}},
        {-1, {" Sum1", " Sum2", "Totals", " Sum3"}},
    };
    for (const Case &c : cases) {
        TrpDataDictionary d;
        for (const char *n : {"Sum1", "Sum2"}) d.VariableList.SetValue(QString::fromLatin1(n), QStringLiteral("1 + 2"));
        d.VariableList.SetValue(QStringLiteral(" Totals"), QString());
        d.VariableList.SetValue(QStringLiteral("Sum3"), QStringLiteral("3"));
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        d.SaveToStream(b);
        QByteArray bytes = b.data();
        bytes[0] = char(c.marker & 0xFF);
        bytes[1] = char((c.marker >> 8) & 0xFF);
        QBuffer r(&bytes);
        r.open(QIODevice::ReadOnly);
        TrpDataDictionary e;
        e.LoadFromStream(r, 25);
        EXPECT_EQ(e.VariableList.Names(), c.names) << c.marker;
    }
    // through a template: the variable still prints its value
    TrpReportBase t;
    t.Dictionary().VariableList.SetValue(QStringLiteral("Sum1"), QStringLiteral("1 + 2"));
    QBuffer file;
    file.open(QIODevice::ReadWrite);
    t.SaveToStream(file);
    file.seek(0);
    TrpReportBase u;
    ASSERT_TRUE(u.LoadFromStream(file, true));
    EXPECT_TRUE(u.Dictionary().HasVariable(QStringLiteral("Sum1")));
    u.Dictionary().Evaluate = [](const QString &e) { return e == QLatin1String("1 + 2") ? TrpValue(3) : TrpValue(0); };
    EXPECT_EQ(u.Dictionary().VariableValue(QStringLiteral("Sum1")), TrpValue(3));
}

TEST(Dictionary, VariablesAndFieldNames)
{
    TrpDataDictionary d;
    d.VariableList.SetValue(QStringLiteral("Empty"), QString());
    d.VariableList.SetValue(QStringLiteral("Calc"), QStringLiteral("2 + 3"));
    d.VariableList.SetValue(QStringLiteral("G"), QStringLiteral("1"));
    d.Evaluate = [](const QString &e) { return e == QLatin1String("2 + 3") ? TrpValue(5) : TrpValue(0); };
    d.GlobalValue = [](const QString &n, TrpValue &v) {
        if (n.compare(QLatin1String("G"), Qt::CaseInsensitive) != 0) return false;
        v = 42;
        return true;
    };
    EXPECT_TRUE(d.VariableValue(QStringLiteral("Empty")).isNull());
    EXPECT_EQ(d.VariableValue(QStringLiteral("calc")), TrpValue(5));
    EXPECT_EQ(d.VariableValue(QStringLiteral("G")), TrpValue(42));
    QString ds, field;
    ASSERT_TRUE(TrpDataDictionary::SplitFieldName(QStringLiteral("Items.\"a.b\""), ds, field));
    EXPECT_EQ(ds, QStringLiteral("Items"));
    EXPECT_EQ(field, QStringLiteral("a.b"));
    EXPECT_FALSE(TrpDataDictionary::SplitFieldName(QStringLiteral("NoPoint"), ds, field));
    d.FieldAliasList.SetValue(QStringLiteral("Items"), QStringLiteral("Детали"));
    EXPECT_EQ(d.AliasedDataSetName(QStringLiteral("детали")), QStringLiteral("Items"));
    EXPECT_EQ(d.AliasedDataSetName(QStringLiteral("Other")), QStringLiteral("Other"));
}

TEST(Template, HandBuiltTemplateOfVersion21)
{
    VirtualPaper vp;
    // No version byte: the first byte (20 or less) already belongs to the pages block.
    const QByteArray v21 = fromHex(
        "0000 0000 50 00"                          // print to default 0, one pass, printer "P" (old string)
        "FF 09000000 34080000 9A0B0000"            // page without marker: paper size 9, A4
        "00000000 00000000 00000000 00000000 00"   // margins, portrait
        "000000000000"                             // six reserved bytes
        "0000 FFFF 01000000 00000000"              // not continued, margins used, columns, gap
        "00 00"                                    // object: memo on page 0 (no end position)
        "0A000000 0A000000 64000000 14000000"
        "0100 0000 01000000 00000000 0000 FFFFFF1F"
        "00000000 00"                              // display format, empty old string
        "48 69 00"                                 // memo "Hi"
        "41 72 69 61 6C 00 0A000000 0000 00000000 00000000 0000"
        "0200 00000000 FFFFFF00 00"
        "FC");
    TestReport r;
    ASSERT_TRUE(load(r, v21));
    EXPECT_TRUE(r.Errors.isEmpty());
    EXPECT_FALSE(r.PrintToDefault);
    EXPECT_EQ(r.PrinterName, QStringLiteral("P"));
    ASSERT_EQ(r.Pages().Count(), 1);
    TrpPage *p = r.Pages().GetPage(0);
    EXPECT_EQ(p->Name, QStringLiteral("Page1"));
    EXPECT_EQ(p->PaperBin, 65535);
    ASSERT_EQ(p->ViewCount(), 1);
    auto *m = dynamic_cast<TrpMemoView *>(p->View(0));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Memo, QStringList{QStringLiteral("Hi")});
    EXPECT_EQ(m->Name, QStringLiteral("Memo1"));
    EXPECT_TRUE(m->Flags & rpmfWordWrap);   // version 21 always wraps
    EXPECT_DOUBLE_EQ(r.Info.LastChange, 45000.5);   // no document information: reset to the clock
}

TEST(Template, GoldenFileIsReproduced)
{
    VirtualPaper vp;
    TestReport a;
    fill(a);
    const QByteArray bytes = save(a);
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, QStringLiteral("sample_template.rpf")));
    TestReport b;
    EXPECT_TRUE(b.LoadFromFile(kv::test::GoldenPath(QStringLiteral("sample_template.rpf"))));
    EXPECT_EQ(save(b), bytes);
}
