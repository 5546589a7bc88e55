#include "report/building/report.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <set>
#include <typeinfo>

#include "platform/text.h"
#include "report/building/band.h"
#include "report/building/pagebuild.h"
#include "report/core/clock.h"
#include "report/core/display_format.h"
#include "report/core/utils.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/output/exportfilter.h"
#include "report/output/printer.h"

namespace {

// Puts the report in charge of the engine and the objects for a scope.
class ReportScope
{
public:
    explicit ReportScope(TrpReport *report)
        : m_hooks(rpEngine().Report()), m_link(rpObjects().Report)
    {
        rpEngine().SetReport(report);
        rpObjects().Report = report;
        m_cancel = rpEngine().Interpreter().IsCancelled;
        rpEngine().Interpreter().IsCancelled = [report] { return report->Stopped(); };
    }
    ~ReportScope()
    {
        rpEngine().SetReport(m_hooks);
        rpObjects().Report = m_link;
        rpEngine().Interpreter().IsCancelled = m_cancel;
    }
    ReportScope(const ReportScope &) = delete;
    ReportScope &operator=(const ReportScope &) = delete;

private:
    TrpReportHooks *m_hooks;
    TrpReportLink *m_link;
    std::function<bool()> m_cancel;
};

} // namespace

TrpReport::TrpReport(QObject *owner) : QObject(owner)
{
    m_host.Owner = owner;
    bindDictionary();
    FileName = LoadEngineString(55209);
}

TrpReport::~TrpReport()
{
    for (int i = 0; i < m_pages.Count(); ++i) m_pages.GetPage(i)->Build.reset();
}

void TrpReport::BuildError(const QString &message)
{
    if (m_errorText.isEmpty()) m_errorText = message;
    m_stopped = true;
}

void TrpReport::ShowError(const QString &text)
{
    LastBuildError = text;
    TrpReportBase::ShowError(text);
}

void TrpReport::Progress(int number)
{
    if (m_driver) m_driver->Progress(number);
    else if (OnProgress) OnProgress(number);
}

void TrpReport::ProgressText(const QString &text)
{
    if (m_driver && m_driver != this) m_driver->ProgressText(text);
    else if (OnProgressText) OnProgressText(text);
    QCoreApplication::processEvents();
}

void TrpReport::FireBeginPage(int pageNo)
{
    if (OnBeginPage) OnBeginPage(pageNo);
    if (m_driver && m_driver != this && m_driver->OnBeginPage) m_driver->OnBeginPage(pageNo);
}

void TrpReport::FireEndPage(int pageNo)
{
    if (OnEndPage) OnEndPage(pageNo);
    if (m_driver && m_driver != this && m_driver->OnEndPage) m_driver->OnEndPage(pageNo);
}

bool TrpReport::ContinuesOnLastPage(const TrpPage &page)
{
    const bool first = m_firstPage;
    m_firstPage = false;
    TrpEMFPages &pages = EMFPages();
    if (!page.PrintToPrevPage || pages.Count() == 0) return false;
    if (!first || !m_driver) return true;
    // The first page of a composite's member goes on on the previous
    // member's last page, and only on paper of the same size and orientation.
    if (!m_afterAnother) return false;
    const TrpPreparedPage *last = pages.GetPage(pages.Count() - 1);
    if (last->Orientation != page.Orientation || last->PaperSize != page.PaperSize) return false;
    return page.PaperSize != 256 || (last->PaperWidth == page.PaperWidth && last->PaperHeight == page.PaperHeight);
}

// ---------------------------------------------------------------- preparing

bool TrpReport::saveTemplateForBuild(QIODevice &saved)
{
    ReportScope scope(this);
    PreparedFromFile = false;
    ChangePrinter(PrinterName);
    BuildDate = Now ? Now() : rpNowAsDays();
    bindDictionary();
    m_pages.ApplyAlignments(&rpMeasuringCanvas());
    m_errorText.clear();
    LastBuildError.clear();
    try {
        SaveToStream(saved);
    } catch (const kv::Error &e) {
        ShowError(e.message());
        return false;
    }
    return true;
}

