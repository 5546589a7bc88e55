#include "data/settings.h"

#include "platform/db/dbffile.h"
#include "platform/error.h"
#include "platform/strutils.h"
#include "platform/text.h"


#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

int g_lenDigits = key::LenDigits.def;
int g_sqrDigits = key::SqrDigits.def;

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

QString MaterialSection(int materialCode)
{
    return QStringLiteral("Material") + QString::number(materialCode);
}

int ReadKey(const TIniFile &ini, const IntKey &k)
{
    return ini.ReadInteger(s(k.section), s(k.key), k.def);
}

bool ReadKey(const TIniFile &ini, const BoolKey &k)
{
    return ini.ReadBool(s(k.section), s(k.key), k.def);
}

QString ReadKey(const TIniFile &ini, const StrKey &k)
{
    return ini.ReadString(s(k.section), s(k.key), s(k.def));
}

void WriteKey(TIniFile &ini, const IntKey &k, int value)
{
    ini.WriteInteger(s(k.section), s(k.key), value);
}

void WriteKey(TIniFile &ini, const BoolKey &k, bool value)
{
    ini.WriteBool(s(k.section), s(k.key), value);
}

void WriteKey(TIniFile &ini, const StrKey &k, const QString &value)
{
    ini.WriteString(s(k.section), s(k.key), value);
}

// --- Number formats -------------------------------------------------------

void SetNumberDigits(int lenDigits, int sqrDigits)
{
    g_lenDigits = std::clamp(lenDigits, 0, 18);
    g_sqrDigits = std::clamp(sqrDigits, 0, 18);
}

int LenDigitsValue() { return g_lenDigits; }
int SqrDigitsValue() { return g_sqrDigits; }

QString FormatWithDigits(double v, int digits)
{
    return formatFixed(v, digits);
}

QString FormatLength(double v) { return formatFixed(v, g_lenDigits); }
QString FormatSquare(double v) { return formatFixed(v, g_sqrDigits); }
QString FormatPercent(double v) { return formatFixed(v, kPercentDigits); }

double StrToFloatOrZero(const QString &text)
{
    // The decimal separator is "." for the whole program: "2,5" is no number.
    if (text.contains(QLatin1Char(','))) return 0.0;
    bool ok = false;
    const double v = parseFloat(text, &ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

// --- Key families -----------------------------------------------------------

QFont IniFont::toQFont() const
{
    QFont f(name);
    if (size > 0) f.setPointSize(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    return f;
}

void IniFont::setFromQFont(const QFont &f)
{
    name = f.family();
    if (f.pointSize() > 0) size = f.pointSize();
    bold = f.bold();
    italic = f.italic();
    underline = f.underline();
    strikeOut = f.strikeOut();
}

void ReadFontFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniFont &font)
{
    const IniFont def;
    font.name = ini.ReadString(section, prefix + QStringLiteral("_Name"), def.name);
    font.color = ini.ReadInteger(section, prefix + QStringLiteral("_Color"), def.color);
    font.size = ini.ReadInteger(section, prefix + QStringLiteral("_Size"), def.size);
    font.charset = ini.ReadInteger(section, prefix + QStringLiteral("_Charset"), def.charset);
    font.bold = ini.ReadBool(section, prefix + QStringLiteral("_Style_B"), false);
    font.italic = ini.ReadBool(section, prefix + QStringLiteral("_Style_I"), false);
    font.underline = ini.ReadBool(section, prefix + QStringLiteral("_Style_U"), false);
    font.strikeOut = ini.ReadBool(section, prefix + QStringLiteral("_Style_S"), false);
}

void WriteFontToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniFont &font)
{
    ini.Update([&] {
        ini.WriteString(section, prefix + QStringLiteral("_Name"), font.name);
        ini.WriteInteger(section, prefix + QStringLiteral("_Color"), font.color);
        ini.WriteInteger(section, prefix + QStringLiteral("_Size"), font.size);
        ini.WriteInteger(section, prefix + QStringLiteral("_Charset"), font.charset);
        ini.WriteBool(section, prefix + QStringLiteral("_Style_B"), font.bold);
        ini.WriteBool(section, prefix + QStringLiteral("_Style_I"), font.italic);
        ini.WriteBool(section, prefix + QStringLiteral("_Style_U"), font.underline);
        ini.WriteBool(section, prefix + QStringLiteral("_Style_S"), font.strikeOut);
    });
}

void ReadPenFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniPen &pen)
{
    const IniPen def;
    pen.color = ini.ReadInteger(section, prefix + QStringLiteral("_Color"), def.color);
    pen.style = ini.ReadInteger(section, prefix + QStringLiteral("_Style"), def.style);
    pen.width = ini.ReadInteger(section, prefix + QStringLiteral("_Width"), def.width);
}

void WritePenToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniPen &pen)
{
    ini.Update([&] {
        ini.WriteInteger(section, prefix + QStringLiteral("_Color"), pen.color);
        ini.WriteInteger(section, prefix + QStringLiteral("_Style"), pen.style);
        ini.WriteInteger(section, prefix + QStringLiteral("_Width"), pen.width);
    });
}

void ReadBrushFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniBrush &brush)
{
    const IniBrush def;
    brush.color = ini.ReadInteger(section, prefix + QStringLiteral("_Color"), def.color);
    brush.style = ini.ReadInteger(section, prefix + QStringLiteral("_Style"), def.style);
}

void WriteBrushToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniBrush &brush)
{
    ini.Update([&] {
        ini.WriteInteger(section, prefix + QStringLiteral("_Color"), brush.color);
        ini.WriteInteger(section, prefix + QStringLiteral("_Style"), brush.style);
    });
}

void ReadListViewColumns(const TIniFile &ini, const QString &section, const QString &view, QList<int> &widths)
{
    for (qsizetype i = 0; i < widths.size(); ++i)
        widths[i] = ini.ReadInteger(section, view + QStringLiteral("_Width") + QString::number(i), widths[i]);
}

void WriteListViewColumns(TIniFile &ini, const QString &section, const QString &view, const QList<int> &widths)
{
    ini.Update([&] {
        for (qsizetype i = 0; i < widths.size(); ++i)
            ini.WriteInteger(section, view + QStringLiteral("_Width") + QString::number(i), widths[i]);
    });
}

// --- INI utilities --------------------------------------------------------

void WriteIniSectionValues(const QString &fileName, const QString &section, const QStringList &lines)
{
    TIniFile ini(fileName);
    // The section is written whole or not at all.
    ini.Update([&] {
        ini.EraseSection(section);
        for (const QString &line : lines) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0) ini.WriteString(section, line, QString());
            else ini.WriteString(section, line.left(eq), line.mid(eq + 1));
        }
    });
}

void CopyIniSection(const QString &srcFile, const QString &srcSection,
                    const QString &dstFile, const QString &dstSection)
{
    const QStringList lines = TIniFile(srcFile).ReadSectionValues(srcSection);
    WriteIniSectionValues(dstFile, dstSection, lines);
}

void CopyIniSectionKeys(const QString &srcFile, const QString &srcSection,
                        const QString &dstSection, const QString &dstFile)
{
    const TIniFile src(srcFile);
    TIniFile dst(dstFile);
    dst.Update([&] {
        for (const QString &k : src.ReadSection(srcSection))
            dst.WriteString(dstSection, k, src.ReadString(srcSection, k, QString()));
    });
}

int AddNumberedIniValue(const QString &fileName, const QString &section, const QString &value)
{
    TIniFile ini(fileName);
    int n = 1;
    while (ini.ValueExists(section, QString::number(n))) ++n;
    ini.WriteString(section, QString::number(n), value);
    return n;
}

QString NormalizeFolderPath(const QString &path)
{
    qsizetype b = 0, e = path.size();
    while (b < e && path.at(b).unicode() <= ' ') ++b;
    while (e > b && path.at(e - 1).unicode() <= ' ') --e;
    return WithTrailingBackslash(path.mid(b, e - b));
}

// --- Settings ---------------------------------------------------------------

Settings::Settings(const QString &fileName)
    : m_ini(fileName)
{
}

void Settings::SetPageLeft(int v) { Set(key::PageLeft, v); m_pageLeft = v; }
void Settings::SetPageRight(int v) { Set(key::PageRight, v); m_pageRight = v; }
void Settings::SetPageTop(int v) { Set(key::PageTop, v); m_pageTop = v; }
void Settings::SetPageBottom(int v) { Set(key::PageBottom, v); m_pageBottom = v; }

IniFont Settings::MapFont() const
{
    IniFont f;
    f.name = Get(key::FontName);
    f.bold = Get(key::FontBold);
    f.italic = Get(key::FontItalic);
    f.underline = Get(key::FontUnderline);
    f.strikeOut = Get(key::FontStrikeOut);
    f.size = Get(key::FontSize);
    f.color = Get(key::FontColor);
    f.charset = Get(key::FontCharSet);
    if (f.size <= 0) f.size = key::FontSize.def;
    return f;
}

