#include "data/imports/partlists.h"

#include "data/paths.h"
#include "platform/db/dataset.h"
#include "platform/db/query.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <memory>

namespace kv {

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }
QString importError() { return u("Ошибка импорта базы деталей."); }

void checkSize(const QString &path, const QString &message)
{
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile() || fi.size() > kMaxImportFileSize) throw Error(message);
}

int clampInt(qint64 v) { return int(std::clamp<qint64>(v, -2147483647 - 1, 2147483647)); }

// A whole number as the old programs read it: blanks around allowed; nullopt
// when not a number.
std::optional<int> toInt(const QString &s)
{
    bool ok = false;
    const qlonglong v = s.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return clampInt(v);
}

int wholeOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return 0;
    return clampInt(std::llround(std::clamp(d, -9.0e15, 9.0e15)));
}

} // namespace

QVariantList ImportedPart::Values() const
{
    return {Name, Length, Width, Many, Rotate, LBorder, RBorder, TBorder, BBorder, Material};
}

// --- version 1.x ------------------------------------------------------------------

void ParseOldDetals(engine::TDetalsList &parts, const QString &line)
{
    // Iterative: nesting of any depth costs no stack.
    QString rest = line.trimmed();
    qsizetype at = 0;
    auto fail = [] { throw Error(importError()); };
    auto skipBlanks = [&] { while (at < rest.size() && rest.at(at).isSpace()) ++at; };
    while (true) {
        while (at < rest.size() && (rest.at(at) == u'(' || rest.at(at).isSpace())) ++at;
        // Only closing parentheses left: the list ends.
        qsizetype k = at;
        while (k < rest.size() && (rest.at(k) == u')' || rest.at(k).isSpace())) ++k;
        if (k == rest.size()) return;
        if (rest.at(at) != u'"') fail();
        const qsizetype close = rest.indexOf(u'"', at + 1);
        if (close < 0) fail();
        const QString code = rest.mid(at + 1, close - at - 1);
        at = close + 1;
        skipBlanks();
        int num[4];
        for (int i = 0; i < 4; ++i) {
            const QChar end = i < 3 ? u' ' : u')';
            const qsizetype stop = rest.indexOf(end, at);
            if (stop < 0) fail();
            const auto v = toInt(rest.mid(at, stop - at));
            if (!v || rest.mid(at, stop - at).trimmed().isEmpty()) fail();
            num[i] = *v;
            at = stop + 1;
        }
        skipBlanks();
        const int oldRotate = num[2];
        const uint8_t rotate = oldRotate == 0 ? 1 : oldRotate == 1 ? 0 : oldRotate == 2 ? 2 : 0;
        parts.Add(code.toStdString(), num[0], num[1], num[3], rotate);
    }
}

QString ReadFirstLine(const QString &path)
{
    checkSize(path, importError());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw Error(importError());
    QByteArray line = f.readLine(4 * 1024 * 1024);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return fromCp1251(line);
}

// --- version 2.x --------------------------------------------------------------------

DetHeader ReadDetHeader(const QString &path)
{
    checkSize(path, importError());
    TIniFile ini(path);
    DetHeader h;
    QString name = ini.ReadString(QStringLiteral("Header"), QStringLiteral("FName"), QString());
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Only a file name: the table lies in the header's own folder.
    h.Table = Paths::BareFileIn(QFileInfo(path).absolutePath(), QFileInfo(name).fileName());
    h.VersionLo = ini.ReadInteger(QStringLiteral("Header"), QStringLiteral("VersionLo"), 0);
    h.VersionHi = ini.ReadInteger(QStringLiteral("Header"), QStringLiteral("VersionHi"), 2);
    h.Code = ini.ReadInteger(QStringLiteral("Header"), QStringLiteral("Code"), 0);
    return h;
}

QList<ImportedPart> ReadDetTable(const DetHeader &header, int material, int defaultEdge)
{
    if (header.Table.isEmpty() || !QFileInfo::exists(header.Table)) throw Error(importError());
    std::unique_ptr<Query> q(OpenQuery(QStringLiteral("Select * from ") + Query::QuotePath(header.Table)));
    if (!q) throw Error(importError());
    QList<ImportedPart> out;
    try {
        const bool codes = header.CodeEdges();
        auto edge = [&](const char *name) {
            const Field *f = q->FindField(QString::fromLatin1(name));
            if (!f) return 0;
            const QVariant v = f->Value();
            if (codes) return wholeOf(v);
            const bool banded = v.typeId() == QMetaType::Bool ? v.toBool() : wholeOf(v) != 0;
            return banded ? defaultEdge : 0;
        };
        for (q->First(); !q->Eof(); q->Next()) {
            ImportedPart p;
            p.Name = q->FieldByName(QStringLiteral("Name"))->AsString();
            p.Length = wholeOf(q->FieldByName(QStringLiteral("Length"))->Value());
            p.Width = wholeOf(q->FieldByName(QStringLiteral("Width"))->Value());
            p.Many = wholeOf(q->FieldByName(QStringLiteral("Many"))->Value());
            p.Rotate = wholeOf(q->FieldByName(QStringLiteral("Rotate"))->Value());
            p.LBorder = edge("LBorder");
            p.RBorder = edge("RBorder");
            p.TBorder = edge("TBorder");
            p.BBorder = edge("BBorder");
            p.Material = material;
            out << p;
        }
    } catch (const std::exception &) {
        throw Error(importError());
    }
    return out;
}

