// Whole-file writes on a disk that refuses them: the old file stays, nothing
// is left beside it, and the reason is the program's own words.
#include "platform/db/dbffile.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/testsupport/errors.h"
#include "platform/testsupport/scoped.h"
#include "platform/testsupport/scopedmount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace kv;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// A real full disk: a file system of 64 KiB.
TEST(SaveFile, FullDiskKeepsTheOldFileAndSaysSo)
{
    QTemporaryDir dir;
    test::ScopedTmpfs disk(dir.path(), "64k");
    if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    const QString path = dir.filePath("Sheets.dbf");
    const QByteArray old(20000, 'a');
    ASSERT_TRUE(SaveFileAtomically(path, old));

    QString reason;
    EXPECT_FALSE(SaveFileAtomically(path, QByteArray(100000, 'b'), &reason));
    EXPECT_EQ(reason, "Недостаточно места на диске.");
    EXPECT_EQ(bytesOf(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Sheets.dbf"});

    // The writers built on it tell the user the same.
    EXPECT_EQ(test::ErrorOf([&] { writeFileAtomically(path, QByteArray(100000, 'c')); }),
              "Ошибка записи файла \"" + QDir::toNativeSeparators(path).toStdString() +
                  "\".\rНедостаточно места на диске.");
    TIniFile ini(dir.filePath("Korvalt.ini"));
    EXPECT_EQ(test::ErrorOf([&] { ini.WriteString("Remarks", "Длинная", QString(100000, QChar('x'))); }),
              "Ошибка записи в файл \"" + QDir::toNativeSeparators(dir.filePath("Korvalt.ini")).toStdString() +
                  "\".\rНедостаточно места на диске.");
    EXPECT_EQ(bytesOf(path), old);
}

// The injected failure takes the road of a real one: after the data went to
// the temporary file, which then goes.
TEST(SaveFile, InjectedErrorsLeaveWhatARealOneLeaves)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.map");
    ASSERT_TRUE(SaveFileAtomically(path, "old"));
    const struct { int err; const char *reason; } cases[] = {
        {ENOSPC, "Недостаточно места на диске."},
        {EROFS, "Диск доступен только для чтения."},
        {EIO, "Ошибка ввода-вывода: диск неисправен или отключён."},
    };
    for (const auto &c : cases) {
        const auto fail = test::ScopedHook(&SetWriteErrorHook, [&](const QString &) { return c.err; });
        QString reason;
        EXPECT_FALSE(SaveFileAtomically(path, "new", &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(bytesOf(path), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.map"});
    }
}

// A link keeps pointing at the file it names; the file keeps its permissions.
TEST(SaveFile, LinksAndPermissionsStay)
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.ini"), link = dir.filePath("link.ini");
    ASSERT_TRUE(SaveFileAtomically(real, "1"));
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(SaveFileAtomically(link, "2"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytesOf(real), "2");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace

namespace {

// What a write killed half-way leaves ("name~" and six letters or digits)
// goes at the next write of that file; other files' leftovers and files that
// only look alike stay until the folder is cleared at start-up.
TEST(SaveFile, LeftoversOfKilledWritesGo)
{
    const struct { const char *name; bool leftover; } names[] = {
        {"Korvalt.ini~a1B2c3", true}, {"TempSc.dbf~XYZ123", true}, {".korvalt~000000", true},
        {"Korvalt.~ini", false}, {"Korvalt.ini~a1B2c", false}, {"Korvalt.ini~a1B2c34", false},
        {"Korvalt.ini~a1-2c3", false}, {"~abcdef", false}, {"notes~1.txt", false},
    };
    for (const auto &n : names) EXPECT_EQ(IsSaveLeftover(QString::fromUtf8(n.name)), n.leftover) << n.name;
    EXPECT_FALSE(IsSaveLeftover("Other.ini~a1B2c3", "Korvalt.ini"));

    QTemporaryDir dir;
    auto touch = [&](const QString &name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half");
    };
    const QStringList mine{"Korvalt.ini~a1B2c3", "Korvalt.ini~QQQQQQ"};
    const QStringList others{"Other.ini~a1B2c3", "Кухня.kdx~abc123"};
    const QStringList kept{"Korvalt.~ini", "notes~1.txt", "Korvalt.ini~toolong1"};
    for (const QStringList &l : {mine, others, kept})
        for (const QString &n : l) touch(n);
    ASSERT_TRUE(SaveFileAtomically(dir.filePath("Korvalt.ini"), "[A]\r\n"));
    for (const QString &n : mine) EXPECT_FALSE(QFile::exists(dir.filePath(n))) << n.toStdString();
    for (const QStringList &l : {others, kept})
        for (const QString &n : l) EXPECT_TRUE(QFile::exists(dir.filePath(n))) << n.toStdString();

    EXPECT_EQ(RemoveSaveLeftoversIn(dir.path()), int(others.size()));
    for (const QString &n : others) EXPECT_FALSE(QFile::exists(dir.filePath(n))) << n.toStdString();
    for (const QString &n : kept) EXPECT_TRUE(QFile::exists(dir.filePath(n))) << n.toStdString();
    EXPECT_EQ(bytesOf(dir.filePath("Korvalt.ini")), "[A]\r\n");
}

} // namespace
