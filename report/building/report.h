#pragma once
// The report component: a template with its data sources and events, built
// into prepared pages in one or two passes, saved, loaded and exported. The
// preview window is not part of it; Show hands the prepared pages to a hook.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "report/building/datasource.h"
#include "report/model/reportbase.h"
#include "report/script/scriptengine.h"

class TrpBand;
class TrpPageBuild;
class TrpExportFilter;
class QPrinter;
struct TrpPrintOptions;

enum TrpReportType { rtSimple = 0, rtMultiple = 1 };

class TrpReport : public QObject, public TrpReportBase, public TrpReportHooks
{
public:
    explicit TrpReport(QObject *owner = nullptr);
    ~TrpReport() override;

    // ---- published settings
    TrpDataset *Dataset() const { return m_dataset.data(); }
    void SetDataset(TrpDataset *dataset) { m_dataset = dataset; }
    int DefaultCopies = 1;
    bool DefaultCollate = true;
    bool PrintIfEmpty = true;
    TrpReportType ReportType = rtSimple;
    bool ShowProgress = true;
    QString Title;
    bool UseDefaultDataSetName = false;

    // ---- events
    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int pageNo)> OnBeginPage, OnEndPage;   // 0-based page numbers
    std::function<void(TrpBand *band)> OnBeginBand, OnEndBand;
    // True when the handler gave the name a value; false leaves it to the engine.
    std::function<bool(const QString &name, TrpValue &value)> OnGetValue;
    std::function<void(QStringList &lines, TrpView *view)> OnBeforePrint;
    // True when the handler knows the function.
    std::function<bool(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                       TrpValue &value)> OnUserFunction;
    std::function<void(int number)> OnProgress;
    // The text a script gives "PROGRESS" (the progress window's second line).
    std::function<void(const QString &text)> OnProgressText;
    // Cross-tab rows: before the columns of a row, and per column (its width may change).
    std::function<void(TrpBand *band)> OnBeginColumn;
    std::function<void(int column, int &width)> OnPrintColumn;
    std::function<void(TrpPage *page)> OnManualBuild;
    // Shows the prepared pages (the preview window); none: nothing is shown.
    std::function<void(TrpReport &report)> OnShowPrepared;

    // ---- entry points
    // Builds the prepared pages; false when building failed (the error is shown) or was stopped.
    virtual bool Prepare();
    void ShowPrepared();
    void Show() { if (Prepare()) ShowPrepared(); }
    // Prints the prepared pages on a printer whose name or output file is set:
    // a page list such as "1,3,5-7" ("" all), copies (below 1 count as 1),
    // collated or not. Returns the number of sheets printed.
    int PrintPrepared(QPrinter &printer, const QString &pageList, int copies, bool collate);
    // The same with every choice of the print dialog (odd or even pages too).
    int PrintPrepared(QPrinter &printer, const TrpPrintOptions &options);
    std::function<void()> OnPrintReport;
    // The stored printer becomes the current one when PrintToDefault is off and
    // it is installed; the name is kept in any case.
    void ChangePrinter(const QString &printerName) override;
    // Selects printer `newIndex`; when it cannot be, "Printer selected is not
    // valid" is shown and printer `oldIndex` comes back. The pages take their
    // paper again from the printer either way.
    bool SetPrinterIndex(int oldIndex, int newIndex);
    // Writes the prepared pages through an export filter; false when the filter refused.
    bool ExportPrepared(TrpExportFilter &filter, const QString &fileName, QWidget *parent = nullptr);
    // Names the application uses.
    bool LoadTemplate(const QString &fileName) { return LoadFromFile(fileName); }
    void PrepareAndPreview() { Show(); }

    // Where the components that templates name are looked up.
    TrpDataSourceHost &Host() { return m_host; }
    // Stops the build at the next check (the report procedure STOPREPORT).
    void Stop() { m_stopped = true; }
    // Stopped itself, or the composite report that builds it was stopped.
    bool Stopped() const { return m_stopped || (m_driver && m_driver->m_stopped); }
    // An error while building: kept, shown after the build, and the build stops.
    void BuildError(const QString &message);

    // ---- building state read by pages and bands
    bool Building() const { return m_building; }
    bool FinalPass() const { return m_finalPass; }
    // The composite report this report is being built for (nullptr when it builds alone).
    TrpReport *Driver() const { return m_driver; }
    // Whether the build runs in two passes (a composite's member follows the composite).
    bool TwoPass() const { return m_driver ? m_driver->DoublePassReport : DoublePassReport; }
    // Whether a page that starts to build goes on on the last prepared page.
    bool ContinuesOnLastPage(const TrpPage &page);
    int PageNo = 0;                  // 0-based index of the current prepared page
    int TotalPages = 0;
    TrpBand *CurBand = nullptr;
    TrpPageBuild *CurPage = nullptr;
    // Continuation of a page on the previous one.
    int SavedY = 0, SavedBottom = 0;
    bool SavedFooterDone = false;
    int FooterDonePage = -1;
    // Aggregate calls are being collected (no values are printed).
    bool Collecting = false;
    TrpBand *CollectDataBand = nullptr, *CollectShowBand = nullptr;
    void Progress(int number);
    void ProgressText(const QString &text);
    void FireBeginBand(TrpBand *band) { if (OnBeginBand) OnBeginBand(band); }
    void FireEndBand(TrpBand *band) { if (OnEndBand) OnEndBand(band); }
    // The page events reach the composite report that drives the build too.
    void FireBeginPage(int pageNo);
    void FireEndPage(int pageNo);
    // The data band of the current band's level (bare field names read it).
    TrpFieldSource *CurrentFieldSource() const;
    // Value of one bracketed expression as printed by a view.
    QString ExpandBracket(const QString &expression, TrpView *view);

    // ---- TrpReportLink
    QString ExpandBrackets(const QString &text, TrpView *view) override;
    bool BeforePrint(QStringList &lines, TrpView *view) override;
    void RunScript(const QStringList &script, TrpObject *owner) override;
    TrpValue Calculate(const QString &expression) override;
    bool IsFirstPass() const override { return m_building && !m_finalPass; }
    bool IsBuilding() const override { return m_building; }
    TrpBand *PrintingBand() const override { return CurBand; }
    bool PrintingBandPlace(const TrpView *view, TrpBandPlace &place) const override;
    // The view a band is printing right now and its place (set by the band).
    const TrpView *CellView = nullptr;
    TrpBandPlace CellPlace;
    void ExportObject(TrpView *view) override;
    void ExportText(const TrpRect &rect, int x, int y, TrpView *view, int frameTyp, const QString &text) override;
    bool IsExporting() const override { return m_exportFilter != nullptr; }
    void ShowError(const QString &text) override;

    // ---- TrpReportHooks
    bool GetReportValue(const QString &name, TrpValue &value) override;
    bool GetSystemValue(const QString &name, TrpValue &value) override;
    bool CallReportFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                            TrpValue &value) override;
    bool SetIndexProperty(const QString &objectProperty, const TrpValue &index, const TrpValue &value) override;
    bool GetIndexProperty(const QString &objectProperty, const TrpValue &index, TrpValue &value) override;
    bool SetReportValue(const QString &name, const TrpValue &value) override;
    bool Aggregate(TrpAggregateKind kind, const QString &expression, const QString &band, const QString &flags,
                   TrpValue &value) override;
    bool FieldIsNull(const QString &reference) override;
    bool IsStopped() const override { return m_stopped; }

    // The engine's value and function handlers (the report's order).
    void ResolveValue(const QString &name, TrpValue &value);
    void CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3, TrpValue &value);

    // Variables of the built-in names (DATE and TIME of the current build).
    double BuildDate = 0;
    QString LastBuildError;

protected:
    // One pass over the pages into the prepared pages.
    virtual void BuildPages();

private:
    friend class TrpCompositeReport;
    void bindDictionary();
    void buildPages();
    void checkSubreportPages();
    void releasePageBuilds();
    // Around a build: the template is kept, and read back afterwards.
    bool saveTemplateForBuild(QIODevice &saved);
    void restoreTemplateAfterBuild(QIODevice &saved);
    void endBuildState();
    // Runs a build; a failure becomes the build's error text.
    void runCatching(const std::function<void()> &build);
    // One pass of this report as a member of `driver`: into its prepared
    // pages, with its page counter and pass; `afterAnother` when a member
    // built before this one in the same round.
    void buildAsMember(TrpReport &driver, bool afterAnother);
    TrpReport *m_driver = nullptr;
    bool m_afterAnother = false;
    bool m_firstPage = true;
    TrpView *m_printingView = nullptr;
    QPointer<TrpDataset> m_dataset;
    TrpDataSourceHost m_host;
    bool m_stopped = false;
    bool m_building = false;
    bool m_finalPass = true;
    TrpExportFilter *m_exportFilter = nullptr;
    QString m_errorText;
    TrpValue m_currentValue;
};
