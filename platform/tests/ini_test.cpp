#include "platform/ini.h"

#include "platform/error.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using kv::TIniFile;

namespace {

class IniTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name = QStringLiteral("Korvalt.ini")) const { return dir.filePath(name); }

    void writeRaw(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readRaw(const QString &name = QStringLiteral("Korvalt.ini")) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(IniTest, MissingFileGivesDefaultsAndCreatesNothing)
{
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("Default", "Mill", 4), 4);
    EXPECT_EQ(ini.ReadString("SheetParams", "FontName", "MS Sans Serif"), "MS Sans Serif");
    EXPECT_TRUE(ini.ReadBool("Default", "ShowName", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("X", "Y", 2.5), 2.5);
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_FALSE(ini.SectionExists("Default"));
    EXPECT_FALSE(QFile::exists(path()));
    ini.UpdateFile();
    EXPECT_TRUE(QFile::exists(path()));
}

TEST_F(IniTest, NamesCompareWithoutCaseLatinAndCyrillic)
{
    TIniFile ini(path());
    ini.WriteInteger("SheetParams", "FontCharset", 204);
    ini.WriteString("Материал 5", "Кухня", "дуб");
    EXPECT_EQ(ini.ReadInteger("sheetparams", "FontCharSet", 0), 204);
    EXPECT_EQ(ini.ReadString("МАТЕРИАЛ 5", "КУХНЯ", ""), "дуб");
    EXPECT_TRUE(ini.ValueExists("материал 5", "кухня"));
    // A write under another spelling replaces the value and keeps the first spelling.
    ini.WriteInteger("SHEETPARAMS", "FONTCHARSET", 0);
    EXPECT_EQ(ini.ReadSection("SheetParams"), QStringList{"FontCharset"});
    EXPECT_EQ(ini.ReadSections(), (QStringList{"SheetParams", "Материал 5"}));
    EXPECT_EQ(ini.ReadInteger("SheetParams", "FontCharSet", 204), 0);
}

TEST_F(IniTest, DiskTextIsCp1251WithCrlf)
{
    {
        TIniFile ini(path());
        ini.WriteString("Remarks", "Кухня", "Шкаф");
        ini.WriteInteger("Default", "Mill", 3);
    }
    const QByteArray expected = kv::toCp1251(
        QStringLiteral("[Remarks]\r\nКухня=Шкаф\r\n\r\n[Default]\r\nMill=3\r\n"));
    EXPECT_EQ(readRaw(), expected);
}

TEST_F(IniTest, ReadsLfFilesAndKeepsOrderAndCommentsOnRewrite)
{
    writeRaw("a.ini", kv::toCp1251(QStringLiteral(
        "; заметка\n[B]\nz = 1 \n a=2\n\n[A]\nx=  \"quoted\"  \nnoequals\n")));
    TIniFile ini(path("a.ini"));
    EXPECT_EQ(ini.ReadSections(), (QStringList{"B", "A"}));
    EXPECT_EQ(ini.ReadSection("B"), (QStringList{"z", "a"}));
    EXPECT_EQ(ini.ReadString("B", "z", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "quoted");
    EXPECT_EQ(ini.ReadSectionValues("A"), QStringList{"x=quoted"});
    ini.WriteString("B", "new", "v");
    EXPECT_EQ(readRaw("a.ini"), kv::toCp1251(QStringLiteral(
        "; заметка\r\n[B]\r\nz=1\r\na=2\r\nnew=v\r\n\r\n[A]\r\nx=\"quoted\"\r\nnoequals\r\n")));
}

TEST_F(IniTest, IntegerParseTable)
{
    struct Case { const char *text; int def; int want; } cases[] = {
        {"42", 0, 42},
        {"  -7 ", 0, -7},
        {"+5", 0, 5},
        {"-2147483636", 0, int(0x8000000Cu)},
        {"$8000000C", 0, int(0x8000000Cu)},
        {"0x1FFFFFFF", 0, 0x1FFFFFFF},
        {"0XfF", 0, 255},
        {"2147483647", 0, 2147483647},
        {"-2147483648", 0, int(0x80000000u)},
        {"2147483648", 9, 9},
        {"12abc", 9, 9},
        {"1.5", 9, 9},
        {"", 9, 9},
        {"-", 9, 9},
        {"$", 9, 9},
        {"$100000000", 9, 9},
        {"1 2", 9, 9},
    };
    TIniFile ini(path());
    for (const Case &c : cases) {
        ini.WriteString("N", "v", QString::fromUtf8(c.text));
        EXPECT_EQ(ini.ReadInteger("N", "v", c.def), c.want) << c.text;
    }
    EXPECT_EQ(ini.ReadInteger("N", "missing", 17), 17);
}

TEST_F(IniTest, BooleanParseTableAndWrittenForm)
{
    struct Case { const char *text; bool def; bool want; } cases[] = {
        {"1", false, true}, {"0", true, false}, {"-1", false, true}, {"2", false, true},
        {"true", false, false}, {"true", true, true}, {"", true, true}, {"x", false, false},
    };
    TIniFile ini(path());
    for (const Case &c : cases) {
        ini.WriteString("B", "v", QString::fromUtf8(c.text));
        EXPECT_EQ(ini.ReadBool("B", "v", c.def), c.want) << c.text;
    }
    ini.WriteBool("B", "t", true);
    ini.WriteBool("B", "f", false);
    EXPECT_EQ(ini.ReadString("B", "t", ""), "1");
    EXPECT_EQ(ini.ReadString("B", "f", ""), "0");
}

TEST_F(IniTest, FloatsUseThePointWhateverTheText)
{
    TIniFile ini(path());
    struct Case { double v; const char *text; } cases[] = {
        {1.5, "1.5"}, {0.1 + 0.2, "0.3"}, {-2.0, "-2"}, {1e20, "1E20"}, {1.5e-7, "1.5E-7"}, {0.0, "0"},
    };
    for (const Case &c : cases) {
        ini.WriteFloat("F", "v", c.v);
        EXPECT_EQ(ini.ReadString("F", "v", ""), QString::fromLatin1(c.text));
        EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "v", -1), std::stod(c.text));
    }
    ini.WriteString("F", "v", "abc");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "v", 7.25), 7.25);
}

