#pragma once
// Building one report page: its bands made from the band views, the data
// levels with their groups, headers and footers, new columns and pages. The
// state lives on the template page (TrpPage::Build) between InitBuild and
// EndBuild.
#include <array>
#include <memory>
#include <vector>

#include "report/building/band.h"
#include "report/model/page.h"

class TrpReport;

class TrpPageBuild : public TrpPageExtension
{
public:
    TrpPageBuild(TrpPage *page, TrpReport *report);
    ~TrpPageBuild() override;

    // Makes the bands; raises kv::Error for a page that cannot be built (no
    // room between its margins, furniture taller than the page, cycles of
    // child bands or subreports, a subreport naming a missing page).
    void InitBuild();
    void BuildPage();
    void EndBuild();

    void ShowBand(TrpBand *band);
    void NewPage();
    void NewColumn(TrpBand *band);
    void PrintPageFooters(bool forceFirst);
    void PrintBandByName(const QString &name);
    // The aggregate calls of the footers of every data level.
    void PrepareAggregates();

    // Margins in force while building.
    int LeftMargin() const;
    int TopMargin() const;
    int RightEdge() const;
    int BottomEdge() const;          // without the page footer
    int PageFooterHeight() const override;
    int ColumnFooterHeight() const;
    TrpBand *Slot(int kind) const { return Slots[size_t(kind)]; }
    TrpBand *MasterDataBand() const;
    // The data band whose aggregates a band shows.
    TrpBand *AggregateOwner(const TrpBand *showBand) const;
    TrpBand *FindDataBand(const QString &name) const;
    const std::vector<std::unique_ptr<TrpBand>> &Bands() const { return m_bands; }
    // True once a band other than the page's furniture printed on the current page.
    bool HasContent() const { return ContentSinceNewPage; }

    // ---- serving as a subreport of a band on another page
    // Walks the data once and keeps what to print (bands, first and next records).
    void RecordSteps();
    // Prints the kept steps from ReplayPos on; true when the room ran out
    // (the step that did not fit stays for the next page).
    bool Replay();
    struct Step { TrpBand *Band; int Action; };   // 0 print, 1 first record, 2 next record
    std::vector<Step> Steps;
    size_t ReplayPos = 0;
    bool Recording = false;
    bool Subreport = false;           // prints inside a band of Parent
    bool ForceFit = false;            // a fresh page could not hold the step: print it anyway
    // A band whose own subreports overflowed, and the bands that print after it.
    TrpBand *OverflowBand = nullptr;
    std::vector<TrpBand *> AfterOverflow;
    TrpPageBuild *Parent = nullptr;

    TrpPage *Page;
    TrpReport *Report;
    std::array<TrpBand *, rpBandKindCount> Slots{};
    int PrintY = 0, PrintBottom = 0, OffsetX = 0, Column = 0, ColumnTopY = 0;
    int FreshY = 0;                    // position right after a new page's headers
    bool ContentSinceNewPage = false;
    TrpBand *LastPrinted = nullptr;
    int CrossColumn = 1, CurrentNo = 1;
    bool NoRepeatHeaders = false;
    bool Prepared = false;

private:
    void setUpBands();
    void moveViewsToMargins();
    void makeBands(const std::vector<TrpView *> &views);
    void linkHeadersAndFooters();
    void linkCrossSources();
    void linkChildBands();
    void nestGroups();
    void checkCycles();
    void checkRoom();
    void runLevel(int level, int deepest);
    void queue(TrpBand *band) { if (band) m_queue.push_back(band); }
    void printQueue();
    bool conditionChanged(TrpBand *group);
    void addPreparedPage();

    std::vector<std::unique_ptr<TrpBand>> m_bands;
    std::vector<TrpBand *> m_queue;
    int m_breakDepth = 0;
};

// The build state of a page (nullptr when the page is not being built).
TrpPageBuild *rpPageBuild(TrpPage *page);
