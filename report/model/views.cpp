#include "report/model/views.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/metafile.h"
#include "report/core/utils.h"
#include "report/model/page.h"
#include "report/script/scriptengine.h"

namespace {

QString up(const QString &s) { return kv::upperCase(s); }

void setBit(quint16 &flags, int bit, bool on) { flags = quint16(on ? (flags | bit) : (flags & ~bit)); }

struct BandFlagName { const char *name; int bit; };
const BandFlagName kBandFlags[] = {
    {"FORMNEWPAGE", rpbfFormNewPage}, {"PRINTIFSUBSETEMPTY", rpbfPrintIfSubsetEmpty}, {"BREAKED", rpbfBreaked},
    {"ONFIRSTPAGE", rpbfOnFirstPage}, {"ONLASTPAGE", rpbfOnLastPage}, {"REPEATHEADER", rpbfRepeatHeader},
    {"PRINTCHILDIFINVISIBLE", rpbfPrintChildIfInvisible}, {"STRETCHED", rpbfStretched}};

bool inList(int kind, std::initializer_list<int> kinds)
{
    for (int k : kinds)
        if (k == kind) return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- band view

TrpBandView::TrpBandView()
{
    BaseName = QStringLiteral("Band");
    TypeCode = rpgtBand;
    Flags = rpbfOnFirstPage | rpbfOnLastPage;
    DisplayFormat = 0;
    RecordMinor = 1;
}

void TrpBandView::SetProperty(const QString &name, const TrpValue &value)
{
    const QString n = up(name);
    if (BuiltBand && (n == QLatin1String("LEFT") || n == QLatin1String("TOP") || n == QLatin1String("WIDTH")
                      || n == QLatin1String("HEIGHT") || n == QLatin1String("VISIBLE")
                      || n == QLatin1String("DATASOURCE"))) {
        BuiltBand->SetBandProperty(n, value);
        return;
    }
    if (n == QLatin1String("CHILDBAND")) ChildBand = value.toText();
    else if (n == QLatin1String("MASTER")) Master = value.toText();
    else if (n == QLatin1String("CONDITION") || n == QLatin1String("DATASOURCE")) DisplayFormatText = value.toText();
    else if (n == QLatin1String("COLUMNS")) Columns = rpBounded(value.toInt32(), 0, rpMaxColumns);
    else if (n == QLatin1String("COLUMNGAP")) ColumnGap = rpCoord(value.toInt32());
    else if (n == QLatin1String("COLUMNWIDTH")) ColumnWidth = rpCoord(value.toInt32());
    else if (n == QLatin1String("NEWCOLUMNAFTER")) NewColumnAfter = rpBounded(value.toInt32(), 0, rpMaxColumns);
    else if (n == QLatin1String("ONBEFOREPRINT")) Memo = SplitLines(value.toText());
    else {
        bool done = false;
        for (const BandFlagName &f : kBandFlags)
            if (n == QLatin1String(f.name)) {
                setBit(Flags, f.bit, value.toBool());
                done = true;
            }
        if (!done) {
            TrpView::SetProperty(name, value);
            return;
        }
    }
    if (BuiltBand && (n == QLatin1String("CHILDBAND") || n == QLatin1String("BREAKED")
                      || n == QLatin1String("CONDITION")))
        BuiltBand->SetBandProperty(n, value);
}

TrpValue TrpBandView::GetProperty(const QString &name)
{
    const QString n = up(name);
    TrpValue v;
    if (BuiltBand && (n == QLatin1String("LEFT") || n == QLatin1String("TOP") || n == QLatin1String("WIDTH")
                      || n == QLatin1String("HEIGHT") || n == QLatin1String("VISIBLE")
                      || n == QLatin1String("BREAKED") || n == QLatin1String("EOF"))
        && BuiltBand->GetBandProperty(n, v))
        return v;
    if (n == QLatin1String("CHILDBAND")) return ChildBand;
    if (n == QLatin1String("MASTER")) return Master;
    if (n == QLatin1String("CONDITION") || n == QLatin1String("DATASOURCE")) return DisplayFormatText;
    if (n == QLatin1String("COLUMNS")) return int(Columns);
    if (n == QLatin1String("COLUMNGAP")) return int(ColumnGap);
    if (n == QLatin1String("COLUMNWIDTH")) return int(ColumnWidth);
    if (n == QLatin1String("NEWCOLUMNAFTER")) return int(NewColumnAfter);
    if (n == QLatin1String("ONBEFOREPRINT")) return JoinLines(Memo);
    if (n == QLatin1String("EOF")) return true;
    for (const BandFlagName &f : kBandFlags)
        if (n == QLatin1String(f.name)) return bool(Flags & f.bit);
    return TrpView::GetProperty(name);
}

TrpValue TrpBandView::CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    const QString n = up(name);
    if (n == QLatin1String("NEXT") || n == QLatin1String("PRIOR") || n == QLatin1String("FIRST")) {
        if (BuiltBand) BuiltBand->CallBandMethod(n);
        return TrpValue::null();
    }
    return TrpView::CallMethod(name, p1, p2, p3);
}

void TrpBandView::BuildPropertyTable()
{
    TrpView::BuildPropertyTable();
    for (TrpPropertyRecord &r : m_props)
        if (r.Name == QLatin1String("Memo")) r.Name = QStringLiteral("OnBeforePrint");
    const int k = BandType();
    QStringList children;
    if (OwnerPage)
        for (const auto &v : OwnerPage->Views())
            if (v.get() != this && v->TypeCode == rpgtBand && v->FrameTyp == btChild) children << v->Name;
    if (k != btPageFooter) {
        AddEnumProperty(QStringLiteral("ChildBand"), children.join(QLatin1Char(';')));
        AddProperty(QStringLiteral("PrintChildIfInvisible"), rpkBoolean);
    }
    // The master, detail and subdetail bands: header, data, footer.
    const bool masterToSubdetail = k >= btMasterHeader && k <= btSubDetailFooter;
    const bool dataOrFooter = inList(k, {btMasterData, btMasterFooter, btDetailData, btDetailFooter, btSubDetailData,
                                         btSubDetailFooter});
    if (inList(k, {btReportTitle, btReportSummary, btPageHeader, btGroupHeader, btGroupFooter, btCrossHeader, btChild})
        || masterToSubdetail)
        AddProperty(QStringLiteral("Stretched"), rpkBoolean);
    if (inList(k, {btReportTitle, btReportSummary, btGroupHeader}) || dataOrFooter)
        AddProperty(QStringLiteral("FormNewPage"), rpkBoolean);
    if (inList(k, {btMasterData, btDetailData})) AddProperty(QStringLiteral("PrintIfSubsetEmpty"), rpkBoolean);
    if (inList(k, {btReportTitle, btReportSummary, btGroupHeader, btGroupFooter, btChild}) || masterToSubdetail)
        AddProperty(QStringLiteral("Breaked"), rpkBoolean);
    if (inList(k, {btPageHeader, btPageFooter})) AddProperty(QStringLiteral("OnFirstPage"), rpkBoolean);
    if (k == btPageFooter) AddProperty(QStringLiteral("OnLastPage"), rpkBoolean);
    if (inList(k, {btMasterHeader, btDetailHeader, btSubDetailHeader, btGroupHeader, btCrossHeader}))
        AddProperty(QStringLiteral("RepeatHeader"), rpkBoolean);
    if (k == btCrossData) AddProperty(QStringLiteral("DataSource"), rpkEditor);
    if (rpIsDataKind(k)) {
        AddProperty(QStringLiteral("Columns"), rpkInteger);
        AddProperty(QStringLiteral("ColumnWidth"), rpkPosition);
        AddProperty(QStringLiteral("ColumnGap"), rpkPosition);
        AddProperty(QStringLiteral("DataSource"), rpkEditor);
    }
    if (k == btGroupHeader) {
        AddProperty(QStringLiteral("Condition"), 1);
        QStringList masters;
        if (OwnerPage)
            for (const auto &v : OwnerPage->Views())
                if (v.get() != this && v->TypeCode == rpgtBand && rpIsDataKind(v->FrameTyp)) masters << v->Name;
        AddEnumProperty(QStringLiteral("Master"), masters.join(QLatin1Char(';')));
    }
    AddProperty(QStringLiteral("EOF"), rpkScriptOnly);
}

void TrpBandView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    const int version = rpObjects().Version;
    if (version > 23) {
        ChildBand = ReadStreamString(s);
        Columns = rpBounded(ReadStreamInteger(s), 0, rpMaxColumns);
        ColumnWidth = rpCoord(ReadStreamInteger(s));
        ColumnGap = rpCoord(ReadStreamInteger(s));
        NewColumnAfter = rpBounded(ReadStreamInteger(s), 0, rpMaxColumns);
        if (RecordMajor * 10 + RecordMinor > 20) Master = ReadStreamString(s);
    }
}

