// Part lists from outside and the catalog import.
#include "data/datamodule.h"
#include "data/imports/partlists.h"
#include "data/models/catalogimport.h"
#include "data/models/modelbase.h"
#include "data/models/modelfiles.h"
#include "data/paths.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/testsupport/errors.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace kv;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

struct OldPart { std::string name; int length, width, count, rotate; };

std::vector<OldPart> parsed(const QString &line)
{
    kv::engine::TDetalsList list;
    ParseOldDetals(list, line);
    std::vector<OldPart> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back({list[i].Name, list[i].Length, list[i].Width, list[i].Count, list[i].RotateMode});
    return out;
}

TEST(OldPartList, ItemsAndRotationMapping)
{
    const auto p = parsed("((\"Бок\" 700 500 1 2) (\"Полка\" 600 300 0 4) (\"Дно\" 800 400 2 1))");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].name, "Бок");
    EXPECT_EQ(p[0].rotate, 0);   // 1 -> may turn
    EXPECT_EQ(p[1].rotate, 1);   // 0 -> never turned
    EXPECT_EQ(p[1].count, 4);
    EXPECT_EQ(p[2].rotate, 2);
    EXPECT_EQ(p[2].length, 800);
    EXPECT_EQ(p[2].width, 400);
    EXPECT_TRUE(parsed("()").empty());
    EXPECT_EQ(parsed("(\"a b\" 1 2 1 3)").size(), 1u);
}

TEST(OldPartList, MalformedLinesFailWithTheImportMessage)
{
    const char *bad[] = {
        "((\"a\" 1 2 x 3))", "((\"a\" 1 2 0))", "((\"a 1 2 0 3))", "((a 1 2 0 3))", "((\"a\" 1 2 0 3",
    };
    for (const char *line : bad) {
        try {
            parsed(line);
            ADD_FAILURE() << line;
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), "Ошибка импорта базы деталей.") << line;
        }
    }
    // Deep nesting costs no stack.
    EXPECT_TRUE(parsed(QString(200000, '(') + QString(200000, ')')).empty());
}

TEST(OldPartList, EveryPrefixIsReadOrRefused)
{
    const QString line = "((\"Бок\" 700 500 1 2) (\"Полка\" 600 300 0 4))";
    for (int n = 0; n <= line.size(); ++n) {
        try {
            parsed(line.left(n));
        } catch (const Error &) {
        }
    }
}

TEST(DetHeader, VersionsComparedAsPairs)
{
    QTemporaryDir dir;
    struct Case { const char *text; bool codes; int hi, lo; } cases[] = {
        {"[Header]\r\nFName=parts.dbf\r\n", false, 2, 0},
        {"[Header]\r\nVersionHi=2\r\nVersionLo=1\r\n", true, 2, 1},
        {"[Header]\r\nVersionHi=2\r\nVersionLo=10\r\n", true, 2, 10},
        {"[Header]\r\nVersionHi=1\r\nVersionLo=99\r\n", false, 1, 99},
        {"[Header]\r\nVersionHi=3\r\n", true, 3, 0},
    };
    for (const Case &c : cases) {
        const QString p = dir.filePath("a.det");
        writeBytes(p, c.text);
        TIniFile::ClearCache();
        const DetHeader h = ReadDetHeader(p);
        EXPECT_EQ(h.CodeEdges(), c.codes) << c.text;
        EXPECT_EQ(h.VersionHi, c.hi);
        EXPECT_EQ(h.VersionLo, c.lo);
    }
    DetHeader a, b;
    a.VersionLo = 10;
    b.VersionLo = 9;
    EXPECT_TRUE(a.VersionAbove(b.VersionHi, b.VersionLo));
    EXPECT_FALSE(b.VersionAbove(a.VersionHi, a.VersionLo));
}

TEST(DetHeader, TableNameStaysInTheHeadersFolder)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("a.det");
    writeBytes(p, "[Header]\r\nFName=..\\..\\etc\\parts.dbf\r\nCode=7\r\n");
    const DetHeader h = ReadDetHeader(p);
    EXPECT_EQ(h.Table, dir.filePath("parts.dbf"));
    EXPECT_EQ(h.Code, 7);
}

