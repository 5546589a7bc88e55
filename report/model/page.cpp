#include "report/model/page.h"

#include "platform/error.h"
#include "platform/text.h"
#include "report/model/views.h"

namespace {

TrpPaperHandler &paperHandler()
{
    static TrpPaperHandler h;
    return h;
}

QString up(const QString &s) { return kv::upperCase(s); }

} // namespace

void SetPaperHandler(TrpPaperHandler handler) { paperHandler() = std::move(handler); }

TrpPageMetrics rpVirtualMetrics(int w, int h)
{
    TrpPageMetrics m;
    m.Width = rpRound(w * rpUnitsPerInch / 254.0);
    m.Height = rpRound(h * rpUnitsPerInch / 254.0);
    m.OffsetX = m.OffsetY = rpRound(50 * rpUnitsPerInch / 254.0);
    m.PrintableWidth = m.Width - 2 * m.OffsetX;
    m.PrintableHeight = m.Height - 2 * m.OffsetY;
    return m;
}

void rpApplyPaper(TrpPaperRequest &paper, TrpPageMetrics &metrics)
{
    paper.Width = rpBounded(paper.Width, 0, rpMaxPaper);
    paper.Height = rpBounded(paper.Height, 0, rpMaxPaper);
    if (paperHandler()) {
        paperHandler()(paper, metrics);
        return;
    }
    TrpPrinter &pr = rpPrinter();
    pr.SetPrinterInfo(paper.Size, paper.Width, paper.Height, paper.Orientation, paper.Bin);
    if (pr.PaperSize != paper.Size && paper.Size != rpCustomPaper) {
        // The printer has no such paper: the page keeps its size as a custom one.
        paper.Size = rpCustomPaper;
        paper.Bin = rpDefaultBin;
        pr.SetPrinterInfo(paper.Size, paper.Width, paper.Height, paper.Orientation, paper.Bin);
    }
    paper.Size = pr.PaperSize;
    paper.Width = pr.PaperWidth;
    paper.Height = pr.PaperHeight;
    paper.Orientation = pr.Orientation;
    paper.Bin = pr.Bin;
    pr.FillPageMetrics(metrics);
}

// ---------------------------------------------------------------- TrpPage

TrpPage::TrpPage() { SetPaper(9, 2100, 2970, -1, 0); }

TrpPage::TrpPage(int size, int width, int height, int bin, int orientation)
{
    SetPaper(size, width, height, bin, orientation);
}

TrpPage::~TrpPage()
{
    TrpObjectState &st = rpObjects();
    if (st.CurPage == this) st.CurPage = nullptr;
    Build.reset();
    m_views.clear();
}

void TrpPage::SetPaper(int size, int width, int height, int bin, int orientation)
{
    TrpPaperRequest p{size, width, height, bin, orientation};
    rpApplyPaper(p, PageMetrics);
    PaperSize = p.Size;
    PaperWidth = p.Width;
    PaperHeight = p.Height;
    Orientation = quint8(p.Orientation);
    PaperBin = ((bin & 0xFFFF) == 0xFFFF) ? 65535 : p.Bin;
}

TrpView *TrpPage::AddView(std::unique_ptr<TrpView> view)
{
    view->OwnerPage = this;
    m_views.push_back(std::move(view));
    return m_views.back().get();
}

void TrpPage::InsertView(int index, std::unique_ptr<TrpView> view)
{
    view->OwnerPage = this;
    index = std::clamp(index, 0, ViewCount());
    m_views.insert(m_views.begin() + index, std::move(view));
}

std::unique_ptr<TrpView> TrpPage::TakeView(int index)
{
    if (index < 0 || index >= ViewCount()) return nullptr;
    std::unique_ptr<TrpView> v = std::move(m_views[size_t(index)]);
    m_views.erase(m_views.begin() + index);
    v->OwnerPage = nullptr;
    return v;
}

void TrpPage::DeleteView(int index) { TakeView(index); }
void TrpPage::ClearViews() { m_views.clear(); }

int TrpPage::IndexOfView(const TrpView *view) const
{
    for (int i = 0; i < ViewCount(); ++i)
        if (m_views[size_t(i)].get() == view) return i;
    return -1;
}

TrpView *TrpPage::FindView(const QString &name) const
{
    for (const auto &v : m_views)
        if (kv::sameText(v->Name, name)) return v.get();
    return nullptr;
}

int TrpPage::LeftMarginUsed() const
{
    if (!UseMargins) return 0;
    return MarginLeft ? MarginLeft : PageMetrics.OffsetX;
}

int TrpPage::TopMarginUsed() const
{
    if (!UseMargins) return 0;
    return MarginTop ? MarginTop : PageMetrics.OffsetY;
}

