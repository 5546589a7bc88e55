#include "report/building/pagebuild.h"

#include <algorithm>
#include <set>

#include "platform/text.h"
#include "report/building/datasource.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/script/scriptengine.h"

namespace {

int dataKindOfLevel(int level) { return level == 1 ? btMasterData : level == 2 ? btDetailData : btSubDetailData; }

bool isCrossKind(int kind) { return kind >= btCrossHeader && kind <= btCrossFooter; }

// A bracketed expression standing alone as a view's text: its inside, else "".
QString singleExpression(const TrpView *v)
{
    if (v->Memo.size() != 1) return QString();
    const QString t = v->Memo.first();
    if (t.size() <= 2 || !t.startsWith(QLatin1Char('['))) return QString();
    const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
    if (close < 1) return QString();
    const QString inner = t.mid(1, close - 1);
    if (inner.contains(QLatin1Char('[')) || inner.contains(QLatin1Char(']'))) return QString();
    return inner;
}

} // namespace

TrpPageBuild *rpPageBuild(TrpPage *page) { return page ? dynamic_cast<TrpPageBuild *>(page->Build.get()) : nullptr; }

TrpPageBuild::TrpPageBuild(TrpPage *page, TrpReport *report) : Page(page), Report(report) {}

TrpPageBuild::~TrpPageBuild()
{
    // bands end the use of their data sources in their own order
    while (!m_bands.empty()) m_bands.pop_back();
}

// ---------------------------------------------------------------- margins

int TrpPageBuild::LeftMargin() const { return Parent ? Parent->LeftMargin() : Page->LeftMarginUsed(); }
int TrpPageBuild::TopMargin() const { return Parent ? Parent->TopMargin() : Page->TopMarginUsed(); }
int TrpPageBuild::RightEdge() const { return Parent ? Parent->RightEdge() : Page->RightEdge(); }

int TrpPageBuild::BottomEdge() const
{
    if (Parent) return Parent->BottomEdge();
    return Page->BottomEdgeOfPaper() - std::max(0, PageFooterHeight());
}

int TrpPageBuild::PageFooterHeight() const
{
    if (TrpBand *pf = Slot(btPageFooter); pf && pf->View) return pf->Height;
    return Prepared ? 0 : -1;
}

int TrpPageBuild::ColumnFooterHeight() const
{
    if (NoRepeatHeaders) return 0;
    TrpBand *cf = Slot(btColumnFooter);
    return cf && cf->View && cf->Visible ? cf->Height : 0;
}

TrpBand *TrpPageBuild::MasterDataBand() const { return Slot(btMasterData); }

TrpBand *TrpPageBuild::FindDataBand(const QString &name) const
{
    const QString n = name.trimmed();
    if (n.isEmpty()) return nullptr;
    for (const auto &b : m_bands)
        if (b->IsData() && b->View && b->Name.compare(n, Qt::CaseInsensitive) == 0) return b.get();
    return nullptr;
}

TrpBand *TrpPageBuild::AggregateOwner(const TrpBand *showBand) const
{
    const TrpBand *b = showBand;
    for (int guard = 0; b && b->Kind == btChild && b->ParentBand && guard < 100; ++guard) b = b->ParentBand;
    if (!b) return MasterDataBand();
    switch (b->Kind) {
    case btMasterHeader: case btMasterFooter: case btDetailHeader: case btDetailFooter:
    case btSubDetailHeader: case btSubDetailFooter:
        if (b->DataLink) return b->DataLink;
        break;
    case btMasterData: case btDetailData: case btSubDetailData:
        return const_cast<TrpBand *>(b);
    case btCrossFooter: case btCrossHeader:
        if (TrpBand *cd = Slot(btCrossData)) return cd;
        break;
    case btGroupFooter:
    case btGroupHeader:
        for (const auto &d : m_bands)
            for (TrpBand *g : d->Groups)
                if (g == b || g->FooterLink == b) return d.get();
        break;
    default: break;
    }
    return MasterDataBand();
}

// ---------------------------------------------------------------- set-up

