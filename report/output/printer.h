#pragma once
// The engine's printer layer. Reports never talk to a platform printer
// directly: one engine printer lists the platform's printers plus a virtual
// printer that needs none, keeps the current paper, orientation and bin,
// reads the paper and bin lists and converts the printer's metrics into page
// units (93 / 1.015 per inch). Paper sizes are in tenths of a millimetre.
#include "report/core/canvas.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;

constexpr double rpUnitsPerInch = 93 / 1.015;      // 91.6256157635468
constexpr int rpCustomPaper = 256;
constexpr int rpDefaultBin = -1;

// Tenths of a millimetre <-> page units, rounded halves to even.
int rpTenthsMmToUnits(int tenths);
// Page units <-> tenths of a millimetre as the page's "Width"/"Height"
// properties convert them (x 18 / 5).
int rpUnitsToTenthsMm(int units);

struct TrpPageMetrics
{
    int DeviceWidth = 0, DeviceHeight = 0;         // device pixels
    int Width = 0, Height = 0;                     // page units
    int DeviceOffsetX = 0, DeviceOffsetY = 0;      // the unprintable margin
    int OffsetX = 0, OffsetY = 0;
    int DevicePrintableWidth = 0, DevicePrintableHeight = 0;
    int PrintableWidth = 0, PrintableHeight = 0;
    bool operator==(const TrpPageMetrics &o) const = default;
};

struct TrpPaper
{
    int Code;
    QString Name;
    int Width, Height;                             // tenths of a millimetre
};
// The 67 rows of the standard paper table (codes 1-47, 50-68, 256 custom).
const QVector<TrpPaper> &rpStandardPapers();
// The standard row of a code, nullptr when none.
const TrpPaper *rpFindStandardPaper(int code);

// What the platform tells about one printer (filled over Qt Print Support;
// tests give their own).
struct TrpPlatformPrinterInfo
{
    QString Name;
    int PaperSize = 9;                             // paper code
    int PaperWidth = 0, PaperHeight = 0;           // tenths of a millimetre, as oriented
    int Orientation = 0;
    QVector<int> PaperCodes;
    QStringList PaperNames;
    QVector<int> BinCodes;                         // without the default entry
    QStringList BinNames;
    int Bin = rpDefaultBin;
    int DpiX = 600, DpiY = 600;
    // Sheet and printable area at DpiX/DpiY, for the current paper and orientation.
    int PhysicalWidth = 0, PhysicalHeight = 0;
    int OffsetX = 0, OffsetY = 0;
    int PrintableWidth = 0, PrintableHeight = 0;
};

// The platform's printers. The default one goes over QPrinterInfo/QPrinter.
class TrpPlatformPrinters
{
public:
    virtual ~TrpPlatformPrinters() = default;
    virtual QStringList Names() = 0;
    virtual int DefaultIndex() = 0;                // -1 when none
    // False when the printer cannot be read.
    virtual bool Read(const QString &name, TrpPlatformPrinterInfo &info) = 0;
    // Asks the printer for a paper (code, or rpCustomPaper with the size),
    // orientation and bin; the printer's answer is read back by Read.
    virtual bool Apply(const QString &name, int paperSize, int width, int height, int orientation, int bin) = 0;
    // The printer's own properties dialog; true on OK.
    virtual bool PropertiesDialog(const QString &name, QWidget *parent) { (void)name; (void)parent; return false; }
};
std::unique_ptr<TrpPlatformPrinters> rpCreateQtPrinters();

class TrpPrinter
{
public:
    TrpPrinter();
    ~TrpPrinter();

    // Replaces the platform (tests); rebuilds the list.
    void SetPlatform(std::unique_ptr<TrpPlatformPrinters> platform);
    // Rebuilds the list (platform printers, then the virtual printer), takes
    // the platform's current printer and reads it, or applies the virtual printer.
    void AssignPrinter();
    void SetPrinterIndex(int index);
    void ReadSettings();
    void ApplySettings();
    bool IsEqualTo(int paperSize, int width, int height, int orientation, int bin) const;
    void SetPrinterInfo(int paperSize, int width, int height, int orientation, int bin, bool force = false);
    void FillPageMetrics(TrpPageMetrics &metrics) const;
    bool PropertiesDialog(QWidget *parent = nullptr);
    void Update() { ReadSettings(); }

