// The road a workshop walks, from an empty program folder, through the real
// windows of the running program: a material, the warehouse, a part base
// typed into its grid, the cut, the results. The dialogs are answered through
// the test hooks; the files the road leaves behind are read back and checked.
#include "controls/lookuplist.h"
#include "app/common/optionform.h"
#include "app/cutting/raskroyoptions.h"
#include "app/materials/borderssetup.h"
#include "app/materials/materialsform.h"
#include "app/materials/selectmaterial.h"
#include "app/partbase/raskroygroup.h"
#include "app/results/formsheets.h"
#include "app/shell/mainform.h"
#include "app/shell/menulists.h"
#include "app/shell/startup.h"
#include "app/stock/selectsheets.h"
#include "app/stock/stockdialogs.h"
#include "app/stock/warehouse.h"
#include "app/tests/roadsupport.h"
#include "app/tests/scopedprinter.h"
#include "controls/dbgrid.h"
#include "controls/spinedit.h"
#include "controls/stringgrid.h"
#include "data/datamodule.h"
#include "data/maps/mapdoc.h"
#include "data/stock/accept.h"
#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/clock.h"
#include "platform/db/dbffile.h"
#include "platform/db/table.h"
#include "platform/ini.h"
#include "platform/ui.h"
#include "print/flows/bordersinfo.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/maproad.h"
#include "print/flows/pageform.h"
#include "print/flows/printsetup.h"
#include "report/building/report.h"
#include "report/model/views.h"
#include "report/output/printer.h"
#include "report/output/textexports.h"
#include "platform/text.h"
#include "report/model/page.h"
#include "widgets/outlooklist.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>

#include <map>

using namespace kv;
using namespace roadtest;

namespace {

// The stock tables read back as "length x width many code" (sheets) or
// "name length x width many code" (off-cuts), live rows in file order.
QStringList sheetRows(const QString &path)
{
    QStringList out;
    const DbfFile f = DbfFile::read(path);
    for (const DbfRow &r : f.rows)
        if (!r.deleted)
            out << QStringLiteral("%1x%2 %3 %4")
                       .arg(r.values[0].toInt())
                       .arg(r.values[1].toInt())
                       .arg(r.values[2].toInt())
                       .arg(r.values[3].toInt());
    return out;
}

QStringList scrapRows(const QString &path)
{
    QStringList out;
    const DbfFile f = DbfFile::read(path);
    for (const DbfRow &r : f.rows)
        if (!r.deleted)
            out << QStringLiteral("%1 %2x%3 %4 %5")
                       .arg(r.values[0].toString())
                       .arg(r.values[1].toInt())
                       .arg(r.values[2].toInt())
                       .arg(r.values[3].toInt())
                       .arg(r.values[4].toInt());
    return out;
}

const QString kMaterial = QStringLiteral("ЛДСП Бук 16 мм");
const QString kBanding = QStringLiteral("ПВХ 2 мм");
// The three off-cuts in stock: code, length, width, quantity.
struct StockScrap
{
    QString name;
    int length, width, many;
};
const StockScrap kScraps[3] = {{QStringLiteral("О-1"), 1900, 800, 1},
                               {QStringLiteral("О-2"), 1200, 600, 2},
                               {QStringLiteral("О-3"), 600, 300, 40}};

// The fronts are banded all round.
bool isFacade(const OrderPart &p) { return p.name.startsWith(QLatin1String("Fasad")); }

// Whole stickers across and down an A4 page (210 x 297 mm) inside its
// margins (left, right, top, bottom); the pages `stickers` fill.
int StickerPages(int stickers, int widthMm, int heightMm, const int marginsMm[4])
{
    const int across = (210 - marginsMm[0] - marginsMm[1]) / widthMm;
    const int down = (297 - marginsMm[2] - marginsMm[3]) / heightMm;
    return across * down > 0 ? (stickers + across * down - 1) / (across * down) : -1;
}

// The pages of the statistics with a section for each of `maps` maps: the
// title on the first page, the page footer on each, the sections, then the
// totals, each band as high as "Statistic.rpf" draws it, on its paper
// without margins ([PageParams] is not set on the road).
int StatisticPages(const QString &templateFile, int maps)
{
    TrpReport t;
    if (!t.LoadTemplate(templateFile)) return -1;
    auto height = [&t](const char *band) {
        const TrpView *v = t.FindView(QString::fromLatin1(band));
        return v ? v->Height : 0;
    };
    const int section = height("MasterData1"), totals = height("ReportSummary1");
    if (section <= 0 || totals <= 0) return -1;
    const int room = rpTenthsMmToUnits(t.Pages().GetPage(0)->PaperHeight) - height("PageFooter1");
    int pages = 1, used = height("ReportTitle1");
    auto put = [&](int h) {
        if (used + h > room) ++pages, used = 0;
        used += h;
    };
    for (int i = 0; i < maps; ++i) put(section);
    put(totals);
    return pages;
}

int printToPdf(TrpReport &report, const QString &file);
QString reportText(TrpReport &report);

// With KV_ROAD_PDF set to a folder, the PDF files of the road are kept there
// to be looked at.
void keepPdf(const QString &file)
{
    const QString folder = qEnvironmentVariable("KV_ROAD_PDF");
    if (folder.isEmpty()) return;
    const QString to = folder + QLatin1Char('/') + QFileInfo(file).fileName();
    QFile::remove(to);
    QFile::copy(file, to);
}

// --- the road -------------------------------------------------------------------------

class WholeRoad : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    QTemporaryDir tmp;
    QString root;
    Order order;
    RoadUi ui;
    ModalWatch watch;

    void SetUp() override
    {
        root = tmp.path() + QStringLiteral("/Korvalt");   // not there yet: the start makes it
        order = ReadOrder(QStringLiteral(KV_SOURCE_DIR "/bench/data/kitchen.txt"));
        ASSERT_EQ(order.parts.size(), 20u);
        ASSERT_EQ(order.sheetLength, 2800);
        ASSERT_EQ(order.sheetWidth, 2070);
    }

    // Starts the program on the folder and walks `road` inside it; the
    // program then closes as the user closes it.
    void run(const std::function<void(TMainForm &)> &road)
    {
        StartOptions opt;
        opt.root = root;
        opt.ui = &ui;
        opt.instead = [&](TMainForm &form) {
            form.resize(1024, 768);
            road(form);
        };
        QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(RunApplication(*app, opt), 0);
        EXPECT_TRUE(watch.closed.isEmpty()) << watch.closed.join(' ').toStdString();
    }

    Paths paths() const { return Paths(root); }