void TrpPageBuild::InitBuild()
{
    if (Prepared) {
        // the final pass of a two-pass report goes over the bands of the first
        for (const auto &b : m_bands) {
            for (TrpView *v : b->Views)
                if (auto *m = dynamic_cast<TrpMemoView *>(v)) m->LastValue.clear();
            for (TrpAggregate &a : b->Aggregates) a.Reset();
            b->HasLastCondition = false;
            b->ColumnNo = 1;
            b->LineNo = b->LineThroughNo = 1;
            if (b->DataSource) b->DataSource->First();
        }
        LastPrinted = nullptr;
        CurrentNo = 1;
        CrossColumn = 1;
        return;
    }
    if (Page->PageType == ptDialog) {
        // no windows here: a dialog page only runs its script
        if (!Page->PrintScript.isEmpty()) Report->RunScript(Page->PrintScript, Page);
        return;
    }
    m_bands.clear();
    Slots.fill(nullptr);
    setUpBands();
    checkCycles();
    checkRoom();
    CurrentNo = 1;
    CrossColumn = 1;
    Prepared = true;
}

void TrpPageBuild::setUpBands()
{
    std::vector<TrpView *> views;
    for (const auto &v : Page->Views()) {
        v->InPreparedPage = true;
        v->OwnerBand = nullptr;
        v->OwnerPage = Page;
        views.push_back(v.get());
    }
    if (!Parent) moveViewsToMargins();
    makeBands(views);
    linkHeadersAndFooters();
    linkCrossSources();
    linkChildBands();
    nestGroups();
    if (Page->Columns <= 0) Page->Columns = 1;
    Page->ColumnWidth = (RightEdge() - LeftMargin() - (Page->Columns - 1) * Page->ColumnGap) / Page->Columns;
}

// Views stand where they were laid out on the page, and only bands flow from
// the top margin: with margins changed since, every view moves by the change
// (the restored template gets its places back after the build). A text
// reaching past the right margin ends at it (a title centred on the page
// stays on the paper); one set to the right (date, page number) moves back.
void TrpPageBuild::moveViewsToMargins()
{
    if (!Page->DesignedMargins) return;
    const int dx = Page->DesignShiftX(), dy = Page->DesignShiftY();
    const int left = Page->LeftMarginUsed(), right = Page->RightEdge();
    for (const auto &v : Page->Views()) {
        v->Left += dx;
        v->Top += dy;
        // Aligned views take their place from the margins themselves.
        const bool aligned = v->BandAlign != baNone && v->BandAlign != baTop && v->BandAlign != baBottom;
        if (v->TypeCode == rpgtBand || aligned || v->Left + v->Width <= right) continue;
        auto *memo = dynamic_cast<TrpMemoView *>(v.get());
        if (v->Left >= right && memo && (memo->Alignment & 7) == rptaRight)
            v->Left = std::max(left, right - v->Width);
        else if (v->Left < right)
            v->Width = right - v->Left;
    }
}