TEST_F(IniTest, TwoObjectsOnOnePathShareWrites)
{
    TIniFile a(path());
    TIniFile b(dir.path() + QStringLiteral("/./Korvalt.ini"));
    a.WriteInteger("Default", "Mill", 5);
    EXPECT_EQ(b.ReadInteger("Default", "Mill", 4), 5);
    b.EraseSection("Default");
    EXPECT_EQ(a.ReadInteger("Default", "Mill", 4), 4);
    EXPECT_EQ(b.FileName(), dir.path() + QStringLiteral("/./Korvalt.ini"));
}

// Writes inside Update reach the disk together when it ends, and every
// object on the path reads them at once; a nested Update joins the outer
// one; a change that throws leaves the file and the readers as they were.
TEST_F(IniTest, UpdateWritesItsChangesOnceTogether)
{
    const QByteArray before("[A]\r\nK1=1\r\nK2=2\r\n");
    writeRaw("Korvalt.ini", before);
    TIniFile ini(path()), other(path());
    ini.Update([&] {
        ini.EraseSection("A");
        other.WriteString("A", "K1", "10");
        ini.Update([&] { ini.WriteString("A", "K3", "30"); });
        EXPECT_EQ(other.ReadSection("A"), (QStringList{"K1", "K3"}));
        EXPECT_EQ(readRaw(), before);
    });
    EXPECT_EQ(readRaw(), "[A]\r\nK1=10\r\nK3=30\r\n");

    EXPECT_THROW(ini.Update([&] {
                     ini.WriteString("A", "K1", "99");
                     ini.EraseSection("A");
                     throw kv::Error(QStringLiteral("stop"));
                 }),
                 kv::Error);
    EXPECT_EQ(readRaw(), "[A]\r\nK1=10\r\nK3=30\r\n");
    EXPECT_EQ(other.ReadInteger("A", "K1", 0), 10);
    // A later write goes to the disk at once again.
    ini.WriteString("A", "K2", "20");
    EXPECT_EQ(readRaw(), "[A]\r\nK1=10\r\nK3=30\r\nK2=20\r\n");
}