    // Copies of the order, and the banding the fronts take (mm).
    int copies() const
    {
        int n = 0;
        for (const OrderPart &p : order.parts) n += p.many;
        return n;
    }
    int bandedLength() const
    {
        int mm = 0;
        for (const OrderPart &p : order.parts)
            if (isFacade(p)) mm += p.many * 2 * (p.length + p.width);
        return mm;
    }

    void printStatistics(TFormSheets *r, const MapDocument &saved);
    void printStickers(TMainForm &form, TFormSheets *r);

    // "Материлы" of the settings menu: the material typed into its grid, "&Да".
    void addMaterial(TMainForm &form)
    {
        bool done = false;
        onNextModal<TMaterialsForm>([&](TMaterialsForm &f) {
            TExDBGrid *grid = f.grdMaterials;
            grid->setFocus();
            typeText(grid, kMaterial);
            pressKey(grid, Qt::Key_Return);
            f.OkAction->trigger();
            done = true;
        });
        form.Action(QStringLiteral("MaterialsAction"))->trigger();
        ASSERT_TRUE(done);
        ASSERT_EQ(form.GetMaterialName(1), kMaterial);
    }

    // "Кромки" of the settings menu: one banding typed into its grid, "&Да";
    // "Параметры по умолчанию" makes it the banding "Всё" puts on a part.
    void addBanding(TMainForm &form)
    {
        bool done = false;
        onNextModal<TfrmBordersSetup>([&](TfrmBordersSetup &b) {
            TExDBGrid *grid = b.grdBorders;
            grid->setFocus();
            pressKey(grid, Qt::Key_Right);   // past the code the new row gets
            typeText(grid, kBanding);
            pressKey(grid, Qt::Key_Return);
            b.OkAction->trigger();
            done = true;
        });
        form.Action(QStringLiteral("BordersAction"))->trigger();
        ASSERT_TRUE(done);
        ASSERT_EQ(form.GetBorderName(1), kBanding);
        bool options = false;
        const auto answer = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
            auto *o = qobject_cast<TOptionForm *>(&d);
            EXPECT_NE(o, nullptr) << d.metaObject()->className();
            if (!o) return int(QDialog::Rejected);
            options = true;
            auto *banding = child<QComboBox>(o, QStringLiteral("cbBorders"));
            banding->setCurrentIndex(banding->findText(kBanding));
            child<QPushButton>(o, QStringLiteral("bbOk"))->click();
            return o->result();
        });
        form.Action(QStringLiteral("OptionsAction"))->trigger();
        ASSERT_TRUE(options);
        ASSERT_EQ(form.Context().borders().DefBorder(), 1);
    }

    // The warehouse: 10 standard sheets through "Добавить лист на склад", the
    // off-cuts typed into their grid, both saved through the stock menu.
    struct Sheets
    {
        int length, width, many;
    };
    // The warehouse: standard sheets through "Добавить лист на склад", the
    // off-cuts typed into their grid, both saved through the stock menu.
    TfrmWareHouse *fillWarehouse(TMainForm &form, const std::vector<Sheets> &sheets = {{2800, 2070, 10}},
                                 bool withScraps = true)
    {
        form.Action(QStringLiteral("WarehouseAction"))->trigger();
        auto *w = qobject_cast<TfrmWareHouse *>(form.ActiveChild());
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        clickNavigatorItem(child<TgwOutlookList>(w, QStringLiteral("olMaterials")), kMaterial);
        EXPECT_EQ(w->CurrentMaterial(), 1);

        size_t dialogs = 0;
        {
            const auto hook = kv::test::ScopedSet(ui.onModal, kv::test::AsShown([&](QDialog &d) {
                const Sheets &s = sheets[std::min(dialogs++, sheets.size() - 1)];
                EXPECT_EQ(d.windowTitle(), QStringLiteral("Добавление листов"));
                EXPECT_EQ(child<QComboBox>(&d, QStringLiteral("cbMaterial"))->currentText(), kMaterial);
                child<TExSpinEdit>(&d, QStringLiteral("seLength"))->setValue(s.length);
                child<TExSpinEdit>(&d, QStringLiteral("seWidth"))->setValue(s.width);
                child<TExSpinEdit>(&d, QStringLiteral("seQuantity"))->setValue(s.many);
                child<QPushButton>(&d, QStringLiteral("bbOk"))->click();
            }));
            for (size_t i = 0; i < sheets.size(); ++i) form.Action(QStringLiteral("AddSheetAction"))->trigger();
        }
        EXPECT_EQ(dialogs, sheets.size());
        form.Action(QStringLiteral("SaveSheetsAction"))->trigger();
        if (!withScraps) return w;

        child<QTabWidget>(w, QStringLiteral("pcWareHouse"))->setCurrentIndex(1);
        TExDBGrid *grid = child<TExDBGrid>(w, QStringLiteral("dbgScraps"));
        grid->setFocus();
        for (int i = 0; i < 3; ++i) {
            const StockScrap &s = kScraps[i];
            typeRow(grid, {s.name, QString::number(s.length), QString::number(s.width), QString::number(s.many)});
            if (i < 2) pressKey(grid, Qt::Key_Down);
        }
        form.Action(QStringLiteral("SaveScrapsAction"))->trigger();
        return w;
    }

    // "Новая" part base: the material chosen in its navigator, the order
    // typed into the grid with each part's rotation, banded all round ("Всё")
    // where `banded` says, saved as "Кухня.kdx".
    TfrmRaskroyGroup *typeOrder(TMainForm &form, const std::function<bool(const OrderPart &)> &banded = {})
    {
        form.Action(QStringLiteral("NewAction"))->trigger();
        auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild());
        EXPECT_NE(g, nullptr);
        if (!g) return nullptr;
        clickNavigatorItem(child<TgwOutlookList>(g, QStringLiteral("OutlookList")), kMaterial);
        TExDBGrid *grid = child<TExDBGrid>(g, QStringLiteral("DBGrid"));
        grid->setFocus();
        for (size_t i = 0; i < order.parts.size(); ++i) {
            const OrderPart &p = order.parts[i];
            typeRow(grid, {p.name, QString::number(p.length), QString::number(p.width), QString::number(p.many)});
            child<QRadioButton>(g, QStringLiteral("rbRotate%1").arg(p.rotate))->click();
            if (banded && banded(p)) child<QToolButton>(g, QStringLiteral("bbAllBorders"))->click();
            if (i + 1 < order.parts.size()) pressKey(grid, Qt::Key_Down);
        }
        g->PostIfEditing();
        QApplication::processEvents();

        const QString file = paths().GroupsFolder() + QStringLiteral("Кухня.kdx");
        const auto hook = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &s) {
            EXPECT_TRUE(s.save);
            return file;
        });
        form.Action(QStringLiteral("SaveAction"))->trigger();
        EXPECT_TRUE(QFile::exists(file));
        return g;
    }

    // "Разложить детали": the options take the standard sheet from the
    // warehouse ("&База листов", which switches the counting on) and use the
    // off-cuts; OK.
    TFormSheets *cut(TMainForm &form, bool useScraps = true)
    {
        bool optionsShown = false, chosen = false;
        // The job ends with the statistics of the variant.
        bool statistics = false;
        const auto hook = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
            if (qobject_cast<TfrmFullStat *>(&d)) {
                statistics = true;
                return int(QDialog::Accepted);
            }
            auto *options = qobject_cast<TfrmRaskroyOptions *>(&d);
            if (!options) return RealUi().runModal(d);
            TfrmRaskroyOptions &o = *options;
            optionsShown = true;
            EXPECT_EQ(o.ShownCode(), 1);
            EXPECT_TRUE(o.chbEnabled->isChecked());
            o.chbUseScraps->setChecked(useScraps);
            onNextModal<TFormSelectSheets>([&](TFormSelectSheets &s) {
                chosen = true;
                s.BBOk->click();
            });
            o.BaseSheetAction->trigger();
            EXPECT_EQ(o.edSheetWidth->text(), QString::number(order.sheetLength));
            EXPECT_EQ(o.edSheetHeight->text(), QString::number(order.sheetWidth));
            EXPECT_TRUE(o.chbStandart->isChecked());
            o.OkAction->trigger();
            return o.result();
        });
        form.Action(QStringLiteral("CuttingAction"))->trigger();
        EXPECT_TRUE(optionsShown);
        EXPECT_TRUE(chosen);
        TFormSheets *r = lastResults(form);
        if (r && r->isVisible() && !r->Running()) {   // a window closed mid-run shows none
            EXPECT_TRUE(statistics);
        }
        EXPECT_NE(r, nullptr);
        return r;
    }

    // The README's picture (scripts/screenshot.sh): the frame with the
    // results window filling it, on its first map of a standard sheet.
    static void screenshot(TMainForm &form, TFormSheets *r)
    {
        auto *sub = qobject_cast<QMdiSubWindow *>(r->parentWidget());
        sub->showMaximized();
        auto *pages = child<QTabWidget>(r, QStringLiteral("PageControl"));
        for (size_t i = 0; i < r->Document().Tabs.size(); ++i)
            if (!r->Document().Tabs[i].IsScraps) {
                pages->setCurrentIndex(int(i));
                break;
            }
        QApplication::processEvents();
        EXPECT_TRUE(form.grab().save(qEnvironmentVariable("KV_SCREENSHOT")));
        sub->showNormal();
        QApplication::processEvents();
    }

    static TFormSheets *lastResults(TMainForm &form)
    {
        TFormSheets *last = nullptr;
        for (TMdiChild *c : form.Children())
            if (auto *r = qobject_cast<TFormSheets *>(c)) last = r;
        return last;
    }

    // "... из файла с разделителями табуляциями": the order written as the
    // text file a spreadsheet makes, its material chosen in the chooser, the
    // new part base saved under `name`.
    TfrmRaskroyGroup *importOrder(TMainForm &form, const Order &o, const QString &name)
    {
        const QString text = paths().ExportFolder() + name + QStringLiteral(".txt");
        {
            QStringList lines;
            for (const OrderPart &p : o.parts)
                lines << QStringList{p.name, QString::number(p.length), QString::number(p.width), QString::number(p.many),
                                     QString::number(p.rotate)}
                             .join(QChar(9));
            QFile f(text);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        }
        bool materialChosen = false;
        onNextModal<TfrmSelectMaterial>([&](TfrmSelectMaterial &m) {
            m.dblMaterials->SetLookupValue(QStringLiteral("1"));
            EXPECT_EQ(m.dblMaterials->DisplayText(), kMaterial);
            EXPECT_EQ(m.SelectedCode(), 1);
            materialChosen = true;
            m.bbReplace->click();
        });
        {
            const auto choice = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &c) {
                EXPECT_FALSE(c.save);
                EXPECT_EQ(c.folder, paths().ExportFolder());
                return text;
            });
            form.Action(QStringLiteral("ImportTabAction"))->trigger();
        }
        EXPECT_TRUE(materialChosen);
        auto *g = qobject_cast<TfrmRaskroyGroup *>(form.ActiveChild());
        EXPECT_NE(g, nullptr);
        if (!g) return nullptr;
        EXPECT_EQ(g->Document().table().RecordCount(), int(o.parts.size()));
        const QString file = paths().GroupsFolder() + name + QStringLiteral(".kdx");
        const auto hook = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &) { return file; });
        form.Action(QStringLiteral("SaveAction"))->trigger();
        EXPECT_EQ(g->DocumentFileName(), file);
        return g;
    }
};

