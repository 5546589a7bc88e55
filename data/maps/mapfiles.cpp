#include "data/maps/mapfiles.h"

#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/text.h"
#include "report/core/stream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace kv {

namespace {

const QByteArray kMagic("\x06KV_MAP", 7);
constexpr double kMaxStoredFloat = 1e15; // far beyond any sheet area or cut length
constexpr int kMaxIniItems = 100000;     // per sheet of the older layout

enum Tag : quint8 { tagSheet = 1, tagPart = 2, tagScrap = 3, tagCut = 4, tagUsingSheet = 5 };

// ---- writing

[[noreturn]] void tooLarge(const QString &what, qint64 value, qint64 lo, qint64 hi)
{
    throw Error(QStringLiteral("Карты раскроя нельзя сохранить: %1 (%2) вне пределов формата файла (от %3 до %4).")
                    .arg(what)
                    .arg(value)
                    .arg(lo)
                    .arg(hi));
}

void putUWord(QIODevice &s, qint64 v, const QString &what)
{
    if (v < 0 || v > 65535) tooLarge(what, v, 0, 65535);
    WriteStreamWord(s, qint16(quint16(v)));
}

void putSWord(QIODevice &s, qint64 v, const QString &what)
{
    if (v < -32768 || v > 32767) tooLarge(what, v, -32768, 32767);
    WriteStreamWord(s, qint16(v));
}

void putByte(QIODevice &s, qint64 v, const QString &what)
{
    if (v < 0 || v > 255) tooLarge(what, v, 0, 255);
    WriteStreamByte(s, quint8(v));
}

void putBool(QIODevice &s, bool v) { WriteStreamByte(s, v ? 1 : 0); }
void putColor(QIODevice &s, MapColor c) { WriteStreamInteger(s, qint32(c)); }

void putShortString(QIODevice &s, const QString &text, int capacity, const QString &what)
{
    const QByteArray b = toCp1251(text);
    if (b.size() > capacity)
        throw Error(QStringLiteral("Карты раскроя нельзя сохранить: %1 \"%2\" длиннее %3 знаков.")
                        .arg(what, text)
                        .arg(capacity));
    WriteStreamByte(s, quint8(b.size()));
    WriteStreamBytes(s, b + QByteArray(capacity - b.size(), '\0'));
}

void putFloat(QIODevice &s, double v, const QString &what)
{
    if (!std::isfinite(v) || std::fabs(v) > kMaxStoredFloat)
        throw Error(QStringLiteral("Карты раскроя нельзя сохранить: %1 (%2) не является допустимым числом.")
                        .arg(what, formatShortest(v)));
    WriteStreamExtended(s, v);
}

void putPen(QIODevice &s, MapColor color)
{
    putColor(s, color);
    WriteStreamByte(s, 0); // solid
    WriteStreamByte(s, 1); // width
}

void putBrush(QIODevice &s, MapColor color)
{
    putColor(s, color);
    WriteStreamByte(s, 0); // solid
}

void putFont(QIODevice &s, const IniFont &f)
{
    putShortString(s, f.name, 30, QStringLiteral("имя шрифта"));
    putByte(s, f.size, QStringLiteral("размер шрифта"));
    putColor(s, MapColor(f.color));
    WriteStreamByte(s, quint8((f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0) | (f.strikeOut ? 8 : 0)));
    putByte(s, f.charset, QStringLiteral("набор символов шрифта"));
}

void putRect(QIODevice &s, int32_t l, int32_t t, int32_t w, int32_t h, const QString &what)
{
    putSWord(s, l, QStringLiteral("левый край ") + what);
    putSWord(s, t, QStringLiteral("верхний край ") + what);
    putSWord(s, w, QStringLiteral("длина ") + what);
    putSWord(s, h, QStringLiteral("ширина ") + what);
}

// The head that part and off-cut records share: tab index, code, rectangle,
// four bytes nobody reads, pen, brush and font.
struct ControlHead
{
    QString name;
    int32_t left = 0, top = 0, width = 0, height = 0;
    MapColor brush = 0;
};

void putControlHead(QIODevice &s, size_t tab, const ControlHead &h, const IniFont &font, const QString &nameWhat,
                    const QString &rectWhat)
{
    putUWord(s, qint64(tab), QStringLiteral("номер карты"));
    putShortString(s, h.name, 50, nameWhat);
    putRect(s, h.left, h.top, h.width, h.height, rectWhat);
    WriteStreamInteger(s, 0);
    putPen(s, 0);
    putBrush(s, h.brush);
    putFont(s, font);
}

// ---- reading

[[noreturn]] void damaged(const QString &why) { throw Error(why); }

QString getShortString(QIODevice &s, int capacity)
{
    const int len = std::min<int>(ReadStreamByte(s), capacity);
    const QByteArray b = ReadStreamBytes(s, capacity);
    return fromCp1251(b.left(len));
}

quint16 getUWord(QIODevice &s) { return quint16(ReadStreamWord(s)); }
bool getBool(QIODevice &s) { return ReadStreamByte(s) != 0; }
MapColor getColor(QIODevice &s) { return MapColor(quint32(ReadStreamInteger(s))); }

double getFloat(QIODevice &s, const char *what)
{
    const double v = ReadStreamExtended(s);
    if (!std::isfinite(v) || std::fabs(v) > kMaxStoredFloat)
        damaged(QStringLiteral("Недопустимое значение поля %1 в файле карт раскроя.").arg(QLatin1String(what)));
    return v;
}

MapColor getPenColor(QIODevice &s)
{
    const MapColor c = getColor(s);
    ReadStreamBytes(s, 2);
    return c;
}

MapColor getBrushColor(QIODevice &s)
{
    const MapColor c = getColor(s);
    ReadStreamByte(s);
    return c;
}

IniFont getFont(QIODevice &s)
{
    IniFont f;
    f.name = getShortString(s, 30);
    f.size = ReadStreamByte(s);
    f.color = int(getColor(s));
    const quint8 style = ReadStreamByte(s);
    f.bold = style & 1;
    f.italic = style & 2;
    f.underline = style & 4;
    f.strikeOut = style & 8;
    f.charset = ReadStreamByte(s);
    return f;
}

void getRect(QIODevice &s, int32_t &l, int32_t &t, int32_t &w, int32_t &h)
{
    l = ReadStreamWord(s);
    t = ReadStreamWord(s);
    w = ReadStreamWord(s);
    h = ReadStreamWord(s);
}

ControlHead getControlHead(QIODevice &s)
{
    ControlHead h;
    ReadStreamWord(s);
    h.name = getShortString(s, 50);
    getRect(s, h.left, h.top, h.width, h.height);
    ReadStreamBytes(s, 4);
    getPenColor(s);
    h.brush = getBrushColor(s);
    getFont(s);
    return h;
}

void addMaterialCode(std::vector<int32_t> &codes, int32_t code)
{
    if (code >= 0 && std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
}

void saveBytes(const QString &path, const QByteArray &bytes)
{
    QString reason;
    if (!SaveFileAtomically(path, bytes, &reason))
        throw Error(QStringLiteral("Ошибка записи в файл \"%1\".\r%2").arg(QDir::toNativeSeparators(path), reason), reason);
}

} // namespace

// ---------------------------------------------------------------- binary

QByteArray EncodeMapFile(const MapDocument &doc)
{
    QByteArray out;
    QBuffer s(&out);
    s.open(QIODevice::WriteOnly);
    const MapDisplay &d = doc.Display;
    const MapColors &c = d.Colors;

    WriteStreamBytes(s, kMagic);
    WriteStreamWord(s, 1);
    WriteStreamWord(s, 0);
    putShortString(s, doc.Caption, 100, QStringLiteral("заголовок"));
    putByte(s, NormalizeMillLinesMode(d.MillLinesMode), QStringLiteral("режим линий реза"));
    putBool(s, d.ShowBorders);
    putBool(s, d.ShowScrapsText);
    putBool(s, d.ShowHints);
    putPen(s, 0);       // parts
    putPen(s, 0);       // usable off-cuts
    putPen(s, 0);       // waste
    putPen(s, c.Mill);  // cuts
    putPen(s, 0);       // sheets
    putBrush(s, c.Detal);
    putBrush(s, c.Scrap);
    putBrush(s, c.Lost);
    putBrush(s, c.Sheet);
    for (int i = 0; i < 4; ++i) putFont(s, d.Font);

    for (size_t ti = 0; ti < doc.Tabs.size(); ++ti) {
        const MapTab &t = doc.Tabs[ti];
        const QString where = QStringLiteral(" (карта %1)").arg(ti + 1);
        WriteStreamByte(s, tagSheet);
        putUWord(s, qint64(ti), QStringLiteral("номер карты"));
        putShortString(s, t.SheetName, 50, QStringLiteral("имя листа") + where);
        putShortString(s, t.Caption, 50, QStringLiteral("заголовок карты") + where);
        putShortString(s, t.Remark, 100, QStringLiteral("примечание") + where);
        WriteStreamInteger(s, t.MaterialCode);
        putUWord(s, t.RealWidth, QStringLiteral("длина листа") + where);
        putUWord(s, t.RealHeight, QStringLiteral("ширина листа") + where);
        putPen(s, 0);
        putBrush(s, t.Color);
        putFont(s, d.Font);
        putUWord(s, t.MillSize, QStringLiteral("толщина пропила") + where);
        putUWord(s, t.Quantity, QStringLiteral("количество листов") + where);
        putBool(s, t.IsScraps);
        putBool(s, t.Visible);
        putFloat(s, t.ScrapSquare, QStringLiteral("площадь остатков") + where);
        putFloat(s, t.LostSquare, QStringLiteral("площадь отходов") + where);
        putFloat(s, t.DetalsSquare, QStringLiteral("площадь деталей") + where);
        putUWord(s, t.MillLinesCount, QStringLiteral("число резов") + where);
        putFloat(s, t.MillLinesLength, QStringLiteral("длина резов") + where);

        for (const MapPart &p : t.Parts) {
            const QString what = QStringLiteral("детали \"%1\"").arg(p.Title) + where;
            WriteStreamByte(s, tagPart);
            putControlHead(s, ti, {p.Title, p.RealLeft, p.RealTop, p.RealWidth, p.RealHeight, p.BrushColor}, d.Font,
                           QStringLiteral("код детали") + where, what);
            putBool(s, p.ShowTitle);
            putBool(s, p.ShowDim);
            putBool(s, p.ShowBorder);
            WriteStreamInteger(s, p.LeftBorder);
            WriteStreamInteger(s, p.RightBorder);
            WriteStreamInteger(s, p.TopBorder);
            WriteStreamInteger(s, p.BottomBorder);
            putColor(s, p.LeftBorderColor);
            putColor(s, p.RightBorderColor);
            putColor(s, p.TopBorderColor);
            putColor(s, p.BottomBorderColor);
        }
        for (const MapScrap &sc : t.Scraps) {
            WriteStreamByte(s, tagScrap);
            putControlHead(s, ti, {sc.ScrapName, sc.RealLeft, sc.RealTop, sc.RealWidth, sc.RealHeight, sc.Color}, d.Font,
                           QStringLiteral("шифр остатка") + where, QStringLiteral("остатка") + where);
            putBool(s, sc.ScrapType == stLostScrap);
            putBool(s, sc.ShowText);
            putBool(s, sc.ShowDim);
        }
        for (const MapCut &m : t.Cuts) {
            WriteStreamByte(s, tagCut);
            putUWord(s, qint64(ti), QStringLiteral("номер карты"));
            putRect(s, m.RealLeft, m.RealTop, m.RealWidth, m.RealHeight, QStringLiteral("реза") + where);
            putPen(s, m.Color);
            putBool(s, m.MillOrient);
            putBool(s, m.Visible);
        }
    }
    for (const TUsingSheets::Entry &e : doc.UsingSheets.Entries()) {
        const QString where = QStringLiteral(" стандартного листа материала %1").arg(e.Code);
        WriteStreamByte(s, tagUsingSheet);
        putShortString(s, QString(), 50, QString());
        WriteStreamInteger(s, e.Code);
        putSWord(s, e.Length, QStringLiteral("длина") + where);
        putSWord(s, e.Width, QStringLiteral("ширина") + where);
        putUWord(s, e.Remaining, QStringLiteral("остаток") + where);
        putUWord(s, e.Initial, QStringLiteral("начальное количество") + where);
    }
    return out;
}

void SaveMapsToFile(const MapDocument &doc, const QString &path)
{
    saveBytes(path, EncodeMapFile(doc));
}

bool StartsAsMapFile(const QByteArray &head)
{
    // A file cut inside the magic itself is still no INI text: its first byte
    // is the magic's length byte.
    return head.startsWith(kMagic) || (!head.isEmpty() && kMagic.startsWith(head));
}

namespace {

QString cutHeaderReason(qsizetype size)
{
    return QStringLiteral("Файл карт раскроя обрезан: заголовок неполон (%1 из %2 байт).").arg(size).arg(kMapHeaderSize);
}

} // namespace

MapLoadResult DecodeMapFile(const QByteArray &bytes, MapDocument &doc, QString *why)
{
    if (!StartsAsMapFile(bytes)) return mlrNotMapFile;
    if (bytes.size() < kMapHeaderSize) {
        if (why) *why = cutHeaderReason(bytes.size());
        return mlrReadError;
    }

    MapDocument out;
    out.FileName = doc.FileName;
    out.Modified = doc.Modified;
    QByteArray data = bytes;
    QBuffer s(&data);
    s.open(QIODevice::ReadOnly);
    try {
        s.seek(11);
        out.Caption = getShortString(s, 100);
        MapDisplay &d = out.Display;
        const int mode = ReadStreamByte(s);
        d.MillLinesMode = mode > 2 ? 1 : mode;
        d.ShowBorders = getBool(s);
        d.ShowScrapsText = getBool(s);
        d.ShowHints = getBool(s);
        getPenColor(s);
        getPenColor(s);
        getPenColor(s);
        d.Colors.Mill = getPenColor(s);
        getPenColor(s);
        d.Colors.Detal = getBrushColor(s);
        d.Colors.Scrap = getBrushColor(s);
        d.Colors.Lost = getBrushColor(s);
        d.Colors.Sheet = getBrushColor(s);
        for (int i = 0; i < 3; ++i) getFont(s);
        d.Font = getFont(s);

        MapTab *tab = nullptr;
        auto current = [&]() -> MapTab & {
            if (!tab) damaged(QStringLiteral("В файле карт раскроя элементы карты идут раньше листа."));
            return *tab;
        };
        while (!s.atEnd()) {
            switch (ReadStreamByte(s)) {
            case tagSheet: {
                MapTab t;
                ReadStreamWord(s);
                t.SheetName = getShortString(s, 50);
                t.Caption = getShortString(s, 50);
                t.Remark = getShortString(s, 100);
                t.MaterialCode = ReadStreamInteger(s);
                t.RealWidth = getUWord(s);
                t.RealHeight = getUWord(s);
                getPenColor(s);
                t.Color = getBrushColor(s);
                getFont(s);
                t.MillSize = getUWord(s);
                t.Quantity = getUWord(s);
                t.IsScraps = getBool(s);
                ReadStreamByte(s); // tab visibility: the navigator decides
                t.ScrapSquare = getFloat(s, "ScrapSquare");
                t.LostSquare = getFloat(s, "LostSquare");
                t.DetalsSquare = getFloat(s, "DetalsSquare");
                t.TotalSquare = t.ScrapSquare + t.LostSquare;
                t.MillLinesCount = getUWord(s);
                t.MillLinesLength = getFloat(s, "MillLinesLength");
                addMaterialCode(out.MaterialCodes, t.MaterialCode);
                out.Tabs.push_back(std::move(t));
                tab = &out.Tabs.back();
                break;
            }
            case tagPart: {
                MapPart p;
                const ControlHead h = getControlHead(s);
                p.Title = h.name;
                p.RealLeft = h.left, p.RealTop = h.top, p.RealWidth = h.width, p.RealHeight = h.height;
                p.BrushColor = h.brush;
                p.ShowTitle = getBool(s);
                p.ShowDim = getBool(s);
                p.ShowBorder = getBool(s);
                p.LeftBorder = ReadStreamInteger(s);
                p.RightBorder = ReadStreamInteger(s);
                p.TopBorder = ReadStreamInteger(s);
                p.BottomBorder = ReadStreamInteger(s);
                p.LeftBorderColor = getColor(s);
                p.RightBorderColor = getColor(s);
                p.TopBorderColor = getColor(s);
                p.BottomBorderColor = getColor(s);
                current().Parts.push_back(std::move(p));
                break;
            }
            case tagScrap: {
                MapScrap sc;
                const ControlHead h = getControlHead(s);
                sc.ScrapName = h.name;
                sc.RealLeft = h.left, sc.RealTop = h.top, sc.RealWidth = h.width, sc.RealHeight = h.height;
                sc.Color = h.brush;
                sc.ScrapType = getBool(s) ? stLostScrap : stNormalScrap;
                sc.ShowText = getBool(s);
                sc.ShowDim = getBool(s);
                // Waste is labelled as waste, whatever name it carries.
                if (sc.ScrapType == stLostScrap)
                    sc.Text = QStringLiteral("Отход");
                else
                    sc.Text = sc.ScrapName.isEmpty() ? QStringLiteral("Остаток") : sc.ScrapName;
                current().Scraps.push_back(std::move(sc));
                break;
            }
            case tagCut: {
                MapCut m;
                ReadStreamWord(s);
                getRect(s, m.RealLeft, m.RealTop, m.RealWidth, m.RealHeight);
                m.Color = getPenColor(s);
                m.MillOrient = getBool(s);
                m.Visible = getBool(s);
                current().Cuts.push_back(m);
                break;
            }
            case tagUsingSheet: {
                getShortString(s, 50);
                const int32_t code = ReadStreamInteger(s);
                const int32_t length = ReadStreamWord(s);
                const int32_t width = ReadStreamWord(s);
                const int32_t remaining = getUWord(s);
                const int32_t initial = getUWord(s);
                out.UsingSheets.Add(code, length, width, remaining, initial);
                break;
            }
            default:
                break; // an unknown byte: the next one is read as a tag
            }
        }
    } catch (const Error &e) {
        if (why) {
            *why = s.atEnd() && e.message() == QStringLiteral("Stream read error")
                       ? QStringLiteral("Файл карт раскроя обрезан: последняя запись неполна.")
                       : e.message();
        }
        return mlrReadError;
    }
    if (!out.Tabs.empty()) {
        out.LastSheetWidth = out.Tabs.back().RealWidth;
        out.LastSheetHeight = out.Tabs.back().RealHeight;
    }
    out.CurrentMaterial = kMapAllMaterials;
    doc = std::move(out);
    return mlrLoaded;
}

MapLoadResult LoadMapsFromFile(const QString &path, MapDocument &doc, QString *why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (why) *why = FileErrorReason(errno ? errno : EIO);
        return mlrReadError;
    }
    // The header decides the layout before the whole file is taken in.
    const QByteArray head = f.read(kMapHeaderSize);
    if (!StartsAsMapFile(head)) return mlrNotMapFile;
    if (head.size() < kMapHeaderSize) {
        if (why) *why = cutHeaderReason(head.size());
        return mlrReadError;
    }
    const QByteArray rest = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (why) *why = FileErrorReason(errno ? errno : EIO);
        return mlrReadError;
    }
    return DecodeMapFile(head + rest, doc, why);
}