TEST(DetTable, LogicalEdgesBecomeTheDefaultCodeAndCodesAreCopied)
{
    QTemporaryDir dir;
    const QString table = dir.filePath("parts.dbf");
    DbfFile::create(table, {{"NAME", 'C', 40, 0}, {"LENGTH", 'N', 10, 0}, {"WIDTH", 'N', 10, 0},
                            {"MANY", 'N', 10, 0}, {"ROTATE", 'N', 6, 0}, {"LBORDER", 'L', 1, 0},
                            {"RBORDER", 'L', 1, 0}, {"TBORDER", 'L', 1, 0}, {"BBORDER", 'L', 1, 0}});
    Query::Exec("Insert into " + Query::QuotePath(table) + " Values (?, 600, 300, 2, 1, ?, ?, ?, ?)",
                {"Дверь 'левая'", true, false, true, false});
    DetHeader h;
    h.Table = table;
    const QList<ImportedPart> parts = ReadDetTable(h, 12, 5);
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0], (ImportedPart{"Дверь 'левая'", 600, 300, 2, 1, 5, 0, 5, 0, 12}));

    const QString codes = dir.filePath("codes.dbf");
    DbfFile::create(codes, {{"NAME", 'C', 40, 0}, {"LENGTH", 'N', 10, 0}, {"WIDTH", 'N', 10, 0},
                            {"MANY", 'N', 10, 0}, {"ROTATE", 'N', 6, 0}, {"LBORDER", 'N', 6, 0},
                            {"RBORDER", 'N', 6, 0}, {"TBORDER", 'N', 6, 0}, {"BBORDER", 'N', 6, 0}});
    Query::Exec("Insert into " + Query::QuotePath(codes) + " Values ('Дно', 800, 400, 1, 0, 3, 0, 4, 9)");
    h.Table = codes;
    h.VersionLo = 1;
    EXPECT_EQ(ReadDetTable(h, 1, 5).value(0), (ImportedPart{"Дно", 800, 400, 1, 0, 3, 0, 4, 9, 1}));

    h.Table = dir.filePath("missing.dbf");
    EXPECT_THROW(ReadDetTable(h, 1, 5), Error);
}

TEST(TextRows, FieldsAsTheFormatReadsThem)
{
    const TextRowDefaults d{2, 7};
    struct Case { QString line; ImportedPart want; } cases[] = {
        {"Бок\t700\t500", {"Бок", 700, 500, 0, 2, 0, 0, 0, 0, 3}},
        {"Бок\t700\t500\t2.5\t1\t1\t0\t5\t0", {"Бок", 700, 500, 2, 1, 7, 0, 7, 0, 3}},
        {"Бок\t700\t500\t3.5\t9", {"Бок", 700, 500, 4, 0, 0, 0, 0, 0, 3}},
        {"Бок\tx\t\t1,5\tz", {"Бок", 0, 0, 0, 2, 0, 0, 0, 0, 3}},
        {"", {"", 0, 0, 0, 2, 0, 0, 0, 0, 3}},
        {"a\t99999999999\t-3\t1e300", {"a", 2147483647, -3, 2147483647, 2, 0, 0, 0, 0, 3}},
    };
    for (const Case &c : cases) EXPECT_EQ(ParseTextRow(c.line, QChar(9), 3, d), c.want) << c.line.toStdString();
}

TEST(TextRows, ExportImportRoundTripAndRefusedRows)
{
    QTemporaryDir dir;
    const QList<ImportedPart> parts = {
        {"Бок", 700, 500, 2, 1, 3, 0, 0, 4, 9},
        {"Плохой\tкод", 1, 1, 1, 0, 0, 0, 0, 0, 9},
        {"Полка", 600, 300, 5, 2, 0, 0, 0, 0, 9},
        {"Две\r\nстроки", 1, 1, 1, 0, 0, 0, 0, 0, 9},
    };
    const QString p = dir.filePath("parts.txt");
    EXPECT_EQ(WriteTextFile(p, parts), (QList<int>{2, 4}));
    QList<ImportedPart> back;
    ReadTextFile(p, 4, {0, 6}, back);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0], (ImportedPart{"Бок", 700, 500, 2, 1, 6, 0, 0, 6, 4}));
    EXPECT_EQ(back[1], (ImportedPart{"Полка", 600, 300, 5, 2, 0, 0, 0, 0, 4}));
    EXPECT_TRUE(readBytes(p).endsWith("\r\n"));
}

