#include "report/output/printer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/canvas.h"
#include "report/core/utils.h"
#include "report/core/value.h"

namespace {

int rnd(double v) { return int(kv::roundHalfEven(v)); }

} // namespace

int rpTenthsMmToUnits(int tenths) { return rnd(tenths * rpUnitsPerInch / 254); }
int rpUnitsToTenthsMm(int units) { return rnd(units * 10.0 * 5 / 18); }

// ---------------------------------------------------------------- paper table
const QVector<TrpPaper> &rpStandardPapers()
{
    static const QVector<TrpPaper> table = [] {
        struct Row { int code; const char *name; int w, h; };
        // Names stand in for engine texts 55008-55074 when those are not localised.
        static const Row rows[] = {
            {1, "Letter, 8 1/2 x 11\"", 2159, 2794}, {2, "Letter small, 8 1/2 x 11\"", 2159, 2794},
            {3, "Tabloid, 11 x 17\"", 2794, 4318}, {4, "Ledger, 17 x 11\"", 4318, 2794},
            {5, "Legal, 8 1/2 x 14\"", 2159, 3556}, {6, "Statement, 5 1/2 x 8 1/2\"", 1397, 2159},
            {7, "Executive, 7 1/4 x 10 1/2\"", 1842, 2667}, {8, "A3 297 x 420 mm", 2970, 4200},
            {9, "A4 210 x 297 mm", 2100, 2970}, {10, "A4 small sheet, 210 x 297 mm", 2100, 2970},
            {11, "A5 148 x 210 mm", 1480, 2100}, {12, "B4 250 x 354 mm", 2500, 3540},
            {13, "B5 182 x 257 mm", 1820, 2570}, {14, "Folio, 8 1/2 x 13\"", 2159, 3302},
            {15, "Quarto Sheet, 215 x 275 mm", 2150, 2750}, {16, "10 x 14\"", 2540, 3556},
            {17, "11 x 17\"", 2794, 4318}, {18, "Note, 8 1/2 x 11\"", 2159, 2794},
            {19, "9 Envelope, 3 7/8 x 8 7/8\"", 984, 2254}, {20, "#10 Envelope, 4 1/8  x 9 1/2\"", 1048, 2413},
            {21, "#11 Envelope, 4 1/2 x 10 3/8\"", 1143, 2635}, {22, "#12 Envelope, 4 3/4 x 11\"", 1207, 2794},
            {23, "#14 Envelope, 5 x 11 1/2\"", 1270, 2921}, {24, "C Sheet, 17 x 22\"", 4318, 5588},
            {25, "D Sheet, 22 x 34\"", 5588, 8636}, {26, "E Sheet, 34 x 44\"", 8636, 11176},
            {27, "DL Envelope, 110 x 220 mm", 1100, 2200}, {28, "C5 Envelope, 162 x 229 mm", 1620, 2290},
            {29, "C3 Envelope,  324 x 458 mm", 3240, 4580}, {30, "C4 Envelope,  229 x 324 mm", 2290, 3240},
            {31, "C6 Envelope,  114 x 162 mm", 1140, 1620}, {32, "C65 Envelope, 114 x 229 mm", 1140, 2290},
            {33, "B4 Envelope,  250 x 353 mm", 2500, 3530}, {34, "B5 Envelope,  176 x 250 mm", 1760, 2500},
            {35, "B6 Envelope,  176 x 125 mm", 1760, 1250}, {36, "Italy Envelope, 110 x 230 mm", 1100, 2300},
            {37, "Monarch Envelope, 3 7/8 x 7 1/2\"", 984, 1905}, {38, "6 3/4 Envelope, 3 5/8 x 6 1/2\"", 920, 1651},
            {39, "US Std Fanfold, 14 7/8 x 11\"", 3778, 2794}, {40, "German Std Fanfold, 8 1/2 x 12\"", 2159, 3048},
            {41, "German Legal Fanfold, 8 1/2 x 13\"", 2159, 3302}, {42, "B4 (ISO) 250 x 353 mm", 2500, 3530},
            {43, "Japanese Postcard 100 x 148 mm", 1000, 1480}, {44, "9 x 11\"", 2286, 2794},
            {45, "10 x 11\"", 2540, 2794}, {46, "15 x 11\"", 3810, 2794},
            {47, "Envelope Invite 220 x 220 mm", 2200, 2200}, {50, "Letter Extra 9 \\275 x 12\"", 2355, 3048},
            {51, "Legal Extra 9 \\275 x 15\"", 2355, 3810}, {52, "Tabloid Extra 11.69 x 18\"", 2969, 4572},
            {53, "A4 Extra 9.27 x 12.69\"", 2354, 3223}, {54, "Letter Transverse 8 \\275 x 11\"", 2101, 2794},
            {55, "A4 Transverse 210 x 297 mm", 2100, 2970}, {56, "Letter Extra Transverse 9\\275 x 12\"", 2355, 3048},
            {57, "SuperA/SuperA/A4 227 x 356 mm", 2270, 3560}, {58, "SuperB/SuperB/A3 305 x 487 mm", 3050, 4870},
            {59, "Letter Plus 8.5 x 12.69\"", 2159, 3223}, {60, "A4 Plus 210 x 330 mm", 2100, 3300},
            {61, "A5 Transverse 148 x 210 mm", 1480, 2100}, {62, "B5 (JIS) Transverse 182 x 257 mm", 1820, 2570},
            {63, "A3 Extra 322 x 445 mm", 3220, 4450}, {64, "A5 Extra 174 x 235 mm", 1740, 2350},
            {65, "B5 (ISO) Extra 201 x 276 mm", 2010, 2760}, {66, "A2 420 x 594 mm", 4200, 5940},
            {67, "A3 Transverse 297 x 420 mm", 2970, 4200}, {68, "A3 Extra Transverse 322 x 445 mm", 3220, 4450},
            {256, "Custom size", 0, 0},
        };
        QVector<TrpPaper> t;
        int text = 55008;
        for (const Row &r : rows) {
            QString name = LoadEngineString(text++);
            if (name.isEmpty()) name = QString::fromUtf8(r.name);
            t.append({r.code, name, r.w, r.h});
        }
        return t;
    }();
    return table;
}

