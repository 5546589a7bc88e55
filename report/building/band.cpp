#include "report/building/band.h"

#include <algorithm>

#include "platform/text.h"
#include "report/building/datasource.h"
#include "report/building/pagebuild.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/script/scriptengine.h"

namespace {

bool keepsTop(int kind) { return kind == btPageFooter || kind == btOverlay || kind == btNone; }

// Bands printed outside the data flow: they never break a page.
bool isFurniture(int kind)
{
    return kind == btPageHeader || kind == btPageFooter || kind == btOverlay || kind == btColumnHeader
           || kind == btColumnFooter || kind == btNone;
}

} // namespace

QString rpBandKindName(int kind) { return LoadEngineString(55077 + kind); }

TrpBand::TrpBand(int kind, TrpPageBuild *page) : Kind(kind), Page(page) {}

TrpBand::~TrpBand()
{
    if (View && View->BuiltBand == this) View->BuiltBand = nullptr;
    releaseDataSource();
}

void TrpBand::releaseDataSource()
{
    if (CrossDataSource) {
        TrpDataset *cs = CrossDataSource;
        CrossDataSource = nullptr;
        try {
            cs->Exit();
        } catch (const kv::Error &) {
            // Called while unwinding a build too: the build's own error is the one shown.
        }
        if (OwnsCrossDataSource) delete cs;
        OwnsCrossDataSource = false;
    }
    if (!DataSource) return;
    TrpDataset *ds = DataSource;
    DataSource = nullptr;
    try {
        ds->Exit();
    } catch (const kv::Error &) {
        // the data set may be gone already; nothing more to give back
    }
    if (OwnsDataSource) delete ds;
    OwnsDataSource = false;
}

void TrpBand::AssignView(TrpBandView *view)
{
    View = view;
    view->BuiltBand = this;
    Memo = view->Memo;
    PrintScript = view->PrintScript;
    Left = view->Left;
    Top = view->Top;
    Width = view->Width;
    Height = view->Height;
    Flags = view->Flags;
    Visible = view->Visible;
    Name = view->Name;
    Stretched = Flags & rpbfStretched;
    FormNewPage = Flags & rpbfFormNewPage;
    PrintIfSubsetEmpty = Flags & rpbfPrintIfSubsetEmpty;
    Breaked = Flags & rpbfBreaked;
    PrintChildIfInvisible = Flags & rpbfPrintChildIfInvisible;
}

void TrpBand::SetDataSource(const QString &text)
{
    if (Kind == btGroupHeader) {
        Condition = TrpParser::ToPostfix(text);
        return;
    }
    if (text.contains(QLatin1Char(';'))) return;
    releaseDataSource();
    const QString t = text.trimmed();
    if (!t.isEmpty()) {
        bool owned = false;
        DataSource = Page->Report->Host().Resolve(t, owned);
        OwnsDataSource = owned;
    } else if (Kind == btMasterData && Page->Report->ReportType == rtSimple && Page->Report->Dataset()) {
        DataSource = Page->Report->Dataset();
        DataSource->Init();
    }
}

bool TrpBand::Exists() const { return View != nullptr || (Kind == btNone && !Views.empty()); }

// ---------------------------------------------------------------- measuring

int TrpBand::stretchedHeight()
{
    int h = Height;
    for (TrpView *v : Views) {
        auto *s = dynamic_cast<TrpStretcheable *>(v);
        if (!s || v->OwnerBand != this) continue;
        h = std::max(h, v->Top + s->CalcHeight());
    }
    if (!HasCrossCells || Kind == btPageFooter) return h;
    // a cross-tab row is as tall as its tallest cell in any column
    TrpPageBuild *P = Page;
    auto measureCells = [&](TrpBand *c) {
        for (TrpView *v : Views)
            if (auto *s = dynamic_cast<TrpStretcheable *>(v); s && v->OwnerBand == c) {
                h = std::max(h, v->Top + s->CalcHeight());
                s->LayoutMode = 0;
            }
    };
    const int savedColumn = P->CrossColumn;
    if (TrpBand *ch = P->Slot(btCrossHeader)) measureCells(ch);
    if (TrpBand *cd = P->Slot(btCrossData)) {
        TrpDataset *src = cd->DataSource ? cd->DataSource : CrossDataSource;
        if (src && !(Kind == btMasterFooter && src->Eof())) {
            P->CrossColumn = 1;
            src->First();
            while (!src->Eof() && !P->Report->Stopped()) {
                measureCells(cd);
                ++P->CrossColumn;
                src->Next();
            }
        }
    }
    if (TrpBand *cf = P->Slot(btCrossFooter)) measureCells(cf);
    P->CrossColumn = savedColumn;
    return h;
}

