#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include "platform/error.h"
#include "platform/text.h"
#include "report/output/textexports.h"
#include "report/windows/exportdialogs.h"
#include "platform/testsupport/golden.h"

namespace {

// A memo as the prepared page hands it over: the object, then its lines one
// by one, 15 units apart (10-point font, line spacing 2), the frame split as
// a memo splits it over its lines.
struct Memo
{
    int left, top, width, height;
    QStringList lines;
    int frame = 0;
    int alignment = 0;
    int size = 10;
    int style = 0;
    TrpColor color = clBlack;
    int gap = 2;   // text x = left + gap
};

struct Picture
{
    int left, top, width, height;
    QImage image;
    bool jpeg = false;
};

struct Page
{
    QList<Memo> memos;
    QList<Picture> pictures;
};

void exportMemo(TrpExportFilter &f, const Memo &m)
{
    TrpExportObject o;
    o.TypeCode = 0;
    o.IsMemo = true;
    o.Left = m.left;
    o.Top = m.top;
    o.Width = m.width;
    o.Height = m.height;
    o.FrameTyp = m.frame;
    o.Alignment = m.alignment;
    o.Font.size = m.size;
    o.Font.style = m.style;
    o.Font.color = m.color;
    f.ExportObject(m.left, m.top, o);
    const TrpRect rect{m.left, m.top, m.left + m.width, m.top + m.height};
    for (int i = 0; i < m.lines.size(); ++i) {
        int frame = m.frame;
        if (m.lines.size() > 1) {
            if (i == 0) frame &= ~2;
            else if (i == m.lines.size() - 1) frame &= ~8;
            else frame &= ~10;
        }
        f.ExportText(rect, m.left + m.gap, m.top + 1 + i * 15, o, frame, m.lines[i]);
    }
}

QByteArray run(TrpExportFilter &f, const QList<Page> &pages, const QString &fileName = QString())
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    f.Stream = &buf;
    f.FileName = fileName;
    f.BeginDocument();
    for (const Page &p : pages) {
        f.BeginPage();
        for (const Picture &pic : p.pictures) {
            TrpExportObject o;
            o.TypeCode = 1;
            o.IsPicture = true;
            o.Left = pic.left;
            o.Top = pic.top;
            o.Width = pic.width;
            o.Height = pic.height;
            o.Picture = pic.image;
            o.PictureIsJpeg = pic.jpeg;
            f.ExportObject(pic.left, pic.top, o);
        }
        for (const Memo &m : p.memos) exportMemo(f, m);
        f.EndPage();
    }
    f.EndDocument();
    f.Stream = nullptr;
    return out;
}

// A line of text at (x, y) without frames.
Memo at(int x, int y, const QString &text)
{
    return Memo{x - 2, y - 1, 100, 15, {text}};
}

// Two pages with Cyrillic texts, a right-aligned number, a framed total, a
// bold red heading and a text with the characters each format must escape.
QList<Page> goldenDocument()
{
    Page p1;
    Memo title{20, 10, 400, 30, {QStringLiteral("Список деталей")}, 0, 0, 20, TrpFont::Bold, clRed};
    p1.memos << title;
    p1.memos << at(20, 50, QStringLiteral("Деталь")) << at(150, 50, QStringLiteral("Длина"));
    p1.memos << at(20, 65, QStringLiteral("Полка <верх> & \"низ\""));
    Memo num{150, 64, 60, 15, {QStringLiteral("1 234,50")}, 0, 1};
    p1.memos << num;
    p1.memos << at(20, 80, QStringLiteral("a;b {c} \\d"));
    Memo box{18, 110, 130, 32, {QStringLiteral("Итого"), QStringLiteral("2 шт.")}, 15};
    p1.memos << box;
    Page p2;
    p2.memos << at(20, 10, QStringLiteral("Страница 2"));
    return {p1, p2};
}

void checkGolden(const QString &name, const QByteArray &bytes)
{
    EXPECT_TRUE(kv::test::MatchesGolden(bytes, name));
}


} // namespace

