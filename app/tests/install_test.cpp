// `cmake --install` puts the program where a Linux desktop finds it: the
// executable, its desktop entry, its icons in the hicolor theme and the file
// type of part bases.
#include "app/common/appicon.h"
#include "app/shell/startup.h"
#include "platform/ini.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The keys of the "[Desktop Entry]" group.
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QString &line : readText(path).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0) keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

TEST(Install, ProgramDesktopEntryIconsAndPartBaseType)
{
    QTemporaryDir prefix;
    QProcess p;
    p.start(QStringLiteral(KV_CMAKE), {QStringLiteral("--install"), QStringLiteral(KV_BUILD_DIR), QStringLiteral("--prefix"),
                                       prefix.path()});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString root = prefix.path() + QStringLiteral("/");

    const QFileInfo exe(root + QStringLiteral("bin/korvalt"));
    ASSERT_TRUE(exe.isExecutable());
    QProcess version;
    version.start(exe.filePath(), {QStringLiteral("--version")});
    ASSERT_TRUE(version.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(version.readAllStandardOutput()).trimmed(), kv::VersionText());

    const QMap<QString, QString> entry = desktopEntry(root + QStringLiteral("share/applications/korvalt.desktop"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("korvalt %F"));   // found through PATH
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QStringLiteral("korvalt"));
    EXPECT_EQ(entry.value(QStringLiteral("Name[ru]")), QStringLiteral("Раскрой листового материала"));
    EXPECT_EQ(entry.value(QStringLiteral("StartupWMClass")), QStringLiteral("korvalt"));
    EXPECT_TRUE(entry.value(QStringLiteral("Categories")).endsWith(QLatin1Char(';')));
    EXPECT_EQ(entry.value(QStringLiteral("MimeType")), QStringLiteral("application/x-korvalt-partbase;"));
    // The desktop's own checker finds nothing to say (desktop-file-utils, when installed).
    if (const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")); !validator.isEmpty()) {
        QProcess check;
        check.start(validator, {root + QStringLiteral("share/applications/korvalt.desktop")});
        ASSERT_TRUE(check.waitForFinished(20000));
        EXPECT_EQ(check.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError()).trimmed(), QString());
    }

    // Every size of the theme holds the picture the program draws.
    for (int s : kv::kIconSizes) {
        const QImage icon(root + QStringLiteral("share/icons/hicolor/%1x%1/apps/korvalt.png").arg(s));
        ASSERT_FALSE(icon.isNull()) << s;
        EXPECT_EQ(icon.size(), QSize(s, s));
        EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32), kv::KorvaltIconImage(s).convertToFormat(QImage::Format_ARGB32))
            << s;
    }
    const QString mime = readText(root + QStringLiteral("share/mime/packages/korvalt.xml"));
    EXPECT_TRUE(mime.contains(QStringLiteral("<mime-type type=\"application/x-korvalt-partbase\">")));
    EXPECT_TRUE(mime.contains(QStringLiteral("<glob pattern=\"*.kdx\"/>")));
}

TEST(Install, TheWindowsCarryTheIconOfTheDesktopEntry)
{
    QTemporaryDir tmp;
    kv::StartOptions opt;
    opt.root = tmp.path();
    bool ran = false;
    opt.instead = [&](TMainForm &) {
        ran = true;
        EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("korvalt"));
        EXPECT_FALSE(QApplication::windowIcon().isNull());
        EXPECT_EQ(QApplication::windowIcon().pixmap(48).toImage().convertToFormat(QImage::Format_ARGB32),
                  kv::KorvaltIconImage(48).convertToFormat(QImage::Format_ARGB32));
    };
    EXPECT_EQ(kv::RunApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()), opt), 0);
    EXPECT_TRUE(ran);
}

// Qt's own texts (file dialogs, edit menus) are Russian while the program
// runs, from Debian's translations; without them it runs in Qt's English.
TEST(Install, QtsOwnTextsInTheProgramsLanguage)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QTemporaryDir none;
    QTranslator missing;
    EXPECT_FALSE(kv::LoadQtTranslation(missing, none.path()));
    if (!QFile::exists(folder + QStringLiteral("/qtbase_ru.qm"))) GTEST_SKIP() << "qt6-translations-l10n is not installed";
    const QString english = QStringLiteral("File &name:");
    kv::StartOptions opt;
    opt.root = none.path();
    bool ran = false;
    opt.instead = [&](TMainForm &) {
        ran = true;
        QFileDialog d(nullptr, QString(), none.path());
        d.setOption(QFileDialog::DontUseNativeDialog);
        auto *label = d.findChild<QLabel *>(QStringLiteral("fileNameLabel"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QStringLiteral("&Имя файла:"));
    };
    EXPECT_EQ(kv::RunApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()), opt), 0);
    EXPECT_TRUE(ran);
    // Gone with the program: the other windows of the test process stay as they were.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), english);
}

} // namespace
