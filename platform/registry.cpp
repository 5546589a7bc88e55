#include "platform/registry.h"

#include <QSettings>

#include <memory>

namespace kv {

namespace {

QString &storeFile()
{
    static QString file;
    return file;
}

std::unique_ptr<QSettings> openStore()
{
    if (!storeFile().isEmpty()) return std::make_unique<QSettings>(storeFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("korvalt"),
                                       QStringLiteral("registry"));
}

// "HKEY_LOCAL_MACHINE" + "\Software\X\" + "Name" -> "HKEY_LOCAL_MACHINE/Software/X/Name"
QString valuePath(const QString &root, const QString &key, const QString &name)
{
    QString k = key;
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = {root};
    for (const QString &p : k.split(QLatin1Char('/'), Qt::SkipEmptyParts)) parts << p;
    parts << (name.isEmpty() ? QStringLiteral("Default") : name);
    return parts.join(QLatin1Char('/'));
}

} // namespace

QString Registry::ReadString(const QString &root, const QString &key, const QString &name, bool *found)
{
    const auto s = openStore();
    const QString path = valuePath(root, key, name);
    const bool has = s->contains(path);
    if (found) *found = has;
    return has ? s->value(path).toString() : QString();
}

void Registry::WriteString(const QString &root, const QString &key, const QString &name, const QString &value)
{
    const auto s = openStore();
    s->setValue(valuePath(root, key, name), value);
    s->sync();
}

void Registry::SetStoreFile(const QString &path)
{
    storeFile() = path;
}

} // namespace kv