TEST_F(IniTest, ChangesMadeOnDiskAreSeen)
{
    TIniFile ini(path());
    ini.WriteInteger("Default", "Mill", 5);
    writeRaw("Korvalt.ini", "[Default]\r\nMill=6\r\nLIndent=12\r\n");
    EXPECT_EQ(ini.ReadInteger("Default", "Mill", 4), 6);
    // A write keeps what the other writer put there.
    ini.WriteInteger("Default", "RIndent", 11);
    TIniFile::ClearCache();
    TIniFile fresh(path());
    EXPECT_EQ(fresh.ReadInteger("Default", "LIndent", 10), 12);
    EXPECT_EQ(fresh.ReadInteger("Default", "RIndent", 10), 11);
}

// A run of reads looks at the disk once: a change made during it is seen by
// the reads after it, by every object on the path; its own writes at once.
TEST_F(IniTest, ReadsOfARunSeeTheFileAsItBeganAndLaterOnesSeeChanges)
{
    writeRaw("Korvalt.ini", "[A]\r\nX=1\r\n");
    TIniFile ini(path());
    TIniFile other(path());
    ini.Read([&] {
        EXPECT_EQ(ini.ReadInteger("A", "X", 0), 1);
        writeRaw("Korvalt.ini", "[A]\r\nX=2\r\nY=3\r\n");
        EXPECT_EQ(ini.ReadInteger("A", "X", 0), 1);
        EXPECT_EQ(other.ReadInteger("A", "Y", 0), 0);
        // A write starts from the disk: it keeps the other writer's change.
        ini.WriteInteger("A", "Z", 4);
        EXPECT_EQ(other.ReadInteger("A", "Z", 0), 4);
        EXPECT_EQ(other.ReadInteger("A", "Y", 0), 3);
    });
    writeRaw("Korvalt.ini", "[A]\r\nX=5\r\nLonger=line\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "X", 0), 5);
    EXPECT_EQ(other.ReadString("A", "Longer", ""), "line");
    // A run that throws still ends: changes are seen again.
    EXPECT_THROW(ini.Read([] { throw kv::Error("stop"); }), kv::Error);
    writeRaw("Korvalt.ini", "[A]\r\nX=6\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "X", 0), 6);
}

TEST_F(IniTest, EraseDeleteAndExistence)
{
    TIniFile ini(path());
    ini.WriteString("S", "a", "1");
    ini.WriteString("S", "b", "2");
    ini.WriteString("T", "c", "3");
    EXPECT_TRUE(ini.SectionExists("s"));
    ini.DeleteKey("S", "A");
    EXPECT_EQ(ini.ReadSectionValues("S"), QStringList{"b=2"});
    EXPECT_FALSE(ini.ValueExists("S", "a"));
    ini.DeleteKey("S", "b");
    EXPECT_FALSE(ini.SectionExists("S"));  // no keys left
    ini.EraseSection("s");
    EXPECT_EQ(ini.ReadSections(), QStringList{"T"});
    ini.EraseSection("missing");
    ini.DeleteKey("missing", "x");
    EXPECT_EQ(ini.ReadString("T", "c", ""), "3");
}

TEST_F(IniTest, WritesLeaveNoTemporaryFilesBehind)
{
    TIniFile ini(path());
    for (int i = 0; i < 20; ++i) ini.WriteInteger("S", QString::number(i), i);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Korvalt.ini"});
    TIniFile::ClearCache();
    EXPECT_EQ(TIniFile(path()).ReadSection("S").size(), 20);
}

TEST_F(IniTest, LineBreaksInValuesDoNotSplitTheFile)
{
    TIniFile ini(path());
    ini.WriteString("R", "k", "one\r\ntwo");
    ini.WriteString("R", "j", "x");
    EXPECT_EQ(ini.ReadSection("R"), (QStringList{"k", "j"}));
}

// A lone carriage return inside a section or key name of a file from
// elsewhere: the name reads with a blank there, and a write under the name
// as read (or as it stands in the file) goes to that section and key.
TEST_F(IniTest, LoneCarriageReturnsInNamesReadAndWriteAsOneName)
{
    writeRaw("cr.ini", "[Fil\r\x02Shee4\r\nKe\ry=1\r\n[Other]\r\nk=2\r\n");
    TIniFile ini(path("cr.ini"));
    const QStringList sections = ini.ReadSections();
    ASSERT_EQ(sections, (QStringList{"Fil \x02Shee4", "Other"}));
    EXPECT_EQ(ini.ReadString("Fil\r\x02Shee4", "Ke\ry", ""), "1");
    ini.WriteString(sections[0], "New", "v");
    ini.WriteString(sections[0], ini.ReadSection(sections[0]).first(), "3");
    EXPECT_EQ(ini.ReadString(sections[0], "new", ""), "v");
    TIniFile::ClearCache();
    TIniFile again(path("cr.ini"));
    EXPECT_EQ(again.ReadSections(), sections);
    EXPECT_EQ(again.ReadSectionValues(sections[0]), (QStringList{"Ke y=3", "New=v"}));
}

TEST_F(IniTest, FailedWriteThrowsAndKeepsTheOldValues)
{
    const QString bad = dir.filePath(QStringLiteral("no/such/folder/x.ini"));
    TIniFile ini(bad);
    EXPECT_THROW(ini.WriteString("S", "k", "v"), kv::Error);
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
}

TEST_F(IniTest, Cp1251RoundTripOfEveryPrintableByte)
{
    QByteArray value;
    for (int b = 0x20; b < 0x100; ++b) value.append(char(b));
    const QString text = kv::fromCp1251(value).trimmed();
    {
        TIniFile ini(path());
        ini.WriteString("All", "bytes", text);
    }
    TIniFile::ClearCache();
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadString("All", "bytes", ""), text);
}

} // namespace

