#include "data/settings.h"

#include "data/matoptions.h"
#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/testsupport/locale.h"
#include "platform/testsupport/scoped.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>

using namespace kv;

namespace {

class SettingsTest : public ::testing::Test
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
    void TearDown() override { SetNumberDigits(2, 3); }
};

TEST_F(SettingsTest, FreshInstallationReadsDefaults)
{
    Settings st(file());
    EXPECT_EQ(st.Get(key::Mill), 4);
    for (const IntKey &k : {key::LIndent, key::RIndent, key::TIndent, key::BIndent}) EXPECT_EQ(st.Get(k), 10);
    EXPECT_EQ(st.Get(key::LenDigits), 2);
    EXPECT_EQ(st.Get(key::SqrDigits), 3);
    EXPECT_EQ(st.Get(key::FontName), "MS Sans Serif");
    EXPECT_EQ(st.Get(key::FontSize), 8);
    EXPECT_EQ(st.Get(key::FontCharSet), 204);
    EXPECT_EQ(st.Get(key::Technics), 0);
    EXPECT_EQ(quint32(st.Get(key::SheetColor)), 0x8000000Cu);
    EXPECT_TRUE(st.Get(key::ShowName));
    EXPECT_FALSE(st.Get(key::CheckStdSheetsQuantity));
    EXPECT_EQ(st.Get(key::SheetWidth), 2750);
    EXPECT_EQ(st.Get(key::SheetHeight), 2070);
    EXPECT_EQ(st.Get(key::ExSearch), 500);
    EXPECT_TRUE(st.IsLocalMaterialsBase());
    EXPECT_EQ(st.GetBasePath(), "");
    EXPECT_EQ(st.GetPageLeft(), 0);
    st.LoadProcessValues();
    EXPECT_EQ(FormatLength(1.5), "1.50");
    EXPECT_EQ(FormatSquare(1.5), "1.500");
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(SettingsTest, ValuesFromAnOldFile)
{
    writeRaw("Korvalt.ini",
             "[Default]\r\nPropilLen=12 мм\r\nSheetColor=-2147483636\r\nLenDigits=1\r\nSqrDigits=4\r\n"
             "[SheetParams]\r\nFontCharset=0\r\n[Border]\r\nDefBorder=7\r\n[PageParams]\r\nTop=15\r\n"
             "[MatBaseChange]\r\nBaseType=1\r\nBasePath=D:\\Base\r\n");
    Settings st(file());
    EXPECT_EQ(st.Get(key::PropilLen), 0);
    EXPECT_EQ(quint32(st.Get(key::SheetColor)), 0x8000000Cu);
    EXPECT_EQ(st.Get(key::FontCharSet), 0);
    EXPECT_FALSE(st.IsLocalMaterialsBase());
    EXPECT_EQ(st.GetBasePath(), "D:\\Base");
    st.LoadProcessValues();
    EXPECT_EQ(st.DefBorder(), 7);
    EXPECT_EQ(st.PageTop(), 15);
    EXPECT_EQ(FormatLength(2.25), "2.3");
    EXPECT_EQ(FormatSquare(2.25), "2.2500");
}

TEST_F(SettingsTest, AccessorsReadTheFileOnEveryCall)
{
    Settings st(file());
    TIniFile other(file());
    other.WriteInteger("Rotate", "Default", 2);
    other.WriteInteger("Border", "TBorder", 3);
    EXPECT_EQ(st.GetDefaultRotate(), 2);
    EXPECT_EQ(st.GetDefaultTBorder(), 3);
    for (int bad : {-1, 3}) {
        other.WriteInteger("Rotate", "Default", bad);
        EXPECT_EQ(st.GetDefaultRotate(), 0) << bad;
    }
    st.SetPageLeft(12);
    EXPECT_EQ(st.PageLeft(), 12);
    EXPECT_EQ(other.ReadInteger("PageParams", "Left", 0), 12);
}

TEST_F(SettingsTest, NumberFormatsIgnoreTheLocale)
{
    test::ScopedLocale russian("ru_RU.UTF-8");
    if (!russian.ok()) GTEST_SKIP() << "locale ru_RU.UTF-8 not installed (scripts/setup.sh generates it)";
    ASSERT_EQ(test::ScopedLocale::decimalPoint(), ',');   // the switch is real
    struct Case { double v; int len, sqr; const char *length, *square, *percent; } cases[] = {
        {1.005, 2, 3, "1.01", "1.005", "1.01"},
        {0.125, 2, 2, "0.13", "0.13", "0.13"},
        {1234.5, 0, 1, "1235", "1234.5", "1234.50"},
        {-0.004, 2, 3, "0.00", "-0.004", "0.00"},
        {12.5, 25, -3, "12.500000000000000000", "13", "12.50"},
    };
    for (const Case &c : cases) {
        SetNumberDigits(c.len, c.sqr);
        EXPECT_EQ(FormatLength(c.v), c.length) << c.v;
        EXPECT_EQ(FormatSquare(c.v), c.square) << c.v;
        EXPECT_EQ(FormatPercent(c.v), c.percent) << c.v;
    }
    EXPECT_DOUBLE_EQ(StrToFloatOrZero("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(StrToFloatOrZero("2,5"), 0);   // only "." separates decimals
    EXPECT_DOUBLE_EQ(StrToFloatOrZero(" -1.25e1 "), -12.5);
    EXPECT_DOUBLE_EQ(StrToFloatOrZero("1,000.5"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatOrZero("abc"), 0);
    EXPECT_DOUBLE_EQ(StrToFloatOrZero(""), 0);
}

TEST_F(SettingsTest, FontPenBrushFamilies)
{
    TIniFile ini(file());
    IniFont f;
    f.bold = true;   // cleared by a read of a section without style keys
    ReadFontFromIni(ini, "PrnSetupAdv", "Detal", f);
    EXPECT_EQ(f, IniFont());
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.size, 10);
    EXPECT_EQ(f.charset, 204);

    IniFont g;
    g.name = "Times New Roman";
    g.color = 255;
    g.size = 12;
    g.italic = g.strikeOut = true;
    WriteFontToIni(ini, "PrnSetupAdv", "Detal", g);
    EXPECT_EQ(ini.ReadSection("PrnSetupAdv"),
              (QStringList{"Detal_Name", "Detal_Color", "Detal_Size", "Detal_Charset",
                           "Detal_Style_B", "Detal_Style_I", "Detal_Style_U", "Detal_Style_S"}));
    EXPECT_EQ(ini.ReadString("PrnSetupAdv", "Detal_Style_I", ""), "1");
    IniFont back;
    ReadFontFromIni(ini, "prnsetupadv", "DETAL", back);
    EXPECT_EQ(back, g);
    const QFont qf = back.toQFont();
    EXPECT_EQ(qf.pointSize(), 12);
    EXPECT_TRUE(qf.italic());
    EXPECT_TRUE(qf.strikeOut());
    EXPECT_FALSE(qf.bold());

    IniPen pen;
    ReadPenFromIni(ini, "S", "Mill", pen);
    EXPECT_EQ(pen, IniPen());
    EXPECT_EQ(pen.width, 1);
    WritePenToIni(ini, "S", "Mill", IniPen{0xFF0000, 2, 3});
    ReadPenFromIni(ini, "S", "Mill", pen);
    EXPECT_EQ(pen, (IniPen{0xFF0000, 2, 3}));

    IniBrush brush;
    ReadBrushFromIni(ini, "S", "Sheet", brush);
    EXPECT_EQ(brush.color, 16777215);
    EXPECT_EQ(brush.style, 0);
    WriteBrushToIni(ini, "S", "Sheet", IniBrush{int(0x8000000Cu), 6});
    ReadBrushFromIni(ini, "S", "Sheet", brush);
    EXPECT_EQ(brush, (IniBrush{int(0x8000000Cu), 6}));
}

TEST_F(SettingsTest, MapFontReadAndWrittenAsOnePair)
{
    // What [SheetParams] holds, and the font the map texts get from it.
    struct Case
    {
        const char *name;
        const char *text;
        int size;
    };
    const Case cases[] = {
        {"fresh installation", "", 8},
        {"size kept", "[SheetParams]\r\nFontSize=11\r\n", 11},
        {"size zero: the default", "[SheetParams]\r\nFontSize=0\r\n", 8},
        {"negative size: the default", "[SheetParams]\r\nFontSize=-12\r\n", 8},
        {"size not a number: the default", "[SheetParams]\r\nFontSize=big\r\n", 8},
    };
    for (const Case &c : cases) {
        writeRaw("Korvalt.ini", QString::fromUtf8(c.text));
        const IniFont f = Settings(file()).MapFont();
        EXPECT_EQ(f.size, c.size) << c.name;
        EXPECT_EQ(f.name, "MS Sans Serif") << c.name;
        EXPECT_EQ(f.charset, 204) << c.name;
        EXPECT_FALSE(f.bold || f.italic || f.underline || f.strikeOut) << c.name;
    }

    QFile::remove(file());
    Settings st(file());
    IniFont g;
    g.name = "Liberation Serif";
    g.bold = g.underline = true;
    g.size = 14;
    g.color = 0x0000FF;
    g.charset = 0;
    st.SetMapFont(g);
    EXPECT_EQ(Settings(file()).MapFont(), g);
    // The keys in the order the options dialog has always written them.
    EXPECT_EQ(TIniFile(file()).ReadSection("SheetParams"),
              (QStringList{"FontName", "FontBold", "FontItalic", "FontUnderline", "FontStrikeOut", "FontColor",
                           "FontSize", "FontCharSet"}));
    EXPECT_EQ(TIniFile(file()).ReadString("SheetParams", "FontBold", ""), "1");
}

TEST_F(SettingsTest, ListViewColumns)
{
    TIniFile ini(file());
    QList<int> widths{50, 60, 70};
    ini.WriteInteger("WHSave", "lvwWHs_Width1", 99);
    ReadListViewColumns(ini, "WHSave", "lvwWHs", widths);
    EXPECT_EQ(widths, (QList<int>{50, 99, 70}));   // current width when missing
    widths[2] = 133;
    WriteListViewColumns(ini, "WHSave", "lvwWHs", widths);
    EXPECT_EQ(ini.ReadSectionValues("WHSave"),
              (QStringList{"lvwWHs_Width1=99", "lvwWHs_Width0=50", "lvwWHs_Width2=133"}));
}

TEST_F(SettingsTest, BothCopyIniSections)
{
    writeRaw("src.ini", "[Material5]\r\nMark=1\r\nScrap=2\r\n");
    writeRaw("dst.ini", "[Material5]\r\nOnlyHere=x\r\nMark=0\r\n[Other]\r\nk=v\r\n");
    CopyIniSectionKeys(file("src.ini"), "Material5", "MATERIAL5", file("dst.ini"));
    TIniFile dst(file("dst.ini"));
    EXPECT_EQ(dst.ReadSectionValues("Material5"), (QStringList{"OnlyHere=x", "Mark=1", "Scrap=2"}));
    CopyIniSection(file("src.ini"), "Material5", file("dst.ini"), "Material5");
    EXPECT_EQ(dst.ReadSectionValues("Material5"), (QStringList{"Mark=1", "Scrap=2"}));
    EXPECT_EQ(dst.ReadString("Other", "k", ""), "v");
    // Copying a missing section leaves the destination empty.
    CopyIniSection(file("src.ini"), "Missing", file("dst.ini"), "Material5");
    EXPECT_FALSE(dst.SectionExists("Material5"));
}

TEST_F(SettingsTest, NumberedValuesAndSectionValues)
{
    writeRaw("Korvalt.ini", "[Files]\r\n1=a.kdx\r\n2=b.kdx\r\n4=d.kdx\r\n");
    EXPECT_EQ(AddNumberedIniValue(file(), "Files", "c.kdx"), 3);
    EXPECT_EQ(AddNumberedIniValue(file(), "Files", "e.kdx"), 5);
    EXPECT_EQ(AddNumberedIniValue(file(), "Remarks", "первое"), 1);
    TIniFile ini(file());
    EXPECT_EQ(ini.ReadString("Files", "3", ""), "c.kdx");
    EXPECT_EQ(ini.ReadString("Remarks", "1", ""), "первое");

    WriteIniSectionValues(file(), "Files", {"2=x", "1=y", "noequals"});
    EXPECT_EQ(ini.ReadSectionValues("Files"), (QStringList{"2=x", "1=y", "noequals="}));
}

TEST_F(SettingsTest, NormalizeFolderPathTable)
{
    struct Case { const char *in, *out; } cases[] = {
        {"", ""}, {"   ", ""}, {" /mnt/base ", "/mnt/base/"}, {"/mnt/base/", "/mnt/base/"},
        {"\tD:\\Base\r\n", "D:\\Base\\"}, {"D:\\Base\\", "D:\\Base\\"},
    };
    for (const Case &c : cases) EXPECT_EQ(NormalizeFolderPath(c.in), c.out) << c.in;
}

TEST_F(SettingsTest, MaterialSectionName)
{
    EXPECT_EQ(MaterialSection(12), "Material12");
}

// The lines of a section as the file on disk holds them now, blank lines left out.
QStringList sectionOnDisk(const QString &path, const QString &section)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("(no file)")};
    QStringList out;
    bool in = false;
    for (const QString &line : fromCp1251(f.readAll()).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1Char('['))) in = line.compare("[" + section + "]", Qt::CaseInsensitive) == 0;
        else if (in && !line.trimmed().isEmpty()) out << line;
    }
    return out;
}