void TrpBandView::SaveToStream(QIODevice &s)
{
    RecordMinor = 1;
    writeViewRecord(s);
    WriteStreamString(s, ChildBand);
    WriteStreamInteger(s, Columns);
    WriteStreamInteger(s, ColumnWidth);
    WriteStreamInteger(s, ColumnGap);
    WriteStreamInteger(s, NewColumnAfter);
    WriteStreamString(s, Master);
}

// ---------------------------------------------------------------- subreport view

TrpSubReportView::TrpSubReportView()
{
    BaseName = QStringLiteral("SubReport");
    TypeCode = rpgtSubReport;
}

void TrpSubReportView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    TargetPage = ReadStreamInteger(s);
}

void TrpSubReportView::SaveToStream(QIODevice &s)
{
    writeViewRecord(s);
    WriteStreamInteger(s, TargetPage);
}

// ---------------------------------------------------------------- pictures

bool TrpPicture::load(int kind, const QByteArray &bytes)
{
    clear();
    if (kind == rppkNone || bytes.isEmpty()) return kind == rppkNone;
    if (kind == rppkMetafile) {
        // Kept for saving again; drawn from the image the metafile libraries make.
        // A metafile they cannot play stays in the template as it was.
        Kind = kind;
        Data = bytes;
        Image = rpRenderMetafile(bytes);
        return true;
    }
    const char *format = kind == rppkBitmap ? "BMP" : kind == rppkIcon ? "ICO" : kind == rppkJPEG ? "JPEG" : nullptr;
    if (!format) return false;
    QImage img;
    if (!img.loadFromData(bytes, format) || img.isNull()) return false;
    Kind = kind;
    Data = bytes;
    Image = img;
    return true;
}