// A file with a section written twice (other spelling) and a key repeated:
// the two parts of the section are one, the first of two keys counts, and
// in a file of many thousand sections and keys the last ones are found.
// (Reading such files takes time linear in their size: bench/ini_bench.cpp.)
TEST_F(IniTest, RepeatedSectionsAndKeysInALargeFile)
{
    QByteArray text = "[Files]\r\n1=a.dbf\r\n2=b.dbf\r\n[Other]\r\nk=v\r\n[FILES]\r\n1=again\r\n3=c.dbf\r\n";
    for (int s = 0; s < 20000; ++s) text += "[S" + QByteArray::number(s) + "]\r\nKey=" + QByteArray::number(s) + "\r\n";
    text += "[Remarks]\r\n";
    for (int k = 0; k < 20000; ++k) text += "R" + QByteArray::number(k) + "=" + QByteArray::number(k) + "\r\n";
    text += "r5=later\r\n";
    writeRaw("big.ini", text);
    TIniFile ini(path("big.ini"));
    EXPECT_EQ(ini.ReadSection("files"), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(ini.ReadString("Files", "1", ""), "a.dbf");
    EXPECT_EQ(ini.ReadString("Files", "3", ""), "c.dbf");
    EXPECT_EQ(ini.ReadSections().size(), 3 + 20000);
    EXPECT_EQ(ini.ReadInteger("s19999", "key", 0), 19999);
    EXPECT_EQ(ini.ReadSection("Remarks").size(), 20000);
    EXPECT_EQ(ini.ReadString("Remarks", "R5", ""), "5");
    EXPECT_EQ(ini.ReadString("Remarks", "R19999", ""), "19999");
}

// Sections looked up by name after sections were erased and added (the
// count the same): every answer is the file's own, never one of a section
// that went or moved.
TEST_F(IniTest, SectionLookupsFollowErasedAndAddedSections)
{
    writeRaw("s.ini", "[A]\r\nk=a\r\n[B]\r\nk=b\r\n[C]\r\nk=c\r\n[b]\r\nk=second\r\n");
    TIniFile ini(path("s.ini"));
    EXPECT_EQ(ini.ReadString("b", "k", ""), "b");   // the first of equal names
    EXPECT_EQ(ini.ReadString("C", "k", ""), "c");
    ini.EraseSection("B");
    ini.WriteString("D", "k", "d");
    EXPECT_EQ(ini.ReadString("B", "k", "none"), "none");
    EXPECT_EQ(ini.ReadString("C", "k", ""), "c");
    EXPECT_EQ(ini.ReadString("D", "k", ""), "d");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "a");
    ini.EraseSection("A");
    ini.WriteString("A", "k", "again");
    EXPECT_EQ(ini.ReadString("a", "k", ""), "again");
    EXPECT_EQ(ini.ReadSections(), (QStringList{"C", "D", "A"}));
}
