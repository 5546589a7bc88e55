#pragma once
// The two lists the main window keeps in its menus: the recent part bases
// between two separators of "&База деталей" and the child windows after
// the last separator of "&Окно".
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

namespace kv {
class TIniFile;
}

// Recent part bases. Each item keeps its path as data; the caption only
// shows it (a "&" in a path is doubled so that it stays visible and never
// becomes an accelerator).
class TRecentFiles
{
public:
    static constexpr int kMaxFiles = 5;

    // Items go between `first` and `second`, two separators of `menu`.
    TRecentFiles(QMenu *menu, QAction *first, QAction *second);

    // Called with the path when an item is clicked.
    std::function<void(const QString &path)> onClick;

    // Replaces the items with the values of [Files], in the section's order.
    void Load(const kv::TIniFile &ini);
    // Erases [Files] and writes "1", "2", ... in list order.
    void Save(kv::TIniFile &ini) const;
    // Appended unless the same path is there (Latin letters compared without
    // case); the oldest item goes when there are more than five.
    void Add(const QString &path);
    void Remove(const QString &path);
    QStringList Paths() const;
    QList<QAction *> Items() const;

    static QString CaptionOf(const QString &path);
    static bool SamePath(const QString &a, const QString &b);

private:
    void insert(const QString &path);
    void updateSeparator();

    QMenu *m_menu;
    QAction *m_first;
    QAction *m_second;
};

// The window list: one item per child from the last created down to the
// first, numbered 1.., "&" before numbers below 10, the active one checked.
struct WindowListItem
{
    QString caption;
    bool checked = false;
    int childIndex = 0;   // index into the children in creation order
};
QList<WindowListItem> BuildWindowListItems(const QStringList &childCaptions, int activeIndex);
