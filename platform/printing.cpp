#include "platform/printing.h"

#include <QAtomicInt>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace kv {

namespace {

QAtomicInt &queries()
{
    static QAtomicInt n;
    return n;
}

void asked() { queries().fetchAndAddRelaxed(1); }

// The platform's bin codes of the paper sources.
int binCode(QPrinter::PaperSource s)
{
    switch (s) {
    case QPrinter::OnlyOne: return 1;
    case QPrinter::Lower: return 2;
    case QPrinter::Middle: return 3;
    case QPrinter::Manual: return 4;
    case QPrinter::Envelope: return 5;
    case QPrinter::EnvelopeManual: return 6;
    case QPrinter::Auto: return 7;
    case QPrinter::Tractor: return 8;
    case QPrinter::SmallFormat: return 9;
    case QPrinter::LargeFormat: return 10;
    case QPrinter::LargeCapacity: return 11;
    case QPrinter::Cassette: return 14;
    case QPrinter::FormSource: return 15;
    default: return 0;
    }
}

QString binName(QPrinter::PaperSource s)
{
    switch (s) {
    case QPrinter::OnlyOne: return QStringLiteral("Only one");
    case QPrinter::Lower: return QStringLiteral("Lower");
    case QPrinter::Middle: return QStringLiteral("Middle");
    case QPrinter::Manual: return QStringLiteral("Manual");
    case QPrinter::Envelope: return QStringLiteral("Envelope");
    case QPrinter::EnvelopeManual: return QStringLiteral("Envelope manual");
    case QPrinter::Auto: return QStringLiteral("Automatically select");
    case QPrinter::Tractor: return QStringLiteral("Tractor");
    case QPrinter::SmallFormat: return QStringLiteral("Small format");
    case QPrinter::LargeFormat: return QStringLiteral("Large format");
    case QPrinter::LargeCapacity: return QStringLiteral("Large capacity");
    case QPrinter::Cassette: return QStringLiteral("Cassette");
    case QPrinter::FormSource: return QStringLiteral("Form source");
    default: return QString();
    }
}

int rounded(double v) { return int(std::nearbyint(v)); }

class QtPrintSystem : public PrintSystem
{
public:
    QStringList PrinterNames() override
    {
        asked();
        return QPrinterInfo::availablePrinterNames();
    }

    QString DefaultPrinter() override
    {
        asked();
        return QPrinterInfo::defaultPrinterName();
    }

    bool ReadPrinter(const QString &name, PrinterProfile &profile) override
    {
        asked();
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) return false;
        QPrinter p(info, QPrinter::HighResolution);
        return read(info, p, profile);
    }

    bool PropertiesDialog(const QString &name, QWidget *parent, PrinterProfile &profile) override
    {
        asked();
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) return false;
        QPrinter p(info, QPrinter::HighResolution);
        QPageSetupDialog dialog(&p, parent);
        return dialog.exec() == QDialog::Accepted && read(info, p, profile);
    }

private:
    // One printer object answers every paper: its device is read once.
    static bool read(const QPrinterInfo &info, QPrinter &p, PrinterProfile &profile)
    {
        if (!p.isValid()) return false;
        PrinterProfile r;
        r.Name = info.printerName();
        r.DpiX = r.DpiY = p.resolution();
        const QPageLayout start = p.pageLayout();
        const int startCode = start.pageSize().windowsId();
        r.PaperSize = start.pageSize().id() == QPageSize::Custom || startCode <= 0 ? 256 : startCode;
        r.Orientation = start.orientation() == QPageLayout::Landscape ? 1 : 0;
        const QPrinter::PaperSource source = p.paperSource();
        for (const QPageSize &s : info.supportedPageSizes()) {
            const int code = s.windowsId();
            // 256 is the custom size, which is no paper of the list.
            if (code <= 0 || code == 256 || r.FindPaper(code) || r.Papers.size() >= 256) continue;
            PrinterPaper paper;
            paper.Code = code;
            paper.Name = s.name().left(64);
            const QSizeF mm = s.size(QPageSize::Millimeter);
            paper.Width = rounded(mm.width() * 10);
            paper.Height = rounded(mm.height() * 10);
            for (int o = 0; o < 2; ++o) {
                p.setPageOrientation(o ? QPageLayout::Landscape : QPageLayout::Portrait);
                p.setPageSize(s);
                paper.Sheet[o] = p.paperRect(QPrinter::DevicePixel).toRect();
                paper.Printable[o] = p.pageRect(QPrinter::DevicePixel).toRect();
            }
            r.Papers.append(paper);
        }
        r.CustomSizes = info.supportsCustomPageSizes();
        // A size that no paper of the printer matches shows the custom margins.
        p.setPageOrientation(QPageLayout::Portrait);
        p.setPageSize(QPageSize(QSizeF(123.4, 234.5), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        const QRect sheet = p.paperRect(QPrinter::DevicePixel).toRect();
        const QRect page = p.pageRect(QPrinter::DevicePixel).toRect();
        r.CustomMargins[0] = page.left() - sheet.left();
        r.CustomMargins[1] = page.top() - sheet.top();
        r.CustomMargins[2] = sheet.right() - page.right();
        r.CustomMargins[3] = sheet.bottom() - page.bottom();
        p.setPageLayout(start);
        // Qt names no bins of a printer: the list keeps the source in use, if any.
        if (source != QPrinter::Auto && binCode(source) > 0) {
            r.BinCodes.append(binCode(source));
            r.BinNames.append(binName(source));
        }
        r.Bin = source == QPrinter::Auto ? -1 : binCode(source);
        profile = r;
        return true;
    }
};

} // namespace

const PrinterPaper *PrinterProfile::FindPaper(int code) const
{
    for (const PrinterPaper &p : Papers)
        if (p.Code == code) return &p;
    return nullptr;
}

std::unique_ptr<PrintSystem> CreateQtPrintSystem() { return std::make_unique<QtPrintSystem>(); }

int PrintSystemQueries() { return queries().loadRelaxed(); }

void PrintSystem::Target(QPrinter &printer, const QString &name)
{
    TargetPrinter(printer, name);
}

void TargetPrinter(QPrinter &printer, const QString &printerName, const QString &pdfFile)
{
    if (printerName.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        // An empty file name would take the printer back to the default one.
        if (!pdfFile.isEmpty()) printer.setOutputFileName(pdfFile);
        return;
    }
    asked();
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(printerName);
}

} // namespace kv
