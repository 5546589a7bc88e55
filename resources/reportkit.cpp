#include "resources/reportkit.h"

#include "report/building/band.h"
#include "report/core/canvas.h"

#include <algorithm>

namespace kv {

namespace {
// Line step at which the exports' line grid (14 units) never joins two lines.
constexpr int kExportLineStep = 15;
} // namespace

ReportSketch::ReportSketch(TrpReportBase &report) : m_report(report)
{
    m_report.ClearTemplate();
    m_page = m_report.Pages().GetPage(0);
    if (!m_page) m_page = m_report.Pages().Add();
    m_page->Name = QStringLiteral("Page1");
    m_page->MarginLeft = m_page->MarginTop = m_page->MarginRight = m_page->MarginBottom = 36;
    m_nextTop = m_page->MarginTop;
}

TrpBandView &ReportSketch::Band(int kind, const QString &name, int height, const QString &source)
{
    auto v = std::make_unique<TrpBandView>();
    v->SetBandType(kind);
    v->Name = name;
    v->SetBounds(0, m_nextTop, m_page->MarginLeft + kWidth, height);
    v->DisplayFormatText = source;
    m_nextTop += height + 8;
    m_band = static_cast<TrpBandView *>(m_page->AddView(std::move(v)));
    return *m_band;
}

TrpMemoView &ReportSketch::Text(const Column &col, const QString &text, const TextStyle &style, int top, int height)
{
    auto v = std::make_unique<TrpMemoView>();
    v->Name = QStringLiteral("Memo%1").arg(++m_memos);
    const int bandTop = m_band ? m_band->Top : m_page->MarginTop;
    const int h = height > 0 ? height : (m_band ? m_band->Height - top : 20);
    v->SetBounds(m_page->MarginLeft + col.left, bandTop + top, col.width, h);
    v->Memo = text.split(QLatin1Char('\n'));
    v->Font.name = QStringLiteral("Arial");
    v->Font.size = style.size;
    v->Font.style = style.bold ? TrpFont::Bold : 0;
    v->Font.charset = 204;
    v->Alignment = style.align;
    v->FrameTyp = quint16(style.frame);
    v->FillColor = style.fill;
    v->Flags = style.wrap ? quint16(rpmfStretched | rpmfWordWrap) : quint16(0);
    // The exports put a text line on a line of their own when lines stand
    // more than 14 units apart; small fonts get the room to stay apart.
    v->LineSpacing = std::max<qint32>(v->LineSpacing, kExportLineStep - rpFontPixelHeight(style.size));
    return *static_cast<TrpMemoView *>(m_page->AddView(std::move(v)));
}

void ReportSketch::Row(const QList<Column> &cols, const QStringList &texts, const TextStyle &style)
{
    for (int i = 0; i < cols.size() && i < texts.size(); ++i) Text(cols[i], texts[i], style);
}

} // namespace kv