int TrpPage::RightEdge() const
{
    if (!UseMargins) return PageMetrics.Width;
    return MarginRight ? PageMetrics.Width - MarginRight : PageMetrics.OffsetX + PageMetrics.PrintableWidth;
}

int TrpPage::BottomEdgeOfPaper() const
{
    if (!UseMargins) return PageMetrics.Height;
    return MarginBottom ? PageMetrics.Height - MarginBottom : PageMetrics.OffsetY + PageMetrics.PrintableHeight;
}

void TrpPage::SetMargins(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    if (!DesignedMargins) DesignedMargins = std::array<qint32, 4>{MarginLeft, MarginTop, MarginRight, MarginBottom};
    MarginLeft = left;
    MarginTop = top;
    MarginRight = right;
    MarginBottom = bottom;
}

int TrpPage::DesignShiftX() const
{
    if (!DesignedMargins || !UseMargins) return 0;
    const qint32 was = (*DesignedMargins)[0];
    return LeftMarginUsed() - (was ? was : PageMetrics.OffsetX);
}

int TrpPage::DesignShiftY() const
{
    if (!DesignedMargins || !UseMargins) return 0;
    const qint32 was = (*DesignedMargins)[1];
    return TopMarginUsed() - (was ? was : PageMetrics.OffsetY);
}

void TrpPage::ReadTemplateRecord(QIODevice &s, int version)
{
    const qint32 marker = ReadStreamInteger(s);
    const bool withScript = marker == -1;
    qint32 size = withScript ? ReadStreamInteger(s) : marker;
    const qint32 width = ReadStreamInteger(s);
    const qint32 height = ReadStreamInteger(s);
    MarginLeft = rpCoord(ReadStreamInteger(s));
    MarginTop = rpCoord(ReadStreamInteger(s));
    MarginRight = rpCoord(ReadStreamInteger(s));
    MarginBottom = rpCoord(ReadStreamInteger(s));
    const quint8 orientation = ReadStreamByte(s);
    if (version < 23) ReadStreamBytes(s, 6);
    const qint32 bin = version > 23 ? ReadStreamInteger(s) : -1;
    PrintToPrevPage = ReadStreamWord(s) != 0;
    UseMargins = ReadStreamWord(s) != 0;
    Columns = rpBounded(ReadStreamInteger(s), 0, rpMaxColumns);
    ColumnGap = rpCoord(ReadStreamInteger(s));
    Name.clear();
    if (version >= 24) {
        PageType = ReadStreamByte(s);
        Name = ReadStreamString(s);
        const quint8 bs = ReadStreamByte(s);
        BorderStyle = bs == 0 ? 3 : bs == 1 ? 2 : bs;
        Caption = ReadStreamString(s);
        Color = ReadStreamInteger(s);
        FormLeft = rpCoord(ReadStreamInteger(s));
        FormTop = rpCoord(ReadStreamInteger(s));
        FormWidth = rpCoord(ReadStreamInteger(s));
        FormHeight = rpCoord(ReadStreamInteger(s));
        Position = ReadStreamByte(s) ? 4 : 0;
    }
    if (withScript) PrintScript = ReadStreamMemo(s, version);
    SetPaper(size, width, height, bin, orientation);
}

void TrpPage::WriteTemplateRecord(QIODevice &s) const
{
    WriteStreamInteger(s, -1);
    WriteStreamInteger(s, PaperSize);
    WriteStreamInteger(s, PaperWidth);
    WriteStreamInteger(s, PaperHeight);
    WriteStreamInteger(s, MarginLeft);
    WriteStreamInteger(s, MarginTop);
    WriteStreamInteger(s, MarginRight);
    WriteStreamInteger(s, MarginBottom);
    WriteStreamByte(s, Orientation);
    WriteStreamInteger(s, PaperBin);
    WriteStreamWord(s, PrintToPrevPage ? -1 : 0);
    WriteStreamWord(s, UseMargins ? -1 : 0);
    WriteStreamInteger(s, Columns);
    WriteStreamInteger(s, ColumnGap);
    WriteStreamByte(s, PageType);
    WriteStreamString(s, Name);
    WriteStreamByte(s, BorderStyle);
    WriteStreamString(s, Caption);
    WriteStreamInteger(s, Color);
    WriteStreamInteger(s, FormLeft);
    WriteStreamInteger(s, FormTop);
    WriteStreamInteger(s, FormWidth);
    WriteStreamInteger(s, FormHeight);
    WriteStreamByte(s, Position);
    WriteStreamMemo(s, PrintScript);
}