// The bands of the page from its band views, each with the views inside it;
// what lies on no band goes to the band of kind btNone.
void TrpPageBuild::makeBands(const std::vector<TrpView *> &views)
{
    auto bandViewsOf = [&](int kind) {
        std::vector<TrpBandView *> out;
        for (TrpView *v : views)
            if (auto *bv = dynamic_cast<TrpBandView *>(v); bv && bv->BandType() == kind) out.push_back(bv);
        std::stable_sort(out.begin(), out.end(), [](const TrpBandView *a, const TrpBandView *b) { return a->Top < b->Top; });
        return out;
    };
    auto attach = [&](TrpBand *band) {
        const int top = band->Top, bottom = band->Top + band->Height;
        for (int pass = 0; pass < 2; ++pass)
            for (TrpView *v : views) {
                if (v->OwnerBand || dynamic_cast<TrpBandView *>(v)) continue;
                if ((v->TypeCode == rpgtSubReport) != (pass == 1)) continue;
                if (v->Top >= top && v->Top < bottom) {
                    v->OwnerBand = band;
                    v->Top -= top;
                    band->Views.push_back(v);
                }
            }
    };

    // cross bands: vertical strips; the views across them are their cells
    for (int kind : {btCrossHeader, btCrossData, btCrossFooter}) {
        const auto list = bandViewsOf(kind);
        if (list.empty()) continue;
        TrpBandView *bv = list.front();
        m_bands.push_back(std::make_unique<TrpBand>(kind, this));
        TrpBand *b = m_bands.back().get();
        b->AssignView(bv);
        Slots[size_t(kind)] = b;
        b->LastOfKind = b;
        if (!bv->DataSource().contains(QLatin1Char(';'))) b->SetDataSource(bv->DataSource());
        for (TrpView *v : views) {
            if (v->OwnerBand || dynamic_cast<TrpBandView *>(v) || v->TypeCode == rpgtSubReport) continue;
            if (v->Left >= b->Left && v->Left + v->Width <= b->Left + b->Width) {
                v->OwnerBand = b;
                v->Left -= b->Left;
                b->Views.push_back(v);
            }
        }
    }
    std::set<TrpView *> rowCells;
    auto attachCrossCells = [&](TrpBand *band) {
        if (isCrossKind(band->Kind)) return;
        const int top = band->Top, bottom = band->Top + band->Height;
        for (int kind : {btCrossHeader, btCrossData, btCrossFooter})
            if (TrpBand *c = Slot(kind))
                for (TrpView *v : c->Views)
                    if (!rowCells.count(v) && v->Top >= top && v->Top < bottom) {
                        rowCells.insert(v);
                        v->Top -= top;
                        band->Views.push_back(v);
                        band->HasCrossCells = true;
                    }
    };

    for (int kind = 0; kind < rpBandKindCount; ++kind) {
        if (kind == btNone || isCrossKind(kind)) continue;
        TrpBand *prev = nullptr;
        for (TrpBandView *bv : bandViewsOf(kind)) {
            m_bands.push_back(std::make_unique<TrpBand>(kind, this));
            TrpBand *b = m_bands.back().get();
            b->AssignView(bv);
            if (prev) {
                prev->NextOfKind = b;
                b->PrevOfKind = prev;
            } else {
                Slots[size_t(kind)] = b;
            }
            prev = b;
            if (Slots[size_t(kind)]) Slots[size_t(kind)]->LastOfKind = b;
            b->SetDataSource(bv->DataSource());
            attach(b);
            attachCrossCells(b);
        }
    }
    // views on no band
    m_bands.push_back(std::make_unique<TrpBand>(btNone, this));
    TrpBand *none = m_bands.back().get();
    Slots[btNone] = none;
    none->Name = QStringLiteral("None");
    for (TrpView *v : views)
        if (!v->OwnerBand && !dynamic_cast<TrpBandView *>(v)) {
            v->OwnerBand = none;
            none->Views.push_back(v);
        }
}

void TrpPageBuild::linkHeadersAndFooters()
{
    // headers and footers of the three data levels
    for (int data : {btMasterData, btDetailData, btSubDetailData}) {
        for (TrpBand *h = Slot(data - 1); h; h = h->NextOfKind)
            for (TrpBand *d = Slot(data); d; d = d->NextOfKind)
                if (d->Top >= h->Top + h->Height) {
                    if (!d->HeaderLink) {
                        d->HeaderLink = h;
                        h->DataLink = d;
                    }
                    break;
                }
        for (TrpBand *f = Slot(data + 1); f; f = f->NextOfKind) {
            TrpBand *above = nullptr;
            for (TrpBand *d = Slot(data); d; d = d->NextOfKind)
                if (d->Top + d->Height <= f->Top) above = d;
            if (above && !above->FooterLink) {
                above->FooterLink = f;
                f->DataLink = above;
            }
        }
    }
    // group headers and footers, from the inside out
    {
        std::vector<TrpBand *> headers, footers;
        for (TrpBand *g = Slot(btGroupHeader); g; g = g->NextOfKind) headers.push_back(g);
        for (TrpBand *g = Slot(btGroupFooter); g; g = g->NextOfKind) footers.push_back(g);
        size_t f = 0;
        for (auto h = headers.rbegin(); h != headers.rend() && f < footers.size(); ++h, ++f) {
            (*h)->FooterLink = footers[f];
            footers[f]->DataLink = *h;
        }
    }
}