QString MapOpenErrorMessage(const QString &path)
{
    return QStringLiteral("Ошибка открытия карт раскроя\rиз файла \"%1\".").arg(QDir::toNativeSeparators(path));
}

// ---------------------------------------------------------------- older INI layout

namespace {

// A count out of all reason is a damaged file, not a reason to loop for ages.
int readCount(const TIniFile &ini, const QString &section, const QString &key)
{
    const int n = ini.ReadInteger(section, key, 0);
    if (n < 0 || n > kMaxIniItems)
        throw Error(QStringLiteral("Недопустимое значение %1=%2 в разделе [%3] файла карт раскроя.").arg(key).arg(n).arg(section));
    return n;
}

} // namespace

std::vector<int32_t> ReadMapsMaterials(const QString &path)
{
    if (!QFileInfo::exists(path)) throw Error(QStringLiteral("Файл \"%1\" не найден.").arg(QDir::toNativeSeparators(path)));
    TIniFile ini(path);
    std::vector<int32_t> codes;
    const int sheets = readCount(ini, QStringLiteral("Global"), QStringLiteral("SheetsCount"));
    for (int n = 1; n <= sheets; ++n)
        addMaterialCode(codes, ini.ReadInteger(QStringLiteral("Sheet%1").arg(n), QStringLiteral("MatCode"), -1));
    return codes;
}