void Settings::SetMapFont(const IniFont &f)
{
    m_ini.Update([&] {
        Set(key::FontName, f.name);
        Set(key::FontBold, f.bold);
        Set(key::FontItalic, f.italic);
        Set(key::FontUnderline, f.underline);
        Set(key::FontStrikeOut, f.strikeOut);
        Set(key::FontColor, f.color);
        Set(key::FontSize, f.size);
        Set(key::FontCharSet, f.charset);
    });
}

void Settings::LoadDigits()
{
    SetNumberDigits(Get(key::LenDigits), Get(key::SqrDigits));
}

void Settings::LoadProcessValues()
{
    LoadDigits();
    m_pageLeft = GetPageLeft();
    m_pageRight = GetPageRight();
    m_pageTop = GetPageTop();
    m_pageBottom = GetPageBottom();
    LoadDefBorder();
}

// --- A damaged settings file ---------------------------------------------

namespace {

bool cleanLine(QByteArray line)
{
    if (line.endsWith('\r')) line.chop(1);
    for (char ch : line) {
        const auto c = quint8(ch);
        // Control characters, and the one byte code page 1251 leaves unused.
        if ((c < 0x20 && c != '\t') || c == 0x7F || c == 0x98) return false;
    }
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';')) return true;
    if (t.startsWith('[')) return t.endsWith(']');
    const qsizetype eq = t.indexOf('=');
    return eq > 0 && !t.left(eq).trimmed().isEmpty();
}

QByteArray readBytes(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

} // namespace

bool SettingsTextIsClean(const QByteArray &bytes)
{
    for (const QByteArray &line : bytes.split('\n'))
        if (!cleanLine(line)) return false;
    return true;
}

bool SettingsTextIsBackup(const QByteArray &bytes)
{
    if (!SettingsTextIsClean(bytes)) return false;
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith(';') && !t.startsWith('[')) return true;
    }
    return false;
}

QString RepairSettingsFile(const QString &file, const QString &backupFile, const QString &damagedCopy)
{
    if (!QFile::exists(file)) return QString();
    bool ok = false;
    const QByteArray bytes = readBytes(file, &ok);
    if (ok && SettingsTextIsClean(bytes)) return QString();
    const auto native = [](const QString &p) { return QDir::toNativeSeparators(p); };
    if (!ok)
        throw Error(QStringLiteral("Файл настроек \"%1\" не удаётся прочитать.").arg(native(file)));

    // The damaged file itself is kept: nothing of it is lost.
    writeFileAtomically(damagedCopy, bytes);
    bool haveBackup = false;
    const QByteArray backup = QFile::exists(backupFile) ? readBytes(backupFile, &haveBackup) : QByteArray();
    QString used;
    if (haveBackup && SettingsTextIsBackup(backup)) {
        writeFileAtomically(file, backup);
        used = QStringLiteral("Используется резервная копия \"%1\".").arg(native(backupFile));
    } else {
        QByteArray kept;
        for (QByteArray line : bytes.split('\n')) {
            if (line.endsWith('\r')) line.chop(1);
            if (cleanLine(line)) kept += line + "\r\n";
        }
        writeFileAtomically(file, kept);
        // An empty backup holds no settings: taking it would drop every one.
        const QString why = !haveBackup ? QStringLiteral("Резервной копии \"%1\" нет")
                            : SettingsTextIsClean(backup) ? QStringLiteral("Резервная копия \"%1\" пуста")
                                                          : QStringLiteral("Резервная копия \"%1\" тоже повреждена");
        used = why.arg(native(backupFile)) +
               QStringLiteral(": используются настройки, которые удалось прочитать,\r"
                              "остальные взяты по умолчанию.");
    }
    TIniFile::ClearCache();
    return QStringLiteral("Файл настроек \"%1\" повреждён.\r%2\rПовреждённый файл сохранён как \"%3\".")
        .arg(native(file), used, native(damagedCopy));
}

bool RefreshSettingsBackup(const QString &file, const QString &backupFile)
{
    bool ok = false;
    const QByteArray bytes = QFile::exists(file) ? readBytes(file, &ok) : QByteArray();
    if (!ok || !SettingsTextIsBackup(bytes)) return false;
    bool haveBackup = false;
    const QByteArray backup = QFile::exists(backupFile) ? readBytes(backupFile, &haveBackup) : QByteArray();
    if (!haveBackup || backup != bytes) writeFileAtomically(backupFile, bytes);
    return true;
}

} // namespace kv
