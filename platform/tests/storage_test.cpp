#include "platform/storage.h"

#include "platform/error.h"
#include "platform/testsupport/cfb.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using kv::CompoundFile;
using kv::StorageElement;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class Storage : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Models.dat"); }
};

TEST_F(Storage, TreeWrittenByUsIsReadByAnIndependentReader)
{
    {
        auto file = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
        auto models = file->Root().CreateStorage("MODELS");
        auto section = models.CreateStorage("ModelSection1");
        section.CreateStream("SECTION", QByteArray("\x04\x00Kuhn\x00", 7));
        auto inner = section.CreateStorage("MODELS");
        inner.CreateStream("Model1", QByteArray(300, 'x'));   // crosses several mini sectors
        inner.CreateStream("Model2", QByteArray());
        models.CreateStorage("Empty");
    }
    const cfbtest::Entry root = cfbtest::read(readAll(path()));
    ASSERT_EQ(root.children.size(), 1u);
    const cfbtest::Entry *models = root.child("MODELS");
    ASSERT_TRUE(models && models->storage);
    ASSERT_EQ(models->children.size(), 2u);
    const cfbtest::Entry *section = models->child("ModelSection1");
    ASSERT_TRUE(section && section->storage);
    ASSERT_TRUE(section->child("SECTION"));
    EXPECT_FALSE(section->child("SECTION")->storage);
    EXPECT_EQ(section->child("SECTION")->data, QByteArray("\x04\x00Kuhn\x00", 7));
    const cfbtest::Entry *inner = section->child("MODELS");
    ASSERT_TRUE(inner && inner->storage);
    EXPECT_EQ(inner->child("Model1")->data, QByteArray(300, 'x'));
    EXPECT_TRUE(inner->child("Model2")->data.isEmpty());
    EXPECT_TRUE(models->child("Empty")->storage);
}

TEST_F(Storage, HandMadeFileIsReadByUs)
{
    cfbtest::Entry root;
    cfbtest::Entry models{"MODELS", true, {}, {}};
    cfbtest::Entry sec{"imModelSection1", true, {}, {}};
    sec.children.push_back({"SECTION", false, QByteArray("abc"), {}});
    cfbtest::Entry inner{"MODELS", true, {}, {}};
    for (int i = 1; i <= 5; ++i)
        inner.children.push_back({QString("imModel%1").arg(i), false, QByteArray(70 * i, char('0' + i)), {}});
    sec.children.push_back(inner);
    models.children.push_back(sec);
    models.children.push_back({"Stray", false, QByteArray("s"), {}});
    root.children.push_back(models);
    writeAll(path(), cfbtest::write(root));

    auto file = CompoundFile::Open(path());
    ASSERT_EQ(file->Root().Elements(), (QList<StorageElement>{{"MODELS", true}}));
    auto m = file->Root().OpenStorage("MODELS");
    const auto elems = m.Elements();
    ASSERT_EQ(elems.size(), 2);
    EXPECT_TRUE(elems.contains(StorageElement{"imModelSection1", true}));
    EXPECT_TRUE(elems.contains(StorageElement{"Stray", false}));
    auto s = m.OpenStorage("imModelSection1");
    EXPECT_EQ(s.ReadStream("SECTION"), QByteArray("abc"));
    auto in = s.OpenStorage("MODELS");
    ASSERT_EQ(in.Elements().size(), 5);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(in.ReadStream(QString("imModel%1").arg(i)), QByteArray(70 * i, char('0' + i))) << i;
}

TEST_F(Storage, ChangesReachTheFileAtOnceAndKeepOrder)
{
    auto file = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
    auto root = file->Root();
    root.CreateStream("b", "1");
    root.CreateStream("a", "2");
    root.CreateStorage("c");
    EXPECT_EQ(root.Elements(), (QList<StorageElement>{{"b", false}, {"a", false}, {"c", true}}));
    root.WriteStream("B", "22");                 // names ignore case
    root.CreateStorage("a");                     // replaces the stream of that name
    root.DestroyElement("c");
    const cfbtest::Entry onDisk = cfbtest::read(readAll(path()));
    ASSERT_EQ(onDisk.children.size(), 2u);
    EXPECT_EQ(onDisk.child("b")->data, QByteArray("22"));
    EXPECT_TRUE(onDisk.child("a")->storage);
}

TEST_F(Storage, ErrorsRaiseAndLeaveTheTree)
{
    auto file = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
    auto root = file->Root();
    root.CreateStream("s", "x");
    root.CreateStorage("d");
    struct Case { const char *what; std::function<void()> call; } cases[] = {
        {"missing storage", [&] { root.OpenStorage("none"); }},
        {"stream opened as storage", [&] { root.OpenStorage("s"); }},
        {"storage read as stream", [&] { root.ReadStream("d"); }},
        {"write of a missing stream", [&] { root.WriteStream("none", "x"); }},
        {"destroy of a missing element", [&] { root.DestroyElement("none"); }},
        {"name too long", [&] { root.CreateStream(QString(32, 'n'), "x"); }},
        {"name with a slash", [&] { root.CreateStorage("a/b"); }},
        {"empty name", [&] { root.CreateStream("", "x"); }},
    };
    for (const Case &c : cases) EXPECT_THROW(c.call(), kv::Error) << c.what;
    EXPECT_EQ(root.Elements(), (QList<StorageElement>{{"s", false}, {"d", true}}));
}

TEST_F(Storage, RefToADestroyedStorageRaises)
{
    auto file = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
    auto d = file->Root().CreateStorage("d");
    file->Root().DestroyElement("d");
    EXPECT_THROW(d.Elements(), kv::Error);
}

TEST_F(Storage, UpdateWritesOnceOnCommitAndDropsOtherwise)
{
    auto file = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
    const QByteArray empty = readAll(path());
    {
        CompoundFile::Update u(*file);
        file->Root().CreateStorage("x").CreateStream("SECTION", "h");
        EXPECT_EQ(readAll(path()), empty);   // nothing written yet
    }
    EXPECT_TRUE(file->Root().Elements().isEmpty());
    {
        CompoundFile::Update u(*file);
        file->Root().CreateStorage("x").CreateStream("SECTION", "h");
        u.Commit();
    }
    EXPECT_EQ(cfbtest::read(readAll(path())).child("x")->child("SECTION")->data, QByteArray("h"));
}

TEST_F(Storage, SecondOpenIsRefusedWhileHeldAndAllowedAfter)
{
    auto first = CompoundFile::Open(path(), CompoundFile::Mode::CreateWhenMissing);
    EXPECT_THROW(CompoundFile::Open(path()), kv::Error);
    first.reset();
    EXPECT_NO_THROW(CompoundFile::Open(path()));
}

TEST_F(Storage, MissingOrDamagedFilesAreRefused)
{
    EXPECT_THROW(CompoundFile::Open(path()), kv::Error);   // missing, no create
    writeAll(path(), "not a compound file at all");
    EXPECT_THROW(CompoundFile::Open(path()), kv::Error);
    // Every prefix of a good file: refused or read, never a crash.
    cfbtest::Entry root;
    root.children.push_back({"MODELS", true, {}, {{"Model1", false, QByteArray(200, 'm'), {}}}});
    const QByteArray good = cfbtest::write(root);
    for (qsizetype n = 0; n < good.size(); n += 37) {
        writeAll(path(), good.left(n));
        try {
            CompoundFile::Open(path());
        } catch (const kv::Error &) {
        }
    }
}

} // namespace