void TrpReport::releasePageBuilds()
{
    for (int i = 0; i < m_pages.Count(); ++i) m_pages.GetPage(i)->Build.reset();
}

void TrpReport::endBuildState()
{
    m_building = false;
    CurBand = nullptr;
    CurPage = nullptr;
    Collecting = false;
    releasePageBuilds();
    Dictionary().ClearCache();
}

void TrpReport::runCatching(const std::function<void()> &build)
{
    try {
        build();
    } catch (const kv::Error &e) {
        if (m_errorText.isEmpty()) m_errorText = e.message();
    } catch (const std::exception &e) {
        if (m_errorText.isEmpty()) m_errorText = QString::fromLocal8Bit(e.what());
    }
}

void TrpReport::restoreTemplateAfterBuild(QIODevice &saved)
{
    ReportScope scope(this);
    endBuildState();
    // scripts and events may have changed the objects: the template comes back
    const QString fileName = FileName;
    saved.seek(0);
    LoadFromStream(saved, true);
    FileName = fileName;
}

bool TrpReport::Prepare()
{
    ReportScope scope(this);
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    if (!saveTemplateForBuild(saved)) return false;
    if (OnBeginDoc) OnBeginDoc();
    runCatching([this] { buildPages(); });
    endBuildState();
    if (OnEndDoc) OnEndDoc();
    restoreTemplateAfterBuild(saved);

    if (!m_errorText.isEmpty()) {
        ShowError(m_errorText);
        EMFPages().Clear();
        return false;
    }
    if (m_stopped) {
        EMFPages().Clear();
        return false;
    }
    return EMFPages().Count() > 0;
}

void TrpReport::buildAsMember(TrpReport &driver, bool afterAnother)
{
    ReportScope scope(this);
    struct Bind
    {
        TrpReport &r;
        Bind(TrpReport &report, TrpReport &d) : r(report)
        {
            r.m_driver = &d;
            r.m_sharedPages = &d.EMFPages();
        }
        ~Bind()
        {
            r.m_driver = nullptr;
            r.m_sharedPages = nullptr;
            r.m_building = false;
        }
        Bind(const Bind &) = delete;
        Bind &operator=(const Bind &) = delete;
    } bind(*this, driver);
    m_afterAnother = afterAnother;
    m_stopped = false;
    m_errorText.clear();
    m_building = true;
    m_finalPass = driver.m_finalPass;
    TotalPages = driver.TotalPages;
    BuildDate = driver.BuildDate;
    bindDictionary();
    runCatching([this] { BuildPages(); });
    CurBand = nullptr;
    CurPage = nullptr;
    Collecting = false;
    // the bands of a first pass serve the final one
    if (m_finalPass || !m_errorText.isEmpty() || m_stopped) releasePageBuilds();
}

void TrpReport::bindDictionary()
{
    TrpDataDictionary &d = Dictionary();
    d.ResolveField = [this](const QString &reference, QString &field) -> TrpFieldSource * {
        TrpFieldSource *source = CurrentFieldSource();
        ResolveFieldReference(reference, &m_host, source, field);
        return field.isEmpty() ? nullptr : source;
    };
    d.GlobalValue = [](const QString &name, TrpValue &value) {
        const TrpValue *v = rpEngine().Variables().Find(name);
        if (!v) return false;
        value = *v;
        return true;
    };
    d.Evaluate = [](const QString &expression) { return rpEngine().Calculate(expression); };
    d.ClearCache();
}

void TrpReport::ShowPrepared()
{
    if (EMFPages().Count() > 0 && OnShowPrepared) OnShowPrepared(*this);
}

