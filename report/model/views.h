#pragma once
// Band, subreport, picture and line views.
#include <QByteArray>
#include <QImage>
#include <QString>

#include "report/model/object.h"

// A built band as its band view passes script reads and writes to it while a
// report is built. Page building's band implements it.
class TrpBuiltBand
{
public:
    virtual ~TrpBuiltBand() = default;
    // Names in upper case; true when the band handled the name.
    virtual bool SetBandProperty(const QString &name, const TrpValue &value) = 0;
    virtual bool GetBandProperty(const QString &name, TrpValue &value) = 0;
    virtual bool CallBandMethod(const QString &name) = 0;   // "NEXT", "PRIOR", "FIRST"
};

// What a band is, kept in its view's frame-lines word.
enum TrpBandKind {
    btReportTitle = 0, btReportSummary = 1, btPageHeader = 2, btPageFooter = 3,
    btMasterHeader = 4, btMasterData = 5, btMasterFooter = 6,
    btDetailHeader = 7, btDetailData = 8, btDetailFooter = 9,
    btSubDetailHeader = 10, btSubDetailData = 11, btSubDetailFooter = 12,
    btOverlay = 13, btColumnHeader = 14, btColumnFooter = 15, btGroupHeader = 16, btGroupFooter = 17,
    btCrossHeader = 18, btCrossData = 19, btCrossFooter = 20, btChild = 21, btNone = 22
};
constexpr int rpBandKindCount = 23;

inline bool rpIsDataKind(int kind) { return kind == btMasterData || kind == btDetailData || kind == btSubDetailData; }

// Band view flag bits.
enum {
    rpbfStretched = 1, rpbfFormNewPage = 2, rpbfPrintIfSubsetEmpty = 4, rpbfBreaked = 8,
    rpbfOnFirstPage = 16, rpbfOnLastPage = 32, rpbfRepeatHeader = 64, rpbfPrintChildIfInvisible = 128
};

class TrpBandView : public TrpView
{
public:
    TrpBandView();
    QString ClassName() const override { return QStringLiteral("TrpBandView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpBandView>(); }
    void SetProperty(const QString &name, const TrpValue &value) override;
    TrpValue GetProperty(const QString &name) override;
    TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3) override;
    void BuildPropertyTable() override;
    void Draw(TrpCanvas *canvas) override;
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;

    // The band kind lives in the frame-lines word.
    int BandType() const { return FrameTyp; }
    void SetBandType(int kind) { FrameTyp = quint16(kind); }
    // The data source text (a group header's condition) is the view's format text.
    QString Condition() const { return DisplayFormatText; }
    QString DataSource() const { return DisplayFormatText; }

    QString ChildBand;
    QString Master;
    qint32 Columns = 1, ColumnWidth = 200, ColumnGap = 20, NewColumnAfter = 1;
    // The band made from this view while a report is built.
    TrpBuiltBand *BuiltBand = nullptr;

protected:
    bool hasFrameProperties() const override { return false; }
};

class TrpSubReportView : public TrpView
{
public:
    TrpSubReportView();
    QString ClassName() const override { return QStringLiteral("TrpSubReportView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpSubReportView>(); }
    void Draw(TrpCanvas *canvas) override;
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    qint32 TargetPage = 0;

protected:
    bool hasFrameProperties() const override { return false; }
};

// Picture kinds of the record.
enum { rppkNone = 0, rppkBitmap = 1, rppkMetafile = 2, rppkIcon = 3, rppkJPEG = 4 };
enum { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };
enum { rppfStretched = 1, rppfCenter = 2, rppfKeepAspect = 4 };

// A picture as the record keeps it: its kind, its bytes in their own format,
// and the decoded image (none for a metafile, which is only carried).
struct TrpPicture
{
    int Kind = rppkNone;
    QByteArray Data;
    QImage Image;
    bool isEmpty() const { return Kind == rppkNone || Data.isEmpty(); }
    void clear() { Kind = rppkNone; Data.clear(); Image = QImage(); }
    // Loads from bytes of a kind; false (and empty) when they cannot be read.
    bool load(int kind, const QByteArray &bytes);
    // The kind from a file's contents (or its extension); false when unknown.
    bool loadFromFile(const QString &fileName);
    int width() const;
    int height() const;
};

class TrpPictureView : public TrpView
{
public:
    TrpPictureView();
    QString ClassName() const override { return QStringLiteral("TrpPictureView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpPictureView>(); }
    void SetProperty(const QString &name, const TrpValue &value) override;
    TrpValue GetProperty(const QString &name) override;
    TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3) override;
    void BuildPropertyTable() override;
    void Draw(TrpCanvas *canvas) override;
    void GetBlob(TrpFieldSource *source, const QString &field) override;
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    // The target rectangle of the picture within DrawRect (after BeginDraw).
    TrpRect PictureTarget() const;

    TrpPicture Picture;
    quint8 BlobType = btBMP;
};

class TrpLineView : public TrpStretcheable
{
public:
    TrpLineView();
    QString ClassName() const override { return QStringLiteral("TrpLineView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpLineView>(); }
    void BuildPropertyTable() override;
    void Draw(TrpCanvas *canvas) override;
    QRegion GetClipRegion(bool enlarged) override;
    int CalcHeight() override { return Height; }
    int MinHeight() override { return 1; }
    int RemainHeight() override { return 0; }
    // Horizontal when Height < Width: the top line; else the left line.
    void Orient();
};