TEST(TextRows, EveryPrefixAndOverlongLinesAreHandled)
{
    QTemporaryDir dir;
    const QByteArray good = toCp1251("Бок\t700\t500\t2\t1\t1\t0\t0\t1\r\nПолка\t600\t300\r\n");
    const QString p = dir.filePath("t.txt");
    for (int n = 0; n <= good.size(); ++n) {
        writeBytes(p, good.left(n));
        QList<ImportedPart> parts;
        ReadTextFile(p, 0, {}, parts);
        EXPECT_LE(parts.size(), 2);
    }
    writeBytes(p, QByteArray(200000, 'x') + toCp1251("\r\nКод\t1\t2\r\n"));
    QList<ImportedPart> parts;
    ReadTextFile(p, 0, {}, parts);
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0].Name, "Код");
}

TEST(TextRows, Utf8AndCp1251ListsWithTheSameRowsImportAlike)
{
    QTemporaryDir dir;
    const QString rows = QStringLiteral("Бок левый\t700\t500\t2\t1\t1\t0\t0\t1\r\nПолка «ёЁ»\t600\t300\r\n");
    const QList<ImportedPart> expected = {{"Бок левый", 700, 500, 2, 1, 6, 0, 0, 6, 4},
                                          {"Полка «ёЁ»", 600, 300, 0, 0, 0, 0, 0, 0, 4}};
    struct Case { const char *what; QByteArray bytes; };
    const Case cases[] = {
        {"cp1251", toCp1251(rows)},
        {"UTF-8", rows.toUtf8()},
        {"UTF-8 with a byte-order mark", QByteArray("\xEF\xBB\xBF") + rows.toUtf8()},
        {"UTF-8 with LF only", QString(rows).remove(QLatin1Char('\r')).toUtf8()},
    };
    for (const Case &c : cases) {
        const QString p = dir.filePath("list.txt");
        writeBytes(p, c.bytes);
        QList<ImportedPart> parts;
        ReadTextFile(p, 4, {0, 6}, parts);
        EXPECT_EQ(parts, expected) << c.what;
    }
    // A mark before plain ASCII is no part of the first code.
    const QString p = dir.filePath("ascii.txt");
    writeBytes(p, QByteArray("\xEF\xBB\xBF") + "A-1\t10\t20\t1\r\n");
    QList<ImportedPart> parts;
    ReadTextFile(p, 0, {}, parts);
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0].Name, "A-1");
}

// A list the program exported reads back unchanged, one name at a time and
// all together: the names of the fuzz corpus, and cp1251 names whose bytes
// are valid UTF-8 (or begin as its byte-order mark).
TEST(TextRows, ExportedListsReadBackUnchanged)
{
    QTemporaryDir dir;
    const QStringList names = {"Бок", "Полка", "Деталь1", "Кухня", "Шкаф, \"малый\"", "Polka Р–1", "Р–1",
                               "Рў", "С‘", "п»їБок", "п»ї", "Полка «ёЁ»", "ДСП 16 мм", "A-1", "", " пробел "};
    QList<ImportedPart> all;
    int n = 0;
    for (const QString &name : names) {
        const ImportedPart part{name, 700 + n, 300 - n, n, n % 3, 6 * (n % 2), 0, 6, 0, 4};
        all << part;
        const QString p = dir.filePath(QStringLiteral("one%1.txt").arg(n++));
        ASSERT_TRUE(WriteTextFile(p, {part}).isEmpty());
        QList<ImportedPart> back;
        ReadTextFile(p, 4, {0, 6}, back);
        EXPECT_EQ(back, QList<ImportedPart>{part}) << name.toStdString();
    }
    const QString p = dir.filePath("all.txt");
    ASSERT_TRUE(WriteTextFile(p, all).isEmpty());
    QList<ImportedPart> back;
    ReadTextFile(p, 4, {0, 6}, back);
    EXPECT_EQ(back, all);
}