void TrpReport::checkSubreportPages()
{
    // A page printed inside another must not lead back to it, and must exist.
    const int count = m_pages.Count();
    std::vector<std::vector<int>> targets(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        for (const auto &v : m_pages.GetPage(i)->Views())
            if (auto *sub = dynamic_cast<TrpSubReportView *>(v.get())) {
                if (sub->TargetPage < 0 || sub->TargetPage >= count || sub->TargetPage == i
                    || m_pages.GetPage(sub->TargetPage)->PageType != ptReport)
                    throw kv::Error(QStringLiteral("The subreport \"%1\" names page %2, which cannot be printed in it")
                                        .arg(sub->Name).arg(sub->TargetPage + 1));
                targets[size_t(i)].push_back(sub->TargetPage);
            }
    std::vector<int> state(static_cast<size_t>(count), 0);   // 0 new, 1 on the path, 2 done
    std::function<void(int)> visit = [&](int p) {
        state[size_t(p)] = 1;
        for (int t : targets[size_t(p)]) {
            if (state[size_t(t)] == 1)
                throw kv::Error(QStringLiteral("The subreports of page \"%1\" lead back to it").arg(m_pages.GetPage(t)->Name));
            if (state[size_t(t)] == 0) visit(t);
        }
        state[size_t(p)] = 2;
    };
    for (int i = 0; i < count; ++i)
        if (state[size_t(i)] == 0) visit(i);
}

void TrpReport::buildPages()
{
    m_stopped = false;
    EMFPages().Clear();
    PageNo = 0;
    m_building = true;
    try {
        if (DoublePassReport) {
            m_finalPass = false;
            TotalPages = 0;
            BuildPages();
            TotalPages = EMFPages().Count();
            EMFPages().Clear();
            m_finalPass = true;
            if (!m_stopped) BuildPages();
        } else {
            m_finalPass = true;
            TotalPages = 0;
            BuildPages();
        }
    } catch (...) {
        releasePageBuilds();
        m_finalPass = true;
        throw;
    }
    releasePageBuilds();
}

void TrpReport::BuildPages()
{
    checkSubreportPages();
    Dictionary().ClearCache();
    m_firstPage = true;
    if (m_driver) {
        // a member goes on where the member before it ended
        PageNo = EMFPages().Count();
        FooterDonePage = m_driver->FooterDonePage;
        SavedY = m_driver->SavedY;
        SavedBottom = m_driver->SavedBottom;
        SavedFooterDone = m_driver->SavedFooterDone;
    } else {
        PageNo = 0;
        FooterDonePage = -1;
        SavedY = SavedBottom = 0;
        SavedFooterDone = false;
        Progress(1);
    }
    const int count = m_pages.Count();

    // dialog pages first
    for (int i = 0; i < count && !Stopped(); ++i) {
        TrpPage *p = m_pages.GetPage(i);
        if (p->PageType != ptDialog) continue;
        if (!p->PrintScript.isEmpty()) RunScript(p->PrintScript, p);
    }
    if (Stopped()) return;

    std::set<int> subreportPages;
    for (int i = 0; i < count; ++i)
        for (const auto &v : m_pages.GetPage(i)->Views())
            if (auto *sub = dynamic_cast<TrpSubReportView *>(v.get())) subreportPages.insert(sub->TargetPage);

    std::vector<TrpPageBuild *> builds;
    for (int i = 0; i < count; ++i) {
        TrpPage *p = m_pages.GetPage(i);
        if (p->PageType != ptReport || subreportPages.count(i)) continue;
        if (!rpPageBuild(p)) p->Build = std::make_unique<TrpPageBuild>(p, this);
        TrpPageBuild *b = rpPageBuild(p);
        CurPage = b;
        b->InitBuild();
        builds.push_back(b);
    }
    const bool multiple = ReportType == rtMultiple && Dataset();
    if (multiple) {
        Dataset()->Init();
        Dataset()->First();
    }
    while (!Stopped()) {
        if (multiple && Dataset()->Eof()) break;
        for (TrpPageBuild *b : builds) {
            if (Stopped()) break;
            CurPage = b;
            if (b->Page->Visible) b->BuildPage();
            else if (!b->Page->PrintScript.isEmpty()) RunScript(b->Page->PrintScript, b->Page);
            Progress(EMFPages().Count());
        }
        if (!multiple) break;
        Dataset()->Next();
    }
    if (multiple) Dataset()->Exit();
    for (TrpPageBuild *b : builds) b->EndBuild();
    CurPage = nullptr;
    if (m_driver) {
        m_driver->FooterDonePage = FooterDonePage;
        m_driver->SavedY = SavedY;
        m_driver->SavedBottom = SavedBottom;
        m_driver->SavedFooterDone = SavedFooterDone;
    }
}

// ---------------------------------------------------------------- printing

int TrpReport::PrintPrepared(QPrinter &printer, const QString &pageList, int copies, bool collate)
{
    TrpPrintOptions options;
    options.Pages = pageList;
    options.Copies = copies;
    options.Collate = collate;
    return PrintPrepared(printer, options);
}

int TrpReport::PrintPrepared(QPrinter &printer, const TrpPrintOptions &chosen)
{
    TrpEMFPages &pages = EMFPages();
    if (pages.Count() == 0) return 0;
    ReportScope scope(this);
    QList<TrpPrintPage> list;
    for (int i = 0; i < pages.Count(); ++i) {
        const TrpPreparedPage *p = pages.GetPage(i);
        TrpPrintPage pp;
        pp.PaperSize = p->PaperSize;
        pp.PaperWidth = p->PaperWidth;
        pp.PaperHeight = p->PaperHeight;
        pp.Orientation = p->Orientation;
        pp.Bin = p->PaperBin;
        pp.Metrics = p->PageMetrics;
        list.append(pp);
    }
    TrpPrintOptions options = chosen;
    options.Copies = std::max(1, chosen.Copies);
    options.Title = Title;
    if (OnPrintReport) OnPrintReport();
    m_stopped = false;
    options.Stopped = [this] { return m_stopped; };
    return rpPrintPages(printer, list, options, [this](int index, TrpCanvas &canvas, const TrpRect &rect) {
        PageNo = index;
        Progress(index + 1);
        EMFPages().DrawPage(index, &canvas, rect.toQRect());
    });
}

void TrpReport::ChangePrinter(const QString &printerName)
{
    PrinterName = printerName;
    if (PrintToDefault || printerName.isEmpty()) return;
    TrpPrinter &printer = rpPrinter();
    if (printer.Printing) return;
    const QStringList &names = printer.Printers();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(printerName, Qt::CaseInsensitive) == 0) {
            if (i != printer.PrinterIndex()) printer.SetPrinterIndex(i);
            return;
        }
}