bool TrpPicture::loadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray b = f.readAll();
    int kind = rppkNone;
    if (b.startsWith("BM")) kind = rppkBitmap;
    else if (b.startsWith("\xFF\xD8")) kind = rppkJPEG;
    else if (b.startsWith(QByteArray("\0\0\1\0", 4))) kind = rppkIcon;
    else if (b.startsWith(QByteArray("\1\0\0\0", 4)) || b.startsWith("\xD7\xCD\xC6\x9A")) kind = rppkMetafile;
    if (kind == rppkNone) return false;
    return load(kind, b);
}

int TrpPicture::width() const { return Image.isNull() ? 0 : Image.width(); }
int TrpPicture::height() const { return Image.isNull() ? 0 : Image.height(); }

TrpPictureView::TrpPictureView()
{
    BaseName = QStringLiteral("Picture");
    TypeCode = rpgtPicture;
    Flags = rppfStretched | rppfKeepAspect;
    TrpVariables &c = rpEngine().Constants();
    c.SetValue(QStringLiteral("btBMP"), 0);
    c.SetValue(QStringLiteral("btJPG"), 1);
    c.SetValue(QStringLiteral("btICO"), 2);
    c.SetValue(QStringLiteral("btWMF"), 3);
}

void TrpPictureView::SetProperty(const QString &name, const TrpValue &value)
{
    const QString n = up(name);
    if (n == QLatin1String("CENTER")) setBit(Flags, rppfCenter, value.toBool());
    else if (n == QLatin1String("KEEPASPECT")) setBit(Flags, rppfKeepAspect, value.toBool());
    else if (n == QLatin1String("BLOBTYPE")) BlobType = quint8(value.toInt32());
    else if (n == QLatin1String("PICTURE")) {
        // Another picture view's picture, given by the number read from its "Picture".
        const qint64 id = value.toInteger();
        auto copyFrom = [&](const TrpPage *page) {
            if (page)
                for (const auto &v : page->Views())
                    if (v->ObjectID == id && v->TypeCode == rpgtPicture) {
                        if (v.get() != this) Picture = static_cast<TrpPictureView *>(v.get())->Picture;
                        return true;
                    }
            return false;
        };
        if (!copyFrom(OwnerPage)) {
            TrpReportLink &r = rpReport();
            for (int i = 0; TrpPage *p = r.PageAt(i); ++i)
                if (p != OwnerPage && copyFrom(p)) break;
        }
    } else TrpView::SetProperty(name, value);
}