// A file that is not text is no part list: "Ошибка импорта данных!" and
// nothing read; TAB, CR and LF are the only control characters a list holds.
TEST(TextRows, FilesThatAreNotTextAreRefused)
{
    QTemporaryDir dir;
    struct Case { const char *what; QByteArray bytes; bool text; };
    const Case cases[] = {
        {"NUL bytes", QByteArray("Бок\t700\t500\r\n") + QByteArray(3, '\0') + "\x01", false},
        {"a NUL inside a code", QByteArray("Б") + QByteArray(1, '\0') + "к\t700\t500\r\n", false},
        {"binary header", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
        {"escape", QByteArray("Code\x1b[1m\t1\t2\r\n"), false},
        {"form feed", QByteArray("A\t1\t2\r\n\x0c"), false},
        {"DEL", QByteArray("A\x7f\t1\t2\r\n"), false},
        {"UTF-8 C1 control", QByteArray("Бок\xc2\x85\t1\t2\r\n"), false},
        {"tabs, CR and LF", toCp1251("Бок\t700\t500\r\n\tx\r\rПолка\t1\n"), true},
    };
    for (const Case &c : cases) {
        const QString p = dir.filePath("list.txt");
        writeBytes(p, c.bytes);
        QList<ImportedPart> parts;
        if (c.text) {
            ReadTextFile(p, 0, {}, parts);
            EXPECT_FALSE(parts.isEmpty()) << c.what;
        } else {
            EXPECT_EQ(test::ErrorOf([&] { ReadTextFile(p, 0, {}, parts); }), "Ошибка импорта данных!") << c.what;
            EXPECT_TRUE(parts.isEmpty()) << c.what;
        }
    }
    // The export refuses a name it could not read back.
    EXPECT_EQ(WriteTextFile(dir.filePath("out.txt"), {{QString("A\x01"), 1, 1, 1, 0, 0, 0, 0, 0, 0},
                                                      {"Б", 1, 1, 1, 0, 0, 0, 0, 0, 0}}),
              QList<int>{1});
}

TEST(DesignerFile, SectionsBecomePartsWithDefaults)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("a.dkm");
    writeBytes(p, toCp1251("[Деталь1]\r\nShifr=Бок\r\nW=700\r\nH=500\r\nQuantity=2\r\nMaterial=4\r\n"
                           "[2]\r\nShifr=Полка\r\nRotate=1\r\nW=abc\r\n"));
    const QList<ImportedPart> parts = ReadDesignerFile(p, 2);
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0], (ImportedPart{"Бок", 700, 500, 2, 2, 0, 0, 0, 0, 4}));
    EXPECT_EQ(parts[1], (ImportedPart{"Полка", 0, 0, 0, 1, 0, 0, 0, 0, 0}));
    // Every prefix of the file reads without a crash.
    const QByteArray whole = readBytes(p);
    for (int n = 0; n <= whole.size(); n += 3) {
        writeBytes(p, whole.left(n));
        TIniFile::ClearCache();
        EXPECT_LE(ReadDesignerFile(p, 0).size(), 2);
    }
}

// A part's values are what the settings reader gives for its section: names
// in any case and with blanks, quotes, the first of repeated keys, a section
// given twice, hexadecimal and broken numbers, comments.
TEST(DesignerFile, ValuesReadAsTheIniReaderReadsThem)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("b.dkm");
    writeBytes(p, toCp1251("; список\r\n[a]\r\n shifr = \"Бок левый\" \r\nw=700\r\nW=800\r\nh=$1F4\r\n"
                           "QUANTITY=+3\r\n;Material=9\r\nrotate=x\r\n"
                           "[Б]\r\nШифр=нет\r\nShifr='Дно'\r\nMaterial=-2\r\nH=99999999999\r\n"
                           "[A]\r\nMaterial=5\r\nShifr=второй\r\n"));
    const QList<ImportedPart> parts = ReadDesignerFile(p, 2);
    TIniFile ini(p);
    const QStringList sections = ini.ReadSections();
    ASSERT_EQ(parts.size(), sections.size());
    for (int i = 0; i < parts.size(); ++i) {
        const QString &s = sections[i];
        SCOPED_TRACE(s.toStdString());
        const ImportedPart expected{ini.ReadString(s, "Shifr", ""), ini.ReadInteger(s, "W", 0), ini.ReadInteger(s, "H", 0),
                                    ini.ReadInteger(s, "Quantity", 0), ini.ReadInteger(s, "Rotate", 2),
                                    0, 0, 0, 0, ini.ReadInteger(s, "Material", 0)};
        EXPECT_EQ(parts[i], expected);
    }
    EXPECT_EQ(parts[0], (ImportedPart{"Бок левый", 700, 500, 3, 2, 0, 0, 0, 0, 5}));
    EXPECT_EQ(parts[1], (ImportedPart{"Дно", 0, 0, 0, 2, 0, 0, 0, 0, -2}));
}

