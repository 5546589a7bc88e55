#include "app/shell/menulists.h"

#include "data/settings.h"
#include "platform/ini.h"

#include <QAction>
#include <QMenu>

TRecentFiles::TRecentFiles(QMenu *menu, QAction *first, QAction *second)
    : m_menu(menu), m_first(first), m_second(second)
{
    updateSeparator();
}

QString TRecentFiles::CaptionOf(const QString &path)
{
    QString c = path;
    return c.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

bool TRecentFiles::SamePath(const QString &a, const QString &b)
{
    // Only Latin letters fold, as the old comparison did.
    auto upper = [](QString s) {
        for (QChar &ch : s)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ch = QChar(ch.unicode() - 32);
        return s;
    };
    return upper(a) == upper(b);
}

QList<QAction *> TRecentFiles::Items() const
{
    QList<QAction *> out;
    const QList<QAction *> all = m_menu->actions();
    const int from = all.indexOf(m_first), to = all.indexOf(m_second);
    for (int i = from + 1; i >= 1 && i < to; ++i) out.append(all[i]);
    return out;
}

QStringList TRecentFiles::Paths() const
{
    QStringList out;
    for (QAction *a : Items()) out.append(a->data().toString());
    return out;
}

void TRecentFiles::insert(const QString &path)
{
    auto *a = new QAction(CaptionOf(path), m_menu);
    a->setData(path);
    a->setObjectName(QStringLiteral("RecentFile"));
    QObject::connect(a, &QAction::triggered, m_menu, [this, a] {
        // The path of the item itself, never its caption.
        const QString p = a->data().toString();
        if (onClick) onClick(p);
    });
    m_menu->insertAction(m_second, a);
}

void TRecentFiles::Load(const kv::TIniFile &ini)
{
    for (QAction *a : Items()) {
        m_menu->removeAction(a);
        a->deleteLater();
    }
    const QStringList lines = ini.ReadSectionValues(QString::fromLatin1(kv::section::Files));
    for (const QString &line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        const QString path = eq >= 0 ? line.mid(eq + 1) : QString();
        if (!path.isEmpty()) insert(path);
    }
    updateSeparator();
}

void TRecentFiles::Save(kv::TIniFile &ini) const
{
    const QString section = QString::fromLatin1(kv::section::Files);
    // One write of the file: a kill leaves the old list or the new one.
    ini.Update([&] {
        ini.EraseSection(section);
        int n = 0;
        for (const QString &p : Paths()) ini.WriteString(section, QString::number(++n), p);
    });
}

void TRecentFiles::Add(const QString &path)
{
    for (const QString &p : Paths())
        if (SamePath(p, path)) return;
    insert(path);
    QList<QAction *> items = Items();
    while (items.size() > kMaxFiles) {
        QAction *oldest = items.takeFirst();
        m_menu->removeAction(oldest);
        oldest->deleteLater();
    }
    updateSeparator();
}

void TRecentFiles::Remove(const QString &path)
{
    for (QAction *a : Items())
        if (a->data().toString() == path) {
            m_menu->removeAction(a);
            a->deleteLater();
        }
    updateSeparator();
}

void TRecentFiles::updateSeparator()
{
    m_second->setVisible(!Items().isEmpty());
}

QList<WindowListItem> BuildWindowListItems(const QStringList &childCaptions, int activeIndex)
{
    QList<WindowListItem> out;
    const int count = int(childCaptions.size());
    for (int a = count - 1; a >= 0; --a) {
        const int number = count - a;
        WindowListItem it;
        it.caption = (number < 10 ? QStringLiteral("&") : QString()) + QString::number(number) +
                     QStringLiteral(". ") + QString(childCaptions[a]).replace(QLatin1Char('&'), QStringLiteral("&&"));
        it.checked = a == activeIndex;
        it.childIndex = a;
        out.append(it);
    }
    return out;
}