void TrpPage::BuildPropertyTable()
{
    ClearPropertyTable();
    AddEnumProperty(QStringLiteral("Type"), QStringLiteral("ptReport;ptDialog"), {0, 1});
    AddProperty(QStringLiteral("Visible"), rpkBoolean);
    AddProperty(QStringLiteral("Name"), 257);
    if (PageType == ptDialog) {
        AddEnumProperty(QStringLiteral("BorderStyle"), QStringLiteral("bsDialog;bsSizeable"), {3, 2});
        AddProperty(QStringLiteral("Caption"), rpkScriptOnly);
        AddProperty(QStringLiteral("Color"), rpkColor);
        for (const char *n : {"Left", "Top", "Width", "Height"}) AddProperty(QString::fromLatin1(n), rpkPosition);
        AddEnumProperty(QStringLiteral("Position"), QStringLiteral("poDesigned;poScreenCenter"), {0, 4});
        AddProperty(QStringLiteral("OnActivate"), rpkEditor);
        return;
    }
    {
        // the printer's papers by name; codes as values
        const TrpPrinter &pr = rpPrinter();
        const qsizetype n = std::min(pr.PaperNames.size(), pr.PaperCodes.size());
        if (n == 0) {
            AddEnumProperty(QStringLiteral("Size"), QStringLiteral("No data"));
        } else {
            QList<TrpValue> codes;
            for (qsizetype i = 0; i < n; ++i) codes << TrpValue(pr.PaperCodes[i]);
            AddEnumProperty(QStringLiteral("Size"), pr.PaperNames.mid(0, n).join(QLatin1Char(';')), codes);
        }
    }
    for (const char *n : {"Width", "Height", "LeftMargin", "TopMargin", "RightMargin", "BottomMargin"})
        AddProperty(QString::fromLatin1(n), rpkPosition);
    AddEnumProperty(QStringLiteral("Orientation"), QStringLiteral("poPortrait;poLandscape"), {0, 1});
    AddProperty(QStringLiteral("PrintToPrevPage"), rpkBoolean);
    AddProperty(QStringLiteral("StretchToPrintable"), rpkBoolean);
    AddProperty(QStringLiteral("Columns"), rpkInteger);
    AddProperty(QStringLiteral("ColumnWidth"), rpkPosition);
    AddProperty(QStringLiteral("ColumnGap"), rpkPosition);
    AddProperty(QStringLiteral("OnBeforePrint"), rpkEditor);
}

// The page script's name by name: run on activation of a dialog, before a report page builds.
QString TrpPage::scriptPropertyName() const
{
    return PageType == ptDialog ? QStringLiteral("ONACTIVATE") : QStringLiteral("ONBEFOREPRINT");
}

void TrpPage::SetProperty(const QString &name, const TrpValue &value)
{
    const QString n = up(name);
    if (n == QLatin1String("TYPE")) PageType = quint8(value.toInt32());
    else if (n == QLatin1String("VISIBLE")) Visible = value.toBool();
    else if (n == QLatin1String("NAME")) Name = value.toText();
    else if (n == scriptPropertyName()) PrintScript = TrpView::SplitLines(value.toText());
    else if (PageType == ptDialog) {
        if (n == QLatin1String("BORDERSTYLE")) BorderStyle = quint8(value.toInt32());
        else if (n == QLatin1String("CAPTION")) Caption = value.toText();
        else if (n == QLatin1String("COLOR")) Color = value.toInt32();
        else if (n == QLatin1String("LEFT")) FormLeft = rpCoord(value.toInt32());
        else if (n == QLatin1String("TOP")) FormTop = rpCoord(value.toInt32());
        else if (n == QLatin1String("WIDTH")) FormWidth = rpCoord(value.toInt32());
        else if (n == QLatin1String("HEIGHT")) FormHeight = rpCoord(value.toInt32());
        else if (n == QLatin1String("POSITION")) Position = quint8(value.toInt32());
    } else if (n == QLatin1String("SIZE")) {
        SetPaper(value.toInt32(), PaperWidth, PaperHeight, PaperBin, Orientation);
    } else if (n == QLatin1String("WIDTH")) {
        SetPaper(256, rpRound(value.toFloat() * 10 * 5 / 18), PaperHeight, PaperBin, Orientation);
    } else if (n == QLatin1String("HEIGHT")) {
        SetPaper(256, PaperWidth, rpRound(value.toFloat() * 10 * 5 / 18), PaperBin, Orientation);
    } else if (n == QLatin1String("LEFTMARGIN")) MarginLeft = rpCoord(value.toInt32());
    else if (n == QLatin1String("TOPMARGIN")) MarginTop = rpCoord(value.toInt32());
    else if (n == QLatin1String("RIGHTMARGIN")) MarginRight = rpCoord(value.toInt32());
    else if (n == QLatin1String("BOTTOMMARGIN")) MarginBottom = rpCoord(value.toInt32());
    else if (n == QLatin1String("ORIENTATION")) SetPaper(PaperSize, PaperWidth, PaperHeight, PaperBin, value.toInt32());
    else if (n == QLatin1String("PRINTTOPREVPAGE")) PrintToPrevPage = value.toBool();
    else if (n == QLatin1String("STRETCHTOPRINTABLE")) UseMargins = !value.toBool();
    else if (n == QLatin1String("COLUMNS")) Columns = rpBounded(value.toInt32(), 0, rpMaxColumns);
    else if (n == QLatin1String("COLUMNWIDTH")) ColumnWidth = rpCoord(value.toInt32());
    else if (n == QLatin1String("COLUMNGAP")) ColumnGap = rpCoord(value.toInt32());
}

