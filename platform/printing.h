#pragma once
// The machine's print system as the program sees it: the printers, and for
// one printer everything page building needs (papers with their printable
// areas, bins, resolution), read in one go so that nothing later has to ask
// again. Qt Print Support stays behind this file; tests give their own
// print system.
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QPrinter;
class QWidget;

namespace kv {

// One paper a printer offers, with the sheet and its printable rectangle in
// device pixels, as named [0] and turned [1].
struct PrinterPaper
{
    int Code = 0;                  // the platform's paper code (256: a custom size)
    QString Name;
    int Width = 0, Height = 0;     // tenths of a millimetre, as the paper is named
    QRect Sheet[2];
    QRect Printable[2];
};

// Everything about one printer, as read when it is chosen.
struct PrinterProfile
{
    QString Name;
    int DpiX = 600, DpiY = 600;
    QVector<PrinterPaper> Papers;  // at most 256, codes unique
    bool CustomSizes = true;
    // Unprintable edges of a custom size, device pixels: left, top, right, bottom.
    int CustomMargins[4] = {0, 0, 0, 0};
    // The printer's own paper, orientation and bin when chosen.
    int PaperSize = 9;
    int Orientation = 0;
    QVector<int> BinCodes;         // without the default bin
    QStringList BinNames;
    int Bin = -1;

    const PrinterPaper *FindPaper(int code) const;
};

class PrintSystem
{
public:
    virtual ~PrintSystem() = default;
    virtual QStringList PrinterNames() = 0;
    // "" when there is none.
    virtual QString DefaultPrinter() = 0;
    // False when the printer is gone or cannot be read.
    virtual bool ReadPrinter(const QString &name, PrinterProfile &profile) = 0;
    // The printer's own properties dialog; on OK true, with the printer read
    // again as the dialog left it.
    virtual bool PropertiesDialog(const QString &name, QWidget *parent, PrinterProfile &profile)
    {
        (void)name;
        (void)parent;
        (void)profile;
        return false;
    }
    // Sets a QPrinter to print on the named printer of this system.
    virtual void Target(QPrinter &printer, const QString &name);
};

// The print system of the machine, over Qt Print Support (CUPS on Linux).
std::unique_ptr<PrintSystem> CreateQtPrintSystem();

// How many times the program has asked Qt Print Support about printers (a
// figure for tests that watch the print system being asked once).
int PrintSystemQueries();

// Sets a QPrinter to print on the named printer; "" makes it write a PDF
// file of that name.
void TargetPrinter(QPrinter &printer, const QString &printerName, const QString &pdfFile = QString());

} // namespace kv
