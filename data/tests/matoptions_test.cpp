#include "data/matoptions.h"

#include "data/settings.h"
#include "engine/raskroy.h"
#include "platform/db/dbffile.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <climits>
#include <optional>

using namespace kv;

namespace {

class MatOptionsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file(const QString &name = "Korvalt.ini") const { return dir.filePath(name); }
    void writeRaw(const QString &name, const QString &text) const
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(toCp1251(text));
    }
    QString readRaw(const QString &name) const
    {
        QFile f(file(name));
        if (!f.open(QIODevice::ReadOnly)) return QString();
        return fromCp1251(f.readAll());
    }
    void SetUp() override { TIniFile::ClearCache(); }
};

const QString kSec = QStringLiteral("Material7");

TEST_F(MatOptionsTest, RoundTripThroughEitherFile)
{
    TMarkSettings m{true, QStringLiteral("Ост \"№\""), QStringLiteral(",б"), 41};
    TScrapSettings s{true, true, 300, false, 150, true, 90000, true, 200, false, 100, 1};
    TOptimSettings o;
    o.Enabled = false;
    o.SheetWidth = 2800;
    o.SheetHeight = 2070;
    o.UseScraps = true;
    o.Standart = true;
    o.ExSearch = 500;
    o.AlgorithmNumber = 1;
    o.DefQuantity = 12;
    o.Algorithm = true;
    o.Remark = QStringLiteral("ДСП 16, \"белый\" мат");
    o.OneDimOpt = true;

    for (const char *name : {"Korvalt.ini", "Korvalt.tmp"}) {
        {
            TIniFile ini(file(name));
            PackMarkSettings(ini, kSec, m);
            PackScrapSettings(ini, kSec, s);
            PackOptimSettings(ini, kSec, o);
            PackWHSettings(ini, kSec, 5);
        }
        TIniFile::ClearCache();
        TIniFile ini(file(name));
        EXPECT_EQ(UnpackMarkSettings(ini, kSec), m) << name;
        EXPECT_EQ(UnpackScrapSettings(ini, kSec), s);
        EXPECT_EQ(UnpackOptimSettings(ini, kSec), o);
        EXPECT_EQ(UnpackWHSettings(ini, kSec), 5);
    }
}

TEST_F(MatOptionsTest, GoldenTextOfOneMaterial)
{
    {
        TIniFile ini(file());
        PackMarkSettings(ini, kSec, {true, QStringLiteral("Ост"), QString(), 17});
        TScrapSettings s;
        s.CheckLength = true;
        s.Length = 250;
        s.DeleteWaste = 1;
        PackScrapSettings(ini, kSec, s);
        TOptimSettings o;
        o.SheetWidth = 2750;
        o.SheetHeight = 1830;
        o.ExSearch = 500;
        o.Remark = QStringLiteral("кромка 2, \"ПВХ\"");
        PackOptimSettings(ini, kSec, o);
        PackWHSettings(ini, kSec, 3);
    }
    EXPECT_EQ(readRaw("Korvalt.ini"),
              QStringLiteral("[Material7]\r\n"
                             "Mark=1,Ост,,17\r\n"
                             "Scrap=0,1,250,0,0,0,0,0,0,0,0,1\r\n"
                             "Optim=1,2750,1830,0,0,500,0,0,0,\"кромка 2, \"\"ПВХ\"\"\",0\r\n"
                             "WH=3\r\n"));
}

