// A grouped report measured with the real fonts, its prepared file and its
// exports kept as golden files: the page stream, the file reader and the
// text measurement may get faster, never different.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "report/building/band.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/prepared.h"
#include "report/model/views.h"
#include "report/output/textexports.h"

namespace {

struct Row
{
    QString grp, name;
    int length, width, price;
};

// Real fonts, a fixed paper and a fixed clock.
struct Setting
{
    Setting()
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
        rpSetMeasuringMeasurer(nullptr);
    }
    ~Setting() { SetPaperHandler({}); }
};

class Grouped
{
public:
    Grouped()
    {
        report.ShowProgress = false;
        report.Now = [] { return 45000.5; };
        const QString names[] = {QStringLiteral("Боковина"), QStringLiteral("Полка"),
                                 QStringLiteral("Дверца шкафа-купе с зеркальной вставкой и фрезеровкой"),
                                 QStringLiteral("Crosspiece"), QStringLiteral("Задняя стенка, ДВП 4 мм")};
        for (int i = 0; i < 60; ++i)
            rows.append({QStringLiteral("Материал %1").arg(i / 14), names[i % 5] + QStringLiteral(" %1").arg(i),
                         300 + i * 37 % 2400, 100 + i * 53 % 1900, 1 + i % 9});
        report.Pages().Clear();
        TrpPage *page = report.Pages().Add();
        page->Name = QStringLiteral("Page1");
        page->SetPaper(256, 1480, 2100, -1, 0);
        page->MarginLeft = page->MarginTop = page->MarginRight = page->MarginBottom = 100;
        auto *src = new TrpUserDataset(&owner);
        src->SetName(QStringLiteral("rpsrcRows"));
        src->OnFirst = [this](TrpDataset &) { pos = 0; };
        src->OnNext = [this](TrpDataset &) { ++pos; };
        src->OnPrior = [this](TrpDataset &) { --pos; };
        src->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = pos >= rows.size(); };
        report.OnGetValue = [this](const QString &name, TrpValue &value) {
            if (pos < 0 || pos >= rows.size()) return false;
            const Row &r = rows[pos];
            if (name == QLatin1String("GRP")) value = r.grp;
            else if (name == QLatin1String("NAME")) value = r.name;
            else if (name == QLatin1String("LEN")) value = r.length;
            else if (name == QLatin1String("WID")) value = r.width;
            else if (name == QLatin1String("PRICE")) value = r.price;
            else return false;
            return true;
        };

        band(page, btReportTitle, 0, 60, "Title");
        TrpMemoView *title = memo(page, 0, 0, 500, 30, "Остатки склада", rptaCenter);
        title->Font.size = 14;
        title->Font.style = TrpFont::Bold;
        title->FrameTyp = 15;
        auto pic = std::make_unique<TrpPictureView>();
        pic->Name = QStringLiteral("Picture1");
        pic->SetBounds(510, 0, 40, 30);
        QImage img(4, 3, QImage::Format_RGB32);
        img.fill(Qt::red);
        QByteArray bmp;
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "BMP");
        pic->Picture.load(rppkBitmap, bmp);
        page->AddView(std::move(pic));
        auto line = std::make_unique<TrpLineView>();
        line->Name = QStringLiteral("Line1");
        line->SetBounds(0, 40, 550, 0);
        page->AddView(std::move(line));

        band(page, btGroupHeader, 70, 20, "GroupHeader1", "[GRP]");
        memo(page, 0, 70, 400, 20, "Материал: [GRP]", rptaRight)->Font.style = TrpFont::Italic;
        band(page, btMasterData, 100, 20, "MasterData1", "rpsrcRows", rpbfStretched);
        memo(page, 10, 100, 130, 20, "[NAME]", rptaLeft);
        memo(page, 150, 100, 60, 20, "[LEN]", rptaRight)->CharSpacing = 1;
        memo(page, 220, 100, 60, 20, "[WID]", rptaCenter);
        memo(page, 290, 100, 110, 20, "[LEN]x[WID] мм, партия из [PRICE] листов", rptaJustify);
        TrpMemoView *code = memo(page, 410, 100, 40, 20, "Код [PRICE]", rptaLeft);
        code->Flags |= rpmfAutoWidth;
        code->Font.name = QStringLiteral("Courier New");
        band(page, btGroupFooter, 130, 20, "GroupFooter1");
        memo(page, 10, 130, 300, 20, "Итого по материалу: [SUM([PRICE])]", rptaRight)->Font.style = TrpFont::Bold;
        band(page, btReportSummary, 160, 20, "Summary");
        memo(page, 0, 160, 400, 20, "Позиций: [COUNT()], сумма: [SUM([PRICE])]", rptaLeft);
    }

    void band(TrpPage *page, int kind, int top, int height, const char *name, const QString &source = QString(),
              quint16 flags = 0)
    {
        auto v = std::make_unique<TrpBandView>();
        v->SetBandType(kind);
        v->Name = QString::fromLatin1(name);
        v->SetBounds(0, top, 560, height);
        v->DisplayFormatText = source;
        v->Flags |= flags;
        page->AddView(std::move(v));
    }
    TrpMemoView *memo(TrpPage *page, int left, int top, int width, int height, const QString &text, int align)
    {
        auto v = std::make_unique<TrpMemoView>();
        v->Name = QStringLiteral("Memo%1").arg(++memos);
        v->SetBounds(left, top, width, height);
        v->Memo = QStringList{text};
        v->Alignment = align;
        return static_cast<TrpMemoView *>(page->AddView(std::move(v)));
    }

    QObject owner;
    TrpReport report{&owner};
    QList<Row> rows;
    int pos = 0;
    int memos = 0;
};