int TrpBand::MeasureHeight()
{
    int h = 0;
    if (IsData() && DataSource && NextOfKind && !NextOfKind->DataSource) {
        for (TrpBand *b = this; b; b = b->NextOfKind)
            if (b->Visible) {
                const int one = b->Stretched ? b->stretchedHeight() : b->Height;
                b->MeasuredHeight = std::max(b->MeasuredHeight, one);
                h += one;
            }
    } else {
        h = Stretched ? stretchedHeight() : Height;
    }
    MeasuredHeight = std::max(MeasuredHeight, h);
    return h;
}

int TrpBand::bottomRoom() const { return Page->PrintBottom - Page->ColumnFooterHeight(); }

bool TrpBand::checkFit(int top, int height, bool noBreak)
{
    if (Kind == btColumnFooter || Page->Subreport) return false;
    if (Page->PrintBottom >= top + height + Page->ColumnFooterHeight()) return false;
    // A fresh page that still cannot hold the band: breaking again would make
    // empty pages for ever; the band prints where it is.
    if (!Page->ContentSinceNewPage && Page->PrintY <= Page->FreshY && !noBreak) return false;
    if (!noBreak) Page->NewColumn(this);
    return true;
}

// ---------------------------------------------------------------- printing

bool TrpBand::Print()
{
    TrpReport *report = Page->Report;
    TrpPageBuild *P = Page;
    const bool savedBreaked = Breaked;
    TrpBand *savedBand = report->CurBand;
    report->CurBand = this;
    rpObjects().CurView = View;
    MeasuredHeight = -1;
    NewPageRequests = NewColumnRequests = 0;
    KeepPosition = false;
    report->FireBeginBand(this);
    const int pagesBefore = report->EMFPages().Count();

    if (P->LastPrinted && P->LastPrinted != this && P->LastPrinted->ColumnNo > 1) {
        TrpBand *last = P->LastPrinted;
        P->OffsetX = last->ColumnStartX;
        P->PrintY += last->ColumnRise;
        last->ColumnNo = 1;
        P->LastPrinted = nullptr;
    }

    if (!SkipScript && !PrintScript.isEmpty()) report->RunScript(PrintScript, View);
    SkipScript = false;
    if (report->Stopped()) {
        Breaked = savedBreaked;
        report->CurBand = savedBand;
        return false;
    }
    const int yBefore = P->PrintY;
    for (int i = 0; i < NewPageRequests; ++i) {
        P->Column = std::max(0, P->Page->Columns - 1);
        P->NewColumn(this);
    }
    for (int i = 0; i < NewColumnRequests; ++i) P->NewColumn(this);
    if (KeepPosition && (NewPageRequests || NewColumnRequests)) P->PrintY = yBefore;
    NewPageRequests = NewColumnRequests = 0;

    bool result = false;
    if (Visible) {
        if (Kind == btColumnHeader) P->ColumnTopY = P->PrintY;
        if (Kind == btPageFooter) Top = P->PrintBottom;
        if (Exists()) {
            MeasuredHeight = std::max(MeasuredHeight, Height);
            if (!keepsTop(Kind) && Kind != btColumnFooter) {
                const int h = MeasureHeight();
                if (P->Subreport) {
                    // inside another page's band: the owner starts the new page
                    if (P->PrintY + h > bottomRoom() && !P->ForceFit) {
                        report->FireEndBand(this);
                        Breaked = savedBreaked;
                        report->CurBand = savedBand;
                        return true;
                    }
                    Breaked = false;
                } else if (P->PrintY + h > bottomRoom() && !Breaked) {
                    const bool fresh = !P->ContentSinceNewPage && P->PrintY <= P->FreshY;
                    if (!fresh) {
                        P->NewColumn(this);
                        result = true;
                        if (P->PrintY + h > bottomRoom()) Breaked = true;
                    } else if (Kind == btPageHeader || Kind == btColumnHeader || InRepeat) {
                        // headers come back on every page: one taller than the page never ends
                        throw kv::Error(QStringLiteral("The header \"%1\" does not fit on the page \"%2\"")
                                            .arg(Name, P->Page->Name));
                    } else {
                        Breaked = true;   // taller than an empty page: split it
                    }
                }
            }
            if (report->EMFPages().Count() != pagesBefore) ColumnNo = 1;
            if (IsData() && DataSource && NextOfKind && !NextOfKind->DataSource) {
                for (TrpBand *b = this; b; b = b->NextOfKind) {
                    if (!b->Visible) continue;
                    // after an overflow handed up, the rest prints when it is over
                    if (P->OverflowBand) P->AfterOverflow.push_back(b);
                    else b->printViews();
                }
            } else {
                printViews();
                if (P->OverflowBand) {
                    if (ChildBand) P->AfterOverflow.push_back(ChildBand);
                } else if (ChildBand) {
                    ChildBand->Print();
                }
                if (!IsData() && Kind != btGroupHeader && FormNewPage) P->NewPage();
            }
            if (P->Subreport && P->OverflowBand) result = true;
        }
    } else {
        if (PrintChildIfInvisible && ChildBand) ChildBand->Print();
        if (IsData()) Accumulate();
    }

    // breaks asked for by the scripts of the band's objects come after the band
    if (Visible && (NewPageRequests || NewColumnRequests) && !P->Subreport && !report->Stopped()) {
        const int pages = NewPageRequests, columns = NewColumnRequests;
        NewPageRequests = NewColumnRequests = 0;
        for (int i = 0; i < pages; ++i) {
            P->Column = std::max(0, P->Page->Columns - 1);
            P->NewColumn(nullptr);
        }
        for (int i = 0; i < columns; ++i) P->NewColumn(nullptr);
    }

    if (!InRepeat) {
        if (Kind == btPageFooter) {
            if (report->EMFPages().Count() == report->PageNo + 1) InitAggregates();
        } else {
            InitAggregates();
        }
    }
    report->FireEndBand(this);
    Breaked = savedBreaked;
    report->CurBand = savedBand;
    return result;
}

