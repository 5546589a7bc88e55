#include "app/shell/mainform.h"
#include "app/shell/startup.h"

#include "controls/winlayout.h"
#include "platform/error.h"
#include "platform/testsupport/fakeui.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

TEST(MainForm, TitledMdiFrameWithTheSettingsFile)
{
    QTemporaryDir tmp;
    kv::PrepareProgramFolder(tmp.path());
    {
        kv::TIniFile ini(tmp.filePath("Korvalt.ini"));
        ini.WriteInteger("Default", "LenDigits", 1);
        ini.WriteInteger("PageParams", "Left", 7);
        ini.WriteInteger("Border", "LBorder", 3);
    }
    {
        kv::test::FakeUi ui;
        TMainForm form{kv::Paths(tmp.path()), ui};
        EXPECT_EQ(kv::MainForm(), &form);   // the frame of the window-layout rules
        EXPECT_EQ(form.objectName(), "MainForm");
        EXPECT_EQ(form.windowTitle(), "Раскрой листового материала");
        // The MDI area sits among the four docks of the toolbars.
        QMdiArea *mdi = form.MdiArea();
        ASSERT_NE(mdi, nullptr);
        EXPECT_TRUE(form.centralWidget()->isAncestorOf(mdi));
        EXPECT_EQ(mdi, form.findChild<QMdiArea *>("MDIClient"));
        EXPECT_EQ(form.Settings().FileName(), tmp.path() + "/Korvalt.ini");
        EXPECT_EQ(kv::FormatLength(2.25), "2.3");
        EXPECT_EQ(form.Settings().PageLeft(), 7);
        EXPECT_EQ(form.GetDefaultLBorder(), 3);
        // A write through any object on the file is seen by the next read.
        kv::TIniFile(tmp.filePath("Korvalt.ini")).WriteInteger("Border", "LBorder", 4);
        EXPECT_EQ(form.GetDefaultLBorder(), 4);
        form.SetPageTop(9);
        EXPECT_EQ(kv::TIniFile(tmp.filePath("Korvalt.ini")).ReadInteger("PageParams", "Top", 0), 9);
    }
    EXPECT_EQ(kv::MainForm(), nullptr);
    kv::SetNumberDigits(2, 3);
}

TEST(Startup, PreparesEveryFolderAndTheSettingsFile)
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/home";
    kv::PrepareProgramFolder(root);
    for (const char *f : {"Pattern", "Catalog", "Sheets", "Detals", "Groups", "Maps", "Export", "Temp",
                          "Constructor", "Warehouse", "AutoRun"})
        EXPECT_TRUE(QDir(root + "/" + f).exists()) << f;
    EXPECT_TRUE(QFile::exists(root + "/Korvalt.ini"));
    QFile blocker(tmp.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_THROW(kv::PrepareProgramFolder(tmp.path() + "/file/home"), kv::Error);
}

TEST(Executable, VersionOption)
{
    QProcess p;
    p.start(KV_KORVALT_EXE, {"--version"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), kv::VersionText());
    EXPECT_TRUE(kv::VersionText().startsWith("korvalt "));
}

TEST(Executable, StartsAndMakesItsProgramFolder)
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/kv";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVALT_HOME", root);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The program is killed below, so its running-instance socket stays: in
    // a temporary folder of its own it goes with the test's folder.
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/tmp"));
    env.insert("TMPDIR", tmp.path() + "/tmp");
    p.setProcessEnvironment(env);
    p.start(KV_KORVALT_EXE, {});
    ASSERT_TRUE(p.waitForStarted(10000));
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(root + "/Korvalt.ini") && t.elapsed() < 20000) QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(root + "/Korvalt.ini"));
    EXPECT_TRUE(QDir(root + "/AutoRun").exists());
    // The data module made the empty templates, the stock tables and the
    // warehouse's working copies.
    // (Other files reach Temp before them: the copies themselves are waited for.)
    while (QDir(root + "/Temp").entryList({"*.dbf", "*.DBF"}, QDir::Files).isEmpty() && t.elapsed() < 20000)
        QThread::msleep(20);
    EXPECT_FALSE(QDir(root + "/Pattern").entryList({"*.dbf", "*.DBF"}, QDir::Files).isEmpty());
    EXPECT_FALSE(QDir(root + "/Sheets").entryList({"*.dbf", "*.DBF"}, QDir::Files).isEmpty());
    EXPECT_FALSE(QDir(root + "/Temp").entryList({"*.dbf", "*.DBF"}, QDir::Files).isEmpty());
    EXPECT_EQ(p.state(), QProcess::Running);   // the main window runs its loop
    p.kill();
    p.waitForFinished(10000);
    EXPECT_FALSE(QDir(tmp.path() + "/tmp").entryList({"korvalt-*.sock"}, QDir::System).isEmpty());
}

} // namespace