// The off-cut rows the warehouse must hold after a variant is accepted: the
// stock off-cuts the maps used lowered or gone, one row per usable off-cut
// of every map with the map's repeat count. Sorted, as the merge reorders.
QStringList ScrapsAfter(const QStringList &stock, const MapDocument &doc, int code)
{
    QStringList rows = stock;
    for (const MapTab &t : doc.Tabs) {
        if (t.IsScraps) {
            for (int i = 0; i < rows.size(); ++i) {
                QStringList w = rows[i].split(QLatin1Char(' '));
                if (w[0] != t.SheetName || w[1] != QStringLiteral("%1x%2").arg(t.RealWidth).arg(t.RealHeight)) continue;
                const int left = w[2].toInt() - t.Quantity;
                if (left > 0) {
                    w[2] = QString::number(left);
                    rows[i] = w.join(QLatin1Char(' '));
                } else {
                    rows.removeAt(i);
                }
                break;
            }
        }
        for (const MapScrap &s : t.Scraps)
            if (s.ScrapType == stNormalScrap)
                rows << QStringLiteral("%1 %2x%3 %4 %5").arg(s.ScrapName).arg(s.RealWidth).arg(s.RealHeight).arg(t.Quantity).arg(code);
    }
    // Equal rows (all of them dated today) become one with the sum.
    std::map<QString, int> merged;
    for (const QString &r : rows) {
        QStringList w = r.split(QLatin1Char(' '));
        const int many = w[2].toInt();
        w[2] = QStringLiteral("%1");
        merged[w.join(QLatin1Char(' '))] += many;
    }
    QStringList out;
    for (const auto &[pattern, many] : merged) out << pattern.arg(many);
    out.sort();
    return out;
}

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