TrpValue TrpPage::GetProperty(const QString &name)
{
    const QString n = up(name);
    if (n == QLatin1String("TYPE")) return int(PageType);
    if (n == QLatin1String("VISIBLE")) return Visible;
    if (n == QLatin1String("NAME")) return Name;
    if (n == scriptPropertyName()) return TrpView::JoinLines(PrintScript);
    if (PageType == ptDialog) {
        if (n == QLatin1String("BORDERSTYLE")) return int(BorderStyle);
        if (n == QLatin1String("CAPTION")) return Caption;
        if (n == QLatin1String("COLOR")) return int(Color);
        if (n == QLatin1String("LEFT")) return int(FormLeft);
        if (n == QLatin1String("TOP")) return int(FormTop);
        if (n == QLatin1String("WIDTH")) return int(FormWidth);
        if (n == QLatin1String("HEIGHT")) return int(FormHeight);
        if (n == QLatin1String("POSITION")) return int(Position);
        return TrpValue::null();
    }
    const bool live = rpReport().IsBuilding();
    if (n == QLatin1String("SIZE")) return int(PaperSize);
    if (n == QLatin1String("WIDTH")) return rpRound(PaperWidth / 10.0 * 18 / 5);
    if (n == QLatin1String("HEIGHT")) return rpRound(PaperHeight / 10.0 * 18 / 5);
    if (n == QLatin1String("LEFTMARGIN")) return live ? LeftMarginUsed() : int(MarginLeft);
    if (n == QLatin1String("TOPMARGIN")) return live ? TopMarginUsed() : int(MarginTop);
    if (n == QLatin1String("RIGHTMARGIN")) return live ? RightEdge() : int(MarginRight);
    if (n == QLatin1String("BOTTOMMARGIN")) {
        if (!live) return int(MarginBottom);
        // the edge that bands fill up to: the page footer stays free
        int footer = Build ? Build->PageFooterHeight() : -1;
        if (footer < 0) {
            footer = 0;
            for (const auto &v : m_views)
                if (auto *bv = dynamic_cast<const TrpBandView *>(v.get()); bv && bv->BandType() == btPageFooter) {
                    footer = bv->Height;
                    break;
                }
        }
        return BottomEdgeOfPaper() - footer;
    }
    if (n == QLatin1String("ORIENTATION")) return int(Orientation);
    if (n == QLatin1String("PRINTTOPREVPAGE")) return PrintToPrevPage;
    if (n == QLatin1String("STRETCHTOPRINTABLE")) return !UseMargins;
    if (n == QLatin1String("COLUMNS")) return int(Columns);
    if (n == QLatin1String("COLUMNWIDTH")) return int(ColumnWidth);
    if (n == QLatin1String("COLUMNGAP")) return int(ColumnGap);
    return TrpValue::null();
}

// ---------------------------------------------------------------- TrpPages

TrpPage *TrpPages::GetPage(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return m_pages[size_t(index)].get();
}

TrpPage *TrpPages::Add() { return Add(std::make_unique<TrpPage>()); }

TrpPage *TrpPages::Add(std::unique_ptr<TrpPage> page)
{
    page->Report = m_report;
    m_pages.push_back(std::move(page));
    return m_pages.back().get();
}

void TrpPages::Delete(int index)
{
    if (index >= 0 && index < Count()) m_pages.erase(m_pages.begin() + index);
}

int TrpPages::IndexOf(const TrpPage *page) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_pages[size_t(i)].get() == page) return i;
    return -1;
}

QString TrpPages::UniquePageName() const
{
    for (int i = 1; i <= 10000; ++i) {
        const QString n = QStringLiteral("Page") + QString::number(i);
        bool taken = false;
        for (const auto &p : m_pages)
            if (kv::sameText(p->Name, n)) taken = true;
        if (!taken) return n;
    }
    return QString();
}

void TrpPages::ApplyAlignments(TrpCanvas *measuring)
{
    TrpObjectState &st = rpObjects();
    for (const auto &p : m_pages) {
        st.CurPage = p.get();
        for (const auto &v : p->Views())
            if (v->BandAlign != baNone) v->ApplyBandAlign(measuring);
    }
}