// ---------------------------------------------------------------- plain text
TEST(TextExport, ColumnsAndSlots)
{
    TrpTextExport f;
    f.PageBreaks = false;
    // x 65 -> column 10; y 7 -> slot 0 (0.5 rounds to even), y 21 -> slot 2.
    EXPECT_EQ(f.SlotOf(7), 0);
    EXPECT_EQ(f.SlotOf(21), 2);
    EXPECT_EQ(f.SlotOf(35), 2);
    Page p;
    p.memos << at(0, 0, "A") << at(65, 0, "B") << at(0, 21, "C");
    EXPECT_EQ(run(f, {p}), QByteArray("A         B\r\nC\r\n"));
    f.KillEmptyLines = false;
    EXPECT_EQ(run(f, {p}), QByteArray("A         B\r\n\r\nC\r\n"));
    f.PageBreaks = true;
    EXPECT_EQ(run(f, {p, p}), QByteArray("A         B\r\n\r\nC\r\n\f\r\nA         B\r\n\r\nC\r\n\f\r\n"));
}

TEST(TextExport, RightAlignedTextEndsAtTheObjectsRightEdge)
{
    TrpTextExport f;
    f.PageBreaks = false;
    Page p;
    p.memos << Memo{0, 0, 65, 15, {"12"}, 0, 1};   // right edge 65 -> column 10
    EXPECT_EQ(run(f, {p}), QByteArray("        12\r\n"));
}

TEST(TextExport, FramesAndSharedBorders)
{
    TrpTextExport f;
    f.PageBreaks = false;
    f.ExportFrames = true;
    // (the text starts one column right of the left edge: x 7 -> column 1)
    Page one;
    one.memos << Memo{0, 14, 26, 15, {"ab"}, 15, 0, 10, 0, clBlack, 7};
    EXPECT_EQ(run(f, {one}), QByteArray("+---+\r\n|ab |\r\n+---+\r\n"));

    Page two;   // boxes touching vertically share one border
    two.memos << Memo{0, 14, 26, 15, {"ab"}, 15, 0, 10, 0, clBlack, 7}
              << Memo{0, 42, 26, 15, {"cd"}, 15, 0, 10, 0, clBlack, 7};
    EXPECT_EQ(run(f, {two}), QByteArray("+---+\r\n|ab |\r\n+---+\r\n|cd |\r\n+---+\r\n"));

    // With the text at the frame's own column the text moves one column right.
    Page close;
    close.memos << Memo{0, 14, 26, 15, {"ab"}, 15};
    EXPECT_EQ(run(f, {close}), QByteArray("+---+\r\n|ab |\r\n+---+\r\n"));

    f.UsePseudographic = true;
    const QByteArray boxed = run(f, {one});
    EXPECT_EQ(boxed, QByteArray("\xDA\xC4\xC4\xC4\xBF\r\n\xB3" "ab \xB3\r\n\xC0\xC4\xC4\xC4\xD9\r\n"));
}

TEST(TextExport, TabAndFormFeedInsideATextStayThemselves)
{
    TrpTextExport f;
    f.PageBreaks = false;
    f.ExportFrames = true;
    Page p;
    p.memos << at(0, 0, QStringLiteral("a\tb\fc\x05|"));
    EXPECT_EQ(run(f, {p}), QByteArray("a\tb\fc\x05|\r\n"));
}

TEST(TextExport, GridGrowsPastSlot200AndRefusesBadScales)
{
    TrpTextExport f;
    f.PageBreaks = false;
    Page p;
    p.memos << at(0, 14 * 250, "far");
    const QByteArray out = run(f, {p});
    EXPECT_EQ(out, QByteArray("far\r\n"));
    EXPECT_GE(f.Lines().size(), 251u);

    EXPECT_FALSE(f.SetScaleX(0));
    EXPECT_FALSE(f.SetScaleY(-1));
    EXPECT_FALSE(f.SetScaleX(std::nan("")));
    EXPECT_DOUBLE_EQ(f.ScaleX(), 1.0);
    EXPECT_TRUE(f.SetScaleX(2));
    EXPECT_DOUBLE_EQ(f.ScaleX(), 2.0);

    // A position beyond any page ends the export with a message.
    TrpTextExport g;
    g.BeginPage();
    TrpExportObject o;
    EXPECT_THROW(g.ExportText({}, 0, 14 * 200000, o, 0, "x"), kv::Error);
    EXPECT_THROW(g.ExportText({}, 0, -100, o, 0, "x"), kv::Error);
}