bool TrpReport::SetPrinterIndex(int oldIndex, int newIndex)
{
    TrpPrinter &printer = rpPrinter();
    const bool ok = newIndex >= 0 && newIndex < printer.Printers().size();
    if (ok) {
        printer.SetPrinterIndex(newIndex);
    } else {
        ShowError(LoadEngineString(55210));
        printer.SetPrinterIndex(oldIndex);
    }
    PrinterName = printer.PrinterName();
    for (int i = 0; i < m_pages.Count(); ++i) {
        TrpPage *p = m_pages.GetPage(i);
        p->SetPaper(p->PaperSize, p->PaperWidth, p->PaperHeight, p->PaperBin, p->Orientation);
    }
    return ok && printer.PrinterIndex() == newIndex;
}

// ---------------------------------------------------------------- export

bool TrpReport::ExportPrepared(TrpExportFilter &filter, const QString &fileName, QWidget *parent)
{
    bool goOn = true;
    if (filter.OnBeforeExport) filter.OnBeforeExport(fileName, goOn);
    if (!goOn) return false;
    if (filter.ShowDialog && filter.ShowOptionsDialog(parent) != 1) return false;
    // The old file stays until the last page is written: a failed export
    // leaves it as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw kv::Error(QStringLiteral("Cannot create file \"%1\"").arg(fileName));
    ReportScope scope(this);
    bindDictionary();
    filter.Stream = &file;
    filter.FileName = fileName;
    TotalPages = EMFPages().Count();
    m_exportFilter = &filter;
    m_stopped = false;
    try {
        filter.BeginDocument();
        for (int i = 0; i < EMFPages().Count(); ++i) {
            PageNo = i;
            filter.BeginPage();
            EMFPages().ExportPage(i);
            filter.EndPage();
            Progress(i + 1);
            // Stopped: the file is not written, an old one stays as it was.
            if (m_stopped) {
                m_exportFilter = nullptr;
                filter.Stream = nullptr;
                file.cancelWriting();
                return false;
            }
        }
        filter.EndDocument();
    } catch (...) {
        m_exportFilter = nullptr;
        filter.Stream = nullptr;
        throw;
    }
    m_exportFilter = nullptr;
    filter.Stream = nullptr;
    if (!file.flush() || !file.commit())
        throw kv::Error(QStringLiteral("Cannot write file \"%1\"").arg(fileName));
    if (filter.OnAfterExport) filter.OnAfterExport();
    return true;
}