// --- tab-separated text ---------------------------------------------------------------

ImportedPart ParseTextRow(const QString &line, QChar separator, int material, const TextRowDefaults &defaults)
{
    const QStringList f = line.split(separator);
    auto field = [&](int i) { return i < f.size() ? f.at(i) : QString(); };
    ImportedPart p;
    p.Name = field(0);
    p.Length = toInt(field(1)).value_or(0);
    p.Width = toInt(field(2)).value_or(0);
    bool ok = false;
    const QString manyText = field(3).trimmed();
    // Only "." separates the fraction.
    const double many = manyText.contains(QLatin1Char(',')) ? 0 : parseFloat(manyText, &ok);
    p.Many = ok && std::isfinite(many) ? clampInt(roundToInt64(many)) : 0;
    const auto rot = toInt(field(4));
    p.Rotate = rot ? (*rot >= 0 && *rot <= 2 ? *rot : 0) : defaults.Rotate;
    auto edge = [&](int i) { return toInt(field(i)).value_or(0) != 0 ? defaults.Edge : 0; };
    p.LBorder = edge(5);
    p.RBorder = edge(6);
    p.TBorder = edge(7);
    p.BBorder = edge(8);
    p.Material = material;
    return p;
}

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

bool isWholeNumber(QByteArrayView f)
{
    if (f.startsWith('-')) f = f.sliced(1);
    return !f.isEmpty() && std::all_of(f.begin(), f.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Exactly what the export writes: lines ended by CR LF, each of nine fields,
// the sizes, quantity and rotation whole numbers, the edges "0" or "1" (an
// empty first line too, see WriteTextFile).
bool isExportShape(const QByteArray &bytes)
{
    if (!bytes.endsWith("\r\n")) return false;
    const QList<QByteArray> lines = bytes.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && !lines[i - 1].endsWith('\r')) return false;
        const QByteArray line = i + 1 < lines.size() ? lines[i].chopped(1) : lines[i];
        if (i == 0 && line.isEmpty()) continue;
        if (line.contains('\r')) return false;
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 9) return false;
        for (int k = 1; k <= 4; ++k)
            if (!isWholeNumber(f[k])) return false;
        for (int k = 5; k <= 8; ++k)
            if (f[k] != "0" && f[k] != "1") return false;
    }
    return true;
}

// The program writes its lists in cp1251, and a cp1251 name can be valid
// UTF-8 ("Р–1" is the bytes of "Ж1"): a list in exactly the shape the export
// writes is read as cp1251, whatever its bytes. A list made elsewhere is
// UTF-8 when it starts with a byte-order mark (which the export never writes
// first) or when it is valid UTF-8 holding non-ASCII bytes.
QString decodePartList(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    if (bytes.startsWith(kUtf8Mark)) {
        QString text = utf8(bytes.mid(kUtf8Mark.size()));
        if (!utf8.hasError()) return text;
        return fromCp1251(bytes);
    }
    if (isExportShape(bytes)) return fromCp1251(bytes);
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
    if (high) {
        QString text = utf8(bytes);
        if (!utf8.hasError()) return text;
    }
    return fromCp1251(bytes);
}

// A control character other than TAB, CR and LF: no list of parts holds one.
bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != 9 && u != 10 && u != 13) || (u >= 0x7F && u <= 0x9F);
}

} // namespace

void ReadTextFile(const QString &path, int material, const TextRowDefaults &defaults, QList<ImportedPart> &parts)
{
    const QString failed = u("Ошибка импорта данных!");
    checkSize(path, failed);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw Error(failed);
    const QByteArray bytes = f.readAll();
    if (bytes.size() != f.size()) throw Error(failed);
    constexpr qsizetype kMaxLine = 64 * 1024;
    const QString text = decodePartList(bytes);
    // A file that is not text (NUL bytes, other control characters) is no
    // part list: nothing of it is read.
    if (std::any_of(text.begin(), text.end(), isControl)) throw Error(failed);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        while (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        // An overlong line is refused, the lines after it still read.
        if (line.isEmpty() || line.size() > kMaxLine) continue;
        parts << ParseTextRow(line.toString(), QChar(9), material, defaults);
    }
}

