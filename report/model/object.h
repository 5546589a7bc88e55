#pragma once
// The report's object model: the root object with its table of named
// properties, and the view (a rectangle on a page with a name, frame, fill,
// text lines and a script) from which every printed object derives.
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report/core/bounds.h"
#include "report/core/canvas.h"
#include "report/core/stream.h"
#include "report/core/value.h"
#include "report/script/variables.h"

class TrpObject;
class TrpView;
class TrpPage;
class TrpBand;            // a band being built (page building)
class TrpBandView;
class TrpReportBase;
class TrpFieldSource;

// Colours as the files hold them.
constexpr qint32 rpClNone = 0x1FFFFFFF;
constexpr qint32 rpClBtnFace = qint32(0x8000000F);
constexpr qint32 rpClWhite = 0xFFFFFF;
constexpr qint32 rpClBlack = 0;

// Kind bits of a property record.
enum TrpPropertyKind {
    rpkScriptOnly = 0, rpkInteger = 2, rpkFloat = 4, rpkBoolean = 8, rpkColor = 16, rpkEnum = 32,
    rpkEditor = 64, rpkPosition = 128
};

struct TrpPropertyRecord
{
    QString Name;                   // as scripts spell it, at most 32 characters
    int Kind = 0;
    QStringList EnumNames;          // an enumeration's value names
    QList<TrpValue> EnumValues;     // Null values: the property holds the chosen name
    std::function<void(TrpObject *)> Editor;   // none without a designer
    TrpObject *EditorObject = nullptr;
};

class TrpObject
{
public:
    TrpObject() = default;
    virtual ~TrpObject() = default;
    TrpObject(const TrpObject &) = delete;
    TrpObject &operator=(const TrpObject &) = delete;

    // Names arrive in any case; an unknown name is ignored on set and gives Null.
    virtual void SetProperty(const QString &name, const TrpValue &value) { (void)name; (void)value; }
    virtual TrpValue GetProperty(const QString &name) { (void)name; return TrpValue::null(); }
    virtual TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
    { (void)name; (void)p1; (void)p2; (void)p3; return TrpValue::null(); }
    virtual void BuildPropertyTable() {}

    void ClearPropertyTable() { m_props.clear(); }
    void AddProperty(const QString &name, int kind, std::function<void(TrpObject *)> editor = {},
                     TrpObject *editorObject = nullptr);
    // `valueNames` separated by ";"; values in the same order (none: names only).
    void AddEnumProperty(const QString &name, const QString &valueNames, const QList<TrpValue> &values = {});
    // Without regard to case; builds the table first when it is empty.
    const TrpPropertyRecord *FindProperty(const QString &name);
    const std::vector<TrpPropertyRecord> &PropertyTable();

protected:
    std::vector<TrpPropertyRecord> m_props;
};

// Frame lines.
enum { rpftNone = 0, rpftRight = 1, rpftBottom = 2, rpftLeft = 4, rpftTop = 8 };
enum { rppsSolid = 0, rppsDash, rppsDot, rppsDashDot, rppsDashDotDot, rppsDouble };
enum TrpBandAlign { baNone = 0, baLeft, baRight, baCenter, baWidth, baBottom, baTop, baRest };
// Type codes of object records.
enum { rpgtMemo = 0, rpgtPicture = 1, rpgtBand = 2, rpgtSubReport = 3, rpgtLine = 4, rpgtAddIn = 10 };
// View flag bits shared by every class.
enum { rpflStretched = 1, rpflNotify = 0x8000 };

// The band a view is printed or measured in while a report is built, in page
// units: the row band's place on the page and, for a cell of a cross band, the
// strip's place in the row.
struct TrpBandPlace
{
    int Top = 0, Height = 0;          // the printing band's row on the page
    bool Cross = false;               // the view is a cell of a cross band
    int CellLeft = 0, CellWidth = 0;  // a cross cell's strip on the page
    int ShiftX = 0, ShiftY = 0;       // what printing added to the view's left and top
    bool Split = false;               // the band is split across pages
    const std::vector<TrpView *> *Views = nullptr;   // the views the printing band holds
};