namespace {

TrpExportObject exportObjectOf(TrpView *view)
{
    TrpExportObject o;
    o.View = view;
    o.TypeCode = view->TypeCode;
    o.Left = view->Left;
    o.Top = view->Top;
    o.Width = view->Width;
    o.Height = view->Height;
    o.FrameTyp = view->FrameTyp;
    o.FillColor = view->FillColor;
    // A plain memo, the common case of every line exported, is told by its
    // exact type without the casts' search.
    const bool plainMemo = &typeid(*view) == &typeid(TrpMemoView);
    if (auto *m = plainMemo ? static_cast<TrpMemoView *>(view) : dynamic_cast<TrpMemoView *>(view)) {
        o.IsMemo = true;
        o.Font = m->Font;
        o.Alignment = m->Alignment;
    }
    if (auto *p = plainMemo ? nullptr : dynamic_cast<TrpPictureView *>(view)) {
        o.IsPicture = true;
        o.Picture = p->Picture.Image;
        o.PictureIsJpeg = p->Picture.Kind == rppkJPEG;
        if (o.PictureIsJpeg) o.JpegData = p->Picture.Data;
    }
    return o;
}

} // namespace

void TrpReport::ExportObject(TrpView *view)
{
    if (!m_exportFilter || !view) return;
    const TrpExportObject o = exportObjectOf(view);
    m_exportFilter->ExportObject(view->Left, view->Top, o);
}

void TrpReport::ExportText(const TrpRect &rect, int x, int y, TrpView *view, int frameTyp, const QString &text)
{
    if (!m_exportFilter || !view) return;
    m_exportFilter->ExportText(rect, x, y, exportObjectOf(view), frameTyp, text);
}

// ---------------------------------------------------------------- objects and scripts

QString TrpReport::ExpandBracket(const QString &expression, TrpView *view)
{
    int code = view ? view->DisplayFormat : 0;
    QString formatText = view ? view->DisplayFormatText : QString();
    QString expr = expression;
    const qsizetype hash = expr.indexOf(QStringLiteral(" #"));
    if (hash >= 0) {
        int c = 0;
        QString t;
        if (rpParseInlineFormat(expr.mid(hash + 2), c, t)) {
            code = c;
            formatText = t;
        }
        expr = expr.left(hash);
    }
    TrpValue v = TrpValue::null();
    rpEngine().ResolveValue(expr.trimmed(), v);
    if (view && view->TypeCode == rpgtMemo && (view->Flags & rpmfHideZeros) && v.isNumeric() && rpEqualsZero(v))
        v = TrpValue();
    m_currentValue = v;
    if (Collecting) return QString();
    return rpFormatValue(v, code, formatText, rpEngine().FormatSettings());
}