TEST(PartLists, TooLargeFilesAreRefused)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("big.txt");
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(kMaxImportFileSize + 1));
    f.close();
    QList<ImportedPart> parts;
    EXPECT_THROW(ReadTextFile(p, 0, {}, parts), Error);
    EXPECT_THROW(ReadFirstLine(p), Error);
}

class CatalogImport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Paths> paths;
    void SetUp() override
    {
        paths = std::make_unique<Paths>(dir.path());
        paths->CreateFolders();
        CopyModelsBaseIfMissing(*paths);
        OpenModelsBase(paths->ModelsBaseFile());
    }
    void TearDown() override { CloseModelsBase(); }
};

TEST_F(CatalogImport, SectionsAndModelsInCatalogOrder)
{
    writeBytes(paths->CatalogIniFile(),
               toCp1251("[Sections]\r\n7=Кухни\r\n3=Спальни\r\n[7]\r\n1=Стол\r\n5=Стул\r\n[7_]\r\n1=mdl0\r\n"
                        "[3]\r\n2=Кровать\r\n[3_]\r\n2=mdl4\r\n"));
    ReplaceModelsBaseFromCatalog(*paths);
    TmdlModelSectionList list;
    LoadSections(list, ModelsRootStorage(), true);
    ASSERT_EQ(list.Count(), 2);
    const int k = FindSectionByName(list, "Кухни"), s = FindSectionByName(list, "Спальни");
    ASSERT_GE(k, 0);
    ASSERT_GE(s, 0);
    EXPECT_EQ(list[k].StorageName, "imModelSection1");
    EXPECT_EQ(list[s].StorageName, "imModelSection2");
    ASSERT_EQ(list[k].Models.Count(), 2);
    const TmdlModelInfo *stol = FindModelByName(list, "Стол");
    const TmdlModelInfo *stul = FindModelByName(list, "Стул");
    ASSERT_TRUE(stol && stul);
    EXPECT_EQ(stol->StreamName, "imModel1");
    EXPECT_EQ(stol->PartsTable, "mdl0");
    EXPECT_EQ(stul->StreamName, "imModel2");
    EXPECT_EQ(stul->PartsTable, "");   // missing key, empty stem
    EXPECT_EQ(FindModelByName(list, "Кровать")->PartsTable, "mdl4");
    EXPECT_FALSE(QFileInfo::exists(paths->ModelsBackupFile()));
}

TEST_F(CatalogImport, FailureLeavesThePreviousBaseIntact)
{
    TmdlModelSectionList list;
    TmdlModelSection &s = list.Add();
    s.Name = "Старый";
    s.StorageName = "ModelSection1";
    s.CreateStorage();
    const QByteArray before = readBytes(paths->ModelsBaseFile());
    // A section name no storage can carry makes the import fail half-way.
    writeBytes(paths->CatalogIniFile(), toCp1251("[Sections]\r\n1=Хорошая\r\n2=Плохая\r\n[2]\r\n1=М\r\n"));
    QFile::remove(paths->ModelsTemplateFile());
    writeBytes(paths->ModelsTemplateFile(), "not a compound file");
    try {
        ReplaceModelsBaseFromCatalog(*paths);
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "Ошибка импорта базы моделей.");
    }
    EXPECT_TRUE(IsModelsBaseOpen());
    CloseModelsBase();
    EXPECT_EQ(readBytes(paths->ModelsBaseFile()), before);
    EXPECT_FALSE(QFileInfo::exists(paths->ModelsBackupFile()));
}

} // namespace

namespace {

TEST(CommandLine, OnlyExistingFilesWithTheExactExtension)
{
    QTemporaryDir dir;
    for (const char *name : {"a.kdx", "b.KDX", "c.Kdx", "d.dbf"}) writeBytes(dir.filePath(name), "[Header]\r\n");
    struct Case { QString param; bool open; } cases[] = {
        {dir.filePath("a.kdx"), true},  {dir.filePath("b.KDX"), false}, {dir.filePath("c.Kdx"), false},
        {dir.filePath("d.dbf"), false}, {dir.filePath("none.kdx"), false}, {dir.path() + "/.kdx", false},
        {"", false},
    };
    for (const Case &c : cases) EXPECT_EQ(IsCommandLineGroupFile(c.param), c.open) << c.param.toStdString();
}

} // namespace