void LoadIniMaps(const QString &path, MapDocument &doc)
{
    if (!QFileInfo::exists(path)) throw Error(QStringLiteral("Файл \"%1\" не найден.").arg(QDir::toNativeSeparators(path)));
    TIniFile ini(path);
    const QString g = QStringLiteral("Global");
    MapDocument out;
    out.FileName = doc.FileName;
    out.Modified = doc.Modified;
    out.Caption = ini.ReadString(g, QStringLiteral("Caption"), QStringLiteral("Вариант раскроя"));
    MapDisplay &d = out.Display;
    d.Colors = doc.Display.Colors;
    d.MillLinesMode = NormalizeMillLinesMode(ini.ReadInteger(g, QStringLiteral("MillState"), 0));
    d.ShowHints = ini.ReadBool(g, QStringLiteral("ShowHints"), true);
    d.ShowBorders = ini.ReadBool(g, QStringLiteral("ShowBorder"), true);
    d.ShowScrapsText = ini.ReadBool(g, QStringLiteral("ShowScrapsText"), true);
    const QString f = QStringLiteral("Font");
    d.Font.name = ini.ReadString(f, QStringLiteral("Name"), QStringLiteral("Arial Cyr"));
    d.Font.bold = ini.ReadBool(f, QStringLiteral("Bold"), false);
    d.Font.italic = ini.ReadBool(f, QStringLiteral("Italic"), false);
    d.Font.underline = ini.ReadBool(f, QStringLiteral("Underline"), false);
    d.Font.strikeOut = ini.ReadBool(f, QStringLiteral("StrikeOut"), false);
    d.Font.size = ini.ReadInteger(f, QStringLiteral("Size"), 8);
    d.Font.color = ini.ReadInteger(f, QStringLiteral("Color"), 0);
    d.Font.charset = ini.ReadInteger(f, QStringLiteral("Charset"), 204);

    bool lastShowBorder = false;
    const int sheets = readCount(ini, g, QStringLiteral("SheetsCount"));
    for (int n = 1; n <= sheets; ++n) {
        const QString sec = QStringLiteral("Sheet%1").arg(n);
        auto num = [&](const QString &key, int def) { return ini.ReadInteger(sec, key, def); };
        auto flag = [&](const QString &key, bool def) { return ini.ReadBool(sec, key, def); };
        MapTab t;
        t.MaterialCode = num(QStringLiteral("MatCode"), -1);
        t.Remark = ini.ReadString(sec, QStringLiteral("Remark"), QString());
        t.RealWidth = num(QStringLiteral("Width"), 0);
        t.RealHeight = num(QStringLiteral("Heigth"), 0);
        t.Color = MapColor(num(QStringLiteral("Color"), int(kAppWorkspaceColor)));
        t.MillSize = num(QStringLiteral("MillSize"), 4);
        t.Quantity = num(QStringLiteral("Quantity"), 1);
        t.IsScraps = flag(QStringLiteral("IsScraps"), false);
        t.MillLinesCount = num(QStringLiteral("MillLinesCount"), 0);
        t.MillLinesLength = ini.ReadFloat(sec, QStringLiteral("MillLinesLength"), 0);
        if (!std::isfinite(t.MillLinesLength) || std::fabs(t.MillLinesLength) > kMaxStoredFloat)
            throw Error(QStringLiteral("Недопустимая длина резов в разделе [%1].").arg(sec));
        t.SheetName = ini.ReadString(sec, QStringLiteral("Title"), QString());
        t.Caption = ini.ReadString(sec, QStringLiteral("PageTitle"), QString());

        const int parts = readCount(ini, sec, QStringLiteral("DetalsCount"));
        for (int i = 1; i <= parts; ++i) {
            const QString k = QString::number(i);
            MapPart p;
            p.RealLeft = num(QStringLiteral("DetLeft") + k, 0);
            p.RealTop = num(QStringLiteral("DetTop") + k, 0);
            p.RealWidth = num(QStringLiteral("DetWidth") + k, 0);
            p.RealHeight = num(QStringLiteral("DetHeigth") + k, 0);
            p.BrushColor = MapColor(num(QStringLiteral("DetColor") + k, 0xFFFFFF));
            p.Title = ini.ReadString(sec, QStringLiteral("DetTitle") + k, QString());
            p.ShowTitle = flag(QStringLiteral("ShowTitle") + k, true);
            p.ShowDim = flag(QStringLiteral("ShowDim") + k, true);
            p.ShowBorder = flag(QStringLiteral("ShowBorder") + k, true);
            p.LeftBorder = num(QStringLiteral("LBorder") + k, 0);
            p.RightBorder = num(QStringLiteral("RBorder") + k, 0);
            p.TopBorder = num(QStringLiteral("TBorder") + k, 0);
            p.BottomBorder = num(QStringLiteral("BBorder") + k, 0);
            lastShowBorder = p.ShowBorder;
            t.Parts.push_back(std::move(p));
        }
        const int scraps = readCount(ini, sec, QStringLiteral("ScrapsCount"));
        for (int i = 1; i <= scraps; ++i) {
            const QString k = QString::number(i);
            MapScrap sc;
            sc.RealLeft = num(QStringLiteral("ScrLeft") + k, 0);
            sc.RealTop = num(QStringLiteral("ScrTop") + k, 0);
            sc.RealWidth = num(QStringLiteral("ScrWidth") + k, 0);
            sc.RealHeight = num(QStringLiteral("ScrHeigth") + k, 0);
            sc.Color = MapColor(num(QStringLiteral("ScrColor") + k, 0));
            sc.ScrapName = ini.ReadString(sec, QStringLiteral("ScrName") + k, QString());
            t.Scraps.push_back(std::move(sc));
        }
        const int cuts = readCount(ini, sec, QStringLiteral("MillsCount"));
        for (int i = 1; i <= cuts; ++i) {
            const QString k = QString::number(i);
            MapCut m;
            m.RealLeft = num(QStringLiteral("MillLeft") + k, 0);
            m.RealTop = num(QStringLiteral("MillTop") + k, 0);
            m.RealWidth = num(QStringLiteral("MillWidth") + k, 0);
            m.RealHeight = num(QStringLiteral("MillHeigth") + k, 0);
            m.Color = MapColor(num(QStringLiteral("MillColor") + k, 0));
            m.MillOrient = flag(QStringLiteral("MillOrient") + k, m.RealHeight < m.RealWidth);
            t.Cuts.push_back(m);
        }
        out.LastSheetWidth = t.RealWidth;
        out.LastSheetHeight = t.RealHeight;
        addMaterialCode(out.MaterialCodes, t.MaterialCode);
        out.Tabs.push_back(std::move(t));
    }
    // The switch of the last part read goes for every part, as the switch does.
    out.SetShowBorders(lastShowBorder);
    out.CurrentMaterial = kMapAllMaterials;
    doc = std::move(out);
}

