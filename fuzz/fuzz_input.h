#pragma once
// Pieces the file-reader harnesses share: the input written to a scratch
// file (in memory under /dev/shm where there is one), Qt's own messages kept
// quiet, and a check that stops the run as a crash so libFuzzer keeps the
// input.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kvfuzz {

// Qt's own warnings would flood the fuzzer's output.
inline void quiet()
{
    static const bool once = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)once;
}

// A folder of this process, removed when the run ends normally.
inline QString scratchDir()
{
    struct Dir
    {
        QString path;
        Dir()
        {
            const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
            path = base + QStringLiteral("/kvfuzz-%1").arg(::getpid());
            QDir().mkpath(path);
            quiet();
        }
        ~Dir() { QDir(path).removeRecursively(); }
    };
    static Dir dir;
    return dir.path;
}

inline QString scratchFile(const QString &name) { return scratchDir() + QLatin1Char('/') + name; }

// Writes the bytes over the file (created when missing).
inline QString writeScratch(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchFile(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A property that must hold for every input: its failure is a finding.
#define KV_FUZZ_CHECK(cond, what)                                                                  \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", what, __FILE__, __LINE__);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace kvfuzz
