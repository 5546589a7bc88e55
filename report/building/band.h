#pragma once
// A band being built: a horizontal strip of a report page with the views that
// lie on it. It measures itself (stretching views), moves to a new column or
// page when it does not fit, splits across pages, prints its views into the
// current prepared page and keeps the aggregates of the footers it feeds.
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "report/core/value.h"
#include "report/model/views.h"
#include "report/script/scriptengine.h"

class TrpDataset;
class TrpPageBuild;
class TrpReport;
class TrpView;
class TrpBandView;

// One aggregate kept by a data band for a band that shows it.
struct TrpAggregate
{
    const class TrpBand *ShowBand = nullptr;   // the band whose text holds the call
    TrpAggregateKind Kind = TrpAggregateKind::Sum;
    QString Expression;
    bool CountInvisible = false;               // flag "1"
    TrpValue Value;
    int Count = 0;                             // records accumulated since the reset

    // Back to no records: MIN starts above every value it can meet.
    void Reset()
    {
        Value = Kind == TrpAggregateKind::Min ? TrpValue(1e300) : TrpValue(0);
        Count = 0;
    }
};

class TrpBand : public TrpBuiltBand
{
public:
    TrpBand(int kind, TrpPageBuild *page);
    ~TrpBand() override;
    TrpBand(const TrpBand &) = delete;
    TrpBand &operator=(const TrpBand &) = delete;

    // Takes memo, script, geometry, flags and name of a band view.
    void AssignView(TrpBandView *view);
    // The band's data source text (a group header's condition); may raise.
    void SetDataSource(const QString &text);

    // Prints the band with its child; true when the page overflowed before it,
    // or when its subreports handed an overflow up to the page it is on.
    bool Print();
    // Goes on with the subreports that overflowed, at the page's new
    // position; true while they still overflow.
    bool ContinueSubreports();
    int MeasureHeight();
    // Whether the band is printed at all (a view, or the "None" band with views).
    bool Exists() const;
    bool IsData() const { return rpIsDataKind(Kind); }
    // Bit 6 of the flags.
    bool RepeatHeader() const { return (Flags & rpbfRepeatHeader) != 0; }
    bool OnFirstPage() const { return (Flags & rpbfOnFirstPage) != 0; }
    bool OnLastPage() const { return (Flags & rpbfOnLastPage) != 0; }

    // Aggregates.
    void InitAggregates();
    void Accumulate();
    TrpAggregate *FindAggregate(const TrpBand *showBand, TrpAggregateKind kind, const QString &expression,
                                bool countInvisible);
    TrpAggregate &AddAggregate(const TrpBand *showBand, TrpAggregateKind kind, const QString &expression,
                               bool countInvisible);
    static TrpValue AggregateValue(const TrpAggregate &entry);
    std::vector<TrpAggregate> Aggregates;

    // Script access through the band view.
    bool SetBandProperty(const QString &name, const TrpValue &value) override;
    bool GetBandProperty(const QString &name, TrpValue &value) override;
    bool CallBandMethod(const QString &name) override;

    int Kind;
    TrpPageBuild *Page;
    TrpBandView *View = nullptr;
    std::vector<TrpView *> Views;
    QStringList Memo, PrintScript;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    quint16 Flags = 0;
    bool Stretched = false, FormNewPage = false, PrintIfSubsetEmpty = false, Breaked = false;
    bool PrintChildIfInvisible = false, Visible = true;
    QString Name;

    TrpBand *NextOfKind = nullptr, *PrevOfKind = nullptr, *LastOfKind = nullptr;
    TrpBand *HeaderLink = nullptr, *FooterLink = nullptr, *DataLink = nullptr;
    std::vector<TrpBand *> Groups;              // a data band's group headers, outermost first
    TrpBand *InnerGroup = nullptr, *OuterGroup = nullptr;
    QString Condition;                          // postfix form
    TrpValue LastConditionValue;
    bool HasLastCondition = false;
    TrpBand *ChildBand = nullptr;
    TrpBand *ParentBand = nullptr;               // the band whose child this is

    TrpDataset *DataSource = nullptr;
    bool OwnsDataSource = false;
    TrpDataset *CrossDataSource = nullptr;
    bool OwnsCrossDataSource = false;
    bool HasCrossCells = false;        // the band is a row of a cross-tab
    int CrossMax = 0;

    int LineNo = 1, LineThroughNo = 1;
    int MeasuredHeight = -1, PrintedHeight = 0;
    int ColumnNo = 1, ColumnStartX = 0, ColumnRise = 0;
    int NewPageRequests = 0, NewColumnRequests = 0;
    bool KeepPosition = false;
    bool SkipScript = false, InRepeat = false;

private:
    void releaseDataSource();
    int stretchedHeight();
    void printViews();
    void printPlain();
    void printCross();
    void printCell(TrpView *view, int x);
    void printSubreports(size_t first);
    void playSubreports();
    void restartSubreports();
    bool m_subreportRan = false;
    bool m_splitting = false;      // printing part by part across pages
    bool m_partContinues = false;  // the view being printed began on an earlier page
    struct SubreportRun { TrpPageBuild *build; bool finished; };
    std::vector<SubreportRun> m_subs;
    int m_subLargest = 0, m_subBandBottom = 0, m_subPagesBefore = 0;
    void printSplit();
    void printView(TrpView *view);
    bool checkFit(int top, int height, bool noBreak);
    int bottomRoom() const;
};

// The band kind names of the designer ("Report title" ...).
QString rpBandKindName(int kind);