TEST_F(MatOptionsTest, MissingShortAndGarbledItemsGiveDefaults)
{
    struct Case { const char *optim; TOptimSettings expected; };
    TOptimSettings three;
    three.Enabled = false;
    three.SheetWidth = 2500;
    three.SheetHeight = 1250;
    TOptimSettings garbled;
    garbled.SheetHeight = 1830;
    garbled.ExSearch = 0;
    garbled.Remark = QStringLiteral("x");
    const Case cases[] = {
        {"", TOptimSettings{}},                 // empty: Enabled 1, the rest 0
        {"0,2500,1250", three},                // short
        {"abc,2750x,1830,,?,9999999999999,,,,x", garbled},  // garbled numbers: defaults
        {",,,,,,,,,,,,,,,,", TOptimSettings{}},
        {"\"", TOptimSettings{}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UnpackOptim(QString::fromUtf8(c.optim)), c.expected) << c.optim;

    EXPECT_EQ(UnpackScrap(QStringLiteral("1,1")), (TScrapSettings{true, true}));
    EXPECT_EQ(UnpackScrap(QStringLiteral("мусор")), TScrapSettings{});
    EXPECT_EQ(UnpackMark(QStringLiteral("1,A")), (TMarkSettings{true, QStringLiteral("A"), QString(), 0}));
    EXPECT_EQ(UnpackMark(QStringLiteral("1,A,B,много")), (TMarkSettings{true, QStringLiteral("A"), QStringLiteral("B"), 0}));
    EXPECT_EQ(UnpackWH(QString()), 0);
    EXPECT_EQ(UnpackWH(QStringLiteral("пять")), 0);
    EXPECT_EQ(UnpackWH(QStringLiteral("7,8")), 7);

    TIniFile ini(file());
    EXPECT_TRUE(GetOptimEnabled(ini, kSec));   // no key at all
    EXPECT_FALSE(GetOptimStandart(ini, kSec));
    int w = -1, h = -1;
    GetOptimSheetSize(ini, kSec, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(UnpackMarkSettings(ini, kSec), TMarkSettings{});
}

TEST_F(MatOptionsTest, SetterOnShortValueWritesAllItems)
{
    TIniFile ini(file());
    ini.WriteString(kSec, "Optim", "0,2500,1250");
    SetOptimDefQuantity(ini, kSec, 9);
    EXPECT_EQ(ini.ReadString(kSec, "Optim", ""), "0,2500,1250,0,0,0,0,9,0,,0");

    // On a full value the other items stay exactly as they stand.
    ini.WriteString(kSec, "Optim", "1,2750,1830,1,0,500,1,4,1,\"a, b\",1,extra");
    SetOptimSheetSize(ini, kSec, 3050, 1220);
    SetOptimStandart(ini, kSec, true);
    SetOptimRemark(ini, kSec, QStringLiteral("Пласт \"Эггер\", 8 мм"));
    EXPECT_EQ(ini.ReadString(kSec, "Optim", ""),
              QStringLiteral("1,3050,1220,1,1,500,1,4,1,\"Пласт \"\"Эггер\"\", 8 мм\",1,extra"));
    EXPECT_EQ(UnpackOptimSettings(ini, kSec).Remark, QStringLiteral("Пласт \"Эггер\", 8 мм"));

    // An empty key becomes the defaults with Enabled set.
    const QString other = MaterialSection(8);
    SetOptimOneDimOpt(ini, other, true);
    SetOptimAlgorithm(ini, other, true);
    SetOptimAlgorithmNumber(ini, other, 1);
    SetOptimExSearch(ini, other, 250);
    EXPECT_EQ(ini.ReadString(other, "Optim", ""), "1,0,0,0,0,250,1,0,1,,1");

    ini.WriteString(kSec, "Optim", "1,x,2");
    NormalizeOptimSettings(ini, kSec);
    EXPECT_EQ(ini.ReadString(kSec, "Optim", ""), "1,0,2,0,0,0,0,0,0,,0");
}

TEST_F(MatOptionsTest, ScrapLimitsReachTheEngine)
{
    TIniFile ini(file());
    ini.WriteString(MaterialSection(3), "Scrap", "1,1,300,0,150,1,90000,0,200,1,100,1");
    engine::TRaskroyParams p;
    LoadScrapLimits(ini, 3, p);
    EXPECT_TRUE(p.ScrapLogicSumma);
    EXPECT_TRUE(p.ScrapCheckLength);
    EXPECT_EQ(p.ScrapMinLength, 300);
    EXPECT_FALSE(p.ScrapCheckWidth);
    EXPECT_EQ(p.ScrapMinWidth, 0);          // test off: threshold 0
    EXPECT_TRUE(p.ScrapCheckSquare);
    EXPECT_EQ(p.ScrapMinSquare, 90000);
    EXPECT_FALSE(p.ScrapCheckSquareWidth);
    EXPECT_EQ(p.ScrapSquareWidth, INT32_MAX);  // area side off: largest integer
    EXPECT_TRUE(p.ScrapCheckSquareHeight);
    EXPECT_EQ(p.ScrapSquareHeight, 100);

    engine::TRaskroyParams q;
    LoadScrapLimits(ini, 4, q);   // no section: every test off
    EXPECT_FALSE(q.ScrapCheckLength);
    EXPECT_EQ(q.ScrapMinLength, 0);
    EXPECT_EQ(q.ScrapSquareHeight, INT32_MAX);
}

const char *const kVersion1 =
    "[Default]\r\nMill=4\r\n"
    "[Material12]\r\n"
    "MarkNumbering=1\r\nMarkPrefix=О-\r\nMarkSuffix=/б\r\nMarkMaxNumber=40\r\n"
    "CheckLogicSumma=1\r\nCheckLength=1\r\nLength=300\r\nCheckHeight=1\r\nHeight=100\r\n"
    "CheckSquare=0\r\nSquare=50000\r\nCheckSquareWidth=1\r\nSquareWidth=200\r\n"
    "CheckSquareHeight=0\r\nSquareHeight=80\r\n"
    "SheetWidth=2750\r\nSheetHeight=1830\r\nUseScraps=1\r\nStandart=1\r\nExSearch=500\r\n"
    "AlgorithmNumber=1\r\nDefQuantity=6\r\nAlgorithm=1\r\nRemark=белый, глянец\r\nOneDimOpt=1\r\n"
    "MinSheetsQuantity=4\r\n"
    "[MATERIAL13]\r\nRemark=x\r\n"
    "[Materials_Window]\r\nColWidth=150\r\n";

TEST_F(MatOptionsTest, MigrationOfVersion1)
{
    writeRaw("Korvalt.ini", QString::fromUtf8(kVersion1));
    TIniFile ini(file());
    EXPECT_TRUE(UpgradeSettingsFile(ini, file("Korvalt.~ini")));

    EXPECT_EQ(readRaw("Korvalt.~ini"), QString::fromUtf8(kVersion1));
    EXPECT_EQ(ini.ReadInteger("Default", "Version", 0), 2);
    EXPECT_EQ(ini.ReadSection("Material12"), (QStringList{"Mark", "Scrap", "Optim", "WH"}));
    EXPECT_EQ(ini.ReadString("Material12", "Mark", ""), QStringLiteral("1,О-,/б,40"));
    EXPECT_EQ(ini.ReadString("Material12", "Scrap", ""), "1,1,300,1,100,0,50000,1,200,0,80,1");
    EXPECT_EQ(ini.ReadString("Material12", "Optim", ""),
              QStringLiteral("1,2750,1830,1,1,500,1,6,1,\"белый, глянец\",1"));
    EXPECT_EQ(ini.ReadString("Material12", "WH", ""), "4");
    // Enabled missing in version 1 means switched on; the rest 0.
    EXPECT_EQ(ini.ReadString("MATERIAL13", "Optim", ""), "1,0,0,0,0,0,0,0,0,x,0");
    // A window section sharing the prefix keeps its keys.
    EXPECT_EQ(ini.ReadSection("Materials_Window"), QStringList{"ColWidth"});
    EXPECT_EQ(ini.ReadInteger("Materials_Window", "ColWidth", 0), 150);

    // Version 2 is not migrated again.
    ini.WriteString("Material12", "Optim", "0");
    EXPECT_FALSE(UpgradeSettingsFile(ini, file("Korvalt.~ini")));
    EXPECT_EQ(ini.ReadString("Material12", "Optim", ""), "0");
}

TEST_F(MatOptionsTest, MigrationKeepsPackedSectionsAndFreshFiles)
{
    // A packed file that lost its Version key: the packed values stay.
    writeRaw("Korvalt.ini", QStringLiteral("[Material5]\r\nOptim=0,3000,1500\r\nWH=2\r\n"));
    TIniFile ini(file());
    EXPECT_TRUE(UpgradeSettingsFile(ini, file("Korvalt.~ini")));
    EXPECT_EQ(ini.ReadString("Material5", "Optim", ""), "0,3000,1500");
    EXPECT_EQ(ini.ReadString("Material5", "WH", ""), "2");

    // No file at all: nothing to back up, only the version is written.
    TIniFile fresh(file("Fresh.ini"));
    EXPECT_TRUE(UpgradeSettingsFile(fresh, file("Fresh.~ini")));
    EXPECT_FALSE(QFile::exists(file("Fresh.~ini")));
    EXPECT_EQ(fresh.ReadInteger("Default", "Version", 0), 2);
}

TEST_F(MatOptionsTest, MigrationStopsWhenTheBackupFails)
{
    writeRaw("Korvalt.ini", QString::fromUtf8(kVersion1));
    TIniFile ini(file());
    EXPECT_THROW(UpgradeSettingsFile(ini, dir.filePath("no/such/folder/Korvalt.~ini")), Error);
    EXPECT_EQ(readRaw("Korvalt.ini"), QString::fromUtf8(kVersion1));
    EXPECT_FALSE(ini.ValueExists("Default", "Version"));
}

TEST_F(MatOptionsTest, NewScrapMark)
{
    TIniFile ini(file());
    const QSet<QString> stock{"1", "2", "4", "О-41/б", "О-42/б"};
    auto inStock = [&](const QString &n) { return stock.contains(n); };

    // Numbering off: starts at 1 every time, skips codes in stock, writes nothing.
    EXPECT_EQ(NewScrapMark(ini, 12, inStock), "3");
    EXPECT_EQ(NewScrapMark(ini, 12, inStock), "3");
    EXPECT_FALSE(ini.ValueExists("Material12", "Mark"));

    PackMarkSettings(ini, "Material12", {true, QStringLiteral("О-"), QStringLiteral("/б"), 40});
    EXPECT_EQ(NewScrapMark(ini, 12, inStock), QStringLiteral("О-43/б"));
    EXPECT_EQ(UnpackMarkSettings(ini, "Material12").MarkMaxNumber, 43);
    EXPECT_EQ(NewScrapMark(ini, 12, inStock), QStringLiteral("О-44/б"));
}

// A code the off-cut table would cut to 20 characters could never be found
// again, and the largest number has no next one: both refused, the kept
// number left as it was.
TEST_F(MatOptionsTest, NewScrapMarkRefusesCodesItCannotGive)
{
    TIniFile ini(file());
    struct Case { TMarkSettings mark; QString fits; };
    const Case cases[] = {
        {{true, QStringLiteral("ОСТАТОК-ДСП-"), QStringLiteral("-СКЛ"), 8}, QStringLiteral("ОСТАТОК-ДСП-9-СКЛ")},
        {{true, QStringLiteral("ОСТАТОК-ДСП-"), QStringLiteral("-СКЛ"), 98}, QStringLiteral("ОСТАТОК-ДСП-99-СКЛ")},
        {{true, QStringLiteral("ОСТАТОК-ДСП-"), QStringLiteral("-СКЛАД"), 99}, QString()},   // 21 characters
        {{true, QString(), QString(), 2147483647}, QString()},
    };
    for (const Case &c : cases) {
        PackMarkSettings(ini, "Material12", c.mark);
        if (!c.fits.isEmpty()) {
            EXPECT_EQ(NewScrapMark(ini, 12, {}), c.fits);
            continue;
        }
        EXPECT_THROW(NewScrapMark(ini, 12, {}), Error) << c.mark.MarkMaxNumber;
        EXPECT_EQ(UnpackMarkSettings(ini, "Material12").MarkMaxNumber, c.mark.MarkMaxNumber);
    }
}

TEST_F(MatOptionsTest, FailedBackupLeavesTheOldBackupAndTheSettings)
{
    const QByteArray oldBackup("[Default]\r\nVersion=1\r\nOlder=kept\r\n");
    {
        QFile f(file("Korvalt.~ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(oldBackup);
    }
    writeRaw("Korvalt.ini", QString::fromUtf8(kVersion1));
    TIniFile ini(file());
    const QString backup = file("Korvalt.~ini");
    const auto failing = kv::test::ScopedHook(&SetWriteFailHook, [&](const QString &path) { return path == backup; });
    EXPECT_THROW(UpgradeSettingsFile(ini, backup), Error);
    QFile f(backup);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), oldBackup);
    EXPECT_EQ(readRaw("Korvalt.ini"), QString::fromUtf8(kVersion1));
}

TEST(SettingsText, ReadsCleanlyOnlyAsLinesOfAnIniFile)
{
    const struct { const char *what; QByteArray bytes; bool clean; } cases[] = {
        {"sections, keys, comments, blank lines", "; c\r\n[Default]\r\nMill=4\r\n\r\n[Пусто]\r\n", true},
        {"LF line ends and a tab", "[A]\nKey\t= v\n", true},
        {"empty", "", true},
        {"NUL bytes", QByteArray("[A]\r\nK=\0\0\0", 10), false},
        {"a section without its bracket", "[Default\r\nMill=4\r\n", false},
        {"a line that is no key", "[A]\r\nпросто текст\r\n", false},
        {"a key without a name", "[A]\r\n=4\r\n", false},
        {"the byte code page 1251 leaves unused", "[A]\r\nK=\x98\r\n", false},
        {"a lone carriage return", "[A]\rK=1\r\n", false},
    };
    for (const auto &c : cases) EXPECT_EQ(SettingsTextIsClean(c.bytes), c.clean) << c.what;
}

// A damaged "Korvalt.ini" is kept aside; a good backup takes its place, else
// what still reads of it. The backup itself is never touched, and the upgrade
// that follows never makes a damaged file the backup.
TEST_F(MatOptionsTest, DamagedSettingsFileKeepsTheGoodBackup)
{
    static const char raw[] = "[Default]\r\nMill=3\r\n\x01\x02\xff\x98\0\0garbage\r\nLIndent=7\r\n";
    const QByteArray garbage(raw, sizeof raw - 1);
    const QByteArray good("[Default]\r\nVersion=1\r\nMill=5\r\n");
    const QByteArray damagedBackup("\0\0\0\0", 4);
    const struct { const char *what; std::optional<QByteArray> backup; bool restored; const char *says; } cases[] = {
        {"good backup", good, true, "Используется резервная копия"},
        {"damaged backup", damagedBackup, false, "тоже повреждена: используются настройки, которые удалось прочитать"},
        {"no backup", std::nullopt, false, "нет: используются настройки, которые удалось прочитать"},
        // A new installation's empty backup holds no settings: taking it
        // would replace every setting by nothing.
        {"empty backup", QByteArray(), false, "пуста: используются настройки, которые удалось прочитать"},
        {"backup of sections only", QByteArray("[Default]\r\n\r\n; c\r\n"), false, "пуста: используются"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(file("Korvalt.~ini"));
        QFile::remove(file("Korvalt.ini.bad"));
        auto put = [&](const QString &name, const QByteArray &bytes) {
            QFile f(file(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        auto bytesOf = [&](const QString &name) {
            QFile f(file(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
        };
        put("Korvalt.ini", garbage);
        if (c.backup) put("Korvalt.~ini", *c.backup);

        const QString said = RepairSettingsFile(file(), file("Korvalt.~ini"), file("Korvalt.ini.bad"));
        EXPECT_TRUE(said.startsWith("Файл настроек \"" + QDir::toNativeSeparators(file()) + "\" повреждён."));
        EXPECT_TRUE(said.contains("Korvalt.ini.bad"));
        EXPECT_EQ(said.contains("Используется резервная копия"), c.restored);
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << said.toStdString();
        EXPECT_EQ(bytesOf("Korvalt.ini.bad"), garbage);
        EXPECT_EQ(bytesOf("Korvalt.~ini"), c.backup.value_or("(missing)"));
        EXPECT_TRUE(SettingsTextIsClean(bytesOf("Korvalt.ini")));
        TIniFile ini(file());
        EXPECT_EQ(ini.ReadInteger("Default", "Mill", 0), c.restored ? 5 : 3);
        if (!c.restored) {
            EXPECT_EQ(ini.ReadInteger("Default", "LIndent", 0), 7);
        }

        // The upgrade's backup is the good copy, or the repaired file.
        UpgradeSettingsFile(ini, file("Korvalt.~ini"));
        EXPECT_TRUE(SettingsTextIsClean(bytesOf("Korvalt.~ini")));
        if (c.restored) {
            EXPECT_EQ(bytesOf("Korvalt.~ini"), good);
        }
    }

    // A sound file, or none, is left alone.
    QFile::remove(file("Korvalt.ini.bad"));
    writeRaw("Korvalt.ini", "[Default]\r\nMill=4\r\n");
    EXPECT_EQ(RepairSettingsFile(file(), file("Korvalt.~ini"), file("Korvalt.ini.bad")), QString());
    EXPECT_EQ(RepairSettingsFile(file("none.ini"), file("Korvalt.~ini"), file("Korvalt.ini.bad")), QString());
    EXPECT_FALSE(QFile::exists(file("Korvalt.ini.bad")));
}

// The backup follows the settings file while it reads cleanly and holds
// settings; a damaged or empty file leaves the last good backup.
TEST_F(MatOptionsTest, BackupTakesOnlyACleanFileWithSettings)
{
    const QByteArray older("[Default]\r\nMill=5\r\n");
    const struct { const char *what; std::optional<QByteArray> file; bool taken; } cases[] = {
        {"clean file", QByteArray("[Default]\r\nMill=3\r\n[Files]\r\n1=/a.kdx\r\n"), true},
        {"empty file", QByteArray(), false},
        {"sections without keys", QByteArray("[Default]\r\n"), false},
        {"damaged file", QByteArray("[Default]\r\nMill=3\r\n\0\0", 21), false},
        {"no file", std::nullopt, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(file());
        writeRaw("Korvalt.~ini", QString::fromLatin1(older));
        if (c.file) {
            QFile f(file());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(*c.file);
        }
        EXPECT_EQ(RefreshSettingsBackup(file(), file("Korvalt.~ini")), c.taken);
        QFile b(file("Korvalt.~ini"));
        ASSERT_TRUE(b.open(QIODevice::ReadOnly));
        EXPECT_EQ(b.readAll(), c.taken ? *c.file : older);
    }
    // The upgrade of a new installation's empty file writes no backup.
    QFile::remove(file("Korvalt.~ini"));
    writeRaw("Korvalt.ini", QString());
    TIniFile ini(file());
    EXPECT_TRUE(UpgradeSettingsFile(ini, file("Korvalt.~ini")));
    EXPECT_FALSE(QFile::exists(file("Korvalt.~ini")));
}

TEST_F(MatOptionsTest, UpgradeNeverMakesADamagedFileTheBackup)
{
    writeRaw("Korvalt.~ini", "[Default]\r\nVersion=1\r\nMill=5\r\n");
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    static const char raw[] = "\0\0[Material1]\r\nLength=300\r\n";
    f.write(QByteArray(raw, sizeof raw - 1));
    f.close();
    TIniFile ini(file());
    UpgradeSettingsFile(ini, file("Korvalt.~ini"));
    EXPECT_EQ(readRaw("Korvalt.~ini"), "[Default]\r\nVersion=1\r\nMill=5\r\n");
}

} // namespace
