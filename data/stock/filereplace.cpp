#include "data/stock/filereplace.h"

#include "platform/db/dbffile.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"
#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace kv {

namespace {

QString native(const QString &p)
{
    return QDir::toNativeSeparators(p);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удаётся открыть файл \"%1\".").arg(native(path)));
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Ошибка чтения файла \"%1\".").arg(native(path)));
    return data;
}

} // namespace

void ReplaceFilesTogether(const QList<QPair<QString, QString>> &copies)
{
    struct Step
    {
        QString target;
        QString staged;
        std::optional<QByteArray> previous;   // none: the target did not exist
        bool swapped = false;
    };
    QList<Step> steps;
    auto dropStaged = [&steps] {
        for (const Step &s : steps)
            if (!s.swapped) QFile::remove(s.staged);
    };

    // Everything that can fail for want of room or a broken source fails here,
    // before any target is touched.
    try {
        for (const auto &c : copies) {
            Step s;
            s.target = resolvePath(c.second);
            s.staged = s.target + QStringLiteral(".new~");
            const QByteArray data = readAll(resolvePath(c.first));
            if (QFileInfo::exists(s.target)) s.previous = readAll(s.target);
            steps << s;
            try {
                writeFileAtomically(s.staged, data);
            } catch (const Error &e) {
                // The user knows the table, not the name it is staged under.
                throw Error(WriteErrorText(s.target, e.cause()), e.cause());
            }
        }
    } catch (...) {
        dropStaged();
        throw;
    }

    for (int i = 0; i < steps.size(); ++i) {
        Step &s = steps[i];
        if (std::rename(QFile::encodeName(s.staged).constData(), QFile::encodeName(s.target).constData()) == 0) {
            s.swapped = true;
            TableStore::invalidate(s.target);
            continue;
        }
        // Put back what was swapped already.
        QString lost;
        for (int j = 0; j < i; ++j) {
            Step &back = steps[j];
            try {
                if (back.previous) writeFileAtomically(back.target, *back.previous);
                else QFile::remove(back.target);
            } catch (const Error &) {
                lost = back.target;
            }
            TableStore::invalidate(back.target);
        }
        dropStaged();
        if (!lost.isEmpty())
            throw Error(QStringLiteral("Ошибка замены файла \"%1\".\rФайл \"%2\" не удалось вернуть в прежнее состояние.")
                            .arg(native(s.target), native(lost)));
        throw Error(QStringLiteral("Ошибка замены файла \"%1\".").arg(native(s.target)));
    }
}

} // namespace kv