void TrpBand::printViews()
{
    TrpPageBuild *P = Page;
    TrpBand *savedBand = P->Report->CurBand;
    P->Report->CurBand = this;
    const int savedTop = Top;
    const bool keeps = keepsTop(Kind);
    if (!keeps) Top = P->PrintY;
    if (!isFurniture(Kind) && !InRepeat) P->ContentSinceNewPage = true;

    if (Stretched) {
        if (MeasuredHeight < 0) MeasureHeight();
        const int h = MeasuredHeight;
        std::vector<std::pair<TrpView *, int>> heights;
        for (TrpView *v : Views) {
            if (v->OwnerBand != this || !dynamic_cast<TrpStretcheable *>(v)) continue;
            if ((v->Flags & rpflStretched) && v->Height > 0) {
                heights.emplace_back(v, v->Height);
                v->Height = h - v->Top;
            }
        }
        PrintedHeight = h;
        if (!Breaked) {
            checkFit(Top, h, false);
            if (!keeps) Top = P->PrintY;
        }
        if (Breaked) {
            printSplit();
        } else {
            printPlain();
            if (HasCrossCells) printCross();
            if (!keeps && !m_subreportRan) P->PrintY += h;
        }
        for (auto &[v, old] : heights) v->Height = old;
    } else {
        if (!keeps && !Breaked) {
            checkFit(Top, Height, false);
            Top = P->PrintY;
        }
        if (Breaked) {
            PrintedHeight = std::max(MeasuredHeight, Height);
            printSplit();
        } else {
            printPlain();
            if (HasCrossCells) printCross();
            if (!keeps && !m_subreportRan) P->PrintY += Height;
        }
    }

    if (View && View->Columns > 1 && IsData()) {
        if (P->LastPrinted != this) ColumnNo = 1;
        if (ColumnNo == 1) ColumnStartX = P->OffsetX;
        ++ColumnNo;
        if (ColumnNo > View->Columns) {
            P->OffsetX = ColumnStartX;
            ColumnNo = 1;
        } else {
            P->OffsetX = ColumnStartX + (View->ColumnWidth + View->ColumnGap) * (ColumnNo - 1);
            ColumnRise = std::max(MeasuredHeight, Height);
            P->PrintY -= ColumnRise;
        }
    }
    P->LastPrinted = this;
    Top = savedTop;
    if (IsData()) Accumulate();
    P->Report->CurBand = savedBand;
}