QByteArray preparedFile(TrpReport &report)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    report.EMFPages().WritePreparedFile(b);
    return bytes;
}

QByteArray exported(TrpReport &report, TrpExportFilter &filter)
{
    QTemporaryDir dir;
    filter.ShowDialog = false;
    const QString file = dir.filePath(QStringLiteral("out"));
    EXPECT_TRUE(report.ExportPrepared(filter, file));
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Compares with a golden file; KV_UPDATE_GOLDEN=1 writes it instead.
void expectGolden(const QByteArray &bytes, const char *name)
{
    const QString path = QStringLiteral(KV_TEST_DATA_DIR "/") + QLatin1String(name);
    QFile g(path);
    if (qEnvironmentVariableIsSet("KV_UPDATE_GOLDEN")) {
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(bytes);
        return;
    }
    ASSERT_TRUE(g.open(QIODevice::ReadOnly)) << name;
    const QByteArray expected = g.readAll();
    EXPECT_EQ(bytes.size(), expected.size()) << name;
    EXPECT_TRUE(bytes == expected) << name;
}

struct Filters
{
    TrpTextExport text;
    TrpHTMExport htm;
    TrpCSVExport csv;
    TrpRTFExport rtf;
    Filters() { text.ExportFrames = true; }
    void check(TrpReport &report)
    {
        expectGolden(exported(report, text), "measured_export.txt");
        expectGolden(exported(report, htm), "measured_export.htm");
        expectGolden(exported(report, csv), "measured_export.csv");
        expectGolden(exported(report, rtf), "measured_export.rtf");
    }
};

} // namespace

TEST(MeasuredGolden, PreparedPagesAndExportsStayByteForByte)
{
    Setting setting;
    Grouped g;
    ASSERT_TRUE(g.report.Prepare()) << g.report.LastBuildError.toStdString();
    ASSERT_GT(g.report.EMFPages().Count(), 1);
    const QByteArray file = preparedFile(g.report);
    expectGolden(file, "measured_prepared.rpp");
    Filters filters;
    filters.check(g.report);

    // Read back, the file writes the same bytes and exports the same texts.
    QObject owner;
    TrpReport loaded(&owner);
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    loaded.EMFPages().ReadPreparedFile(in);
    EXPECT_TRUE(preparedFile(loaded) == file);
    filters.check(loaded);

    // Pages unpacked into views and packed again (a sized memo keeps the
    // width its drawing gave it).
    for (int i = 0; i < loaded.EMFPages().Count(); ++i) {
        loaded.EMFPages().UnpackPage(i);
        loaded.EMFPages().PackPage(i);
    }
    expectGolden(preparedFile(loaded), "measured_repacked.rpp");
}