    const QStringList &Printers() const { return m_printers; }
    int PrinterIndex() const { return m_index; }
    int VirtualPrinterIndex() const { return int(m_printers.size()) - 1; }
    bool IsVirtual() const { return m_index == VirtualPrinterIndex(); }
    QString PrinterName() const;                   // current entry of the list
    // Resolution of the current printer (96 for the virtual printer).
    int DpiX() const { return IsVirtual() ? 96 : m_info.DpiX; }
    int DpiY() const { return IsVirtual() ? 96 : m_info.DpiY; }

    int PaperSize = 9;
    int PaperWidth = 2100;
    int PaperHeight = 2970;
    int Orientation = 0;                           // 0 portrait, 1 landscape
    int Bin = rpDefaultBin;
    QVector<int> PaperCodes;
    QStringList PaperNames;
    QVector<int> BinCodes;                         // first: the default bin (-1)
    QStringList BinNames;
    // Set while pages go to a printer; settings do not change then.
    bool Printing = false;
    // The font every printer canvas starts with, until a view sets its own;
    // the program gives it its main window's font at start-up.
    TrpCanvasFont CanvasFont;

private:
    void applyVirtual();

    std::unique_ptr<TrpPlatformPrinters> m_platform;
    QStringList m_printers;
    int m_index = 0;
    TrpPlatformPrinterInfo m_info;
};

// The engine printer of the process.
TrpPrinter &rpPrinter();
// The paper code the engine printer had at start (for new report pages).
int rpDefaultPaperSize();

// A page list as the print dialog's field holds it ("1,3,5-12", "2-"):
// validated and matched by membership, never expanded.
class TrpPageList
{
public:
    // Spaces are dropped; a trailing "-" runs to pageCount. An item that is
    // no number (the empty item of "1,,3" included) raises kv::Error.
    static TrpPageList Parse(const QString &text, int pageCount);
    bool IsEmpty() const { return m_ranges.isEmpty(); }   // every page
    bool Contains(int page) const;                       // 1-based
private:
    QList<QPair<qint64, qint64>> m_ranges;
};

// What the print dialog hands to printing.
struct TrpPrintOptions
{
    QString Pages;                                 // "" = all
    int OddEven = 0;                               // 0 all, 1 odd, 2 even
    int Copies = 1;
    bool Collate = true;
    QString Title;                                 // "" = engine text "Untitled"
};

// One prepared page as printing needs it.
struct TrpPrintPage
{
    int PaperSize = 9;
    int PaperWidth = 2100, PaperHeight = 2970;     // tenths of a millimetre, as oriented
    int Orientation = 0;
    int Bin = rpDefaultBin;
    TrpPageMetrics Metrics;                        // page units of this page
};

// Prints pages 1..pageCount on a QPrinter whose printer name or output file
// is already set: pages chosen by the options, each on its own paper with the
// full sheet as the page rectangle, `draw` called with a printer canvas and
// the device rectangle of the page. Returns the number of sheets printed.
class TrpCanvas;
struct TrpRect;
using TrpPageDrawer = std::function<void(int index, TrpCanvas &canvas, const TrpRect &rect)>;
int rpPrintPages(QPrinter &printer, const QList<TrpPrintPage> &pages, const TrpPrintOptions &options,
                 const TrpPageDrawer &draw);
// The Qt page size of a paper code (custom: the size); invalid for 0 x 0.
class QPageSize;
QPageSize rpQtPageSize(int paperSize, int width, int height, int orientation);
// A printer and paper chosen in a Qt printer or page dialog become the engine
// printer's: the printer of that name (kept when none is named) and its paper
// size and orientation.
void rpTakePrinterChoice(const QPrinter &chosen);
