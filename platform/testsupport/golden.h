#pragma once
// Golden files: bytes our own code made once and must keep making. A test
// compares with the file of that name in its tests/data folder; with
// KV_UPDATE_GOLDEN set in the environment the file is written instead.
//   EXPECT_TRUE(kv::test::MatchesGolden(bytes, "export_golden.txt"));
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>

namespace kv::test {

inline QString GoldenPath(const QString &name) { return QStringLiteral(KV_TEST_DATA_DIR "/") + name; }

inline ::testing::AssertionResult MatchesGolden(const QByteArray &bytes, const QString &name)
{
    const QString path = GoldenPath(name);
    if (qEnvironmentVariableIsSet("KV_UPDATE_GOLDEN")) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure()
               << "missing " << path.toStdString() << " (run with KV_UPDATE_GOLDEN=1 to make it)";
    const QByteArray want = f.readAll();
    if (want == bytes) return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < want.size() && at < bytes.size() && want[at] == bytes[at]) ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 40);
    return ::testing::AssertionFailure()
           << name.toStdString() << ": " << bytes.size() << " bytes made, " << want.size()
           << " in the golden file, first difference at byte " << at << "\n made: "
           << bytes.mid(from, 80).toStdString() << "\ngolden: " << want.mid(from, 80).toStdString();
}

} // namespace kv::test