QString TextRowOf(const ImportedPart &p)
{
    if (std::any_of(p.Name.begin(), p.Name.end(), [](QChar c) { return c == QChar(9) || c == QChar(13) ||
                                                                       c == QChar(10) || isControl(c); }))
        return QString();
    const QChar tab(9);
    auto e = [](int code) { return code != 0 ? QStringLiteral("1") : QStringLiteral("0"); };
    return QStringList{p.Name, QString::number(p.Length), QString::number(p.Width), QString::number(p.Many),
                       QString::number(p.Rotate), e(p.LBorder), e(p.RBorder), e(p.TBorder), e(p.BBorder)}
        .join(tab);
}

QList<int> WriteTextFile(const QString &path, const QList<ImportedPart> &parts)
{
    QList<int> refused;
    QByteArray out;
    for (int i = 0; i < parts.size(); ++i) {
        const QString row = TextRowOf(parts[i]);
        if (row.isEmpty()) {
            refused << i + 1;
            continue;
        }
        out += toCp1251(row);
        out += "\r\n";
    }
    // A first name that begins with the bytes of a UTF-8 mark ("п»ї") would
    // read back as UTF-8: an empty first line, which reading skips, keeps
    // the list cp1251.
    if (out.startsWith(kUtf8Mark)) out.prepend("\r\n");
    QString reason;
    if (!SaveFileAtomically(path, out, &reason)) throw Error(u("Ошибка экспорта данных!\r") + reason, reason);
    return refused;
}

// --- designer module --------------------------------------------------------------------

QList<ImportedPart> ReadDesignerFile(const QString &path, int defaultRotate)
{
    checkSize(path, importError());
    TIniFile ini(path);
    QList<ImportedPart> out;
    // One part per section: the file is looked at on disk once, not at each of its values.
    ini.Read([&] {
        const QStringList sections = ini.ReadSections();
        out.reserve(sections.size());
        for (const QString &s : sections) {
            ImportedPart p;
            p.Name = ini.ReadString(s, QStringLiteral("Shifr"), QString());
            p.Length = ini.ReadInteger(s, QStringLiteral("W"), 0);
            p.Width = ini.ReadInteger(s, QStringLiteral("H"), 0);
            p.Many = ini.ReadInteger(s, QStringLiteral("Quantity"), 0);
            p.Rotate = ini.ReadInteger(s, QStringLiteral("Rotate"), defaultRotate);
            p.Material = ini.ReadInteger(s, QStringLiteral("Material"), 0);
            out << p;
        }
    });
    return out;
}

// --- command line ---------------------------------------------------------------------

bool IsCommandLineGroupFile(const QString &parameter)
{
    const QFileInfo fi(parameter);
    return parameter.endsWith(QLatin1String(".kdx"), Qt::CaseSensitive) && fi.exists() && fi.isFile();
}

// --- parts tables ---------------------------------------------------------------------

QList<ImportedPart> ReadParts(DataSet &t)
{
    QList<ImportedPart> out;
    const auto mark = t.GetBookmark();
    for (t.First(); !t.Eof(); t.Next()) {
        ImportedPart p;
        p.Name = t.FieldByName(QStringLiteral("Name"))->AsString();
        p.Length = wholeOf(t.FieldByName(QStringLiteral("Length"))->Value());
        p.Width = wholeOf(t.FieldByName(QStringLiteral("Width"))->Value());
        p.Many = wholeOf(t.FieldByName(QStringLiteral("Many"))->Value());
        p.Rotate = wholeOf(t.FieldByName(QStringLiteral("Rotate"))->Value());
        p.LBorder = wholeOf(t.FieldByName(QStringLiteral("LBorder"))->Value());
        p.RBorder = wholeOf(t.FieldByName(QStringLiteral("RBorder"))->Value());
        p.TBorder = wholeOf(t.FieldByName(QStringLiteral("TBorder"))->Value());
        p.BBorder = wholeOf(t.FieldByName(QStringLiteral("BBorder"))->Value());
        p.Material = wholeOf(t.FieldByName(QStringLiteral("Material"))->Value());
        out << p;
    }
    if (t.BookmarkValid(mark)) t.GotoBookmark(mark);
    return out;
}

int AppendParts(DataSet &t, const QList<ImportedPart> &parts, const PartsProgress &progress)
{
    int failed = 0, done = 0;
    const int total = int(parts.size());
    for (const ImportedPart &p : parts) {
        if (progress && done % 1000 == 0) progress(done, total);
        ++done;
        try {
            t.AppendRecord(p.Values());
        } catch (const std::exception &) {
            try { t.Cancel(); } catch (...) {}
            ++failed;
        }
    }
    if (progress) progress(total, total);
    return failed;
}

} // namespace kv
