#include "report/windows/winpos.h"

#include <QSettings>
#include <QWidget>

namespace {

QString &storeFile()
{
    static QString name;
    return name;
}

} // namespace

void rpSetWindowPositionStore(const QString &iniFileName) { storeFile() = iniFileName; }

std::unique_ptr<QSettings> rpWindowPositionStore()
{
    if (!storeFile().isEmpty()) return std::make_unique<QSettings>(storeFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("ReportEngine"));
}

QString rpWindowPositionSection(const QWidget *window)
{
    return QStringLiteral("Form/") + QString::fromLatin1(window->metaObject()->className());
}

void SaveFormPosition(QWidget *window)
{
    if (!window) return;
    auto s = rpWindowPositionStore();
    s->beginGroup(rpWindowPositionSection(window));
    // The normal bounds, so a maximized window comes back to them when restored.
    const QRect r = window->isMaximized() ? window->normalGeometry() : window->geometry();
    s->setValue(QStringLiteral("XPosition"), r.left());
    s->setValue(QStringLiteral("YPosition"), r.top());
    s->setValue(QStringLiteral("Width"), r.width());
    s->setValue(QStringLiteral("Height"), r.height());
    s->setValue(QStringLiteral("Maximized"), window->isMaximized());
    s->endGroup();
    s->sync();
}

void RestoreFormPosition(QWidget *window)
{
    if (!window) return;
    auto s = rpWindowPositionStore();
    s->beginGroup(rpWindowPositionSection(window));
    const QRect cur = window->geometry();
    auto readInt = [&](const char *key, int def) {
        bool ok = false;
        const int v = s->value(QLatin1String(key), def).toInt(&ok);
        return ok ? v : def;
    };
    const bool maximized = s->value(QStringLiteral("Maximized"), true).toBool();
    const QRect r(readInt("XPosition", cur.left()), readInt("YPosition", cur.top()),
                  readInt("Width", cur.width()), readInt("Height", cur.height()));
    s->endGroup();
    window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    if (r.width() > 0 && r.height() > 0) window->setGeometry(r);
    if (maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
}
