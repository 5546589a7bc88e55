#pragma once
// Readable descriptions of report templates: bands stacked from the top of
// the page, texts placed on the last band by column, frames and fonts by
// name. A description fills a report's pages; the result is written as an
// ".rpf" like any template.
#include "report/model/memo.h"
#include "report/model/reportbase.h"
#include "report/model/views.h"

#include <QString>

namespace kv {

// How a text looks. Sizes are points; `frame` uses the rpft* bits.
struct TextStyle
{
    int size = 9;
    bool bold = false;
    int align = rptaLeft;     // rptaLeft, rptaRight, rptaCenter (| rptaMiddle)
    int frame = 0;
    qint32 fill = rpClNone;
    bool wrap = false;        // word wrap and stretch with the text
};

// A column of a table-like band: where it stands and how wide it is.
struct Column
{
    int left;
    int width;
};

// Shared looks of the program's tables: grey title cells framed on every side.
inline constexpr qint32 kHeaderFill = 0xE0E0E0;   // light grey
inline constexpr int kAllFrames = rpftLeft | rpftRight | rpftTop | rpftBottom;

// Columns from their widths, left to right.
inline QList<Column> columns(const QList<int> &widths)
{
    QList<Column> out;
    int left = 0;
    for (int w : widths) {
        out.append({left, w});
        left += w;
    }
    return out;
}

class ReportSketch
{
public:
    // Clears the template and starts one A4 portrait page with margins of 10 mm.
    explicit ReportSketch(TrpReportBase &report);

    TrpPage &Page() { return *m_page; }
    // A band of `kind` (btReportTitle...) under the previous one. `source`
    // is a data band's data source or a group header's condition.
    TrpBandView &Band(int kind, const QString &name, int height, const QString &source = QString());
    // A text on the last band, at its top, `height` high (the band's height when 0).
    TrpMemoView &Text(const Column &col, const QString &text, const TextStyle &style = {}, int top = 0,
                      int height = 0);
    // The same row of titled or bracketed cells across several columns.
    void Row(const QList<Column> &cols, const QStringList &texts, const TextStyle &style);

    static constexpr int kWidth = 684;   // printable width of A4 within the margins

private:
    TrpReportBase &m_report;
    TrpPage *m_page = nullptr;
    TrpBandView *m_band = nullptr;
    int m_nextTop = 0;
    int m_memos = 0;
};

} // namespace kv
