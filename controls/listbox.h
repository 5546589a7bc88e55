#pragma once
// A list box whose items each carry an integer key next to their text.
#include <QListWidget>

class TkvListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TkvListBox(QWidget *parent = nullptr) : QListWidget(parent) {}

    void AddItemWithKey(int key, const QString &text);
    int Key(int index) const;      // 0 for an item without a key
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int i) { setCurrentRow(i); }
    int Count() const { return count(); }
};
