#include "controls/instance.h"
#include "platform/testsupport/scopedmount.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <atomic>
#include <vector>

#include <unistd.h>
#include <thread>

using namespace kv;

namespace {
const QString kClass = QStringLiteral("TApplication");
const QString kTitle = QString::fromUtf8("Раскрой листового материала");

// Runs `f` on another thread while this one keeps the event loop going, so
// the first copy (in this process) can answer.
template <class F> auto whileServing(F f)
{
    std::atomic<bool> done{false};
    decltype(f()) result{};
    std::thread t([&] {
        result = f();
        done = true;
    });
    while (!done) QApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    return result;
}
} // namespace

TEST(RunningInstance, SecondStartIsRefusedAndFirstActivated)
{
    QTemporaryDir dir;
    TRunningInstance first(dir.path(), kClass, kTitle);
    ASSERT_EQ(CheckRunningInstance(first, nullptr), InstanceCheck::Run);
    QWidget mainWindow;
    mainWindow.setObjectName("MainForm");
    first.SetWindow(&mainWindow);
    mainWindow.showMinimized();
    int requests = 0;
    QObject::connect(&first, &TRunningInstance::activationRequested, [&] { ++requests; });

    TRunningInstance second(dir.path(), kClass, kTitle);
    QStringList notices;
    const InstanceCheck r = whileServing([&] {
        return CheckRunningInstance(second, [&](const QString &t) { notices << t; });
    });
    EXPECT_EQ(r, InstanceCheck::Quit);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0], QString::fromUtf8("Приложение 2D-KORVALT уже выполняется!"));
    EXPECT_EQ(requests, 1);
    EXPECT_FALSE(mainWindow.isMinimized());   // restored
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_FALSE(second.IsFirst());
}

TEST(RunningInstance, FindAndActivateByTitle)
{
    QTemporaryDir dir;
    EXPECT_FALSE(FindWindowByTitle(QString(), QString(), dir.path()));
    EXPECT_FALSE(ActivateRunningInstance(QString(), QString(), dir.path()));
    EXPECT_FALSE(FindWindowByTitle(kClass, kTitle, dir.path()));   // nobody runs
    TRunningInstance first(dir.path(), kClass, kTitle);
    ASSERT_TRUE(first.TryBecomeFirst());
    EXPECT_TRUE(whileServing([&] { return FindWindowByTitle(kClass, kTitle, dir.path()); }));
    // Without a window to show, the activation still answers.
    EXPECT_TRUE(whileServing([&] { return ActivateRunningInstance(kClass, kTitle, dir.path()); }));
    // Another program folder is another program.
    QTemporaryDir other;
    EXPECT_FALSE(FindWindowByTitle(kClass, kTitle, other.path()));
}

TEST(RunningInstance, StaleLockAndSocketAreRecovered)
{
    QTemporaryDir dir;
    TRunningInstance probe(dir.path(), kClass, kTitle);
    // A lock of a process that no longer runs, and a socket file left behind.
    QFile lock(probe.LockFileName());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999\nkorvalt\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile sock(probe.SocketPath());
    ASSERT_TRUE(sock.open(QIODevice::WriteOnly));
    sock.close();

    TRunningInstance first(dir.path(), kClass, kTitle);
    EXPECT_EQ(CheckRunningInstance(first, nullptr), InstanceCheck::Run);
    EXPECT_TRUE(whileServing([&] { return FindWindowByTitle(kClass, kTitle, dir.path()); }));
}

TEST(RunningInstance, LockHeldWithoutAnswerStillRefuses)
{
    QTemporaryDir dir;
    TRunningInstance first(dir.path(), kClass, kTitle);
    ASSERT_TRUE(first.TryBecomeFirst());
    QFile::remove(first.SocketPath());   // the first copy cannot be reached
    TRunningInstance second(dir.path(), kClass, kTitle);
    int notices = 0;
    EXPECT_EQ(CheckRunningInstance(second, [&](const QString &) { ++notices; }), InstanceCheck::Quit);
    EXPECT_EQ(notices, 1);
}