QString TrpReport::ExpandBrackets(const QString &text, TrpView *view)
{
    // A text without brackets is its own expansion, shared.
    if (!text.contains(QLatin1Char('['))) return text;
    QString out;
    int i = 1;
    const int n = int(text.size());
    while (i <= n) {
        if (text[i - 1] != QLatin1Char('[')) {
            // The plain run up to the next bracket in one piece.
            qsizetype next = text.indexOf(QLatin1Char('['), i - 1);
            if (next < 0) next = n;
            out += QStringView(text).mid(i - 1, next - (i - 1));
            i = int(next) + 1;
            continue;
        }
        int end = i;
        const QString inner = ScanBracketedPart(text, i, end);
        if (end > n) {   // no closing bracket: the rest is text
            out += text.mid(i - 1);
            break;
        }
        TrpView *saved = m_printingView;
        m_printingView = view;
        try {
            out += ExpandBracket(inner, view);
        } catch (...) {
            m_printingView = saved;
            throw;
        }
        m_printingView = saved;
        i = end + 1;
    }
    return out;
}

bool TrpReport::BeforePrint(QStringList &lines, TrpView *view)
{
    if (!OnBeforePrint) return false;
    OnBeforePrint(lines, view);
    return true;
}

void TrpReport::RunScript(const QStringList &script, TrpObject *owner)
{
    (void)owner;
    if (script.isEmpty() || Stopped()) return;
    TrpCompiledScript compiled;
    QStringList errors;
    TInterpretator &interp = rpEngine().Interpreter();
    if (!interp.Compile(script, compiled, errors)) {
        BuildError(BuildCalculationError(errors.value(0), FileName));
        return;
    }
    try {
        interp.Run(compiled);
    } catch (const kv::Error &e) {
        BuildError(BuildCalculationError(e.message(), FileName));
    }
}

TrpValue TrpReport::Calculate(const QString &expression) { return rpEngine().Calculate(expression); }

// ---------------------------------------------------------------- names

TrpFieldSource *TrpReport::CurrentFieldSource() const
{
    TrpFieldSource *source = Dataset();
    if (!CurPage || !CurBand || CurPage->Page->PageType == ptDialog) return source;
    int level;
    switch (CurBand->Kind) {
    case btReportTitle: case btReportSummary: case btPageHeader: case btPageFooter:
    case btMasterHeader: case btMasterData: case btMasterFooter: case btGroupHeader: case btGroupFooter:
        level = btMasterData;
        break;
    case btDetailData: case btDetailFooter: level = btDetailData; break;
    case btSubDetailData: case btSubDetailFooter: level = btSubDetailData; break;
    case btCrossData: case btCrossFooter: level = btCrossData; break;
    default: return source;
    }
    // only a data set with fields answers bare field names
    TrpBand *data = CurPage->Slot(level);
    return data ? dynamic_cast<TrpDBDataSet *>(data->DataSource) : nullptr;
}

void TrpReport::ResolveValue(const QString &name, TrpValue &value) { rpEngine().ResolveValue(name, value); }

void TrpReport::CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3, TrpValue &value)
{
    rpEngine().CallFunction(name, p1, p2, p3, value);
}