void TrpPageBuild::linkCrossSources()
{
    // row-specific cross sources: "Band=source;Band2=source2"
    if (TrpBand *cd = Slot(btCrossData); cd && cd->View && cd->View->DataSource().contains(QLatin1Char(';'))) {
        for (const QString &item : SplitList(cd->View->DataSource())) {
            const qsizetype eq = item.indexOf(QLatin1Char('='));
            if (eq <= 0) continue;
            const QString bandName = item.left(eq).trimmed();
            for (const auto &b : m_bands)
                if (b->Kind >= btMasterHeader && b->Kind <= btChild && b->View
                    && b->Name.compare(bandName, Qt::CaseInsensitive) == 0) {
                    bool owned = false;
                    b->CrossDataSource = Report->Host().Resolve(item.mid(eq + 1).trimmed(), owned);
                    b->OwnsCrossDataSource = owned;
                }
        }
    }
}

void TrpPageBuild::linkChildBands()
{
    // child bands
    for (const auto &b : m_bands) {
        if (!b->View || b->View->ChildBand.trimmed().isEmpty()) continue;
        for (const auto &c : m_bands)
            if (c->View && c->Name.compare(b->View->ChildBand.trimmed(), Qt::CaseInsensitive) == 0) {
                b->ChildBand = c.get();
                if (!c->ParentBand) c->ParentBand = b.get();
                break;
            }
    }
}

void TrpPageBuild::nestGroups()
{
    // groups of the data bands, outermost first
    if (MasterDataBand()) {
        for (TrpBand *g = Slot(btGroupHeader); g; g = g->NextOfKind) {
            TrpBand *owner = FindDataBand(g->View ? g->View->Master : QString());
            if (!owner) owner = MasterDataBand();
            if (!owner->Groups.empty()) {
                owner->Groups.back()->InnerGroup = g;
                g->OuterGroup = owner->Groups.back();
            }
            owner->Groups.push_back(g);
        }
    }
}

void TrpPageBuild::checkCycles()
{
    for (const auto &b : m_bands) {
        std::set<const TrpBand *> seen;
        for (const TrpBand *c = b.get(); c; c = c->ChildBand) {
            if (!seen.insert(c).second)
                throw kv::Error(QStringLiteral("The child bands of \"%1\" lead back to a band already printed")
                                    .arg(b->Name));
        }
    }
}

void TrpPageBuild::checkRoom()
{
    const QString name = Page->Name;
    if (RightEdge() - LeftMargin() <= 0 || Page->BottomEdgeOfPaper() - TopMargin() <= 0)
        throw kv::Error(QStringLiteral("The page \"%1\" has no room between its margins").arg(name));
    int furniture = 0;
    for (int kind : {btPageHeader, btColumnHeader, btColumnFooter})
        if (TrpBand *b = Slot(kind); b && b->View) furniture += b->Height;
    if (TopMargin() + furniture >= BottomEdge())
        throw kv::Error(QStringLiteral("The headers and footers of the page \"%1\" leave no room for data").arg(name));
    if (Page->Columns > 1 && Page->ColumnWidth <= 0)
        throw kv::Error(QStringLiteral("The columns of the page \"%1\" do not fit across it").arg(name));
}

// ---------------------------------------------------------------- aggregates and field links

