#pragma once
// What the export filters receive from prepared pages, and the filter base.
// The report's export routine calls, in this order: OnBeforeExport,
// ShowOptionsDialog, (creates the file and sets Stream/FileName),
// BeginDocument, then per page BeginPage, ExportObject for every object in
// printing order (a memo also calls ExportText once per line), EndPage; and at
// last EndDocument and OnAfterExport.
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "report/core/canvas.h"
#include "report/core/stream.h"

class TrpView;

// One object of a prepared page as the filters see it. The view fills it when
// it exports itself; `View` is only passed through.
struct TrpExportObject
{
    const TrpView *View = nullptr;
    int TypeCode = 10;                 // 0 memo, 1 picture, 2 band, 3 subreport, 4 line, 10 other
    int Left = 0, Top = 0, Width = 0, Height = 0;   // page units
    int FrameTyp = 0;
    TrpColor FillColor = clNone;
    // Memo objects only.
    bool IsMemo = false;
    TrpFont Font;                      // style in platform bits (TrpFont::Style)
    int Alignment = 0;                 // the memo's alignment; bits 0-1 == 1 is right-aligned
    // Picture objects only: the picture (empty when none); a JPEG picture
    // also keeps its file bytes so they are written unchanged.
    bool IsPicture = false;
    QImage Picture;
    bool PictureIsJpeg = false;
    QByteArray JpegData;
};

// One text line in the line grid.
struct TrpExportTextItem
{
    int X = 0;                         // page units; right edge for right-aligned text
    QString Text;
    QString FontName;                  // at most 31 characters
    int FontSize = 0;
    int FontStyle = 0;                 // stream bits: 1 italic, 2 bold, 4 underline
    TrpColor FontColor = clBlack;
    int FontCharset = 1;
    TrpColor FillColor = clNone;
    TrpRect Rect;                      // the object's rectangle
    int FrameTyp = 0;                  // 1 right, 2 bottom, 4 left, 8 top; -1 picture cell
    int Alignment = 0;                 // 1 right-aligned
    QString PictureFile;               // picture cells: file name
    int PictureWidth = 0, PictureHeight = 0;
};

class TrpExportFilter : public QObject
{
public:
    explicit TrpExportFilter(QObject *parent = nullptr);
    ~TrpExportFilter() override;

    // Published.
    bool Default = false;
    bool ShowDialog = true;
    std::function<void(const QString &fileName, bool &goOn)> OnBeforeExport;
    std::function<void()> OnAfterExport;

    // Set by the export routine.
    QIODevice *Stream = nullptr;
    QString FileName;

    // Asks for the filter's options before an export: 1 goes on, 2 cancels.
    // Filters open no windows themselves; whoever exports interactively plugs
    // in the dialogs (the windows room's rpExportOptionsDialog).
    std::function<int(TrpExportFilter &filter, QWidget *parent)> OptionsDialog;

    virtual void ClearLines();
    // The modal result: 1 OK, 2 Cancel; 1 without ShowDialog or OptionsDialog.
    int ShowOptionsDialog(QWidget *parent = nullptr);
    virtual void BeginDocument() {}
    virtual void EndDocument() {}
    virtual void BeginPage() {}
    virtual void EndPage() {}
    virtual void ExportObject(int x, int y, const TrpExportObject &object) { (void)x; (void)y; (void)object; }
    virtual void ExportText(const TrpRect &rect, int x, int y, const TrpExportObject &object, int frameTyp,
                            const QString &text)
    { (void)rect; (void)x; (void)y; (void)object; (void)frameTyp; (void)text; }

    // The line grid: slot -> items sorted by x.
    const std::vector<std::vector<TrpExportTextItem>> &Lines() const { return m_lines; }

    QString Description() const { return m_description; }
    QString FileMask() const { return m_mask; }

protected:
    // Registers (or re-registers) this filter with the engine.
    void Register(const QString &description, const QString &mask);
    // Slots 0..200, grown on demand.
    void ResetLines(int slotCount = 201);
    // Inserts before the first item whose x is not smaller; the grid grows
    // past its end; a slot beyond any page (negative or > 100000) is refused.
    void InsertItem(int slot, TrpExportTextItem item);
    // The last slot holding items, -1 when none.
    int LastUsedSlot() const;
    void Write(const QByteArray &bytes);

    std::vector<std::vector<TrpExportTextItem>> m_lines;

private:
    QString m_description;
    QString m_mask;
};

// The filters registered with the engine, in order of creation.
struct TrpExportFilterInfo
{
    TrpExportFilter *Filter;
    QString Description;               // e.g. "ASCII Text file (*.txt)"
    QString Mask;                      // e.g. "*.txt"
};
const QList<TrpExportFilterInfo> &rpExportFilters();