bool TrpReport::GetReportValue(const QString &name, TrpValue &value)
{
    if (OnGetValue) {
        TrpValue v = value;
        if (OnGetValue(name, v)) {
            value = v;
            return true;
        }
    }
    if (Dictionary().HasVariable(name)) {
        value = Dictionary().VariableValue(name);
        return true;
    }
    if (name == QLatin1String("VALUE")) {
        value = m_currentValue;
        return true;
    }
    const TrpBand *lineBand = CurBand;
    for (int guard = 0; lineBand && lineBand->Kind == btChild && lineBand->ParentBand && guard < 100; ++guard)
        lineBand = lineBand->ParentBand;
    if (name == QLatin1String("PAGE#")) value = TrpValue(PageNo + 1);
    else if (name == QLatin1String("DATE")) value = TrpValue::dateTime(std::floor(BuildDate));
    else if (name == QLatin1String("TIME")) value = TrpValue::dateTime(BuildDate - std::floor(BuildDate));
    else if (name == QLatin1String("LINE#")) value = TrpValue(lineBand ? lineBand->LineNo : 0);
    else if (name == QLatin1String("LINETHROUGH#")) value = TrpValue(lineBand ? lineBand->LineThroughNo : 0);
    else if (name == QLatin1String("COLUMN#")) value = TrpValue(CurPage ? CurPage->CrossColumn : 1);
    else if (name == QLatin1String("CURRENT#")) value = TrpValue(CurPage ? CurPage->CurrentNo : 1);
    else if (name == QLatin1String("TOTALPAGES")) value = TrpValue(TotalPages);
    else if (name == QLatin1String("REPORTCOMMENT")) value = TrpValue(Info.Comment);
    else if (name == QLatin1String("REPORTNAME")) value = TrpValue(Info.Name);
    else if (name == QLatin1String("REPORTAUTOR")) value = TrpValue(Info.Author);
    else if (name == QLatin1String("VMAJOR")) value = TrpValue(Info.VMajor);
    else if (name == QLatin1String("VMINOR")) value = TrpValue(Info.VMinor);
    else if (name == QLatin1String("VRELEASE")) value = TrpValue(Info.VRelease);
    else if (name == QLatin1String("VBUILD")) value = TrpValue(Info.VBuild);
    else if (name == QLatin1String("REPORTDATE")) value = TrpValue::dateTime(Info.CreationDate);
    else if (name == QLatin1String("REPORTLASTCHANGE")) value = TrpValue::dateTime(Info.LastChange);
    else if (name == QLatin1String("CALCWIDTH")) {
        TrpView *v = m_printingView ? m_printingView : rpObjects().CurView;
        if (auto *m = dynamic_cast<TrpMemoView *>(v)) value = TrpValue(m->CalcAutoWidth(m->ExpandedMemo));
        else value = TrpValue(v ? v->Width : 0);
    } else return false;
    return true;
}

bool TrpReport::GetSystemValue(const QString &name, TrpValue &value)
{
    if (CurPage) {
        if (name == QLatin1String("CURY")) { value = TrpValue(CurPage->PrintY); return true; }
        if (name == QLatin1String("FREESPACE")) { value = TrpValue(CurPage->PrintBottom - CurPage->PrintY); return true; }
        if (name == QLatin1String("PAGEHEIGHT")) { value = TrpValue(CurPage->PrintBottom); return true; }
        if (name == QLatin1String("PAGEWIDTH")) { value = TrpValue(CurPage->RightEdge()); return true; }
    }
    if (name == QLatin1String("FINALPASS")) { value = TrpValue(m_finalPass); return true; }

    // a data field: "source.field" or a field of the current record
    {
        TrpFieldSource *source = CurrentFieldSource();
        QString field;
        ResolveFieldReference(name, &m_host, source, field);
        if (source && !field.isEmpty()) {
            value = source->fieldValue(field);
            return true;
        }
    }
    TrpObject *object = nullptr;
    QString property;
    if (name.contains(QLatin1Char('.')) && ResolveObjectProperty(name, object, property) && object) {
        value = object->GetProperty(property);
        return true;
    }
    return false;
}

bool TrpReport::SetReportValue(const QString &name, const TrpValue &value)
{
    const QString n = kv::upperCase(name);
    // The report's own dictionary first: an application variable made here
    // would override the dictionary of every later report.
    TrpDataDictionary &dictionary = Dictionary();
    if (const int idx = dictionary.VariableList.IndexOf(name); idx >= 0 && !name.startsWith(QLatin1Char(' '))) {
        dictionary.VariableList.SetValueAt(idx, value);
        dictionary.ClearCache();
        return true;
    }
    if (n == QLatin1String("MODALRESULT")) return true;
    if (n == QLatin1String("CURY") && CurPage) {
        CurPage->PrintY = rpCoord(value.toInt32());
        // A new page or column asked for in this band keeps the position set.
        if (CurBand && (CurBand->NewPageRequests || CurBand->NewColumnRequests)) CurBand->KeepPosition = true;
        return true;
    }
    TrpObject *object = nullptr;
    QString property;
    if (name.contains(QLatin1Char('.')) && ResolveObjectProperty(name, object, property) && object) {
        object->SetProperty(property, value);
        return true;
    }
    if (n == QLatin1String("PROGRESS")) {
        ProgressText(value.toText());
        return true;
    }
    return false;
}