// Where the objects meet the report being loaded, built, drawn or exported.
// The report component implements it; every method has a harmless default so
// views also work on their own (in tests and when only drawn).
class TrpReportLink
{
public:
    virtual ~TrpReportLink() = default;
    // Text with every bracketed expression given its printed value (formats of the view).
    virtual QString ExpandBrackets(const QString &text, TrpView *view) { (void)view; return text; }
    // OnBeforePrint: false when the report has no handler.
    virtual bool BeforePrint(QStringList &lines, TrpView *view) { (void)lines; (void)view; return false; }
    // Runs a view's or page's script lines (errors go to the report's error handler).
    virtual void RunScript(const QStringList &script, TrpObject *owner) { (void)script; (void)owner; }
    virtual TrpValue Calculate(const QString &expression);
    // Object of that name on any page, without regard to case.
    virtual TrpView *FindObject(const QString &name) { (void)name; return nullptr; }
    // Whether a name is borne by an object of the report (unique names).
    virtual bool NameExists(const QString &name) { return FindObject(name) != nullptr; }
    virtual TrpPage *PageAt(int index) { (void)index; return nullptr; }
    virtual bool IsFirstPass() const { return false; }   // first pass of a two-pass report: draw nothing
    virtual bool IsBuilding() const { return false; }
    virtual TrpBand *PrintingBand() const { return nullptr; }   // band being printed, while building
    // The place of the view being printed (or measured) in its band; false outside building.
    virtual bool PrintingBandPlace(const TrpView *view, TrpBandPlace &place) const
    { (void)view; (void)place; return false; }
    // The export of a view (position and the view); a memo then passes its lines.
    virtual void ExportObject(TrpView *view) { (void)view; }
    virtual void ExportText(const TrpRect &rect, int x, int y, TrpView *view, int frameTyp, const QString &text)
    { (void)rect; (void)x; (void)y; (void)view; (void)frameTyp; (void)text; }
    virtual bool IsExporting() const { return false; }
};

// Module state of the objects while templates are read, reports built and pages drawn.
struct TrpObjectState
{
    TrpReportLink *Report = nullptr;
    TrpPage *CurPage = nullptr;
    TrpView *CurView = nullptr;
    int Version = 25;               // record version of the stream being read
    bool Designing = false;         // design time (no designer here: always false)
    bool DrawingPrepared = false;   // prepared pages are being drawn
    bool PrinterPrinting = false;   // the printer's canvas is printing
    bool ErrorFlag = false;
    QString PendingErrorText;       // class names not found
    qint32 NextObjectID = 0;
};
TrpObjectState &rpObjects();
// The report link in force (a do-nothing one when none is set).
TrpReportLink &rpReport();

// rnd: nearest, halves to even.
int rpRound(double v);

class TrpView : public TrpObject
{
public:
    TrpView();
    ~TrpView() override;

    // Class name as add-in classes are registered and stored.
    virtual QString ClassName() const { return QStringLiteral("TrpView"); }
    // The virtual constructor: a fresh object of the same class.
    virtual std::unique_ptr<TrpView> Create() const { return std::make_unique<TrpView>(); }