// Prints a built report as the preview's printer does, into a PDF file;
// the number of pages printed.
int printToPdf(TrpReport &report, const QString &file)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return report.PrintPrepared(printer, QString(), 1, true);
}

// The pages of a PDF file as its page objects say.
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A built report as text, the lines of its pages.
QString reportText(TrpReport &report)
{
    QTemporaryDir out;
    TrpTextExport text;
    text.ShowDialog = false;
    const QString file = out.filePath(QStringLiteral("report.txt"));
    if (!report.ExportPrepared(text, file)) return {};
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? fromCp1251(f.readAll()) : QString();
}

// "Статистика" of the results window: the figures of the variant, its
// banding with the column widths the user sets, and the report printed into
// a PDF file: a title, one section per map, the totals.
void WholeRoad::printStatistics(TFormSheets *r, const MapDocument &saved)
{
    const QString pdf = tmp.path() + QStringLiteral("/statistics.pdf");
    int printed = -1;
    QString text;
    const auto reports = kv::test::ScopedSet(ui.onReport, [&](QObject &o) {
        auto &report = dynamic_cast<TrpReport &>(o);
        EXPECT_TRUE(report.Prepare()) << report.LastBuildError.toStdString();
        printed = printToPdf(report, pdf);
        text = reportText(report);
        return true;
    });
    int cuts = 0;
    for (const MapTab &t : saved.Tabs) cuts += t.MillLinesCount * t.Quantity;
    const QString banded = QString::number(bandedLength() / 1000.0, 'f', 2);
    QStringList dialogs;
    const auto answer = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
        dialogs << d.objectName();
        d.show();
        if (auto *b = qobject_cast<TfrmBordersInfo *>(&d)) {
            EXPECT_EQ(b->Grid->RowCount(), 2);
            EXPECT_EQ(b->Grid->GetCellText(0, 1), kBanding);
            EXPECT_EQ(b->Grid->GetCellText(1, 1), banded);
            b->Grid->SetColumnWidth(0, 140);
            b->Grid->SetColumnWidth(1, 80);
            b->bbOk->click();
        } else if (auto *s = qobject_cast<TfrmFullStat *>(&d)) {
            EXPECT_EQ(s->lbMatName->text(), QStringLiteral("<все материалы>"));
            EXPECT_EQ(s->lbDetalsSquare->text(), QString::number(order.area() / 1e6, 'f', 3) + QStringLiteral(" кв м"));
            EXPECT_EQ(s->lbMillCount->text(), QString::number(cuts));
            EXPECT_TRUE(s->bbBorders->isEnabled());
            s->bbBorders->click();
            s->bbPrint->click();
            s->bbOk->click();
        } else {
            ADD_FAILURE() << "unexpected dialog " << d.metaObject()->className();
            d.reject();
        }
        return d.result();
    });
    r->StatisticAction->trigger();
    EXPECT_EQ(dialogs, (QStringList{QStringLiteral("frmFullStat"), QStringLiteral("frmBordersInfo")}));
    // Every map has its numbered section, and the totals end with the banding.
    for (size_t i = 1; i <= saved.Tabs.size(); ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("%1.").arg(i))) << i;
    EXPECT_EQ(text.count(QStringLiteral("Итого:")), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("%1: %2 м").arg(kBanding, banded))) << text.toStdString();
    EXPECT_EQ(printed, StatisticPages(Paths::FileIn(paths().ReportsFolder(), QStringLiteral("Statistic.rpf")),
                                      int(saved.Tabs.size())));
    EXPECT_EQ(pdfPages(pdf), printed);
    keepPdf(pdf);
}

// "Печать ярлычков деталей" of the main menu on the results window: one
// sticker per copy of every part, 60 x 30 mm (room for the four banded
// sides of a front), centred, without the comment,
// on a page with 10 mm margins; printed into a PDF file.
void WholeRoad::printStickers(TMainForm &form, TFormSheets *r)
{
    form.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(r->parentWidget()));
    form.updateActions();
    ASSERT_TRUE(form.Action(QStringLiteral("PrintDetalsLabelsAction"))->isEnabled());
    const QString pdf = tmp.path() + QStringLiteral("/stickers.pdf");
    int printed = -1;
    const auto reports = kv::test::ScopedSet(ui.onReport, [&](QObject &o) {
        auto &report = dynamic_cast<TrpReport &>(o);
        EXPECT_TRUE(report.Prepare()) << report.LastBuildError.toStdString();
        printed = printToPdf(report, pdf);
        return true;
    });
    const int margins[4] = {10, 10, 10, 10};
    int stickers = -1;
    QStringList dialogs;
    const auto answer = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
        dialogs << d.objectName();
        if (auto *m = qobject_cast<TPageForm *>(&d)) {
            EXPECT_EQ(m->LeftFld->Value(), 0);
            TExSpinEdit *fields[4] = {m->LeftFld, m->RightFld, m->TopFld, m->BottomFld};
            for (int i = 0; i < 4; ++i) fields[i]->setValue(margins[i]);
            m->BBOk->click();
            return d.result();
        }
        auto *l = qobject_cast<TfrmPrintDetalsLabel *>(&d);
        EXPECT_NE(l, nullptr) << d.metaObject()->className();
        if (!l) {
            d.reject();
            return d.result();
        }
        d.show();
        stickers = l->Lists().count();
        EXPECT_EQ(l->seWidth->Value(), 45);   // as the settings had them
        EXPECT_EQ(l->seHeight->Value(), 15);
        l->seWidth->setValue(60);
        l->seHeight->setValue(30);
        l->cbxComment->setChecked(false);
        l->rbAlignment[2]->click();
        l->bbPageParams->click();
        l->bbPrint->click();
        l->bbCancel->click();
        return d.result();
    });
    form.Action(QStringLiteral("PrintDetalsLabelsAction"))->trigger();
    EXPECT_EQ(dialogs, (QStringList{QStringLiteral("frmPrintDetalsLabel"), QStringLiteral("PageForm")}));
    EXPECT_EQ(stickers, copies());
    EXPECT_EQ(printed, StickerPages(copies(), 60, 30, margins));
    EXPECT_EQ(pdfPages(pdf), printed);
    keepPdf(pdf);
}