void TrpPageBuild::PrepareAggregates()
{
    if (Page->PageType == ptDialog) return;
    // direct field links of views that show one data field
    for (const auto &v : Page->Views()) {
        v->FieldDataSet = nullptr;
        v->FieldName.clear();
        if (dynamic_cast<TrpBandView *>(v.get())) continue;
        if (v->TypeCode == rpgtMemo && (v->Flags & rpmfTextOnly)) continue;
        const QString expr = singleExpression(v.get());
        if (expr.isEmpty()) continue;
        TrpFieldSource *source = nullptr;
        QString field;
        TrpDataDictionary &dictionary = Report->Dictionary();
        if (dictionary.HasVariable(expr)) {
            // a variable that stands for a data field links to that field
            if (!dictionary.CachedField(expr, source, field)) continue;
        } else {
            if (!expr.contains(QLatin1Char('.'))) continue;
            ResolveFieldReference(expr, &Report->Host(), source, field);
        }
        if (source && !field.isEmpty()) {
            v->FieldDataSet = source;
            v->FieldName = field;
        }
    }

    static const std::vector<int> kinds[3] = {{btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary},
                                              {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter, btReportSummary},
                                              {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btSubDetailFooter,
                                               btGroupFooter, btReportSummary}};
    TrpEngine &engine = rpEngine();
    auto visit = [&](TrpBand *data, TrpBand *b) {
        QStringList calls;
        TAggregateFunctionsSplitter splitter(&Report->Dictionary().VariableList, calls);
        splitter.SplitScript(engine.Interpreter(), b->PrintScript);
        for (TrpView *v : b->Views) {
            if (v->OwnerBand != b) continue;
            splitter.SplitMemo(v->Memo);
            splitter.SplitScript(engine.Interpreter(), v->PrintScript);
        }
        Report->Collecting = true;
        Report->CollectDataBand = data;
        Report->CollectShowBand = b;
        try {
            for (const QString &call : calls) engine.Calculate(call);
        } catch (const kv::Error &e) {
            Report->Collecting = false;
            Report->BuildError(BuildCalculationError(e.message(), Report->FileName));
            return false;
        }
        Report->Collecting = false;
        return true;
    };
    if (TrpBand *cd = Slot(btCrossData); cd && Slot(btCrossFooter))
        if (!visit(cd, Slot(btCrossFooter))) return;
    for (int level = 1; level <= 3; ++level) {
        for (TrpBand *d = Slot(dataKindOfLevel(level)); d && d->DataSource; d = d->NextOfKind) {
            for (int kind : kinds[level - 1]) {
                TrpBand *first = Slot(kind);
                if (!first) continue;
                int guard = 0;
                for (TrpBand *c = first; c && guard < rpBandKindCount * 64; c = c->ChildBand, ++guard)
                    if (!visit(d, c)) return;
                for (TrpBand *o = first->NextOfKind; o; o = o->NextOfKind)
                    if (!visit(d, o)) return;
            }
        }
    }
}

// ---------------------------------------------------------------- building

void TrpPageBuild::addPreparedPage()
{
    Report->EMFPages().AddPage(*Page);
    Report->PageNo = Report->EMFPages().Count() - 1;
    Report->FireBeginPage(Report->PageNo);
}

void TrpPageBuild::ShowBand(TrpBand *band)
{
    if (!band || Report->Stopped()) return;
    if (Recording) {
        Steps.push_back({band, 0});
        // a group header stands for its group from now on
        if (band->Kind == btGroupHeader && !band->Condition.isEmpty()) {
            try {
                band->LastConditionValue = rpEngine().Parser().EvaluatePostfix(band->Condition);
                band->HasLastCondition = true;
            } catch (const kv::Error &e) {
                Report->BuildError(BuildCalculationError(e.message(), Report->FileName));
            }
        }
        return;
    }
    band->Print();
}

void TrpPageBuild::RecordSteps()
{
    Steps.clear();
    ReplayPos = 0;
    OverflowBand = nullptr;
    AfterOverflow.clear();
    Recording = true;
    NoRepeatHeaders = false;
    LastPrinted = nullptr;
    try {
        ShowBand(Slot(btReportTitle));
        ShowBand(Slot(btColumnHeader));
        PrepareAggregates();
        const int deepest = Slot(btSubDetailData) ? 3 : Slot(btDetailData) ? 2 : 1;
        runLevel(1, deepest);
        ShowBand(Slot(btReportSummary));
    } catch (...) {
        Recording = false;
        throw;
    }
    Recording = false;
}