TEST(TextExport, ConvertToDosWritesCodePage866)
{
    TrpTextExport f;
    f.PageBreaks = false;
    f.ConvertToOEM = true;
    Page p;
    p.memos << at(0, 0, QStringLiteral("Ая Ёё"));
    EXPECT_EQ(run(f, {p}), QByteArray("\x80\xEF \xF0\xF1\r\n"));
}

TEST(TextExport, Golden)
{
    TrpTextExport f;
    f.ExportFrames = true;
    checkGolden("export_golden.txt", run(f, goldenDocument()));
}

// ---------------------------------------------------------------- CSV
TEST(CsvExport, DelimitersQuotesAndColumns)
{
    TrpCSVExport f;
    Page p;
    p.memos << at(0, 0, "a") << at(64, 0, "b") << at(192, 0, "c");
    p.memos << at(0, 14, "x;y") << at(64, 14, QStringLiteral("say \"hi\""));
    EXPECT_EQ(run(f, {p}), QByteArray("a;b;;c\r\n\"x;y\";\"say \"\"hi\"\"\"\r\n"));
    f.Delimiter = QLatin1Char(',');
    Page q;
    q.memos << at(0, 0, "1,5") << at(64, 0, "2");
    EXPECT_EQ(run(f, {q}), QByteArray("\"1,5\",2\r\n"));
}

TEST(CsvExport, Golden)
{
    TrpCSVExport f;
    checkGolden("export_golden.csv", run(f, goldenDocument()));
}

// ---------------------------------------------------------------- HTML
TEST(HtmlExport, CellsBySizeAndColour)
{
    TrpExportTextItem plain;
    plain.Text = "Text";
    plain.FontSize = 12;
    plain.FontColor = clBlack;
    EXPECT_EQ(TrpHTMExport::TextCell(plain), QByteArray("<td>Text</td>"));

    TrpExportTextItem big = plain;
    big.FontSize = 20;
    big.FontColor = clRed;
    big.FontStyle = 2;   // bold (stream bits)
    EXPECT_EQ(TrpHTMExport::TextCell(big), QByteArray("<td><Font Color=\"#FF0000\" Size=5><b>Text</td>"));

    struct Case { int size; const char *tag; };
    const Case sizes[] = {{6, "<Font Size=1>"}, {9, "<Font Size=2>"}, {10, ""}, {13, ""}, {14, "<Font Size=4>"},
                          {23, "<Font Size=5>"}, {24, "<Font Size=6>"}, {36, "<Font Size=7>"}, {5, "<Font Size=7>"}};
    for (const Case &c : sizes) {
        TrpExportTextItem it = plain;
        it.FontSize = c.size;
        it.FontColor = clWhite;   // white is dropped like black
        EXPECT_EQ(TrpHTMExport::TextCell(it), QByteArray("<td>") + c.tag + "Text</td>") << c.size;
    }
}

TEST(HtmlExport, TextIsEscapedAndTheCodePageDeclared)
{
    TrpHTMExport f;
    Page p;
    p.memos << at(0, 0, QStringLiteral("<b>Ш & \"q\" €✓"));
    const QByteArray out = run(f, {p});
    EXPECT_TRUE(out.contains("charset=windows-1251"));
    EXPECT_TRUE(out.contains("<tr><td>&lt;b&gt;\xD8 &amp; &quot;q&quot; \x88&#10003;</td></tr>\r\n"));
    EXPECT_TRUE(out.startsWith("<HTML>\r\n"));
    EXPECT_TRUE(out.endsWith("</Table>\r\n</Body>\r\n</HTML>\r\n"));
}

TEST(HtmlExport, PicturesNeverOverwriteFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile keep(dir.filePath("htm0.bmp"));
        ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
        keep.write("precious");
    }
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(Qt::blue);
    TrpHTMExport f;
    f.ExportPictures = true;
    Page p;
    p.pictures << Picture{10, 0, 40, 30, img} << Picture{10, 50, 20, 20, img};
    const QByteArray out = run(f, {p}, dir.filePath("report.htm"));
    QFile keep(dir.filePath("htm0.bmp"));
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), QByteArray("precious"));
    EXPECT_TRUE(QFile::exists(dir.filePath("htm1.bmp")));
    EXPECT_TRUE(QFile::exists(dir.filePath("htm2.bmp")));
    EXPECT_EQ(QImage(dir.filePath("htm1.bmp")).size(), QSize(4, 3));
    EXPECT_TRUE(out.contains("<tr><td><img src=\"htm1.bmp\" width=\"40\" height=\"30\"></td></tr>\r\n"));
    EXPECT_TRUE(out.contains("<td><img src=\"htm2.bmp\" width=\"20\" height=\"20\"></td>"));
}

