#pragma once
// Prepared pages: each built page kept as a packed stream of view records with
// its paper, unpacked into live views only to be drawn, hit-tested or
// edited; and the ".rpp" prepared-report file.
#include <QByteArray>
#include <QIODevice>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/core/stream.h"
#include "report/model/page.h"

class TrpReportBase;

struct TrpPreparedPage
{
    TrpRect ScreenRect;
    qint16 PaperSize = 9;
    qint32 PaperWidth = 2100, PaperHeight = 2970;
    quint8 Orientation = 0;
    qint32 PaperBin = 65535;
    bool UseMargins = true;
    qint32 Margins[4] = {0, 0, 0, 0};    // left, top, right, bottom
    TrpPageMetrics PageMetrics;
    bool Visible = false;
    QByteArray ObjectStream;             // version byte, then the records
    std::unique_ptr<TrpPage> UnpackedPage;
};

// Result of a hit test.
struct TrpHit
{
    TrpView *View = nullptr;
    // A click on a link object: a page ("@n") or a web or mail address to
    // follow; empty for an address that is never opened (files, programs).
    QString Link;
    int Cursor = 0;
};

class TrpEMFPages
{
public:
    explicit TrpEMFPages(TrpReportBase *report = nullptr) : m_report(report) {}
    ~TrpEMFPages();

    int Count() const { return int(m_pages.size()); }
    TrpPreparedPage *GetPage(int index) const;     // nullptr out of range
    void Clear() { m_pages.clear(); }
    void AddPage(const TrpPage &page);
    void InsertPage(int index, const TrpPage &page);
    void DeletePage(int index);
    // Appends one view record (type code, class name, prepared record) to a page.
    void AppendView(int index, TrpView &view);

    // Raise kv::Error for a bad index or a damaged page stream.
    TrpPage *UnpackPage(int index);
    void PackPage(int index);
    void ExportPage(int index);
    void DrawPage(int index, TrpCanvas *canvas, const QRect &rect);
    // Hit test of the preview; true when something answered.
    bool ObjectAt(int index, const QPoint &point, bool click, TrpHit &hit);

    // The ".rpp" file: writing refuses what the format cannot hold.
    void WritePreparedFile(QIODevice &stream);
    void ReadPreparedFile(QIODevice &stream);

    // Printer names found in and written to files.
    QString PrinterName;
    // Called with the 1-based page number when a page is added by AddPage.
    std::function<void(int pageNo)> OnBeginPage;
    // Object clicks and mouse-over in the preview (true when handled).
    std::function<void(TrpView *view)> OnObjectClick;
    std::function<void(TrpView *view, int &cursor)> OnMouseOverObject;


private:
    TrpReportBase *m_report;
    TrpMemoryStream m_writer;   // aimed at the page a view is appended to
    bool m_appending = false;
    std::vector<std::unique_ptr<TrpPreparedPage>> m_pages;
    void readPageRecords(const QByteArray &data, const std::function<void(std::unique_ptr<TrpView>)> &sink) const;
    void readMetafilePages(QIODevice &s);
};