TEST_F(WholeRoad, FromAnEmptyFolderToTheWarehouseAndTheMapsAfterTheCut)
{
    // The first day ends during the job: whatever it stamps carries its date.
    const QDate firstDay(2025, 12, 31);
    std::optional<kv::FixedClock> clock;
    clock.emplace(QDateTime(firstDay, QTime(23, 59, 59)));
    int sheetsUsed = -1;
    QString partBase;
    const QString mapFile = paths().MapsFolder() + QStringLiteral("Кухня.map");
    MapDocument saved;
    QStringList stocked, scrapsAfter;
    for (const StockScrap &s : kScraps)
        stocked << QStringLiteral("%1 %2x%3 %4 1").arg(s.name).arg(s.length).arg(s.width).arg(s.many);
    run([&](TMainForm &form) {
        ASSERT_TRUE(QFile::exists(paths().SheetsTable()));
        addMaterial(form);
        addBanding(form);
        TfrmWareHouse *w = fillWarehouse(form);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(sheetRows(paths().SheetsTable()), QStringList{"2800x2070 10 1"});
        EXPECT_EQ(scrapRows(paths().ScrapsTable()), stocked);
        // What comes back from the saw shorter than 200 mm or narrower than
        // 100 mm is waste; the rest gets its code as it comes into the
        // warehouse: "К-" and a number.
        {
            const auto hook = kv::test::ScopedSet(ui.onModal, kv::test::AsShown([](QDialog &d) {
                if (d.windowTitle() == QStringLiteral("Параметры поступления остатков")) {
                    child<QCheckBox>(&d, QStringLiteral("chbLength"))->setChecked(true);
                    child<TExSpinEdit>(&d, QStringLiteral("seWidth"))->setValue(200);
                    child<QCheckBox>(&d, QStringLiteral("chbHeight"))->setChecked(true);
                    child<TExSpinEdit>(&d, QStringLiteral("seHeight"))->setValue(100);
                    child<QCheckBox>(&d, QStringLiteral("chbLogicSumma"))->setChecked(false);
                } else {
                    EXPECT_EQ(d.windowTitle(), QStringLiteral("Маркировка остатков"));
                    child<QLineEdit>(&d, QStringLiteral("edPrefix"))->setText(QStringLiteral("К-"));
                }
                child<QPushButton>(&d, QStringLiteral("bbOk"))->click();
            }));
            form.Action(QStringLiteral("ScrapsParamsAction"))->trigger();
            form.Action(QStringLiteral("MarkScrapsAction"))->trigger();
        }
        form.Action(QStringLiteral("SaveScrapsAction"))->trigger();
        EXPECT_EQ(scrapRows(paths().ScrapsTable()), stocked);
        form.Action(QStringLiteral("AutoScrapsMarkAction"))->trigger();
        EXPECT_TRUE(form.Action(QStringLiteral("AutoScrapsMarkAction"))->isChecked());

        TfrmRaskroyGroup *g = typeOrder(form, isFacade);
        ASSERT_NE(g, nullptr);
        partBase = g->DocumentFileName();
        EXPECT_EQ(g->windowTitle(), QStringLiteral("База деталей: Кухня.kdx"));

        TFormSheets *r = cut(form);
        ASSERT_NE(r, nullptr);
        MapDocument &doc = r->Document();
        EXPECT_EQ(r->windowTitle(), QStringLiteral("Вариант раскроя 1: \"База деталей: Кухня.kdx\""));
        EXPECT_GE(r->height(), 400);   // the window of the job has room for its maps
        if (!qEnvironmentVariableIsEmpty("KV_SCREENSHOT")) screenshot(form, r);
        // Every copy of every part is on a map; the off-cuts first, then the
        // counted standard sheets.
        std::map<QString, int> laid;
        int stdSheets = 0, scrapMaps = 0;
        for (const MapTab &t : doc.Tabs) {
            EXPECT_EQ(t.MaterialCode, 1);
            for (const MapPart &p : t.Parts) laid[p.Title] += t.Quantity;
            if (t.IsScraps) {
                ++scrapMaps;
                EXPECT_EQ(stdSheets, 0) << "an off-cut map after a standard sheet";
            } else {
                EXPECT_EQ(t.RealWidth, order.sheetLength);
                EXPECT_EQ(t.RealHeight, order.sheetWidth);
                stdSheets += t.Quantity;
            }
        }
        for (const OrderPart &p : order.parts) EXPECT_EQ(laid[p.name], p.many) << p.name.toStdString();
        for (const MapTab &t : doc.Tabs)
            for (const MapPart &p : t.Parts) {
                const int band = isFacade({p.Title}) ? 1 : 0;
                EXPECT_EQ(std::vector<int>({p.LeftBorder, p.TopBorder, p.RightBorder, p.BottomBorder}),
                          std::vector<int>(4, band))
                    << p.Title.toStdString();
            }
        EXPECT_DOUBLE_EQ(doc.SumDetalsSquare(), order.area());
        EXPECT_GE(scrapMaps, 1);
        ASSERT_EQ(doc.UsingSheets.Count(), 1);
        EXPECT_EQ(doc.UsingSheets[0].Code, 1);
        EXPECT_EQ(doc.UsingSheets[0].Initial, 10);
        EXPECT_EQ(doc.UsingSheets[0].Remaining, 10 - stdSheets);
        sheetsUsed = stdSheets;
        // The run counts in its own cached view of the sheets: the warehouse
        // changes only when the variant is accepted.
        EXPECT_EQ(sheetRows(paths().TempSheetsTable()), QStringList{"2800x2070 10 1"});
        EXPECT_FALSE(form.Module()->SheetsModified || form.Module()->ScrapsModified);
        EXPECT_FALSE(QFile::exists(paths().JobOptionsFile()));

        // The part base closes without a question and goes to the recent files.
        QPointer<TfrmRaskroyGroup> group(g);
        g->parentWidget()->close();
        QApplication::processEvents();
        EXPECT_TRUE(group.isNull());

        // "П&ринять": the warehouse's working copies take the variant, once.
        ui.answers[QString::fromUtf16(kAcceptQuestion)] = ModalResult::Yes;
        ASSERT_TRUE(r->ApplyAction->isEnabled());
        r->ApplyAction->trigger();
        EXPECT_FALSE(r->ApplyAction->isEnabled());
        EXPECT_TRUE(form.Module()->SheetsModified && form.Module()->ScrapsModified);
        int marked = 0;
        for (const MapTab &t : doc.Tabs)
            for (const MapScrap &s : t.Scraps)
                if (s.ScrapType == stNormalScrap) {
                    EXPECT_TRUE(s.ScrapName.startsWith(QStringLiteral("К-"))) << s.ScrapName.toStdString();
                    EXPECT_TRUE(s.RealWidth >= 200 && s.RealHeight >= 100) << s.RealWidth << "x" << s.RealHeight;
                    ++marked;
                } else {
                    EXPECT_TRUE(s.RealWidth < 200 || s.RealHeight < 100) << s.RealWidth << "x" << s.RealHeight;
                }
        EXPECT_GT(marked, 0);
        scrapsAfter = ScrapsAfter(stocked, doc, 1);
        EXPECT_EQ(sorted(scrapRows(paths().TempScrapsTable())), scrapsAfter);
        EXPECT_EQ(scrapRows(paths().ScrapsTable()), stocked);   // not saved yet

        // The warehouse saved through the stock menu.
        form.Action(QStringLiteral("SaveSheetsAction"))->trigger();
        form.Action(QStringLiteral("SaveScrapsAction"))->trigger();
        EXPECT_FALSE(form.Module()->SheetsModified || form.Module()->ScrapsModified);

        // "Сохранить карты раскроя" of the main menu, on the results window.
        form.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(r->parentWidget()));
        form.updateActions();
        ASSERT_TRUE(form.Action(QStringLiteral("SaveMapsAction"))->isEnabled());
        const auto hook = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &s) {
            EXPECT_TRUE(s.save);
            EXPECT_EQ(s.folder, paths().MapsFolder());
            return mapFile;
        });
        form.Action(QStringLiteral("SaveMapsAction"))->trigger();
        EXPECT_EQ(r->windowTitle(), QStringLiteral("Карты раскроя: Кухня.map"));
        EXPECT_FALSE(doc.Modified);
        saved = doc;
        // Saved: it closes without a question.
        QPointer<TFormSheets> results(r);
        r->parentWidget()->close();
        QApplication::processEvents();
        EXPECT_TRUE(results.isNull());
    });
    ASSERT_GT(sheetsUsed, 0);
    EXPECT_LT(sheetsUsed, 10);
    EXPECT_EQ(ui.messages, QStringList{QString::fromUtf16(kAcceptQuestion)});

    // What the first day left in the program folder.
    EXPECT_EQ(sheetRows(paths().SheetsTable()), QStringList{QStringLiteral("2800x2070 %1 1").arg(10 - sheetsUsed)});
    EXPECT_EQ(sorted(scrapRows(paths().ScrapsTable())), scrapsAfter);
    for (const QString &row : scrapRows(paths().ScrapsTable())) {
        // Every off-cut row has a code and today's date.
        EXPECT_FALSE(row.startsWith(QLatin1Char(' '))) << row.toStdString();
    }
    for (const DbfRow &row : DbfFile::read(paths().ScrapsTable()).rows) {
        if (!row.deleted && row.values[0].toString().startsWith(QStringLiteral("К-"))) {
            EXPECT_EQ(row.values[5].toDate(), firstDay);
        }
    }
    EXPECT_FALSE(QFile::exists(paths().TempSheetsTable()));   // working copies gone at the end
    {
        TIniFile ini(paths().SettingsFile());
        // The options of the job's material, as they stood at OK (quantity not in them).
        TOptimSettings o = UnpackOptimSettings(ini, MaterialSection(1));
        EXPECT_TRUE(o.Enabled);
        EXPECT_EQ(o.SheetWidth, order.sheetLength);
        EXPECT_EQ(o.SheetHeight, order.sheetWidth);
        EXPECT_TRUE(o.UseScraps);
        EXPECT_TRUE(o.Standart);
        EXPECT_EQ(o.DefQuantity, 0);
        const TMarkSettings mark = UnpackMarkSettings(ini, MaterialSection(1));
        const TScrapSettings waste = UnpackScrapSettings(ini, MaterialSection(1));
        EXPECT_TRUE(waste.CheckLength && waste.CheckHeight && !waste.CheckLogicSumma);
        EXPECT_EQ(waste.Length, 200);
        EXPECT_EQ(waste.Height, 100);
        EXPECT_EQ(mark.MarkPrefix, QStringLiteral("К-"));
        EXPECT_TRUE(ini.ReadBool(QStringLiteral("Default"), QStringLiteral("AutoScrapsMark"), false));
        // The warehouse's layout and the recent part base.
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Scraps_Window"), QStringLiteral("Material"), -1), 1);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Files"), QStringLiteral("1"), QString()), partBase);
    }

    // The next day: the program remembers, and the map file opens as it was
    // saved and saves to the same bytes.
    clock.reset();
    clock.emplace(QDateTime(firstDay.addDays(1), QTime(8, 0)));
    ui.messages.clear();
    const QByteArray mapBytes = bytesOf(mapFile);
    ASSERT_FALSE(mapBytes.isEmpty());
    run([&](TMainForm &form) {
        EXPECT_TRUE(form.Action(QStringLiteral("AutoScrapsMarkAction"))->isChecked());
        EXPECT_EQ(form.RecentFiles().Paths(), QStringList{partBase});
        auto *w = qobject_cast<TfrmWareHouse *>(form.FindChildOfKind(ChildKind::Warehouse));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->CurrentMaterial(), 1);
        EXPECT_EQ(bytesOf(paths().TempSheetsTable()), bytesOf(paths().SheetsTable()));

        {
            const auto open = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &c) {
                EXPECT_EQ(c.folder, paths().MapsFolder());
                EXPECT_EQ(c.defaultExt, QStringLiteral("map"));
                return mapFile;
            });
            form.Action(QStringLiteral("OpenMapsAction"))->trigger();
        }
        auto *r = qobject_cast<TFormSheets *>(form.ActiveChild());
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->windowTitle(), QStringLiteral("Карты раскроя: Кухня.map"));
        const MapDocument &doc = r->Document();
        ASSERT_EQ(doc.Tabs.size(), saved.Tabs.size());
        for (size_t i = 0; i < doc.Tabs.size(); ++i) {
            const MapTab &a = saved.Tabs[i], &b = doc.Tabs[i];
            EXPECT_EQ(b.Caption, a.Caption) << i;
            EXPECT_EQ(b.MaterialCode, a.MaterialCode) << i;
            EXPECT_EQ(b.Quantity, a.Quantity) << i;
            EXPECT_EQ(b.SheetName, a.SheetName) << i;
            EXPECT_EQ(b.Parts, a.Parts) << i;
            EXPECT_EQ(b.Scraps, a.Scraps) << i;
            EXPECT_EQ(b.Cuts, a.Cuts) << i;
        }
        EXPECT_EQ(doc.UsingSheets, saved.UsingSheets);
        EXPECT_EQ(doc.MaterialCodes, saved.MaterialCodes);
        EXPECT_EQ(r->PageCount(), int(saved.Tabs.size()));

        const QString again = paths().MapsFolder() + QStringLiteral("Кухня, копия.map");
        const auto hook = kv::test::ScopedSet(ui.onFile, [&](const FileChoice &s) {
            EXPECT_EQ(s.fileName, QStringLiteral("Кухня.map"));   // its own file proposed
            return again;
        });
        form.updateActions();
        form.Action(QStringLiteral("SaveMapsAction"))->trigger();
        EXPECT_EQ(bytesOf(again), mapBytes);

        // The maps printed from the preview into a PDF file: the print
        // settings as they come, one page a map.
        const QString pdf = tmp.path() + QStringLiteral("/maps.pdf");
        {
            const auto preview = kv::test::ScopedSet(ui.onReport, [&](QObject &o) {
                auto &report = dynamic_cast<TrpReport &>(o);
                EXPECT_TRUE(report.Prepare()) << report.LastBuildError.toStdString();
                EXPECT_GT(printToPdf(report, pdf), 0);
                return true;
            });
            QStringList dialogs;
            const auto answer = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
                dialogs << d.windowTitle();
                if (auto *s = qobject_cast<TfrmPrintSetup *>(&d)) s->bbOkClick();
                else d.reject();
                return d.result();
            });
            r->PrintAction->trigger();
            EXPECT_EQ(dialogs, QStringList{QStringLiteral("Параметры печати раскроя")});
        }
        EXPECT_EQ(pdfPages(pdf), int(saved.Tabs.size()));
        keepPdf(pdf);

        printStatistics(r, saved);
        printStickers(form, r);
    });
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('\n').toStdString();
    EXPECT_EQ(sheetRows(paths().SheetsTable()), QStringList{QStringLiteral("2800x2070 %1 1").arg(10 - sheetsUsed)});
    // What the sticker and banding windows were told to keep.
    TIniFile ini(paths().SettingsFile());
    const QString labels = QStringLiteral("Print_Detals_Label");
    EXPECT_EQ(ini.ReadInteger(labels, QStringLiteral("Width"), -1), 60);
    EXPECT_EQ(ini.ReadInteger(labels, QStringLiteral("Height"), -1), 30);
    EXPECT_FALSE(ini.ReadBool(labels, QStringLiteral("cbxComment"), true));
    EXPECT_TRUE(ini.ReadBool(labels, QStringLiteral("cbxBorders"), false));
    EXPECT_EQ(ini.ReadInteger(labels, QStringLiteral("rgrAlignment"), -1), 2);
    EXPECT_EQ(ini.ReadString(labels, QStringLiteral("Font_Name"), QString()), QStringLiteral("Ms Sans Serif"));
    for (const char *side : {"Left", "Right", "Top", "Bottom"})
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Lbl_PageParams"), QString::fromLatin1(side), -1), 10) << side;
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("BorderInfo_Window"), QStringLiteral("ColWidth0"), -1), 140);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("BorderInfo_Window"), QStringLiteral("ColWidth1"), -1), 80);
}