void TrpBand::printView(TrpView *v) { printCell(v, 0); }

void TrpBand::printCell(TrpView *v, int shiftX)
{
    TrpReport *report = Page->Report;
    if (report->IsFirstPass() && !Breaked) {
        auto *s = dynamic_cast<TrpStretcheable *>(v);
        if (s && s->LayoutMode != 0) {
            s->LayoutMode = 0;
            return;
        }
        if (!v->PrintScript.isEmpty()) report->RunScript(v->PrintScript, v);
        return;
    }
    const int savedLeft = v->Left, savedTop = v->Top;
    const int dx = shiftX + Page->OffsetX - Page->LeftMargin();
    v->Left += dx;
    v->Top += Top;
    rpObjects().CurView = v;
    TrpBandPlace &place = report->CellPlace;
    place = TrpBandPlace{};
    place.Top = Top;
    place.Height = Stretched || Breaked ? PrintedHeight : Height;
    place.Cross = v->OwnerBand && v->OwnerBand != this && v->OwnerBand->Kind >= btCrossHeader
                  && v->OwnerBand->Kind <= btCrossFooter;
    place.CellLeft = dx;
    place.CellWidth = place.Cross ? v->OwnerBand->Width : 0;
    place.ShiftX = dx;
    place.ShiftY = Top;
    place.Split = m_splitting;
    place.Views = &Views;
    const TrpView *savedCell = report->CellView;
    report->CellView = v;
    auto *memo = dynamic_cast<TrpMemoView *>(v);
    if (memo) memo->Written = false;
    try {
        report->EMFPages().AppendView(report->PageNo, *v);
    } catch (const kv::Error &e) {
        report->CellView = savedCell;
        v->Left = savedLeft;
        v->Top = savedTop;
        report->BuildError(BuildCalculationError(e.message(), report->FileName));
        return;
    }
    report->CellView = savedCell;
    v->Left = savedLeft;
    v->Top = savedTop;
    // once per memo: printed whole or as its first part, and only when written
    if (memo && memo->Written && !m_partContinues) {
        for (const auto &o : Page->Page->Views())
            if (o->Flags & rpflNotify) o->Notify(v);
    }
}

bool TrpReport::PrintingBandPlace(const TrpView *view, TrpBandPlace &place) const
{
    if (!IsBuilding() || !view) return false;
    if (view == CellView) {
        place = CellPlace;
        return true;
    }
    // measured, not printed: the view stands where it was designed in its band
    if (!view->OwnerBand || !CurBand) return false;
    place = TrpBandPlace{};
    place.Views = &view->OwnerBand->Views;
    return true;
}

void TrpBand::printPlain()
{
    m_subreportRan = false;
    for (size_t i = 0; i < Views.size(); ++i) {
        TrpView *v = Views[i];
        if (Page->Report->Stopped()) return;
        if (v->OwnerBand != this) continue;
        if (v->TypeCode == rpgtSubReport) {
            if (!v->Visible) continue;
            printSubreports(i);
            return;
        }
        printView(v);
    }
}