// A save of a section is run again and again with its n-th write of the file
// failing as a kill at that step would leave it (the new text in a temporary
// file, not in place), n = 1, 2, ... until a run goes through. Before every
// write and after every run the section on disk is the old one or the new
// one, whole.
TEST_F(SettingsTest, AKillAtEveryStepOfASectionSaveLeavesTheOldOrTheNewSection)
{
    const QString before = QStringLiteral(
        "[Default]\r\nVersion=1\r\nMill=4\r\n"
        "[Files]\r\n1=/old/a.kdx\r\n2=/old/b.kdx\r\n3=/old/c.kdx\r\n"
        "[Fonts]\r\nMap_Name=Arial\r\nMap_Size=10\r\nMap_Style_B=0\r\n"
        "[SheetParams]\r\nFontName=Arial\r\nFontSize=9\r\n"
        "[Lists]\r\nlvw_Width0=10\r\nlvw_Width1=20\r\nlvw_Width2=30\r\n"
        "[Material12]\r\nMarkNumbering=1\r\nMarkPrefix=О-\r\nLength=300\r\nSheetWidth=2750\r\n");
    IniFont font;
    font.name = QStringLiteral("Times New Roman");
    font.size = 12;
    font.bold = true;
    const struct { const char *what; const char *section; std::function<void()> save; } cases[] = {
        {"section values", "Files",
         [&] { WriteIniSectionValues(file(), "Files", {"1=/new/d.kdx", "2=/new/e.kdx"}); }},
        {"section copied whole", "Files",
         [&] {
             writeRaw("Other.ini", "[Src]\r\n1=/new/x.kdx\r\n");
             CopyIniSection(file("Other.ini"), "Src", file(), "Files");
         }},
        {"section copied key by key", "Files",
         [&] {
             writeRaw("Other.ini", "[Src]\r\n1=/new/x.kdx\r\n2=/new/y.kdx\r\n9=/new/z.kdx\r\n");
             CopyIniSectionKeys(file("Other.ini"), "Src", "Files", file());
         }},
        {"font keys", "Fonts", [&] { TIniFile ini(file()); WriteFontToIni(ini, "Fonts", "Map", font); }},
        {"map font", "SheetParams", [&] { Settings(file()).SetMapFont(font); }},
        {"list-view columns", "Lists",
         [&] { TIniFile ini(file()); WriteListViewColumns(ini, "Lists", "lvw", {11, 21, 31}); }},
        {"migration of version 1", "Material12",
         [&] { TIniFile ini(file()); UpgradeSettingsFile(ini, file("Korvalt.~ini")); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString section = QString::fromLatin1(c.section);
        auto start = [&] {
            writeRaw("Korvalt.ini", before);
            QFile::remove(file("Korvalt.~ini"));
            TIniFile::ClearCache();
        };
        start();
        const QStringList old = sectionOnDisk(file(), section);
        c.save();
        const QStringList now = sectionOnDisk(file(), section);
        ASSERT_NE(old, now);
        for (int failAt = 1;; ++failAt) {
            start();
            int writes = 0;
            bool failed = false;
            {
                const auto hook = test::ScopedHook(&SetWriteErrorHook, [&](const QString &path) {
                    if (QFileInfo(path).canonicalFilePath() != QFileInfo(file()).canonicalFilePath()) return 0;
                    const QStringList disk = sectionOnDisk(file(), section);
                    EXPECT_TRUE(disk == old || disk == now) << "before write " << writes + 1 << ": "
                                                            << disk.join('|').toStdString();
                    if (++writes != failAt) return 0;
                    failed = true;
                    return EIO;
                });
                try {
                    c.save();
                } catch (const Error &) {
                }
            }
            TIniFile::ClearCache();
            EXPECT_EQ(sectionOnDisk(file(), section), failed ? old : now) << "write " << failAt << " failed";
            EXPECT_EQ(TIniFile(file()).ReadSectionValues(section).size(), (failed ? old : now).size());
            if (!failed) break;
            ASSERT_LT(failAt, 100);
        }
    }
}

} // namespace
