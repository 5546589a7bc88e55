#include "data/matoptions.h"

#include "data/settings.h"
#include "engine/driver.h"
#include "engine/raskroy.h"
#include "platform/db/dbffile.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QFile>

#include <climits>

namespace kv {

namespace {

QString item(const QStringList &items, int i)
{
    return i < items.size() ? items.at(i) : QString();
}

// A missing or garbled number gives the default: a hand-edited file must not
// stop the program.
int intItem(const QStringList &items, int i, int def = 0)
{
    if (i >= items.size()) return def;
    const std::optional<int> v = TIniFile::parseInteger(items.at(i).trimmed());
    return v ? *v : def;
}

bool boolItem(const QStringList &items, int i, bool def = false)
{
    return intItem(items, i, def ? 1 : 0) != 0;
}

QString b(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }
QString n(int v) { return QString::number(v); }

QStringList readItems(const TIniFile &ini, const QString &section, const char *key)
{
    return fromCommaText(ini.ReadString(section, QLatin1String(key), QString()));
}

void writeItems(TIniFile &ini, const QString &section, const char *key, const QStringList &items)
{
    ini.WriteString(section, QLatin1String(key), toCommaText(items));
}

// Sets items of Optim, keeping the others as they stand; a list too short for
// the highest index is normalized first.
void setOptimItems(TIniFile &ini, const QString &section, std::initializer_list<std::pair<int, QString>> values)
{
    int highest = 0;
    for (const auto &v : values) highest = std::max(highest, v.first);
    QStringList items = readItems(ini, section, matkey::Optim);
    if (items.size() <= highest) {
        NormalizeOptimSettings(ini, section);
        items = readItems(ini, section, matkey::Optim);
    }
    for (const auto &v : values) items[v.first] = v.second;
    writeItems(ini, section, matkey::Optim, items);
}

} // namespace

QString PackMark(const TMarkSettings &m)
{
    return toCommaText({b(m.MarkNumbering), m.MarkPrefix, m.MarkSuffix, n(m.MarkMaxNumber)});
}

TMarkSettings UnpackMark(const QString &text)
{
    const QStringList it = fromCommaText(text);
    TMarkSettings m;
    m.MarkNumbering = boolItem(it, 0);
    m.MarkPrefix = item(it, 1);
    m.MarkSuffix = item(it, 2);
    m.MarkMaxNumber = intItem(it, 3);
    return m;
}

QString PackScrap(const TScrapSettings &s)
{
    return toCommaText({b(s.CheckLogicSumma), b(s.CheckLength), n(s.Length), b(s.CheckHeight), n(s.Height),
                        b(s.CheckSquare), n(s.Square), b(s.CheckSquareWidth), n(s.SquareWidth),
                        b(s.CheckSquareHeight), n(s.SquareHeight), n(s.DeleteWaste)});
}

TScrapSettings UnpackScrap(const QString &text)
{
    const QStringList it = fromCommaText(text);
    TScrapSettings s;
    s.CheckLogicSumma = boolItem(it, 0);
    s.CheckLength = boolItem(it, 1);
    s.Length = intItem(it, 2);
    s.CheckHeight = boolItem(it, 3);
    s.Height = intItem(it, 4);
    s.CheckSquare = boolItem(it, 5);
    s.Square = intItem(it, 6);
    s.CheckSquareWidth = boolItem(it, 7);
    s.SquareWidth = intItem(it, 8);
    s.CheckSquareHeight = boolItem(it, 9);
    s.SquareHeight = intItem(it, 10);
    s.DeleteWaste = intItem(it, 11);
    return s;
}

QString PackOptim(const TOptimSettings &o)
{
    return toCommaText({b(o.Enabled), n(o.SheetWidth), n(o.SheetHeight), b(o.UseScraps), b(o.Standart),
                        n(o.ExSearch), n(o.AlgorithmNumber), n(o.DefQuantity), b(o.Algorithm), o.Remark,
                        b(o.OneDimOpt)});
}

TOptimSettings UnpackOptim(const QString &text)
{
    const QStringList it = fromCommaText(text);
    TOptimSettings o;
    o.Enabled = boolItem(it, optim::Enabled, true);
    o.SheetWidth = intItem(it, optim::SheetWidth);
    o.SheetHeight = intItem(it, optim::SheetHeight);
    o.UseScraps = boolItem(it, optim::UseScraps);
    o.Standart = boolItem(it, optim::Standart);
    o.ExSearch = intItem(it, optim::ExSearch);
    o.AlgorithmNumber = intItem(it, optim::AlgorithmNumber);
    o.DefQuantity = intItem(it, optim::DefQuantity);
    o.Algorithm = boolItem(it, optim::Algorithm);
    o.Remark = item(it, optim::Remark);
    o.OneDimOpt = boolItem(it, optim::OneDimOpt);
    return o;
}

QString PackWH(int count)
{
    return toCommaText({n(count)});
}

int UnpackWH(const QString &text)
{
    return intItem(fromCommaText(text), 0);
}

void PackMarkSettings(TIniFile &ini, const QString &section, const TMarkSettings &m)
{
    ini.WriteString(section, QLatin1String(matkey::Mark), PackMark(m));
}

TMarkSettings UnpackMarkSettings(const TIniFile &ini, const QString &section)
{
    return UnpackMark(ini.ReadString(section, QLatin1String(matkey::Mark), QString()));
}

void PackScrapSettings(TIniFile &ini, const QString &section, const TScrapSettings &s)
{
    ini.WriteString(section, QLatin1String(matkey::Scrap), PackScrap(s));
}

TScrapSettings UnpackScrapSettings(const TIniFile &ini, const QString &section)
{
    return UnpackScrap(ini.ReadString(section, QLatin1String(matkey::Scrap), QString()));
}

void PackOptimSettings(TIniFile &ini, const QString &section, const TOptimSettings &o)
{
    ini.WriteString(section, QLatin1String(matkey::Optim), PackOptim(o));
}

TOptimSettings UnpackOptimSettings(const TIniFile &ini, const QString &section)
{
    return UnpackOptim(ini.ReadString(section, QLatin1String(matkey::Optim), QString()));
}

void PackWHSettings(TIniFile &ini, const QString &section, int count)
{
    ini.WriteString(section, QLatin1String(matkey::WH), PackWH(count));
}

int UnpackWHSettings(const TIniFile &ini, const QString &section)
{
    return UnpackWH(ini.ReadString(section, QLatin1String(matkey::WH), QString()));
}

void NormalizeOptimSettings(TIniFile &ini, const QString &section)
{
    PackOptimSettings(ini, section, UnpackOptimSettings(ini, section));
}

void GetOptimSheetSize(const TIniFile &ini, const QString &section, int &width, int &height)
{
    const QStringList it = readItems(ini, section, matkey::Optim);
    width = intItem(it, optim::SheetWidth);
    height = intItem(it, optim::SheetHeight);
}

bool GetOptimStandart(const TIniFile &ini, const QString &section)
{
    return boolItem(readItems(ini, section, matkey::Optim), optim::Standart);
}

bool GetOptimEnabled(const TIniFile &ini, const QString &section)
{
    return boolItem(readItems(ini, section, matkey::Optim), optim::Enabled, true);
}

void SetOptimSheetSize(TIniFile &ini, const QString &section, int width, int height)
{
    setOptimItems(ini, section, {{optim::SheetWidth, n(width)}, {optim::SheetHeight, n(height)}});
}

void SetOptimStandart(TIniFile &ini, const QString &section, bool value)
{
    setOptimItems(ini, section, {{optim::Standart, b(value)}});
}

void SetOptimExSearch(TIniFile &ini, const QString &section, int value)
{
    setOptimItems(ini, section, {{optim::ExSearch, n(value)}});
}

void SetOptimAlgorithmNumber(TIniFile &ini, const QString &section, int value)
{
    setOptimItems(ini, section, {{optim::AlgorithmNumber, n(value)}});
}

void SetOptimDefQuantity(TIniFile &ini, const QString &section, int value)
{
    setOptimItems(ini, section, {{optim::DefQuantity, n(value)}});
}

void SetOptimAlgorithm(TIniFile &ini, const QString &section, bool value)
{
    setOptimItems(ini, section, {{optim::Algorithm, b(value)}});
}

void SetOptimRemark(TIniFile &ini, const QString &section, const QString &value)
{
    setOptimItems(ini, section, {{optim::Remark, value}});
}

void SetOptimOneDimOpt(TIniFile &ini, const QString &section, bool value)
{
    setOptimItems(ini, section, {{optim::OneDimOpt, b(value)}});
}

void LoadScrapLimits(const TIniFile &settings, int materialCode, engine::TRaskroyParams &p)
{
    // 999 is every material at once: it has no options of its own.
    if (materialCode == 999) {
        engine::ApplyScrapLimits(p, TScrapSettings{});
        return;
    }
    engine::ApplyScrapLimits(p, UnpackScrapSettings(settings, MaterialSection(materialCode)));
}

namespace {

// Only "Material" followed by a code: "Materials_Window" shares the prefix
// and must keep its own keys.
bool isMaterialSection(const QString &name)
{
    if (!sameText(name.left(8), QStringLiteral("Material"))) return false;
    const QString rest = name.mid(8);
    bool ok = false;
    rest.toInt(&ok);
    return ok && !rest.isEmpty() && !rest.contains(QLatin1Char(' ')) && !rest.contains(QLatin1Char('+'));
}

const char *const kOldKeys[] = {
    "MarkSuffix", "MarkMaxNumber", "MarkPrefix", "MarkNumbering",
    "Length", "CheckHeight", "Height", "CheckSquare", "Square", "CheckSquareWidth", "SquareWidth",
    "CheckSquareHeight", "SquareHeight", "CheckLength", "CheckLogicSumma",
    "SheetHeight", "UseScraps", "Standart", "ExSearch", "AlgorithmNumber", "DefQuantity", "Algorithm",
    "Remark", "OneDimOpt", "SheetWidth", "Enabled", "MinSheetsQuantity",
};

void migrateSection(TIniFile &ini, const QString &sec)
{
    bool hasOld = false;
    for (const char *k : kOldKeys) hasOld = hasOld || ini.ValueExists(sec, QLatin1String(k));
    const bool hasPacked = ini.ValueExists(sec, QLatin1String(matkey::Mark))
                           || ini.ValueExists(sec, QLatin1String(matkey::Scrap))
                           || ini.ValueExists(sec, QLatin1String(matkey::Optim))
                           || ini.ValueExists(sec, QLatin1String(matkey::WH));
    // Already packed (a file that lost its Version key): erasing would lose it.
    if (!hasOld && hasPacked) return;

    auto i = [&](const char *k, int def = 0) { return ini.ReadInteger(sec, QLatin1String(k), def); };
    auto bl = [&](const char *k, bool def = false) { return ini.ReadBool(sec, QLatin1String(k), def); };
    auto s = [&](const char *k) { return ini.ReadString(sec, QLatin1String(k), QString()); };

    TMarkSettings m;
    m.MarkSuffix = s("MarkSuffix");
    m.MarkMaxNumber = i("MarkMaxNumber");
    m.MarkPrefix = s("MarkPrefix");
    m.MarkNumbering = bl("MarkNumbering");

    TScrapSettings sc;
    sc.Length = i("Length");
    sc.CheckHeight = bl("CheckHeight");
    sc.Height = i("Height");
    sc.CheckSquare = bl("CheckSquare");
    sc.Square = i("Square");
    sc.CheckSquareWidth = bl("CheckSquareWidth");
    sc.SquareWidth = i("SquareWidth");
    sc.CheckSquareHeight = bl("CheckSquareHeight");
    sc.SquareHeight = i("SquareHeight");
    sc.CheckLength = bl("CheckLength");
    sc.CheckLogicSumma = bl("CheckLogicSumma");
    sc.DeleteWaste = 1;

    TOptimSettings o;
    o.SheetHeight = i("SheetHeight");
    o.UseScraps = bl("UseScraps");
    o.Standart = bl("Standart");
    o.ExSearch = i("ExSearch");
    o.AlgorithmNumber = i("AlgorithmNumber");
    o.DefQuantity = i("DefQuantity");
    o.Algorithm = bl("Algorithm");
    o.Remark = s("Remark");
    o.OneDimOpt = bl("OneDimOpt");
    o.SheetWidth = i("SheetWidth");
    o.Enabled = bl("Enabled", true);

    const int wh = i("MinSheetsQuantity");

    ini.Update([&] {
        ini.EraseSection(sec);
        PackMarkSettings(ini, sec, m);
        PackScrapSettings(ini, sec, sc);
        PackOptimSettings(ini, sec, o);
        PackWHSettings(ini, sec, wh);
    });
}

} // namespace

bool UpgradeSettingsFile(TIniFile &ini, const QString &backupFile)
{
    if (ReadKey(ini, key::Version) > 1) return false;

    const QString file = ini.FileName();
    const bool onDisk = QFile::exists(file);
    if (onDisk) {
        ini.UpdateFile();
        // The copy goes to a temporary file that replaces the old backup only
        // when complete, and only a file that reads cleanly becomes the backup:
        // the last good copy is never replaced by a damaged one, nor by an
        // empty file (a new installation's), which is no backup.
        QFile in(file);
        const QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        try {
            if (SettingsTextIsBackup(bytes)) writeFileAtomically(backupFile, bytes);
        } catch (const Error &e) {
            QString text = QStringLiteral("Не удалось создать резервную копию файла настроек \"%1\".\r"
                                          "Файл настроек не обновлён.").arg(backupFile);
            if (!e.cause().isEmpty()) text += QLatin1Char('\r') + e.cause();
            throw Error(text, e.cause());
        }
    }

    // Every section and the version in one write: a kill leaves the file of
    // version 1 or the whole file of version 2.
    ini.Update([&] {
        for (const QString &sec : ini.ReadSections())
            if (isMaterialSection(sec)) migrateSection(ini, sec);
        WriteKey(ini, key::Version, 2);
    });
    return true;
}

QString NextScrapMark(TMarkSettings &mark, const std::function<bool(const QString &)> &taken)
{
    QString name;
    // Each turn either finds a free code or passes one in use, so the loop
    // ends within as many turns as codes are taken.
    do {
        if (mark.MarkMaxNumber >= INT_MAX || mark.MarkMaxNumber < 0)
            throw Error(QStringLiteral("Исчерпаны номера для маркировки остатков."));
        ++mark.MarkMaxNumber;
        name = mark.MarkPrefix + QString::number(mark.MarkMaxNumber) + mark.MarkSuffix;
        if (toCp1251(name).size() > kScrapNameSize)
            throw Error(QStringLiteral("Шифр остатка \"%1\" длиннее %2 знаков.\rИзмените префикс или суффикс маркировки.")
                            .arg(name)
                            .arg(kScrapNameSize));
    } while (taken && taken(name));
    return name;
}

QString NewScrapMark(TIniFile &settings, int materialCode, const std::function<bool(const QString &)> &inStock)
{
    const QString sec = MaterialSection(materialCode);
    // 999 is every material at once: nothing is read or kept for it.
    const bool own = materialCode != 999;
    TMarkSettings m = own ? UnpackMarkSettings(settings, sec) : TMarkSettings{};
    if (!m.MarkNumbering) m.MarkMaxNumber = 0;
    const QString name = NextScrapMark(m, inStock);
    if (m.MarkNumbering) PackMarkSettings(settings, sec, m);
    return name;
}

} // namespace kv