void TrpBand::printSubreports(size_t first)
{
    TrpPageBuild *P = Page;
    TrpReport *R = P->Report;
    m_subBandBottom = std::max(0, P->PrintY + Height);
    m_subPagesBefore = R->EMFPages().Count();
    m_subs.clear();
    for (size_t i = first; i < Views.size(); ++i) {
        auto *view = dynamic_cast<TrpSubReportView *>(Views[i]);
        if (!view || !view->Visible || view->OwnerBand != this) continue;
        TrpPage *page = R->Pages().GetPage(view->TargetPage);
        if (!page || page == P->Page) continue;
        if (!rpPageBuild(page)) page->Build = std::make_unique<TrpPageBuild>(page, R);
        TrpPageBuild *sb = rpPageBuild(page);
        sb->Parent = P;
        sb->Subreport = true;
        TrpPageBuild *savedPage = R->CurPage;
        R->CurPage = sb;
        if (!sb->Prepared) sb->InitBuild();
        sb->PrintY = P->PrintY + view->Top;
        sb->PrintBottom = P->PrintBottom;
        sb->OffsetX = P->OffsetX + view->Left;
        sb->Column = 0;
        sb->RecordSteps();
        R->CurPage = savedPage;
        m_subs.push_back({sb, false});
    }
    m_subreportRan = !m_subs.empty();
    m_subLargest = P->PrintY;
    playSubreports();
}

void TrpBand::restartSubreports()
{
    TrpPageBuild *P = Page;
    m_subLargest = P->PrintY;
    for (SubreportRun &s : m_subs) {
        if (s.finished) continue;
        s.build->PrintY = P->PrintY;
        s.build->PrintBottom = P->PrintBottom;
        // a whole new page: what does not fit on it never will, so it prints
        s.build->ForceFit = true;
    }
}

bool TrpBand::ContinueSubreports()
{
    Page->OverflowBand = nullptr;
    restartSubreports();
    playSubreports();
    return Page->OverflowBand == this;
}

void TrpBand::playSubreports()
{
    TrpPageBuild *P = Page;
    TrpReport *R = P->Report;
    for (;;) {
        bool allDone = true;
        for (SubreportRun &s : m_subs) {
            if (s.finished) continue;
            TrpPageBuild *savedPage = R->CurPage;
            R->CurPage = s.build;
            const bool over = s.build->Replay();
            R->CurPage = savedPage;
            m_subLargest = std::max(m_subLargest, s.build->PrintY);
            if (over) allDone = false;
            else s.finished = true;
        }
        if (allDone || R->Stopped()) break;
        if (P->Subreport) {
            // a subreport inside a subreport: the page that holds this band
            // has no new page to give; the overflow goes up to its band
            P->OverflowBand = this;
            return;
        }
        SkipScript = true;
        P->NewPage();
        restartSubreports();
    }
    for (SubreportRun &s : m_subs) {
        s.build->Steps.clear();
        s.build->ForceFit = false;
    }
    m_subs.clear();
    P->PrintY += std::max(MeasuredHeight, m_subLargest - P->PrintY);
    if (R->EMFPages().Count() == m_subPagesBefore && P->PrintY < m_subBandBottom) P->PrintY = m_subBandBottom;
}