// A folder the program cannot write into is no running copy: no notice, the
// reason instead. Beneath a file (anywhere), and read-only (where a small file
// system can be mounted, or without root rights by the folder's mode).
TEST(RunningInstance, UnwritableFolderIsNotAnotherCopy)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct Case { const char *what; QString folder; const char *reason; };
    std::vector<Case> cases = {{"beneath a file", dir.filePath("file/Korvalt"), "Папка или файл не найдены."}};
    QDir().mkpath(dir.filePath("ro"));
    test::ScopedTmpfs disk(dir.filePath("ro"), "64k");
    if (disk.makeReadOnly())
        cases.push_back({"read-only disk", dir.filePath("ro"), "Диск доступен только для чтения."});
    else if (::geteuid() != 0 && QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner))
        cases.push_back({"read-only folder", dir.filePath("ro"), "Нет прав доступа к папке или файлу."});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TRunningInstance self(c.folder, kClass, kTitle);
        int notices = 0;
        EXPECT_EQ(CheckRunningInstance(self, [&](const QString &) { ++notices; }), InstanceCheck::NoAccess);
        EXPECT_EQ(notices, 0);
        EXPECT_EQ(self.FolderProblem(), QString::fromUtf8(c.reason));
        EXPECT_EQ(FolderNotWritableText(c.folder, self.FolderProblem()),
                  "В папку программы \"" + QDir::toNativeSeparators(c.folder) + "\" нельзя записывать файлы.\r" +
                      QString::fromUtf8(c.reason) + "\rРабота программы невозможна.");
    }
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {
// Sends one raw line to the socket of a running copy and returns its answer line.
QByteArray rawAsk(const QString &path, const QByteArray &line)
{
    QLocalSocket s;
    s.connectToServer(path);
    if (!s.waitForConnected(1000)) return "no connection";
    s.write(line);
    s.flush();
    QByteArray answer;
    while (!answer.contains('\n') && s.waitForReadyRead(3000)) answer += s.readAll();
    answer += s.readAll();
    return answer;
}
} // namespace

TEST(RunningInstance, UnknownOrSilentCallersChangeNothing)
{
    QTemporaryDir dir;
    TRunningInstance first(dir.path(), kClass, kTitle);
    ASSERT_TRUE(first.TryBecomeFirst());
    int requests = 0;
    QObject::connect(&first, &TRunningInstance::activationRequested, [&] { ++requests; });

    // A caller that connects and says nothing does not hold up the next one.
    QLocalSocket silent;
    silent.connectToServer(first.SocketPath());
    ASSERT_TRUE(silent.waitForConnected(1000));
    EXPECT_TRUE(whileServing([&] { return FindWindowByTitle(kClass, kTitle, dir.path()); }));

    EXPECT_EQ(whileServing([&] { return rawAsk(first.SocketPath(), "HELLO\n"); }), QByteArray("NO\n"));
    EXPECT_EQ(whileServing([&] { return rawAsk(first.SocketPath(), "activate\n"); }), QByteArray("NO\n"));
    // An endless line without a break is cut off, not waited for.
    EXPECT_EQ(whileServing([&] { return rawAsk(first.SocketPath(), QByteArray(200, 'A')); }), QByteArray());
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(whileServing([&] { return rawAsk(first.SocketPath(), "ACTIVATE\n"); }), QByteArray("OK\n"));
    EXPECT_EQ(requests, 1);
}

TEST(RunningInstance, SocketIsTheUsersOnlyAndGoesWithTheFirstCopy)
{
    QTemporaryDir dir;
    QString path;
    {
        TRunningInstance first(dir.path(), kClass, kTitle);
        ASSERT_TRUE(first.TryBecomeFirst());
        path = first.SocketPath();
        const QFileInfo info(path);
        ASSERT_TRUE(info.exists());
        EXPECT_FALSE(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    // The folder is free again: the next start runs and answers.
    TRunningInstance next(dir.path(), kClass, kTitle);
    EXPECT_EQ(CheckRunningInstance(next, nullptr), InstanceCheck::Run);
    EXPECT_TRUE(whileServing([&] { return FindWindowByTitle(kClass, kTitle, dir.path()); }));
}