TEST(HtmlExport, Golden)
{
    TrpHTMExport f;
    checkGolden("export_golden.htm", run(f, goldenDocument()));
}

// ---------------------------------------------------------------- RTF
TEST(RtfExport, PageBreaksOnlyBetweenPages)
{
    TrpRTFExport f;
    Page p;
    p.memos << at(0, 0, "x");
    const QByteArray one = run(f, {p});
    EXPECT_FALSE(one.contains("\\page"));
    const QByteArray two = run(f, {p, p});
    EXPECT_EQ(two.count("\\page\r\n"), 1);
    f.PageBreaks = false;
    EXPECT_FALSE(run(f, {p, p}).contains("\\page"));
}

TEST(RtfExport, CodePageCharsetAndEscapes)
{
    TrpRTFExport f;
    Page p;
    p.memos << at(0, 0, QStringLiteral("{Ш}\\ ✓"));
    const QByteArray out = run(f, {p});
    EXPECT_TRUE(out.startsWith("{\\rtf1\\ansi\\ansicpg1251\r\n"));
    EXPECT_TRUE(out.contains("{\\fonttbl{\\f0\\fcharset204 Arial;}}\r\n"));
    EXPECT_TRUE(out.contains("\\{\\'d8\\}\\\\ \\u10003?"));
    EXPECT_EQ(TrpRTFExport::Escape(QStringLiteral("a{b}c\\")), QByteArray("a\\{b\\}c\\\\"));
}

TEST(RtfExport, StyleOffAfterABoldItem)
{
    TrpRTFExport f;
    Page p;
    Memo bold = at(0, 0, "B");
    bold.style = TrpFont::Bold;
    p.memos << bold << at(200, 0, "n");
    const QByteArray out = run(f, {p});
    EXPECT_TRUE(out.contains("\\tab\\f0\\fs20\\b\\cf1 B\\tab\\b0 n\\par}")) << out.toStdString();
}

TEST(RtfExport, TableRows)
{
    TrpRTFExport f;
    f.ConvertToTable = true;
    Page p;
    p.memos << at(13, 0, "a") << at(26, 0, "b");
    const QByteArray out = run(f, {p});
    // ScaleX 1.3: x 13 -> 260 twips, 26 -> 520; the last object's right edge 124 -> 2480.
    EXPECT_TRUE(out.contains("\\trowd \\trgaph108\\cellx520\\cellx2480 \\trleft260 \\pard \\intbl "
                             "{\\f0\\fs20\\cf1 a}\\cell {\\f0\\fs20\\cf1 b}\\cell \\pard \\intbl \\row\r\n\\pard\r\n"))
        << out.toStdString();
}

