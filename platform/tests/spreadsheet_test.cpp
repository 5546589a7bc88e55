// The ".xlsx" writer: a real workbook comes out, a failure leaves the old file.
#include "platform/error.h"
#include "platform/spreadsheet.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

TEST(Spreadsheet, WritesAWorkbookThroughATemporaryName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Кухня.xlsx");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    XlsxSpreadsheet sheet(path, "База деталей");
    sheet.SetCell(1, 1, QStringLiteral("База деталей"));
    sheet.SetCell(10, 2, 716);
    sheet.SetCell(0, 0, "ignored");   // rows and columns count from 1
    EXPECT_EQ(QFile(path).size(), 3);  // nothing replaced before Close
    sheet.Close();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("PK"));   // a zip package
    EXPECT_TRUE(bytes.contains("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(bytes.contains("xl/sharedStrings.xml"));
    EXPECT_FALSE(QFile::exists(path + ".tmp"));
}

TEST(Spreadsheet, UnwritableFolderRaises)
{
    XlsxSpreadsheet sheet("/nonexistent-folder/x.xlsx");
    sheet.SetCell(1, 1, "x");
    EXPECT_THROW(sheet.Close(), Error);
}

TEST(Spreadsheet, MemorySinkKeepsCells)
{
    MemorySpreadsheet m;
    m.SetCell(2, 3, "a");
    m.Close();
    EXPECT_EQ(m.Cell(2, 3).toString(), "a");
    EXPECT_FALSE(m.Cell(1, 1).isValid());
    EXPECT_TRUE(m.closed);
}