TrpValue TrpPictureView::GetProperty(const QString &name)
{
    const QString n = up(name);
    if (n == QLatin1String("CENTER")) return bool(Flags & rppfCenter);
    if (n == QLatin1String("KEEPASPECT")) return bool(Flags & rppfKeepAspect);
    if (n == QLatin1String("BLOBTYPE")) return int(BlobType);
    if (n == QLatin1String("PICTURE")) return int(ObjectID);
    return TrpView::GetProperty(name);
}

TrpValue TrpPictureView::CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    if (up(name) == QLatin1String("LOADFROMFILE")) {
        QString file;
        try {
            file = rpReport().Calculate(p1.toText()).toText();
        } catch (const kv::Error &) {
            file.clear();
        }
        if (file.isEmpty() || !QFileInfo(file).isFile() || !Picture.loadFromFile(file)) Picture.clear();
        return TrpValue::null();
    }
    return TrpView::CallMethod(name, p1, p2, p3);
}

void TrpPictureView::BuildPropertyTable()
{
    TrpView::BuildPropertyTable();
    AddProperty(QStringLiteral("Picture"), rpkEditor);
    AddProperty(QStringLiteral("Stretched"), rpkBoolean);
    AddProperty(QStringLiteral("Center"), rpkBoolean);
    AddProperty(QStringLiteral("KeepAspect"), rpkBoolean);
    AddProperty(QStringLiteral("DataField"), 321);
    AddEnumProperty(QStringLiteral("BlobType"), QStringLiteral("btBMP;btJPG;btICO;btWMF"), {0, 1, 2, 3});
}

void TrpPictureView::GetBlob(TrpFieldSource *source, const QString &field)
{
    if (!source) return;
    const TrpValue v = source->fieldValue(field);
    if (v.isNull() || v.isEmpty()) {
        Picture.clear();
        return;
    }
    static const int kinds[] = {rppkBitmap, rppkJPEG, rppkIcon, rppkMetafile};
    const int kind = kinds[BlobType <= 3 ? BlobType : 0];
    const QVariant var = v.toVariant();
    const QByteArray bytes = var.typeId() == QMetaType::QByteArray ? var.toByteArray() : kv::toCp1251(v.toText());
    if (!Picture.load(kind, bytes)) Picture.clear();
}