void TrpBand::printCross()
{
    TrpPageBuild *P = Page;
    TrpReport *R = P->Report;
    TrpBand *ch = P->Slot(btCrossHeader), *cd = P->Slot(btCrossData), *cf = P->Slot(btCrossFooter);
    const int savedPageNo = R->PageNo;
    TrpBand *savedBand = R->CurBand;
    P->CrossColumn = 1;
    auto cells = [&](TrpBand *c, int x) {
        for (TrpView *v : Views)
            if (v->OwnerBand == c && !R->Stopped()) printCell(v, x);
    };
    // past the right edge the row goes on at the left of the next prepared page
    auto fit = [&](int &x, int width) {
        if (x + width <= P->RightEdge() || x <= P->LeftMargin()) return;
        ++R->PageNo;
        if (R->PageNo >= R->EMFPages().Count()) {
            R->EMFPages().AddPage(*P->Page);
            R->PageNo = R->EMFPages().Count() - 1;
            const int y = P->PrintY;
            P->ShowBand(P->Slot(btOverlay));
            TrpBand *ph = P->Slot(btPageHeader);
            if (ph && (R->PageNo > 0 || ph->OnFirstPage())) {
                P->PrintY = P->TopMargin();
                P->ShowBand(ph);
            }
            P->PrintY = y;
            R->CurBand = this;
        }
        x = P->LeftMargin();
        if (ch && ch->RepeatHeader()) {
            cells(ch, x);
            x += ch->Width;
        }
    };
    if (R->OnBeginColumn) R->OnBeginColumn(this);
    int x = ch ? ch->Left : cd ? cd->Left : Left;
    if (ch) {
        if (!ch->PrintScript.isEmpty()) R->RunScript(ch->PrintScript, ch->View);
        cells(ch, x);
        x += ch->Width;
    }
    if (cd) {
        TrpDataset *src = cd->DataSource ? cd->DataSource : CrossDataSource;
        std::unique_ptr<TrpUserDataset> virt;
        if (Kind == btMasterFooter && (!src || src->Eof())) {
            virt = MakeVirtualDataset(cd->CrossMax);
            src = virt.get();
        }
        if (src) {
            src->First();
            int n = 0;
            while (!src->Eof() && !R->Stopped()) {
                if (!cd->PrintScript.isEmpty()) R->RunScript(cd->PrintScript, cd->View);
                int width = cd->Width;
                if (R->OnPrintColumn) R->OnPrintColumn(P->CrossColumn, width);
                fit(x, width);
                cells(cd, x);
                cd->Accumulate();
                x += width;
                ++P->CrossColumn;
                ++n;
                src->Next();
            }
            cd->CrossMax = std::max(cd->CrossMax, n);
        }
    }
    if (cf) {
        R->CurBand = cf;
        if (!cf->PrintScript.isEmpty()) R->RunScript(cf->PrintScript, cf->View);
        fit(x, cf->Width);
        cells(cf, x);
        cf->InitAggregates();
    }
    R->CurBand = savedBand;
    R->PageNo = savedPageNo;
}