bool TrpPageBuild::Replay()
{
    while (ReplayPos < Steps.size()) {
        if (Report->Stopped()) return false;
        const Step s = Steps[ReplayPos];
        switch (s.Action) {
        case 0:
            if (TrpBand *over = OverflowBand) {
                // the step printed in part: its subreports go on here
                if (over->ContinueSubreports()) return true;
                std::vector<TrpBand *> after;
                after.swap(AfterOverflow);
                for (size_t k = 0; k < after.size(); ++k)
                    Steps.insert(Steps.begin() + std::ptrdiff_t(ReplayPos + 1 + k), Step{after[k], 0});
            } else if (s.Band->Print()) {
                return true;
            }
            break;
        case 1:
            if (s.Band->DataSource) s.Band->DataSource->First();
            s.Band->LineNo = 1;
            s.Band->LineThroughNo = 1;
            break;
        default:
            if (s.Band->DataSource) s.Band->DataSource->Next();
            ++CurrentNo;
            ++s.Band->LineThroughNo;
            ++s.Band->LineNo;
            break;
        }
        ++ReplayPos;
        ForceFit = false;
    }
    return false;
}

void TrpPageBuild::BuildPage()
{
    TrpReport *R = Report;
    TrpEMFPages &pages = R->EMFPages();
    const bool manual = bool(R->OnManualBuild);

    if (!R->PrintIfEmpty) {
        bool empty = true;
        if (TrpBand *m = MasterDataBand(); m && m->DataSource) {
            try {
                m->DataSource->First();
                empty = m->DataSource->Eof();
            } catch (const kv::Error &) {
                empty = true;
            }
        }
        if (empty) return;
    }

    NoRepeatHeaders = false;
    if (!Page->PrintScript.isEmpty()) R->RunScript(Page->PrintScript, Page);
    bool continuing = R->ContinuesOnLastPage(*Page);
    if (continuing && R->SavedY >= R->SavedBottom) continuing = false;
    PrintBottom = continuing && R->SavedFooterDone ? R->SavedBottom : BottomEdge();
    Column = 0;
    OffsetX = LeftMargin();
    LastPrinted = nullptr;
    if (continuing) {
        R->PageNo = pages.Count() - 1;
        PrintY = R->SavedY;
        FreshY = -1;
        ContentSinceNewPage = true;
    } else {
        R->FooterDonePage = -1;
        addPreparedPage();
        PrintY = TopMargin();
        ShowBand(Slot(btOverlay));
        ShowBand(Slot(btNone));
        FreshY = PrintY;
        ContentSinceNewPage = false;
    }

    const int before = pages.Count();
    if (!manual) ShowBand(Slot(btReportTitle));
    if (pages.Count() == before) {
        if (TrpBand *ph = Slot(btPageHeader); ph && ph->OnFirstPage()) ShowBand(ph);
        ColumnTopY = PrintY;
        ShowBand(Slot(btColumnHeader));
        if (!ContentSinceNewPage) FreshY = PrintY;
    }

    if (!manual && !R->Stopped()) {
        if (!(R->TwoPass() && R->FinalPass())) PrepareAggregates();
        const int deepest = Slot(btSubDetailData) ? 3 : Slot(btDetailData) ? 2 : 1;
        runLevel(1, deepest);
    }

    if (manual) {
        R->OnManualBuild(Page);
    } else {
        NoRepeatHeaders = true;
        ShowBand(Slot(btColumnFooter));
        ShowBand(Slot(btReportSummary));
        NoRepeatHeaders = false;
    }
    R->SavedY = Column > 0 ? BottomEdge() : PrintY;
    R->SavedBottom = PrintBottom;
    Column = 0;
    OffsetX = LeftMargin();
    R->SavedFooterDone = false;
    if (!manual) {
        TrpBand *pf = Slot(btPageFooter);
        if (pf && pf->View && ((R->PageNo == 0 && pf->OnFirstPage()) || pf->OnLastPage())) {
            PrintPageFooters(true);
            R->FooterDonePage = R->PageNo;
            R->SavedFooterDone = true;
        }
    }
    R->FireEndPage(R->PageNo);
    R->PageNo = pages.Count();
    LastPrinted = nullptr;
}