TEST(RtfExport, BitmapsAsMetafilePictures)
{
    TrpRTFExport f;
    f.ExportBitmaps = true;
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    Page p;
    p.pictures << Picture{13, 13, 20, 10, img};
    const QByteArray out = run(f, {p});
    EXPECT_TRUE(out.contains("\\pard\\phmrg\\posx260\\posy200\\absh200\\absw400{\\pict\\wmetafile8\\picw529\\pich265 "
                             "\\picbmp\\picbpp4\r\n010009000003"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("030000000000}\\par\r\n"));
}

TEST(RtfExport, Golden)
{
    TrpRTFExport f;
    checkGolden("export_golden.rtf", run(f, goldenDocument()));
}

// ---------------------------------------------------------------- registry and dialogs
TEST(ExportFilters, RegisterWithDescriptionAndMask)
{
    const qsizetype before = rpExportFilters().size();
    {
        TrpTextExport t;
        TrpRTFExport r;
        ASSERT_EQ(rpExportFilters().size(), before + 2);
        EXPECT_EQ(rpExportFilters()[before].Description, QStringLiteral("ASCII Text file (*.txt)"));
        EXPECT_EQ(rpExportFilters()[before + 1].Description, QStringLiteral("Rich Text file (*.rtf)"));
        EXPECT_EQ(rpExportFilters()[before + 1].Mask, QStringLiteral("*.rtf"));
        EXPECT_DOUBLE_EQ(r.ScaleX(), 1.3);
    }
    EXPECT_EQ(rpExportFilters().size(), before);
}

TEST(ExportDialogs, ScaleFieldsReadBack)
{
    EXPECT_DOUBLE_EQ(rpScaleFromText("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(rpScaleFromText("2.25"), 2.25);
    EXPECT_DOUBLE_EQ(rpScaleFromText("abc"), 1.0);
    EXPECT_DOUBLE_EQ(rpScaleFromText("0"), 1.0);
    EXPECT_DOUBLE_EQ(rpScaleFromText("-3"), 1.0);
    EXPECT_DOUBLE_EQ(rpScaleFromText(""), 1.0);
}

TEST(ExportDialogs, TextOptionsFormByComponentNames)
{
    TrpTextExport f;
    TrpTXTExportForm form;
    form.Load(f);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("TXT export options"));
    auto *cb3 = form.findChild<QCheckBox *>("CB3");
    auto *cb4 = form.findChild<QCheckBox *>("CB4");
    auto *e1 = form.findChild<QLineEdit *>("E1");
    ASSERT_TRUE(cb3 && cb4 && e1);
    EXPECT_FALSE(cb4->isEnabled());
    QTest::mouseClick(cb3, Qt::LeftButton, {}, QPoint(4, cb3->height() / 2));
    EXPECT_TRUE(cb3->isChecked());
    EXPECT_TRUE(cb4->isEnabled());
    e1->setText("2,5");
    form.findChild<QLineEdit *>("E2")->setText("-1");
    form.Store(f);
    EXPECT_TRUE(f.ExportFrames);
    EXPECT_DOUBLE_EQ(f.ScaleX(), 2.5);
    EXPECT_DOUBLE_EQ(f.ScaleY(), 1.0);
}

TEST(ExportDialogs, CsvDelimiterAndRtfFlags)
{
    TrpCSVExport csv;
    TrpCSVExportForm cf;
    cf.Load(csv);
    EXPECT_EQ(cf.findChild<QLineEdit *>("E3")->text(), QStringLiteral(";"));
    cf.findChild<QLineEdit *>("E3")->setText("\t,");
    cf.Store(csv);
    EXPECT_EQ(csv.Delimiter, QLatin1Char('\t'));
    cf.findChild<QLineEdit *>("E3")->clear();
    cf.Store(csv);
    EXPECT_EQ(csv.Delimiter, QLatin1Char('\t'));

    TrpRTFExport rtf;
    TrpRTFExportForm rf;
    rf.Load(rtf);
    EXPECT_EQ(rf.findChild<QLineEdit *>("E1")->text(), QStringLiteral("1.3"));
    rf.findChild<QCheckBox *>("CB3")->setChecked(true);
    rf.Store(rtf);
    EXPECT_TRUE(rtf.ConvertToTable);

    TrpHTMExport htm;
    htm.ShowDialog = false;
    EXPECT_EQ(htm.ShowOptionsDialog(), 1);   // no dialog: OK
}

TEST(ExportDialogs, FiltersAskThroughThePluggedDialog)
{
    // Without a plugged dialog a filter opens no window and goes on.
    TrpCSVExport csv;
    EXPECT_EQ(csv.ShowOptionsDialog(), 1);

    // The windows' dialog of the most derived filter runs; Cancel gives 2 and
    // the edited values are still read back.
    csv.OptionsDialog = rpExportOptionsDialog;
    QString title;
    QTimer::singleShot(0, [&] {
        auto *form = qobject_cast<TrpCSVExportForm *>(QApplication::activeModalWidget());
        if (!form) return;
        title = form->windowTitle();
        form->findChild<QLineEdit *>("E3")->setText("|");
        form->reject();
    });
    EXPECT_EQ(csv.ShowOptionsDialog(), 2);
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(csv.Delimiter, QLatin1Char('|'));

    csv.ShowDialog = false;
    EXPECT_EQ(csv.ShowOptionsDialog(), 1);
}
