// Runs a harness over files without libFuzzer: every file named, and every
// file of every folder named, is one input. The normal build replays the seed
// corpus and the saved reproducers this way, so a reader that breaks on one of
// them fails the suite. A folder that does not exist holds no inputs.
//   <name>_replay <file or folder>...
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QStringList inside;
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) inside << it.next();
            inside.sort();   // the same order on every machine
            files << inside;
        } else if (QFileInfo::exists(path)) {
            files << path;
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    for (const QString &file : files) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
            return 1;
        }
        const QByteArray bytes = f.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(file));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
    }
    std::fprintf(stderr, "%lld inputs ran\n", static_cast<long long>(files.size()));
    return 0;
}