bool TrpPageBuild::conditionChanged(TrpBand *g)
{
    if (!g->HasLastCondition) return true;
    if (g->Condition.isEmpty()) return false;
    const TrpValue now = rpEngine().Parser().EvaluatePostfix(g->Condition);
    return rpCompare(now, g->LastConditionValue, TrpRelation::Ne).toInteger() != 0;
}

void TrpPageBuild::printQueue()
{
    std::vector<TrpBand *> waiting;
    waiting.swap(m_queue);
    for (TrpBand *b : waiting)
        if (b->Exists()) ShowBand(b);
}

void TrpPageBuild::runLevel(int level, int deepest)
{
    TrpReport *R = Report;
    for (TrpBand *B = Slot(dataKindOfLevel(level)); B; B = B->NextOfKind) {
        TrpDataset *src = B->DataSource;
        if (!src) continue;
        if (!src->CanEnd())
            throw kv::Error(QStringLiteral("The data source \"%1\" of the band \"%2\" has no end of data")
                                .arg(src->Name(), B->Name));
        src->First();
        if (Recording) Steps.push_back({B, 1});
        B->LineNo = 1;
        B->LineThroughNo = 1;
        for (TrpBand *g : B->Groups) g->LineNo = g->LineThroughNo = 0;
        if (!src->Eof()) {
            for (TrpBand *g : B->Groups) {
                ++g->LineNo;
                ++g->LineThroughNo;
                queue(g);
            }
            queue(B->HeaderLink);
            if (B->FooterLink) B->FooterLink->InitAggregates();
        }
        while (!src->Eof() && !R->Stopped()) {
            queue(B);
            if (B->PrintIfSubsetEmpty) printQueue();
            bool counts = true;
            if (level < deepest) {
                runLevel(level + 1, deepest);
                if (!m_queue.empty()) {
                    if (B->PrintIfSubsetEmpty) {
                        printQueue();
                    } else {
                        auto it = std::find(m_queue.begin(), m_queue.end(), B);
                        if (it != m_queue.end()) m_queue.erase(it);
                        counts = false;
                    }
                }
            } else {
                printQueue();
            }
            if (R->Stopped()) break;
            src->Next();

            // group change: the outermost group whose condition moved
            const bool atEnd = src->Eof();
            TrpBand *changed = nullptr;
            for (TrpBand *g : B->Groups)
                if (atEnd || conditionChanged(g)) {
                    changed = g;
                    break;
                }
            if (changed) {
                // footers print with the values of the group's last record,
                // when the source can go back to it
                bool stepped = false;
                if (!atEnd && src->CanStepBack()) {
                    try {
                        src->Prior();
                        stepped = true;
                    } catch (const kv::Error &) {
                        stepped = false;
                    }
                }
                const auto pos = std::find(B->Groups.begin(), B->Groups.end(), changed);
                for (auto g = B->Groups.rbegin(); g != B->Groups.rend() && *g != changed; ++g) {
                    queue((*g)->FooterLink);
                    (*g)->LineNo = 0;
                    if ((*g)->FooterLink) (*g)->FooterLink->LineNo = 0;
                }
                queue(changed->FooterLink);
                printQueue();
                if (!atEnd) {
                    if (stepped) src->Next();
                    if (changed->FormNewPage && changed->Visible) NewPage();
                    for (auto g = pos; g != B->Groups.end(); ++g) {
                        ++(*g)->LineNo;
                        ++(*g)->LineThroughNo;
                        queue(*g);
                    }
                    B->LineNo = 0;
                }
            }
            if (Recording) {
                Steps.push_back({B, 2});
            } else if (counts) {
                ++CurrentNo;
                ++B->LineThroughNo;
                ++B->LineNo;
                if (!src->Eof() && B->FormNewPage && B->Visible) NewPage();
            }
        }
        if (m_queue.empty()) ShowBand(B->FooterLink);
        else m_queue.pop_back();
    }
}