void TrpBand::printSplit()
{
    TrpPageBuild *P = Page;
    struct Item { TrpView *v; int top, height; bool printed = false; };
    std::vector<Item> items;
    for (TrpView *v : Views) {
        if (v->OwnerBand != this || v->TypeCode == rpgtSubReport) continue;
        items.push_back({v, v->Top, v->Height});
        if (v->BandAlign == baBottom) v->Top = PrintedHeight - v->Height;
    }
    auto restore = [&] {
        m_splitting = m_partContinues = false;
        for (Item &it : items) {
            it.v->Top = it.top;
            it.v->Height = it.height;
            if (auto *s = dynamic_cast<TrpStretcheable *>(it.v)) s->LayoutMode = 0;
        }
    };
    if (P->Subreport || !checkFit(Top, PrintedHeight, true)) {
        printPlain();
        restore();
        if (!m_subreportRan) P->PrintY += PrintedHeight;
        return;
    }
    int lastBottom = 0;
    m_splitting = true;
    try {
        for (;;) {
            const int room = bottomRoom() - Top - 2;
            if (room <= 0)
                throw kv::Error(QStringLiteral("The band \"%1\" has no room on the page").arg(Name));
            lastBottom = 0;
            const bool freshPage = !P->ContentSinceNewPage || P->PrintY <= P->FreshY;
            for (size_t i = 0; i < items.size(); ++i) {
                Item &it = items[i];
                if (it.printed) continue;
                TrpView *v = it.v;
                auto *s = dynamic_cast<TrpStretcheable *>(v);
                const int top = v->Top, bottom = v->Top + v->Height;
                if (top >= room) continue;
                m_partContinues = top < 0;   // the view began on an earlier page
                if (bottom <= room) {
                    if (top < 0) {
                        v->Top = 0;
                        v->Height = bottom;
                        if (s) s->LayoutMode = 2;
                    }
                    printView(v);
                    it.printed = true;
                    lastBottom = std::max(lastBottom, v->Top + v->Height);
                } else if (s && (top < 0 || top + s->MinHeight() <= room || freshPage)) {
                    if (top >= 0) s->CalcHeight();
                    const int partTop = std::max(top, 0);
                    v->Top = partTop;
                    v->Height = room - partTop + 1;
                    s->LayoutMode = 2;
                    printView(v);
                    const int rest = std::max(0, s->RemainHeight());
                    s->LayoutMode = 2;   // the rest continues on the next page
                    v->Top = top;
                    v->Height = bottom - top + rest;
                    for (size_t k = 0; k < items.size(); ++k) {
                        TrpView *w = items[k].v;
                        if (k == i || items[k].printed || w->Top < bottom) continue;
                        if (w->Left < v->Left + v->Width && v->Left < w->Left + w->Width) w->Top += rest;
                    }
                    lastBottom = room;
                } else if (top <= 0 && freshPage) {
                    // taller than a whole page and cannot be cut: printed as it is
                    v->Top = 0;
                    printView(v);
                    it.printed = true;
                    lastBottom = std::max(lastBottom, std::min(room, v->Height));
                } else if (top >= 0) {
                    v->Top = room;
                }
            }
            bool left = false;
            for (Item &it : items)
                if (!it.printed) {
                    it.v->Top -= room;
                    left = true;
                }
            if (!left || P->Report->Stopped()) break;
            P->ContentSinceNewPage = true;
            P->NewColumn(this);
            P->ContentSinceNewPage = true;
            Top = P->PrintY;
        }
    } catch (...) {
        restore();
        throw;
    }
    PrintedHeight = lastBottom;
    restore();
    P->PrintY += PrintedHeight;
}

// ---------------------------------------------------------------- aggregates

TrpAggregate *TrpBand::FindAggregate(const TrpBand *showBand, TrpAggregateKind kind, const QString &expression,
                                     bool countInvisible)
{
    for (TrpAggregate &a : Aggregates)
        if (a.ShowBand == showBand && a.Kind == kind && a.Expression == expression
            && a.CountInvisible == countInvisible)
            return &a;
    return nullptr;
}

TrpAggregate &TrpBand::AddAggregate(const TrpBand *showBand, TrpAggregateKind kind, const QString &expression,
                                    bool countInvisible)
{
    if (TrpAggregate *a = FindAggregate(showBand, kind, expression, countInvisible)) return *a;
    TrpAggregate a;
    a.ShowBand = showBand;
    a.Kind = kind;
    a.Expression = expression;
    a.CountInvisible = countInvisible;
    a.Reset();
    Aggregates.push_back(a);
    return Aggregates.back();
}

TrpValue TrpBand::AggregateValue(const TrpAggregate &a)
{
    if (a.Kind == TrpAggregateKind::Avg) return a.Count == 0 ? TrpValue(0) : TrpValue(a.Value.toFloat() / a.Count);
    return a.Value;
}

void TrpBand::InitAggregates()
{
    if (Kind == btGroupHeader) {
        for (TrpBand *g = this; g; g = g->NextOfKind) {
            if (g->Condition.isEmpty()) continue;
            try {
                g->LastConditionValue = rpEngine().Parser().EvaluatePostfix(g->Condition);
                g->HasLastCondition = true;
            } catch (const kv::Error &e) {
                Page->Report->BuildError(BuildCalculationError(e.message(), Page->Report->FileName));
                return;
            }
        }
        return;
    }
    for (const auto &b : Page->Bands())
        for (TrpAggregate &a : b->Aggregates)
            if (a.ShowBand == this) a.Reset();
}