bool TrpReport::CallReportFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                                   TrpValue &value)
{
    if (name == QLatin1String("STOPREPORT")) {
        Stop();
        return true;
    }
    if (name == QLatin1String("NEWPAGE") || name == QLatin1String("NEWCOLUMN")) {
        if (CurBand) {
            if (name == QLatin1String("NEWPAGE")) ++CurBand->NewPageRequests;
            else ++CurBand->NewColumnRequests;
        }
        return true;
    }
    if (name == QLatin1String("SHOWBAND")) {
        if (CurPage) CurPage->PrintBandByName(p1);
        return true;
    }
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        if (TrpView *v = FindObject(name.left(dot))) {
            value = v->CallMethod(kv::upperCase(name.mid(dot + 1)), TrpValue(p1), TrpValue(p2), TrpValue(p3));
            return true;
        }
    }
    if (OnUserFunction) {
        TrpValue v = value;
        if (OnUserFunction(name, p1, p2, p3, v)) {
            value = v;
            return true;
        }
    }
    return false;
}

bool TrpReport::SetIndexProperty(const QString &objectProperty, const TrpValue &index, const TrpValue &value)
{
    const qsizetype dot = objectProperty.indexOf(QLatin1Char('.'));
    if (dot <= 0) return false;
    TrpView *v = FindObject(objectProperty.left(dot));
    if (!v) return false;
    v->CallMethod(QStringLiteral("SETINDEXPROPERTY"), TrpValue(kv::upperCase(objectProperty.mid(dot + 1))), index, value);
    return true;
}

bool TrpReport::GetIndexProperty(const QString &objectProperty, const TrpValue &index, TrpValue &value)
{
    const qsizetype dot = objectProperty.indexOf(QLatin1Char('.'));
    if (dot <= 0) return false;
    TrpView *v = FindObject(objectProperty.left(dot));
    if (!v) return false;
    value = v->CallMethod(QStringLiteral("GETINDEXPROPERTY"), TrpValue(kv::upperCase(objectProperty.mid(dot + 1))), index,
                          TrpValue());
    return true;
}

bool TrpReport::Aggregate(TrpAggregateKind kind, const QString &expression, const QString &band,
                          const QString &flags, TrpValue &value)
{
    const bool countInvisible = flags.trimmed() == QLatin1String("1");
    if (Collecting) {
        TrpBand *data = CurPage ? CurPage->FindDataBand(UnquoteName(band)) : nullptr;
        if (!data) data = CollectDataBand;
        if (data && CollectShowBand) data->AddAggregate(CollectShowBand, kind, expression.trimmed(), countInvisible);
        value = TrpValue(0);
        return true;
    }
    // Outside the collecting and the printing pass the result stays empty.
    value = TrpValue();
    if (!CurPage || !CurBand) return true;
    TrpBand *data = CurPage->FindDataBand(UnquoteName(band));
    if (!data) data = CurPage->AggregateOwner(CurBand);
    TrpAggregate *entry = data ? data->FindAggregate(CurBand, kind, expression.trimmed(), countInvisible) : nullptr;
    if (!entry)
        for (const auto &b : CurPage->Bands())
            if ((entry = b->FindAggregate(CurBand, kind, expression.trimmed(), countInvisible))) break;
    if (entry) value = TrpBand::AggregateValue(*entry);
    return true;
}

bool TrpReport::FieldIsNull(const QString &reference)
{
    return ::FieldIsNull(reference, UseDefaultDataSetName ? CurrentFieldSource() : nullptr, &m_host);
}
