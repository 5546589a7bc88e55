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

#include "platform/printing.h"

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

// What page building, loading, exports and the preview ask of a printer
// (papers, printable areas, bins, resolution) is read from the print system
// when the printer is chosen and kept; nothing else asks the print system.
class TrpPrinter
{
public:
    TrpPrinter();
    ~TrpPrinter();

    // Replaces the print system (none: only the virtual printer) and assigns
    // its current printer.
    void SetPlatform(std::unique_ptr<kv::PrintSystem> platform);
    bool HasPlatform() const { return bool(m_platform); }
    // Rebuilds the list (platform printers, then the virtual printer), takes
    // the platform's current printer and reads it, or applies the virtual printer.
    void AssignPrinter();
    // Lists the platform's printers again, keeping the current one (read
    // before); a current printer that is gone gives way to the virtual one.
    void RefreshPrinters();
    void SetPrinterIndex(int index);
    void ReadSettings();
    void ApplySettings();
    bool IsEqualTo(int paperSize, int width, int height, int orientation, int bin) const;
    void SetPrinterInfo(int paperSize, int width, int height, int orientation, int bin, bool force = false);
    void FillPageMetrics(TrpPageMetrics &metrics) const;
    bool PropertiesDialog(QWidget *parent = nullptr);
    // Sets a QPrinter to print where this printer stands: its print system's
    // printer, or for the virtual printer a PDF file of that name.
    void Target(QPrinter &printer, const QString &pdfFile = QString()) const;
    void Update() { ReadSettings(); }

    const QStringList &Printers() const { return m_printers; }
    int PrinterIndex() const { return m_index; }
    int VirtualPrinterIndex() const { return int(m_printers.size()) - 1; }
    bool IsVirtual() const { return m_index == VirtualPrinterIndex(); }
    QString PrinterName() const;                   // current entry of the list
    // Resolution of the current printer (96 for the virtual printer).
    int DpiX() const { return IsVirtual() ? 96 : m_profile.DpiX; }
    int DpiY() const { return IsVirtual() ? 96 : m_profile.DpiY; }
    // How many times this printer has asked its print system anything.
    int PlatformCalls() const { return m_calls; }

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
    void useVirtual();
    void useProfile(const kv::PrinterProfile &profile);
    void applyVirtualPaper();
    void applyProfilePaper();
    void rememberPaper();

    std::unique_ptr<kv::PrintSystem> m_platform;
    QStringList m_printers;
    int m_index = 0;
    kv::PrinterProfile m_profile;
    // The paper last applied: what a printer keeps when it refuses another.
    struct { int Size, Width, Height, Bin; } m_last{9, 2100, 2970, rpDefaultBin};
    int m_calls = 0;
};

// The engine printer of the process. It starts with the virtual printer
// alone (so tests and tools build the same pages on any machine) until the
// program hands it the machine's print system.
TrpPrinter &rpPrinter();
// Gives the engine printer a print system (none: the virtual printer alone)
// and remembers its paper as the default of new report pages.
void rpAssignPrintSystem(std::unique_ptr<kv::PrintSystem> system);
// The paper code the engine printer had when it was assigned.
int rpDefaultPaperSize();
// Sets a QPrinter to print where the engine printer stands: its printer, or
// for the virtual printer a PDF file of that name.
void rpTargetPrinter(QPrinter &printer, const QString &pdfFile = QString());

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
    // Asked before each page: true aborts the print job.
    std::function<bool()> Stopped;
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