void TrpBand::Accumulate()
{
    TrpReport *report = Page->Report;
    QString lastExpr;
    TrpValue lastValue;
    bool haveLast = false;
    for (TrpAggregate &a : Aggregates) {
        if (!Visible && !a.CountInvisible) continue;
        TrpValue v(0);
        if (a.Kind != TrpAggregateKind::Count) {
            if (haveLast && a.Expression == lastExpr) {
                v = lastValue;
            } else {
                try {
                    v = rpEngine().Calculate(a.Expression);
                } catch (const kv::Error &e) {
                    report->BuildError(BuildCalculationError(e.message(), report->FileName));
                    return;
                }
                lastExpr = a.Expression;
                lastValue = v;
                haveLast = true;
            }
            if (v.isNull() || v.isEmpty()) v = TrpValue(0);
        }
        try {
            switch (a.Kind) {
            case TrpAggregateKind::Sum:
            case TrpAggregateKind::Avg: a.Value = rpAdd(a.Value, v); break;
            case TrpAggregateKind::Min:
                if (rpCompare(v, a.Value, TrpRelation::Lt).toInteger()) a.Value = v;
                break;
            case TrpAggregateKind::Max:
                if (a.Count == 0 || rpCompare(v, a.Value, TrpRelation::Gt).toInteger()) a.Value = v;
                break;
            case TrpAggregateKind::Count: a.Value = rpAdd(a.Value, TrpValue(1)); break;
            }
        } catch (const kv::Error &e) {
            report->BuildError(BuildCalculationError(e.message(), report->FileName));
            return;
        }
        ++a.Count;
    }
}

// ---------------------------------------------------------------- script access

bool TrpBand::SetBandProperty(const QString &name, const TrpValue &value)
{
    const QString n = kv::upperCase(name);
    if (n == QLatin1String("LEFT")) Left = rpCoord(value.toInt32());
    else if (n == QLatin1String("TOP")) Top = rpCoord(value.toInt32());
    else if (n == QLatin1String("WIDTH")) Width = rpCoord(value.toInt32());
    else if (n == QLatin1String("HEIGHT")) Height = rpCoord(value.toInt32());
    else if (n == QLatin1String("VISIBLE")) Visible = value.toBool();
    else if (n == QLatin1String("BREAKED")) Breaked = value.toBool();
    else if (n == QLatin1String("CONDITION")) Condition = TrpParser::ToPostfix(value.toText());
    else if (n == QLatin1String("CHILDBAND")) {
        ChildBand = nullptr;
        const QString child = value.toText();
        for (const auto &b : Page->Bands())
            if (b->View && b.get() != this && b->Name.compare(child, Qt::CaseInsensitive) == 0) {
                // a child that leads back here would print for ever
                bool loops = false;
                for (TrpBand *c = b.get(); c; c = c->ChildBand)
                    if (c == this) { loops = true; break; }
                if (!loops) {
                    ChildBand = b.get();
                    b->ParentBand = this;
                }
                break;
            }
        return false;   // the view keeps its name too
    } else if (n == QLatin1String("DATASOURCE")) SetDataSource(value.toText());
    else return false;
    return true;
}

bool TrpBand::GetBandProperty(const QString &name, TrpValue &value)
{
    const QString n = kv::upperCase(name);
    if (n == QLatin1String("LEFT")) value = TrpValue(Left);
    else if (n == QLatin1String("TOP")) value = TrpValue(Top);
    else if (n == QLatin1String("WIDTH")) value = TrpValue(Width);
    else if (n == QLatin1String("HEIGHT")) value = TrpValue(Height);
    else if (n == QLatin1String("VISIBLE")) value = TrpValue(Visible);
    else if (n == QLatin1String("BREAKED")) value = TrpValue(Breaked);
    else if (n == QLatin1String("EOF")) value = TrpValue(DataSource ? DataSource->Eof() : true);
    else return false;
    return true;
}

bool TrpBand::CallBandMethod(const QString &name)
{
    if (!DataSource) return false;
    const QString n = kv::upperCase(name);
    if (n == QLatin1String("NEXT")) DataSource->Next();
    else if (n == QLatin1String("PRIOR")) DataSource->Prior();
    else if (n == QLatin1String("FIRST")) DataSource->First();
    else return false;
    return true;
}