// Parts laid out over the maps of a document, copies counted.
std::map<QString, int> LaidOut(const MapDocument &doc)
{
    std::map<QString, int> laid;
    for (const MapTab &t : doc.Tabs)
        for (const MapPart &p : t.Parts) laid[p.Title] += t.Quantity;
    return laid;
}

// Standard sheets cut, by size "LxW", repeat counts added.
std::map<QString, int> SheetsCut(const MapDocument &doc)
{
    std::map<QString, int> cut;
    for (const MapTab &t : doc.Tabs)
        if (!t.IsScraps) cut[QStringLiteral("%1x%2").arg(t.RealWidth).arg(t.RealHeight)] += t.Quantity;
    return cut;
}

const QString kUsedUpLeftover = QStringLiteral("ВНИМАНИЕ!\r\rРазложены не все детали!\rСоздать базу неразложенных деталей?");

// Two standard sheets of the size the job asks for, six of another: each
// answer of the used-up dialog, then the variant accepted and the warehouse
// saved. The warehouse holds exactly what the answer implies: nothing counted
// twice, nothing lost, nothing below zero.
TEST_F(WholeRoad, TooFewStandardSheetsEachAnswerOfTheUsedUpDialog)
{
    for (int choice : {0, 1, 2}) {
        SCOPED_TRACE(choice);
        root = tmp.path() + QStringLiteral("/Choice%1").arg(choice);
        ui.messages.clear();
        ui.answers.clear();
        std::map<QString, int> sheetsCut, laid;
        std::map<QString, int> left;   // the leftover base: part -> copies
        int asked = 0;
        run([&](TMainForm &form) {
            addMaterial(form);
            fillWarehouse(form, {{2800, 2070, 2}, {2750, 1830, 6}}, false);
            TfrmRaskroyGroup *g = importOrder(form, order, QStringLiteral("Кухня"));
            ASSERT_NE(g, nullptr);
            onNextModal<TfrmSheetsError>([&, choice](TfrmSheetsError &d) {
                ++asked;
                EXPECT_EQ(d.windowTitle(), QStringLiteral("Склад (стандартные листы)"));
                EXPECT_EQ(d.ItemIndex(), 0);
                child<QRadioButton>(&d, QStringLiteral("rgVariantsItem%1").arg(choice))->click();
                if (choice == 2)
                    onNextModal<TFormSelectSheets>([](TFormSelectSheets &s) {
                        // The sheets used up in this run are not offered.
                        EXPECT_EQ(s.grdSheets->DataSet()->RecordCount(), 1);
                        s.BBOk->click();
                    });
                d.bbNext->click();
            });
            if (choice == 0) ui.answers[kUsedUpLeftover] = ModalResult::Yes;
            TFormSheets *r = cut(form, false);
            ASSERT_NE(r, nullptr);
            MapDocument &doc = r->Document();
            sheetsCut = SheetsCut(doc);
            laid = LaidOut(doc);
            const TUsingSheets &using_ = doc.UsingSheets;
            if (choice == 2) {
                ASSERT_EQ(using_.Count(), 2);
                EXPECT_EQ(using_[1].Length, 2750);
                EXPECT_EQ(using_[1].Initial, 6);
                EXPECT_EQ(using_[1].Remaining, 6 - sheetsCut[QStringLiteral("2750x1830")]);
            } else {
                ASSERT_EQ(using_.Count(), 1);
            }
            EXPECT_EQ(using_[0].Length, 2800);
            EXPECT_EQ(using_[0].Initial, 2);
            EXPECT_EQ(using_[0].Remaining, 0);
            if (choice == 0) {
                // The parts not laid out went into a new part base of their own.
                TfrmRaskroyGroup *leftover = nullptr;
                for (TMdiChild *c : form.Children())
                    if (auto *lg = qobject_cast<TfrmRaskroyGroup *>(c); lg && lg != g) leftover = lg;
                ASSERT_NE(leftover, nullptr);
                EXPECT_TRUE(leftover->windowTitle().contains(QStringLiteral("Неразложенные детали базы Кухня.kdx")))
                    << leftover->windowTitle().toStdString();
                kv::Table &t = leftover->Document().table();
                for (t.First(); !t.Eof(); t.Next())
                    left[t.FieldByName(QStringLiteral("NAME"))->AsString()] += t.FieldByName(QStringLiteral("MANY"))->AsInteger();
                ui.answers[QStringLiteral("Сохранить изменения в документе \r%1 ?").arg(leftover->windowTitle())] =
                    ModalResult::No;
            }
            ui.answers[QString::fromUtf16(kAcceptQuestion)] = ModalResult::Yes;
            r->ApplyAction->trigger();
            form.Action(QStringLiteral("SaveSheetsAction"))->trigger();
            form.Action(QStringLiteral("SaveScrapsAction"))->trigger();
            EXPECT_EQ(sorted(scrapRows(paths().ScrapsTable())), ScrapsAfter({}, doc, 1));
            ui.answers[QStringLiteral("Карты раскроя \"%1\" были изменеы.\rСохранить?").arg(r->windowTitle())] =
                ModalResult::No;
        });
        EXPECT_EQ(asked, 1);
        // Every copy of the order is either on a map or in the leftover base.
        for (const OrderPart &p : order.parts)
            EXPECT_EQ(laid[p.name] + (left.count(p.name) ? left.at(p.name) : 0), p.many) << p.name.toStdString();
        const int other = sheetsCut[QStringLiteral("2750x1830")];
        switch (choice) {
        case 0:   // stopped when the two sheets were cut
            EXPECT_EQ(sheetsCut[QStringLiteral("2800x2070")], 2);
            EXPECT_EQ(other, 0);
            EXPECT_FALSE(left.empty());
            break;
        case 1:   // went on with the same size without counting
            EXPECT_GT(sheetsCut[QStringLiteral("2800x2070")], 2);
            EXPECT_EQ(other, 0);
            break;
        case 2:   // went on with the other size, counted
            EXPECT_EQ(sheetsCut[QStringLiteral("2800x2070")], 2);
            EXPECT_GT(other, 0);
            EXPECT_LE(other, 6);
            break;
        }
        if (choice != 0) {
            EXPECT_TRUE(left.empty());
        }
        EXPECT_EQ(sheetRows(paths().SheetsTable()),
                  (QStringList{"2800x2070 0 1", QStringLiteral("2750x1830 %1 1").arg(6 - other)}));
    }
}