// ---------------------------------------------------------------- INI export

QByteArray ExportMapsToIniBytes(const MapDocument &doc, const std::function<QString(int32_t)> &materialName)
{
    QString text;
    auto line = [&](const QString &key, const QString &value) { text += key + QLatin1Char('=') + value + QStringLiteral("\r\n"); };
    auto item = [](const QString &code, int32_t w, int32_t h) {
        return QStringLiteral("\"%1\",%2,%3").arg(code).arg(w).arg(h);
    };
    for (size_t n = 0; n < doc.Tabs.size(); ++n) {
        const MapTab &t = doc.Tabs[n];
        if (n > 0) text += QStringLiteral("\r\n");
        text += QStringLiteral("[SHEET%1]\r\n").arg(n + 1);
        line(QStringLiteral("SNAME"), t.Caption);
        line(QStringLiteral("SMATERIAL"), materialName ? materialName(t.MaterialCode) : QString());
        line(QStringLiteral("SWIDTH"), QString::number(t.RealWidth));
        line(QStringLiteral("SHEIGHT"), QString::number(t.RealHeight));
        line(QStringLiteral("SQUANTITY"), QString::number(t.Quantity));
        int d = 0, s = 0, ls = 0;
        for (const MapPart &p : t.Parts)
            line(QStringLiteral("D%1").arg(++d), item(p.Title, p.RealWidth, p.RealHeight));
        for (const MapScrap &sc : t.Scraps) {
            if (sc.ScrapType == stNormalScrap)
                line(QStringLiteral("S%1").arg(++s), item(sc.ScrapName, sc.RealWidth, sc.RealHeight));
            else
                line(QStringLiteral("LS%1").arg(++ls), item(sc.ScrapName, sc.RealWidth, sc.RealHeight));
        }
        line(QStringLiteral("DCOUNT"), QString::number(d));
        line(QStringLiteral("SCOUNT"), QString::number(s));
        line(QStringLiteral("LSCOUNT"), QString::number(ls));
    }
    return toCp1251(text);
}

void ExportMapsToIni(const MapDocument &doc, const QString &path, const std::function<QString(int32_t)> &materialName)
{
    saveBytes(path, ExportMapsToIniBytes(doc, materialName));
}

} // namespace kv