namespace {

// Headers that start a new page while they are printed on a new page would do
// so for ever.
class BreakDepth
{
public:
    BreakDepth(int &depth, const QString &pageName) : m_depth(depth)
    {
        if (++m_depth > 4) {
            m_depth = 0;
            throw kv::Error(QStringLiteral("The headers of the page \"%1\" do not fit on it").arg(pageName));
        }
    }
    ~BreakDepth() { if (m_depth > 0) --m_depth; }
    BreakDepth(const BreakDepth &) = delete;
    BreakDepth &operator=(const BreakDepth &) = delete;

private:
    int &m_depth;
};

} // namespace

void TrpPageBuild::NewPage()
{
    if (Subreport) return;   // the band that holds the subreport breaks the page
    BreakDepth depth(m_breakDepth, Page->Name);
    TrpReport *R = Report;
    R->Progress(R->EMFPages().Count() + 1);
    if (!NoRepeatHeaders) ShowBand(Slot(btColumnFooter));
    PrintPageFooters(false);
    PrintBottom = BottomEdge();
    addPreparedPage();
    R->FooterDonePage = -1;
    ShowBand(Slot(btOverlay));
    PrintY = TopMargin();
    FreshY = PrintY;
    ContentSinceNewPage = false;
    ShowBand(Slot(btPageHeader));
    ColumnTopY = PrintY;
    ShowBand(Slot(btColumnHeader));
    FreshY = PrintY;
    ContentSinceNewPage = false;
}

void TrpPageBuild::NewColumn(TrpBand *band)
{
    if (Subreport) return;
    BreakDepth depth(m_breakDepth, Page->Name);
    if (Column < Page->Columns - 1) {
        ShowBand(Slot(btColumnFooter));
        ++Column;
        OffsetX += Page->ColumnWidth + Page->ColumnGap;
        PrintY = ColumnTopY;
        ShowBand(Slot(btColumnHeader));
        FreshY = PrintY;
        ContentSinceNewPage = false;
    } else {
        NewPage();
    }
    if (!NoRepeatHeaders) {
        for (TrpBand *g = Slot(btGroupHeader); g && g != band; g = g->NextOfKind)
            if (g->RepeatHeader()) {
                g->InRepeat = true;
                ShowBand(g);
                g->InRepeat = false;
            }
    }
    if (band && band->IsData() && band->HeaderLink && band->HeaderLink->RepeatHeader()) {
        TrpBand *h = band->HeaderLink;
        h->InRepeat = true;
        ShowBand(h);
        h->InRepeat = false;
    }
}

void TrpPageBuild::PrintPageFooters(bool forceFirst)
{
    TrpReport *R = Report;
    Column = 0;
    OffsetX = LeftMargin();
    TrpBand *pf = Slot(btPageFooter);
    const int count = R->EMFPages().Count();
    if (R->PageNo != 0 || forceFirst || (pf && pf->OnFirstPage())) {
        for (int i = std::max(0, R->PageNo); i < count; ++i) {
            R->PageNo = i;
            if (i == R->FooterDonePage) continue;
            R->FireEndPage(i);
            ShowBand(pf);
        }
    }
    R->PageNo = std::max(0, count - 1);
}

void TrpPageBuild::PrintBandByName(const QString &name)
{
    const QString n = UnquoteName(name.trimmed());
    for (int kind = 0; kind < rpBandKindCount; ++kind)
        for (TrpBand *b = Slot(kind); b; b = b->NextOfKind)
            if (b->View && b->Name.compare(n, Qt::CaseInsensitive) == 0) {
                ShowBand(b);
                return;
            }
}

void TrpPageBuild::EndBuild()
{
    if (Report->TwoPass() && !Report->FinalPass()) return;
    m_bands.clear();
    Slots.fill(nullptr);
    m_queue.clear();
    Prepared = false;
}