// A large job: the results window closed while it runs ends the job with
// the warehouse untouched; a second run stopped with "прервать" keeps the
// maps made so far, and accepting them takes exactly their sheets.
TEST_F(WholeRoad, ALargeJobClosedOrStoppedMidwayTakesOnlyWhatWasAccepted)
{
    const Order large = ReadOrder(QStringLiteral(KV_SOURCE_DIR "/bench/data/large.txt"));
    ASSERT_EQ(large.parts.size(), 200u);
    int counted = -1;
    run([&](TMainForm &form) {
        addMaterial(form);
        fillWarehouse(form, {{2800, 2070, 300}}, false);
        TfrmRaskroyGroup *g = importOrder(form, large, QStringLiteral("Большой заказ"));
        ASSERT_NE(g, nullptr);
        const QByteArray sheetsBefore = bytesOf(paths().TempSheetsTable());

        // Closed as soon as the run is under way.
        bool closed = false;
        std::function<void()> closeIt = [&] {
            TFormSheets *r = lastResults(form);
            if (!r || !r->Running()) {
                QTimer::singleShot(10, closeIt);
                return;
            }
            EXPECT_TRUE(form.RaskroyBusy());
            r->parentWidget()->close();
            closed = true;
        };
        QTimer::singleShot(0, closeIt);
        cut(form, false);
        ASSERT_TRUE(closed);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(lastResults(form), nullptr);
        EXPECT_FALSE(form.RaskroyBusy());
        EXPECT_FALSE(QFile::exists(paths().JobOptionsFile()));
        EXPECT_EQ(bytesOf(paths().TempSheetsTable()), sheetsBefore);
        EXPECT_FALSE(form.Module()->SheetsModified || form.Module()->ScrapsModified);

        // Stopped after its first maps.
        form.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(g->parentWidget()));
        ui.answers[QStringLiteral("Действительно прервать разложение?")] = ModalResult::Yes;
        bool stopped = false;
        std::function<void()> stopIt = [&] {
            TFormSheets *r = lastResults(form);
            if (!r || !r->Running() || r->Document().Tabs.empty()) {
                QTimer::singleShot(10, stopIt);
                return;
            }
            r->AbortRaskroyAction->trigger();
            stopped = true;
        };
        QTimer::singleShot(0, stopIt);
        TFormSheets *r = cut(form, false);
        ASSERT_TRUE(stopped);
        ASSERT_NE(r, nullptr);
        EXPECT_FALSE(r->Running());
        const MapDocument &doc = r->Document();
        ASSERT_FALSE(doc.Tabs.empty());
        counted = SheetsCut(doc)[QStringLiteral("2800x2070")];
        EXPECT_GT(counted, 0);
        ASSERT_EQ(doc.UsingSheets.Count(), 1);
        EXPECT_EQ(doc.UsingSheets[0].Remaining, 300 - counted);
        int laid = 0;
        for (const auto &[name, copies] : LaidOut(doc)) laid += copies;
        EXPECT_LT(laid, 5000);
        EXPECT_EQ(bytesOf(paths().TempSheetsTable()), sheetsBefore);   // nothing taken before the accept

        ui.answers[QString::fromUtf16(kAcceptQuestion)] = ModalResult::Yes;
        r->ApplyAction->trigger();
        form.Action(QStringLiteral("SaveSheetsAction"))->trigger();
        form.Action(QStringLiteral("SaveScrapsAction"))->trigger();
        ui.answers[QStringLiteral("Карты раскроя \"%1\" были изменеы.\rСохранить?").arg(r->windowTitle())] =
            ModalResult::No;
    });
    EXPECT_EQ(sheetRows(paths().SheetsTable()), QStringList{QStringLiteral("2800x2070 %1 1").arg(300 - counted)});
    EXPECT_TRUE(ui.messages.contains(QStringLiteral("Действительно прервать разложение?")));
}

} // namespace