void TrpPictureView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    const int kind = ReadStreamByte(s);
    if (RecordMajor * 10 + RecordMinor > 10) BlobType = ReadStreamByte(s);
    const qint32 end = ReadStreamInteger(s);
    const qint64 here = s.pos();
    // The end position must lie within the stream and not before the data.
    if (end < here || end > s.size())
        throw kv::Error(QStringLiteral("The picture of \"%1\" is damaged").arg(Name));
    const QByteArray data = ReadStreamBytes(s, end - here);
    Picture.clear();
    if (kind > rppkJPEG) throw kv::Error(QStringLiteral("The picture of \"%1\" is damaged").arg(Name));
    if (kind != rppkNone && !Picture.load(kind, data)) {
        // Bytes a reader cannot decode are kept, so saving loses nothing.
        Picture.Kind = kind;
        Picture.Data = data;
    }
    s.seek(end);
}

void TrpPictureView::SaveToStream(QIODevice &s)
{
    writeViewRecord(s);
    const int kind = Picture.Data.isEmpty() ? rppkNone : Picture.Kind;
    WriteStreamByte(s, quint8(kind));
    WriteStreamByte(s, BlobType);
    const qint64 at = s.pos();
    WriteStreamInteger(s, qint32(at));
    if (kind != rppkNone) WriteStreamBytes(s, Picture.Data);
    const qint64 end = s.pos();
    if (end > 0x7FFFFFFF) throw kv::Error(QStringLiteral("The report is too large to be saved"));
    s.seek(at);
    WriteStreamInteger(s, qint32(end));
    s.seek(end);
}

TrpRect TrpPictureView::PictureTarget() const
{
    TrpRect t = DrawRect;
    const int pw = Picture.width(), ph = Picture.height();
    if (pw <= 0 || ph <= 0) return t;
    if (Flags & rppfStretched) {
        if (Flags & rppfKeepAspect) {
            const double kx = double(DrawRect.width()) / pw;
            const double ky = double(DrawRect.height()) / ph;
            int w = DrawRect.width(), h = DrawRect.height();
            if (kx >= ky) w = rpRound(pw * ky);
            else h = rpRound(ph * kx);
            t.Right = t.Left + w;
            t.Bottom = t.Top + h;
            if (Flags & rppfCenter) {
                const int dx = (DrawRect.width() - w) / 2, dy = (DrawRect.height() - h) / 2;
                t.Left += dx; t.Right += dx; t.Top += dy; t.Bottom += dy;
            }
        }
    } else {
        const int w = rpRound(pw * DrawScaleX), h = rpRound(ph * DrawScaleY);
        t.Right = t.Left + w;
        t.Bottom = t.Top + h;
        if (Flags & rppfCenter) {
            const int dx = (DrawRect.width() - w) / 2, dy = (DrawRect.height() - h) / 2;
            t.Left += dx; t.Right += dx; t.Top += dy; t.Bottom += dy;
        }
    }
    return t;
}

// ---------------------------------------------------------------- line view

TrpLineView::TrpLineView()
{
    BaseName = QStringLiteral("Line");
    TypeCode = rpgtLine;
    FrameTyp = rpftLeft;
    FillColor = rpClWhite;
}

void TrpLineView::BuildPropertyTable()
{
    TrpView::BuildPropertyTable();
    AddProperty(QStringLiteral("Stretched"), rpkBoolean);
}

void TrpLineView::Orient()
{
    if (Height < Width) {
        Height = 0;
        FrameTyp = rpftTop;
    } else {
        Width = 0;
        FrameTyp = rpftLeft;
    }
}

QRegion TrpLineView::GetClipRegion(bool enlarged)
{
    const bool dbl = FrameStyle == rppsDouble;
    const int h = dbl ? int(FrameWidth * 1.5) : int(FrameWidth * 0.5);
    const int e = dbl ? int(double(int((FrameWidth - 1) / 2)) + FrameWidth) : int((FrameWidth - 1) / 2);
    int l = Left, t = Top, r = Left + Width + 1, b = Top + Height + 1;
    if (!(Height < Width)) {   // vertical
        l -= h;
        r += e;
    } else {
        t -= h;
        b += e;
    }
    if (enlarged) {
        l -= 10; t -= 10; r += 10; b += 10;
    }
    return QRegion(QRect(l, t, r - l, b - t));
}