const TrpPaper *rpFindStandardPaper(int code)
{
    for (const TrpPaper &p : rpStandardPapers())
        if (p.Code == code) return &p;
    return nullptr;
}

QPageSize rpQtPageSize(int paperSize, int width, int height, int orientation)
{
    if (paperSize != rpCustomPaper) {
        const QPageSize::PageSizeId id = QPageSize::id(paperSize);
        if (id != QPageSize::Custom) return QPageSize(id);
    }
    if (width <= 0 || height <= 0) return QPageSize();
    // Sizes come as oriented; the page size is the portrait sheet.
    int w = width, h = height;
    if (orientation == 1 && w > h) std::swap(w, h);
    return QPageSize(QSizeF(w / 10.0, h / 10.0), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

// ---------------------------------------------------------------- engine printer
namespace {

QString defaultBinName()
{
    const QString t = LoadEngineString(55435);
    return t.isEmpty() ? QStringLiteral("Default") : t;
}

} // namespace

TrpPrinter::TrpPrinter()
{
    m_printers << LoadEngineString(55007);
    m_index = 0;
    useVirtual();
}

TrpPrinter::~TrpPrinter() = default;

void TrpPrinter::SetPlatform(std::unique_ptr<kv::PrintSystem> platform)
{
    m_platform = std::move(platform);
    AssignPrinter();
}

void TrpPrinter::AssignPrinter()
{
    QStringList names;
    QString def;
    if (m_platform) {
        ++m_calls;
        names = m_platform->PrinterNames();
        if (!names.isEmpty()) {
            ++m_calls;
            def = m_platform->DefaultPrinter();
        }
    }
    m_printers = names;
    m_printers << LoadEngineString(55007);
    if (names.isEmpty()) {
        m_index = VirtualPrinterIndex();
        useVirtual();
        return;
    }
    const int i = int(names.indexOf(def));
    m_index = i < 0 ? 0 : i;
    ReadSettings();
}

void TrpPrinter::RefreshPrinters()
{
    if (!m_platform) return;
    ++m_calls;
    const QStringList names = m_platform->PrinterNames();
    const bool wasVirtual = IsVirtual();
    const QString current = PrinterName();
    m_printers = names;
    m_printers << LoadEngineString(55007);
    const int i = wasVirtual ? -1 : int(names.indexOf(current));
    if (i >= 0) {
        m_index = i;
    } else {
        m_index = VirtualPrinterIndex();
        if (!wasVirtual) useVirtual();
    }
}

QString TrpPrinter::PrinterName() const
{
    return m_index >= 0 && m_index < m_printers.size() ? m_printers[m_index] : QString();
}

void TrpPrinter::SetPrinterIndex(int index)
{
    if (index == m_index || index < 0 || index >= m_printers.size()) return;
    m_index = index;
    if (IsVirtual())
        useVirtual();
    else
        ReadSettings();
}

void TrpPrinter::ReadSettings()
{
    if (IsVirtual() || !m_platform) {
        m_index = VirtualPrinterIndex();
        useVirtual();
        return;
    }
    kv::PrinterProfile profile;
    ++m_calls;
    if (!m_platform->ReadPrinter(PrinterName(), profile)) {
        // A printer that cannot be read gives way to the virtual printer.
        m_index = VirtualPrinterIndex();
        useVirtual();
        return;
    }
    useProfile(profile);
}

void TrpPrinter::useProfile(const kv::PrinterProfile &profile)
{
    m_profile = profile;
    PaperCodes.clear();
    PaperNames.clear();
    for (const kv::PrinterPaper &p : profile.Papers) {
        PaperCodes.append(p.Code);
        PaperNames.append(p.Name);
    }
    PaperSize = profile.PaperSize;
    Orientation = profile.Orientation;
    if (const kv::PrinterPaper *p = profile.FindPaper(PaperSize)) {
        PaperWidth = Orientation == 1 ? p->Height : p->Width;
        PaperHeight = Orientation == 1 ? p->Width : p->Height;
    }
    Bin = profile.Bin;
    BinCodes = QVector<int>{rpDefaultBin} + profile.BinCodes;
    BinNames = QStringList{defaultBinName()} + profile.BinNames;
    rememberPaper();
}

void TrpPrinter::useVirtual()
{
    m_profile = kv::PrinterProfile();
    PaperCodes.clear();
    PaperNames.clear();
    for (const TrpPaper &p : rpStandardPapers()) {
        PaperCodes.append(p.Code);
        PaperNames.append(p.Name);
    }
    BinCodes = {rpDefaultBin};
    BinNames = {defaultBinName()};
    applyVirtualPaper();
    rememberPaper();
}

void TrpPrinter::applyVirtualPaper()
{
    if (PaperSize == rpCustomPaper) return;
    if (const TrpPaper *p = rpFindStandardPaper(PaperSize)) {
        PaperWidth = p->Width;
        PaperHeight = p->Height;
        if (Orientation == 1) std::swap(PaperWidth, PaperHeight);
    }
}

void TrpPrinter::applyProfilePaper()
{
    // What the printer would answer: a paper it offers with its own size, a
    // custom size as asked; a paper it lacks is refused and the last one stays.
    if (PaperSize != rpCustomPaper) {
        const kv::PrinterPaper *p = m_profile.FindPaper(PaperSize);
        if (!p) {
            PaperSize = m_last.Size;
            PaperWidth = m_last.Width;
            PaperHeight = m_last.Height;
            p = m_profile.FindPaper(PaperSize);
        }
        if (p) {
            PaperWidth = Orientation == 1 ? p->Height : p->Width;
            PaperHeight = Orientation == 1 ? p->Width : p->Height;
        }
    }
    if (Bin != rpDefaultBin && !BinCodes.contains(Bin)) Bin = m_last.Bin;
}

void TrpPrinter::ApplySettings()
{
    if (IsVirtual() || !m_platform)
        applyVirtualPaper();
    else
        applyProfilePaper();
    rememberPaper();
}

void TrpPrinter::rememberPaper() { m_last = {PaperSize, PaperWidth, PaperHeight, Bin}; }

bool TrpPrinter::IsEqualTo(int paperSize, int width, int height, int orientation, int bin) const
{
    if (paperSize != PaperSize) return false;
    if (paperSize == rpCustomPaper && PaperSize == rpCustomPaper)
        return std::abs(width - PaperWidth) <= 1 && std::abs(height - PaperHeight) <= 1 && orientation == Orientation;
    return orientation == Orientation && (bin == Bin || bin == rpDefaultBin);
}

void TrpPrinter::SetPrinterInfo(int paperSize, int width, int height, int orientation, int bin, bool force)
{
    if (Printing) return;
    if (!force && IsEqualTo(paperSize, width, height, orientation, bin)) return;
    PaperSize = paperSize;
    PaperWidth = width;
    PaperHeight = height;
    Orientation = orientation;
    Bin = bin;
    ApplySettings();
}

void TrpPrinter::FillPageMetrics(TrpPageMetrics &m) const
{
    m = TrpPageMetrics();
    if (IsVirtual() || !m_platform) {
        m.Width = rpTenthsMmToUnits(PaperWidth);
        m.Height = rpTenthsMmToUnits(PaperHeight);
        m.OffsetX = m.OffsetY = rpTenthsMmToUnits(50);
        m.PrintableWidth = m.Width - 2 * m.OffsetX;
        m.PrintableHeight = m.Height - 2 * m.OffsetY;
        return;
    }
    const int o = Orientation == 1 ? 1 : 0;
    QRect sheet, printable;
    const kv::PrinterPaper *p = PaperSize == rpCustomPaper ? nullptr : m_profile.FindPaper(PaperSize);
    if (p) {
        sheet = p->Sheet[o];
        printable = p->Printable[o];
    } else {
        sheet = QRect(0, 0, rnd(PaperWidth * m_profile.DpiX / 254.0), rnd(PaperHeight * m_profile.DpiY / 254.0));
        const int *e = m_profile.CustomMargins;
        printable = sheet.adjusted(e[0], e[1], -e[2], -e[3]);
    }
    const double kx = rpUnitsPerInch / std::max(1, m_profile.DpiX), ky = rpUnitsPerInch / std::max(1, m_profile.DpiY);
    m.DeviceWidth = sheet.width();
    m.DeviceHeight = sheet.height();
    m.DeviceOffsetX = printable.left() - sheet.left();
    m.DeviceOffsetY = printable.top() - sheet.top();
    m.DevicePrintableWidth = printable.width();
    m.DevicePrintableHeight = printable.height();
    m.Width = rnd(m.DeviceWidth * kx);
    m.Height = rnd(m.DeviceHeight * ky);
    m.OffsetX = rnd(m.DeviceOffsetX * kx);
    m.OffsetY = rnd(m.DeviceOffsetY * ky);
    m.PrintableWidth = rnd(m.DevicePrintableWidth * kx);
    m.PrintableHeight = rnd(m.DevicePrintableHeight * ky);
}

bool TrpPrinter::PropertiesDialog(QWidget *parent)
{
    if (IsVirtual() || !m_platform) return false;
    kv::PrinterProfile profile;
    ++m_calls;
    if (!m_platform->PropertiesDialog(PrinterName(), parent, profile)) return false;
    useProfile(profile);
    return true;
}

namespace {

struct EnginePrinter
{
    TrpPrinter printer;
    int defaultPaper = 9;
};

EnginePrinter &enginePrinter()
{
    static EnginePrinter p;
    return p;
}

} // namespace

TrpPrinter &rpPrinter() { return enginePrinter().printer; }
int rpDefaultPaperSize() { return enginePrinter().defaultPaper; }

void rpAssignPrintSystem(std::unique_ptr<kv::PrintSystem> system)
{
    EnginePrinter &e = enginePrinter();
    // As at the start of the engine: A4 portrait until a printer says otherwise.
    TrpPrinter &p = e.printer;
    p.PaperSize = 9;
    p.Orientation = 0;
    p.Bin = rpDefaultBin;
    p.SetPlatform(std::move(system));
    // A printer without a readable paper keeps the virtual printer's A4.
    e.defaultPaper = p.PaperSize;
}

void TrpPrinter::Target(QPrinter &printer, const QString &pdfFile) const
{
    if (IsVirtual()) kv::TargetPrinter(printer, QString(), pdfFile);
    else if (m_platform) m_platform->Target(printer, PrinterName());
    else kv::TargetPrinter(printer, PrinterName());
}

void rpTargetPrinter(QPrinter &printer, const QString &pdfFile)
{
    rpPrinter().Target(printer, pdfFile);
}

// ---------------------------------------------------------------- page lists
namespace {

qint64 pageNumber(const QString &item)
{
    bool ok = !item.isEmpty();
    for (QChar c : item)
        if (!c.isDigit() || c.unicode() > '9') ok = false;
    qint64 v = 0;
    if (ok) v = item.toLongLong(&ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(item));
    return v;
}

} // namespace

TrpPageList TrpPageList::Parse(const QString &text, int pageCount)
{
    TrpPageList list;
    QString t = text;
    t.remove(QLatin1Char(' '));
    if (t.isEmpty()) return list;
    if (t.endsWith(QLatin1Char('-'))) t += QString::number(pageCount);
    for (const QString &item : t.split(QLatin1Char(','))) {
        const qsizetype dash = item.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            const qint64 n = pageNumber(item);
            list.m_ranges.append({n, n});
        } else {
            const qint64 a = pageNumber(item.left(dash));
            const qint64 b = pageNumber(item.mid(dash + 1));
            list.m_ranges.append({a, b});   // b < a selects nothing
        }
    }
    return list;
}

bool TrpPageList::Contains(int page) const
{
    for (const auto &r : m_ranges)
        if (page >= r.first && page <= r.second) return true;
    return false;
}

// ---------------------------------------------------------------- printing
int rpPrintPages(QPrinter &printer, const QList<TrpPrintPage> &pages, const TrpPrintOptions &options,
                 const TrpPageDrawer &draw)
{
    const TrpPageList list = TrpPageList::Parse(options.Pages, int(pages.size()));
    QList<int> chosen;
    for (int n = 1; n <= pages.size(); ++n) {
        if (!list.IsEmpty() && !list.Contains(n)) continue;
        if (options.OddEven == 1 && n % 2 == 0) continue;
        if (options.OddEven == 2 && n % 2 == 1) continue;
        chosen.append(n - 1);
    }
    if (chosen.isEmpty()) return 0;
    for (int i : chosen) {
        const TrpPrintPage &p = pages[i];
        if (!rpQtPageSize(p.PaperSize, p.PaperWidth, p.PaperHeight, p.Orientation).isValid())
            throw kv::Error(LoadEngineString(55210));
    }

    const int copies = std::max(1, options.Copies);
    printer.setDocName(options.Title.isEmpty() ? LoadEngineString(55209) : options.Title);
    printer.setFullPage(true);
    printer.setCopyCount(options.Collate ? 1 : copies);
    printer.setCollateCopies(options.Collate);
    // A device that cannot make copies itself (the PDF output) gets each page
    // as many times as there are copies.
    const int eachPage = !options.Collate && copies > 1 && !printer.supportsMultipleCopies() ? copies : 1;
    if (eachPage > 1) printer.setCopyCount(1);

    struct PrintingFlag
    {
        PrintingFlag() { rpPrinter().Printing = true; }
        ~PrintingFlag() { rpPrinter().Printing = false; }
    } flag;

    auto layoutOf = [](const TrpPrintPage &p) {
        return QPageLayout(rpQtPageSize(p.PaperSize, p.PaperWidth, p.PaperHeight, p.Orientation),
                           p.Orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
    };
    printer.setPageLayout(layoutOf(pages[chosen.first()]));
    QPainter painter;
    if (!painter.begin(&printer)) throw kv::Error(LoadEngineString(55210));
    int sheets = 0;
    const int rounds = options.Collate ? copies : 1;
    for (int round = 0; round < rounds; ++round) {
        for (int i : chosen) {
            for (int copy = 0; copy < eachPage; ++copy) {
                if (options.Stopped && options.Stopped()) {
                    painter.end();
                    printer.abort();
                    return sheets;
                }
                if (sheets > 0) {
                    printer.setPageLayout(layoutOf(pages[i]));
                    printer.newPage();
                }
                const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
                TrpCanvas canvas(&painter, TrpCanvasKind::Printer);
                canvas.Font = rpPrinter().CanvasFont;
                draw(i, canvas, TrpRect{0, 0, paper.width(), paper.height()});
                ++sheets;
            }
        }
    }
    painter.end();
    return sheets;
}

void rpTakePrinterChoice(const QPrinter &chosen)
{
    TrpPrinter &engine = rpPrinter();
    const QString name = chosen.printerName();
    if (!name.isEmpty())
        for (int i = 0; i < engine.Printers().size(); ++i)
            if (engine.Printers()[i].compare(name, Qt::CaseInsensitive) == 0) {
                engine.SetPrinterIndex(i);
                break;
            }
    const QPageLayout layout = chosen.pageLayout();
    const QSizeF size = layout.pageSize().size(QPageSize::Millimeter);
    const int orientation = layout.orientation() == QPageLayout::Landscape ? 1 : 0;
    int code = layout.pageSize().windowsId();
    if (code <= 0) code = rpCustomPaper;
    engine.SetPrinterInfo(code, rnd(size.width() * 10), rnd(size.height() * 10), orientation, engine.Bin, true);
}