    void SetProperty(const QString &name, const TrpValue &value) override;
    TrpValue GetProperty(const QString &name) override;
    TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3) override;
    void BuildPropertyTable() override;

    virtual void FillBackground();
    virtual void DrawFrame();
    virtual void GetBlob(TrpFieldSource *source, const QString &field);
    virtual void Notify(TrpView *view) { (void)view; }
    virtual void BeginDraw();
    virtual void EndDraw();
    virtual void Draw(TrpCanvas *canvas);
    // Writes the built view into a prepared page stream.
    virtual void Print(QIODevice &stream);
    virtual void ExportData();
    virtual void LoadFromStream(QIODevice &stream);
    virtual void SaveToStream(QIODevice &stream);
    virtual QRegion GetClipRegion(bool enlarged);
    virtual void ShowEditor() {}
    // Told after a template has been read whole.
    virtual void Loaded() {}

    void SetBounds(int left, int top, int width, int height);
    // BaseName and the smallest free number from 1 (empty past 10000).
    void CreateUniqueName();
    void ApplyBandAlign(TrpCanvas *canvas);
    // The last band view of the page, in list order, whose rectangle holds the
    // view's top-left corner (edges included); nullptr when none does.
    TrpBandView *FindBandUnder() const;
    // While printing: baTop and baBottom against the printing band's row, baWidth
    // on a cross band's strip; true when the view took the strip's width.
    bool AlignToPrintingBand();
    QString ExpandBrackets(const QString &text);
    // The whole text of the memo (lines joined by CR LF).
    static QString JoinLines(const QStringList &lines);
    static QStringList SplitLines(const QString &text);
    // Writes type code, class name for code 10 and the record.
    void WriteObject(QIODevice &stream);

    // The list methods of views with a string list (method names in upper case).
    TrpValue CallListMethod(QStringList &list, const QString &method, const QString &listName,
                            const TrpValue &p1, const TrpValue &p2, const TrpValue &p3);

    // Frame width stored in a record: rnd(w x 1000) for fractional or large widths.
    static qint32 EncodeFrameWidth(double width);
    static double DecodeFrameWidth(qint32 stored);
    static constexpr double kMaxFrameWidth = 1000;   // page units

    // Geometry saved by BeginDraw.
    struct Saved { int Left = 0, Top = 0, Width = 0, Height = 0, GapX = 0, GapY = 0; double FrameWidth = 1; };
    Saved SavedBounds;
    QString BaseName = QStringLiteral("View");
    TrpCanvas *CurCanvas = nullptr;
    TrpRect DrawRect;
    QStringList ExpandedMemo;
    TrpFieldSource *FieldDataSet = nullptr;
    QString FieldName;
    bool InPreparedPage = false;
    QString Name;
    quint8 TypeCode = rpgtAddIn;
    quint8 RecordMajor = 2, RecordMinor = 0;
    qint32 ObjectID = 0;
    double DrawScaleX = 1, DrawScaleY = 1;
    int DrawOffsetX = 0, DrawOffsetY = 0;
    bool ToPrinter = false;
    qint32 Left = 0, Top = 0, Width = 0, Height = 0;
    quint16 Flags = rpflStretched;
    quint16 FrameTyp = rpftNone;
    double FrameWidth = 1;
    qint32 FrameColor = rpClBlack;
    quint16 FrameStyle = rppsSolid;
    qint32 FillColor = rpClNone;
    qint32 DisplayFormat;
    QString DisplayFormatText;
    bool Visible = true;
    qint32 GapX = 2, GapY = 1;
    quint16 Restrictions = 0;
    QString Tag;
    QStringList Memo;
    QStringList PrintScript;
    quint8 BandAlign = baNone;
    TrpBand *OwnerBand = nullptr;
    TrpPage *OwnerPage = nullptr;

    // Names the application's objects use.
    double &ScaleX() { return DrawScaleX; }
    double &ScaleY() { return DrawScaleY; }
    int &OffsX() { return DrawOffsetX; }
    int &OffsY() { return DrawOffsetY; }
    bool IsPrinting() const { return ToPrinter; }
    void SetupDraw(TrpCanvas *canvas) { CurCanvas = canvas; }
    void ApplyScale() { BeginDraw(); }
    void RestoreScale() { EndDraw(); }
    void DrawBackground() { FillBackground(); }
    void SetPropertyValue(const QString &name, const TrpValue &value) { SetProperty(name, value); }
    TrpValue GetPropertyValue(const QString &name) { return GetProperty(name); }
    void RegisterProperties() { BuildPropertyTable(); }

protected:
    // The common record (fields 1 to 19); the classes call these first.
    void readViewRecord(QIODevice &stream);
    void writeViewRecord(QIODevice &stream);
    // Whether the table gets frame, fill, tag and band-alignment entries.
    virtual bool hasFrameProperties() const { return true; }
    QString memoPropertyName() const;
};

// Views that measure their height for stretching.
class TrpStretcheable : public TrpView
{
public:
    TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3) override;
    virtual int CalcHeight() = 0;
    virtual int MinHeight() = 0;
    virtual int RemainHeight() = 0;
    // 0 draw, 1 calculate height, 2 split across pages.
    quint8 LayoutMode = 0;
};

// An on-screen control of a dialog page.
class TrpControl : public TrpView
{
public:
    TrpControl();
    QString ClassName() const override { return QStringLiteral("TrpControl"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpControl>(); }
    void SetProperty(const QString &name, const TrpValue &value) override;
    void BuildPropertyTable() override;
    void Draw(TrpCanvas *canvas) override;
    // The control's face at the view's drawn place (the button face when it shows none).
    virtual void PaintControl();

    // The control the view shows (a widget of the dialog's form); shown and
    // hidden with the view's "Visible".
    QPointer<QObject> ShownControl;
};

// The icon of a component without a face (24 x 24).
const QImage &rpNonVisualIcon();

// A component without a face of its own, shown as an icon.
class TrpNonVisualControl : public TrpControl
{
public:
    TrpNonVisualControl();
    QString ClassName() const override { return QStringLiteral("TrpNonVisualControl"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpNonVisualControl>(); }
    void SetProperty(const QString &name, const TrpValue &value) override;
    void BuildPropertyTable() override;
    void Draw(TrpCanvas *canvas) override;

    QImage IconBitmap;
    // The component it stands for; renamed with the view.
    QPointer<QObject> HostedComponent;
    // Values the dialog controls derived from it keep.
    TrpVariables Variables;
};

// "Object.Property" for the expression language (see the view's rules).
bool ResolveObjectProperty(const QString &qualifiedName, TrpObject *&object, QString &propertyName);

// Font sub-properties ("FONT.NAME", "FONT.SIZE", "FONT.STYLE", "FONT.COLOR").
bool SetFontProperty(TrpFont &font, const QString &upperName, const TrpValue &value);
bool GetFontProperty(const TrpFont &font, const QString &upperName, TrpValue &value);
